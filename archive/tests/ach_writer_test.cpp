// CreateNew and Add: exact bytes, the refusals that leave the archive as it
// was, and the limits of 32-bit sizes and offsets.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "archive/ach_api.h"
#include "archive/ach_writer.h"
#include "archive/api.h"
#include "archive/frame.h"
#include "archive/tests/ach_test_support.h"
#include "testing/kit/file_io.h"
#include "testing/kit/recording_sink.h"
#include "testing/kit/temp_folder.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace ark {
namespace {

using namespace ark::testing;
using kb::testing::FileExists;
using kb::testing::NativePath;
using kb::testing::RecordingSink;
using kb::testing::ScopedTempFolder;
using kb::testing::TempDir;
using kb::testing::WriteWholeFile;

class WriterTest : public ::testing::Test {
protected:
    TempDir dir;
    TempDir temp;
    ScopedTempFolder scopedTemp{temp.path()};
    RecordingSink sink;
    std::string archive = dir / "a.ach";
};

TEST_F(WriterTest, CreateNewWritesTheCountAndZeroedSlots) {
    struct Case {
        int slots;
        size_t length;
    } cases[] = {{0, 4}, {1, 44}, {3, 124}, {1700, 4 + 40 * 1700}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.slots);
        ASSERT_EQ(api::CreateNew(archive.c_str(), c.slots), 0);
        const std::string bytes = ReadAll(archive);
        ASSERT_EQ(bytes.size(), c.length);
        const uint32_t header = uint8_t(bytes[0]) | uint8_t(bytes[1]) << 8 | uint8_t(bytes[2]) << 16 |
                                uint32_t(uint8_t(bytes[3])) << 24;
        EXPECT_EQ(header, uint32_t(c.slots));
        EXPECT_EQ(bytes.find_first_not_of('\0', 4), std::string::npos);
        int slotCount = -1;
        EXPECT_EQ(api::GetCount(archive.c_str(), &slotCount, nullptr), 0);
        EXPECT_EQ(slotCount, c.slots);
    }
}

TEST_F(WriterTest, CreateNewRefusesSlotCountsOutsideTheFormatAndWritesNothing) {
    for (int slots : {-1, -5, kMaxSlotCount + 1, 0x7FFFFFFF}) {
        SCOPED_TRACE(slots);
        EXPECT_EQ(api::CreateNew(archive.c_str(), slots), ARKSTOWRET_OPEN_FAILED);
        EXPECT_FALSE(FileExists(archive));
    }
    // A file already there stays as it was.
    ASSERT_TRUE(WriteWholeFile(archive, "keep"));
    EXPECT_EQ(api::CreateNew(archive.c_str(), -1), ARKSTOWRET_OPEN_FAILED);
    EXPECT_EQ(ReadAll(archive), "keep");
}

TEST_F(WriterTest, CreateNewReplacesAnExistingFileAndFailsWhereNoFileCanBeMade) {
    ASSERT_TRUE(WriteWholeFile(archive, std::string(500, 'x')));
    ASSERT_EQ(api::CreateNew(archive.c_str(), 2), 0);
    EXPECT_EQ(ReadAll(archive), std::string("\x02\0\0\0", 4) + std::string(80, '\0'));
    EXPECT_EQ(api::CreateNew((dir / "missing\\a.ach").c_str(), 2), ARKSTOWRET_OPEN_FAILED);
    EXPECT_EQ(Server().FunctionTrace(), std::vector<std::string>{"_CreateNew"});
}

TEST_F(WriterTest, AddAppendsNameAndBodyIntoTheNextSlotByteForByte) {
    ASSERT_EQ(BuildPlainArchive(archive, 3, {{"a.txt", "hello", 1}, {"sub\\e", "", 2}}, dir.path()), 0);
    EXPECT_EQ(Hex(ReadAll(archive)),
              "030000007c00000082000000050000002000000000c863fada8dc90100c863fada8dc90100c863fada8dc901"
              "870000008d00000000000000200000000030285ce38dc9010030285ce38dc9010030285ce38dc901"
              "00000000000000000000000000000000000000000000000000000000000000000000000000000000"
              "612e7478740068656c6c6f7375625c6500");
}

TEST_F(WriterTest, AddedEntriesReadBackThroughEveryReadingExport) {
    const std::string big = Pattern(65537, 3);
    ASSERT_EQ(BuildPlainArchive(archive, 4, {{"a.txt", "hello", 1}, {"sub\\big.bin", big, 2}, {"e", "", 3}},
                                dir.path()),
              0);
    int slots = 0, longest = 0;
    EXPECT_EQ(api::GetCount(archive.c_str(), &slots, &longest), 3);
    EXPECT_EQ(slots, 4);
    EXPECT_EQ(longest, 11);
    char name[32];
    EXPECT_EQ(api::GetName(archive.c_str(), 1, name, 31), 0);
    EXPECT_STREQ(name, "sub\\big.bin");
    TAchFileInfo info{};
    EXPECT_EQ(api::GetInfo(archive.c_str(), 1, &info), 0);
    EXPECT_EQ(info.size, 65537u);
    EXPECT_EQ((uint64_t(info.lastWriteHigh) << 32) | info.lastWriteLow, FixedFiletime(2));
    EXPECT_EQ(api::Find(archive.c_str(), "E"), 2);
    char raw[5];
    EXPECT_EQ(api::MemCopy(archive.c_str(), "a.txt", raw, 0, 5), 5);
    EXPECT_EQ(std::string(raw, 5), "hello");
    EXPECT_EQ(api::SaveByName(archive.c_str(), "SUB\\BIG.BIN", (dir / "out.bin").c_str()), 0);
    EXPECT_EQ(ReadAll(dir / "out.bin"), big);
    const std::string out = dir / "all";
    EXPECT_EQ(api::SaveAll(archive.c_str(), out.c_str()), 0);
    EXPECT_EQ(ReadAll(out + "\\a.txt"), "hello");
    EXPECT_EQ(ReadAll(out + "\\sub\\big.bin"), big);
    EXPECT_EQ(ReadAll(out + "\\e"), "");
}

TEST_F(WriterTest, RefusedAddsLeaveTheArchiveAsItWas) {
    ASSERT_EQ(BuildPlainArchive(archive, 2, {{"a.txt", "hello", 1}}, dir.path()), 0);
    ASSERT_TRUE(MakeSourceFile(dir / "src.txt", "data", 4));
    const std::string before = ReadAll(archive);
    const std::string src = dir / "src.txt";
    struct Case {
        const char* what;
        std::string source;
        std::string name;
        int result;
    } cases[] = {
        {"missing source", dir / "nothing", "x", ARKSTOWRET_SOURCE_INFO_FAILED},
        {"folder as source", dir.path(), "x", ARKSTOWRET_SOURCE_INFO_FAILED},
        {"empty name", src, "", ARKSTOWRET_UNSAFE_NAME},
        {"name of 4096 bytes", src, std::string(4096, 'n'), ARKSTOWRET_UNSAFE_NAME},
        {"parent folder", src, "..\\x", ARKSTOWRET_UNSAFE_NAME},
        {"parent inside", src, "a\\..\\..\\x", ARKSTOWRET_UNSAFE_NAME},
        {"drive", src, "C:\\x", ARKSTOWRET_UNSAFE_NAME},
        {"rooted", src, "\\x", ARKSTOWRET_UNSAFE_NAME},
        {"slash rooted", src, "/x", ARKSTOWRET_UNSAFE_NAME},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(api::Add(archive.c_str(), c.source.c_str(), c.name.c_str()), c.result);
        EXPECT_EQ(ReadAll(archive), before);
    }
    EXPECT_EQ(api::Add(archive.c_str(), src.c_str(), nullptr), ARKSTOWRET_BAD_ARGUMENT);
    EXPECT_EQ(api::Add((dir / "none.ach").c_str(), src.c_str(), "x"), ARKSTOWRET_OPEN_FAILED);
    EXPECT_FALSE(FileExists(dir / "none.ach"));
}

TEST_F(WriterTest, ALongestNameOf4095BytesIsStoredAndReadBack) {
    ASSERT_EQ(api::CreateNew(archive.c_str(), 1), 0);
    ASSERT_TRUE(MakeSourceFile(dir / "src", "x", 1));
    const std::string name(4095, 'n');
    ASSERT_EQ(api::Add(archive.c_str(), (dir / "src").c_str(), name.c_str()), 0);
    std::string back(4096, '\0');
    EXPECT_EQ(api::GetName(archive.c_str(), 0, back.data(), 4095), 0);
    EXPECT_EQ(back.c_str(), name);
}

TEST_F(WriterTest, AFullArchiveRefusesAndStaysUnchanged) {
    ASSERT_EQ(BuildPlainArchive(archive, 3, {{"a", "1", 1}, {"b", "2", 1}, {"c", "3", 1}}, dir.path()), 0);
    const std::string before = ReadAll(archive);
    ASSERT_TRUE(MakeSourceFile(dir / "d", "4", 1));
    EXPECT_EQ(api::Add(archive.c_str(), (dir / "d").c_str(), "d"), ARKSTOWRET_ARCHIVE_FULL);
    EXPECT_EQ(ReadAll(archive), before);

    ASSERT_EQ(api::CreateNew(archive.c_str(), 0), 0);
    EXPECT_EQ(api::Add(archive.c_str(), (dir / "d").c_str(), "d"), ARKSTOWRET_ARCHIVE_FULL);
    EXPECT_EQ(ReadAll(archive), std::string(4, '\0'));
}

TEST_F(WriterTest, AScrambledArchiveIsNotAppendedTo) {
    ScopedBodyCoding coding;
    ASSERT_EQ(BuildPlainArchive(archive, 3, {{"a", "1", 1}}, dir.path()), 0);
    const std::string scrambled = dir / "s.ach";
    ASSERT_EQ(api::EncryptAchFile(archive.c_str(), scrambled.c_str()), 0);
    const std::string before = ReadAll(scrambled);
    ASSERT_TRUE(MakeSourceFile(dir / "d", "4", 1));
    EXPECT_EQ(api::Add(scrambled.c_str(), (dir / "d").c_str(), "d"), ARKSTOWRET_ALREADY_SCRAMBLED);
    EXPECT_EQ(ReadAll(scrambled), before);
}

TEST_F(WriterTest, TheSameNameTwiceFillsTwoSlotsAndReadersFindTheFirst) {
    ASSERT_EQ(BuildPlainArchive(archive, 3, {{"same", "first", 1}, {"same", "second", 2}}, dir.path()), 0);
    EXPECT_EQ(api::GetCount(archive.c_str(), nullptr, nullptr), 2);
    EXPECT_EQ(api::Find(archive.c_str(), "same"), 0);
    EXPECT_EQ(api::SaveByName(archive.c_str(), "SAME", (dir / "o").c_str()), 0);
    EXPECT_EQ(ReadAll(dir / "o"), "first");
}

TEST_F(WriterTest, TheAddTraceShowsTheCountBeneathIt) {
    ASSERT_EQ(api::CreateNew(archive.c_str(), 1), 0);
    ASSERT_TRUE(MakeSourceFile(dir / "s", "x", 1));
    ASSERT_EQ(api::Add(archive.c_str(), (dir / "s").c_str(), "s"), 0);
    EXPECT_EQ(Server().FunctionTrace(), (std::vector<std::string>{"_Add", "_GetCount"}));
}

#ifndef _WIN32
// Sparse files make the 32-bit limits cheap to reach on the native build.
TEST_F(WriterTest, SourcesOf4GiBAndArchivesPast2GiBAreRefusedBeforeAnyWrite) {
    ASSERT_EQ(BuildPlainArchive(archive, 2, {{"a", "1", 1}}, dir.path()), 0);
    const std::string before = ReadAll(archive);
    const std::string huge = dir / "huge";
    ASSERT_TRUE(WriteWholeFile(huge, ""));
    ASSERT_EQ(truncate(NativePath(huge).c_str(), 0x100000000LL), 0);
    EXPECT_EQ(api::Add(archive.c_str(), huge.c_str(), "huge"), ARKSTOWRET_SOURCE_INFO_FAILED);
    EXPECT_EQ(ReadAll(archive), before);

    // A source that fits, into an archive whose end is one byte too far on.
    ASSERT_TRUE(MakeSourceFile(dir / "small", std::string(100, 's'), 1));
    const off_t fits = 0x7FFFFFFFLL - 100 - 6;  // "small", its terminator, the body
    ASSERT_EQ(truncate(NativePath(archive).c_str(), fits + 1), 0);
    EXPECT_EQ(api::Add(archive.c_str(), (dir / "small").c_str(), "small"), ARKSTOWRET_SOURCE_INFO_FAILED);
    EXPECT_EQ(std::filesystem::file_size(NativePath(archive)), uintmax_t(fits + 1));
    std::string head(before.size(), '\0');
    {
        std::ifstream in(NativePath(archive), std::ios::binary);
        in.read(head.data(), static_cast<std::streamsize>(head.size()));
    }
    EXPECT_EQ(head, before);
    // Exactly at the limit it still fits.
    ASSERT_EQ(truncate(NativePath(archive).c_str(), fits), 0);
    EXPECT_EQ(api::Add(archive.c_str(), (dir / "small").c_str(), "small"), 0);
    TAchFileInfo info{};
    EXPECT_EQ(api::GetInfo(archive.c_str(), 1, &info), 0);
    EXPECT_EQ(info.size, 100u);
}

// A sysfs file reports 4096 bytes and delivers a few: the copy runs dry after
// the record and the name are written, and both are taken back.
TEST_F(WriterTest, ACopyThatRunsDryPutsTheArchiveBack) {
    const std::string shrinking = "/sys/devices/system/cpu/online";
    std::error_code ec;
    if (std::filesystem::file_size(shrinking, ec) != 4096) GTEST_SKIP() << "no sysfs file that reports 4096 bytes";
    ASSERT_EQ(BuildPlainArchive(archive, 3, {{"a", "1", 1}}, dir.path()), 0);
    const std::string before = ReadAll(archive);
    EXPECT_EQ(api::Add(archive.c_str(), shrinking.c_str(), "online"), ARKSTOWRET_CLIB_ERROR);
    EXPECT_EQ(Server().CLibFunction(), "fread");
    EXPECT_EQ(Server().TargetStream(), shrinking);
    EXPECT_EQ(Hex(ReadAll(archive)), Hex(before));
}
#endif

}  // namespace
}  // namespace ark
