#include "archive/ach_writefs.h"

#include "shared/base/strutils.h"

namespace ark::wfs {

std::string FolderOf(const std::string& path) {
    // Character boundaries from the first byte: a trail byte 0x5C is no separator.
    size_t end = 0;
    for (size_t i = 0; i < path.size(); i += kb::CharLengthAt(path, i))
        if (kb::CharLengthAt(path, i) == 1 && (path[i] == '\\' || path[i] == '/')) end = i + 1;
    return path.substr(0, end);
}

}  // namespace ark::wfs
