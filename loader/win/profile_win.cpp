#include "loader/win/profile_win.h"

#include <windows.h>

#include <algorithm>

#include "shared/base/strutils.h"

namespace kb::loader {
namespace {

class PrivateProfile final : public ProfileReader {
public:
    explicit PrivateProfile(std::string path) : path_(std::move(path)) {}
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& defaultValue) const override {
        char buffer[kProfileValueLimit + 1] = {};
        const DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(), buffer,
                                                 sizeof buffer, path_.c_str());
        return GetString(buffer, std::min<size_t>(n, kProfileValueLimit));
    }

private:
    std::string path_;
};

}  // namespace

std::unique_ptr<ProfileReader> OpenPrivateProfile(const std::string& path) {
    return std::make_unique<PrivateProfile>(path);
}

}  // namespace kb::loader
