// UnPack of compressed entries: containers of one and of three records expanded
// over plain and encrypted packs, the progress of each phase seen through the
// hooks, stops in each phase, a user's file under the copy's name, and hostile
// containers inside a pack entry.
#include <gtest/gtest.h>

#include <algorithm>

#include "shared/base/dbcs.h"
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

// Every file below folder as "relative\path" (with "=bytes" when asked), sorted.
std::vector<std::string> Files(const std::string& folder, bool withBytes = false, const std::string& prefix = "") {
    std::vector<std::string> out;
    std::vector<fs::DirEntry> entries;
    fs::ListFolder(folder, &entries);
    for (const auto& e : entries) {
        const std::string path = folder + "\\" + e.name;
        if (e.attributes & fs::kAttrDirectory) {
            for (const auto& s : Files(path, withBytes, prefix + e.name + "\\")) out.push_back(s);
        } else {
            out.push_back(prefix + e.name + (withBytes ? "=" + ReadAll(path) : std::string()));
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

TEST_F(UnpackCompressed, OneAndThreeRecordsOverPlainAndEncryptedPacks) {
    const std::vector<SourceFile> one = {{"c.txt", Pattern(4000, 5), fs::kAttrArchive | fs::kAttrReadOnly}};
    const std::vector<SourceFile> three = ThreeFilesIn("set");
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
            expected.erase(std::unique(expected.begin(), expected.end()), expected.end());
            // Exactly the files: no copy of the container is left.
            EXPECT_EQ(Listing(out), expected);
            kb::testing::WipePath(out);
            ASSERT_TRUE(fs::CreateFolder(out));
        }
    }
}

TEST_F(UnpackCompressed, CurrentNameShowsTheRecordBeingExpanded) {
    const std::string pack =
        WritePack(PackBuilder().Add(Compressed("set.cmp", MakeContainer(dir.path(), ThreeFilesIn("set")))));
    ASSERT_EQ(RunToEnd(pack, "set.cmp"), PACKPROGRESS_DONE);
    char name[260] = {};
    EXPECT_EQ(app.GetProgress(name), PACKPROGRESS_DONE);
    EXPECT_STREQ(name, "\\set\\e.txt");
}

TEST_F(UnpackCompressed, StopInTheCopyPhaseLeavesNoCopyAndNoFolders) {
    const std::string container = MakeContainer(dir.path(), ThreeFilesIn("deep\\er\\set"));
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
                                           .Add(Compressed("big.bin.cmp", bigBytes))
                                           .Add(Compressed("set.cmp", MakeContainer(dir.path(), ThreeFilesIn("set")))));
    struct Case {
        const char* entry;
        std::vector<std::string> left;  // what the stop leaves in the destination
        int progress;
    } cases[] = {
        {"big.bin.cmp", {}, 50 + 50 / 3},
        // Records expanded before the stop stay.
        {"set.cmp", {"set\\a.txt"}, 62},
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
        EXPECT_EQ(Files(out), c.left);
        EXPECT_EQ(sys.Posts().size(), postsBefore + 1);
        kb::testing::WipePath(out);
        ASSERT_TRUE(fs::CreateFolder(out));
    }
}

TEST_F(UnpackCompressed, MultiBlockRecordExpandsWhole) {
    const std::vector<SourceFile> big = {{"big.bin", Pattern(2 * kZipPkgBlockSize + 100, 4)}};
    const std::string pack = WritePack(PackBuilder().Encrypted(1).Add(Compressed("big.bin.cmp", MakeContainer(dir.path(), big, true))));
    ProgressLog log;
    log.Attach(app);
    ASSERT_EQ(RunToEnd(pack, "big.bin.cmp"), PACKPROGRESS_DONE);
    EXPECT_EQ(log.expand, (std::vector<int>{66, 83, 100}));
    ExpectFile(out + "\\big.bin", big[0]);
    EXPECT_EQ(Listing(out), (std::vector<std::string>{"big.bin"}));
}

TEST_F(UnpackCompressed, CopyNeverReplacesAUsersFile) {
    const std::string pack =
        WritePack(PackBuilder().Add(Compressed("set.cmp", MakeContainer(dir.path(), ThreeFilesIn("set")))));
    // The user has a file under the entry's name and one under the first
    // temporary name: both stay as they are.
    ASSERT_TRUE(kb::testing::WriteWholeFile(out + "\\set.cmp", "mine"));
    ASSERT_TRUE(fs::SetAttributes(out + "\\set.cmp", fs::kAttrReadOnly));
    ASSERT_TRUE(kb::testing::WriteWholeFile(out + "\\~kb0001.tmp", "also mine"));
    ASSERT_EQ(RunToEnd(pack, "set.cmp"), PACKPROGRESS_DONE);
    EXPECT_EQ(ReadAll(out + "\\set.cmp"), "mine");
    EXPECT_EQ(ReadAll(out + "\\~kb0001.tmp"), "also mine");
    EXPECT_EQ(Listing(out), (std::vector<std::string>{"set", "set.cmp", "~kb0001.tmp"}));
    EXPECT_EQ(Files(out + "\\set"), (std::vector<std::string>{"a.txt", "e.txt", "sub\\b.bin"}));
    for (const auto& f : ThreeFilesIn("set")) ExpectFile(out + "\\" + f.name, f);
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
        // Named after the records, which differ from it only where the case says.
        const std::string pack = WritePack(PackBuilder().Encrypted(9).Add(Compressed("a.txt.cmp", c.container)));
        const int r = app.UnPack(pack.c_str(), deep.c_str(), "a.txt.cmp", "secret1");
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

TEST_F(UnpackCompressed, AnEntryWritesOnlyTheFileOrFolderItIsNamedAfter) {
#ifndef _WIN32
    platform::SetAnsiCodePageForTesting(932);
#endif
    const bool doubleByte = platform::IsLeadByte(0x95);
    // Records field by field: name, a status of zero times and the archive
    // bit, FileLength, mode 0 and one zlib block.
    auto records = [](const std::vector<std::pair<std::string, std::string>>& files) {
        RecordBytes r;
        for (const auto& [name, data] : files) {
            const std::string block = Zlib(data);
            r.Head(name, static_cast<uint32_t>(data.size())).U8(kBlockModeSingle).U32(uint32_t(block.size())).Raw(block);
        }
        return r.bytes;
    };
    struct Case {
        const char* what;
        std::string entry;
        std::vector<std::pair<std::string, std::string>> records;
        std::vector<std::string> written;  // empty: refused, nothing written
        bool doubleByte = false;
    };
    const std::vector<Case> cases = {
        {"the file itself", "single.txt.cmp", {{"\\single.txt", "s"}}, {"single.txt=s"}},
        {"the file without a leading backslash", "single.txt.cmp", {{"single.txt", "s"}}, {"single.txt=s"}},
        {"the file in another case", "Single.TXT.CMP", {{"\\sINGLE.txt", "s"}}, {"sINGLE.txt=s"}},
        {"a record beside the file", "single.txt.cmp", {{"\\single.txt", "s"}, {"\\victim.txt", "disc"}}, {}},
        {"a record beside the file, first", "single.txt.cmp", {{"\\victim.txt", "disc"}, {"\\single.txt", "s"}}, {}},
        {"a record inside a folder beside the file", "single.txt.cmp",
         {{"\\single.txt", "s"}, {"\\Folder\\one.txt", "disc"}}, {}},
        {"a longer name", "single.txt.cmp", {{"\\single.txt2", "s"}}, {}},
        {"a shorter name", "single.txt.cmp", {{"\\single.tx", "s"}}, {}},
        {"records inside the folder", "Folder.cmp", {{"\\Folder\\one.txt", "1"}, {"\\Folder\\sub\\two.txt", "2"}},
         {"Folder\\one.txt=1", "Folder\\sub\\two.txt=2"}},
        {"records inside the folder in another case", "Folder.cmp", {{"\\FOLDER\\one.txt", "1"}},
         {"FOLDER\\one.txt=1"}},
        {"a sibling folder with a common prefix", "Folder.cmp", {{"\\Folder\\one.txt", "1"}, {"\\Folder2\\a", "2"}}, {}},
        {"a file with the folder's name and more", "Folder.cmp", {{"\\Folder.txt", "1"}}, {}},
        {"a record outside the folder", "Folder.cmp", {{"\\Folder\\one.txt", "1"}, {"\\victim.txt", "disc"}}, {}},
        {"an entry in a folder", "sub\\b.txt.cmp", {{"sub\\b.txt", "b"}}, {"sub\\b.txt=b"}},
        {"beside an entry in a folder", "sub\\b.txt.cmp", {{"sub\\b.txt", "b"}, {"\\sub\\c.txt", "c"}}, {}},
        {"an entry named only the suffix", ".cmp", {{"\\victim.txt", "disc"}}, {}},
        // Double-byte names: 0x95 0x5C is one character whose trail byte is a
        // backslash; 0x83 0x41 and 0x83 0x61 differ although 0x41 and 0x61 are A and a.
        {"a double-byte folder", "\x95\x5C.cmp", {{"\\\x95\x5C\\a.txt", "a"}}, {"\x95\x5C\\a.txt=a"}, true},
        {"a double-byte file", "\x95\x5C.cmp", {{"\\\x95\x5C", "a"}}, {"\x95\x5C=a"}, true},
        {"a double-byte name that goes on", "\x95\x5C.cmp", {{"\\\x95\x5Cx", "a"}}, {}, true},
        {"a double-byte trail byte that is a letter", "\x83\x41.cmp", {{"\\\x83\x61\\a.txt", "a"}}, {}, true},
    };
    for (const Case& c : cases) {
        if (c.doubleByte && !doubleByte) continue;
        SCOPED_TRACE(c.what);
        kb::testing::WipePath(out);
        ASSERT_TRUE(fs::CreateFolder(out));
        // A file of the user's that no entry names.
        ASSERT_TRUE(kb::testing::WriteWholeFile(out + "\\victim.txt", "mine"));
        ASSERT_TRUE(fs::SetAttributes(out + "\\victim.txt", fs::kAttrReadOnly));
        const std::string pack = WritePack(PackBuilder().Encrypted(2).Add(Compressed(c.entry, records(c.records))));
        std::vector<std::string> expected = c.written;
        expected.push_back("victim.txt=mine");
        std::sort(expected.begin(), expected.end());
        if (c.written.empty()) {
            EXPECT_EQ(RunToEnd(pack, c.entry), PACKERR_ILLEGAL_PACKED_FILE);
        } else {
            EXPECT_EQ(RunToEnd(pack, c.entry), PACKPROGRESS_DONE);
        }
        // Refused: nothing at all, neither a record nor the copy nor a folder.
        EXPECT_EQ(Files(out, true), expected);
        if (c.written.empty()) {
            EXPECT_EQ(Listing(out), (std::vector<std::string>{"victim.txt"}));
        }
        uint32_t attributes = 0;
        ASSERT_TRUE(fs::GetAttributes(out + "\\victim.txt", &attributes));
        EXPECT_TRUE(attributes & fs::kAttrReadOnly);
        fs::SetAttributes(out + "\\victim.txt", fs::kAttrArchive);
    }
#ifndef _WIN32
    platform::SetAnsiCodePageForTesting(1252);
#endif
}

// A limit bounds the next unpack alone: the entry's data and what its records
// declare, together, before anything of them is written; the copy goes.
TEST_F(UnpackCompressed, ALimitRefusesWhatTheEntryDeclaresBeyondIt) {
    using Container = kb::pack::testing::Builder;
    const std::vector<uint8_t> hugeBytes = Container().ZeroRecord("\\huge.txt", 2000000000u).bytes;
    const std::string huge(hugeBytes.begin(), hugeBytes.end());
    const std::string set = MakeContainer(dir.path(), ThreeFilesIn("set"));
    uint64_t setTotal = set.size();
    for (const auto& f : ThreeFilesIn("set")) setTotal += f.data.size();
    const std::string plain(5000, 'p');
    const std::string pack = WritePack(PackBuilder().Encrypted(2).Add(Compressed("huge.txt.cmp", huge))
                                           .Add(Compressed("set.cmp", set)).Add("plain.txt", plain));
    struct Case {
        const char* what;
        const char* entry;
        uint64_t limit;
        int result;
    } cases[] = {
        {"two gigabytes declared in two megabytes", "huge.txt.cmp", 4u << 20, PACKERR_FILE_TOO_BIG},
        {"a copy over the limit", "huge.txt.cmp", 1u << 20, PACKERR_FILE_TOO_BIG},
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
    b.Add(Compressed("set.cmp", MakeContainer(dir.path(), ThreeFilesIn("set"))));
    const std::string full = b.Bytes();
    const std::string pack = dir / "cut.pck";
    ASSERT_TRUE(kb::testing::WriteWholeFile(pack, full.substr(0, full.size() - 100)));
    EXPECT_EQ(RunToEnd(pack, "set.cmp"), PACKERR_FILE_IO);
    // Nothing was expanded; the copy stays as far as it was written.
    EXPECT_EQ(Listing(out), (std::vector<std::string>{"set.cmp"}));
}

}  // namespace
}  // namespace kb::pack::ziptest
