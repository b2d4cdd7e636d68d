// Any bytes given to the BMP decoder: no overrun, no allocation beyond the
// limits, and a picture that matches its own size whenever one comes back.
#include <cstdint>
#include <cstdlib>

#include "shared/image/bmp.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kb::image::Bitmap out;
    const bool ok = kb::image::DecodeBmp(data, size, out);
    if (ok) {
        if (out.width <= 0 || out.height <= 0 || out.width > kb::image::kMaxBmpSide ||
            out.height > kb::image::kMaxBmpSide ||
            out.pixels.size() != static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height))
            std::abort();
        for (std::uint32_t p : out.pixels)
            if (p > 0xFFFFFFu) std::abort();
    } else if (out.width != 0 || out.height != 0 || !out.pixels.empty()) {
        std::abort();
    }
    return 0;
}
