// Any bytes given to the region-data check: no overrun, and whatever passes
// is a block the platform can take as it is, inside the bytes given.
#include <cstdint>
#include <cstdlib>

#include "shared/image/region.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kb::image::RegionCheck check;
    if (!kb::image::ValidateRegionData(data, size, check)) {
        if (check.problem == kb::image::RegionProblem::None || check.byteCount != 0) std::abort();
        return 0;
    }
    using kb::image::kRegionHeaderSize;
    using kb::image::kRegionRectSize;
    if (check.rectCount == 0 || check.byteCount != kRegionHeaderSize + check.rectCount * kRegionRectSize ||
        check.offset + check.byteCount > size)
        std::abort();
    // Walk the rectangles the platform would read.
    const std::uint8_t* rects = data + check.offset + kRegionHeaderSize;
    std::uint32_t sum = 0;
    for (std::uint32_t i = 0; i < check.rectCount * kRegionRectSize; ++i) sum += rects[i];
    return sum == 0xFFFFFFFFu ? 1 : 0;
}
