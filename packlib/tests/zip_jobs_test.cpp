// EnumFilesInZipPkg and UnPackSubFile: listings and single files out of a
// compressed entry, their errors, calls made while the previous job still runs,
// stops, and the one-shot options put back after every end.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <thread>

#include "zip_test_support.h"

namespace kb::pack::ziptest {
namespace {

using kb::testing::Listing;
using kb::testing::Pattern;
using kb::testing::ReadAll;

class ZipJobs : public ZipTest {
protected:
    void SetUp() override {
        ZipTest::SetUp();
        work = dir / "work";
        ASSERT_TRUE(fs::CreateFolder(work));
        app.SetWorkingDir((work + "\\").c_str());
        container = MakeContainer(dir.path(), ThreeFilesIn("set"));
        PackBuilder b;
        b.Encrypted(6).Add("plain.txt", "plain").Add(Compressed("set.cmp", container)).Add(Compressed("sub\\in.cmp", container));
        pack = WritePack(b);
        ASSERT_EQ(container.size() / 1024, 5u);
    }
    int Enum(const std::string& entry, char* names, int namesSize, uint32_t* sizes, int sizesBytes,
             const char* password = "secret1", const std::string& packPath = "") {
        return app.EnumFilesInZipPkg((packPath.empty() ? pack : packPath).c_str(), entry.c_str(), names, namesSize,
                                     sizes, sizesBytes, password);
    }
    // An unpack of set.cmp expands it: the one-shot options are at their defaults.
    void ExpectPlainUnpackExpands() {
        kb::testing::WipePath(out);
        ASSERT_TRUE(fs::CreateFolder(out));
        EXPECT_EQ(RunToEnd(pack, "set.cmp"), PACKPROGRESS_DONE);
        EXPECT_EQ(Listing(out), (std::vector<std::string>{"set"}));
        EXPECT_EQ(Listing(out + "\\set"), (std::vector<std::string>{"a.txt", "e.txt", "sub"}));
    }

    std::string work;
    std::string container;
    std::string pack;
};

// The names of a NameList.
std::vector<std::string> Names(const char* list) {
    std::vector<std::string> names;
    for (const char* p = list; *p; p += std::strlen(p) + 1) names.emplace_back(p);
    return names;
}

const std::vector<std::string> kRecordNames = {"\\set\\a.txt", "\\set\\sub\\b.bin", "\\set\\e.txt"};

// A copy of the three-file container (N = 5 whole KiB) stopped after its first
// chunk: (1 + 1) x 50 / (N + 1).
constexpr int kStoppedAtFirstChunk = 16;

TEST_F(ZipJobs, EnumListsTheRecordsAndDeletesItsCopy) {
    for (const char* entry : {"set.cmp", "SUB\\IN.CMP"}) {
        SCOPED_TRACE(entry);
        char names[256];
        std::memset(names, 'x', sizeof names);
        uint32_t sizes[3] = {};
        EXPECT_EQ(Enum(entry, names, sizeof names, sizes, sizeof sizes), 3);
        EXPECT_EQ(Names(names), kRecordNames);
        EXPECT_EQ(sizes[0], 3000u);
        EXPECT_EQ(sizes[1], 2500u);
        EXPECT_EQ(sizes[2], 0u);
        // The copy and the folders made for it are gone; the listing touched nothing else.
        EXPECT_TRUE(Listing(work).empty());
        EXPECT_TRUE(Listing(out).empty());
        EXPECT_EQ(app.GetProgress(nullptr), PACKPROGRESS_KEPT);
    }
}

TEST_F(ZipJobs, EnumBufferBoundsAndErrors) {
    // Names with their zeros and the final zero: 11 + 15 + 11 + 1 bytes.
    const int exact = 38;
    const std::string cut = dir / "cut.pck";
    {
        PackBuilder b;
        b.Add(Compressed("set.cmp", container));
        const std::string full = b.Bytes();
        ASSERT_TRUE(kb::testing::WriteWholeFile(cut, full.substr(0, full.size() - 100)));
    }
    const std::string hostile = WritePack(
        PackBuilder().Add(Compressed("h.cmp", RecordBytes().U32(0xFFFFFFF0).Raw("\\a").bytes)).Add(Compressed("none.cmp", "")),
        "h.pck");
    struct Case {
        const char* what;
        std::string entry;
        int namesSize;
        int sizesBytes;
        const char* password;
        std::string packPath;
        int result;
    } cases[] = {
        {"exact buffers", "set.cmp", exact, 12, "secret1", "", 3},
        {"name buffer one byte short", "set.cmp", exact - 1, 12, "secret1", "", PACKERR_NAME_BUFFER_OVERFLOW},
        {"size buffer one byte short", "set.cmp", exact, 11, "secret1", "", PACKERR_SIZE_BUFFER_OVERFLOW},
        {"empty name", "", exact, 12, "secret1", "", PACKERR_NO_FILE_FOUND},
        // Refused before the pack is opened: the path names no file at all.
        {"plain name", "a.txt", exact, 12, "secret1", dir / "none.pck", PACKERR_NOT_COMPRESSED_FILE},
        {"short name", "cmp", exact, 12, "secret1", dir / "none.pck", PACKERR_NOT_COMPRESSED_FILE},
        {"no such entry", "zzz.cmp", exact, 12, "secret1", "", PACKERR_FILE_NOT_FOUND},
        {"wrong password", "set.cmp", exact, 12, "secret2", "", PACKERR_WRONG_PASSWORD},
        {"copy cut short", "set.cmp", exact, 12, "secret1", cut, PACKERR_FILE_IO},
        {"damaged container", "h.cmp", exact, 12, "secret1", hostile, PACKERR_UNCOMPRESSION},
        {"empty container", "none.cmp", exact, 12, "secret1", hostile, PACKERR_NO_FILE_FOUND},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<char> names(static_cast<size_t>(c.namesSize), 'x');
        std::vector<uint32_t> sizes(4, 0xEEEEEEEE);
        EXPECT_EQ(Enum(c.entry, names.data(), c.namesSize, sizes.data(), c.sizesBytes, c.password, c.packPath),
                  c.result);
        if (c.result == 3) {
            EXPECT_EQ(Names(names.data()), kRecordNames);
            EXPECT_EQ(sizes[3], 0xEEEEEEEEu);
        }
        EXPECT_TRUE(Listing(work).empty());
    }
    EXPECT_EQ(app.EnumFilesInZipPkg(pack.c_str(), "set.cmp", nullptr, 10, nullptr, 12, "secret1"), PACKERR_NULL_BUFFER);
}

TEST_F(ZipJobs, EnumWithoutAWorkingFolderUsesTheTempFolder) {
    app.SetWorkingDir("");
    const std::string entry = "kbzip-" + std::to_string(reinterpret_cast<uintptr_t>(this) % 1000000) + ".cmp";
    const std::string p = WritePack(PackBuilder().Add(Compressed(entry, container)), "t.pck");
    char names[64];
    uint32_t sizes[3];
    EXPECT_EQ(Enum(entry, names, sizeof names, sizes, sizeof sizes, "secret1", p), 3);
    EXPECT_FALSE(fs::Exists(fs::TempFolder() + entry));
}

TEST_F(ZipJobs, EnumKeepsAUsersFileUnderTheCopysName) {
    ASSERT_TRUE(kb::testing::WriteWholeFile(work + "\\set.cmp", "mine"));
    char names[64];
    uint32_t sizes[3];
    EXPECT_EQ(Enum("set.cmp", names, sizeof names, sizes, sizeof sizes), 3);
    EXPECT_EQ(Listing(work), (std::vector<std::string>{"set.cmp"}));
    EXPECT_EQ(ReadAll(work + "\\set.cmp"), "mine");
}

TEST_F(ZipJobs, EnumCalledWhileAnUnpackRuns) {
    // The first unpack is held in its copy phase; the listing must wait for it
    // before it sets its options, or the first job would keep its copy unexpanded
    // and the listing's copy would be expanded and lost.
    ChunkGate gate;
    app.SetChunkHookForTesting(&ChunkGate::OnChunk, &gate);
    ASSERT_EQ(app.UnPack(pack.c_str(), out.c_str(), "set.cmp", "secret1"), 0);
    gate.WaitHeld();
    int result = 0;
    char names[64] = {};
    uint32_t sizes[3] = {};
    std::thread second([&] { result = Enum("set.cmp", names, sizeof names, sizes, sizeof sizes); });
    sys.WaitForInfiniteWaits(1);
    gate.Release();
    second.join();
    EXPECT_EQ(result, 3);
    EXPECT_EQ(Names(names), kRecordNames);
    EXPECT_EQ(Listing(out), (std::vector<std::string>{"set"}));
    EXPECT_EQ(Listing(out + "\\set"), (std::vector<std::string>{"a.txt", "e.txt", "sub"}));
    EXPECT_TRUE(Listing(work).empty());
}

TEST_F(ZipJobs, SubFileWritesExactlyTheNamedRecord) {
    ASSERT_EQ(SubFileToEnd(pack, "set.cmp", "\\set\\sub\\b.bin"), PACKPROGRESS_DONE);
    EXPECT_EQ(Listing(out), (std::vector<std::string>{"set"}));
    EXPECT_EQ(Listing(out + "\\set"), (std::vector<std::string>{"sub"}));
    EXPECT_EQ(Listing(out + "\\set\\sub"), (std::vector<std::string>{"b.bin"}));
    const SourceFile b = ThreeFiles()[1];
    EXPECT_EQ(ReadAll(out + "\\set\\sub\\b.bin"), b.data);
    fs::FileTimes times;
    ASSERT_TRUE(fs::GetTimes(out + "\\set\\sub\\b.bin", &times));
    EXPECT_EQ(times.lastWrite, kSourceWriteTime);
    uint32_t attributes = 0;
    ASSERT_TRUE(fs::GetAttributes(out + "\\set\\sub\\b.bin", &attributes));
    EXPECT_TRUE(attributes & fs::kAttrReadOnly);
    char name[260];
    EXPECT_EQ(app.GetProgress(name), PACKPROGRESS_DONE);
    EXPECT_STREQ(name, "\\set\\sub\\b.bin");
}

TEST_F(ZipJobs, SubFileErrors) {
    const std::string hostile =
        WritePack(PackBuilder()
                      .Add(Compressed("evil.cmp", RecordBytes().Head("\\..\\evil.txt", 1).U8(0).U32(uint32_t(Zlib("e").size())).Raw(Zlib("e")).bytes))
                      .Add(Compressed("cut.cmp", RecordBytes().Head("\\a.txt", 1).U8(0).U32(100).Raw("zz").bytes)),
                  "h.pck");
    struct Case {
        const char* what;
        std::string packPath;
        std::string entry;
        std::string sub;
        const char* password;
        int result;  // of the export, or else of the job
    } cases[] = {
        {"plain entry", pack, "plain.txt", "\\set\\a.txt", "secret1", PACKERR_NOT_COMPRESSED_FILE},
        {"empty entry name", pack, "", "\\set\\a.txt", "secret1", PACKERR_NOT_COMPRESSED_FILE},
        {"no such sub-file", pack, "set.cmp", "\\zzz.txt", "secret1", PACKERR_NO_FILE_FOUND},
        // Record names match exactly, case included.
        {"other case", pack, "set.cmp", "\\SET\\A.TXT", "secret1", PACKERR_NO_FILE_FOUND},
        {"no such entry", pack, "zzz.cmp", "\\set\\a.txt", "secret1", PACKERR_FILE_NOT_FOUND},
        {"wrong password", pack, "set.cmp", "\\set\\a.txt", "secret2", PACKERR_WRONG_PASSWORD},
        {"escaping record", hostile, "evil.cmp", "\\..\\evil.txt", "secret1", PACKERR_ILLEGAL_PACKED_FILE},
        {"damaged container", hostile, "cut.cmp", "\\a.txt", "secret1", PACKERR_UNCOMPRESSION},
    };
    // The user's own file under the entry's name outlives every failure.
    ASSERT_TRUE(kb::testing::WriteWholeFile(out + "\\set.cmp", "mine"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(SubFileToEnd(c.packPath, c.entry, c.sub, c.password), c.result);
        EXPECT_EQ(Listing(out), (std::vector<std::string>{"set.cmp"}));
        EXPECT_EQ(ReadAll(out + "\\set.cmp"), "mine");
        EXPECT_EQ(Listing(dir.path()), (std::vector<std::string>{"h.pck", "out", "p.pck", "work"}));
    }
}

TEST_F(ZipJobs, StoppedUnpackEndsTheSubFileWorker) {
    ProgressLog log;
    log.stopAtChunk = 0;
    log.Attach(app);
    ASSERT_EQ(app.UnPackSubFile(pack.c_str(), out.c_str(), "sub\\in.cmp", "\\set\\a.txt", "secret1"), 0);
    // Returns only when both workers have ended.
    app.WaitForWorker();
    EXPECT_EQ(app.GetProgress(nullptr), kStoppedAtFirstChunk);
    EXPECT_TRUE(Listing(out).empty());
    EXPECT_EQ(sys.Posts().size(), 1u);
}

TEST_F(ZipJobs, JobsAroundASubFileAreNotDisturbed) {
    // A sub-file call made while an unpack runs, and an unpack right after it.
    ChunkGate gate;
    app.SetChunkHookForTesting(&ChunkGate::OnChunk, &gate);
    ASSERT_EQ(app.UnPack(pack.c_str(), out.c_str(), "plain.txt", "secret1"), 0);
    gate.WaitHeld();
    int subResult = 1;
    std::thread second([&] {
        subResult = app.UnPackSubFile(pack.c_str(), out.c_str(), "set.cmp", "\\set\\a.txt", "secret1");
    });
    sys.WaitForInfiniteWaits(1);
    gate.Release();
    second.join();
    EXPECT_EQ(subResult, 0);
    EXPECT_EQ(RunToEnd(pack, "set.cmp"), PACKPROGRESS_DONE);
    EXPECT_EQ(ReadAll(out + "\\plain.txt"), "plain");
    EXPECT_EQ(ReadAll(out + "\\set\\a.txt"), ThreeFiles()[0].data);
    EXPECT_EQ(Listing(out), (std::vector<std::string>{"plain.txt", "set"}));
    EXPECT_EQ(Listing(out + "\\set"), (std::vector<std::string>{"a.txt", "e.txt", "sub"}));
}

TEST_F(ZipJobs, WorkersThatCannotStart) {
    ASSERT_TRUE(kb::testing::WriteWholeFile(out + "\\set.cmp", "mine"));
    // No unpack worker: nothing is created.
    sys.failThreads = true;
    char names[64];
    uint32_t sizes[3];
    EXPECT_EQ(Enum("set.cmp", names, sizeof names, sizes, sizeof sizes), PACKERR_CREATE_THREAD);
    EXPECT_EQ(app.UnPackSubFile(pack.c_str(), out.c_str(), "set.cmp", "\\set\\a.txt", "secret1"), PACKERR_CREATE_THREAD);
    sys.failThreads = false;
    EXPECT_TRUE(Listing(work).empty());
    EXPECT_EQ(Listing(out), (std::vector<std::string>{"set.cmp"}));
    // The unpack starts but the sub-file worker cannot: the kept copy goes.
    sys.FailNthStart(2);
    EXPECT_EQ(app.UnPackSubFile(pack.c_str(), out.c_str(), "set.cmp", "\\set\\a.txt", "secret1"), PACKERR_CREATE_THREAD);
    EXPECT_EQ(app.GetProgress(nullptr), PACKERR_CREATE_THREAD);
    EXPECT_EQ(Listing(out), (std::vector<std::string>{"set.cmp"}));
    EXPECT_EQ(ReadAll(out + "\\set.cmp"), "mine");
    ASSERT_TRUE(fs::RemoveFile(out + "\\set.cmp"));
    ExpectPlainUnpackExpands();
}

TEST_F(ZipJobs, OneShotOptionsReturnToTheirDefaultsAfterEveryEnd) {
    char names[64];
    uint32_t sizes[3];
    struct Step {
        const char* what;
        std::function<void()> run;
    } steps[] = {
        {"listing", [&] { EXPECT_EQ(Enum("set.cmp", names, sizeof names, sizes, sizeof sizes), 3); }},
        {"listing with a wrong password",
         [&] { EXPECT_EQ(Enum("set.cmp", names, sizeof names, sizes, sizeof sizes, "secret2"), PACKERR_WRONG_PASSWORD); }},
        {"listing of a missing entry",
         [&] { EXPECT_EQ(Enum("zzz.cmp", names, sizeof names, sizes, sizeof sizes), PACKERR_FILE_NOT_FOUND); }},
        {"listing with a short buffer",
         [&] { EXPECT_EQ(Enum("set.cmp", names, 3, sizes, sizeof sizes), PACKERR_NAME_BUFFER_OVERFLOW); }},
        {"sub-file", [&] { EXPECT_EQ(SubFileToEnd(pack, "set.cmp", "\\set\\e.txt"), PACKPROGRESS_DONE); }},
        {"sub-file with a wrong password",
         [&] { EXPECT_EQ(SubFileToEnd(pack, "set.cmp", "\\set\\e.txt", "secret2"), PACKERR_WRONG_PASSWORD); }},
        {"sub-file not found", [&] { EXPECT_EQ(SubFileToEnd(pack, "set.cmp", "\\q"), PACKERR_NO_FILE_FOUND); }},
        {"sub-file stopped",
         [&] {
             ProgressLog log;
             log.stopAtChunk = 0;
             log.Attach(app);
             EXPECT_EQ(SubFileToEnd(pack, "set.cmp", "\\set\\e.txt"), kStoppedAtFirstChunk);
             app.SetChunkHookForTesting(nullptr, nullptr);
             app.SetExpandHookForTesting(nullptr, nullptr);
         }},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.what);
        s.run();
        ExpectPlainUnpackExpands();
    }
}

}  // namespace
}  // namespace kb::pack::ziptest
