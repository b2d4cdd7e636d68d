// The loader's program-wide settings: the fonts and control sizes of the
// skinned windows (from "Message.Ini") and the disc drive root.
#pragma once
#include <cstdint>
#include <string>

#include "loader/profile.h"

namespace kb::loader {

struct SkinFontSettings {
    uint8_t charset = 0;     // GDI character set of every skinned font
    std::string name;        // labels, memos, lists, trees, gauges
    int size = 0;
    std::string monoName;    // edit fields
    int monoSize = 0;
    int editHeight = 0;      // pixels
    int gaugeHeight = 0;     // pixels; 0 keeps the skin's height
};

// SHIFTJIS_CHARSET: an empty or unknown "Charset" name.
constexpr uint8_t kDefaultCharset = 128;

// The GDI character set named name (upper-cased first); 128 for any other name.
uint8_t CharsetFromName(const std::string& name);

// [Font] and [Controls] of "Message.Ini" with their defaults; a null reader
// (no file) gives the defaults.
SkinFontSettings LoadFontSettings(const ProfileReader* reader);

// The one copy of the settings for the run; empty or 0 until loaded.
SkinFontSettings& SkinFonts();

// The disc drive: letter followed by ":", no backslash.
void SetDriveRoot(char letter);
const std::string& GetDriveRoot();

}  // namespace kb::loader
