// Folder collection and folder creation on real folders.
#include "packlib/folder_walk.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "packlib/tests/container_test_support.h"
#include "shared/base/dbcs.h"

namespace kb::pack {
namespace {

using namespace kb::pack::testing;
using ::testing::UnorderedElementsAre;

class FolderWalkTest : public TempDirTest {};

TEST(ChildPathRule, SeparatorOnlyWhenMissing) {
    EXPECT_EQ(ChildPath("C:\\d", "x"), "C:\\d\\x");
    EXPECT_EQ(ChildPath("C:\\d\\", "x"), "C:\\d\\x");
    EXPECT_EQ(ChildPath("C:\\d/", "x"), "C:\\d/x");
#ifndef _WIN32
    platform::SetAnsiCodePageForTesting(932);
    EXPECT_EQ(ChildPath("C:\\\x95\x5C", "x"), "C:\\\x95\x5C\\x");
    platform::SetAnsiCodePageForTesting(1252);
#endif
}

TEST_F(FolderWalkTest, CollectsEveryFileRecursivelyLessExclusions) {
    ASSERT_TRUE(fs::CreateFolder(P("d")));
    ASSERT_TRUE(fs::CreateFolder(P("d\\sub")));
    ASSERT_TRUE(fs::CreateFolder(P("d\\sub\\deeper")));
    ASSERT_TRUE(fs::CreateFolder(P("d\\hollow")));
    for (const char* f : {"d\\a.txt", "d\\x.txt", "d\\y.txt", "d\\sub\\b.txt", "d\\sub\\deeper\\c.txt", "d\\h.txt", "d\\s.txt"})
        WriteText(P(f), f);
    ASSERT_TRUE(fs::SetAttributes(P("d\\h.txt"), fs::kAttrHidden));
    ASSERT_TRUE(fs::SetAttributes(P("d\\s.txt"), fs::kAttrSystem));

    // The folder given with and without its trailing backslash gives the same paths.
    for (const std::string& folder : {P("d"), P("d\\")}) {
        std::vector<std::string> files = {"kept"};
        const std::vector<std::string> excluded = {P("d\\x.txt"), P("d\\y.txt"), P("D\\a.txt")};
        EXPECT_EQ(CollectFolderFiles(folder, &files, excluded), 6u);
        EXPECT_THAT(files, UnorderedElementsAre("kept", P("d\\a.txt"), P("d\\sub\\b.txt"), P("d\\sub\\deeper\\c.txt"),
                                                P("d\\h.txt"), P("d\\s.txt")));
    }
    std::vector<std::string> files;
    EXPECT_EQ(CollectFolderFiles("", &files, {}), 0u);
    EXPECT_EQ(CollectFolderFiles(P("none"), &files, {}), 0u);
}

TEST_F(FolderWalkTest, CreatesEachLevelOfARecordName) {
    ASSERT_TRUE(fs::CreateFolder(P("out")));
    const std::string name = "\\a\\b\\c.txt";
    CreateFolderPath(name, P("out") + name);
    uint32_t attributes = 0;
    ASSERT_TRUE(fs::GetAttributes(P("out\\a\\b"), &attributes));
    EXPECT_TRUE(attributes & fs::kAttrDirectory);
    EXPECT_FALSE(fs::Exists(P("out\\a\\b\\c.txt")));
    // No leading backslash; a level that exists already is no failure.
    CreateFolderPath("a\\z\\d.txt", P("out\\a\\z\\d.txt"));
    EXPECT_TRUE(fs::Exists(P("out\\a\\z")));
}

TEST_F(FolderWalkTest, DoubleByteFolderNamesKeepTheirTrailBytes) {
#ifndef _WIN32
    platform::SetAnsiCodePageForTesting(932);
#else
    if (!platform::IsLeadByte(0x95)) GTEST_SKIP() << "the code page has no double-byte characters";
#endif
    const std::string folder = P("\x95\x5C");
    ASSERT_TRUE(fs::CreateFolder(folder));
    WriteText(folder + "\\f.txt", "x");
    std::vector<std::string> files;
    EXPECT_EQ(CollectFolderFiles(folder, &files, {}), 1u);
    EXPECT_THAT(files, UnorderedElementsAre(folder + "\\f.txt"));
    // A trail byte 0x5C in a record name makes no folder.
    ASSERT_TRUE(fs::CreateFolder(P("out")));
    CreateFolderPath("\\\x95\x5C\\g.txt", P("out") + "\\\x95\x5C\\g.txt");
    EXPECT_TRUE(fs::Exists(P("out\\\x95\x5C")));
    WipePath(folder);
    WipePath(P("out"));
#ifndef _WIN32
    platform::SetAnsiCodePageForTesting(1252);
#endif
}

#ifndef _WIN32
TEST_F(FolderWalkTest, LinkedFoldersAreNotEntered) {
    ASSERT_TRUE(fs::CreateFolder(P("d")));
    WriteText(P("d\\a.txt"), "a");
    // A link back to the folder itself would recurse without end.
    std::string native = dir_;
    for (char& c : native)
        if (c == '\\') c = '/';
    ASSERT_EQ(::symlink((native + "/d").c_str(), (native + "/d/loop").c_str()), 0);
    std::vector<std::string> files;
    EXPECT_EQ(CollectFolderFiles(P("d"), &files, {}), 1u);
    uint32_t attributes = 0;
    ASSERT_TRUE(fs::GetAttributes(P("d\\loop"), &attributes));
    EXPECT_EQ(attributes & (fs::kAttrDirectory | fs::kAttrReparsePoint), fs::kAttrDirectory | fs::kAttrReparsePoint);
    ::unlink((native + "/d/loop").c_str());
}
#endif

}  // namespace
}  // namespace kb::pack
