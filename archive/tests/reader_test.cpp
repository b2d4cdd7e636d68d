// The reading exports over archives made by the test-side builder: every export
// as a table, free slots, the first-free-slot rule, hostile images, the error
// log's exact lines, and the plug point of the scrambled form.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/api.h"
#include "archive/frame.h"
#include "archive/scrambled.h"
#include "shared/base/dbcs.h"
#include "shared/base/fs.h"
#include "testing/builders/ach_builder.h"
#include "testing/kit/code_page.h"
#include "testing/kit/file_io.h"
#include "testing/kit/recording_sink.h"
#include "testing/kit/temp_folder.h"

#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace ark {

namespace fs = kb::fs;

namespace {

using kb::testing::FileExists;
using kb::testing::ReadWholeFile;
using kb::testing::RecordingSink;
using kb::testing::ScopedTempFolder;
using kb::testing::TempDir;
using kb::testing::WriteWholeFile;
using testing::AchBuilder;
using testing::BuilderEntry;
using testing::PatternBody;
using testing::PutLe32;

// A caller-owned stream backed by a vector, as a loader would hand one over.
struct VectorStream {
    ArkMemStream s{};
    std::vector<uint8_t> memory;
    int resizeResult = 0;
    bool giveNoMemory = false;
    VectorStream() {
        s.ctx = this;
        s.resize = &Resize;
        s.position = 77;
    }
    static int KB_WINAPI Resize(ArkMemStream* stream, uint32_t size) {
        auto* self = static_cast<VectorStream*>(stream->ctx);
        if (self->resizeResult != 0) return self->resizeResult;
        self->memory.assign(size, 0xEE);
        stream->data = self->giveNoMemory ? nullptr : self->memory.data();
        stream->size = size;
        return 0;
    }
    std::string Bytes() const { return std::string(memory.begin(), memory.end()); }
};

// The fixture archive: "a.txt" (5 bytes), "sub\b.bin" (65,537 bytes, two
// chunks), one free slot.
BuilderEntry EntryA() {
    BuilderEntry e;
    e.name = "a.txt";
    e.body = "hello";
    e.attributes = 0x20;
    return e;
}
BuilderEntry EntryB() {
    BuilderEntry e;
    e.name = "sub\\b.bin";
    e.body = PatternBody(65537);
    e.attributes = 0x21;  // read-only, archive
    e.lastWrite = 0x01D6000000000000ULL;
    return e;
}
std::string A3() { return AchBuilder(3).Add(EntryA()).Add(EntryB()).Build(); }

class ReaderTest : public ::testing::Test {
protected:
    TempDir temp;
    TempDir logDir;
    ScopedTempFolder scopedTemp{logDir.path()};
    RecordingSink sink;

    std::string Put(const std::string& image, const std::string& name = "t.ach") {
        const std::string path = temp / name;
        EXPECT_TRUE(WriteWholeFile(path, image));
        return path;
    }
    std::string Log() {
        std::string log;
        ReadWholeFile(logDir / kErrorLogName, log);
        return log;
    }
    static std::string ExpectedLog(int code, const std::vector<std::string>& trace, const std::string& call,
                                   const std::string& target) {
        std::string s = "ErrorCode = " + std::to_string(code) + "\r\r\n";
        for (const auto& t : trace) s += "Arkstow function: " + t + "\r\r\n";
        return s + "CLib function: " + call + "\r\r\nTarget stream: " + target + "\r\r\n";
    }
};

TEST_F(ReaderTest, GetCountReportsUsedEntriesSlotsAndLongestName) {
    const std::string path = Put(A3());
    int slots = -5, longest = -5;
    EXPECT_EQ(api::GetCount(path.c_str(), nullptr, nullptr), 2);
    EXPECT_EQ(api::GetCount(path.c_str(), &slots, &longest), 2);
    EXPECT_EQ(slots, 3);
    EXPECT_EQ(longest, 9);  // "sub\b.bin" without its terminator
}

TEST_F(ReaderTest, GetCountCases) {
    struct Case {
        const char* what;
        std::string image;
        int count, slots;
    };
    const Case cases[] = {
        {"no slots", AchBuilder(0).Build(), 0, 0},
        {"slot 0 free", AchBuilder(4).Build(), 0, 4},
        {"full", AchBuilder(2).Add("x", "1").Add("y", "").Build(), 2, 2},
        {"file of 3 bytes", std::string(3, '\0'), -100, 0},
        {"cut inside the slot table", A3().substr(0, 30), -100, 3},
    };
    for (const auto& c : cases) {
        const std::string path = Put(c.image);
        int slots = -5, longest = -5;
        EXPECT_EQ(api::GetCount(path.c_str(), &slots, &longest), c.count) << c.what;
        EXPECT_EQ(slots, c.slots) << c.what;
    }
    int slots = -5, longest = -5;
    EXPECT_EQ(api::GetCount((temp / "missing.ach").c_str(), &slots, &longest), -10);
    EXPECT_EQ(slots, 0);
    EXPECT_EQ(longest, 0);
}

TEST_F(ReaderTest, GetNameTable) {
    const std::string path = Put(A3());
    struct Case {
        int index, bufferSize, result;
        const char* name;  // expected contents when result is 0
    };
    const Case cases[] = {
        {0, 5, 0, "a.txt"},           // exactly the name's length: bufferSize + 1 bytes written
        {0, 4096, 0, "a.txt"},
        {1, 9, 0, "sub\\b.bin"},
        {0, 4, -21, nullptr},          // one less: refused, buffer untouched
        {0, 0, -21, nullptr},
        {0, -1, -21, nullptr},
        {-1, 100, -20, nullptr},
        {2, 100, -20, nullptr},        // the free slot is not an entry
        {3, 100, -20, nullptr},
    };
    for (const auto& c : cases) {
        std::vector<char> buffer(16 + 4097, '#');
        EXPECT_EQ(api::GetName(path.c_str(), c.index, buffer.data(), c.bufferSize), c.result)
            << c.index << "/" << c.bufferSize;
        if (c.result == 0) {
            const size_t n = std::strlen(c.name);
            EXPECT_EQ(std::string(buffer.data(), n + 1), std::string(c.name, n + 1));
            EXPECT_EQ(buffer[n + 1], '#');
        } else {
            EXPECT_EQ(buffer[0], '#');
        }
    }
    char b[8];
    EXPECT_EQ(api::GetName((temp / "none.ach").c_str(), 0, b, 7), -10);
}

TEST_F(ReaderTest, GetInfoHandsOutTheStoredBlockUnchanged) {
    const std::string image = A3();
    const std::string path = Put(image);
    TAchFileInfo info{};
    ASSERT_EQ(api::GetInfo(path.c_str(), 1, &info), 0);
    EXPECT_EQ(std::memcmp(&info, image.data() + AchBuilder::SlotPos(1) + 8, 32), 0);
    EXPECT_EQ(info.size, 65537u);
    EXPECT_EQ(info.attributes, 0x21u);
    EXPECT_EQ(api::GetInfo(path.c_str(), 2, &info), -20);
    EXPECT_EQ(api::GetInfo(path.c_str(), 0, nullptr), -23);
}

TEST_F(ReaderTest, LoadByIndexFillsTheCallersStreamWithExactlyTheBody) {
    const std::string path = Put(AchBuilder(4)
                                     .Add(EntryA())
                                     .Add(EntryB())
                                     .Add("one-chunk", PatternBody(65536))
                                     .Add("empty", "")
                                     .Build());
    const std::string bodies[] = {"hello", PatternBody(65537), PatternBody(65536), ""};
    for (int i = 0; i < 4; ++i) {
        VectorStream stream;
        EXPECT_EQ(api::LoadByIndex(path.c_str(), i, &stream.s), 0) << i;
        EXPECT_EQ(stream.Bytes(), bodies[i]) << i;
        EXPECT_EQ(stream.s.position, 0u);
    }
    VectorStream refusing;
    refusing.resizeResult = 1;
    EXPECT_EQ(api::LoadByIndex(path.c_str(), 0, &refusing.s), -52);
    VectorStream noMemory;
    noMemory.giveNoMemory = true;
    EXPECT_EQ(api::LoadByIndex(path.c_str(), 0, &noMemory.s), -54);
    EXPECT_EQ(api::LoadByIndex(path.c_str(), 0, nullptr), -23);
    VectorStream s;
    EXPECT_EQ(api::LoadByIndex(path.c_str(), 4, &s.s), -20);
}

TEST_F(ReaderTest, LoadByNameFoldsAsciiCaseAndTakesTheFirstMatch) {
    const std::string path = Put(AchBuilder(5)
                                     .Add("A.TXT", "first")
                                     .Add("a.txt", "second")
                                     .Add(EntryB())
                                     .Build());
    struct Case {
        const char* name;
        int result;
        const char* body;
    };
    const Case cases[] = {
        {"a.txt", 0, "first"},
        {"A.txt", 0, "first"},
        {"SUB\\B.BIN", 2, nullptr},
        {"b.bin", -1, nullptr},
        {"a.tx", -1, nullptr},
        {"", -1, nullptr},
    };
    for (const auto& c : cases) {
        VectorStream stream;
        EXPECT_EQ(api::LoadByName(path.c_str(), c.name, &stream.s), c.result) << c.name;
        if (c.body) {
            EXPECT_EQ(stream.Bytes(), c.body);
        }
    }
    VectorStream s;
    EXPECT_EQ(api::LoadByName((temp / "none.ach").c_str(), "a.txt", &s.s), -10);
}

// A name is read up to its terminator wherever its body lies: right after it,
// inside it, before it, or far away.
TEST_F(ReaderTest, NamesAreReadWhereverTheBodyLies) {
    const AchBuilder builder = AchBuilder(3).Add(EntryA()).Add(EntryB());
    const uint32_t name1 = builder.NameOffset(1);
    struct Case {
        const char* what;
        uint32_t bodyOffset1;
    };
    const Case cases[] = {
        {"body right after the name", builder.BodyOffset(1)},
        {"body two bytes into the name", name1 + 2},
        {"body at the name", name1},
        {"body before the name", builder.BodyOffset(0)},
        {"body far beyond the name", builder.BodyOffset(1) + 5000},
    };
    for (const auto& c : cases) {
        std::string image = builder.Build();
        PutLe32(image, AchBuilder::SlotPos(1) + 4, c.bodyOffset1);
        const std::string path = Put(image);
        char name[64];
        EXPECT_EQ(api::GetName(path.c_str(), 1, name, 63), 0) << c.what;
        EXPECT_STREQ(name, "sub\\b.bin") << c.what;
        int longest = 0;
        EXPECT_EQ(api::GetCount(path.c_str(), nullptr, &longest), 2) << c.what;
        EXPECT_EQ(longest, 9) << c.what;
        EXPECT_EQ(api::Find(path.c_str(), "SUB\\B.BIN"), 1) << c.what;
        VectorStream stream;
        EXPECT_EQ(api::LoadByName(path.c_str(), "a.txt", &stream.s), 0) << c.what;
        EXPECT_EQ(stream.Bytes(), "hello") << c.what;
    }
}

// Names stored in another order than their records are read all the same.
TEST_F(ReaderTest, NamesOutOfRecordOrder) {
    const AchBuilder builder = AchBuilder(3).Add(EntryA()).Add(EntryB());
    std::string image = builder.Build();
    PutLe32(image, AchBuilder::SlotPos(0), builder.NameOffset(1));
    PutLe32(image, AchBuilder::SlotPos(1), builder.NameOffset(0));
    const std::string path = Put(image);
    int longest = 0;
    EXPECT_EQ(api::GetCount(path.c_str(), nullptr, &longest), 2);
    EXPECT_EQ(longest, 9);
    EXPECT_EQ(api::Find(path.c_str(), "a.txt"), 1);
    VectorStream stream;
    EXPECT_EQ(api::LoadByName(path.c_str(), "sub\\b.bin", &stream.s), 0);
    EXPECT_EQ(stream.Bytes(), "hello");
}

// Records are read a block at a time: entries on both sides of a block's end
// are found, and a table cut past the first block still reads as damaged.
TEST_F(ReaderTest, ManyEntriesAcrossTheRecordBlocks) {
    AchBuilder builder(600);
    for (int i = 0; i < 520; ++i) builder.Add("e" + std::to_string(i), "body" + std::to_string(i));
    const std::string image = builder.Build();
    const std::string path = Put(image);
    int slots = 0;
    EXPECT_EQ(api::GetCount(path.c_str(), &slots, nullptr), 520);
    EXPECT_EQ(slots, 600);
    for (int i : {0, 255, 256, 257, 511, 512, 519}) {
        VectorStream stream;
        const std::string name = "E" + std::to_string(i);
        EXPECT_EQ(api::LoadByName(path.c_str(), name.c_str(), &stream.s), i) << name;
        EXPECT_EQ(stream.Bytes(), "body" + std::to_string(i)) << name;
        EXPECT_EQ(api::Find(path.c_str(), name.c_str()), i) << name;
    }
    VectorStream none;
    EXPECT_EQ(api::LoadByName(path.c_str(), "e520", &none.s), -1);

    const std::string cut = Put(image.substr(0, AchBuilder::SlotPos(300) + 20), "cut.ach");
    EXPECT_EQ(api::GetCount(cut.c_str(), nullptr, nullptr), -100);
    EXPECT_EQ(api::LoadByName(cut.c_str(), "e299", &none.s), -100);
    EXPECT_EQ(api::Find(cut.c_str(), "e299"), -100);
}

TEST_F(ReaderTest, LoadByNameComparesTrailBytesExactly) {
    KB_REQUIRE_CP932();
    // 0x83 0x41 and 0x83 0x61 are two different Japanese characters.
    const std::string path = Put(AchBuilder(2).Add("\x83\x41.bmp", "x").Build());
    VectorStream s;
    EXPECT_EQ(api::LoadByName(path.c_str(), "\x83\x61.bmp", &s.s), -1);
    EXPECT_EQ(api::LoadByName(path.c_str(), "\x83\x41.BMP", &s.s), 0);
    kb::testing::UseSingleByteCodePage();
}

TEST_F(ReaderTest, FindStopsAtTheFirstFreeSlot) {
    // A header of 65 reads as the name "A" at offset 0: a free slot (name offset
    // 0) must not be taken for it.
    const std::string path = Put(AchBuilder(65).Add("x", "body").Build());
    EXPECT_EQ(api::Find(path.c_str(), "a"), -1);
    EXPECT_EQ(api::Find(path.c_str(), "X"), 0);
    char buffer[4] = {'#', '#', '#', '#'};
    EXPECT_EQ(api::MemCopy(path.c_str(), "a", buffer, 0, 4), -1);
    EXPECT_EQ(buffer[0], '#');
}

TEST_F(ReaderTest, FindTable) {
    const std::string dup = Put(AchBuilder(3).Add("Dup", "1").Add("dup", "2").Build(), "dup.ach");
    EXPECT_EQ(api::Find(dup.c_str(), "DUP"), 0);
    EXPECT_EQ(api::Find(dup.c_str(), "du"), -1);
    EXPECT_EQ(api::Find(Put(AchBuilder(0).Build(), "empty.ach").c_str(), "x"), -1);
    std::string scrambled = A3();
    PutLe32(scrambled, 0, ~3u);
    EXPECT_EQ(api::Find(Put(scrambled, "s.ach").c_str(), "a.txt"), -1);
    EXPECT_EQ(api::Find((temp / "none.ach").c_str(), "x"), -10);
}

TEST_F(ReaderTest, MemCopyCopiesRawBodyBytes) {
    const std::string path = Put(A3());
    char buffer[8] = {};
    EXPECT_EQ(api::MemCopy(path.c_str(), "A.TXT", buffer, 2, 3), 5);
    EXPECT_EQ(std::string(buffer, 3), "llo");
    char big[70000];
    EXPECT_EQ(api::MemCopy(path.c_str(), "sub\\b.bin", big, 65530, 7), 65537);
    EXPECT_EQ(std::string(big, 7), PatternBody(65537).substr(65530));

    struct Refused {
        int offset, length, result;
    };
    for (const Refused& r : {Refused{-1, 3, -23}, Refused{0, -1, -23}, Refused{0x7FFFFFFF, 1, -23}}) {
        char guard[4] = {'#', '#', '#', '#'};
        EXPECT_EQ(api::MemCopy(path.c_str(), "a.txt", guard, r.offset, r.length), r.result);
        EXPECT_EQ(guard[0], '#');
    }
    EXPECT_EQ(api::MemCopy(path.c_str(), "zzz", buffer, 0, 1), -1);
    std::string scrambled = A3();
    PutLe32(scrambled, 0, ~3u);
    EXPECT_EQ(api::MemCopy(Put(scrambled, "s.ach").c_str(), "a.txt", buffer, 0, 1), -1);
}

TEST_F(ReaderTest, SaveAllExtractsEveryEntryWithItsFolders) {
    const std::string path = Put(AchBuilder(4).Add(EntryA()).Add(EntryB()).Add("empty.dat", "").Build());
    TempDir dest;
    ASSERT_EQ(api::SaveAll(path.c_str(), dest.path().c_str()), 0);
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(dest / "a.txt", bytes));
    EXPECT_EQ(bytes, "hello");
    ASSERT_TRUE(ReadWholeFile(dest / "sub\\b.bin", bytes));
    EXPECT_EQ(bytes, PatternBody(65537));
    ASSERT_TRUE(ReadWholeFile(dest / "empty.dat", bytes));
    EXPECT_EQ(bytes, "");

    fs::FileTimes times;
    ASSERT_TRUE(fs::GetTimes(dest / "sub\\b.bin", &times));
    EXPECT_EQ(times.lastWrite, EntryB().lastWrite);
    uint32_t attributes = 0;
    ASSERT_TRUE(fs::GetAttributes(dest / "sub\\b.bin", &attributes));
    EXPECT_EQ(attributes & fs::kAttrReadOnly, fs::kAttrReadOnly);
    ASSERT_TRUE(fs::GetAttributes(dest / "a.txt", &attributes));
    EXPECT_EQ(attributes & fs::kAttrReadOnly, 0u);

    // Again over the read-only copy: replaced.
    EXPECT_EQ(api::SaveAll(path.c_str(), dest.path().c_str()), 0);
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(ReaderTest, SaveAllWithSlotZeroFreeWritesNothing) {
    const std::string path = Put(AchBuilder(3).Build());
    TempDir dest;
    EXPECT_EQ(api::SaveAll(path.c_str(), (dest / "out").c_str()), 0);
    EXPECT_FALSE(FileExists(dest / "out"));
}

TEST_F(ReaderTest, SaveAllRefusesNamesThatLeaveTheFolderAndGoesOn) {
    const char* unsafe[] = {"..\\x", "C:\\x", "\\x", "/x", "a\\..\\..\\x", "a/../../x", "", "a\\\\x", ". \\x",
                            "x\\.."};
    for (const char* name : unsafe) {
        TempDir box;  // dest is box\in\out, so an escape lands in box or above
        const std::string path =
            Put(AchBuilder(3).Add("first.txt", "1").Add(name, "evil").Add("last.txt", "3").Build());
        const std::string dest = box / "in\\out";
        EXPECT_EQ(api::SaveAll(path.c_str(), dest.c_str()), -22) << name;
        std::string bytes;
        EXPECT_TRUE(ReadWholeFile(dest + "\\first.txt", bytes)) << name;
        EXPECT_TRUE(ReadWholeFile(dest + "\\last.txt", bytes)) << name;
        EXPECT_FALSE(FileExists(box / "x")) << name;
        EXPECT_FALSE(FileExists(box / "in\\x")) << name;
    }
}

TEST_F(ReaderTest, SaveAllKeepsTheLastFailureAndExtractsTheRest) {
    AchBuilder b(4);
    b.Add("good1", "1").Add("bad", "22").Add("good2", "3");
    std::string image = b.Build();
    PutLe32(image, AchBuilder::SlotPos(1) + 8, 0x7FFFFFF0);  // a size far beyond the file
    const std::string path = Put(image);
    TempDir dest;
    EXPECT_EQ(api::SaveAll(path.c_str(), dest.path().c_str()), -100);
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile(dest / "good1", bytes));
    EXPECT_TRUE(ReadWholeFile(dest / "good2", bytes));
    EXPECT_FALSE(FileExists(dest / "bad"));
}

TEST_F(ReaderTest, SaveByIndexAndByNameReplaceAReadOnlyFile) {
    const std::string path = Put(A3());
    TempDir dest;
    const std::string target = dest / "deep\\er\\copy.bin";
    ASSERT_EQ(api::SaveByIndex(path.c_str(), 1, target.c_str()), 0);
    ASSERT_TRUE(fs::SetAttributes(target, fs::kAttrReadOnly));
    ASSERT_EQ(api::SaveByName(path.c_str(), "A.txt", target.c_str()), 0);
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(target, bytes));
    EXPECT_EQ(bytes, "hello");
    uint32_t attributes = 0;
    ASSERT_TRUE(fs::GetAttributes(target, &attributes));
    EXPECT_EQ(attributes & fs::kAttrReadOnly, 0u);  // a.txt's own attributes
    EXPECT_EQ(api::SaveByName(path.c_str(), "nothing", target.c_str()), -1);
    EXPECT_EQ(api::SaveByIndex(path.c_str(), 2, target.c_str()), -20);
    ASSERT_TRUE(ReadWholeFile(target, bytes));
    EXPECT_EQ(bytes, "hello");
}

// The names in folder, sorted.
std::vector<std::string> NamesIn(const std::string& windowsFolder) {
    std::vector<fs::DirEntry> entries;
    EXPECT_TRUE(fs::ListFolder(windowsFolder, &entries));
    std::vector<std::string> names;
    for (const auto& e : entries) names.push_back(e.name);
    std::sort(names.begin(), names.end());
    return names;
}

// A destination that cannot be replaced fails with -55 and keeps every
// attribute it had: a folder, and a file someone holds without sharing.
TEST_F(ReaderTest, SaveThatFailsLeavesTheDestinationsAttributesAlone) {
    const std::string path = Put(A3());
    TempDir dest;
    const uint32_t marks = fs::kAttrReadOnly | fs::kAttrHidden | fs::kAttrSystem;
    const std::string folder = dest / "folder";
    ASSERT_TRUE(fs::CreateFolder(folder));
#ifdef _WIN32
    // Wine keeps no read-only bit on a folder it can be asked to hold.
    ASSERT_TRUE(fs::SetAttributes(folder, fs::kAttrHidden | fs::kAttrSystem | fs::kAttrDirectory));
#else
    ASSERT_TRUE(fs::SetAttributes(folder, marks | fs::kAttrDirectory));
#endif
    const std::string held = dest / "held.txt";
    ASSERT_TRUE(WriteWholeFile(held, "the user's own"));
    fs::File holder = fs::File::Open(held, fs::Access::Read, fs::Disposition::OpenExisting, fs::Share::Read);
    ASSERT_TRUE(holder.IsOpen());
    ASSERT_TRUE(fs::SetAttributes(held, marks));
    const std::vector<std::string> before = NamesIn(dest.path());
    for (const std::string& target : {folder, held}) {
        SCOPED_TRACE(target);
        uint32_t was = 0;
        ASSERT_TRUE(fs::GetAttributes(target, &was));
        EXPECT_EQ(api::SaveByIndex(path.c_str(), 0, target.c_str()), ARKSTOWRET_SAVE_FAILED);
        EXPECT_EQ(api::SaveByName(path.c_str(), "a.txt", target.c_str()), ARKSTOWRET_SAVE_FAILED);
        uint32_t attributes = 0;
        ASSERT_TRUE(fs::GetAttributes(target, &attributes));
        EXPECT_EQ(attributes & fs::kAttrSettable, was & fs::kAttrSettable);
        EXPECT_EQ(attributes & marks, was & marks);
        EXPECT_EQ(NamesIn(dest.path()), before);  // nothing of the new body stays
    }
    holder.Close();
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(held, bytes));
    EXPECT_EQ(bytes, "the user's own");
    fs::SetAttributes(held, 0);
    fs::SetAttributes(folder, fs::kAttrDirectory);
}

// Hidden and system alone do not stand in the way of a replacement; the file
// ends with the archived attributes.
TEST_F(ReaderTest, SaveReplacesAHiddenSystemFile) {
    const std::string path = Put(A3());
    TempDir dest;
    const std::string target = dest / "a.txt";
    ASSERT_TRUE(WriteWholeFile(target, "old"));
    ASSERT_TRUE(fs::SetAttributes(target, fs::kAttrHidden | fs::kAttrSystem | fs::kAttrReadOnly));
    EXPECT_EQ(api::SaveByIndex(path.c_str(), 0, target.c_str()), 0);
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(target, bytes));
    EXPECT_EQ(bytes, "hello");
    uint32_t attributes = 0;
    ASSERT_TRUE(fs::GetAttributes(target, &attributes));
    EXPECT_EQ(attributes & fs::kAttrSettable, fs::kAttrArchive);
    EXPECT_EQ(NamesIn(dest.path()), std::vector<std::string>{"a.txt"});
}

#ifndef _WIN32
// A write that fails part-way (here the process's file-size limit, as a full
// disc would) leaves the old file as it was and no part of the new one.
TEST_F(ReaderTest, SaveThatFailsWhileWritingKeepsTheOldFile) {
    const std::string path = Put(A3());
    TempDir dest;
    const std::string target = dest / "b.bin";
    ASSERT_TRUE(WriteWholeFile(target, "the user's old b.bin"));
    ASSERT_TRUE(fs::SetAttributes(target, fs::kAttrReadOnly));
    struct Limit {
        rlimit old{};
        void (*oldHandler)(int) = nullptr;
        Limit() {
            getrlimit(RLIMIT_FSIZE, &old);
            oldHandler = std::signal(SIGXFSZ, SIG_IGN);
            rlimit small = old;
            small.rlim_cur = 4096;  // below the 65,537-byte body, above the archive's reads
            setrlimit(RLIMIT_FSIZE, &small);
        }
        ~Limit() {
            setrlimit(RLIMIT_FSIZE, &old);
            std::signal(SIGXFSZ, oldHandler);
        }
    };
    {
        Limit limit;
        EXPECT_EQ(api::SaveByIndex(path.c_str(), 1, target.c_str()), ARKSTOWRET_SAVE_FAILED);
        EXPECT_EQ(api::SaveByName(path.c_str(), "SUB\\B.BIN", target.c_str()), ARKSTOWRET_SAVE_FAILED);
        // SaveAll writes a.txt (5 bytes) and fails on b.bin.
        ASSERT_TRUE(fs::CreateFolder(dest / "sub"));
        ASSERT_TRUE(WriteWholeFile(dest / "sub\\b.bin", "the user's old sub\\b.bin"));
        EXPECT_EQ(api::SaveAll(path.c_str(), dest.path().c_str()), ARKSTOWRET_SAVE_FAILED);
    }
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(target, bytes));
    EXPECT_EQ(bytes, "the user's old b.bin");
    uint32_t attributes = 0;
    ASSERT_TRUE(fs::GetAttributes(target, &attributes));
    EXPECT_EQ(attributes & fs::kAttrReadOnly, fs::kAttrReadOnly);
    ASSERT_TRUE(ReadWholeFile(dest / "sub\\b.bin", bytes));
    EXPECT_EQ(bytes, "the user's old sub\\b.bin");
    EXPECT_EQ(NamesIn(dest.path()), (std::vector<std::string>{"a.txt", "b.bin", "sub"}));
    EXPECT_EQ(NamesIn(dest / "sub"), std::vector<std::string>{"b.bin"});
    fs::SetAttributes(target, 0);
}
#endif

// Every file under folder, as paths relative to it with "/" separators, sorted.
std::vector<std::string> FilesUnder(const std::string& windowsFolder) {
    namespace stdfs = std::filesystem;
    const std::string folder = kb::testing::NativePath(windowsFolder);
    std::vector<std::string> files;
    std::error_code ec;
    for (stdfs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file()) files.push_back(stdfs::relative(it->path(), folder).generic_string());
    }
    EXPECT_FALSE(ec) << folder << ": " << ec.message();
    std::sort(files.begin(), files.end());
    return files;
}

// Damaged and hostile images: each gives a clean code, no overrun (sanitizers),
// no huge allocation and nothing written outside the destination.
TEST_F(ReaderTest, HostileImages) {
    struct Case {
        const char* what;
        std::string image;
        int count;
        int name0;
        const char* name;  // slot 0's name when name0 is 0
        int load0;
        const char* body;  // slot 0's body when load0 is 0
        int byName, find, saveAll;
        std::vector<std::string> saved;  // what SaveAll leaves in the destination
    };
    auto patched = [](size_t pos, uint32_t value) {
        std::string image = A3();
        PutLe32(image, pos, value);
        return image;
    };
    const uint32_t s0 = AchBuilder::SlotPos(0);
    std::string huge = AchBuilder(1).Add("n", "b").Build();
    PutLe32(huge, 0, 0x7FFFFFFF);  // claims two billion slots, holds one record
    std::string longName = AchBuilder(1).Add(std::string(5000, 'n'), "b").Build();
    std::string unterminated = AchBuilder(1).Add("abc", "").Build();
    unterminated.pop_back();  // the name's terminator is cut off: the file ends inside the name
    const Case cases[] = {
        {"slot count far beyond the file", huge, -100, -100, "", -100, "", -100, -100, -100, {}},
        // SaveAll counts without reading names: the first entry fails, the second is saved.
        {"name offset beyond the end", patched(s0 + 0, 0x00100000), -100, -100, "", 0, "hello", -100, -100, -100, {"sub/b.bin"}},
        {"negative name offset", patched(s0 + 0, 0x80000000), -100, -100, "", 0, "hello", -100, -100, -100, {"sub/b.bin"}},
        {"size 0xFFFFFFFF", patched(s0 + 8, 0xFFFFFFFF), 2, 0, "a.txt", -100, "", -1, -1, -100, {"sub/b.bin"}},
        {"body offset beyond the end", patched(s0 + 4, 0x7FFFFFFF), 2, 0, "a.txt", -100, "", -1, -1, -100, {"sub/b.bin"}},
        {"negative body offset", patched(s0 + 4, 0xFFFFFF00), 2, 0, "a.txt", -100, "", -1, -1, -100, {"sub/b.bin"}},
        {"name of 4096 bytes or more", longName, -100, -100, "", 0, "b", -100, -100, -100, {}},
        {"unterminated name at the end", unterminated, -100, -100, "", -100, "", -100, -100, -100, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = Put(c.image);
        int longest = 0;
        EXPECT_EQ(api::GetCount(path.c_str(), nullptr, &longest), c.count);
        char name[4097] = {};
        EXPECT_EQ(api::GetName(path.c_str(), 0, name, 4096), c.name0);
        if (c.name0 == 0) {
            EXPECT_STREQ(name, c.name);
        }
        VectorStream stream;
        EXPECT_EQ(api::LoadByIndex(path.c_str(), 0, &stream.s), c.load0);
        if (c.load0 == 0) {
            EXPECT_EQ(stream.Bytes(), c.body);
        }
        VectorStream byName;
        EXPECT_EQ(api::LoadByName(path.c_str(), "zz", &byName.s), c.byName);
        EXPECT_EQ(api::Find(path.c_str(), "zz"), c.find);
        TempDir dest;  // inside the temp folder, which is logDir here
        EXPECT_EQ(api::SaveAll(path.c_str(), dest.path().c_str()), c.saveAll);
        EXPECT_EQ(FilesUnder(dest.path()), c.saved);
        // Nothing beside the archive; nothing in the temp folder but the error log
        // and the destination.
        EXPECT_EQ(FilesUnder(temp.path()), std::vector<std::string>{"t.ach"});
        const std::string destPrefix =
            std::filesystem::relative(kb::testing::NativePath(dest.path()), kb::testing::NativePath(logDir.path())).generic_string() + "/";
        for (const auto& f : FilesUnder(logDir.path())) {
            if (f.rfind(destPrefix, 0) != 0) {
                EXPECT_EQ(f, kErrorLogName);
            }
        }
    }
}

TEST_F(ReaderTest, GetNameOnAnArchiveCutInsideTheSlotTableLogsTheCountsRead) {
    const std::string path = Put(A3().substr(0, 30));
    char name[16];
    EXPECT_EQ(api::GetName(path.c_str(), 0, name, 15), -100);
    EXPECT_EQ(Log(), ExpectedLog(-100, {"_GetName", "_GetCount"}, "fread", path));
    EXPECT_TRUE(sink.messages.empty());

    // A successful call afterwards leaves the log as it is.
    const std::string good = Put(A3(), "good.ach");
    EXPECT_EQ(api::GetName(good.c_str(), 0, name, 15), 0);
    EXPECT_EQ(Log(), ExpectedLog(-100, {"_GetName", "_GetCount"}, "fread", path));
}

TEST_F(ReaderTest, SaveAllFailingInsideTheBodyReaderLogsTheWholePath) {
    std::string image = A3();
    PutLe32(image, AchBuilder::SlotPos(0) + 8, 0x00FFFFFF);
    const std::string path = Put(image);
    TempDir dest;
    EXPECT_EQ(api::SaveAll(path.c_str(), dest.path().c_str()), -100);
    // The first entry fails; the second is then extracted, and the log keeps
    // the failure's trace as it stood (the trace is never trimmed in one call).
    EXPECT_EQ(Log(), ExpectedLog(-100,
                                 {"_SaveAll", "_GetCount", "_GetName", "_GetCount", "_SaveByIndex", "_LoadByIndex",
                                  "_GetCount", "SaveToStream"},
                                 "fread", "vSrc"));
}

TEST_F(ReaderTest, ALogThatCannotBeWrittenShowsOneMessageAndKeepsTheResult) {
    ScopedTempFolder missing(logDir / "gone");
    const std::string path = Put(std::string(2, '\0'));
    EXPECT_EQ(api::GetCount(path.c_str(), nullptr, nullptr), -100);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].first, "Arkstow");
    EXPECT_EQ(sink.messages[0].second, "FatalError:\nFailed to open log file.");
}

// A stand-in for the scrambled form: XOR of each record byte with its position
// plus the slot index, and a body coding by position in the decoded buffer.
class TestForm final : public ScrambledForm {
public:
    void UnscrambleSlot(uint8_t (&record)[kSlotSize], uint32_t slotIndex) override {
        for (size_t j = 0; j < kSlotSize; ++j) record[j] ^= static_cast<uint8_t>(j + slotIndex * 3 + 1);
        ++slotCalls;
    }
    bool DecryptBody(uint8_t* buffer, size_t length) override {
        if (length != kChunkSize) return false;  // the reader always decodes a whole chunk
        for (size_t i = 0; i < length; ++i) buffer[i] ^= static_cast<uint8_t>(i * 13 + 5);
        return true;
    }
    int slotCalls = 0;
};

std::string Scramble(const AchBuilder& b) {
    std::string image = b.Build();
    const uint32_t n = static_cast<uint32_t>(ReadLe32(reinterpret_cast<const uint8_t*>(image.data())));
    PutLe32(image, 0, ~n);
    for (uint32_t s = 0; s < n; ++s)
        for (size_t j = 0; j < kSlotSize; ++j)
            image[AchBuilder::SlotPos(s) + j] ^= static_cast<char>(j + s * 3 + 1);
    for (size_t e = 0; e < b.entries().size(); ++e) {
        for (size_t k = 0; k < b.entries()[e].name.size(); ++k) image[b.NameOffset(e) + k] ^= '\xFF';
        const size_t body = b.BodyOffset(e);
        for (size_t k = 0; k < b.entries()[e].body.size(); ++k)
            image[body + k] ^= static_cast<char>((k % kChunkSize) * 13 + 5);
    }
    return image;
}

TEST_F(ReaderTest, ScrambledArchivesReadThroughTheInstalledForm) {
    AchBuilder b(3);
    b.Add(EntryA()).Add(EntryB());
    const std::string path = Put(Scramble(b));
    TestForm form;
    ScrambledForm* previous = SetScrambledForm(&form);
    int slots = 0, longest = 0;
    EXPECT_EQ(api::GetCount(path.c_str(), &slots, &longest), 2);
    EXPECT_EQ(slots, 3);
    EXPECT_EQ(longest, 9);
    char name[16];
    EXPECT_EQ(api::GetName(path.c_str(), 1, name, 15), 0);
    EXPECT_STREQ(name, "sub\\b.bin");
    VectorStream stream;
    EXPECT_EQ(api::LoadByIndex(path.c_str(), 1, &stream.s), 0);
    EXPECT_EQ(stream.Bytes(), PatternBody(65537));
    VectorStream byName;
    EXPECT_EQ(api::LoadByName(path.c_str(), "A.TXT", &byName.s), 0);
    EXPECT_EQ(byName.Bytes(), "hello");
    EXPECT_EQ(api::Find(path.c_str(), "a.txt"), -1);
    TempDir dest;
    EXPECT_EQ(api::SaveAll(path.c_str(), dest.path().c_str()), 0);
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(dest / "sub\\b.bin", bytes));
    EXPECT_EQ(bytes, PatternBody(65537));

    SetScrambledForm(nullptr);
    EXPECT_EQ(api::GetCount(path.c_str(), nullptr, nullptr), -72);
    SetScrambledForm(previous);
}

}  // namespace
}  // namespace ark
