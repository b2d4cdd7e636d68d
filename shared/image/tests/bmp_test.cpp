// The BMP decoder: the depths and header forms the skins use, and hostile files.
#include <gtest/gtest.h>

#include <string>

#include "shared/image/bmp.h"
#include "shared/image/tests/image_fixtures.h"

namespace kb::image {
namespace {

using testing::BmpSpec;
using testing::MakeBmp;

Bitmap Decoded(const std::vector<std::uint8_t>& file) {
    Bitmap out;
    EXPECT_TRUE(DecodeBmp(file.data(), file.size(), out));
    return out;
}

// 3 x 2, 24 bits: the stored rows are bottom-up, 9 bytes of pixels padded to 12.
BmpSpec ThreeByTwo24() {
    BmpSpec s;
    s.width = 3;
    s.height = 2;
    s.rows = {
        0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0xEE, 0xEE, 0xEE,  // bottom row
        0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0xEE, 0xEE, 0xEE,  // top row
    };
    return s;
}

TEST(DecodeBmp, TwentyFourBitsBottomUpAndTopDown) {
    Bitmap b = Decoded(MakeBmp(ThreeByTwo24()));
    ASSERT_EQ(b.width, 3);
    ASSERT_EQ(b.height, 2);
    EXPECT_EQ(b.pixels, (std::vector<std::uint32_t>{0x131211, 0x161514, 0x191817, 0x030201, 0x060504, 0x090807}));

    BmpSpec topDown = ThreeByTwo24();
    topDown.height = -2;
    b = Decoded(MakeBmp(topDown));
    ASSERT_EQ(b.height, 2);
    EXPECT_EQ(b.pixels, (std::vector<std::uint32_t>{0x030201, 0x060504, 0x090807, 0x131211, 0x161514, 0x191817}));
}

TEST(DecodeBmp, DepthsAndHeaderForms) {
    const std::uint32_t red = 0xFF0000, green = 0x00FF00, blue = 0x0000FF, white = 0xFFFFFF;
    struct Row {
        const char* name;
        BmpSpec spec;
        std::vector<std::uint32_t> pixels;
    };
    std::vector<Row> rows;
    {
        BmpSpec s;  // 9 pixels of 1 bit: two bytes, padded to four
        s.width = 9;
        s.bpp = 1;
        s.palette = {blue, white};
        s.rows = {0b10100000, 0b10000000, 0, 0};
        rows.push_back({"1 bit", s, {white, blue, white, blue, blue, blue, blue, blue, white}});
    }
    {
        BmpSpec s;
        s.width = 3;
        s.bpp = 4;
        s.colorsUsed = 3;
        s.palette = {red, green, blue};
        s.rows = {0x21, 0x00, 0, 0};
        rows.push_back({"4 bits, short table", s, {blue, green, red}});
    }
    {
        BmpSpec s;
        s.width = 5;
        s.bpp = 8;
        s.colorsUsed = 2;
        s.palette = {red, green};
        s.rows = {1, 0, 1, 7, 0, 0xEE, 0xEE, 0xEE};
        rows.push_back({"8 bits, index beyond the table is black", s, {green, red, green, 0, red}});
    }
    {
        BmpSpec s;
        s.width = 2;
        s.bpp = 32;
        s.rows = {0x10, 0x20, 0x30, 0xFF, 0x01, 0x02, 0x03, 0x00};
        rows.push_back({"32 bits, top byte ignored", s, {0x302010, 0x030201}});
    }
    {
        BmpSpec s;
        s.width = 2;
        s.bpp = 16;
        s.rows = {0x00, 0x7C, 0x1F, 0x00};  // 5-5-5: pure red, pure blue
        rows.push_back({"16 bits 5-5-5", s, {red, blue}});
    }
    {
        BmpSpec s;
        s.width = 2;
        s.bpp = 16;
        s.compression = 3;
        s.masks = {0xF800, 0x07E0, 0x001F};
        s.rows = {0xE0, 0x07, 0x10, 0x84};  // 5-6-5: pure green, mid grey
        rows.push_back({"16 bits 5-6-5 masks after the header", s, {green, 0x848284}});
    }
    {
        BmpSpec s;
        s.headerSize = 124;
        s.width = 1;
        s.bpp = 32;
        s.compression = 3;
        s.masks = {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000};
        s.rows = {0x11, 0x22, 0x33, 0x44};
        rows.push_back({"32 bits, version 5 header with masks inside", s, {0x112233}});
    }
    {
        BmpSpec s;
        s.headerSize = 108;
        s.width = 1;
        s.rows = {0x01, 0x02, 0x03, 0x00};
        rows.push_back({"version 4 header", s, {0x030201}});
    }
    {
        BmpSpec s;
        s.headerSize = 12;
        s.width = 2;
        s.bpp = 8;
        s.palette.assign(256, 0);
        s.palette[1] = green;
        s.palette[255] = red;
        s.rows = {255, 1, 0, 0};
        rows.push_back({"core header, three-byte table", s, {red, green}});
    }
    {
        BmpSpec s;
        s.width = 1;
        s.rows = {0x01, 0x02, 0x03, 0x00};
        s.pixelOffset = 80;  // a gap after the header
        rows.push_back({"pixel rows after a gap", s, {0x030201}});
    }
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Bitmap b = Decoded(MakeBmp(r.spec));
        EXPECT_EQ(b.width, r.spec.width);
        EXPECT_EQ(b.height, 1);
        EXPECT_EQ(b.pixels, r.pixels);
    }
}

TEST(DecodeBmp, RefusesHostileFilesAndLeavesNothing) {
    struct Row {
        const char* name;
        std::vector<std::uint8_t> file;
    };
    auto with = [](auto change) {
        BmpSpec s = ThreeByTwo24();
        change(s);
        return MakeBmp(s);
    };
    std::vector<Row> rows = {
        {"empty", {}},
        {"signature only", {'B', 'M'}},
        {"wrong signature", [] { auto f = MakeBmp(ThreeByTwo24()); f[0] = 'X'; return f; }()},
        {"unknown header size", with([](BmpSpec& s) { s.headerSize = 64; })},
        {"width 0", with([](BmpSpec& s) { s.width = 0; })},
        {"height 0", with([](BmpSpec& s) { s.height = 0; })},
        {"negative width", with([](BmpSpec& s) { s.width = -3; })},
        // These carry every row, so only the limit refuses them.
        {"width beyond the side limit",
         with([](BmpSpec& s) { s.width = kMaxBmpSide + 1; s.height = 1; s.rows.assign(49156, 0); })},
        {"height beyond the side limit, top-down",
         with([](BmpSpec& s) { s.width = 1; s.height = -(kMaxBmpSide + 1); s.rows.assign(4 * 16385, 0); })},
        {"most negative height", with([](BmpSpec& s) { s.height = INT32_MIN; })},
        {"huge dimensions", with([](BmpSpec& s) { s.width = s.height = kMaxBmpSide; })},
        {"pixel count beyond the limit",
         with([](BmpSpec& s) { s.width = kMaxBmpSide; s.height = 4097; s.bpp = 1; s.palette = {0, 0};
                               s.rows.assign(std::size_t{2048} * 4097, 0); })},
        {"two planes", with([](BmpSpec& s) { s.planes = 2; })},
        {"2 bits", with([](BmpSpec& s) { s.bpp = 2; })},
        {"0 bits", with([](BmpSpec& s) { s.bpp = 0; })},
        {"64 bits", with([](BmpSpec& s) { s.bpp = 64; })},
        {"run-length 8", with([](BmpSpec& s) { s.bpp = 8; s.compression = 1; })},
        {"embedded JPEG", with([](BmpSpec& s) { s.compression = 4; })},
        {"masks with 24 bits", with([](BmpSpec& s) { s.compression = 3; s.masks = {0xFF0000, 0xFF00, 0xFF}; })},
        {"zero mask", with([](BmpSpec& s) { s.bpp = 32; s.compression = 3; s.masks = {0xFF0000, 0, 0xFF}; })},
        {"split mask", with([](BmpSpec& s) { s.bpp = 16; s.compression = 3; s.masks = {0xF00F, 0x0F0, 0x00}; })},
        {"mask beyond 16 bits", with([](BmpSpec& s) { s.bpp = 16; s.compression = 3; s.masks = {0x1F0000, 0x7E0, 0x1F}; })},
        {"table larger than the depth allows",
         with([](BmpSpec& s) { s.bpp = 1; s.colorsUsed = 3; s.palette = {0, 0, 0}; })},
        {"table cut short", with([](BmpSpec& s) { s.bpp = 8; s.colorsUsed = 0; s.palette = {0, 0}; s.rows.clear(); })},
        {"pixel offset beyond the file", with([](BmpSpec& s) { s.pixelOffset = 1000; s.rows.clear(); })},
        {"pixel offset inside the header", with([](BmpSpec& s) { s.pixelOffset = 30; })},
        {"last row one byte short", with([](BmpSpec& s) { s.rows.pop_back(); })},
        {"core header with 16 bits", with([](BmpSpec& s) { s.headerSize = 12; s.bpp = 16; })},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Bitmap out{2, 2, {1, 2, 3, 4}};
        EXPECT_FALSE(DecodeBmp(r.file.data(), r.file.size(), out));
        EXPECT_EQ(out.width, 0);
        EXPECT_EQ(out.height, 0);
        EXPECT_TRUE(out.pixels.empty());
    }
    Bitmap out{2, 2, {1, 2, 3, 4}};
    EXPECT_FALSE(DecodeBmp(nullptr, 100, out));
    EXPECT_TRUE(out.Empty());
}

TEST(DecodeBmp, EveryTruncationIsRefused) {
    for (BmpSpec spec : {ThreeByTwo24(), [] {
             BmpSpec s;
             s.width = 3;
             s.bpp = 4;
             s.palette = std::vector<std::uint32_t>(16, 0x123456);
             s.rows = {0x12, 0x30, 0, 0};
             return s;
         }()}) {
        const auto file = MakeBmp(spec);
        for (std::size_t n = 0; n < file.size(); ++n) {
            SCOPED_TRACE(n);
            Bitmap out;
            EXPECT_FALSE(DecodeBmp(file.data(), n, out));
            EXPECT_TRUE(out.Empty());
        }
        Bitmap out;
        EXPECT_TRUE(DecodeBmp(file.data(), file.size(), out));
    }
}

TEST(PixelFromColorRef, SwapsRedAndBlue) {
    EXPECT_EQ(PixelFromColorRef(0x00FF00FF), 0x00FF00FFu);
    EXPECT_EQ(PixelFromColorRef(0x00123456), 0x00563412u);
    EXPECT_EQ(PixelFromColorRef(0xFF0000FF), 0x00FF0000u);
}

}  // namespace
}  // namespace kb::image
