// UnPack of compressed entries: containers of one and of three records expanded
// over plain and encrypted packs, the progress of each phase seen through the
// hooks, stops in each phase, a user's file under the copy's name, and hostile
// containers inside a pack entry.
#include <gtest/gtest.h>

#include <algorithm>

#include "testing/builders/container_builder.h"
#include "zip_test_support.h"

namespace kb::pack::ziptest {
namespace {

using kb::testing::Listing;
using kb::testing::Pattern;
using kb::testing::ReadAll;

using UnpackCompressed = ZipTest;

void ExpectFile(const std::string& path, const SourceFile& f) {
    SCOPED_TRACE(path);
    EXPECT_EQ(ReadAll(path), f.data);
    fs::FileTimes times;
    ASSERT_TRUE(fs::GetTimes(path, &times));
    EXPECT_EQ(times.lastWrite, kSourceWriteTime);
    uint32_t attributes = 0;
    ASSERT_TRUE(fs::GetAttributes(path, &attributes));
    EXPECT_EQ(attributes & (fs::kAttrReadOnly | fs::kAttrHidden), f.attributes & (fs::kAttrReadOnly | fs::kAttrHidden));
}

TEST_F(UnpackCompressed, OneAndThreeRecordsOverPlainAndEncryptedPacks) {
    const std::vector<SourceFile> one = {{"c.txt", Pattern(4000, 5), fs::kAttrArchive | fs::kAttrReadOnly}};
    const std::vector<SourceFile> three = ThreeFiles();
    const std::string oneBytes = MakeContainer(dir.path(), one);
    const std::string threeBytes = MakeContainer(dir.path(), three);
    struct Kind {
        const char* what;
        uint8_t rounds;
    } kinds[] = {{"plain", 0}, {"R = 3", 3}};
    struct Target {
        const char* entry;
        const std::vector<SourceFile>* files;
        std::vector<int> expandSteps;
    } targets[] = {
        {"c.txt.cmp", &one, {100}},
        // 50 + 50 (i + 1) / 4 after each of three records.
        {"set.cmp", &three, {62, 75, 87}},
    };
    for (const auto& k : kinds) {
        PackBuilder b;
        if (k.rounds) b.Encrypted(k.rounds);
        b.Add("first.txt", "x").Add(Compressed("c.txt.cmp", oneBytes)).Add(Compressed("set.cmp", threeBytes));
        const std::string pack = WritePack(b);
        for (const auto& t : targets) {
            SCOPED_TRACE(std::string(k.what) + " " + t.entry);
            ProgressLog log;
            log.Attach(app);
            ASSERT_EQ(RunToEnd(pack, t.entry), PACKPROGRESS_DONE);
            app.SetChunkHookForTesting(nullptr, nullptr);
            app.SetExpandHookForTesting(nullptr, nullptr);
            // The copy runs from 0 to 50 in more than one chunk, the expansion above 50.
            ASSERT_GT(log.copy.size(), 1u);
            for (int p : log.copy) {
                EXPECT_GE(p, 0);
                EXPECT_LE(p, 50);
            }
            EXPECT_EQ(log.copy.back(), 50);
            EXPECT_EQ(log.expand, t.expandSteps);
            std::vector<std::string> expected;
            for (const auto& f : *t.files) {
                ExpectFile(out + "\\" + f.name, f);
                expected.push_back(f.name.substr(0, f.name.find('\\')));
            }
            std::sort(expected.begin(), expected.end());
            // Exactly the files: no copy of the container is left.
            EXPECT_EQ(Listing(out), expected);
            kb::testing::WipePath(out);
            ASSERT_TRUE(fs::CreateFolder(out));
        }
    }
}

TEST_F(UnpackCompressed, CurrentNameShowsTheRecordBeingExpanded) {
    const std::string pack = WritePack(PackBuilder().Add(Compressed("set.cmp", MakeContainer(dir.path(), ThreeFiles()))));
    ASSERT_EQ(RunToEnd(pack, "set.cmp"), PACKPROGRESS_DONE);
    char name[260] = {};
    EXPECT_EQ(app.GetProgress(name), PACKPROGRESS_DONE);
    EXPECT_STREQ(name, "\\e.txt");
}

TEST_F(UnpackCompressed, StopInTheCopyPhaseLeavesNoCopyAndNoFolders) {
    const std::string container = MakeContainer(dir.path(), ThreeFiles());
    ASSERT_EQ(container.size() / 1024, 5u);  // N whole KiB
    const std::string pack = WritePack(PackBuilder().Encrypted(2).Add(Compressed("deep\\er\\set.cmp", container)));
    ProgressLog log;
    log.stopAtChunk = 1;
    log.Attach(app);
    ASSERT_EQ(app.UnPack(pack.c_str(), out.c_str(), "deep\\er\\set.cmp", "secret1"), 0);
    app.WaitForWorker();
    EXPECT_EQ(app.GetProgress(nullptr), 25);  // (2 + 1) x 50 / (N + 1), where the stop caught it
    EXPECT_EQ(log.copy.size(), 2u);         // no chunk after the stop
    EXPECT_TRUE(log.expand.empty());
    EXPECT_TRUE(Listing(out).empty());
    ASSERT_EQ(sys.Posts().size(), 1u);
    EXPECT_EQ(sys.Posts()[0], std::make_pair(uintptr_t{7}, WM_PACK_STOPPED));
}

TEST_F(UnpackCompressed, StopInTheExpansionPhase) {
    // One record in three 512 KiB blocks: the partial output goes with the copy.
    const std::vector<SourceFile> big = {{"big.bin", Pattern(2 * kZipPkgBlockSize + 100, 3)}};
    const std::string bigBytes = MakeContainer(dir.path(), big, true);
    const std::string pack = WritePack(PackBuilder()
                                           .Add(Compressed("big.cmp", bigBytes))
                                           .Add(Compressed("set.cmp", MakeContainer(dir.path(), ThreeFiles()))));
    struct Case {
        const char* entry;
        std::vector<std::string> left;  // what the stop leaves in the destination
        int progress;
    } cases[] = {
        {"big.cmp", {}, 50 + 50 / 3},
        // Records expanded before the stop stay.
        {"set.cmp", {"a.txt"}, 62},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entry);
        ProgressLog log;
        log.stopAtExpandCall = 0;
        log.Attach(app);
        const size_t postsBefore = sys.Posts().size();
        ASSERT_EQ(app.UnPack(pack.c_str(), out.c_str(), c.entry, "secret1"), 0);
        app.WaitForWorker();
        EXPECT_EQ(app.GetProgress(nullptr), c.progress);
        EXPECT_EQ(log.expand.size(), 1u);
        EXPECT_EQ(Listing(out), c.left);
        EXPECT_EQ(sys.Posts().size(), postsBefore + 1);
        kb::testing::WipePath(out);
        ASSERT_TRUE(fs::CreateFolder(out));
    }
}

TEST_F(UnpackCompressed, MultiBlockRecordExpandsWhole) {
    const std::vector<SourceFile> big = {{"big.bin", Pattern(2 * kZipPkgBlockSize + 100, 4)}};
    const std::string pack = WritePack(PackBuilder().Encrypted(1).Add(Compressed("big.cmp", MakeContainer(dir.path(), big, true))));
    ProgressLog log;
    log.Attach(app);
    ASSERT_EQ(RunToEnd(pack, "big.cmp"), PACKPROGRESS_DONE);
    EXPECT_EQ(log.expand, (std::vector<int>{66, 83, 100}));
    ExpectFile(out + "\\big.bin", big[0]);
    EXPECT_EQ(Listing(out), (std::vector<std::string>{"big.bin"}));
}

TEST_F(UnpackCompressed, CopyNeverReplacesAUsersFile) {
    const std::string pack = WritePack(PackBuilder().Add(Compressed("set.cmp", MakeContainer(dir.path(), ThreeFiles()))));
    // The user has a file under the entry's name and one under the first
    // temporary name: both stay as they are.
    ASSERT_TRUE(kb::testing::WriteWholeFile(out + "\\set.cmp", "mine"));
    ASSERT_TRUE(fs::SetAttributes(out + "\\set.cmp", fs::kAttrReadOnly));
    ASSERT_TRUE(kb::testing::WriteWholeFile(out + "\\~kb0001.tmp", "also mine"));
    ASSERT_EQ(RunToEnd(pack, "set.cmp"), PACKPROGRESS_DONE);
    EXPECT_EQ(ReadAll(out + "\\set.cmp"), "mine");
    EXPECT_EQ(ReadAll(out + "\\~kb0001.tmp"), "also mine");
    EXPECT_EQ(Listing(out), (std::vector<std::string>{"a.txt", "e.txt", "set.cmp", "sub", "~kb0001.tmp"}));
    for (const auto& f : ThreeFiles()) ExpectFile(out + "\\" + f.name, f);
}

TEST_F(UnpackCompressed, HostileContainersFailClearlyAndWriteNothingOutside) {
    const std::string block = Zlib("evil bytes");
    auto record = [&](const std::string& name) { return RecordBytes().Head(name, 10).U8(0).U32(uint32_t(block.size())).Raw(block).bytes; };
    struct Case {
        const char* what;
        std::string container;
        int error;
    } cases[] = {
        {"escaping name", record("\\..\\..\\evil.txt"), PACKERR_ILLEGAL_PACKED_FILE},
        {"drive name", record("C:\\evil.txt"), PACKERR_ILLEGAL_PACKED_FILE},
        {"stream name", record("\\a.txt:evil"), PACKERR_ILLEGAL_PACKED_FILE},
        {"name over 259 bytes", record("\\" + std::string(300, 'n')), PACKERR_ILLEGAL_PACKED_FILE},
        {"name length that wraps", RecordBytes().U32(0xFFFFFFFF).Raw("\\a.txt").bytes, PACKERR_UNCOMPRESSION},
        {"block length that wraps",
         RecordBytes().Head("\\a.txt", 10).U8(0).U32(0xFFFFFFFF).Raw(block).bytes, PACKERR_UNCOMPRESSION},
        {"short block", RecordBytes().Head("\\a.txt", 10).U8(0).U32(uint32_t(block.size())).Raw(block.substr(0, 5)).bytes,
         PACKERR_UNCOMPRESSION},
        {"block expands short", RecordBytes().Head("\\a.txt", 11).U8(0).U32(uint32_t(block.size())).Raw(block).bytes,
         PACKERR_UNCOMPRESSION},
        {"block expands long", RecordBytes().Head("\\a.txt", 9).U8(0).U32(uint32_t(block.size())).Raw(block).bytes,
         PACKERR_UNCOMPRESSION},
        {"file length past the bound", RecordBytes().Head("\\a.txt", 4000000001u).U8(0).bytes, PACKERR_UNCOMPRESSION},
        {"not a container", "container", PACKERR_UNCOMPRESSION},
    };
    const std::string deep = out + "\\d1";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(fs::CreateFolder(deep));
        const std::string pack = WritePack(PackBuilder().Encrypted(9).Add(Compressed("x.cmp", c.container)));
        const int r = app.UnPack(pack.c_str(), deep.c_str(), "x.cmp", "secret1");
        EXPECT_TRUE(r == 0 || r == c.error) << r;
        app.WaitForWorker();
        EXPECT_EQ(app.GetProgress(nullptr), c.error);
        // Neither the copy nor anything else stays, inside the destination or above it.
        EXPECT_TRUE(Listing(deep).empty());
        EXPECT_EQ(Listing(out), (std::vector<std::string>{"d1"}));
        EXPECT_EQ(Listing(dir.path()), (std::vector<std::string>{"out", "p.pck"}));
        ASSERT_TRUE(fs::RemoveFolder(deep));
    }
}

// A limit bounds the next unpack alone: the entry's data and what its records
// declare, together, before anything of them is written; the copy goes.
TEST_F(UnpackCompressed, ALimitRefusesWhatTheEntryDeclaresBeyondIt) {
    using Container = kb::pack::testing::Builder;
    const std::vector<uint8_t> hugeBytes = Container().ZeroRecord("\\huge.txt", 2000000000u).bytes;
    const std::string huge(hugeBytes.begin(), hugeBytes.end());
    const std::string set = MakeContainer(dir.path(), ThreeFiles());
    uint64_t setTotal = set.size();
    for (const auto& f : ThreeFiles()) setTotal += f.data.size();
    const std::string plain(5000, 'p');
    const std::string pack = WritePack(PackBuilder().Encrypted(2).Add(Compressed("huge.cmp", huge))
                                           .Add(Compressed("set.cmp", set)).Add("plain.txt", plain));
    struct Case {
        const char* what;
        const char* entry;
        uint64_t limit;
        int result;
    } cases[] = {
        {"two gigabytes declared in two megabytes", "huge.cmp", 4u << 20, PACKERR_FILE_TOO_BIG},
        {"a copy over the limit", "huge.cmp", 1u << 20, PACKERR_FILE_TOO_BIG},
        {"copy and records one byte over", "set.cmp", setTotal - 1, PACKERR_FILE_TOO_BIG},
        {"copy and records exactly at the limit", "set.cmp", setTotal, PACKPROGRESS_DONE},
        {"a plain entry over the limit", "plain.txt", plain.size() - 1, PACKERR_FILE_TOO_BIG},
        {"a plain entry at the limit", "plain.txt", plain.size(), PACKPROGRESS_DONE},
        {"no limit", "set.cmp", 0, PACKPROGRESS_DONE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        app.SetUnpackLimit(c.limit);
        EXPECT_EQ(RunToEnd(pack, c.entry), c.result);
        if (c.result < 0) {
            EXPECT_TRUE(Listing(out).empty());
        }
        kb::testing::WipePath(out);
        ASSERT_TRUE(fs::CreateFolder(out));
    }
    // Once taken by an unpack, refused or not, the limit is gone.
    app.SetUnpackLimit(10);
    EXPECT_EQ(RunToEnd(pack, "plain.txt"), PACKERR_FILE_TOO_BIG);
    EXPECT_EQ(RunToEnd(pack, "plain.txt"), PACKPROGRESS_DONE);
    EXPECT_EQ(ReadAll(out + "\\plain.txt"), plain);
}

TEST_F(UnpackCompressed, CopyFailureLeavesTheCopyAndTheError) {
    PackBuilder b;
    b.Add(Compressed("set.cmp", MakeContainer(dir.path(), ThreeFiles())));
    const std::string full = b.Bytes();
    const std::string pack = dir / "cut.pck";
    ASSERT_TRUE(kb::testing::WriteWholeFile(pack, full.substr(0, full.size() - 100)));
    EXPECT_EQ(RunToEnd(pack, "set.cmp"), PACKERR_FILE_IO);
    // Nothing was expanded; the copy stays as far as it was written.
    EXPECT_EQ(Listing(out), (std::vector<std::string>{"set.cmp"}));
}

}  // namespace
}  // namespace kb::pack::ziptest
