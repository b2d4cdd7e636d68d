// The file list's sort keys, captions, columns and sorted rebuild.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "loader/views/file_list.h"
#include "loader/views/tests/test_collator.h"
#include "testing/kit/code_page.h"

namespace kb::loader {
namespace {

using testing::TestCollate;

// The caption the key alone gives by the old rule: one trailing backslash
// dropped, blanks and control characters trimmed, every blank after a
// backslash byte left out. Captions must agree with it for ordinary paths.
std::string CaptionFromKey(std::string key) {
    if (!key.empty() && key.back() == '\\') key.pop_back();
    size_t b = 0, e = key.size();
    while (b < e && static_cast<unsigned char>(key[b]) <= 32) ++b;
    while (e > b && static_cast<unsigned char>(key[e - 1]) <= 32) --e;
    std::string out;
    for (size_t i = b; i < e; ++i)
        if (!(key[i] == ' ' && i > b && key[i - 1] == '\\')) out += key[i];
    return out;
}

struct KeyRow {
    const char* path;
    const char* key;
    bool folder;
    bool keyRuleCaption;  // the old rule gives the same caption
};

void CheckRows(const std::vector<KeyRow>& rows) {
    for (const KeyRow& r : rows) {
        SCOPED_TRACE(r.path);
        EXPECT_EQ(ItemSortKey(r.path), r.key);
        EXPECT_EQ(DisplayCaption(r.path), r.path);
        EXPECT_EQ(CaptionFromKey(ItemSortKey(r.path)) == r.path, r.keyRuleCaption);
        TProtectionListView list;
        list.AddItem(r.path, 1, 0, 0);
        list.RebuildSorted(TestCollate);
        ASSERT_EQ(list.Items().size(), 1u);
        EXPECT_EQ(list.Items()[0].caption, r.path);
        EXPECT_EQ(list.Items()[0].folder, r.folder);
    }
}

TEST(FileList, SortKeysAndCaptions) {
    ::kb::testing::UseSingleByteCodePage();
    CheckRows({
        {"readme.txt", "readme.txt", false, true},
        {"Docs\\a.txt", " Docs\\a.txt", false, true},
        {"Docs\\", " Docs\\\\", true, true},
        {"Docs\\Sub\\", " Docs\\ Sub\\\\", true, true},
        {"Docs\\Sub\\x.txt", " Docs\\ Sub\\x.txt", false, true},
        {"a b\\c d.txt", " a b\\c d.txt", false, true},
        {"", "", false, true},
        // A part that begins with a blank keeps it in the caption, so the
        // entry exports under its real name; the old rule lost it.
        {"Docs\\ b.txt", " Docs\\ b.txt", false, false},
        {"Docs\\ Sub\\", " Docs\\  Sub\\\\", true, true},
        {"Docs\\ Sub\\ c", " Docs\\  Sub\\ c", false, false},
    });
}

TEST(FileList, ShiftJisSortKeysAndCaptions) {
    KB_REQUIRE_CP932();
    // 0x95 0x5C is one character whose trail byte is a backslash byte: it
    // neither splits a path nor marks a folder.
    CheckRows({
        {"\x95\x5C\\a.txt", " \x95\x5C\\a.txt", false, true},
        {"\x95\x5C", "\x95\x5C", false, false},
        {"\x95\x5C\\", " \x95\x5C\\\\", true, true},
        {"Docs\\\x95\x5C\\x", " Docs\\ \x95\x5C\\x", false, true},
        {"\x95\x5C b.txt", "\x95\x5C b.txt", false, false},
        {"Docs\\\x95\x5C b\\", " Docs\\ \x95\x5C b\\\\", true, false},
    });
    ::kb::testing::UseSingleByteCodePage();
}

TEST(FileList, ColumnsAsText) {
    TProtectionListView list;
    list.AddItem("Docs\\", 3, 0, 0);
    list.AddItem("Docs\\big.bin", 4, 5000000000LL, 1);
    list.RebuildSorted(TestCollate);
    ASSERT_EQ(list.Items().size(), 2u);
    const ProtectionRow& folder = list.Items()[0];
    const ProtectionRow& file = list.Items()[1];
    const std::vector<std::string> folderCols = {"0", "1", "3", "0", "0", ""};
    const std::vector<std::string> fileCols = {"1", "0", "4", "0", "5000000000", ""};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(folder.SubItem(i), folderCols[static_cast<size_t>(i)]) << i;
        EXPECT_EQ(file.SubItem(i), fileCols[static_cast<size_t>(i)]) << i;
    }
    EXPECT_EQ(file.SubItem(-1), "");
}

TEST(FileList, SortedRebuildPutsSubFoldersBeforeFilesWhateverTheInputOrder) {
    std::vector<std::string> paths = {"Docs\\", "Docs\\Sub\\", "Docs\\Sub\\x.txt", "Docs\\a.txt", "readme.txt",
                                      "1st.txt"};
    const std::vector<std::string> expected = {"Docs\\Sub\\", "Docs\\Sub\\x.txt", "Docs\\", "Docs\\a.txt",
                                               "1st.txt", "readme.txt"};
    std::sort(paths.begin(), paths.end());
    int runs = 0;
    do {
        TProtectionListView list;
        for (size_t i = 0; i < paths.size(); ++i) list.AddItem(paths[i], static_cast<int>(i), 0, 0);
        EXPECT_TRUE(list.Collecting());
        list.RebuildSorted(TestCollate);
        EXPECT_FALSE(list.Collecting());
        std::vector<std::string> got;
        for (const ProtectionRow& r : list.Items()) got.push_back(r.caption);
        ASSERT_EQ(got, expected) << "run " << runs;
        // Each row keeps its own columns through the sort.
        for (const ProtectionRow& r : list.Items()) EXPECT_EQ(paths[static_cast<size_t>(r.rowNumber)], r.caption);
        ++runs;
    } while (std::next_permutation(paths.begin(), paths.end()));
    EXPECT_EQ(runs, 720);
}

TEST(FileList, EqualKeysKeepTheirOrderAndRebuildWithoutEntriesDoesNothing) {
    TProtectionListView list;
    list.RebuildSorted(TestCollate);
    EXPECT_TRUE(list.Items().empty());

    list.AddItem("b.txt", 1, 0, 1);
    list.AddItem("a.txt", 2, 0, 1);
    list.AddItem("b.txt", 3, 0, 1);
    list.RebuildSorted(TestCollate);
    ASSERT_EQ(list.Items().size(), 3u);
    EXPECT_EQ(list.Items()[0].rowNumber, 2);
    EXPECT_EQ(list.Items()[1].rowNumber, 1);
    EXPECT_EQ(list.Items()[2].rowNumber, 3);

    // A second rebuild without new entries adds nothing; after a clear, a new
    // run holds only its own rows.
    list.RebuildSorted(TestCollate);
    EXPECT_EQ(list.Items().size(), 3u);
    list.Clear();
    list.AddItem("c.txt", 0, 0, 1);
    list.RebuildSorted(TestCollate);
    ASSERT_EQ(list.Items().size(), 1u);
    EXPECT_EQ(list.Items()[0].caption, "c.txt");
}

}  // namespace
}  // namespace kb::loader
