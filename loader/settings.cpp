#include "loader/settings.h"

#include <array>
#include <string_view>
#include <utility>

namespace kb::loader {
namespace {

constexpr std::array<std::pair<std::string_view, uint8_t>, 20> kCharsets = {{
    {"ANSI_CHARSET", 0},         {"BALTIC_CHARSET", 186}, {"CHINESEBIG5_CHARSET", 136},
    {"DEFAULT_CHARSET", 1},      {"EASTEUROPE_CHARSET", 238}, {"GB2312_CHARSET", 134},
    {"GREEK_CHARSET", 161},      {"HANGEUL_CHARSET", 129}, {"HANGUL_CHARSET", 129},
    {"MAC_CHARSET", 77},         {"OEM_CHARSET", 255},    {"RUSSIAN_CHARSET", 204},
    {"SHIFTJIS_CHARSET", 128},   {"SYMBOL_CHARSET", 2},   {"TURKISH_CHARSET", 162},
    {"VIETNAMESE_CHARSET", 163}, {"JOHAB_CHARSET", 130},  {"ARABIC_CHARSET", 178},
    {"HEBREW_CHARSET", 177},     {"THAI_CHARSET", 222},
}};

// "ＭＳ Ｐゴシック" and "ＭＳ ゴシック" in the Japanese code page.
constexpr char kDefaultFontName[] = "\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E";
constexpr char kDefaultMonoName[] = "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E";

std::string g_driveRoot;

}  // namespace

uint8_t CharsetFromName(const std::string& name) {
    // Every name in the table is ASCII: only ASCII letters need upper-casing.
    std::string upper = name;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    for (const auto& [n, charset] : kCharsets)
        if (upper == n) return charset;
    return kDefaultCharset;
}

SkinFontSettings LoadFontSettings(const ProfileReader* reader) {
    SkinFontSettings s;
    s.charset = kDefaultCharset;
    s.name = kDefaultFontName;
    s.size = 9;
    s.monoName = kDefaultMonoName;
    s.monoSize = 9;
    s.editHeight = 12;
    s.gaugeHeight = 0;
    if (!reader) return s;
    s.charset = CharsetFromName(reader->ReadString("Font", "Charset", ""));
    s.name = reader->ReadString("Font", "Name", s.name);
    s.size = ReadProfileInteger(*reader, "Font", "Size", s.size);
    s.monoName = reader->ReadString("Font", "MonoName", s.monoName);
    s.monoSize = ReadProfileInteger(*reader, "Font", "MonoSize", s.monoSize);
    s.editHeight = ReadProfileInteger(*reader, "Controls", "EditHeight", s.editHeight);
    s.gaugeHeight = ReadProfileInteger(*reader, "Controls", "GaugeHeight", s.gaugeHeight);
    return s;
}

SkinFontSettings& SkinFonts() {
    static SkinFontSettings settings;
    return settings;
}

void SetDriveRoot(char letter) { g_driveRoot = std::string(1, letter) + ":"; }

const std::string& GetDriveRoot() { return g_driveRoot; }

}  // namespace kb::loader
