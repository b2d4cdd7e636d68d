// The sample pack, written here and by each build (checked in), read back here
// entry by entry: a pack one build writes is read by the other.
#include "testing/builders/pack_fixture.h"

#include <gtest/gtest.h>

#include <cstring>

#include "packlib/kabbit_app.h"
#include "packlib/tests/pack_test_support.h"

namespace kb::pack {
namespace {

using packtest::ReadAll;

class PackFixtureTest : public packtest::TempFolderTest {
protected:
    void ExpectFile(const std::string& path, const fixture::SourceFile& source) {
        EXPECT_TRUE(ReadAll(path) == packtest::Pattern(source.size, source.seed)) << path;
        fs::FileTimes times;
        ASSERT_TRUE(fs::GetTimes(path, &times)) << path;
        EXPECT_EQ(times.lastWrite, fixture::Times().lastWrite) << path;
    }
    void ReadBack(const std::string& pack) {
        CKabbitApp app;
        char names[512] = {};
        uint8_t flags[1001] = {};
        uint32_t sizes[8] = {};
        ASSERT_EQ(app.EnumFiles(pack.c_str(), names, sizeof names, flags, sizes, sizeof sizes, fixture::kPassword), 3);
        EXPECT_EQ(std::string(names, 27), std::string("a\\b.txt\0c.bin.cmp\0set.cmp\0", 27));
        EXPECT_EQ(flags[0], 0);
        EXPECT_EQ(flags[1], 1);
        EXPECT_EQ(flags[2], 1);
        EXPECT_EQ(sizes[0], 3000u);

        const std::string out = P("out");
        ASSERT_TRUE(fs::CreateFolder(out));
        ASSERT_EQ(app.UnPack(pack.c_str(), out.c_str(), "a\\b.txt", fixture::kPassword), 0);
        app.WaitForWorker();
        ASSERT_EQ(app.GetProgress(nullptr), PACKPROGRESS_DONE);
        // The compressed entries through UnPack, and through an independent reader.
        for (const char* name : {"c.bin.cmp", "set.cmp"}) {
            ASSERT_EQ(app.UnPack(pack.c_str(), out.c_str(), name, fixture::kPassword), 0) << name;
            app.WaitForWorker();
            ASSERT_EQ(app.GetProgress(nullptr), PACKPROGRESS_DONE) << name;
        }
        for (const auto& source : fixture::kSources) ExpectFile(out + "\\" + source.name, source);
        const std::string again = P("again");
        ASSERT_TRUE(fs::CreateFolder(again));
        packtest::ExpandCompressedEntry(pack, "c.bin.cmp", fixture::kPassword, again, P("scratch.cmp"));
        packtest::ExpandCompressedEntry(pack, "set.cmp", fixture::kPassword, again, P("scratch.cmp"));
        for (const auto& source : fixture::kSources) {
            if (std::string(source.name) != "a\\b.txt") ExpectFile(again + "\\" + source.name, source);
        }
        for (const auto& source : fixture::kSources) ExpectFile(out + "\\" + source.name, source);
    }
};

TEST_F(PackFixtureTest, WrittenHereReadsBack) {
    ASSERT_TRUE(fs::CreateFolder(P("w")));
    ASSERT_EQ(fixture::WriteFixturePack(P("fixture.pck"), P("w")), 0);
    ReadBack(P("fixture.pck"));
}

TEST_F(PackFixtureTest, NativeBuildsPackReadsBack) { ReadBack(std::string(KB_PACK_TESTDATA) + "/native.pck"); }

TEST_F(PackFixtureTest, WindowsBuildsPackReadsBack) { ReadBack(std::string(KB_PACK_TESTDATA) + "/win64.pck"); }

}  // namespace
}  // namespace kb::pack
