// The packing, buffer, split and path exports through the real Kabbit.dll, loaded
// by its full path as callers load it: real threads, share modes and file times.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "packlib/win/kabbit.h"
#include "packlib/win/kabbit_pack.h"
#include "packlib/tests/pack_test_support.h"
#include "shared/pack_errors.h"

namespace {

using namespace kb;  // the PACKERR_ codes
using kb::packtest::Pattern;
using kb::packtest::ReadAll;
using kb::packtest::WriteWholeFile;

constexpr char kPassword[] = "dll-password";

struct Api {
    HMODULE dll = nullptr;
    decltype(&::CreateNew) createNew = nullptr;
    decltype(&::UnPack) unPack = nullptr;
    decltype(&::EnumFiles) enumFiles = nullptr;
    decltype(&::GetProgress) getProgress = nullptr;
    decltype(&::SetWorkingDir) setWorkingDir = nullptr;
    decltype(&::Pack) pack = nullptr;
    decltype(&::PackPartFolder) packPartFolder = nullptr;
    decltype(&::PreCompress) preCompress = nullptr;
    decltype(&::GetPreCompressFileName) getPreCompressFileName = nullptr;
    decltype(&::ForceCompleteCompress) forceCompleteCompress = nullptr;
    decltype(&::GetErrorFileNames) getErrorFileNames = nullptr;
    decltype(&::EncryptBufferData) encryptBufferData = nullptr;
    decltype(&::DecryptBufferData) decryptBufferData = nullptr;
    decltype(&::GetCodedData) getCodedData = nullptr;
    decltype(&::SplitHugeFile) splitHugeFile = nullptr;
    decltype(&::UnSplitHugeFile) unSplitHugeFile = nullptr;
    decltype(&::ConvertFilePath) convertFilePath = nullptr;

    template <typename F>
    void Bind(F& f, const char* name) {
        f = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
        EXPECT_NE(reinterpret_cast<void*>(f), nullptr) << name;
    }
    Api() {
        char self[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, self, MAX_PATH);
        std::string path(self);
        path = path.substr(0, path.find_last_of('\\') + 1) + "Kabbit.dll";
        dll = LoadLibraryA(path.c_str());
        EXPECT_NE(dll, nullptr) << path;
        if (!dll) return;
        Bind(createNew, "CreateNew");
        Bind(unPack, "UnPack");
        Bind(enumFiles, "EnumFiles");
        Bind(getProgress, "GetProgress");
        Bind(setWorkingDir, "SetWorkingDir");
        Bind(pack, "Pack");
        Bind(packPartFolder, "PackPartFolder");
        Bind(preCompress, "PreCompress");
        Bind(getPreCompressFileName, "GetPreCompressFileName");
        Bind(forceCompleteCompress, "ForceCompleteCompress");
        Bind(getErrorFileNames, "GetErrorFileNames");
        Bind(encryptBufferData, "EncryptBufferData");
        Bind(decryptBufferData, "DecryptBufferData");
        Bind(getCodedData, "GetCodedData");
        Bind(splitHugeFile, "SplitHugeFile");
        Bind(unSplitHugeFile, "UnSplitHugeFile");
        Bind(convertFilePath, "ConvertFilePath");
    }
    ~Api() {
        if (dll) FreeLibrary(dll);
    }
    // Polls as callers do until the job reports done or an error.
    int PollToEnd(int started) {
        if (started < 0) return started;
        for (;;) {
            const int p = getProgress(nullptr);
            if (p < 0 || p == PACKPROGRESS_DONE) return p;
            Sleep(2);
        }
    }
};

class KabbitDllPack : public kb::packtest::TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        ASSERT_NE(api_.dll, nullptr);
        ASSERT_TRUE(kb::fs::CreateFolder(P("work")));
        api_.setWorkingDir((P("work") + "\\").c_str());
    }
    Api api_;
};

TEST_F(KabbitDllPack, PacksAndReadsBack) {
    ASSERT_TRUE(kb::fs::CreateFolder(P("src")));
    ASSERT_TRUE(kb::fs::CreateFolder(P("src\\a")));
    ASSERT_TRUE(WriteWholeFile(P("src\\a\\b.txt"), Pattern(4000, 5)));
    ASSERT_TRUE(WriteWholeFile(P("src\\x.txt"), "x"));
    const std::string pack = P("p.pck");
    ASSERT_EQ(api_.createNew(pack.c_str(), kPassword, TRUE, 9), 0);
    EXPECT_EQ(api_.PollToEnd(api_.pack(pack.c_str(), P("src").c_str(), "a\\b.txt", kPassword, FALSE)),
              PACKPROGRESS_DONE);
    EXPECT_EQ(api_.PollToEnd(api_.pack(pack.c_str(), P("src").c_str(), "a\\b.txt", kPassword, TRUE)),
              PACKPROGRESS_DONE);
    EXPECT_EQ(api_.PollToEnd(api_.packPartFolder(pack.c_str(), (P("src") + "\\").c_str(), "x.txt\0", 1,
                                                 kPassword, TRUE)),
              PACKPROGRESS_DONE);
    EXPECT_EQ(api_.PollToEnd(api_.packPartFolder(pack.c_str(), P("src").c_str(), nullptr, 0, kPassword, FALSE)),
              PACKERR_NO_COMPRESS_FOLDER);

    char names[1024] = {};
    BYTE flags[1001] = {};
    DWORD sizes[16] = {};
    ASSERT_EQ(api_.enumFiles(pack.c_str(), names, sizeof names, flags, sizes, sizeof sizes, kPassword), 3);
    // Each name and its zero, then one more zero.
    EXPECT_EQ(std::string(names, 29), std::string("a\\b.txt\0a\\b.txt.cmp\0src.cmp\0", 29));
    EXPECT_EQ(flags[0], 0);
    EXPECT_EQ(flags[1], 1);
    EXPECT_EQ(flags[2], 1);

    ASSERT_TRUE(kb::fs::CreateFolder(P("out")));
    EXPECT_EQ(api_.PollToEnd(api_.unPack(pack.c_str(), P("out").c_str(), "a\\b.txt", kPassword)), PACKPROGRESS_DONE);
    EXPECT_TRUE(ReadAll(P("out\\a\\b.txt")) == ReadAll(P("src\\a\\b.txt")));

    char name[MAX_PATH + 8];
    api_.getPreCompressFileName(name);
    EXPECT_EQ(std::string(name), P("work") + "\\kabbit.cmp");
    EXPECT_FALSE(kb::fs::Exists(name));
    EXPECT_EQ(api_.preCompress(P("src").c_str(), "a\\b.txt", nullptr, 0, FALSE), 0);
    EXPECT_EQ(api_.PollToEnd(0), PACKPROGRESS_DONE);
    EXPECT_TRUE(kb::fs::Exists(name));
    EXPECT_EQ(api_.preCompress(P("src").c_str(), "a\\b.txt", nullptr, 0, TRUE), 0);
    EXPECT_FALSE(kb::fs::Exists(name));
}

TEST_F(KabbitDllPack, ForceFlagWithARealLock) {
    ASSERT_TRUE(kb::fs::CreateFolder(P("set")));
    ASSERT_TRUE(WriteWholeFile(P("set\\a.txt"), "a"));
    ASSERT_TRUE(WriteWholeFile(P("set\\locked.txt"), "locked"));
    const std::string pack = P("p.pck");
    ASSERT_EQ(api_.createNew(pack.c_str(), kPassword, FALSE, 1), 0);
    HANDLE lock = CreateFileA(P("set\\locked.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    EXPECT_EQ(api_.forceCompleteCompress(TRUE), 1);
    EXPECT_EQ(api_.PollToEnd(api_.pack(pack.c_str(), P("set").c_str(), "", kPassword, TRUE)), PACKPROGRESS_DONE);
    char list[512];
    ASSERT_EQ(api_.getErrorFileNames(list, sizeof list), 0);
    EXPECT_EQ(std::string(list), P("set\\locked.txt"));
    EXPECT_EQ(list[std::strlen(list) + 1], '\0');
    EXPECT_EQ(api_.forceCompleteCompress(FALSE), 0);
    EXPECT_EQ(api_.PollToEnd(api_.pack(pack.c_str(), P("set").c_str(), "", kPassword, TRUE)),
              PACKERR_OPEN_SOURCE_FILE);
    CloseHandle(lock);
}

TEST_F(KabbitDllPack, BufferCoding) {
    std::vector<BYTE> original(1025);
    for (size_t i = 0; i < original.size(); ++i) original[i] = static_cast<BYTE>(i * 13);
    auto coded = original;
    ASSERT_EQ(api_.encryptBufferData(coded.data(), 1025, "Qorvend", 7, TRUE), 0);
    EXPECT_NE(coded, original);
    auto restored = coded;
    ASSERT_EQ(api_.decryptBufferData(restored.data(), 1025, "Qorvend", 7, TRUE), 0);
    EXPECT_EQ(restored, original);

    auto input = original;
    ASSERT_EQ(api_.encryptBufferData(input.data(), 1025, "Qorvend", 7, FALSE), 0);
    std::vector<BYTE> fetched(1025);
    EXPECT_EQ(api_.getCodedData(fetched.data(), 1024), PACKERR_NOT_ENOUGH_MEMORY);
    ASSERT_EQ(api_.getCodedData(fetched.data(), 1025), 0);
    EXPECT_EQ(fetched, coded);
    EXPECT_EQ(input, original);
    EXPECT_EQ(api_.getCodedData(fetched.data(), 1025), PACKERR_NULL_BUFFER);
    EXPECT_EQ(api_.encryptBufferData(input.data(), 1025, "Qorve", 5, TRUE), PACKERR_PASSWORD_TOO_SHORT);
    EXPECT_EQ(api_.encryptBufferData(nullptr, 1025, "Qorvend", 7, TRUE), PACKERR_NULL_BUFFER);
}

TEST_F(KabbitDllPack, SplitJoinAndConvert) {
    const std::string file = P("f.bin");
    ASSERT_TRUE(WriteWholeFile(file, "0123456789"));
    ASSERT_EQ(api_.splitHugeFile(file.c_str(), 3), 3);
    EXPECT_EQ(ReadAll(file + ".prt02"), "6789");
    const std::string list = file + ".prt00" + '\0' + file + ".prt01" + '\0' + file + ".prt02" + '\0' + '\0';
    ASSERT_EQ(api_.unSplitHugeFile(list.c_str(), 3, TRUE, P("joined.bin").c_str()), 0);
    EXPECT_EQ(ReadAll(P("joined.bin")), "0123456789");
    EXPECT_FALSE(kb::fs::Exists(file + ".prt00"));
    EXPECT_EQ(api_.splitHugeFile(file.c_str(), 0), PACKERR_INVALID_PARAMETER);

    char path[] = "C:\\dir\\f?.txt";
    EXPECT_EQ(api_.convertFilePath(path), 0);
    EXPECT_STREQ(path, "C\\_dir_f$.txt");
}

}  // namespace
