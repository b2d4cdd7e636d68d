// Container bytes written one field at a time, for tests that need containers
// made independently of the codec, well-formed or damaged.
#pragma once

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "packlib/container_format.h"

namespace kb::pack::testing {

using Bytes = std::vector<uint8_t>;

inline Bytes Zlib(const Bytes& input) {
    uLongf n = compressBound(static_cast<uLong>(input.size()));
    Bytes out(n);
    EXPECT_EQ(compress(out.data(), &n, input.data(), static_cast<uLong>(input.size())), Z_OK);
    out.resize(n);
    return out;
}

// Builds container bytes one field at a time.
struct Builder {
    Bytes bytes;
    Builder& U32(uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
        return *this;
    }
    Builder& U8(uint8_t v) {
        bytes.push_back(v);
        return *this;
    }
    Builder& Raw(const Bytes& b) {
        bytes.insert(bytes.end(), b.begin(), b.end());
        return *this;
    }
    Builder& Str(const std::string& s) {
        bytes.insert(bytes.end(), s.begin(), s.end());
        return *this;
    }
    Builder& Name(const std::string& s) { return U32(static_cast<uint32_t>(s.size())).Str(s); }
    Builder& Status(uint32_t c, uint32_t w, uint32_t a, int32_t size, uint8_t attributes) {
        U32(c).U32(w).U32(a).U32(static_cast<uint32_t>(size)).U8(attributes);
        return U8(0).U8(0).U8(0);
    }
    Builder& Block(const Bytes& packed) { return U32(static_cast<uint32_t>(packed.size())).Raw(packed); }
    // A whole well-formed record of content in the given mode.
    Builder& Record(const std::string& name, const Bytes& content, uint8_t mode, uint8_t attributes = 0x20) {
        Name(name).Status(0, 0, 0, static_cast<int32_t>(content.size()), attributes);
        U32(static_cast<uint32_t>(content.size()));
        if (content.empty()) return *this;
        U8(mode);
        if (mode == 0) return Block(Zlib(content));
        for (size_t at = 0; at < content.size(); at += kZipPkgBlockSize) {
            const size_t n = std::min<size_t>(kZipPkgBlockSize, content.size() - at);
            Block(Zlib(Bytes(content.begin() + at, content.begin() + at + n)));
        }
        return *this;
    }
    // A well-formed mode-1 record of fileLength zero bytes: a few hundred bytes
    // of container per block, however much the record declares.
    Builder& ZeroRecord(const std::string& name, uint32_t fileLength) {
        Name(name).Status(0, 0, 0, static_cast<int32_t>(fileLength), 0x20).U32(fileLength).U8(1);
        const Bytes full = Zlib(Bytes(kZipPkgBlockSize, 0));
        const uint32_t count = ZipPkgBlockCount(fileLength);
        for (uint32_t k = 0; k + 1 < count; ++k) Block(full);
        const uint32_t last = ZipPkgBlockExpandedSize(fileLength, count - 1);
        return Block(last == kZipPkgBlockSize ? full : Zlib(Bytes(last, 0)));
    }
};

}  // namespace kb::pack::testing
