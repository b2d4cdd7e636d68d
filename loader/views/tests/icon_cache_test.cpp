// Icon keys and the icon cache over a fake shell.
#include <gtest/gtest.h>

#include "loader/views/icon_cache.h"
#include "loader/views/tests/fake_shell.h"
#include "testing/kit/code_page.h"

namespace kb::loader {
namespace {

using testing::FakeImages;
using testing::FakeShell;
using Strings = std::vector<std::string>;

struct KeyRow {
    const char* name;
    const char* shellName;
    const char* key;
    uint32_t attributes;
};

void CheckKeys(const std::vector<KeyRow>& rows) {
    for (const KeyRow& r : rows) {
        SCOPED_TRACE(r.name);
        const IconKey k = GetIconKey(r.name);
        EXPECT_EQ(k.shellName, r.shellName);
        EXPECT_EQ(k.key, r.key);
        EXPECT_EQ(k.attributes, r.attributes);
    }
}

TEST(IconKey, ByKindOfName) {
    ::kb::testing::UseSingleByteCodePage();
    CheckKeys({
        {"Docs\\", "", "", 16},
        {"Docs\\Sub\\", "", "", 16},
        {"a.txt", "*.txt", "*.txt", 128},
        {"c.TXT", "*.TXT", "*.TXT", 128},
        {"a.tar.gz", "*.gz", "*.gz", 128},
        {"Docs\\a.txt", "*.txt", "*.txt", 128},
        {"noext", "", "*.", 128},
        {"dir.v1\\noext", "", "*.", 128},
        {"name.", "*.", "*.", 128},
        {"", "", "*.", 128},
    });
}

TEST(IconKey, ShiftJisTrailByteIsNoFolderMark) {
    KB_REQUIRE_CP932();
    CheckKeys({
        {"\x95\x5C", "", "*.", 128},
        {"\x95\x5C\\", "", "", 16},
        {"\x95\x5C.txt", "*.txt", "*.txt", 128},
        {"a.b\\\x95\x5C", "", "*.", 128},
    });
    ::kb::testing::UseSingleByteCodePage();
}

class IconCacheTest : public ::testing::Test {
protected:
    FakeShell shell;
    FakeImages images;
    TIconImageList icons{shell, images};

    void TearDown() override {
        // Every icon the shell gave was destroyed exactly once.
        EXPECT_TRUE(shell.alive.empty());
        EXPECT_EQ(shell.destroyedTwice, 0);
    }
};

TEST_F(IconCacheTest, OneShellQueryPerTypeInFirstSeenOrder) {
    EXPECT_EQ(icons.IndexOfIcon("a.txt"), 0);
    EXPECT_EQ(icons.IndexOfIcon("b.txt"), 0);
    EXPECT_EQ(icons.IndexOfIcon("Docs\\"), 1);
    EXPECT_EQ(icons.IndexOfIcon("c.TXT"), 2);
    EXPECT_EQ(icons.IndexOfIcon("Other\\Sub\\"), 1);
    EXPECT_EQ(icons.IndexOfIcon("d.txt"), 0);
    EXPECT_EQ(shell.queries, (Strings{"*.txt|128", "|16", "*.TXT|128"}));
    EXPECT_EQ(icons.IconKeys(), (Strings{"*.txt", "", "*.TXT"}));
    EXPECT_EQ(images.large.size(), 3u);
    EXPECT_EQ(images.small.size(), 3u);
}

TEST_F(IconCacheTest, NameWithFinalDotAndNameWithoutExtensionShareAKey) {
    EXPECT_EQ(icons.AddIcon("name."), "*.");
    EXPECT_EQ(icons.AddIcon("name"), "*.");
    EXPECT_EQ(icons.IndexOfIcon("other"), 0);
    // The first name seen decides what the shell is asked.
    EXPECT_EQ(shell.queries, (Strings{"*.|128"}));
}

TEST_F(IconCacheTest, ATypeWithoutAnIconPairIsNeverAskedAgain) {
    shell.answers["*.one"] = {true, false};
    shell.answers["*.none"] = {false, false};
    EXPECT_EQ(icons.IndexOfIcon("a.one"), -1);
    EXPECT_EQ(icons.IndexOfIcon("b.one"), -1);
    EXPECT_EQ(icons.IndexOfIcon("a.none"), -1);
    EXPECT_EQ(icons.IndexOfIcon("a.txt"), 0);
    EXPECT_EQ(shell.queries, (Strings{"*.one|128", "*.none|128", "*.txt|128"}));
    EXPECT_EQ(icons.MissingKeys(), (Strings{"*.one", "*.none"}));
    EXPECT_EQ(images.large.size(), 1u);
}

TEST_F(IconCacheTest, IconsTheListsCannotTakeCountAsMissing) {
    images.refuse = true;
    EXPECT_EQ(icons.IndexOfIcon("a.txt"), -1);
    images.refuse = false;
    EXPECT_EQ(icons.IndexOfIcon("b.txt"), -1);
    EXPECT_EQ(shell.queries.size(), 1u);
    EXPECT_EQ(icons.MissingKeys(), (Strings{"*.txt"}));
}

TEST_F(IconCacheTest, LargeListFollowsTheIconSizeAndKeepsItsIcons) {
    images.width = images.height = 0;
    shell.answers["*.big"] = {true, true, 48, 48};
    EXPECT_EQ(icons.IndexOfIcon("a.txt"), 0);
    EXPECT_EQ(icons.IndexOfIcon("b.txt"), 0);
    EXPECT_EQ(icons.IndexOfIcon("a.big"), 1);
    EXPECT_EQ(images.resizes, (std::vector<std::pair<int, int>>{{32, 32}, {48, 48}}));
    // The earlier icon is still the one at index 0.
    EXPECT_EQ(icons.IndexOfIcon("c.txt"), 0);
    ASSERT_EQ(images.large.size(), 2u);
    EXPECT_NE(images.large[0], images.large[1]);
}

}  // namespace
}  // namespace kb::loader
