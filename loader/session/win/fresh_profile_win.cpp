#include "loader/session/win/fresh_profile_win.h"

#include <windows.h>

#include "loader/win/profile_win.h"

namespace kb::loader {

std::unique_ptr<ProfileReader> OpenFreshPrivateProfile(const std::string& path) {
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
    return OpenPrivateProfile(path);
}

}  // namespace kb::loader
