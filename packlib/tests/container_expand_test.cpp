// A whole container expanded as the unpack worker does: the results of sound,
// damaged and changed-under-the-job containers (result, progress, last errors,
// files written) held in one table, and a file in the way that a failed or
// stopped record must leave as it was. The containers are assembled from the
// format's fields here, not by the codec's own writer.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "container_test_support.h"
#include "packlib/file_codec.h"
#include "shared/pack_errors.h"

namespace kb::pack {
namespace {

using namespace kb::pack::testing;

// Every file below root, relative, with its bytes.
void Collect(const std::string& root, const std::string& prefix, std::map<std::string, std::string>* out) {
    std::vector<fs::DirEntry> entries;
    fs::ListFolder(root, &entries);
    for (const auto& e : entries) {
        const std::string path = root + "\\" + e.name;
        if (e.attributes & fs::kAttrDirectory)
            Collect(path, prefix + e.name + "\\", out);
        else
            (*out)[prefix + e.name] = ReadText(path);
    }
}

std::map<std::string, std::string> Files(const std::string& root) {
    std::map<std::string, std::string> out;
    Collect(root, "", &out);
    return out;
}

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

class ContainerExpand : public TempDirTest {
protected:
    CFileCodec codec_;
};

struct Row {
    const char* what;
    Bytes container;
    // Runs after each progress report with the progress, to change the container
    // under the job; may be empty.
    std::function<void(const std::string& container, int progress)> meanwhile;
    int result;
    std::vector<int> progress;
    std::vector<int> lastErrors;
    std::map<std::string, std::string> files;
};

TEST_F(ContainerExpand, ResultsOfSoundDamagedAndChangedContainers) {
    const Bytes big = Pattern(2 * kZipPkgBlockSize + 100, 9);
    const std::string bigText(big.begin(), big.end());
    Builder three;
    three.Record("\\d\\one", Text("1"), 0).Record("two", Text("22"), 1).Record("\\d\\three", Text("333"), 0);
    Builder badSecond;  // a block that is not zlib's, with a sound layout
    badSecond.Record("one", Text("1"), 0).Name("two").Status(0, 0, 0, 2, 0x20).U32(2).U8(0).Block(Bytes(12, 0x55));
    badSecond.Record("three", Text("333"), 0);
    Builder cutThird;  // the last block cut short
    cutThird.Record("one", Text("1"), 0).Record("two", Text("22"), 0);
    cutThird.Name("three").Status(0, 0, 0, 3, 0x20).U32(3).U8(0).U32(40).Raw(Bytes(5, 0));
    Builder wrongSize;  // the second record expands to less than it declares
    wrongSize.Record("one", Text("1"), 0).Name("two").Status(0, 0, 0, 9, 0x20).U32(9).U8(0).Block(Zlib(Text("22")));
    Builder oneBig;
    oneBig.Record("big", big, 1);

    std::vector<Row> rows;
    rows.push_back({"three sound records", three.bytes, {}, 0, {62, 75, 87}, {0, 0, 0},
                    {{"d\\one", "1"}, {"two", "22"}, {"d\\three", "333"}}});
    rows.push_back({"one record of three blocks", oneBig.bytes, {}, 0, {66, 83, 100}, {0}, {{"big", bigText}}});
    rows.push_back({"empty container", {}, {}, 0, {}, {}, {}});
    rows.push_back({"second block not zlib's", badSecond.bytes, {}, PACKERR_UNCOMPRESSION, {62},
                    {0, PACKERR_UNCOMPRESSION}, {{"one", "1"}}});
    rows.push_back({"second record shorter than declared", wrongSize.bytes, {}, PACKERR_UNCOMPRESSION, {66},
                    {0, PACKERR_UNCOMPRESSION}, {{"one", "1"}}});
    rows.push_back({"third record cut short", cutThird.bytes, {}, PACKERR_UNCOMPRESSION, {}, {}, {}});
    Bytes extra = Builder().Record("four", Text("4444"), 0).bytes;
    rows.push_back({"a record appended under the job", three.bytes,
                    [extra](const std::string& c, int progress) {
                        if (progress != 62) return;
                        Bytes now = ReadAll(c);
                        now.insert(now.end(), extra.begin(), extra.end());
                        // Refused while the job holds the container; either way the
                        // job expands what it counted at its start.
                        ::kb::testing::WriteWholeFile(c, std::string(now.begin(), now.end()));
                    },
                    0, {62, 75, 87}, {0, 0, 0}, {{"d\\one", "1"}, {"two", "22"}, {"d\\three", "333"}}});

    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        WipePath(P("out"));
        ASSERT_TRUE(fs::CreateFolder(P("out")));
        WriteAll(P("x.cmp"), row.container);
        std::vector<int> progress, lastErrors;
        CodecHooks hooks;
        int current = 0;
        hooks.setProgress = [&](int p) {
            current = p;
            progress.push_back(p);
            if (row.meanwhile) row.meanwhile(P("x.cmp"), p);
        };
        hooks.getProgress = [&] { return current + 50; };  // the copy phase ended at 50
        hooks.setLastError = [&](int e) { lastErrors.push_back(e); };
        EXPECT_EQ(codec_.ExpandZipPkg(P("x.cmp"), P("out"), hooks), row.result);
        EXPECT_EQ(progress, row.progress);
        EXPECT_EQ(lastErrors, row.lastErrors);
        EXPECT_EQ(Files(P("out")), row.files);
    }
}

// What the records declare is summed from their heads and handed over before
// anything is written; a refusal stops the container there. Two gigabytes of
// declared zeros take about two megabytes of container.
TEST_F(ContainerExpand, TheDeclaredTotalIsKnownBeforeAnythingIsWritten) {
    Builder huge;
    huge.Record("one", Text("1"), 0).ZeroRecord("huge.txt", 2000000000u).Record("three", Text("333"), 0);
    ASSERT_LT(huge.bytes.size(), 3u * 1024 * 1024);
    Builder three;
    three.Record("one", Text("1"), 0).Record("two", Text("22"), 1).Record("three", Text("333"), 0);
    struct Case {
        const char* what;
        Bytes container;
        int refusal;  // what the hook answers
        int result;
        uint64_t declared;
        std::map<std::string, std::string> files;
    } cases[] = {
        {"huge, refused", huge.bytes, PACKERR_FILE_TOO_BIG, PACKERR_FILE_TOO_BIG, 2000000004u, {}},
        {"small, refused", three.bytes, PACKERR_UNCOMPRESSION, PACKERR_UNCOMPRESSION, 6, {}},
        {"small, admitted", three.bytes, 0, 0, 6, {{"one", "1"}, {"two", "22"}, {"three", "333"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WipePath(P("out"));
        ASSERT_TRUE(fs::CreateFolder(P("out")));
        WriteAll(P("x.cmp"), c.container);
        std::vector<uint64_t> declared;
        std::vector<int> progress, lastErrors;
        CodecHooks hooks;
        hooks.admitDeclared = [&](uint64_t total) {
            declared.push_back(total);
            EXPECT_THAT(Files(P("out")), ::testing::IsEmpty());
            return c.refusal;
        };
        hooks.setProgress = [&](int p) { progress.push_back(p); };
        hooks.setLastError = [&](int e) { lastErrors.push_back(e); };
        EXPECT_EQ(codec_.ExpandZipPkg(P("x.cmp"), P("out"), hooks), c.result);
        EXPECT_EQ(declared, std::vector<uint64_t>{c.declared});
        if (c.result != 0) {
            EXPECT_THAT(progress, ::testing::IsEmpty());
            EXPECT_THAT(lastErrors, ::testing::IsEmpty());
        }
        EXPECT_EQ(Files(P("out")), c.files);
    }
}

// A name that may not be written refuses the container before any record of it
// is written, wherever it stands.
TEST_F(ContainerExpand, ABadNameAnywhereRefusesTheWholeContainer) {
    for (const char* bad : {"..\\up.txt", "C:\\abs.txt", "a\\..\\..\\b"}) {
        SCOPED_TRACE(bad);
        WipePath(P("out"));
        ASSERT_TRUE(fs::CreateFolder(P("out")));
        Builder b;
        b.Record("one", Text("1"), 0).Record("two", Text("22"), 0).Record(bad, Text("x"), 0);
        WriteAll(P("x.cmp"), b.bytes);
        std::vector<int> progress;
        CodecHooks hooks;
        hooks.setProgress = [&](int p) { progress.push_back(p); };
        EXPECT_EQ(codec_.ExpandZipPkg(P("x.cmp"), P("out"), hooks), PACKERR_ILLEGAL_PACKED_FILE);
        EXPECT_THAT(progress, ::testing::IsEmpty());
        EXPECT_THAT(Files(P("out")), ::testing::IsEmpty());
    }
}

// The user agreed to have the file replaced by the disc's copy, not to lose both:
// whatever ends a record early, the file in the way is as it was and nothing of
// the new one is left beside it.
TEST_F(ContainerExpand, AFailedOrStoppedRecordLeavesTheFileInTheWay) {
    const Bytes big = Pattern(3 * kZipPkgBlockSize, 4);
    Builder damagedSingle;
    damagedSingle.Name("t.txt").Status(0, 0, 0, 5, 0x20).U32(5).U8(0).Block(Bytes(13, 0x55));
    Builder damagedLastBlock;  // three blocks, the last one not zlib's
    damagedLastBlock.Name("t.txt").Status(0, 0, 0, static_cast<int32_t>(big.size()), 0x20);
    damagedLastBlock.U32(static_cast<uint32_t>(big.size())).U8(1);
    damagedLastBlock.Block(Zlib(Bytes(big.begin(), big.begin() + kZipPkgBlockSize)));
    damagedLastBlock.Block(Zlib(Bytes(big.begin() + kZipPkgBlockSize, big.begin() + 2 * kZipPkgBlockSize)));
    damagedLastBlock.Block(Bytes(40, 0x55));
    Builder sound;
    sound.Record("t.txt", big, 1);
    struct Case {
        const char* what;
        Bytes container;
        bool stopAfterFirstBlock;
        int result;
    } cases[] = {
        {"one block not zlib's", damagedSingle.bytes, false, PACKERR_UNCOMPRESSION},
        {"the last of three blocks not zlib's", damagedLastBlock.bytes, false, PACKERR_UNCOMPRESSION},
        {"stopped after the first block", sound.bytes, true, kCodecStopped},
    };
    for (uint32_t attributes : {fs::kAttrArchive, fs::kAttrReadOnly | fs::kAttrHidden}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.what) + " attributes " + std::to_string(attributes));
            WipePath(P("out"));
            ASSERT_TRUE(fs::CreateFolder(P("out")));
            WriteText(P("out\\t.txt"), "the user's own text");
            ASSERT_TRUE(fs::SetAttributes(P("out\\t.txt"), attributes));
            WriteAll(P("x.cmp"), c.container);
            CodecHooks hooks;
            int reports = 0;
            hooks.setProgress = [&](int) { ++reports; };
            hooks.stopRequested = [&] { return c.stopAfterFirstBlock && reports >= 1; };
            EXPECT_EQ(codec_.ExpandZipPkg(P("x.cmp"), P("out"), hooks), c.result);
            EXPECT_EQ(codec_.ExtractFromZipPkg(P("x.cmp"), P("out"), 0) < 0 || c.stopAfterFirstBlock, true);
            uint32_t now = 0;
            ASSERT_TRUE(fs::GetAttributes(P("out\\t.txt"), &now));
            constexpr uint32_t kProtected = fs::kAttrReadOnly | fs::kAttrHidden | fs::kAttrSystem;
            EXPECT_EQ(now & kProtected, attributes & kProtected);
            ASSERT_TRUE(fs::SetAttributes(P("out\\t.txt"), fs::kAttrNormal));
            EXPECT_EQ(Files(P("out")), (std::map<std::string, std::string>{{"t.txt", "the user's own text"}}));
        }
    }
}

}  // namespace
}  // namespace kb::pack
