// The runtime-module install: each module of an archive is compared with the
// copy in the system folder, a task file is written for the outside installer
// "Halvorin.exe", everything is reported to "Halvorin.log" in the temp folder,
// and the installer is run at once or arranged to run after a restart.
#pragma once
#include <cstdint>
#include <string>

#include "archive/components_system.h"

namespace ark::vbrm {

// One module's check (trace "CheckOneVBRM"): status bits of the installed copy
// against the extracted archive copy; version gets the archive copy's
// FileVersion when a copy is installed. An installed copy that is older is
// probed for replaceability without being changed: when it cannot be read or
// opened for writing now, kCannotAccess is added. 0 or -100.
int CheckOneVBRM(components::System& sys, uint32_t& status, std::string& version,
                 const std::string& installed, const std::string& extracted);

// The export's work, inside an export frame (the caller resets the context).
// Each module is extracted for its check into a private folder of the temp
// folder, removed at the end; only a module queued for the installer is put
// into the temp folder under its own name, as a new file: when that name is
// taken there (a user's file or folder), the run ends with -55 and the file
// is left alone. A run that fails takes the modules it put there away again.
// 0, 256, 5, 6, or a code.
int InstallVBRM(components::System& sys, const std::string& archive, const std::string& cdFolder,
                bool allowInstall, const std::string& rebootMessage);

}  // namespace ark::vbrm
