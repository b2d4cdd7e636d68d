// TPassword: the disc-wide content password read from the unpacked
// "Sessions.ini".
#pragma once
#include <string>

#include "loader/profile.h"

namespace kb::loader {

class TPassword {
public:
    std::string password;        // the disc-wide password
    bool passwordGiven = false;  // the user has entered the right password
    std::string unpackedFile;    // the unpacked "Sessions.ini" copy

    // password := [General] Password of the ini file at iniPath with blanks
    // and control characters removed at both ends; empty when absent. True.
    bool ReadPassword(const ProfileOpener& open, const std::string& iniPath);
    // Deletes iniPath, then unpackedFile, each only when it exists as a file;
    // a file the system refuses to delete stays, without an error.
    void DeleteUnpackedFiles(const std::string& iniPath) const;
};

// Deletes path when it exists as a file (never a folder); false when it
// stays.
bool DeleteFileIfPresent(const std::string& path);

}  // namespace kb::loader
