// Component installation and registration: every entry of an archive is
// installed into the system folder's "TQZDisc" (copied when newer, a COM
// server registered through the outside "Register.dll" unless it is
// registered already) and recorded under HKEY_LOCAL_MACHINE.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "archive/components_system.h"

namespace ark::components {

// Name of the install folder under the system folder, of the marker folders,
// and of the marker file an administrator-mode step leaves.
inline constexpr const char* kInstallFolderName = "TQZDisc";
inline constexpr const char* kMarkerFolderName = "TQZDisc\\";
inline constexpr const char* kAdminForRegMarker = "AdminForReg";
// The registry record of installed components (under HKEY_LOCAL_MACHINE).
inline constexpr const char* kComponentKey = "Software\\TovanMMP\\COM";
// olderPolicy that lets an older archive copy replace an installed plain file.
constexpr int kReplaceWithOlder = 64;

// The writability probe of a folder: the first "~tmp%.4d" (0 to 9999) below
// folder that does not exist and can be created must take the file
// "~TQZDisc.tmp"; everything is removed again. A candidate folder that did not
// take the file is removed too, so failed probes leave nothing behind.
bool IsWritableFolder(System& sys, const std::string& folder);

// The marker folders, in order: "X:\TQZDisc\" for each fixed drive C: to Z:
// whose root passes the probe, then tempFolder's "TQZDisc\" when the temp
// folder passes it.
std::vector<std::string> MarkerFolders(System& sys, const std::string& tempFolder);
// True when a marker folder holds a file (not a folder) "AdminForReg".
bool HasAdminForRegMarker(System& sys, const std::string& tempFolder);

// The registry value name of an installed file: the flag letter ("@" with
// the marker, else "H" for a plain file and "X" for a COM server), "_" and the
// file name without its folder.
std::string ComponentValueName(std::string_view targetPath, bool marker, bool comServer);

// 1 when a's last-write time is later than b's, 0 when equal, -1 when earlier;
// -66 when a's cannot be read, -67 when b's cannot.
int CompareFileTimes(System& sys, const std::string& a, const std::string& b);

struct InstallOptions {
    bool allowInstall = false;
    int olderPolicy = 1;
    int reserved = 0;  // passed on, no effect
    bool marker = false;
    // The archive being read: a target that is this file, however spelled, is
    // refused with -63 rather than copied over while later entries are read.
    std::string archive;
};

// Installs one extracted component at target: 0 (installed or skipped), 6 when
// an install is needed but not allowed (the extracted file stays), -63, -64,
// -66, -67.
int InstallComponent(System& sys, const std::string& extracted, const std::string& target,
                     const InstallOptions& options);

// The exports' work, inside an export frame (the caller resets the context).
// RegisterAllEx extracts into a private folder of the temp folder, so a file
// InstallComponent leaves goes with that folder at the end.
int RegisterAllEx(System& sys, const std::string& archive, bool allowInstall, int olderPolicy, int reserved);
int SetRegCmpMode(System& sys, int mode);
int SetRegCmpFile(System& sys, const std::string& fileName);

}  // namespace ark::components
