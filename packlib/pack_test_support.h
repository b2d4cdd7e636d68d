// Test helpers of the packing tests: a fresh folder per test and whole-file I/O
// through the file seam.
#pragma once
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "packlib/fs.h"

namespace kb::packtest {

inline void Wipe(const std::string& path) {
    uint32_t a = 0;
    if (!fs::GetAttributes(path, &a)) return;
    if ((a & fs::kAttrDirectory) && !(a & fs::kAttrReparsePoint)) {
        std::vector<fs::DirEntry> entries;
        fs::ListFolder(path, &entries);
        for (const auto& e : entries) Wipe(path + "\\" + e.name);
        fs::RemoveFolder(path);
    } else {
        fs::SetAttributes(path, 0);
        fs::RemoveFile(path);
    }
}

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
