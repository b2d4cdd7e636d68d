#include <cstring>

#include "archive/names.h"

namespace ark {

// The native build has no locale comparison; ASCII folding stands in for it.
bool EqualIgnoringCaseLocale(const char* a, const char* b) {
    return EqualIgnoringAsciiCase(std::string_view(a, std::strlen(a)), std::string_view(b, std::strlen(b)));
}

}  // namespace ark
