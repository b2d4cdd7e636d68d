// The window-free part of the splash window and the download link: the
// [SplashWindow] and [Font] values, where the window and its text go, the
// font the text is drawn with, the checked bitmap and region files, and the
// link's address cut to its buffer.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "shared/image/bmp.h"
#include "shared/image/region.h"

namespace kb::launcher {

// Timer of the splash window's layout, once, 100 ms after creation.
inline constexpr unsigned kTimerSplashLayout = 20;
inline constexpr unsigned kSplashLayoutDelayMs = 100;
inline constexpr char kSplashTitle[] = "Tovan Utility For Vista";
// Items one splash image holds at most.
inline constexpr std::size_t kMaxDrawItems = 1024;

struct SplashSettings {
    int left = 0, top = 0, width = 400, height = 300;
    std::string bmpFile, rgnFile;
    int strLeft = 0, strTop = 0;
    std::uint32_t strColor = 0;  // 0x00BBGGRR
    int strSize = 9;
    std::string charSet, faceName;
};

// The settings readers the splash reads through (the launcher's string and
// integer readers over its settings file).
using SplashStringReader = std::function<std::string(const char* section, const char* key, const char* def)>;
using SplashIntReader = std::function<int(const char* section, const char* key, int def)>;

// The ten [SplashWindow] values and the two [Font] values, with their defaults.
SplashSettings ReadSplashSettings(const SplashStringReader& readString, const SplashIntReader& readInt);

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

// The top-left corner that centres a width x height window on a desktop of
// desktopWidth x desktopHeight (toward zero, so a window wider than the
// desktop starts left of it).
Point CenterOn(int desktopWidth, int desktopHeight, int width, int height);

// Text alignment of a text item.
enum class TextAlign { Left = 0, Center = 1, Right = 2 };
// Where a text of textWidth starts in an item at x of width.
int TextStart(TextAlign align, int x, int width, int textWidth);


// The splash bitmap file: a 14-byte file header, taken without checks, a
// 40-byte information header, the colour table (biClrUsed entries, or 2, 16 or
// 256 for 1, 4 or 8 bits when that is 0) and the pixel rows right after it.
// Anything else (another header size, more than 256 colours, a depth or
// colour count the checked decoder refuses, fewer pixel bytes than the image
// needs) is "not loaded": false and out empty.
inline constexpr std::uint32_t kSplashInfoHeaderSize = 40;
inline constexpr std::uint32_t kMaxSplashColors = 256;
bool DecodeSplashBitmap(const std::uint8_t* data, std::size_t size, kb::image::Bitmap& out);

// The splash region file checked as the platform's region call needs it;
// false leaves the window rectangular.
bool CheckSplashRegion(const std::uint8_t* data, std::size_t size, kb::image::RegionCheck& out);

// The link's address as its 260-byte buffer holds it: at most 259 bytes, and
// a double-byte character that does not fit whole is left out whole.
inline constexpr std::size_t kLinkUrlMaxBytes = 259;
std::string CutLinkUrl(std::string_view url);

}  // namespace kb::launcher
