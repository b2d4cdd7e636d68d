// The platform's private-profile reader behind the loader's profile seam.
#pragma once
#include <memory>
#include <string>

#include "loader/profile.h"

namespace kb::loader {

// Reads path through GetPrivateProfileStringA (its own quoting and trimming);
// path should be a full path, else the platform looks in the Windows folder.
std::unique_ptr<ProfileReader> OpenPrivateProfile(const std::string& path);

}  // namespace kb::loader
