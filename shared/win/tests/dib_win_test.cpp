// The DIB bitmap: colour numbers, clipped and colour-keyed copies, GDI drawing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shared/win/dib.h"

namespace {

using kb::win::DibBitmap;

TEST(Dib, ColourNumbersSwapRedAndBlue) {
    EXPECT_EQ(kb::win::RgbFromColorRef(RGB(0x11, 0x22, 0x33)), 0x112233u);
    EXPECT_EQ(kb::win::ColorRefFromRgb(0x112233), RGB(0x11, 0x22, 0x33));
}

TEST(Dib, CreateAssignAndRefuse) {
    DibBitmap b;
    EXPECT_TRUE(b.Empty());
    EXPECT_FALSE(b.Create(-1, 4));
    EXPECT_TRUE(b.Create(0, 0));
    EXPECT_TRUE(b.Empty());
    const std::vector<uint32_t> px = {0x010203, 0x040506, 0x070809, 0x0A0B0C, 0x0D0E0F, 0x101112};
    ASSERT_TRUE(b.Assign(3, 2, px.data()));
    EXPECT_EQ(b.Pixel(0, 0), 0x010203u);
    EXPECT_EQ(b.Pixel(2, 1), 0x101112u);
    EXPECT_EQ(b.Pixel(3, 0), 0u);  // outside
    DibBitmap moved(std::move(b));
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(b.Pixels(), nullptr);
    EXPECT_EQ(moved.Pixel(1, 0), 0x040506u);
}

// A rectangle beside the bitmap, on its rows or its columns (a control left
// of a windowed child that composes its parent's background), fills nothing.
TEST(Dib, FillOutsideTheBitmapChangesNothing) {
    DibBitmap b;
    ASSERT_TRUE(b.Create(8, 6));
    b.FillRect(0, 0, 8, 6, 0x123456);
    const struct {
        int x, y, width, height;
    } outside[] = {{-30, 1, 10, 3}, {10, 1, 5, 3}, {1, -20, 3, 10}, {1, 9, 3, 4}, {-5, -5, 5, 5}, {8, 6, 4, 4}};
    for (const auto& r : outside) {
        SCOPED_TRACE(std::to_string(r.x) + "," + std::to_string(r.y));
        b.FillRect(r.x, r.y, r.width, r.height, 0xFF0000);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 8; ++x) ASSERT_EQ(b.Pixel(x, y), 0x123456u) << x << "," << y;
    }
    b.FillRect(-2, 4, 4, 9, 0xFF0000);  // the part inside is filled
    EXPECT_EQ(b.Pixel(1, 5), 0xFF0000u);
    EXPECT_EQ(b.Pixel(2, 5), 0x123456u);
    EXPECT_EQ(b.Pixel(1, 3), 0x123456u);
}

TEST(Dib, BlitClipsAndLeavesKeyedPixels) {
    DibBitmap back;
    ASSERT_TRUE(back.Create(4, 4));
    back.Fill(0x0000FF);
    DibBitmap spot;
    const std::vector<uint32_t> px = {0xFF00FF, 0x00FF00, 0x00FF00, 0xFF00FF};
    ASSERT_TRUE(spot.Assign(2, 2, px.data()));
    back.Blit(spot, 3, 3, 0xFF00FF);  // only (3,3) is inside, and keyed
    EXPECT_EQ(back.Pixel(3, 3), 0x0000FFu);
    back.Blit(spot, -1, 0, 0xFF00FF);  // column 1 of the source lands at x 0
    EXPECT_EQ(back.Pixel(0, 0), 0x00FF00u);
    EXPECT_EQ(back.Pixel(0, 1), 0x0000FFu);  // keyed: the background stays
    back.Blit(spot, 1, 1);  // no key: every pixel copied
    EXPECT_EQ(back.Pixel(1, 1), 0xFF00FFu);
    back.StretchBlit(spot, 0, 2, 4, 2);
    EXPECT_EQ(back.Pixel(0, 2), 0xFF00FFu);
    EXPECT_EQ(back.Pixel(3, 2), 0x00FF00u);
    EXPECT_EQ(back.Pixel(3, 3), 0xFF00FFu);
}

TEST(Dib, GdiDrawingReachesThePixels) {
    DibBitmap b;
    ASSERT_TRUE(b.Create(10, 10));
    {
        kb::win::DibCanvas canvas(b);
        ASSERT_NE(canvas.Get(), nullptr);
        HBRUSH brush = CreateSolidBrush(RGB(0x20, 0x40, 0x60));
        RECT r = {2, 2, 5, 5};
        FillRect(canvas.Get(), &r, brush);
        DeleteObject(brush);
    }
    EXPECT_EQ(b.Pixel(3, 3), 0x204060u);
    EXPECT_EQ(b.Pixel(6, 6), 0u);
    DibBitmap empty;
    kb::win::DibCanvas none(empty);
    EXPECT_EQ(none.Get(), nullptr);
}

}  // namespace
