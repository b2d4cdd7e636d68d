// Any bytes given to the BMP decoder: no overrun, no allocation beyond the
// limits, and a picture that matches its own size whenever one comes back.
// The same bytes also go in as the run-length stream of a bitmap with a sound
// header, so the fuzzer reaches the stream's runs, deltas and escapes at once.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "shared/image/bmp.h"

namespace {

void Check(const std::uint8_t* data, std::size_t size) {
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
}

void Put(std::vector<std::uint8_t>& out, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// Byte 0: 8 or 4 bits (its low bit) and a 40- or 64-byte header (the next);
// bytes 1 and 2: width and height (1 to 256); the rest: the stream, placed
// last in a buffer of its own size so any read past it is caught.
void CheckAsStream(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return;
    const int bpp = (data[0] & 1) ? 4 : 8;
    const std::uint32_t headerSize = (data[0] & 2) ? 64 : 40;
    const std::uint32_t colors = 1u << bpp;
    std::vector<std::uint8_t> file;
    Put(file, 0x4D42, 2);
    Put(file, 0, 4);
    Put(file, 0, 4);
    Put(file, 14 + headerSize + colors * 4, 4);
    Put(file, headerSize, 4);
    Put(file, data[1] + 1u, 4);
    Put(file, data[2] + 1u, 4);
    Put(file, 1, 2);
    Put(file, static_cast<std::uint32_t>(bpp), 2);
    Put(file, bpp == 8 ? 1 : 2, 4);
    file.resize(14 + headerSize, 0);
    for (std::uint32_t c = 0; c < colors; ++c) Put(file, c * 0x010203u, 4);
    file.insert(file.end(), data + 3, data + size);
    Check(file.data(), file.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Check(data, size);
    CheckAsStream(data, size);
    return 0;
}
