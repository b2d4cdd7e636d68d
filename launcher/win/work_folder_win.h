// The launcher's work with files and programs on Windows: the archive server
// and the driver-install manager bound at run time, the work folder's
// removal, the facts a disc checker reads from the drive, the CD-ROM drives
// and program starts through the shell.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "launcher/edition.h"

namespace kb::launcher {

// Loads the archive server from serverPath (a full path: a library of the
// same name elsewhere on the search path is never taken), calls
// SaveAll(archive, destination) and frees it; true when SaveAll returned 0.
bool ExtractArchiveWith(const std::string& serverPath, const std::string& archivePath, const std::string& destination);

// Removes folder and everything below it; a read-only file is made normal
// first. A junction or symbolic link is removed itself and never entered, so
// nothing outside folder is touched. What cannot be removed stays.
void DeleteFolderTree(const std::string& folder);

// Loads dllPath, binds CheckEnvironment and SetActions (the Windows calling
// convention), calls SetActions(kDriverActions) and CheckEnvironment(record),
// frees the library; nullopt when it or a function could not be bound.
std::optional<int> CheckEnvironmentWith(const std::string& dllPath, const DriverRequestBytes& record);

// What the checker of one edition reads from drive.
DiscFacts GatherDiscFacts(char drive, const DiscQuestions& questions);

// Letters 'A' to 'Z' whose root is a CD-ROM drive, in that order.
std::vector<char> CdRomDriveLetters();

// ShellExecute "open" owned by owner, no directory, SW_SHOWNORMAL: true when
// the result is above 32.
bool ShellStartProgram(HWND owner, const ShellStart& start);

}  // namespace kb::launcher
