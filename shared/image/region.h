// Checks window-region data as skin archives (".rgn" entries) and the
// launcher's region file hold it, before the platform is given it.
// Portable: no Windows header.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kb::image {

// Stored layout: a 32-bit little-endian byte count N, then N bytes of a
// region-data block: a 32-byte header (header size 32, type 1 = rectangles,
// rectangle count, rectangle byte count, bounding rectangle) followed by the
// rectangles, four 32-bit signed integers each (left, top, right, bottom).
constexpr std::size_t kRegionCountSize = 4;
constexpr std::uint32_t kRegionHeaderSize = 32;
constexpr std::uint32_t kRegionRectangles = 1;
constexpr std::uint32_t kRegionRectSize = 16;
// Bounds of what is accepted: the block at most 16 MiB (a million
// rectangles), every coordinate within the platform's 28-bit range.
constexpr std::uint32_t kMaxRegionBytes = 16u << 20;
constexpr std::int32_t kMaxRegionCoordinate = (1 << 27) - 1;

struct RegionRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

enum class RegionProblem {
    None,
    Empty,          // N is 0: the entry means "no region"
    Short,          // fewer bytes than the count or a header needs
    TooLarge,       // N beyond kMaxRegionBytes
    BadHeader,      // header size is not 32
    BadType,        // not a rectangle list
    CountMismatch,  // rectangles (or their stated byte count) do not fit N, or none
    BadRect,        // a rectangle inverted, out of range or outside the bounds
};

// What the platform's region call needs: the block starts at data + offset
// and byteCount (header and rectangles only, never more than N) is the
// count to pass with it. The block is at a 4-byte offset from data; copy it
// into an aligned buffer when data itself is not aligned.
struct RegionCheck {
    std::size_t offset = 0;
    std::uint32_t byteCount = 0;
    std::uint32_t rectCount = 0;
    RegionRect bounds;  // union of the rectangles
    RegionProblem problem = RegionProblem::None;
};

// Checks the stored region data[0, size) (the caller keeps the bytes):
// N against the bytes present and the limit (bytes after the block are
// ignored), the header's size and type, the rectangle count against N (in
// 64 bits), the stated rectangle byte count (0, or from the rectangles' bytes
// up to what N holds), every rectangle (not inverted, coordinates in range,
// inside the stated bounding rectangle unless that is empty).
// True with out filled. False when the window must keep its rectangular
// shape: out then holds only the problem. An empty region (no rectangles)
// is refused too, since it would make the window invisible.
bool ValidateRegionData(const std::uint8_t* data, std::size_t size, RegionCheck& out);

}  // namespace kb::image
