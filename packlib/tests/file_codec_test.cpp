// The codec on real files: hand-built containers, round trips in both modes,
// listing, hostile containers, overwrites, the force flag, stops and deletes.
#include "packlib/file_codec.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "packlib/tests/container_test_support.h"
#include "shared/pack_errors.h"

namespace kb::pack {
namespace {

using namespace kb::pack::testing;

const fs::MemoryStatus kNoMemory{0, 0};            // forces one block per 512 KiB
const fs::MemoryStatus kPlenty{1ull << 40, 0};     // single block below the limit

// "hello" as zlib's default level writes it.
const Bytes kHelloBlock = {0x78, 0x9c, 0xcb, 0x48, 0xcd, 0xc9, 0xc9, 0x07, 0x00, 0x06, 0x2c, 0x02, 0x15};

// Record A: "\sub\a.txt" holding "hello" in one block, times 1e9, 1e9+1, 1e9+2,
// read-only and archive.
Bytes RecordA() {
    Builder b;
    b.Name("\\sub\\a.txt").Status(1000000000, 1000000001, 1000000002, 5, 0x21).U32(5).U8(0).Block(kHelloBlock);
    return b.bytes;
}
// Record B: an empty file "e" with a zero status.
Bytes RecordB() {
    Builder b;
    b.Name("e").Status(0, 0, 0, 0, 0).U32(0);
    return b.bytes;
}
// Record C: "c.bin" of 524,289 bytes in blocks, its mode byte 7.
Bytes RecordC() {
    const Bytes content = Pattern(524289, 3);
    Builder b;
    b.Name("c.bin").Status(0, 0, 0, 524289, 0x20).U32(524289).U8(7);
    b.Block(Zlib(Bytes(content.begin(), content.begin() + 524288)));
    b.Block(Zlib(Bytes(content.begin() + 524288, content.end())));
    return b.bytes;
}
Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

// Every path below root, relative, folders marked with a trailing backslash.
std::set<std::string> Tree(const std::string& root, const std::string& prefix = "") {
    std::set<std::string> out;
    std::vector<fs::DirEntry> entries;
    fs::ListFolder(root, &entries);
    for (const auto& e : entries) {
        if (e.attributes & fs::kAttrDirectory) {
            out.insert(prefix + e.name + "\\");
            for (const auto& s : Tree(root + "\\" + e.name, prefix + e.name + "\\")) out.insert(s);
        } else {
            out.insert(prefix + e.name);
        }
    }
    return out;
}

class CodecTest : public TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        codec_.SetSleepForTesting([this](unsigned ms) {
            ++sleeps_;
            EXPECT_EQ(ms, 100u);
        });
    }
    CFileCodec codec_;
    int sleeps_ = 0;
};

TEST_F(CodecTest, HandBuiltContainerIsListedAndFound) {
    WriteAll(P("x.cmp"), Concat({RecordA(), RecordB(), RecordC()}));
    EXPECT_EQ(codec_.CountZipPkgRecords(P("x.cmp")), 3);
    fs::File f = fs::File::Open(P("x.cmp"), fs::Access::Read, fs::Disposition::OpenExisting, fs::Share::Read);
    std::vector<std::string> names;
    std::vector<uint32_t> sizes;
    EXPECT_EQ(codec_.ListZipPkgRecords(f, &names, &sizes), 3);
    EXPECT_THAT(names, ::testing::ElementsAre("\\sub\\a.txt", "e", "c.bin"));
    EXPECT_THAT(sizes, ::testing::ElementsAre(5u, 0u, 524289u));
    const struct { const char* name; int index; } finds[] = {
        {"\\sub\\a.txt", 0}, {"e", 1}, {"c.bin", 2}, {"\\SUB\\a.txt", -1}, {"sub\\a.txt", -1}};
    for (const auto& c : finds) {
        ASSERT_TRUE(f.Seek(0, fs::Origin::Begin));
        EXPECT_EQ(codec_.FindZipPkgRecord(f, c.name), c.index) << c.name;
    }
    for (uint32_t n : {0u, 1u, 3u}) {
        ASSERT_TRUE(f.Seek(0, fs::Origin::Begin));
        EXPECT_TRUE(codec_.SkipZipPkgRecords(f, n)) << n;
    }
    ASSERT_TRUE(f.Seek(0, fs::Origin::Begin));
    EXPECT_FALSE(codec_.SkipZipPkgRecords(f, 4));

    WriteAll(P("empty.cmp"), {});
    EXPECT_EQ(codec_.CountZipPkgRecords(P("empty.cmp")), 0);
    fs::File e = fs::File::Open(P("empty.cmp"), fs::Access::Read, fs::Disposition::OpenExisting, fs::Share::Read);
    EXPECT_EQ(codec_.FindZipPkgRecord(e, "e"), -1);
    EXPECT_EQ(codec_.CountZipPkgRecords(P("none.cmp")), PACKERR_OPEN_SOURCE_FILE);
}

TEST_F(CodecTest, HandBuiltContainerExpandsWithTimesAndAttributes) {
    WriteAll(P("x.cmp"), Concat({RecordA(), RecordB(), RecordC()}));
    for (const std::string& dest : {P("D1\\"), P("D2")}) {
        ASSERT_TRUE(fs::CreateFolder(dest));
        std::vector<std::string> names;
        CodecHooks hooks;
        hooks.setCurrentName = [&](const std::string& n) { names.push_back(n); };
        for (uint32_t i = 0; i < 3; ++i) EXPECT_EQ(codec_.ExtractFromZipPkg(P("x.cmp"), dest, i, hooks), 0) << i;
        EXPECT_THAT(names, ::testing::ElementsAre("\\sub\\a.txt", "e", "c.bin"));
        EXPECT_EQ(codec_.ExtractFromZipPkg(P("x.cmp"), dest, 3), 0);  // past the end: nothing

        const std::string base = dest.back() == '\\' ? dest : dest + "\\";
        EXPECT_THAT(Tree(dest), ::testing::UnorderedElementsAre("sub\\", "sub\\a.txt", "e", "c.bin"));
        fs::FileTimes t;
        ASSERT_TRUE(fs::GetTimes(base + "sub\\a.txt", &t));
        EXPECT_EQ(t.lastWrite, fs::FileTimeFromUnixSeconds(1000000001));
        EXPECT_EQ(t.lastAccess, fs::FileTimeFromUnixSeconds(1000000002));
        uint32_t attributes = 0;
        ASSERT_TRUE(fs::GetAttributes(base + "sub\\a.txt", &attributes));
        EXPECT_TRUE(attributes & fs::kAttrReadOnly);
        // Zero times leave the new file's own times.
        ASSERT_TRUE(fs::GetTimes(base + "e", &t));
        EXPECT_GT(t.lastWrite, fs::FileTimeFromUnixSeconds(1500000000));
        ASSERT_TRUE(fs::GetAttributes(base + "e", &attributes));
        EXPECT_FALSE(attributes & (fs::kAttrReadOnly | fs::kAttrHidden | fs::kAttrSystem));
        // Read the contents last: reading moves the last-access time.
        EXPECT_EQ(ReadText(base + "sub\\a.txt"), "hello");
        EXPECT_TRUE(ReadAll(base + "e").empty());
        EXPECT_EQ(ReadAll(base + "c.bin"), Pattern(524289, 3));
    }
}

#ifndef _WIN32
// An empty destination is the current directory, joined like any other folder.
TEST_F(CodecTest, EmptyDestinationIsTheCurrentDirectory) {
    WriteAll(P("x.cmp"), Concat({RecordA(), RecordB()}));
    ASSERT_TRUE(fs::CreateFolder(P("cwd")));
    char previous[4096];
    ASSERT_NE(::getcwd(previous, sizeof previous), nullptr);
    std::string native = P("cwd");
    for (char& c : native)
        if (c == '\\') c = '/';
    ASSERT_EQ(::chdir(native.c_str()), 0);
    const int first = codec_.ExtractFromZipPkg(P("x.cmp"), "", 0);
    const int second = codec_.ExtractFromZipPkg(P("x.cmp"), "", 1);
    ASSERT_EQ(::chdir(previous), 0);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 0);
    EXPECT_THAT(Tree(P("cwd")), ::testing::UnorderedElementsAre("sub\\", "sub\\a.txt", "e"));
    EXPECT_FALSE(fs::Exists(P("cwde")));
}
#endif

TEST_F(CodecTest, StoredAttributeByteIsMasked) {
    // 0x10 (folder), 0x40 and 0x80 never describe a stored file.
    Builder b;
    b.Name("m.txt").Status(0, 0, 0, 5, 0xD2).U32(5).U8(0).Block(kHelloBlock);
    WriteAll(P("m.cmp"), b.bytes);
    ASSERT_TRUE(fs::CreateFolder(P("out")));
    ASSERT_EQ(codec_.ExtractFromZipPkg(P("m.cmp"), P("out"), 0), 0);
    uint32_t attributes = 0;
    ASSERT_TRUE(fs::GetAttributes(P("out\\m.txt"), &attributes));
    EXPECT_FALSE(attributes & fs::kAttrDirectory);
    EXPECT_TRUE(attributes & fs::kAttrHidden);
    EXPECT_EQ(ReadText(P("out\\m.txt")), "hello");
}

struct RoundTripCase {
    size_t size;
    bool blocks;
};

class RoundTrip : public CodecTest, public ::testing::WithParamInterface<RoundTripCase> {};

TEST_P(RoundTrip, OneFileComesBackByteForByte) {
    const RoundTripCase c = GetParam();
    fs::SetMemoryStatusForTesting(c.blocks ? &kNoMemory : &kPlenty);
    const Bytes content = Pattern(c.size, static_cast<uint32_t>(c.size));
    ASSERT_TRUE(fs::CreateFolder(P("src")));
    WriteAll(P("src\\f.bin"), content);
    ASSERT_TRUE(fs::SetTimes(P("src\\f.bin"), {fs::FileTimeFromUnixSeconds(1100000000), fs::FileTimeFromUnixSeconds(1100000002),
                                               fs::FileTimeFromUnixSeconds(1100000001)}));

    std::vector<int> progress;
    CodecHooks hooks;
    hooks.setProgress = [&](int p) { progress.push_back(p); };
    CompressJob job{P("src\\f.bin"), P("f.cmp"), "", "\\f.bin"};
    ASSERT_EQ(codec_.CompressToZipPkgJob(&job, hooks), 0);
    EXPECT_EQ(job.containerPath, fs::FullPath(P("f.cmp")));
    ASSERT_FALSE(progress.empty());
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_EQ(progress.back(), 50);

    const std::vector<ParsedRecord> records = ParseContainer(ReadAll(P("f.cmp")));
    ASSERT_EQ(records.size(), 1u);
    const ParsedRecord& r = records[0];
    EXPECT_EQ(r.name, "\\f.bin");
    EXPECT_EQ(r.fileLength, c.size);
    EXPECT_EQ(r.hasMode, c.size != 0);
    EXPECT_EQ(r.lastWrite, 1100000001u);
    EXPECT_EQ(r.lastAccess, 1100000002u);
    if (c.size != 0) {
        EXPECT_EQ(r.mode, c.blocks ? 1 : 0);
        const size_t count = c.blocks ? (c.size + kZipPkgBlockSize - 1) / kZipPkgBlockSize : 1;
        ASSERT_EQ(r.blocks.size(), count);
        for (size_t k = 0; k < count; ++k) {
            const size_t want = c.blocks ? std::min<size_t>(kZipPkgBlockSize, c.size - k * kZipPkgBlockSize) : c.size;
            EXPECT_EQ(r.blocks[k].size(), want) << k;
        }
    }

    ASSERT_TRUE(fs::CreateFolder(P("out")));
    progress.clear();
    hooks.getProgress = [&] { return 50; };
    ASSERT_EQ(codec_.ExtractFromZipPkgJob(P("f.cmp"), P("out"), 0, hooks), 0);
    EXPECT_EQ(ReadAll(P("out\\f.bin")), content);
    if (c.size != 0) {
        EXPECT_EQ(progress.back(), 100);
    }
    fs::FileTimes t;
    ASSERT_TRUE(fs::GetTimes(P("out\\f.bin"), &t));
    EXPECT_EQ(t.lastWrite, fs::FileTimeFromUnixSeconds(1100000001));
}

INSTANTIATE_TEST_SUITE_P(SizesAndModes, RoundTrip,
                         ::testing::Values(RoundTripCase{0, false}, RoundTripCase{1, false}, RoundTripCase{1, true},
                                           RoundTripCase{524287, true}, RoundTripCase{524288, false},
                                           RoundTripCase{524288, true}, RoundTripCase{524289, true},
                                           RoundTripCase{1048576, true}, RoundTripCase{1048577, true},
                                           RoundTripCase{1048577, false}, RoundTripCase{11 * 524288 + 7, true}),
                         [](const ::testing::TestParamInfo<RoundTripCase>& info) {
                             return std::to_string(info.param.size) + (info.param.blocks ? "_blocks" : "_single");
                         });

TEST_F(CodecTest, FolderRoundTripWithExclusionsAndAppend) {
    ASSERT_TRUE(fs::CreateFolder(P("data")));
    ASSERT_TRUE(fs::CreateFolder(P("data\\set")));
    ASSERT_TRUE(fs::CreateFolder(P("data\\set\\sub")));
    WriteText(P("data\\set\\a.txt"), "alpha");
    WriteText(P("data\\set\\empty.txt"), "");
    WriteAll(P("data\\set\\sub\\b.bin"), Pattern(700000, 9));
    WriteText(P("data\\set\\skip.txt"), "not me");
    ASSERT_TRUE(fs::SetAttributes(P("data\\set\\a.txt"), fs::kAttrHidden | fs::kAttrArchive));
    fs::SetMemoryStatusForTesting(&kNoMemory);

    std::string container = P("pre.cmp");
    std::vector<std::string> skipped;
    std::vector<int> progress;
    CodecHooks hooks;
    hooks.setProgress = [&](int p) { progress.push_back(p); };
    ASSERT_EQ(codec_.CompressFolderToZipPkg(P("data\\set"), P("data"), {P("data\\set\\skip.txt")}, "", &container, 50,
                                            &skipped, hooks),
              0);
    EXPECT_TRUE(skipped.empty());
    EXPECT_THAT(progress, ::testing::ElementsAre(16, 33, 50));
    EXPECT_EQ(codec_.CountZipPkgRecords(container), 3);

    // Appending leaves the earlier bytes as they were.
    const Bytes before = ReadAll(container);
    WriteText(P("late.txt"), "late");
    std::string same = container, none;
    ASSERT_EQ(codec_.CompressToZipPkg(P("late.txt"), dir_, &same, "", &none), 0);
    const Bytes after = ReadAll(container);
    ASSERT_GT(after.size(), before.size());
    EXPECT_TRUE(std::equal(before.begin(), before.end(), after.begin()));
    EXPECT_EQ(codec_.CountZipPkgRecords(container), 4);

    ASSERT_TRUE(fs::CreateFolder(P("out")));
    progress.clear();
    ASSERT_EQ(codec_.ExpandZipPkg(container, P("out\\"), hooks), 0);
    EXPECT_THAT(progress, ::testing::ElementsAre(60, 70, 80, 90));
    EXPECT_THAT(Tree(P("out")), ::testing::UnorderedElementsAre("set\\", "set\\a.txt", "set\\empty.txt", "set\\sub\\",
                                                                "set\\sub\\b.bin", "late.txt"));
    EXPECT_EQ(ReadText(P("out\\set\\a.txt")), "alpha");
    EXPECT_EQ(ReadAll(P("out\\set\\sub\\b.bin")), Pattern(700000, 9));
    EXPECT_EQ(ReadText(P("out\\late.txt")), "late");
    uint32_t attributes = 0;
    ASSERT_TRUE(fs::GetAttributes(P("out\\set\\a.txt"), &attributes));
    EXPECT_TRUE(attributes & fs::kAttrHidden);

    // A folder with no file in it.
    ASSERT_TRUE(fs::CreateFolder(P("hollow")));
    std::string other = P("other.cmp");
    EXPECT_EQ(codec_.CompressFolderToZipPkg(P("hollow"), dir_, {}, "", &other, 100, &skipped, hooks),
              PACKERR_NO_FILE_FOUND);
}

TEST_F(CodecTest, DefaultContainerNameAndSourceErrors) {
    WriteText(P("s.txt"), "abc");
    for (const auto& [ext, name] : {std::pair{"", "s.txt.cmp"}, std::pair{"zz", "s.txt.zz"}}) {
        std::string container, skipped = "stale";
        ASSERT_EQ(codec_.CompressToZipPkg(P("s.txt"), dir_, &container, ext, &skipped), 0);
        EXPECT_EQ(container, fs::FullPath(P(name)));
        EXPECT_TRUE(skipped.empty());
    }
    std::string container, skipped;
    int lastError = 1;
    CodecHooks hooks;
    hooks.setLastError = [&](int e) { lastError = e; };
    EXPECT_EQ(codec_.CompressToZipPkg("", dir_, &container, "", &skipped, hooks), PACKERR_OPEN_SOURCE_FILE);
    EXPECT_EQ(lastError, PACKERR_OPEN_SOURCE_FILE);
    // The base folder must leave a name.
    EXPECT_EQ(codec_.CompressToZipPkg(P("s.txt"), P("s.txt"), &container, "", &skipped), PACKERR_INVALID_PARAMETER);
    // A container that cannot be made.
    container = P("no\\such\\c.cmp");
    EXPECT_EQ(codec_.CompressToZipPkg(P("s.txt"), dir_, &container, "", &skipped), PACKERR_OPEN_DESTINATION_FILE);
}

TEST_F(CodecTest, SourcesAndContainersOverTheBoundAreTooBig) {
    // Sparse files: nothing of the size is written.
    {
        fs::File big = fs::File::Open(P("big"), fs::Access::Write, fs::Disposition::CreateAlways, fs::Share::None);
        ASSERT_TRUE(big.SetSize(4000000001ull));
    }
    std::string container = P("c.cmp"), skipped;
    EXPECT_EQ(codec_.CompressToZipPkg(P("big"), dir_, &container, "", &skipped), PACKERR_FILE_TOO_BIG);
    WriteText(P("small"), "x");
    container = P("big");
    EXPECT_EQ(codec_.CompressToZipPkg(P("small"), dir_, &container, "", &skipped), PACKERR_FILE_TOO_BIG);
    uint64_t size = 0;
    ASSERT_TRUE(fs::GetSize(P("big"), &size));
    EXPECT_EQ(size, 4000000001ull);
}

TEST_F(CodecTest, JobOfAnEmptyFileReportsItsNameAndHalfway) {
    WriteText(P("empty"), "");
    std::vector<std::string> names;
    std::vector<int> progress;
    int lastError = 1;
    CodecHooks hooks;
    hooks.setCurrentName = [&](const std::string& n) { names.push_back(n); };
    hooks.setProgress = [&](int p) { progress.push_back(p); };
    hooks.setLastError = [&](int e) { lastError = e; };
    CompressJob job{P("empty"), "", "", "C:\\stored\\empty"};
    ASSERT_EQ(codec_.CompressToZipPkgJob(&job, hooks), 0);
    EXPECT_EQ(lastError, 0);
    EXPECT_THAT(names, ::testing::ElementsAre(P("empty")));
    EXPECT_THAT(progress, ::testing::ElementsAre(50));
    EXPECT_EQ(job.containerPath, fs::FullPath(P("empty.cmp")));
    const std::vector<ParsedRecord> records = ParseContainer(ReadAll(job.containerPath));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].name, "\\stored\\empty");  // the drive part is not stored
    EXPECT_EQ(records[0].fileLength, 0u);
    EXPECT_FALSE(records[0].hasMode);
    EXPECT_EQ(ReadAll(job.containerPath).size(), 4u + 13u + 20u + 4u);
}

TEST_F(CodecTest, LockedSourceUnderTheForceFlag) {
    WriteText(P("ok.txt"), "fine");
    WriteText(P("locked.txt"), "busy");
    std::string container = P("c.cmp"), skipped;
    ASSERT_EQ(codec_.CompressToZipPkg(P("ok.txt"), dir_, &container, "", &skipped), 0);
    fs::File holder = fs::File::Open(P("locked.txt"), fs::Access::Read, fs::Disposition::OpenExisting, fs::Share::Read);
    ASSERT_TRUE(holder.IsOpen());

    codec_.SetForce(true);
    EXPECT_EQ(codec_.CompressToZipPkg(P("locked.txt"), dir_, &container, "", &skipped), 0);
    EXPECT_EQ(skipped, P("locked.txt"));
    EXPECT_EQ(codec_.CountZipPkgRecords(container), 1);

    // The job variant has no force handling.
    CompressJob job{P("locked.txt"), container, "", "x"};
    EXPECT_EQ(codec_.CompressToZipPkgJob(&job, {}), PACKERR_OPEN_SOURCE_FILE);
    EXPECT_FALSE(fs::Exists(container));

    ASSERT_EQ(codec_.CompressToZipPkg(P("ok.txt"), dir_, &container, "", &skipped), 0);
    codec_.SetForce(false);
    EXPECT_EQ(codec_.CompressToZipPkg(P("locked.txt"), dir_, &container, "", &skipped), PACKERR_OPEN_SOURCE_FILE);
    EXPECT_TRUE(skipped.empty());
    EXPECT_FALSE(fs::Exists(container));
}

TEST_F(CodecTest, FolderWalkUnderTheForceFlagSkipsALockedFile) {
    ASSERT_TRUE(fs::CreateFolder(P("d")));
    for (const char* f : {"d\\a.txt", "d\\b.txt", "d\\c.txt"}) WriteText(P(f), f);
    fs::File holder = fs::File::Open(P("d\\b.txt"), fs::Access::Read, fs::Disposition::OpenExisting, fs::Share::Read);
    ASSERT_TRUE(holder.IsOpen());
    codec_.SetForce(true);
    std::string container = P("c.cmp");
    std::vector<std::string> skipped;
    ASSERT_EQ(codec_.CompressFolderToZipPkg(P("d"), dir_, {}, "", &container, 50, &skipped, {}), 0);
    EXPECT_THAT(skipped, ::testing::ElementsAre(P("d\\b.txt")));
    fs::File f = fs::File::Open(container, fs::Access::Read, fs::Disposition::OpenExisting, fs::Share::Read);
    std::vector<std::string> names;
    std::vector<uint32_t> sizes;
    EXPECT_EQ(codec_.ListZipPkgRecords(f, &names, &sizes), 2);
    EXPECT_THAT(names, ::testing::UnorderedElementsAre("\\d\\a.txt", "\\d\\c.txt"));
    // Without the flag the walk ends at the locked file and the container goes.
    f.Close();
    codec_.SetForce(false);
    skipped.clear();
    EXPECT_EQ(codec_.CompressFolderToZipPkg(P("d"), dir_, {}, "", &container, 50, &skipped, {}),
              PACKERR_OPEN_SOURCE_FILE);
    EXPECT_FALSE(fs::Exists(container));
}

TEST_F(CodecTest, StopWhileCompressingDeletesTheContainer) {
    fs::SetMemoryStatusForTesting(&kNoMemory);
    WriteAll(P("big.bin"), Pattern(3 * kZipPkgBlockSize + 10));
    std::vector<int> progress;
    int lastError = 0;
    CodecHooks hooks;
    hooks.setProgress = [&](int p) { progress.push_back(p); };
    hooks.stopRequested = [&] { return !progress.empty(); };
    hooks.setLastError = [&](int e) { lastError = e; };
    CompressJob job{P("big.bin"), P("big.cmp"), "", "big.bin"};
    EXPECT_EQ(codec_.CompressToZipPkgJob(&job, hooks), kCodecStopped);
    EXPECT_EQ(lastError, kCodecStopped);
    EXPECT_THAT(progress, ::testing::ElementsAre(16));
    EXPECT_FALSE(fs::Exists(P("big.cmp")));
}

TEST_F(CodecTest, StopWhileExpandingDeletesOutputAndContainer) {
    WriteAll(P("x.cmp"), Builder().Record("big.bin", Pattern(3 * kZipPkgBlockSize), 1).bytes);
    ASSERT_TRUE(fs::CreateFolder(P("out")));
    std::vector<int> progress;
    CodecHooks hooks;
    hooks.setProgress = [&](int p) { progress.push_back(p); };
    hooks.stopRequested = [&] { return progress.size() == 2; };
    EXPECT_EQ(codec_.ExpandZipPkg(P("x.cmp"), P("out"), hooks), kCodecStopped);
    EXPECT_THAT(progress, ::testing::ElementsAre(66, 83));
    EXPECT_FALSE(fs::Exists(P("out\\big.bin")));
    EXPECT_FALSE(fs::Exists(P("x.cmp")));
}

TEST_F(CodecTest, StopBetweenRecordsKeepsWhatWasWritten) {
    Builder b;
    b.Record("one", {'1'}, 0).Record("two", {'2'}, 0).Record("three", {'3'}, 0);
    WriteAll(P("x.cmp"), b.bytes);
    ASSERT_TRUE(fs::CreateFolder(P("out")));
    std::vector<int> progress;
    CodecHooks hooks;
    hooks.setProgress = [&](int p) { progress.push_back(p); };
    hooks.stopRequested = [&] { return progress.size() == 2; };
    EXPECT_EQ(codec_.ExpandZipPkg(P("x.cmp"), P("out"), hooks), kCodecStopped);
    EXPECT_THAT(progress, ::testing::ElementsAre(62, 75));
    EXPECT_THAT(Tree(P("out")), ::testing::UnorderedElementsAre("one", "two"));
}

TEST_F(CodecTest, ProtectedFilesInTheWayAreOverwritten) {
    WriteAll(P("x.cmp"), Builder().Record("t.txt", {'n', 'e', 'w'}, 0, 0x20).bytes);
    ASSERT_TRUE(fs::CreateFolder(P("out")));
    for (uint32_t attributes : {fs::kAttrReadOnly, fs::kAttrHidden, fs::kAttrSystem,
                                fs::kAttrReadOnly | fs::kAttrHidden | fs::kAttrSystem}) {
        WriteText(P("out\\t.txt"), "old contents");
        ASSERT_TRUE(fs::SetAttributes(P("out\\t.txt"), attributes));
        EXPECT_EQ(codec_.ExtractFromZipPkg(P("x.cmp"), P("out"), 0), 0) << attributes;
        EXPECT_EQ(ReadText(P("out\\t.txt")), "new") << attributes;
        uint32_t now = 0;
        ASSERT_TRUE(fs::GetAttributes(P("out\\t.txt"), &now));
        EXPECT_FALSE(now & (fs::kAttrReadOnly | fs::kAttrHidden | fs::kAttrSystem));
    }
}

TEST_F(CodecTest, DeleteFileRetry) {
    EXPECT_FALSE(codec_.DeleteFileRetry(P("none")));
    EXPECT_EQ(sleeps_, 0);
    WriteText(P("ro"), "x");
    ASSERT_TRUE(fs::SetAttributes(P("ro"), fs::kAttrReadOnly));
    EXPECT_TRUE(codec_.DeleteFileRetry(P("ro")));
    EXPECT_FALSE(fs::Exists(P("ro")));
    // Held open without delete sharing: given up after about 5 seconds of pauses.
    WriteText(P("held"), "x");
    {
        fs::File holder = fs::File::Open(P("held"), fs::Access::Read, fs::Disposition::OpenExisting, fs::Share::Read);
        ASSERT_TRUE(holder.IsOpen());
        EXPECT_FALSE(codec_.DeleteFileRetry(P("held")));
        EXPECT_EQ(sleeps_, 50);
    }
    EXPECT_TRUE(codec_.DeleteFileRetry(P("held")));
}

// Hostile containers: each gives an error, writes nothing outside "out" and leaves
// no output behind.
struct HostileCase {
    const char* what;
    Bytes bytes;
    int error;
};

std::vector<HostileCase> HostileCases() {
    const Bytes five = {'h', 'e', 'l', 'l', 'o'};
    std::vector<HostileCase> cases;
    auto named = [&](const char* what, const std::string& name, int error = PACKERR_ILLEGAL_PACKED_FILE) {
        cases.push_back({what, Builder().Record(name, five, 0).bytes, error});
    };
    named("parent", "..\\x");
    named("rooted parent", "\\..\\x");
    named("deep parent", "a\\..\\..\\x");
    named("drive", "C:\\x");
    named("stream", "a:b");
    named("server", "\\\\srv\\s\\x");
    named("slash parent", "/../x");
    named("zero byte", std::string("a\0b", 3));
    named("long", std::string(260, 'n'));
    named("dots", "...");
    cases.push_back({"name length wraps", Builder().U32(0xFFFFFFFF).Str("x").bytes, PACKERR_UNCOMPRESSION});
    cases.push_back({"name length past the end", Builder().U32(300).Str("abc").bytes, PACKERR_UNCOMPRESSION});
    cases.push_back({"empty name", Builder().U32(0).Status(0, 0, 0, 0, 0).U32(0).bytes, PACKERR_ILLEGAL_PACKED_FILE});
    cases.push_back({"cut status", Builder().Name("a").U32(0).bytes, PACKERR_UNCOMPRESSION});
    cases.push_back({"no mode byte", Builder().Name("a").Status(0, 0, 0, 5, 0).U32(5).bytes, PACKERR_UNCOMPRESSION});
    cases.push_back({"length over the bound",
                     Builder().Name("a").Status(0, 0, 0, 0, 0).U32(4000000001u).U8(1).Block(kHelloBlock).bytes,
                     PACKERR_UNCOMPRESSION});
    cases.push_back({"block length wraps",
                     Builder().Name("a").Status(0, 0, 0, 5, 0).U32(5).U8(0).U32(0xFFFFFFFF).Raw(kHelloBlock).bytes,
                     PACKERR_UNCOMPRESSION});
    cases.push_back({"short block",
                     Builder().Name("a").Status(0, 0, 0, 5, 0).U32(5).U8(0).U32(13).Raw(Bytes(kHelloBlock.begin(), kHelloBlock.begin() + 8)).bytes,
                     PACKERR_UNCOMPRESSION});
    cases.push_back({"block room exceeded in mode 1",
                     Builder().Name("a").Status(0, 0, 0, 5, 0).U32(5).U8(1).U32(529544).Raw(Bytes(529544, 0)).bytes,
                     PACKERR_UNCOMPRESSION});
    cases.push_back({"mode 0 too long for one block",
                     Builder().Name("a").Status(0, 0, 0, 0, 0).U32(24916645).U8(0).Block(kHelloBlock).bytes,
                     PACKERR_UNCOMPRESSION});
    cases.push_back({"expands one byte short",
                     Builder().Name("a").Status(0, 0, 0, 6, 0).U32(6).U8(0).Block(kHelloBlock).bytes,
                     PACKERR_UNCOMPRESSION});
    cases.push_back({"expands one byte long",
                     Builder().Name("a").Status(0, 0, 0, 4, 0).U32(4).U8(0).Block(kHelloBlock).bytes,
                     PACKERR_UNCOMPRESSION});
    cases.push_back({"mode-1 block short of its size",
                     Builder().Name("a").Status(0, 0, 0, 524289, 0).U32(524289).U8(1).Block(kHelloBlock).Block(Zlib({'x'})).bytes,
                     PACKERR_UNCOMPRESSION});
    {
        // Blocks 0 and 2 are sound; the one between them is not, in two ways.
        const Bytes content = Pattern(2 * 524288 + 9, 5);
        auto threeBlocks = [&](const Bytes& middle) {
            return Builder().Name("a").Status(0, 0, 0, 2 * 524288 + 9, 0).U32(2 * 524288 + 9).U8(1)
                .Block(Zlib(Bytes(content.begin(), content.begin() + 524288)))
                .Block(middle)
                .Block(Zlib(Bytes(content.begin() + 2 * 524288, content.end())))
                .bytes;
        };
        cases.push_back({"mode-1 middle block not zlib", threeBlocks(Bytes(64, 0x55)), PACKERR_UNCOMPRESSION});
        cases.push_back({"mode-1 middle block one byte short", threeBlocks(Zlib(Pattern(524287, 5))), PACKERR_UNCOMPRESSION});
    }
    cases.push_back({"missing second block",
                     Builder().Name("a").Status(0, 0, 0, 524289, 0).U32(524289).U8(1).Block(Zlib(Pattern(524288))).bytes,
                     PACKERR_UNCOMPRESSION});
    cases.push_back({"not zlib",
                     Builder().Name("a").Status(0, 0, 0, 5, 0).U32(5).U8(0).Block(Bytes(13, 0x55)).bytes,
                     PACKERR_UNCOMPRESSION});
    return cases;
}

TEST_F(CodecTest, HostileContainersAreRefused) {
    for (const HostileCase& c : HostileCases()) {
        SCOPED_TRACE(c.what);
        WipePath(P("work"));
        ASSERT_TRUE(fs::CreateFolder(P("work")));
        ASSERT_TRUE(fs::CreateFolder(P("work\\out")));
        WriteAll(P("work\\h.cmp"), c.bytes);
        EXPECT_EQ(codec_.ExtractFromZipPkg(P("work\\h.cmp"), P("work\\out"), 0), c.error);
        EXPECT_EQ(codec_.ExtractFromZipPkgJob(P("work\\h.cmp"), P("work\\out"), 0, {}), c.error);
        EXPECT_LT(codec_.ExpandZipPkg(P("work\\h.cmp"), P("work\\out"), {}), 0);
        EXPECT_THAT(Tree(P("work")), ::testing::UnorderedElementsAre("out\\", "h.cmp"));
    }
    WipePath(P("work"));
    EXPECT_THAT(Tree(dir_), ::testing::IsEmpty());
}

TEST_F(CodecTest, ContainerCutAtEveryOffset) {
    const Bytes whole = Concat({RecordA(), RecordB()});
    const size_t endA = RecordA().size();
    ASSERT_TRUE(fs::CreateFolder(P("out")));
    for (size_t cut = 1; cut < whole.size(); ++cut) {
        SCOPED_TRACE(cut);
        WriteAll(P("cut.cmp"), Bytes(whole.begin(), whole.begin() + cut));
        const int count = codec_.CountZipPkgRecords(P("cut.cmp"));
        const int first = codec_.ExtractFromZipPkg(P("cut.cmp"), P("out"), 0);
        const int second = codec_.ExtractFromZipPkg(P("cut.cmp"), P("out"), 1);
        if (cut == endA) {
            EXPECT_EQ(count, 1);
            EXPECT_EQ(first, 0);
            EXPECT_EQ(second, 0);  // at the end: nothing, no error
            EXPECT_THAT(Tree(P("out")), ::testing::UnorderedElementsAre("sub\\", "sub\\a.txt"));
            WipePath(P("out"));
            ASSERT_TRUE(fs::CreateFolder(P("out")));
            continue;
        }
        EXPECT_LT(count, 0);
        if (cut < endA) {
            EXPECT_LT(first, 0);
        } else {
            EXPECT_EQ(first, 0);
            EXPECT_LT(second, 0);
        }
        std::set<std::string> files;
        for (const auto& p : Tree(P("out")))
            if (p.back() != '\\') files.insert(p);
        EXPECT_TRUE(files.empty() || (cut > endA && files == std::set<std::string>{"sub\\a.txt"}));
        WipePath(P("out"));
        ASSERT_TRUE(fs::CreateFolder(P("out")));
    }
}

TEST_F(CodecTest, ExtractionArgumentErrors) {
    ASSERT_TRUE(fs::CreateFolder(P("out")));
    EXPECT_EQ(codec_.ExtractFromZipPkg("", P("out"), 0), PACKERR_OPEN_SOURCE_FILE);
    EXPECT_EQ(codec_.ExtractFromZipPkg(P("none.cmp"), P("out"), 0), PACKERR_OPEN_SOURCE_FILE);
    WriteAll(P("empty.cmp"), {});
    EXPECT_EQ(codec_.ExtractFromZipPkg(P("empty.cmp"), P("out"), 0), PACKERR_FILE_IO);
    // A folder where the file should go.
    WriteAll(P("x.cmp"), Builder().Record("d", {'x'}, 0).bytes);
    ASSERT_TRUE(fs::CreateFolder(P("out\\d")));
    EXPECT_EQ(codec_.ExtractFromZipPkg(P("x.cmp"), P("out"), 0), PACKERR_OPEN_DESTINATION_FILE);
    uint32_t attributes = 0;
    ASSERT_TRUE(fs::GetAttributes(P("out\\d"), &attributes));
    EXPECT_TRUE(attributes & fs::kAttrDirectory);
    // A joined path past 259 characters.
    WriteAll(P("long.cmp"), Builder().Record(std::string(250, 'n'), {'x'}, 0).bytes);
    EXPECT_EQ(codec_.ExtractFromZipPkg(P("long.cmp"), P("out"), 0), PACKERR_PATH_TOO_LONG);
}

// The sub-file road: finding a record by name and writing it in one walk gives
// what the search and then the extraction of the index it found give, on sound
// containers and on ones damaged before, at and after the record.
TEST_F(CodecTest, ExtractNamedGivesWhatFindThenExtractGive) {
    const Bytes a = RecordA(), b = RecordB(), c = RecordC();
    const Bytes sound = Concat({a, b, c});
    Builder laterA;  // a second record of A's name, other content
    laterA.Record("\\sub\\a.txt", Pattern(700, 9), 0);
    Builder noName;  // a name length of 0
    noName.U32(0);
    Builder unsafe;
    unsafe.Record("..\\up.txt", Pattern(10, 2), 0);
    Builder badData;  // a sound layout whose block is not zlib's
    badData.Name("bad.bin").Status(0, 0, 0, 100, 0x20).U32(100).U8(0).Block(Bytes(40, 0x55));
    const Bytes cutInC(sound.begin(), sound.end() - 1000);

    const struct {
        const char* what;
        Bytes container;
        std::vector<std::string> names;
    } cases[] = {
        {"sound", sound, {"\\sub\\a.txt", "e", "c.bin", "missing", "\\SUB\\a.txt", "sub\\a.txt"}},
        {"two of a name", Concat({b, a, laterA.bytes}), {"\\sub\\a.txt", "e"}},
        {"cut inside the last record", cutInC, {"\\sub\\a.txt", "e", "c.bin", "missing"}},
        {"no name before", Concat({a, noName.bytes, b}), {"\\sub\\a.txt", "e", "missing"}},
        {"a name that leaves the folder", Concat({unsafe.bytes, a}), {"..\\up.txt", "\\sub\\a.txt"}},
        {"a block zlib refuses", Concat({badData.bytes, b}), {"bad.bin", "e"}},
        {"empty", {}, {"e"}},
    };
    for (const auto& k : cases) {
        WriteAll(P("x.cmp"), k.container);
        for (const std::string& name : k.names) {
            SCOPED_TRACE(std::string(k.what) + ": " + name);
            std::vector<std::string> shown[2];
            int results[2] = {};
            bool founds[2] = {};
            const std::string dests[2] = {P("two"), P("one")};
            for (int road = 0; road < 2; ++road) {
                WipePath(dests[road]);
                ASSERT_TRUE(fs::CreateFolder(dests[road]));
                CodecHooks hooks;
                hooks.setCurrentName = [&shown, road](const std::string& n) { shown[road].push_back(n); };
                if (road == 0) {
                    fs::File f =
                        fs::File::Open(P("x.cmp"), fs::Access::Read, fs::Disposition::OpenExisting, fs::Share::Read);
                    ASSERT_TRUE(f.IsOpen());
                    const int index = codec_.FindZipPkgRecord(f, name);
                    f.Close();
                    founds[0] = index >= 0;
                    results[0] = index >= 0 ? codec_.ExtractFromZipPkg(P("x.cmp"), dests[0],
                                                                       static_cast<uint32_t>(index), hooks)
                                            : index;
                } else {
                    results[1] = codec_.ExtractNamedFromZipPkg(P("x.cmp"), dests[1], name, &founds[1], hooks);
                }
            }
            EXPECT_EQ(founds[1], founds[0]);
            EXPECT_EQ(results[1], results[0]);
            EXPECT_EQ(shown[1], shown[0]);
            const std::set<std::string> tree = Tree(dests[0]);
            EXPECT_EQ(Tree(dests[1]), tree);
            for (const std::string& file : tree) {
                if (file.back() != '\\') {
                    EXPECT_EQ(ReadAll(dests[1] + "\\" + file), ReadAll(dests[0] + "\\" + file)) << file;
                }
            }
        }
    }
    EXPECT_FALSE(fs::Exists(P("up.txt")));
    bool found = true;
    EXPECT_EQ(codec_.ExtractNamedFromZipPkg(P("none.cmp"), P("one"), "e", &found), PACKERR_FILE_IO);
    EXPECT_FALSE(found);
}

}  // namespace
}  // namespace kb::pack
