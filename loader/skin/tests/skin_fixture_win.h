// Fixture skins for the Wine tests of the skin windows: BMP files, region
// data and a program folder with "skin\Reader.def", "skin\Reader.btn" and
// "skin\Reader.arc" written by the project's own archive writer.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace kb::loader::testing {

// A 24-bit bottom-up BMP file of width x height pixels; pixel(x, y) gives 0x00RRGGBB.
template <class PixelAt>
std::string Bmp24(int width, int height, PixelAt pixel);
std::string SolidBmp(int width, int height, uint32_t rgb);

struct Rect {
    int32_t left, top, right, bottom;
};
// The stored form of a region: byte count, then header and rectangles.
std::string RegionEntry(const std::vector<Rect>& rects, Rect bounds);

// Writes skin\Reader.arc under programDir from (entry name, bytes) pairs
// through the archive writer; the files are staged in stageDir. 0 or the
// writer's code.
int WriteSkinArchive(const std::string& programDir, const std::string& stageDir,
                     const std::vector<std::pair<std::string, std::string>>& entries);
bool WriteFileBytes(const std::string& path, const std::string& bytes);

template <class PixelAt>
std::string Bmp24(int width, int height, PixelAt pixel) {
    const int stride = (width * 3 + 3) & ~3;
    const uint32_t imageSize = static_cast<uint32_t>(stride) * height;
    std::string out;
    auto put16 = [&](uint16_t v) { out += static_cast<char>(v & 0xFF); out += static_cast<char>(v >> 8); };
    auto put32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF); };
    out += "BM";
    put32(14 + 40 + imageSize);
    put32(0);
    put32(14 + 40);
    put32(40);
    put32(static_cast<uint32_t>(width));
    put32(static_cast<uint32_t>(height));
    put16(1);
    put16(24);
    put32(0);  // BI_RGB
    put32(imageSize);
    put32(2835);
    put32(2835);
    put32(0);
    put32(0);
    for (int y = height - 1; y >= 0; --y) {
        std::string row;
        for (int x = 0; x < width; ++x) {
            const uint32_t p = pixel(x, y);
            row += static_cast<char>(p & 0xFF);
            row += static_cast<char>((p >> 8) & 0xFF);
            row += static_cast<char>((p >> 16) & 0xFF);
        }
        row.resize(static_cast<size_t>(stride), '\0');
        out += row;
    }
    return out;
}

}  // namespace kb::loader::testing
