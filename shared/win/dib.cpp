#include "shared/win/dib.h"

#include <algorithm>
#include <cstring>

namespace kb::win {

bool DibBitmap::Create(int width, int height) {
    Clear();
    if (width < 0 || height < 0) return false;
    if (width == 0 || height == 0) return true;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    ScopedBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits) return false;
    std::memset(bits, 0, static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    bitmap_ = std::move(bitmap);
    bits_ = static_cast<uint32_t*>(bits);
    width_ = width;
    height_ = height;
    return true;
}

bool DibBitmap::Assign(int width, int height, const uint32_t* pixels) {
    if (!Create(width, height)) return false;
    if (bits_) std::memcpy(bits_, pixels, static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    return true;
}

bool DibBitmap::CopyFrom(const DibBitmap& other) {
    if (&other == this) return true;
    return Assign(other.width_, other.height_, other.bits_);
}

uint32_t DibBitmap::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    return bits_[static_cast<size_t>(y) * width_ + x] & 0xFFFFFF;
}

void DibBitmap::FillRect(int x, int y, int width, int height, uint32_t rgb) {
    const int left = std::max(x, 0), top = std::max(y, 0);
    const int right = std::min(x + width, width_), bottom = std::min(y + height, height_);
    // A rectangle wholly beside the bitmap leaves nothing to fill; its rows
    // alone would have filled past their ends.
    if (left >= right) return;
    for (int row = top; row < bottom; ++row)
        std::fill(bits_ + static_cast<size_t>(row) * width_ + left, bits_ + static_cast<size_t>(row) * width_ + right,
                  rgb & 0xFFFFFF);
}

void DibBitmap::Blit(const DibBitmap& source, int x, int y, std::optional<uint32_t> key) {
    StretchBlit(source, x, y, source.width_, source.height_, key);
}

void DibBitmap::StretchBlit(const DibBitmap& source, int x, int y, int width, int height,
                            std::optional<uint32_t> key, const RECT* clip) {
    if (source.Empty() || width <= 0 || height <= 0 || Empty()) return;
    int left = std::max(x, 0), top = std::max(y, 0);
    int right = std::min(x + width, width_), bottom = std::min(y + height, height_);
    if (clip) {
        left = std::max<int>(left, clip->left);
        top = std::max<int>(top, clip->top);
        right = std::min<int>(right, clip->right);
        bottom = std::min<int>(bottom, clip->bottom);
    }
    for (int row = top; row < bottom; ++row) {
        const int sy = static_cast<int>(static_cast<int64_t>(row - y) * source.height_ / height);
        const uint32_t* from = source.bits_ + static_cast<size_t>(sy) * source.width_;
        uint32_t* to = bits_ + static_cast<size_t>(row) * width_;
        for (int col = left; col < right; ++col) {
            const int sx = static_cast<int>(static_cast<int64_t>(col - x) * source.width_ / width);
            const uint32_t p = from[sx] & 0xFFFFFF;
            if (key && p == (*key & 0xFFFFFF)) continue;
            to[col] = p;
        }
    }
}

bool DibBitmap::DrawTo(HDC dc, int x, int y, int sx, int sy, int width, int height) const {
    if (Empty()) return false;
    ScopedMemoryDc memory(CreateCompatibleDC(dc));
    if (!memory) return false;
    ScopedSelect select(memory.Get(), bitmap_.Get());
    return BitBlt(dc, x, y, width, height, memory.Get(), sx, sy, SRCCOPY) != FALSE;
}

DibCanvas::DibCanvas(DibBitmap& bitmap) {
    if (bitmap.Empty()) return;
    dc_.Reset(CreateCompatibleDC(nullptr));
    if (!dc_) return;
    previous_ = SelectObject(dc_.Get(), bitmap.Handle());
    selected_ = previous_ && previous_ != HGDI_ERROR;
}

DibCanvas::~DibCanvas() {
    GdiFlush();
    if (selected_) SelectObject(dc_.Get(), previous_);
}

}  // namespace kb::win
