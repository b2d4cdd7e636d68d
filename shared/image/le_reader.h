// A bounded little-endian reader over a caller's bytes: every read past the
// end fails and leaves the reader failed, so a parser checks once at the end
// of a group of fields.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kb::image {

class LeReader {
public:
    LeReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::size_t Offset() const { return pos_; }
    std::size_t Remaining() const { return size_ - pos_; }
    bool Ok() const { return ok_; }

    // Moves to offset (at most the end); false and failed beyond it.
    bool Seek(std::size_t offset) {
        if (offset > size_) return Fail();
        pos_ = offset;
        return ok_;
    }
    bool Skip(std::size_t count) { return count > Remaining() ? Fail() : Seek(pos_ + count); }

    std::uint8_t U8() { return static_cast<std::uint8_t>(Take(1)); }
    std::uint16_t U16() { return static_cast<std::uint16_t>(Take(2)); }
    std::uint32_t U32() { return static_cast<std::uint32_t>(Take(4)); }
    std::int32_t I32() { return static_cast<std::int32_t>(U32()); }

private:
    bool Fail() {
        ok_ = false;
        pos_ = size_;
        return false;
    }
    std::uint64_t Take(std::size_t count) {
        if (!ok_ || count > Remaining()) {
            Fail();
            return 0;
        }
        std::uint64_t v = 0;
        for (std::size_t i = 0; i < count; ++i) v |= std::uint64_t{data_[pos_ + i]} << (8 * i);
        pos_ += count;
        return v;
    }

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

}  // namespace kb::image
