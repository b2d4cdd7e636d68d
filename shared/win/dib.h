// A 32-bit top-down DIB section with its own memory DC: the back buffers of
// the windows and the pictures decoded from bitmap files.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <utility>

#include "shared/win/handles.h"

namespace kb::win {

// Pixels are 0x00RRGGBB, rows top to bottom; the platform's colour numbers
// (COLORREF) are 0x00BBGGRR.
constexpr uint32_t RgbFromColorRef(COLORREF c) {
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
constexpr COLORREF ColorRefFromRgb(uint32_t rgb) {
    return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
}

class DibBitmap {
public:
    DibBitmap() = default;
    DibBitmap(const DibBitmap&) = delete;
    DibBitmap& operator=(const DibBitmap&) = delete;
    DibBitmap(DibBitmap&& other) noexcept { *this = std::move(other); }
    DibBitmap& operator=(DibBitmap&& other) noexcept {
        if (this != &other) {
            bitmap_ = std::move(other.bitmap_);
            width_ = std::exchange(other.width_, 0);
            height_ = std::exchange(other.height_, 0);
            bits_ = std::exchange(other.bits_, nullptr);
        }
        return *this;
    }

    // width x height black pixels; 0 x 0 (empty) is allowed. False, the bitmap
    // then empty, for a negative size or when the platform refuses it.
    bool Create(int width, int height);
    // A copy of pixels (width * height values, 0x00RRGGBB, top-down).
    bool Assign(int width, int height, const uint32_t* pixels);
    // A copy of another bitmap.
    bool CopyFrom(const DibBitmap& other);
    void Clear() { *this = DibBitmap(); }

    bool Empty() const { return width_ == 0 || height_ == 0; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    // The pixels, width * height; null when empty.
    uint32_t* Pixels() { return bits_; }
    const uint32_t* Pixels() const { return bits_; }
    // The pixel at (x, y); 0 outside the bitmap.
    uint32_t Pixel(int x, int y) const;
    HBITMAP Handle() const { return bitmap_.Get(); }

    void Fill(uint32_t rgb) { FillRect(0, 0, width_, height_, rgb); }
    void FillRect(int x, int y, int width, int height, uint32_t rgb);
    // Copies source to (x, y), clipped to this bitmap. With a key, source
    // pixels of that colour are left out (what lies beneath stays).
    void Blit(const DibBitmap& source, int x, int y, std::optional<uint32_t> key = std::nullopt);
    // As Blit, the source scaled (nearest pixel) to width x height; with a
    // clip rectangle, only the pixels inside it are written.
    void StretchBlit(const DibBitmap& source, int x, int y, int width, int height,
                     std::optional<uint32_t> key = std::nullopt, const RECT* clip = nullptr);
    // Copies the rectangle (sx, sy, width, height) of this bitmap to dc at (x, y).
    bool DrawTo(HDC dc, int x, int y, int sx, int sy, int width, int height) const;

private:
    int width_ = 0;
    int height_ = 0;
    uint32_t* bits_ = nullptr;
    ScopedBitmap bitmap_;
};

// A memory DC with a bitmap selected for one scope, for GDI text and lines on
// it; GDI's drawing is flushed to the pixels when the canvas ends.
class DibCanvas {
public:
    explicit DibCanvas(DibBitmap& bitmap);
    ~DibCanvas();
    DibCanvas(const DibCanvas&) = delete;
    DibCanvas& operator=(const DibCanvas&) = delete;
    // Null when the bitmap is empty or no DC could be made.
    HDC Get() const { return selected_ ? dc_.Get() : nullptr; }

private:
    ScopedMemoryDc dc_;
    HGDIOBJ previous_ = nullptr;
    bool selected_ = false;
};

}  // namespace kb::win
