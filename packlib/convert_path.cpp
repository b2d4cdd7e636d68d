// Path conversion for stored relative names.
#include "packlib/convert_path.h"

#include <cstring>

namespace kb {
namespace {

constexpr char kFrom[] = "\\/,;*?\"<>|";
constexpr char kTo[] = "_%^=+$~[]!";
static_assert(sizeof kFrom == sizeof kTo, "the conversion table pairs each character");

bool StartsDoubleByte(unsigned char c) { return (c >= 0x80 && c <= 0x9F) || c >= 0xE0; }

}  // namespace

int ConvertFilePath(char* path) {
    if (path == nullptr) return 0;
    int lastLead = 0;
    for (char* p = path; *p != '\0'; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (StartsDoubleByte(c)) {
            lastLead = c;
            // The trail byte is kept as it is; a lead byte just before the zero ends the walk.
            if (p[1] == '\0') break;
            ++p;
            continue;
        }
        lastLead = 0;
        if (const char* hit = std::strchr(kFrom, *p); hit != nullptr)
            *p = kTo[hit - kFrom];
        else if (*p == ':')
            *p = '\\';
    }
    return lastLead;
}

}  // namespace kb
