// Kabbit.dll loaded by name: a compressed entry unpacked on a real worker with
// its files' times and attributes, its listing and one sub-file, through the
// exports at their fixed ordinals.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "frame_test_support.h"
#include "testing/builders/pack_builder.h"
#include "packlib/file_codec.h"
#include "packlib/win/kabbit.h"
#include "packlib/win/kabbit_zip.h"
#include "shared/pack_errors.h"
#include "testing/kit/deadline.h"

namespace {

using kb::testing::BuilderEntry;
using kb::testing::PackBuilder;

struct Api {
    HMODULE dll = nullptr;
    decltype(&::UnPack) unPack = nullptr;
    decltype(&::GetProgress) getProgress = nullptr;
    decltype(&::SetWorkingDir) setWorkingDir = nullptr;
    decltype(&::EnumFilesInZipPkg) enumFilesInZipPkg = nullptr;
    decltype(&::UnPackSubFile) unPackSubFile = nullptr;

    template <typename F>
    void Bind(F& f, const char* name) {
        f = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
        EXPECT_NE(reinterpret_cast<void*>(f), nullptr) << name;
    }
    Api() {
        dll = LoadLibraryA("Kabbit.dll");
        if (!dll) return;
        Bind(unPack, "UnPack");
        Bind(getProgress, "GetProgress");
        Bind(setWorkingDir, "SetWorkingDir");
        Bind(enumFilesInZipPkg, "EnumFilesInZipPkg");
        Bind(unPackSubFile, "UnPackSubFile");
        // The fixed ordinals reach the same functions.
        EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(dll, MAKEINTRESOURCEA(11))),
                  reinterpret_cast<void*>(enumFilesInZipPkg));
        EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(dll, MAKEINTRESOURCEA(14))),
                  reinterpret_cast<void*>(unPackSubFile));
    }
    ~Api() {
        if (dll) FreeLibrary(dll);
    }
    int PollToEnd() {
        const ULONGLONG deadline = GetTickCount64() + kb::testing::kStateDeadlineMs;
        for (;;) {
            const int p = getProgress(nullptr);
            if (p < 0 || p == PACKPROGRESS_DONE) return p;
            if (GetTickCount64() > deadline) {
                ADD_FAILURE() << "the job did not end within the deadline; progress " << p;
                return p;
            }
            Sleep(5);
        }
    }
};

// Whole seconds, as a container stores times (2001-02-03 05:05:06 UTC).
constexpr uint64_t kWriteTime = kb::fs::kUnixEpochFileTime + 981176706ULL * kb::fs::kFileTimeTicksPerSecond;

uint64_t Ft(const FILETIME& t) { return (uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

class KabbitDllZip : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(api.dll, nullptr) << "Kabbit.dll";
        out = dir / "out";
        ASSERT_TRUE(CreateDirectoryA(out.c_str(), nullptr));
        // Two files with their own times and attributes, compressed by the codec
        // as the folder set, whose entry set.cmp stands for them.
        const std::string src = dir / "set";
        ASSERT_TRUE(CreateDirectoryA(src.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA((src + "\\sub").c_str(), nullptr));
        const std::string container = dir / "c.cmp";
        std::string containerPath = container;
        kb::pack::CFileCodec codec;
        const struct {
            const char* name;
            DWORD attributes;
        } files[] = {{"a.txt", FILE_ATTRIBUTE_ARCHIVE},
                     {"sub\\b.bin", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY}};
        for (const auto& f : files) {
            const std::string path = src + "\\" + f.name;
            ASSERT_TRUE(kb::testing::WriteWholeFile(path, data[&f - files]));
            HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            ASSERT_NE(h, INVALID_HANDLE_VALUE);
            FILETIME w;
            w.dwLowDateTime = static_cast<DWORD>(kWriteTime);
            w.dwHighDateTime = static_cast<DWORD>(kWriteTime >> 32);
            ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &w));
            CloseHandle(h);
            ASSERT_TRUE(SetFileAttributesA(path.c_str(), f.attributes));
            std::string skipped;
            ASSERT_EQ(codec.CompressToZipPkg(path, dir.path(), &containerPath, "", &skipped), 0);
        }
        PackBuilder b;
        b.Encrypted(21);
        BuilderEntry e;
        e.name = "set.cmp";
        e.data = kb::testing::ReadAll(container);
        e.compressed = true;
        b.Add("first.txt", "1").Add(e);
        pack = dir / "z.pck";
        ASSERT_TRUE(b.WriteTo(pack));
        DeleteFileA(container.c_str());
    }
    void ExpectFile(const std::string& path, const std::string& bytes, DWORD attributes) {
        SCOPED_TRACE(path);
        EXPECT_EQ(kb::testing::ReadAll(path), bytes);
        WIN32_FILE_ATTRIBUTE_DATA info = {};
        ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &info));
        EXPECT_EQ(Ft(info.ftLastWriteTime), kWriteTime);
        EXPECT_EQ(info.dwFileAttributes & FILE_ATTRIBUTE_READONLY, attributes & FILE_ATTRIBUTE_READONLY);
    }

    Api api;
    kb::testing::TempDir dir;
    std::string out;
    std::string pack;
    const std::string data[2] = {kb::testing::Pattern(6000, 1), kb::testing::Pattern(3000, 2)};
};

TEST_F(KabbitDllZip, CompressedEntryExpandsOnAWorker) {
    ASSERT_EQ(api.unPack(pack.c_str(), out.c_str(), "SET.CMP", "secret1"), 0);
    ASSERT_EQ(api.PollToEnd(), PACKPROGRESS_DONE);
    ExpectFile(out + "\\set\\a.txt", data[0], FILE_ATTRIBUTE_ARCHIVE);
    ExpectFile(out + "\\set\\sub\\b.bin", data[1], FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(kb::testing::Listing(out), (std::vector<std::string>{"set"}));
    EXPECT_EQ(kb::testing::Listing(out + "\\set"), (std::vector<std::string>{"a.txt", "sub"}));
}

TEST_F(KabbitDllZip, ListingAndSubFileThroughTheExports) {
    const std::string work = dir / "work\\";
    ASSERT_TRUE(CreateDirectoryA(work.c_str(), nullptr));
    api.setWorkingDir(work.c_str());
    char names[64];
    DWORD sizes[2];
    ASSERT_EQ(api.enumFilesInZipPkg(pack.c_str(), "set.cmp", names, sizeof names, sizes, sizeof sizes, "secret1"), 2);
    EXPECT_STREQ(names, "\\set\\a.txt");
    EXPECT_STREQ(names + 11, "\\set\\sub\\b.bin");
    EXPECT_EQ(names[26], 0);
    EXPECT_EQ(sizes[0], 6000u);
    EXPECT_EQ(sizes[1], 3000u);
    EXPECT_TRUE(kb::testing::Listing(work).empty());
    EXPECT_EQ(api.enumFilesInZipPkg(pack.c_str(), "first.txt", names, sizeof names, sizes, sizeof sizes, "secret1"),
              kb::PACKERR_NOT_COMPRESSED_FILE);

    ASSERT_EQ(api.unPackSubFile(pack.c_str(), out.c_str(), "set.cmp", "\\set\\sub\\b.bin", "secret1"), 0);
    ASSERT_EQ(api.PollToEnd(), PACKPROGRESS_DONE);
    ExpectFile(out + "\\set\\sub\\b.bin", data[1], FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(kb::testing::Listing(out), (std::vector<std::string>{"set"}));
    api.setWorkingDir("");
}

}  // namespace
