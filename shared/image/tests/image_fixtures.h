// Hand-built BMP files and region entries for the decoder tests.
#pragma once
#include <cstdint>
#include <optional>
#include <vector>

namespace kb::image::testing {

inline void PutLe(std::vector<std::uint8_t>& out, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

struct BmpLayout {
    std::uint32_t headerSize = 40;
    std::int32_t width = 1;
    std::int32_t height = 1;
    std::uint16_t planes = 1;
    std::uint16_t bpp = 24;
    std::uint32_t compression = 0;
    std::uint32_t colorsUsed = 0;
    std::vector<std::uint32_t> palette;  // 0x00RRGGBB, written as the header size asks
    std::vector<std::uint32_t> masks;    // after a 40-byte header, or inside a longer one
    std::vector<std::uint8_t> rows;      // pixel rows as stored, padding included
    std::optional<std::uint32_t> pixelOffset;  // default: right after the table
};

inline std::vector<std::uint8_t> MakeBmp(const BmpLayout& s) {
    std::vector<std::uint8_t> info;
    const bool core = s.headerSize == 12;
    PutLe(info, s.headerSize, 4);
    if (core) {
        PutLe(info, static_cast<std::uint32_t>(s.width), 2);
        PutLe(info, static_cast<std::uint32_t>(s.height), 2);
        PutLe(info, s.planes, 2);
        PutLe(info, s.bpp, 2);
    } else {
        PutLe(info, static_cast<std::uint32_t>(s.width), 4);
        PutLe(info, static_cast<std::uint32_t>(s.height), 4);
        PutLe(info, s.planes, 2);
        PutLe(info, s.bpp, 2);
        PutLe(info, s.compression, 4);
        PutLe(info, s.rows.size(), 4);
        PutLe(info, 2835, 4);
        PutLe(info, 2835, 4);
        PutLe(info, s.colorsUsed, 4);
        PutLe(info, 0, 4);
        std::size_t m = 0;
        while (info.size() < s.headerSize) PutLe(info, m < s.masks.size() && info.size() < 56 ? s.masks[m++] : 0, 4);
        info.resize(s.headerSize);
        if (s.headerSize == 40)
            for (std::uint32_t mask : s.masks) PutLe(info, mask, 4);
    }
    for (std::uint32_t c : s.palette) {
        PutLe(info, c & 0xFF, 1);
        PutLe(info, (c >> 8) & 0xFF, 1);
        PutLe(info, (c >> 16) & 0xFF, 1);
        if (!core) PutLe(info, 0, 1);
    }
    const std::uint32_t offset = s.pixelOffset.value_or(static_cast<std::uint32_t>(14 + info.size()));
    std::vector<std::uint8_t> file;
    PutLe(file, 0x4D42, 2);
    PutLe(file, offset + s.rows.size(), 4);
    PutLe(file, 0, 4);
    PutLe(file, offset, 4);
    file.insert(file.end(), info.begin(), info.end());
    if (file.size() < offset) file.resize(offset, 0);
    file.insert(file.end(), s.rows.begin(), s.rows.end());
    return file;
}

struct Rect {
    std::int32_t left, top, right, bottom;
};

// A region entry: byte count, header, rectangles. count and rectBytes follow
// the rectangles unless given; n is the stored count (default: the block's size).
struct RegionLayout {
    std::vector<Rect> rects;
    Rect bound{0, 0, 0, 0};
    std::uint32_t headerSize = 32;
    std::uint32_t type = 1;
    std::optional<std::uint32_t> count;
    std::optional<std::uint32_t> rectBytes;
    std::optional<std::uint32_t> n;
    std::size_t trailing = 0;  // bytes after the block
};

inline std::vector<std::uint8_t> MakeRegion(const RegionLayout& s) {
    std::vector<std::uint8_t> block;
    PutLe(block, s.headerSize, 4);
    PutLe(block, s.type, 4);
    PutLe(block, s.count.value_or(static_cast<std::uint32_t>(s.rects.size())), 4);
    PutLe(block, s.rectBytes.value_or(static_cast<std::uint32_t>(s.rects.size() * 16)), 4);
    for (std::int32_t v : {s.bound.left, s.bound.top, s.bound.right, s.bound.bottom})
        PutLe(block, static_cast<std::uint32_t>(v), 4);
    for (const Rect& r : s.rects)
        for (std::int32_t v : {r.left, r.top, r.right, r.bottom}) PutLe(block, static_cast<std::uint32_t>(v), 4);
    std::vector<std::uint8_t> entry;
    PutLe(entry, s.n.value_or(static_cast<std::uint32_t>(block.size())), 4);
    // Byte by byte: the 32-bit compiler takes a range insert here for an overflow.
    for (std::uint8_t byte : block) entry.push_back(byte);
    entry.resize(entry.size() + s.trailing, 0xCC);
    return entry;
}

}  // namespace kb::image::testing
