// Little-endian integers as the file formats store them, and a reader that
// takes fields one by one from a byte range without ever passing its end.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kb {

inline uint32_t ReadLe32(const uint8_t* p) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

inline uint64_t ReadLe64(const uint8_t* p) { return uint64_t{ReadLe32(p)} | (uint64_t{ReadLe32(p + 4)} << 32); }

inline void WriteLe32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

// Reads fields in order from size bytes at data. A field that does not fit in
// what remains is not read: its call returns false, leaves *out alone and the
// position where it was, and Ok() is false from then on.
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool U8(uint8_t* out) {
        if (!Take(1)) return false;
        *out = data_[position_ - 1];
        return true;
    }
    bool U32(uint32_t* out) {
        if (!Take(4)) return false;
        *out = ReadLe32(data_ + position_ - 4);
        return true;
    }
    bool I32(int32_t* out) {
        uint32_t v = 0;
        if (!U32(&v)) return false;
        *out = static_cast<int32_t>(v);
        return true;
    }

    size_t Position() const { return position_; }
    size_t Remaining() const { return size_ - position_; }
    // False once any field did not fit.
    bool Ok() const { return ok_; }

private:
    bool Take(size_t count) {
        if (count > size_ - position_) return ok_ = false;
        position_ += count;
        return true;
    }

    const uint8_t* data_;
    size_t size_;
    size_t position_ = 0;
    bool ok_ = true;
};

}  // namespace kb
