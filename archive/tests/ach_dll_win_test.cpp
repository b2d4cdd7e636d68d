// The writing exports and scrambled archives through the built Arkstow.dll,
// with a Kabbit.dll beside it: the pack library's own when it exports every
// function the binding looks up, else the buffer-coding stand-in.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "archive/arkstow_api.h"
#include "archive/tests/ach_test_support.h"
#include "pe_exports.h"
#include "shared/arkstow_exports.h"
#include "shared/tkabbit.h"
#include "testing/kit/file_io.h"
#include "testing/kit/temp_folder.h"

namespace ark {
namespace {

using namespace ark::testing;
using kb::testing::ReadWholeFile;
using kb::testing::ScopedTempFolder;
using kb::testing::TempDir;

std::string BinFolder() {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string dir(self);
    dir.resize(dir.find_last_of('\\') + 1);
    return dir;
}

// True when the DLL at path exports every function TKabbit looks up.
bool ExportsEveryBoundFunction(const std::string& path) {
    auto image = kb::testing::ReadWholeFile(path);
    if (!image) return false;
    auto exports = kb::testing::ReadPeExports(*image);
    if (!exports) return false;
    for (const auto& wanted : kb::kTKabbitFunctions) {
        bool found = false;
        for (const auto& e : *exports) found = found || e.name == wanted.name;
        if (!found) return false;
    }
    return true;
}

class AchDllTest : public ::testing::Test {
protected:
    TempDir dir;
    TempDir temp;
    ScopedTempFolder scopedTemp{temp.path()};
    HMODULE dll = nullptr;

    using CreateNewFn = kb::arkstow::CreateNew::Fn;
    using AddFn = kb::arkstow::Add::Fn;
    using RemoveByIndexFn = kb::arkstow::RemoveByIndex::Fn;
    using RemoveByNameFn = kb::arkstow::RemoveByName::Fn;
    using EncryptAchFileFn = kb::arkstow::EncryptAchFile::Fn;
    using GetCountFn = kb::arkstow::GetCount::Fn;
    using GetNameFn = kb::arkstow::GetName::Fn;
    using LoadByNameFn = kb::arkstow::LoadByName::Fn;
    using SaveAllFn = kb::arkstow::SaveAll::Fn;
    using FindFn = kb::arkstow::Find::Fn;
    CreateNewFn createNew = nullptr;
    AddFn add = nullptr;
    RemoveByIndexFn removeByIndex = nullptr;
    RemoveByNameFn removeByName = nullptr;
    EncryptAchFileFn encryptAchFile = nullptr;
    GetCountFn getCount = nullptr;
    GetNameFn getName = nullptr;
    LoadByNameFn loadByName = nullptr;
    SaveAllFn saveAll = nullptr;
    FindFn find = nullptr;

    void SetUp() override {
        const std::string bin = BinFolder();
        std::string kabbit = bin + "Kabbit.dll";
        if (!ExportsEveryBoundFunction(kabbit)) kabbit = bin + "standins\\ach_kabbit\\Kabbit.dll";
        std::printf("pack library beside Arkstow.dll: %s\n", kabbit.c_str());
        RecordProperty("kabbit", kabbit);
        // A private copy of both, so the binding loads the chosen Kabbit.dll beside Arkstow.dll.
        const std::string lib = dir / "lib";
        ASSERT_TRUE(CreateDirectoryA(lib.c_str(), nullptr));
        ASSERT_TRUE(CopyFileA((bin + "Arkstow.dll").c_str(), (lib + "\\Arkstow.dll").c_str(), TRUE));
        ASSERT_TRUE(CopyFileA(kabbit.c_str(), (lib + "\\Kabbit.dll").c_str(), TRUE));
        dll = LoadLibraryA((lib + "\\Arkstow.dll").c_str());
        ASSERT_NE(dll, nullptr);
        auto bind = [&](auto& fn, const char* name) {
            fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(
                reinterpret_cast<void*>(GetProcAddress(dll, name)));
            ASSERT_NE(fn, nullptr) << name;
        };
        bind(createNew, "CreateNew");
        bind(add, "Add");
        bind(removeByIndex, "RemoveByIndex");
        bind(removeByName, "RemoveByName");
        bind(encryptAchFile, "EncryptAchFile");
        bind(getCount, "GetCount");
        bind(getName, "GetName");
        bind(loadByName, "LoadByName");
        bind(saveAll, "SaveAll");
        bind(find, "Find");
    }
    void TearDown() override {
        if (dll) FreeLibrary(dll);
    }
    std::string Source(const std::string& name, const std::string& bytes, int k) {
        const std::string path = dir / name;
        EXPECT_TRUE(MakeSourceFile(path, bytes, k));
        return path;
    }
};

TEST_F(AchDllTest, CreateNewAndAddWriteTheExpectedBytes) {
    const std::string archive = dir / "a.ach";
    ASSERT_EQ(createNew(archive.c_str(), 3), 0);
    ASSERT_EQ(add(archive.c_str(), Source("s1", "hello", 1).c_str(), "a.txt"), 0);
    ASSERT_EQ(add(archive.c_str(), Source("s2", "", 2).c_str(), "sub\\e"), 0);
    EXPECT_EQ(Hex(ReadAll(archive)),
              "030000007c00000082000000050000002000000000c863fada8dc90100c863fada8dc90100c863fada8dc901"
              "870000008d00000000000000200000000030285ce38dc9010030285ce38dc9010030285ce38dc901"
              "00000000000000000000000000000000000000000000000000000000000000000000000000000000"
              "612e7478740068656c6c6f7375625c6500");
    ASSERT_EQ(add(archive.c_str(), Source("s3", "x", 3).c_str(), "..\\evil"), ARKSTOWRET_UNSAFE_NAME);
}

TEST_F(AchDllTest, AScrambledArchiveIsReadByNameAndExtractedWithSaveAll) {
    const std::string plain = dir / "plain.ach", scrambled = dir / "skin.ach";
    const std::string big = Pattern(70000, 4);
    ASSERT_EQ(createNew(plain.c_str(), 4), 0);
    ASSERT_EQ(add(plain.c_str(), Source("s1", big, 1).c_str(), "Skin\\main.bmp"), 0);
    ASSERT_EQ(add(plain.c_str(), Source("s2", "list", 2).c_str(), "list.txt"), 0);
    ASSERT_EQ(encryptAchFile(plain.c_str(), scrambled.c_str()), 0);
    EXPECT_NE(ReadAll(scrambled), ReadAll(plain));

    int slots = 0;
    EXPECT_EQ(getCount(scrambled.c_str(), &slots, nullptr), 2);
    EXPECT_EQ(slots, 4);
    char name[32];
    EXPECT_EQ(getName(scrambled.c_str(), 0, name, 31), 0);
    EXPECT_STREQ(name, "Skin\\main.bmp");
    std::string loaded;
    ArkMemStream stream{nullptr, 0, 0, &loaded, ResizeString};
    EXPECT_EQ(loadByName(scrambled.c_str(), "SKIN\\MAIN.BMP", &stream), 0);
    EXPECT_EQ(loaded, big);
    EXPECT_EQ(find(scrambled.c_str(), "list.txt"), ARKSTOWRET_NOT_FOUND);

    const std::string out = dir / "out";
    ASSERT_EQ(saveAll(scrambled.c_str(), out.c_str()), 0);
    EXPECT_EQ(ReadAll(out + "\\Skin\\main.bmp"), big);
    EXPECT_EQ(ReadAll(out + "\\list.txt"), "list");

    // Removal from the scrambled archive leaves a plain one with the rest.
    ASSERT_EQ(removeByName(scrambled.c_str(), "skin\\main.bmp"), 0);
    EXPECT_EQ(getCount(scrambled.c_str(), &slots, nullptr), 1);
    EXPECT_EQ(find(scrambled.c_str(), "list.txt"), 0);
    ASSERT_EQ(removeByIndex(scrambled.c_str(), 0), 0);
    EXPECT_EQ(getCount(scrambled.c_str(), &slots, nullptr), 0);
    EXPECT_EQ(slots, 4);
}

TEST_F(AchDllTest, TheCommittedScrambledFixtureExtracts) {
    const std::string out = dir / "fixture";
    ASSERT_EQ(saveAll((BinFolder() + "ach_fixtures\\scrambled.ach").c_str(), out.c_str()), 0);
    EXPECT_EQ(ReadAll(out + "\\a.txt"), "hello");
    EXPECT_EQ(ReadAll(out + "\\sub\\e.bin"), Pattern(1500, 7));
}

TEST_F(AchDllTest, ThePackLibraryIsBoundAtTheFirstBodyAndFreedWithArkstow) {
    const std::string kabbit = dir / "lib\\Kabbit.dll";
    EXPECT_EQ(GetModuleHandleA(kabbit.c_str()), nullptr);
    const std::string plain = dir / "p.ach", scrambled = dir / "s.ach";
    ASSERT_EQ(createNew(plain.c_str(), 1), 0);
    ASSERT_EQ(add(plain.c_str(), Source("s1", "body", 1).c_str(), "b"), 0);
    ASSERT_EQ(encryptAchFile(plain.c_str(), scrambled.c_str()), 0);
    EXPECT_NE(GetModuleHandleA(kabbit.c_str()), nullptr);
    ASSERT_TRUE(FreeLibrary(dll));
    dll = nullptr;
    EXPECT_EQ(GetModuleHandleA(kabbit.c_str()), nullptr);
}

// The pack library's own buffer coding, called directly, against the coding the
// fixture and the core tests were made with.
TEST(RealPackLibrary, BufferCodingIsTheCodingTheScrambledBodiesUse) {
    HMODULE kabbit = LoadLibraryA((BinFolder() + "Kabbit.dll").c_str());
    ASSERT_NE(kabbit, nullptr) << "Kabbit.dll beside this program: error " << GetLastError();
    using CodingFn = int(WINAPI*)(void*, int, const char*, int, BOOL);
    auto encrypt = reinterpret_cast<CodingFn>(reinterpret_cast<void*>(GetProcAddress(kabbit, "EncryptBufferData")));
    auto decrypt = reinterpret_cast<CodingFn>(reinterpret_cast<void*>(GetProcAddress(kabbit, "DecryptBufferData")));
    if (!encrypt || !decrypt) FreeLibrary(kabbit);
    ASSERT_NE(reinterpret_cast<void*>(encrypt), nullptr) << "Kabbit.dll exports no EncryptBufferData";
    ASSERT_NE(reinterpret_cast<void*>(decrypt), nullptr) << "Kabbit.dll exports no DecryptBufferData";
    for (int length : {1, 1023, 1024, 1025, 65535, 65536}) {
        SCOPED_TRACE(length);
        const std::string plain = Pattern(static_cast<size_t>(length), 3);
        std::string real = plain, reference = plain;
        ASSERT_EQ(encrypt(real.data(), length, "Qorvend", 7, TRUE), 0);
        ASSERT_TRUE(ReferenceCodeBuffer(reinterpret_cast<uint8_t*>(reference.data()), reference.size(), "Qorvend"));
        EXPECT_EQ(real, reference);
        // Decoded as the readers do: the whole 65,536-byte chunk buffer.
        std::string buffer = Pattern(65536, 4);
        buffer.replace(0, real.size(), real);
        ASSERT_EQ(decrypt(buffer.data(), 65536, "Qorvend", 7, TRUE), 0);
        EXPECT_EQ(buffer.substr(0, plain.size()), plain);
    }
    // The fixture's 1,500-byte body as stored, decoded by the pack library.
    std::string fixture;
    ASSERT_TRUE(ReadWholeFile(BinFolder() + "ach_fixtures\\scrambled.ach", fixture));
    std::string body = fixture.substr(fixture.size() - 1500);
    ASSERT_EQ(decrypt(body.data(), 1500, "Qorvend", 7, TRUE), 0);
    EXPECT_EQ(body, Pattern(1500, 7));
    FreeLibrary(kabbit);
}

}  // namespace
}  // namespace ark
