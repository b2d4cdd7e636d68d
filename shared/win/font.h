// Fonts made from a face name, a character set and a size in points.
#pragma once

#include <windows.h>

#include <string>

#include "shared/win/handles.h"

namespace kb::win {

struct FontSpec {
    std::string face;
    BYTE charset = DEFAULT_CHARSET;
    int points = 0;  // 0 or less: the platform's default height
    bool bold = false;
};

// The LOGFONTA of spec: height -MulDiv(points, screen pixels per inch, 72).
LOGFONTA LogFontFor(const FontSpec& spec);
// A font of spec; invalid when the platform refuses.
ScopedFont CreateFontFor(const FontSpec& spec);

}  // namespace kb::win
