// Checked decoder of Windows BMP files (device-independent bitmaps) as skin
// archives and the launcher's splash hold them. Portable: no Windows header.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kb::image {

// A decoded picture: width x height pixels, rows from the top, each pixel
// 0x00RRGGBB (the byte order of a 32-bit top-down DIB section's memory).
struct Bitmap {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // top-down rows, 0x00RRGGBB
    bool Empty() const { return width == 0 || height == 0; }
};

// Limits of what DecodeBmp accepts: each side at most kMaxBmpSide pixels and
// at most kMaxBmpPixels pixels in all, checked before anything is allocated.
constexpr int kMaxBmpSide = 16384;
constexpr std::uint64_t kMaxBmpPixels = std::uint64_t{8192} * 8192;

// Decodes the whole BMP file in data[0, size) (file header, info header,
// colour masks and table, pixel rows) into out. The caller keeps data.
//
// Accepted: info headers of 12 (core), 40, 52, 56, 64 (OS/2's second form,
// without its Huffman and 24-bit run-length codings), 108 and 124 bytes with
// one plane; 1, 4 and 8 bits per pixel through a colour table of at most 2^bpp
// entries (an index beyond the table gives black); 16 and 32 bits uncompressed
// (5-5-5 and x-8-8-8) or with contiguous colour masks; 24 bits uncompressed;
// rows bottom-up or, with a negative height, top-down, each padded to 4 bytes.
// Every row must lie inside data. 8 and 4 bits run-length coded, bottom-up:
// every run and delta inside the image, the stream inside data and closed by
// its end-of-bitmap escape; pixels the stream skips are black. Embedded JPEG
// or PNG pixels are not read.
//
// True with out filled. False for anything malformed, truncated, of another
// depth or compression, or beyond the limits; out is then empty (0 x 0, no
// pixels) whatever it held.
bool DecodeBmp(const std::uint8_t* data, std::size_t size, Bitmap& out);

// The 0x00RRGGBB pixel of the platform colour number 0x00BBGGRR (the colour
// keys of the skins are written that way); the top byte is dropped.
constexpr std::uint32_t PixelFromColorRef(std::uint32_t colorRef) {
    return ((colorRef & 0xFFu) << 16) | (colorRef & 0xFF00u) | ((colorRef >> 16) & 0xFFu);
}

}  // namespace kb::image
