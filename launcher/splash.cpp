#include "launcher/splash.h"

#include <vector>

#include "launcher/edition.h"
#include "shared/base/strutils.h"

namespace kb::launcher {

SplashSettings ReadSplashSettings(const SplashStringReader& readString, const SplashIntReader& readInt) {
    SplashSettings s;
    s.left = readInt("SplashWindow", "Left", s.left);
    s.top = readInt("SplashWindow", "Top", s.top);
    s.width = readInt("SplashWindow", "Width", s.width);
    s.height = readInt("SplashWindow", "Height", s.height);
    s.bmpFile = readString("SplashWindow", "BmpFile", "");
    s.rgnFile = readString("SplashWindow", "RgnFile", "");
    s.strLeft = readInt("SplashWindow", "StrLeft", s.strLeft);
    s.strTop = readInt("SplashWindow", "StrTop", s.strTop);
    s.strColor = static_cast<std::uint32_t>(readInt("SplashWindow", "StrColor", 0));
    s.strSize = readInt("SplashWindow", "StrSize", s.strSize);
    s.charSet = readString("Font", "CharSet", "");
    s.faceName = readString("Font", "FaceName", "");
    return s;
}

Point CenterOn(int desktopWidth, int desktopHeight, int width, int height) {
    // In 64 bits: sizes from the settings file may be anything an int holds.
    const auto half = [](int outer, int inner) {
        return static_cast<int>((static_cast<long long>(outer) - inner) / 2);
    };
    return {half(desktopWidth, width), half(desktopHeight, height)};
}

int TextStart(TextAlign align, int x, int width, int textWidth) {
    switch (align) {
        case TextAlign::Center:
            return x + (width - textWidth) / 2;
        case TextAlign::Right:
            return x + width - textWidth;
        case TextAlign::Left:
            break;
    }
    return x;
}

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kPixelOffsetAt = 10;
constexpr std::size_t kBitCountAt = kFileHeaderSize + 14;
constexpr std::size_t kClrUsedAt = kFileHeaderSize + 32;

std::uint32_t U32At(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

}  // namespace

bool DecodeSplashBitmap(const std::uint8_t* data, std::size_t size, kb::image::Bitmap& out) {
    out = kb::image::Bitmap{};
    if (data == nullptr || size < kFileHeaderSize + kSplashInfoHeaderSize) return false;
    if (U32At(data + kFileHeaderSize) != kSplashInfoHeaderSize) return false;
    const unsigned bitCount = data[kBitCountAt] | unsigned{data[kBitCountAt + 1]} << 8;
    const std::uint32_t clrUsed = U32At(data + kClrUsedAt);
    if (clrUsed > kMaxSplashColors) return false;
    std::uint32_t tableEntries = clrUsed;
    if (tableEntries == 0 && (bitCount == 1 || bitCount == 4 || bitCount == 8)) tableEntries = 1u << bitCount;

    // The file header is not read: the pixel rows follow the colour table, so
    // the decoder is handed a file header that says just that.
    std::vector<std::uint8_t> file(data, data + size);
    file[0] = 'B';
    file[1] = 'M';
    const std::uint32_t pixelOffset = static_cast<std::uint32_t>(kFileHeaderSize + kSplashInfoHeaderSize + 4 * tableEntries);
    for (int i = 0; i < 4; ++i) file[kPixelOffsetAt + i] = static_cast<std::uint8_t>(pixelOffset >> (8 * i));
    return kb::image::DecodeBmp(file.data(), file.size(), out);
}

bool CheckSplashRegion(const std::uint8_t* data, std::size_t size, kb::image::RegionCheck& out) {
    return kb::image::ValidateRegionData(data, size, out);
}

std::string CutLinkUrl(std::string_view url) {
    std::size_t end = 0;
    while (end < url.size()) {
        const std::size_t next = end + CharLengthAt(url, end);
        if (next > kLinkUrlMaxBytes) break;
        end = next;
    }
    return std::string(url.substr(0, end));
}

}  // namespace kb::launcher
