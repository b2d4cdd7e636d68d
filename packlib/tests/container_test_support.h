// Helpers of the container tests: a fresh folder per test, whole-file reads and
// writes of byte vectors, patterns and an independent container parser, over
// the test kit and the container builder.
#pragma once

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "packlib/container_format.h"
#include "shared/base/fs.h"
#include "testing/builders/container_builder.h"
#include "testing/kit/file_io.h"
#include "testing/kit/patterns.h"
#include "testing/kit/temp_folder.h"
#include "testing/kit/wipe_path.h"

namespace kb::pack::testing {

using ::kb::testing::WipePath;

class TempDirTest : public ::kb::testing::TempFolderTest {
protected:
    void TearDown() override { fs::SetMemoryStatusForTesting(nullptr); }
};

inline void WriteAll(const std::string& path, const Bytes& data) {
    ASSERT_TRUE(::kb::testing::WriteWholeFile(path, std::string(data.begin(), data.end()))) << path;
}

inline void WriteText(const std::string& path, const std::string& text) {
    ASSERT_TRUE(::kb::testing::WriteWholeFile(path, text)) << path;
}

// The file's bytes; none when it cannot be read.
inline Bytes ReadAll(const std::string& path) {
    std::string bytes;
    if (!::kb::testing::ReadWholeFile(path, bytes)) return {};
    return Bytes(bytes.begin(), bytes.end());
}

inline std::string ReadText(const std::string& path) {
    Bytes b = ReadAll(path);
    return std::string(b.begin(), b.end());
}

inline Bytes Pattern(size_t n, uint32_t seed = 1) {
    const std::string s = ::kb::testing::Pattern(n, seed);
    return Bytes(s.begin(), s.end());
}

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
