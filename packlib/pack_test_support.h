// Test helpers of the packing tests: a fresh folder per test and whole-file I/O
// through the file seam.
#pragma once
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "packlib/buffer_cipher.h"
#include "packlib/file_codec.h"
#include "packlib/fs.h"
#include "testing/fixtures/wipe_path.h"
#include "packlib/pack_format.h"

namespace kb::packtest {

inline void Wipe(const std::string& path) { ::kb::fixtures::WipePath(path); }

inline bool WriteWholeFile(const std::string& path, const std::string& data) {
    fs::File f = fs::File::Open(path, fs::Access::Write, fs::Disposition::CreateAlways, fs::Share::None);
    return f.IsOpen() && f.Write(data.data(), data.size()) && f.Close();
}

// The file's bytes; "<missing>" when it cannot be opened.
inline std::string ReadWholeFile(const std::string& path) {
    fs::File f = fs::File::Open(path, fs::Access::Read, fs::Disposition::OpenExisting, fs::Share::ReadWrite);
    if (!f.IsOpen()) return "<missing>";
    std::string data;
    char buf[65536];
    size_t got = 0;
    while (f.Read(buf, sizeof buf, &got) && got > 0) data.append(buf, got);
    return data;
}

// Bytes that differ from position to position, so misplaced copies show.
inline std::string PatternBytes(size_t n, unsigned seed = 1) {
    std::string s(n, '\0');
    uint32_t x = seed * 2654435761u + 12345u;
    for (size_t i = 0; i < n; ++i) {
        x = x * 1103515245u + 12345u;
        s[i] = static_cast<char>(x >> 24);
    }
    return s;
}

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

// A fresh folder per test (dir_, no trailing backslash), removed afterwards.
class TempFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        static std::atomic<int> counter{0};
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string("kbpk_") + info->name();
        for (char& c : name)
            if (c == '/') c = '_';
        dir_ = fs::TempFolder() + name + "_" + std::to_string(counter++);
        Wipe(dir_);
        ASSERT_TRUE(fs::CreateFolder(dir_)) << dir_;
    }
    void TearDown() override { Wipe(dir_); }
    std::string P(const std::string& name) const { return dir_ + "\\" + name; }
    std::string dir_;
};

}  // namespace kb::packtest
