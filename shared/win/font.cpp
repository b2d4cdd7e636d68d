#include "shared/win/font.h"

#include <cstring>

namespace kb::win {

LOGFONTA LogFontFor(const FontSpec& spec) {
    LOGFONTA lf = {};
    if (spec.points > 0) {
        HDC screen = GetDC(nullptr);
        const int perInch = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
        if (screen) ReleaseDC(nullptr, screen);
        lf.lfHeight = -MulDiv(spec.points, perInch, 72);
    }
    lf.lfWeight = spec.bold ? FW_BOLD : FW_NORMAL;
    lf.lfCharSet = spec.charset;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH;
    // Longer faces are cut, never inside a double-byte character: the platform
    // knows none beyond LF_FACESIZE - 1 bytes.
    size_t n = 0;
    while (n < spec.face.size()) {
        const size_t step = IsDBCSLeadByte(static_cast<BYTE>(spec.face[n])) ? 2 : 1;
        if (n + step > LF_FACESIZE - 1 || n + step > spec.face.size()) break;
        n += step;
    }
    std::memcpy(lf.lfFaceName, spec.face.data(), n);
    return lf;
}

ScopedFont CreateFontFor(const FontSpec& spec) {
    const LOGFONTA lf = LogFontFor(spec);
    return ScopedFont(CreateFontIndirectA(&lf));
}

}  // namespace kb::win
