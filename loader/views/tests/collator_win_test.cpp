// The file list's order with the platform's comparison: the rows the native
// tests sort with their stand-in order, plus punctuation and case.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "loader/views/tests/test_collator.h"
#include "loader/views/win/collator_win.h"

namespace kb::loader {
namespace {

std::vector<std::string> Sorted(std::vector<std::string> paths, const Collator& collate) {
    TProtectionListView list;
    for (const std::string& p : paths) list.AddItem(p, 0, 0, 0);
    list.RebuildSorted(collate);
    std::vector<std::string> out;
    for (const ProtectionRow& r : list.Items()) out.push_back(r.caption);
    return out;
}

TEST(LstrcmpOrder, SubFoldersBeforeFilesAsTheNativeOrderSays) {
    const std::vector<std::string> expected = {"Docs\\Sub\\", "Docs\\Sub\\x.txt", "Docs\\", "Docs\\a.txt",
                                               "1st.txt", "readme.txt"};
    std::vector<std::string> input = expected;
    std::reverse(input.begin(), input.end());
    EXPECT_EQ(Sorted(input, LstrcmpCollator()), expected);
    EXPECT_EQ(Sorted(input, testing::TestCollate), expected);
}

TEST(LstrcmpOrder, CaseComesSecondAndAHyphenIsPassedOver) {
    const Collator collate = LstrcmpCollator();
    EXPECT_LT(collate("a.txt", "B.txt"), 0);
    EXPECT_LT(collate("B.txt", "c.txt"), 0);
    EXPECT_LT(collate("a.txt", "A.txt"), 0);
    EXPECT_LT(collate(" z", "a"), 0);
    EXPECT_LT(collate("_a", "1"), 0);
    EXPECT_LT(collate("1", "a"), 0);
    // The word sort passes over the hyphen, so the contents of "a-b" and
    // "ab" can interleave; the tree builder shares their folders anyway.
    EXPECT_EQ(Sorted({" ab\\y", " a-b\\x", " a-b\\z"}, collate),
              (std::vector<std::string>{" a-b\\x", " ab\\y", " a-b\\z"}));
}

}  // namespace
}  // namespace kb::loader
