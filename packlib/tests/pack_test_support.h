// Test helpers of the packing tests: an independent reader of compressed
// entries, with the test kit's fresh folder per test, whole-file I/O and patterns.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "packlib/buffer_cipher.h"
#include "packlib/file_codec.h"
#include "shared/base/fs.h"
#include "packlib/pack_format.h"
#include "packlib/tests/frame_test_support.h"
#include "testing/kit/wipe_path.h"

namespace kb::packtest {

using ::kb::testing::Pattern;
using ::kb::testing::ReadAll;
using ::kb::testing::TempFolderTest;
using ::kb::testing::WipePath;
using ::kb::testing::WriteWholeFile;

// Decodes the compressed entry named name from the pack into scratch (a container
// file) and expands it into folder, as the unpack worker does: an independent
// reader of what the packing jobs wrote.
inline void ExpandCompressedEntry(const std::string& packPath, const std::string& name, const char* password,
                                  const std::string& folder, const std::string& scratch) {
    pack::PackReader reader;
    ASSERT_TRUE(reader.Open(packPath));
    uint8_t rounds = 0;
    ASSERT_EQ(pack::ReadRounds(reader, &rounds), 0);
    ASSERT_TRUE(reader.SeekTo(pack::kHeaderSize));
    pack::EntryWalker walker(reader, rounds);
    pack::EntryHeader entry;
    for (;;) {
        ASSERT_EQ(walker.Next(&entry), 1) << "no entry " << name;
        if (entry.name == name) break;
        ASSERT_EQ(walker.SkipBody(entry), 0);
    }
    ASSERT_TRUE(entry.compressed);
    CBufferCipher key(password);
    if (rounds) {
        ASSERT_TRUE(key.BuildDataKey(rounds));
    }
    std::string data(entry.dataLength, '\0');
    ASSERT_TRUE(reader.ReadExact(data.data(), data.size()));
    for (size_t off = 0, chunk = 0; off < data.size() && rounds; off += pack::kChunkSize, ++chunk) {
        const size_t n = data.size() - off < pack::kChunkSize ? data.size() - off : pack::kChunkSize;
        key.CodeEntryChunk(reinterpret_cast<uint8_t*>(&data[off]), n, entry.index, static_cast<uint32_t>(chunk));
    }
    ASSERT_TRUE(WriteWholeFile(scratch, data));
    pack::CFileCodec codec;
    ASSERT_EQ(codec.ExpandZipPkg(scratch, folder, {}), 0);
    fs::RemoveFile(scratch);
}

}  // namespace kb::packtest
