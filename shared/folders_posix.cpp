#include <sys/stat.h>

#include <string>

#include "shared/folders.h"

#include "shared/base/strutils.h"

namespace kb {
namespace {
std::string Native(const std::string& path) {
    std::string p = path;
    for (size_t i = 0; i < p.size(); i += CharLengthAt(p, i))
        if (p[i] == '\\') p[i] = '/';
    return p;
}
}  // namespace

bool FolderExists(const std::string& path) {
    struct stat st {};
    return stat(Native(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreateOneFolder(const std::string& path) { return mkdir(Native(path).c_str(), 0777) == 0; }

}  // namespace kb
