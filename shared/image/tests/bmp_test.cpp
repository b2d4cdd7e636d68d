// The BMP decoder: the depths and header forms the skins use, and hostile files.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

#include "shared/image/bmp.h"
#include "shared/image/tests/image_fixtures.h"

namespace kb::image {
namespace {

using testing::BmpLayout;
using testing::MakeBmp;

Bitmap Decoded(const std::vector<std::uint8_t>& file) {
    Bitmap out;
    EXPECT_TRUE(DecodeBmp(file.data(), file.size(), out));
    return out;
}

// 3 x 2, 24 bits: the stored rows are bottom-up, 9 bytes of pixels padded to 12.
BmpLayout ThreeByTwo24() {
    BmpLayout s;
    s.width = 3;
    s.height = 2;
    s.rows = {
        0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0xEE, 0xEE, 0xEE,  // bottom row
        0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0xEE, 0xEE, 0xEE,  // top row
    };
    return s;
}

constexpr std::uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF;

// 4 x 3, 8 bits run-length coded. Bottom row: a run of one, then an absolute
// run of three with its pad byte; middle row: a run of two and the line's
// end; top row: a delta over two pixels, a run of two, the end of the bitmap.
BmpLayout FourByThreeRle8() {
    BmpLayout s;
    s.width = 4;
    s.height = 3;
    s.bpp = 8;
    s.compression = 1;
    s.colorsUsed = 5;
    s.palette = {0x000000, kRed, kGreen, kBlue, kWhite};
    s.rows = {
        0x01, 0x01, 0x00, 0x03, 0x02, 0x03, 0x04, 0x00, 0x00, 0x00,  // red; green, blue, white; end of line
        0x02, 0x04, 0x00, 0x00,                                      // white, white; end of line
        0x00, 0x02, 0x02, 0x00, 0x02, 0x03, 0x00, 0x01,              // skip two; blue, blue; end of bitmap
    };
    return s;
}

// 5 x 2, 4 bits run-length coded: a run of alternating indices, and an
// absolute run of five (three bytes, padded to four).
BmpLayout FiveByTwoRle4() {
    BmpLayout s;
    s.width = 5;
    s.height = 2;
    s.bpp = 4;
    s.compression = 2;
    s.palette = std::vector<std::uint32_t>(16, 0x123456);
    s.palette[1] = kRed;
    s.palette[2] = kGreen;
    s.palette[3] = kBlue;
    s.rows = {
        0x05, 0x12, 0x00, 0x00,                    // red, green, red, green, red; end of line
        0x00, 0x05, 0x31, 0x23, 0x10, 0x00,        // blue, red, green, blue, red; pad
        0x00, 0x01,                                // end of bitmap
    };
    return s;
}

TEST(DecodeBmp, RunLengthStreams) {
    const std::uint32_t k = 0x000000;  // what a stream skips
    EXPECT_EQ(Decoded(MakeBmp(FourByThreeRle8())).pixels, (std::vector<std::uint32_t>{
                                                               k, k, kBlue, kBlue,           // top
                                                               kWhite, kWhite, k, k,         //
                                                               kRed, kGreen, kBlue, kWhite,  // bottom
                                                           }));
    EXPECT_EQ(Decoded(MakeBmp(FiveByTwoRle4())).pixels,
              (std::vector<std::uint32_t>{kBlue, kRed, kGreen, kBlue, kRed, kRed, kGreen, kRed, kGreen, kRed}));

    struct Row {
        const char* name;
        std::vector<std::uint8_t> stream;
        std::vector<std::uint32_t> pixels;  // 3 x 2, top row first; none: refused
    };
    const Row rows[] = {
        {"end of bitmap at once", {0x00, 0x01}, {k, k, k, k, k, k}},
        {"a run to the row's end, no line end", {0x03, 0x01, 0x00, 0x01}, {k, k, k, kRed, kRed, kRed}},
        {"delta to the far edge, then a line end", {0x00, 0x02, 0x03, 0x00, 0x00, 0x00, 0x01, 0x02, 0x00, 0x01},
         {kGreen, k, k, k, k, k}},
        {"delta up a row", {0x00, 0x02, 0x01, 0x01, 0x02, 0x03, 0x00, 0x01}, {k, kBlue, kBlue, k, k, k}},
        {"absolute run longer than the row", {0x00, 0x04, 0x01, 0x02, 0x03, 0x04, 0x00, 0x01}, {}},
        {"a line end after the last row", {0x00, 0x00, 0x00, 0x00, 0x00, 0x01}, {k, k, k, k, k, k}},
        {"index beyond the table", {0x01, 0x09, 0x00, 0x01}, {k, k, k, k, k, k}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        BmpLayout s = FourByThreeRle8();
        s.width = 3;
        s.height = 2;
        s.rows = r.stream;
        Bitmap out;
        const auto file = MakeBmp(s);
        if (r.pixels.empty()) {
            EXPECT_FALSE(DecodeBmp(file.data(), file.size(), out));
            continue;
        }
        EXPECT_EQ(Decoded(file).pixels, r.pixels);
    }
}

#ifdef _WIN32
// The file drawn by the platform's own decoder onto a black 32-bit top-down
// surface of its size, as 0x00RRGGBB pixels.
std::vector<std::uint32_t> DrawnByThePlatform(const std::vector<std::uint8_t>& file, int width, int height) {
    std::uint32_t offset = 0;
    std::memcpy(&offset, file.data() + 10, 4);
    BITMAPINFO target{};
    target.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    target.bmiHeader.biWidth = width;
    target.bmiHeader.biHeight = -height;
    target.bmiHeader.biPlanes = 1;
    target.bmiHeader.biBitCount = 32;
    target.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP surface = CreateDIBSection(dc, &target, DIB_RGB_COLORS, &bits, nullptr, 0);
    std::vector<std::uint32_t> pixels;
    if (dc && surface && bits) {
        std::memset(bits, 0, static_cast<std::size_t>(width) * height * 4);
        HGDIOBJ old = SelectObject(dc, surface);
        const int lines = StretchDIBits(dc, 0, 0, width, height, 0, 0, width, height, file.data() + offset,
                                        reinterpret_cast<const BITMAPINFO*>(file.data() + 14), DIB_RGB_COLORS, SRCCOPY);
        GdiFlush();
        if (lines > 0) {
            const auto* p = static_cast<const std::uint32_t*>(bits);
            for (int i = 0; i < width * height; ++i) pixels.push_back(p[i] & 0xFFFFFF);
        }
        SelectObject(dc, old);
    }
    if (surface) DeleteObject(surface);
    if (dc) DeleteDC(dc);
    return pixels;
}

TEST(DecodeBmp, RunLengthPicturesMatchThePlatformsOwnDrawing) {
    for (const BmpLayout& layout : {FourByThreeRle8(), FiveByTwoRle4()}) {
        const auto file = MakeBmp(layout);
        EXPECT_EQ(Decoded(file).pixels, DrawnByThePlatform(file, layout.width, layout.height));
    }
}
#endif

TEST(DecodeBmp, Os2SecondHeaderReadsAsTheInfoHeader) {
    BmpLayout s = ThreeByTwo24();
    s.headerSize = 64;
    EXPECT_EQ(Decoded(MakeBmp(s)).pixels, Decoded(MakeBmp(ThreeByTwo24())).pixels);
    s = FourByThreeRle8();
    s.headerSize = 64;
    EXPECT_EQ(Decoded(MakeBmp(s)).pixels, Decoded(MakeBmp(FourByThreeRle8())).pixels);
    s = ThreeByTwo24();
    s.headerSize = 64;
    s.masks = {1, 2, 3};  // OS/2's own fields, not masks
    EXPECT_EQ(Decoded(MakeBmp(s)).pixels, Decoded(MakeBmp(ThreeByTwo24())).pixels);
}

TEST(DecodeBmp, TwentyFourBitsBottomUpAndTopDown) {
    Bitmap b = Decoded(MakeBmp(ThreeByTwo24()));
    ASSERT_EQ(b.width, 3);
    ASSERT_EQ(b.height, 2);
    EXPECT_EQ(b.pixels, (std::vector<std::uint32_t>{0x131211, 0x161514, 0x191817, 0x030201, 0x060504, 0x090807}));

    BmpLayout topDown = ThreeByTwo24();
    topDown.height = -2;
    b = Decoded(MakeBmp(topDown));
    ASSERT_EQ(b.height, 2);
    EXPECT_EQ(b.pixels, (std::vector<std::uint32_t>{0x030201, 0x060504, 0x090807, 0x131211, 0x161514, 0x191817}));
}

TEST(DecodeBmp, DepthsAndHeaderForms) {
    const std::uint32_t red = 0xFF0000, green = 0x00FF00, blue = 0x0000FF, white = 0xFFFFFF;
    struct Row {
        const char* name;
        BmpLayout layout;
        std::vector<std::uint32_t> pixels;
    };
    std::vector<Row> rows;
    {
        BmpLayout s;  // 9 pixels of 1 bit: two bytes, padded to four
        s.width = 9;
        s.bpp = 1;
        s.palette = {blue, white};
        s.rows = {0b10100000, 0b10000000, 0, 0};
        rows.push_back({"1 bit", s, {white, blue, white, blue, blue, blue, blue, blue, white}});
    }
    {
        BmpLayout s;
        s.width = 3;
        s.bpp = 4;
        s.colorsUsed = 3;
        s.palette = {red, green, blue};
        s.rows = {0x21, 0x00, 0, 0};
        rows.push_back({"4 bits, short table", s, {blue, green, red}});
    }
    {
        BmpLayout s;
        s.width = 5;
        s.bpp = 8;
        s.colorsUsed = 2;
        s.palette = {red, green};
        s.rows = {1, 0, 1, 7, 0, 0xEE, 0xEE, 0xEE};
        rows.push_back({"8 bits, index beyond the table is black", s, {green, red, green, 0, red}});
    }
    {
        BmpLayout s;
        s.width = 2;
        s.bpp = 32;
        s.rows = {0x10, 0x20, 0x30, 0xFF, 0x01, 0x02, 0x03, 0x00};
        rows.push_back({"32 bits, top byte ignored", s, {0x302010, 0x030201}});
    }
    {
        BmpLayout s;
        s.width = 2;
        s.bpp = 16;
        s.rows = {0x00, 0x7C, 0x1F, 0x00};  // 5-5-5: pure red, pure blue
        rows.push_back({"16 bits 5-5-5", s, {red, blue}});
    }
    {
        BmpLayout s;
        s.width = 2;
        s.bpp = 16;
        s.compression = 3;
        s.masks = {0xF800, 0x07E0, 0x001F};
        s.rows = {0xE0, 0x07, 0x10, 0x84};  // 5-6-5: pure green, mid grey
        rows.push_back({"16 bits 5-6-5 masks after the header", s, {green, 0x848284}});
    }
    {
        BmpLayout s;
        s.headerSize = 124;
        s.width = 1;
        s.bpp = 32;
        s.compression = 3;
        s.masks = {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000};
        s.rows = {0x11, 0x22, 0x33, 0x44};
        rows.push_back({"32 bits, version 5 header with masks inside", s, {0x112233}});
    }
    {
        BmpLayout s;
        s.headerSize = 108;
        s.width = 1;
        s.rows = {0x01, 0x02, 0x03, 0x00};
        rows.push_back({"version 4 header", s, {0x030201}});
    }
    {
        BmpLayout s;
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
        BmpLayout s;
        s.width = 1;
        s.rows = {0x01, 0x02, 0x03, 0x00};
        s.pixelOffset = 80;  // a gap after the header
        rows.push_back({"pixel rows after a gap", s, {0x030201}});
    }
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Bitmap b = Decoded(MakeBmp(r.layout));
        EXPECT_EQ(b.width, r.layout.width);
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
        BmpLayout s = ThreeByTwo24();
        change(s);
        return MakeBmp(s);
    };
    std::vector<Row> rows = {
        {"empty", {}},
        {"signature only", {'B', 'M'}},
        {"wrong signature", [] { auto f = MakeBmp(ThreeByTwo24()); f[0] = 'X'; return f; }()},
        {"unknown header size", with([](BmpLayout& s) { s.headerSize = 60; })},
        {"width 0", with([](BmpLayout& s) { s.width = 0; })},
        {"height 0", with([](BmpLayout& s) { s.height = 0; })},
        {"negative width", with([](BmpLayout& s) { s.width = -3; })},
        // These carry every row, so only the limit refuses them.
        {"width beyond the side limit",
         with([](BmpLayout& s) { s.width = kMaxBmpSide + 1; s.height = 1; s.rows.assign(49156, 0); })},
        {"height beyond the side limit, top-down",
         with([](BmpLayout& s) { s.width = 1; s.height = -(kMaxBmpSide + 1); s.rows.assign(4 * 16385, 0); })},
        {"most negative height", with([](BmpLayout& s) { s.height = INT32_MIN; })},
        {"huge dimensions", with([](BmpLayout& s) { s.width = s.height = kMaxBmpSide; })},
        {"pixel count beyond the limit",
         with([](BmpLayout& s) { s.width = kMaxBmpSide; s.height = 4097; s.bpp = 1; s.palette = {0, 0};
                               s.rows.assign(std::size_t{2048} * 4097, 0); })},
        {"two planes", with([](BmpLayout& s) { s.planes = 2; })},
        {"2 bits", with([](BmpLayout& s) { s.bpp = 2; })},
        {"0 bits", with([](BmpLayout& s) { s.bpp = 0; })},
        {"64 bits", with([](BmpLayout& s) { s.bpp = 64; })},
        {"run-length 8", with([](BmpLayout& s) { s.bpp = 8; s.compression = 1; })},
        {"embedded JPEG", with([](BmpLayout& s) { s.compression = 4; })},
        {"masks with 24 bits", with([](BmpLayout& s) { s.compression = 3; s.masks = {0xFF0000, 0xFF00, 0xFF}; })},
        {"zero mask", with([](BmpLayout& s) { s.bpp = 32; s.compression = 3; s.masks = {0xFF0000, 0, 0xFF}; })},
        {"split mask", with([](BmpLayout& s) { s.bpp = 16; s.compression = 3; s.masks = {0xF00F, 0x0F0, 0x00}; })},
        {"mask beyond 16 bits", with([](BmpLayout& s) { s.bpp = 16; s.compression = 3; s.masks = {0x1F0000, 0x7E0, 0x1F}; })},
        {"table larger than the depth allows",
         with([](BmpLayout& s) { s.bpp = 1; s.colorsUsed = 3; s.palette = {0, 0, 0}; })},
        {"table cut short", with([](BmpLayout& s) { s.bpp = 8; s.colorsUsed = 0; s.palette = {0, 0}; s.rows.clear(); })},
        {"pixel offset beyond the file", with([](BmpLayout& s) { s.pixelOffset = 1000; s.rows.clear(); })},
        {"pixel offset inside the header", with([](BmpLayout& s) { s.pixelOffset = 30; })},
        {"last row one byte short", with([](BmpLayout& s) { s.rows.pop_back(); })},
        {"core header with 16 bits", with([](BmpLayout& s) { s.headerSize = 12; s.bpp = 16; })},
        {"OS/2 Huffman coding", with([](BmpLayout& s) { s.headerSize = 64; s.bpp = 1; s.compression = 3; s.palette = {0, 0}; })},
        {"OS/2 24-bit run-length coding", with([](BmpLayout& s) { s.headerSize = 64; s.compression = 4; })},
    };
    // Run-length streams that leave the image, end early or lack a pad byte.
    auto rle8 = [](std::vector<std::uint8_t> stream, auto change) {
        BmpLayout s = FourByThreeRle8();  // 4 x 3
        s.rows = std::move(stream);
        change(s);
        return MakeBmp(s);
    };
    auto same = [](BmpLayout&) {};
    const std::vector<std::uint8_t> eob = {0x00, 0x01};
    rows.insert(rows.end(), {
        {"8-bit coding of 4 bits", rle8(eob, [](BmpLayout& s) { s.bpp = 4; s.colorsUsed = 0; s.palette.resize(16); })},
        {"4-bit coding of 8 bits", rle8(eob, [](BmpLayout& s) { s.compression = 2; })},
        {"run-length top-down", rle8(eob, [](BmpLayout& s) { s.height = -3; })},
        {"run-length with 24 bits", rle8(eob, [](BmpLayout& s) { s.bpp = 24; s.palette.clear(); s.colorsUsed = 0; })},
        {"run past the row's end", rle8({0x05, 0x01, 0x00, 0x01}, same)},
        {"run after a run to the row's end", rle8({0x04, 0x01, 0x01, 0x01, 0x00, 0x01}, same)},
        {"run above the last row", rle8({0, 0, 0, 0, 0, 0, 0x01, 0x01, 0x00, 0x01}, same)},
        {"line end above the last row", rle8({0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x01}, same)},
        {"delta past the right edge", rle8({0x00, 0x02, 0x05, 0x00, 0x00, 0x01}, same)},
        {"delta past the top", rle8({0x00, 0x02, 0x00, 0x03, 0x00, 0x01}, same)},
        {"delta of 255 rows", rle8({0x00, 0x02, 0x00, 0xFF, 0x00, 0x01}, same)},
        {"delta cut short", rle8({0x00, 0x02, 0x01}, same)},
        {"absolute run past the row's end", rle8({0x00, 0x05, 1, 1, 1, 1, 1, 0, 0x00, 0x01}, same)},
        {"absolute run lacks its bytes", rle8({0x00, 0x03, 0x01, 0x02}, same)},
        {"absolute run lacks its pad", rle8({0x00, 0x03, 0x01, 0x02, 0x03}, same)},
        {"no end of bitmap", rle8({0x04, 0x01, 0x00, 0x00}, same)},
        {"empty stream", rle8({}, same)},
        {"odd byte at the end", rle8({0x00}, same)},
        {"4-bit absolute run lacks its pad",
         [] { BmpLayout s = FiveByTwoRle4(); s.rows = {0x00, 0x05, 0x31, 0x23, 0x10}; return MakeBmp(s); }()},
        {"4-bit run past the row's end",
         [] { BmpLayout s = FiveByTwoRle4(); s.rows = {0x06, 0x12, 0x00, 0x01}; return MakeBmp(s); }()},
    });
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
    for (BmpLayout layout : {ThreeByTwo24(), FourByThreeRle8(), FiveByTwoRle4(), [] {
             BmpLayout s;
             s.width = 3;
             s.bpp = 4;
             s.palette = std::vector<std::uint32_t>(16, 0x123456);
             s.rows = {0x12, 0x30, 0, 0};
             return s;
         }()}) {
        const auto file = MakeBmp(layout);
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
