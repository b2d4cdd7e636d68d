// Helpers of the container tests: a fresh folder per test, whole-file reads and
// writes through the file seam, and a byte-by-byte record builder.
#pragma once

#include <gtest/gtest.h>
#include <zlib.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "packlib/container_format.h"
#include "shared/base/fs.h"
#include "testing/fixtures/wipe_path.h"

namespace kb::pack::testing {

using Bytes = std::vector<uint8_t>;

inline void Wipe(const std::string& path) { ::kb::fixtures::WipePath(path); }

class TempDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        static std::atomic<int> counter{0};
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "_" + info->name();
        for (char& c : name)
            if (c == '/') c = '_';
        dir_ = fs::TempFolder() + "kbc_" + name + "_" + std::to_string(counter++);
        Wipe(dir_);
        ASSERT_TRUE(fs::CreateFolder(dir_)) << dir_;
    }
    void TearDown() override {
        fs::SetMemoryStatusForTesting(nullptr);
        Wipe(dir_);
    }
    std::string P(const std::string& name) const { return dir_ + "\\" + name; }
    std::string dir_;
};

inline void WriteAll(const std::string& path, const Bytes& data) {
    fs::File f = fs::File::Open(path, fs::Access::Write, fs::Disposition::CreateAlways, fs::Share::None);
    ASSERT_TRUE(f.IsOpen()) << path;
    ASSERT_TRUE(f.Write(data.data(), data.size()));
}

inline void WriteText(const std::string& path, const std::string& text) {
    WriteAll(path, Bytes(text.begin(), text.end()));
}

inline Bytes ReadAll(const std::string& path) {
    fs::File f = fs::File::Open(path, fs::Access::Read, fs::Disposition::OpenExisting, fs::Share::All);
    Bytes data;
    uint64_t size = 0;
    if (!f.IsOpen() || !f.Size(&size)) return data;
    data.resize(size);
    if (!f.ReadExact(data.data(), data.size())) data.clear();
    return data;
}

inline std::string ReadText(const std::string& path) {
    Bytes b = ReadAll(path);
    return std::string(b.begin(), b.end());
}

// Deterministic, poorly compressible content.
inline Bytes Pattern(size_t n, uint32_t seed = 1) {
    Bytes b(n);
    uint32_t x = seed * 2654435761u + 1;
    for (size_t i = 0; i < n; ++i) {
        x = x * 1103515245u + 12345u;
        b[i] = static_cast<uint8_t>(x >> 16);
    }
    return b;
}

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
};

// A record's layout, read independently of the codec.
struct ParsedRecord {
    std::string name;
    uint32_t fileLength = 0;
    bool hasMode = false;
    uint8_t mode = 0;
    std::vector<Bytes> blocks;  // expanded
    uint8_t attributes = 0;
    uint32_t creation = 0, lastWrite = 0, lastAccess = 0;
};

inline uint32_t Le32(const Bytes& b, size_t at) {
    return uint32_t{b[at]} | uint32_t{b[at + 1]} << 8 | uint32_t{b[at + 2]} << 16 | uint32_t{b[at + 3]} << 24;
}

// Parses a whole container; fails the test on any structural fault.
inline std::vector<ParsedRecord> ParseContainer(const Bytes& b) {
    std::vector<ParsedRecord> records;
    size_t at = 0;
    while (at < b.size()) {
        ParsedRecord r;
        if (b.size() - at < 4) { ADD_FAILURE() << "cut name length"; return records; }
        const uint32_t nameLength = Le32(b, at);
        at += 4;
        if (b.size() - at < nameLength + 24ull) { ADD_FAILURE() << "cut head"; return records; }
        r.name.assign(b.begin() + at, b.begin() + at + nameLength);
        at += nameLength;
        r.creation = Le32(b, at);
        r.lastWrite = Le32(b, at + 4);
        r.lastAccess = Le32(b, at + 8);
        r.attributes = b[at + 16];
        EXPECT_EQ(b[at + 17] | b[at + 18] | b[at + 19], 0) << "filler";
        at += 20;
        r.fileLength = Le32(b, at);
        at += 4;
        if (r.fileLength != 0) {
            r.hasMode = true;
            r.mode = b[at++];
            const uint32_t count = r.mode == 0 ? 1 : (r.fileLength + kZipPkgBlockSize - 1) / kZipPkgBlockSize;
            for (uint32_t k = 0; k < count; ++k) {
                if (b.size() - at < 4) { ADD_FAILURE() << "cut block length"; return records; }
                const uint32_t length = Le32(b, at);
                at += 4;
                if (b.size() - at < length) { ADD_FAILURE() << "cut block"; return records; }
                Bytes out(r.mode == 0 ? r.fileLength : kZipPkgBlockSize);
                uLongf n = static_cast<uLongf>(out.size());
                EXPECT_EQ(uncompress(out.data(), &n, b.data() + at, length), Z_OK);
                out.resize(n);
                r.blocks.push_back(out);
                at += length;
            }
        }
        records.push_back(std::move(r));
    }
    return records;
}

}  // namespace kb::pack::testing
