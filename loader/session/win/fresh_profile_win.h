// The private-profile reader for files the loader has just unpacked: the
// platform's cached copy of the file is dropped first.
#pragma once
#include <memory>
#include <string>

#include "loader/profile.h"

namespace kb::loader {

// Flushes the platform's cached copy of path (WritePrivateProfileStringA with
// no section, key or value), then reads it as OpenPrivateProfile does.
std::unique_ptr<ProfileReader> OpenFreshPrivateProfile(const std::string& path);

}  // namespace kb::loader
