// Splitting a file into parts and joining them: sizes, names, and what a failure leaves.
#include "packlib/split_parts.h"

#include <gtest/gtest.h>

#include "packlib/tests/pack_test_support.h"
#include <algorithm>
#include <string>
#include <vector>
#include "shared/pack_errors.h"

namespace kb {
namespace {

using packtest::Pattern;
using packtest::ReadAll;
using packtest::WriteWholeFile;

class SplitPartsTest : public packtest::TempFolderTest {};

// A NameList of the given names.
std::string NameList(const std::vector<std::string>& names) {
    std::string list;
    for (const auto& n : names) list += n + '\0';
    return list + '\0';
}

TEST(SplitPartNameTest, TwoDigitIndex) {
    EXPECT_EQ(SplitPartName("C:\\x\\f.bin", 0), "C:\\x\\f.bin.prt00");
    EXPECT_EQ(SplitPartName("f", 7), "f.prt07");
    EXPECT_EQ(SplitPartName("f", 99), "f.prt99");
}

TEST_F(SplitPartsTest, TenBytesIntoThreePartsAndBack) {
    const std::string file = P("f.bin");
    ASSERT_TRUE(WriteWholeFile(file, "0123456789"));
    ASSERT_EQ(SplitHugeFile(file.c_str(), 3), 3);
    EXPECT_EQ(ReadAll(file + ".prt00"), "012");
    EXPECT_EQ(ReadAll(file + ".prt01"), "345");
    EXPECT_EQ(ReadAll(file + ".prt02"), "6789");
    EXPECT_FALSE(fs::Exists(file + ".prt03"));
    EXPECT_EQ(ReadAll(file), "0123456789");

    const std::string list = NameList({file + ".prt00", file + ".prt01", file + ".prt02"});
    const std::string joined = P("joined.bin");
    ASSERT_EQ(UnSplitHugeFile(list.c_str(), 3, true, joined.c_str()), 0);
    EXPECT_EQ(ReadAll(joined), "0123456789");
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(fs::Exists(SplitPartName(file, i))) << i;
}

TEST_F(SplitPartsTest, SizesOfPartsAndStreamingAcrossBuffers) {
    struct Case {
        size_t length;
        int parts;
    };
    // More parts than bytes, one part, the largest count, and parts bigger than
    // the copy buffer.
    const Case cases[] = {{2, 5}, {0, 1}, {7, 1}, {1000, 100}, {3 * 1024 * 1024 + 5, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.length << " bytes into " << c.parts);
        const std::string file = P("s.bin");
        const std::string data = Pattern(c.length, static_cast<unsigned>(c.length));
        ASSERT_TRUE(WriteWholeFile(file, data));
        ASSERT_EQ(SplitHugeFile(file.c_str(), c.parts), c.parts);
        std::vector<std::string> names;
        std::string rebuilt;
        const size_t partSize = c.length / c.parts;
        for (int i = 0; i < c.parts; ++i) {
            names.push_back(SplitPartName(file, i));
            const std::string part = ReadAll(names.back());
            EXPECT_EQ(part.size(), i + 1 < c.parts ? partSize : c.length - partSize * (c.parts - 1)) << i;
            rebuilt += part;
        }
        EXPECT_TRUE(rebuilt == data);
        const std::string list = NameList(names);
        ASSERT_EQ(UnSplitHugeFile(list.c_str(), c.parts, false, P("j.bin").c_str()), 0);
        EXPECT_TRUE(ReadAll(P("j.bin")) == data);
        for (const auto& n : names) EXPECT_TRUE(fs::Exists(n)) << n;  // not asked to delete
        for (const auto& n : names) fs::RemoveFile(n);
    }
}

TEST_F(SplitPartsTest, ArgumentErrors) {
    const std::string file = P("f.bin");
    ASSERT_TRUE(WriteWholeFile(file, "abc"));
    EXPECT_EQ(SplitHugeFile(file.c_str(), 0), PACKERR_INVALID_PARAMETER);
    EXPECT_EQ(SplitHugeFile(file.c_str(), -1), PACKERR_INVALID_PARAMETER);
    EXPECT_EQ(SplitHugeFile(file.c_str(), 101), PACKERR_INVALID_PARAMETER);
    EXPECT_FALSE(fs::Exists(file + ".prt00"));
    EXPECT_EQ(SplitHugeFile(P("missing.bin").c_str(), 2), PACKERR_OPEN_SOURCE_FILE);
    EXPECT_EQ(SplitHugeFile(nullptr, 2), PACKERR_OPEN_SOURCE_FILE);
    EXPECT_EQ(SplitHugeFile((dir_ + "\\" + std::string(260, 'n')).c_str(), 2), PACKERR_PATH_TOO_LONG);

    const std::string list = NameList({file});
    EXPECT_EQ(UnSplitHugeFile(list.c_str(), 0, false, P("j").c_str()), PACKERR_INVALID_PARAMETER);
    EXPECT_FALSE(fs::Exists(P("j")));
    EXPECT_EQ(UnSplitHugeFile(nullptr, 1, false, P("j").c_str()), PACKERR_NULL_BUFFER);
    EXPECT_EQ(UnSplitHugeFile(list.c_str(), 1, false, P("nofolder\\j").c_str()), PACKERR_OPEN_DESTINATION_FILE);
}

// The names in the folder, sorted.
std::vector<std::string> Listing(const std::string& folder) {
    std::vector<fs::DirEntry> entries;
    EXPECT_TRUE(fs::ListFolder(folder, &entries));
    std::vector<std::string> names;
    for (const auto& e : entries) names.push_back(e.name);
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(SplitPartsTest, FailedJoinKeepsEveryPartAndTheDestination) {
    const std::string file = P("f.bin");
    ASSERT_TRUE(WriteWholeFile(file, "0123456789"));
    ASSERT_EQ(SplitHugeFile(file.c_str(), 3), 3);
    const std::string names[] = {SplitPartName(file, 0), SplitPartName(file, 1), SplitPartName(file, 2)};
    // The user's file under the destination's name, and one under the name a
    // temporary file might take.
    ASSERT_TRUE(WriteWholeFile(P("joined"), "the user's own"));
    ASSERT_TRUE(WriteWholeFile(P("~kbj0000.tmp"), "also the user's"));
    const std::vector<std::string> before = Listing(dir_);

    struct Case {
        const char* what;
        std::string list;
        int count;
    };
    const Case cases[] = {
        {"a missing part in the middle", NameList({names[0], P("gone.prt"), names[2]}), 3},
        {"a missing last part", NameList({names[0], names[1], P("gone.prt")}), 3},
        {"a count past the end of the list", NameList({names[0], names[1]}), 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(UnSplitHugeFile(c.list.c_str(), c.count, true, P("joined").c_str()), PACKERR_OPEN_SOURCE_FILE);
        EXPECT_EQ(ReadAll(names[0]), "012");
        EXPECT_EQ(ReadAll(names[1]), "345");
        EXPECT_EQ(ReadAll(names[2]), "6789");
        EXPECT_EQ(ReadAll(P("joined")), "the user's own");
        EXPECT_EQ(Listing(dir_), before);  // no temporary file left behind
    }
    // A join that succeeds replaces the destination whole.
    const std::string list = NameList({names[0], names[1], names[2]});
    ASSERT_EQ(UnSplitHugeFile(list.c_str(), 3, false, P("joined").c_str()), 0);
    EXPECT_EQ(ReadAll(P("joined")), "0123456789");
    EXPECT_EQ(ReadAll(P("~kbj0000.tmp")), "also the user's");
    EXPECT_EQ(Listing(dir_), before);
}

TEST_F(SplitPartsTest, DestinationThatCannotBeWrittenIsRefusedAndKept) {
    const std::string file = P("f.bin");
    ASSERT_TRUE(WriteWholeFile(file, "0123456789"));
    ASSERT_EQ(SplitHugeFile(file.c_str(), 2), 2);
    const std::string list = NameList({SplitPartName(file, 0), SplitPartName(file, 1)});
    ASSERT_TRUE(fs::CreateFolder(P("folder")));
    ASSERT_TRUE(WriteWholeFile(P("held"), "the user's own"));
    fs::File held = fs::File::Open(P("held"), fs::Access::Read, fs::Disposition::OpenExisting, fs::Share::Read);
    ASSERT_TRUE(held.IsOpen());
    std::vector<std::string> destinations = {P("folder"), P("held")};
#ifndef _WIN32
    // Wine run as root does not enforce read-only; the native seam does, as Windows.
    ASSERT_TRUE(WriteWholeFile(P("read-only"), "the user's own"));
    ASSERT_TRUE(fs::SetAttributes(P("read-only"), fs::kAttrReadOnly));
    destinations.push_back(P("read-only"));
#endif
    const std::vector<std::string> before = Listing(dir_);
    for (const std::string& destination : destinations) {
        SCOPED_TRACE(destination);
        EXPECT_EQ(UnSplitHugeFile(list.c_str(), 2, true, destination.c_str()), PACKERR_OPEN_DESTINATION_FILE);
        EXPECT_EQ(Listing(dir_), before);
        EXPECT_EQ(ReadAll(SplitPartName(file, 0)), "01234");
        EXPECT_EQ(ReadAll(SplitPartName(file, 1)), "56789");
    }
    held.Close();
    EXPECT_EQ(ReadAll(P("held")), "the user's own");
#ifndef _WIN32
    ASSERT_TRUE(fs::SetAttributes(P("read-only"), 0));
    EXPECT_EQ(ReadAll(P("read-only")), "the user's own");
#endif
}

// A destination that is one of its own parts would be replaced (or, with the
// parts deleted, lost) while it is read: refused by every spelling of the path.
TEST_F(SplitPartsTest, DestinationThatIsAPartIsRefused) {
    ASSERT_TRUE(fs::CreateFolder(P("sub")));
    const std::string file = P("f.bin");
    ASSERT_TRUE(WriteWholeFile(file, "0123456789"));
    ASSERT_EQ(SplitHugeFile(file.c_str(), 3), 3);
    const std::string part1 = SplitPartName(file, 1);
    const std::string list = NameList({SplitPartName(file, 0), part1, SplitPartName(file, 2)});
    std::string slashes = part1;
    std::replace(slashes.begin(), slashes.end(), '\\', '/');
    std::vector<std::string> spellings = {part1, dir_ + "\\.\\f.bin.prt01", P("sub\\..\\f.bin.prt01"), slashes,
                                          dir_ + "/sub/../f.bin.prt01"};
#ifdef _WIN32
    std::string upper = part1;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    spellings.push_back(upper);
#endif
    const std::vector<std::string> before = Listing(dir_);
    for (const std::string& destination : spellings) {
        for (bool deleteParts : {false, true}) {
            SCOPED_TRACE(destination + (deleteParts ? ", deleting parts" : ""));
            EXPECT_EQ(UnSplitHugeFile(list.c_str(), 3, deleteParts, destination.c_str()),
                      PACKERR_OPEN_DESTINATION_FILE);
            EXPECT_EQ(ReadAll(SplitPartName(file, 0)), "012");
            EXPECT_EQ(ReadAll(part1), "345");
            EXPECT_EQ(ReadAll(SplitPartName(file, 2)), "6789");
            EXPECT_EQ(Listing(dir_), before);
        }
    }
}

TEST_F(SplitPartsTest, CountBelowTheListJoinsOnlyThoseParts) {
    const std::string file = P("f.bin");
    ASSERT_TRUE(WriteWholeFile(file, "0123456789"));
    ASSERT_EQ(SplitHugeFile(file.c_str(), 3), 3);
    const std::string list = NameList({SplitPartName(file, 0), SplitPartName(file, 1), SplitPartName(file, 2)});
    ASSERT_EQ(UnSplitHugeFile(list.c_str(), 2, true, P("joined").c_str()), 0);
    EXPECT_EQ(ReadAll(P("joined")), "012345");
    EXPECT_FALSE(fs::Exists(SplitPartName(file, 0)));
    EXPECT_FALSE(fs::Exists(SplitPartName(file, 1)));
    EXPECT_TRUE(fs::Exists(SplitPartName(file, 2)));
}

TEST_F(SplitPartsTest, SplitReplacesOldParts) {
    const std::string file = P("f.bin");
    ASSERT_TRUE(WriteWholeFile(file + ".prt00", "old old old old"));
    ASSERT_TRUE(WriteWholeFile(file, "abcd"));
    ASSERT_EQ(SplitHugeFile(file.c_str(), 2), 2);
    EXPECT_EQ(ReadAll(file + ".prt00"), "ab");
    EXPECT_EQ(ReadAll(file + ".prt01"), "cd");
}

// A split that fails leaves the parts of an earlier split as they were and
// nothing of its own: no part rewritten, none partial, no temporary.
TEST_F(SplitPartsTest, FailedSplitLeavesTheEarlierPartsAsTheyWere) {
    enum class Obstacle { Folder, Held };
    for (Obstacle obstacle : {Obstacle::Folder, Obstacle::Held}) {
        SCOPED_TRACE(obstacle == Obstacle::Folder ? "a folder named like part 02" : "part 02 held open");
        const std::string file = P("f.bin");
        ASSERT_TRUE(WriteWholeFile(file, "0123456789"));
        ASSERT_EQ(SplitHugeFile(file.c_str(), 4), 4);
        fs::File held;
        if (obstacle == Obstacle::Folder) {
            ASSERT_TRUE(fs::RemoveFile(SplitPartName(file, 2)));
            ASSERT_TRUE(fs::CreateFolder(SplitPartName(file, 2)));
        } else {
            held = fs::File::Open(SplitPartName(file, 2), fs::Access::Read, fs::Disposition::OpenExisting,
                                  fs::Share::Read);
            ASSERT_TRUE(held.IsOpen());
        }
        const std::vector<std::string> before = Listing(dir_);
        ASSERT_TRUE(WriteWholeFile(file, "abcdefghijklmnop"));
        EXPECT_EQ(SplitHugeFile(file.c_str(), 4), PACKERR_OPEN_DESTINATION_FILE);
        EXPECT_EQ(Listing(dir_), before);
        EXPECT_EQ(ReadAll(SplitPartName(file, 0)), "01");
        EXPECT_EQ(ReadAll(SplitPartName(file, 1)), "23");
        EXPECT_EQ(ReadAll(SplitPartName(file, 3)), "6789");
        held.Close();
        if (obstacle == Obstacle::Folder) {
            ASSERT_TRUE(fs::RemoveFolder(SplitPartName(file, 2)));
        }
        for (int i = 0; i < 4; ++i) fs::RemoveFile(SplitPartName(file, i));
    }
}

}  // namespace
}  // namespace kb
