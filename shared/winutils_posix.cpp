#include <cstdlib>

#include "shared/base/version.h"

namespace kb {

// As GetTempPath: TMP, then TEMP, then a fixed folder.
std::string GetTempFolderName() {
    const char* dir = std::getenv("TMP");
    if (!dir || !*dir) dir = std::getenv("TEMP");
    std::string folder = (dir && *dir) ? dir : "/tmp";
    if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
    return folder;
}

}  // namespace kb
