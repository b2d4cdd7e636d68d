#include "loader/session/password.h"

#include <cstdint>

#include "loader/path_csv.h"
#include "shared/base/fs.h"

namespace kb::loader {

bool DeleteFileIfPresent(const std::string& path) {
    uint32_t attributes = 0;
    if (path.empty() || !fs::GetAttributes(path, &attributes) || (attributes & fs::kAttrDirectory)) return false;
    return fs::RemoveFile(path);
}

bool TPassword::ReadPassword(const ProfileOpener& open, const std::string& iniPath) {
    const auto ini = open(iniPath);
    password = TrimBlanks(ini ? ini->ReadString("General", "Password", "") : std::string());
    return true;
}

void TPassword::DeleteUnpackedFiles(const std::string& iniPath) const {
    DeleteFileIfPresent(iniPath);
    DeleteFileIfPresent(unpackedFile);
}

}  // namespace kb::loader
