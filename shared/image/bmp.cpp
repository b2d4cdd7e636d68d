#include "shared/image/bmp.h"

#include <bit>

#include "shared/image/le_reader.h"

namespace kb::image {
namespace {

// File header: "BM", file size, two reserved words, offset of the pixel rows.
constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint16_t kSignature = 0x4D42;  // "BM"
// Info headers: core (12), info (40), with masks (52), with alpha mask (56),
// the second OS/2 form (64: the info header's fields, then OS/2's own),
// version 4 (108) and 5 (124).
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kOs2HeaderSize = 64;
constexpr std::uint32_t kInfoHeaderSizes[] = {40, 52, 56, kOs2HeaderSize, 108, 124};
constexpr std::uint32_t kMasksInHeaderFrom = 52;
constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;
constexpr std::uint32_t kBitFields = 3;  // in the OS/2 header, 3 is Huffman coding instead
// Escapes of the run-length streams: a zero count, then one of these.
constexpr std::uint8_t kEndOfLine = 0;
constexpr std::uint8_t kEndOfBitmap = 1;
constexpr std::uint8_t kDelta = 2;
constexpr std::size_t kCoreColorSize = 3;  // blue, green, red
constexpr std::size_t kColorSize = 4;      // blue, green, red, reserved

struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
};

bool MakeChannel(std::uint32_t mask, int bpp, Channel& c) {
    if (mask == 0) return false;
    if (bpp < 32 && (mask >> bpp) != 0) return false;
    c.mask = mask;
    c.shift = std::countr_zero(mask);
    c.bits = std::popcount(mask);
    // Contiguous: the set bits form one run.
    return (mask >> c.shift) == (c.bits == 32 ? 0xFFFFFFFFu : (1u << c.bits) - 1);
}

std::uint32_t Expand(std::uint32_t pixel, const Channel& c) {
    const std::uint32_t v = (pixel & c.mask) >> c.shift;
    if (c.bits >= 8) return v >> (c.bits - 8);
    const std::uint32_t max = (1u << c.bits) - 1;
    return (v * 255 + max / 2) / max;
}

// Expands a run-length stream of 8 or 4 bits per pixel into out (already
// sized, every pixel black: what a run, delta or line end skips stays so).
// Rows run bottom-up. A run or delta that leaves the image, a stream that ends
// before its end-of-bitmap escape, and an absolute run that lacks its bytes or
// its padding to a 16-bit boundary are refused.
bool ExpandRle(LeReader& in, int bpp, const std::vector<std::uint32_t>& palette, Bitmap& out) {
    const std::int64_t width = out.width;
    const std::int64_t height = out.height;
    std::int64_t x = 0;
    std::int64_t row = 0;  // from the bottom
    auto put = [&](std::uint32_t index) {
        out.pixels[static_cast<std::size_t>((height - 1 - row) * width + x)] =
            index < palette.size() ? palette[index] : 0;
        ++x;
    };
    for (;;) {
        const std::uint8_t count = in.U8();
        const std::uint8_t value = in.U8();
        if (!in.Ok()) return false;
        if (count != 0) {
            // An encoded run: count pixels of one index, or of two alternating ones.
            if (row >= height || x + count > width) return false;
            for (int i = 0; i < count; ++i) put(bpp == 8 ? value : (i % 2 == 0 ? value >> 4 : value & 0x0F));
            continue;
        }
        switch (value) {
            case kEndOfLine:
                if (row >= height) return false;
                x = 0;
                ++row;
                break;
            case kEndOfBitmap:
                return true;
            case kDelta: {
                const std::uint8_t dx = in.U8();
                const std::uint8_t dy = in.U8();
                if (!in.Ok()) return false;
                x += dx;
                row += dy;
                if (x > width || row >= height) return false;
                break;
            }
            default: {
                // An absolute run: value pixels as stored, padded to 16 bits.
                const std::size_t bytes = bpp == 8 ? value : (value + 1u) / 2;
                const std::size_t padded = (bytes + 1) / 2 * 2;
                if (row >= height || x + value > width || padded > in.Remaining()) return false;
                for (std::size_t i = 0; i < bytes; ++i) {
                    const std::uint8_t b = in.U8();
                    if (bpp == 8) {
                        put(b);
                    } else {
                        put(b >> 4);
                        if (2 * i + 1 < value) put(b & 0x0F);
                    }
                }
                in.Skip(padded - bytes);
                break;
            }
        }
    }
}

bool Decode(const std::uint8_t* data, std::size_t size, Bitmap& out) {
    LeReader in(data, size);
    if (in.U16() != kSignature) return false;
    in.Skip(8);  // file size and reserved words: writers disagree on them, Windows ignores them
    const std::uint32_t pixelOffset = in.U32();
    const std::uint32_t headerSize = in.U32();
    if (!in.Ok()) return false;

    bool known = headerSize == kCoreHeaderSize;
    for (std::uint32_t s : kInfoHeaderSizes) known = known || headerSize == s;
    if (!known || headerSize - 4 > in.Remaining()) return false;

    std::int64_t width = 0;
    std::int64_t height = 0;
    int bpp = 0;
    std::uint32_t compression = kRgb;
    std::uint32_t colorsUsed = 0;
    std::uint32_t masks[3] = {};
    std::size_t colorSize = kColorSize;
    bool topDown = false;
    if (headerSize == kCoreHeaderSize) {
        width = in.U16();
        height = in.U16();
        if (in.U16() != 1) return false;
        bpp = in.U16();
        colorSize = kCoreColorSize;
        if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24) return false;
    } else {
        width = in.I32();
        height = in.I32();
        if (in.U16() != 1) return false;
        bpp = in.U16();
        compression = in.U32();
        in.Skip(12);  // image size, resolution
        colorsUsed = in.U32();
        in.Skip(4);  // important colours
        if (headerSize >= kMasksInHeaderFrom && headerSize != kOs2HeaderSize)
            for (auto& m : masks) m = in.U32();
        if (!in.Ok() || !in.Seek(kFileHeaderSize + headerSize)) return false;
        if (compression == kBitFields && headerSize == kInfoHeaderSize)
            for (auto& m : masks) m = in.U32();
        if (height < 0) {
            topDown = true;
            height = -height;
        }
    }
    if (!in.Ok()) return false;

    if (width <= 0 || height <= 0 || width > kMaxBmpSide || height > kMaxBmpSide) return false;
    if (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) > kMaxBmpPixels) return false;

    Channel channels[3];
    const bool rle = compression == kRle8 || compression == kRle4;
    if (rle) {
        // Run-length streams are stored bottom-up only.
        if (bpp != (compression == kRle8 ? 8 : 4) || topDown) return false;
    } else if (compression == kBitFields) {
        if (headerSize == kOs2HeaderSize) return false;
        if (bpp != 16 && bpp != 32) return false;
        for (int i = 0; i < 3; ++i)
            if (!MakeChannel(masks[i], bpp, channels[i])) return false;
    } else if (compression == kRgb) {
        if (bpp == 16) {
            MakeChannel(0x7C00, 16, channels[0]);
            MakeChannel(0x03E0, 16, channels[1]);
            MakeChannel(0x001F, 16, channels[2]);
        } else if (bpp == 32) {
            MakeChannel(0x00FF0000, 32, channels[0]);
            MakeChannel(0x0000FF00, 32, channels[1]);
            MakeChannel(0x000000FF, 32, channels[2]);
        } else if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24) {
            return false;
        }
    } else {
        return false;
    }

    // The colour table of the indexed depths, at most one entry per index.
    std::vector<std::uint32_t> palette;
    if (bpp <= 8) {
        const std::uint32_t maxColors = 1u << bpp;
        std::uint32_t count = colorsUsed == 0 ? maxColors : colorsUsed;
        if (count > maxColors) return false;
        if (static_cast<std::uint64_t>(count) * colorSize > in.Remaining()) return false;
        palette.resize(count);
        for (auto& c : palette) {
            const std::uint32_t b = in.U8(), g = in.U8(), r = in.U8();
            if (colorSize == kColorSize) in.U8();
            c = (r << 16) | (g << 8) | b;
        }
    }
    if (!in.Ok() || pixelOffset < in.Offset() || pixelOffset > size) return false;

    if (rle) {
        out.width = static_cast<int>(width);
        out.height = static_cast<int>(height);
        out.pixels.assign(static_cast<std::size_t>(width * height), 0);
        LeReader stream(data + pixelOffset, size - pixelOffset);
        return ExpandRle(stream, bpp, palette, out);
    }

    const std::uint64_t stride = (static_cast<std::uint64_t>(width) * bpp + 31) / 32 * 4;
    if (stride * static_cast<std::uint64_t>(height) > size - pixelOffset) return false;

    out.width = static_cast<int>(width);
    out.height = static_cast<int>(height);
    out.pixels.assign(static_cast<std::size_t>(width * height), 0);
    for (std::int64_t row = 0; row < height; ++row) {
        const std::uint8_t* src = data + pixelOffset + stride * static_cast<std::uint64_t>(row);
        const std::int64_t y = topDown ? row : height - 1 - row;
        std::uint32_t* dst = out.pixels.data() + y * width;
        for (std::int64_t x = 0; x < width; ++x) {
            std::uint32_t px = 0;
            switch (bpp) {
                case 1:
                case 4:
                case 8: {
                    const std::int64_t bit = x * bpp;
                    const unsigned shift = static_cast<unsigned>(8 - bpp - bit % 8);
                    const std::uint32_t index = (src[bit / 8] >> shift) & ((1u << bpp) - 1);
                    px = index < palette.size() ? palette[index] : 0;  // an index beyond the table: black
                    break;
                }
                case 24:
                    px = std::uint32_t{src[x * 3]} | std::uint32_t{src[x * 3 + 1]} << 8 |
                         std::uint32_t{src[x * 3 + 2]} << 16;
                    break;
                default: {
                    std::uint32_t raw = 0;
                    const int bytes = bpp / 8;
                    for (int i = 0; i < bytes; ++i) raw |= std::uint32_t{src[x * bytes + i]} << (8 * i);
                    px = Expand(raw, channels[0]) << 16 | Expand(raw, channels[1]) << 8 | Expand(raw, channels[2]);
                    break;
                }
            }
            dst[x] = px;
        }
    }
    return true;
}

}  // namespace

bool DecodeBmp(const std::uint8_t* data, std::size_t size, Bitmap& out) {
    out = Bitmap{};
    if (data == nullptr) return false;
    if (!Decode(data, size, out)) {
        out = Bitmap{};
        return false;
    }
    return true;
}

}  // namespace kb::image
