// The splash window's settings, geometry and font as tables; its bitmap and
// region files, hostile ones included, through the checked decoders; the
// download link's address cut to its buffer.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "launcher/edition.h"
#include "launcher/splash.h"
#include "shared/image/tests/image_fixtures.h"
#include "testing/kit/code_page.h"

namespace kb::launcher {
namespace {

using kb::image::Bitmap;
using kb::image::RegionCheck;
using kb::image::testing::BmpLayout;
using kb::image::testing::MakeBmp;
using kb::image::testing::MakeRegion;
using kb::image::testing::RegionLayout;

// A settings file as section/key -> value; a missing key gives the default,
// an integer value as atoi would read it.
struct FakeIni {
    std::map<std::string, std::string> values;
    SplashSettings Read() const {
        return ReadSplashSettings(
            [&](const char* s, const char* k, const char* def) {
                auto it = values.find(std::string(s) + "/" + k);
                return it == values.end() ? std::string(def) : it->second;
            },
            [&](const char* s, const char* k, int def) {
                auto it = values.find(std::string(s) + "/" + k);
                return it == values.end() ? def : std::atoi(it->second.c_str());
            });
    }
};

TEST(SplashSettings, DefaultsWithoutSections) {
    const SplashSettings s = FakeIni{}.Read();
    EXPECT_EQ(s.left, 0);
    EXPECT_EQ(s.top, 0);
    EXPECT_EQ(s.width, 400);
    EXPECT_EQ(s.height, 300);
    EXPECT_EQ(s.bmpFile, "");
    EXPECT_EQ(s.rgnFile, "");
    EXPECT_EQ(s.strLeft, 0);
    EXPECT_EQ(s.strTop, 0);
    EXPECT_EQ(s.strColor, 0u);
    EXPECT_EQ(s.strSize, 9);
    EXPECT_EQ(s.charSet, "");
    EXPECT_EQ(s.faceName, "");
    // The text font's own defaults then stay: SHIFTJIS_CHARSET, 9 points.
    const CharsetChoice c = CharsetFromName(kDefaultCharsetName);
    EXPECT_EQ(c.name, "SHIFTJIS_CHARSET");
    EXPECT_EQ(c.charset, 128);
    EXPECT_EQ(FontHeightFromPoints(s.strSize), 12);
}

TEST(SplashSettings, EveryKeyLandsInItsField) {
    FakeIni ini;
    ini.values = {{"SplashWindow/Left", "7"},        {"SplashWindow/Top", "8"},
                  {"SplashWindow/Width", "320"},     {"SplashWindow/Height", "200"},
                  {"SplashWindow/BmpFile", "a.bmp"}, {"SplashWindow/RgnFile", "a.rgn"},
                  {"SplashWindow/StrLeft", "11"},    {"SplashWindow/StrTop", "12"},
                  {"SplashWindow/StrColor", "255"},  {"SplashWindow/StrSize", "12"},
                  {"Font/CharSet", "greek_charset"}, {"Font/FaceName", "Arial"}};
    const SplashSettings s = ini.Read();
    EXPECT_EQ(s.left, 7);
    EXPECT_EQ(s.top, 8);
    EXPECT_EQ(s.width, 320);
    EXPECT_EQ(s.height, 200);
    EXPECT_EQ(s.bmpFile, "a.bmp");
    EXPECT_EQ(s.rgnFile, "a.rgn");
    EXPECT_EQ(s.strLeft, 11);
    EXPECT_EQ(s.strTop, 12);
    EXPECT_EQ(s.strColor, 255u);
    EXPECT_EQ(s.strSize, 12);
    const CharsetChoice c = CharsetFromName(s.charSet);
    EXPECT_EQ(c.charset, 161);
    EXPECT_EQ(c.name, "greek_charset");
    EXPECT_EQ(FontHeightFromPoints(s.strSize), 16);
}

TEST(SplashFont, CharsetNamesAndSizes) {
    struct Row {
        const char* charSet;
        int size;
        int charset;
        const char* storedName;
        int height;
    } rows[] = {
        {"", 9, 128, "SHIFTJIS_CHARSET", 12},       {"ANSI_CHARSET", 10, 0, "ANSI_CHARSET", 13},
        {"greek_charset", 9, 161, "greek_charset", 12}, {"KOI8", 9, 128, "SHIFTJIS_CHARSET", 12},
        {"Thai_Charset", 1, 222, "Thai_Charset", 1},  {"OEM_CHARSET", 0, 255, "OEM_CHARSET", 0},
    };
    for (const Row& r : rows) {
        const CharsetChoice c = CharsetFromName(r.charSet);
        EXPECT_EQ(c.charset, r.charset) << r.charSet;
        EXPECT_EQ(c.name, r.storedName) << r.charSet;
        EXPECT_EQ(FontHeightFromPoints(r.size), r.height) << r.size;
    }
}

TEST(SplashGeometry, CentredOnTheDesktopWhateverLeftAndTop) {
    struct Row {
        int dw, dh, w, h;
        Point at;
    } rows[] = {
        {1024, 768, 400, 300, {312, 234}}, {1025, 769, 400, 300, {312, 234}},  // toward zero
        {800, 600, 800, 600, {0, 0}},      {300, 200, 400, 300, {-50, -50}},   // wider than the desktop
        {301, 201, 400, 300, {-49, -49}},                                       // negative, toward zero
    };
    for (const Row& r : rows) EXPECT_EQ(CenterOn(r.dw, r.dh, r.w, r.h), r.at) << r.dw << "x" << r.dh;
}

TEST(SplashGeometry, TextStartPerAlignment) {
    struct Row {
        TextAlign align;
        int x, width, textWidth, start;
    } rows[] = {
        {TextAlign::Left, 10, 64, 30, 10},   {TextAlign::Center, 10, 64, 30, 27},
        {TextAlign::Right, 10, 64, 30, 44},  {TextAlign::Center, 0, 64, 100, -18},
        {TextAlign::Right, 5, 20, 25, 0},
    };
    for (const Row& r : rows) EXPECT_EQ(TextStart(r.align, r.x, r.width, r.textWidth), r.start);
}

std::vector<std::uint8_t> Rgb24(int width, int height) {
    BmpLayout spec;
    spec.width = width;
    spec.height = height;
    const int stride = (width * 3 + 3) / 4 * 4;
    spec.rows.assign(static_cast<std::size_t>(stride * height), 0x40);
    return MakeBmp(spec);
}

TEST(SplashBitmap, GoodFilesDecode) {
    Bitmap out;
    auto file = Rgb24(3, 2);
    ASSERT_TRUE(DecodeSplashBitmap(file.data(), file.size(), out));
    EXPECT_EQ(out.width, 3);
    EXPECT_EQ(out.height, 2);
    EXPECT_EQ(out.pixels[0], 0x404040u);

    // An 8-bit file with two colours: the rows follow the two entries.
    BmpLayout pal;
    pal.width = 2;
    pal.height = 1;
    pal.bpp = 8;
    pal.colorsUsed = 2;
    pal.palette = {0x00FF0000, 0x000000FF};
    pal.rows = {1, 0, 0, 0};
    file = MakeBmp(pal);
    ASSERT_TRUE(DecodeSplashBitmap(file.data(), file.size(), out));
    EXPECT_EQ(out.pixels[0], 0x0000FFu);
    EXPECT_EQ(out.pixels[1], 0xFF0000u);
}

TEST(SplashBitmap, TheFileHeaderIsNotRead) {
    // Neither the signature nor the pixel offset counts: the rows follow the table.
    auto file = Rgb24(2, 2);
    file[0] = 'X';
    file[1] = 'Y';
    file[10] = 0xFF;
    file[11] = 0xFF;
    Bitmap out;
    ASSERT_TRUE(DecodeSplashBitmap(file.data(), file.size(), out));
    EXPECT_EQ(out.width, 2);
    EXPECT_EQ(out.pixels[3], 0x404040u);
}

TEST(SplashBitmap, HostileFilesAreNotLoaded) {
    struct Row {
        const char* what;
        std::vector<std::uint8_t> file;
    };
    std::vector<Row> rows;
    {
        BmpLayout s;  // a 108-byte header: not the expected size
        s.headerSize = 108;
        s.rows.assign(4, 0);
        rows.push_back({"header 108", MakeBmp(s)});
    }
    {
        BmpLayout s;
        s.headerSize = 12;
        s.rows.assign(4, 0);
        rows.push_back({"core header", MakeBmp(s)});
    }
    {
        BmpLayout s;  // 257 colours, more than the item keeps
        s.bpp = 24;
        s.colorsUsed = 257;
        s.palette.assign(257, 0);
        s.rows.assign(4, 0);
        rows.push_back({"257 colours", MakeBmp(s)});
    }
    {
        BmpLayout s;  // more colours than 4 bits index
        s.bpp = 4;
        s.colorsUsed = 17;
        s.palette.assign(17, 0);
        s.rows.assign(4, 0);
        rows.push_back({"17 colours at 4 bits", MakeBmp(s)});
    }
    {
        BmpLayout s;  // no such depth
        s.bpp = 7;
        s.rows.assign(4, 0);
        rows.push_back({"7 bits", MakeBmp(s)});
    }
    {
        BmpLayout s;  // pixel bytes shorter than the image needs
        s.width = 100;
        s.height = 100;
        s.rows.assign(100 * 300 - 1, 0);
        rows.push_back({"short pixels", MakeBmp(s)});
    }
    {
        BmpLayout s;  // the colour table runs past the end
        s.bpp = 8;
        s.colorsUsed = 200;
        s.palette.assign(10, 0);
        rows.push_back({"short table", MakeBmp(s)});
    }
    {
        BmpLayout s;
        s.width = 0;
        rows.push_back({"no width", MakeBmp(s)});
    }
    {
        BmpLayout s;
        s.width = -4;
        s.rows.assign(64, 0);
        rows.push_back({"negative width", MakeBmp(s)});
    }
    {
        BmpLayout s;
        s.width = 1 << 20;
        s.height = 1 << 20;
        rows.push_back({"huge", MakeBmp(s)});
    }
    {
        auto whole = Rgb24(1, 1);
        rows.push_back({"header cut", std::vector<std::uint8_t>(whole.begin(), whole.begin() + 30)});
    }
    rows.push_back({"empty", {}});
    for (const Row& r : rows) {
        Bitmap out;
        out.width = 5;
        EXPECT_FALSE(DecodeSplashBitmap(r.file.data(), r.file.size(), out)) << r.what;
        EXPECT_TRUE(out.Empty()) << r.what;
        EXPECT_TRUE(out.pixels.empty()) << r.what;
    }
}

TEST(SplashRegion, GoodAndHostileRegionFiles) {
    RegionLayout good;
    good.rects = {{0, 0, 10, 5}, {2, 5, 8, 10}};
    good.bound = {0, 0, 10, 10};
    auto file = MakeRegion(good);
    RegionCheck check;
    ASSERT_TRUE(CheckSplashRegion(file.data(), file.size(), check));
    EXPECT_EQ(check.rectCount, 2u);
    EXPECT_EQ(check.offset, 4u);
    EXPECT_EQ(check.byteCount, 32u + 2 * 16);

    struct Row {
        const char* what;
        RegionLayout spec;
        std::size_t cut;  // bytes taken off the end
    };
    RegionLayout tooMany = good;
    tooMany.count = 3;  // three rectangles stated, two present
    RegionLayout hugeCount = good;
    hugeCount.count = 0x10000001;  // overflows 32 bits times 16
    RegionLayout longN = good;
    longN.n = 1000;  // more bytes stated than the file holds
    RegionLayout shortN = good;
    shortN.n = 16;  // fewer than a header
    RegionLayout badHeader = good;
    badHeader.headerSize = 40;
    const Row rows[] = {
        {"count beyond bytes", tooMany, 0}, {"count overflow", hugeCount, 0}, {"n beyond file", longN, 0},
        {"n below header", shortN, 0},      {"header size", badHeader, 0},    {"cut file", good, 10},
    };
    for (const Row& r : rows) {
        auto bytes = MakeRegion(r.spec);
        bytes.resize(bytes.size() - r.cut);
        RegionCheck c;
        EXPECT_FALSE(CheckSplashRegion(bytes.data(), bytes.size(), c)) << r.what;
    }
    EXPECT_FALSE(CheckSplashRegion(nullptr, 0, check));
}

TEST(LinkUrl, ShortAndLongAddresses) {
    EXPECT_EQ(CutLinkUrl(""), "");
    EXPECT_EQ(CutLinkUrl("http://example.com/"), "http://example.com/");
    const std::string exact(259, 'a');
    EXPECT_EQ(CutLinkUrl(exact), exact);
    EXPECT_EQ(CutLinkUrl(exact + "b"), exact);
    EXPECT_EQ(CutLinkUrl(std::string(1023, 'c')), std::string(259, 'c'));
}

TEST(LinkUrl, ShiftJisRowsKeepDoubleByteCharactersWhole) {
    KB_REQUIRE_CP932();
    const std::string kana = "\x83\x5C";  // a double-byte character whose trail byte is a backslash
    struct Row {
        std::string url;
        std::string cut;
    } rows[] = {
        // 258 single bytes, then one double-byte character: it would end at 260, so it goes.
        {std::string(258, 'a') + kana, std::string(258, 'a')},
        // 257 + 2 = 259: it fits whole.
        {std::string(257, 'a') + kana + "z", std::string(257, 'a') + kana},
        // All double-byte: 129 characters are 258 bytes, the 130th would end at 260.
        {[&] { std::string s; for (int i = 0; i < 300; ++i) s += kana; return s; }(),
         [&] { std::string s; for (int i = 0; i < 129; ++i) s += kana; return s; }()},
        // An odd start: 1 + 129 * 2 = 259.
        {"h" + [&] { std::string s; for (int i = 0; i < 200; ++i) s += kana; return s; }(),
         "h" + [&] { std::string s; for (int i = 0; i < 129; ++i) s += kana; return s; }()},
    };
    for (const Row& r : rows) {
        const std::string got = CutLinkUrl(r.url);
        EXPECT_EQ(got.size(), r.cut.size());
        EXPECT_EQ(got, r.cut);
        EXPECT_LE(got.size(), kLinkUrlMaxBytes);
    }
}

}  // namespace
}  // namespace kb::launcher
