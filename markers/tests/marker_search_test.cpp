// The marker folder list and search over a scripted view of drives and folders.
#include "markers/marker_search.h"

#include "shared/base/dbcs.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

namespace kb::markers {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr unsigned kDriveRemovable = 2;
constexpr unsigned kDriveRemote = 4;
constexpr unsigned kDriveCdrom = 5;
constexpr unsigned kDriveNoRoot = 1;
constexpr std::uint32_t kFile = 0x20;
constexpr std::uint32_t kFolder = kAttrDirectory;
constexpr std::uint32_t kErrorFileNotFound = 2;

// A machine described by tables; every call is recorded in order.
class ScriptedView : public MarkerView {
public:
    std::map<char, unsigned> driveTypes;  // letter -> type; others: no root
    std::optional<std::string> profile;
    std::map<std::string, std::uint32_t> entries;  // exact path -> attributes
    std::map<std::string, FindFirstResult> oddSearches;
    std::map<std::string, std::vector<FolderEntry>> listings;

    std::vector<std::string> driveQueries;
    std::vector<std::string> searches;
    std::vector<std::string> listed;

    unsigned DriveType(const std::string& root) override {
        driveQueries.push_back(root);
        auto it = driveTypes.find(root[0]);
        return it == driveTypes.end() ? kDriveNoRoot : it->second;
    }
    std::optional<std::string> ProfileFolder() override { return profile; }
    FindFirstResult FindFirst(const std::string& path) override {
        searches.push_back(path);
        if (auto odd = oddSearches.find(path); odd != oddSearches.end()) return odd->second;
        FindFirstResult r;
        if (auto it = entries.find(path); it != entries.end()) {
            r.succeeded = true;
            r.entryReturned = true;
            r.attributes = it->second;
        } else {
            r.lastError = kErrorFileNotFound;
        }
        return r;
    }
    std::vector<FolderEntry> ListFolder(const std::string& pattern) override {
        listed.push_back(pattern);
        auto it = listings.find(pattern);
        return it == listings.end() ? std::vector<FolderEntry>{} : it->second;
    }
};

class CodePage : public ::testing::Test {
protected:
    void TearDown() override { platform::SetAnsiCodePageForTesting(1252); }
};

struct PathCase {
    int codePage;
    std::string in;
    std::string out;
};

using StripTest = CodePage;
TEST_F(StripTest, DropsOneTrailingBackslashThatIsASingleByte) {
    const PathCase cases[] = {
        {1252, "C:\\TQZDisc\\", "C:\\TQZDisc"},
        {1252, "C:\\TQZDisc", "C:\\TQZDisc"},
        {1252, "C:\\a\\\\", "C:\\a\\"},
        {1252, "\\", ""},
        {1252, "", ""},
        {1252, "C:\\a/", "C:\\a/"},
        // 0x5C after a lead byte is the second half of a character, not a separator.
        {932, "C:\\\x95\x5C", "C:\\\x95\x5C"},
        {932, "C:\\\x95\x5C\\", "C:\\\x95\x5C"},
        {932, "\x81\x5C\x81\x5C", "\x81\x5C\x81\x5C"},
        {932, "C:\\\x95", "C:\\\x95"},
        // Without a double-byte code page the same byte is a backslash.
        {1252, "C:\\\x95\x5C", "C:\\\x95"},
    };
    for (const auto& c : cases) {
        platform::SetAnsiCodePageForTesting(c.codePage);
        EXPECT_EQ(StripTrailingBackslash(c.in), c.out) << c.in << " cp " << c.codePage;
    }
}

using ParentTest = CodePage;
TEST_F(ParentTest, KeepsDriveAndFolderPartsWithTheirLastSeparator) {
    const PathCase cases[] = {
        {1252, "C:\\Documents and Settings\\User", "C:\\Documents and Settings\\"},
        {1252, "C:\\users\\bob", "C:\\users\\"},
        {1252, "C:\\users\\bob\\", "C:\\users\\bob\\"},
        {1252, "C:\\bob", "C:\\"},
        {1252, "C:/users/bob", "C:/users/"},
        {1252, "C:bob", "C:"},
        {1252, "bob", ""},
        {1252, "", ""},
        {1252, "\\\\server\\share\\bob", "\\\\server\\share\\"},
        {932, "C:\\\x95\x5C", "C:\\"},
        {932, "C:\\\x95\x5C\\bob", "C:\\\x95\x5C\\"},
        {932, "\x95:\\bob", "\x95:\\"},
        {1252, "C:\\\x95\x5C", "C:\\\x95\x5C"},
    };
    for (const auto& c : cases) {
        platform::SetAnsiCodePageForTesting(c.codePage);
        EXPECT_EQ(GetParentFolder(c.in), c.out) << c.in << " cp " << c.codePage;
    }
}

TEST(ProfileCandidate, OnlyVisibleFoldersOtherThanDotEntries) {
    const struct {
        FolderEntry entry;
        bool candidate;
    } cases[] = {
        {{"bob", kFolder}, true},
        {{"bob", kFolder | 0x1 /* read-only */}, true},
        {{"bob", kFolder | 0x4 /* system */}, true},
        {{"bob", kFolder | kAttrHidden}, false},
        {{"bob", kFolder | kAttrHidden | 0x4}, false},
        {{"bob", kFile}, false},
        {{"bob", kFile | kAttrHidden}, false},
        {{".", kFolder}, false},
        {{"..", kFolder}, false},
        {{"...", kFolder}, true},
        {{".bob", kFolder}, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsProfileCandidate(c.entry), c.candidate) << c.entry.name << " " << c.entry.attributes;
}

TEST(DriveRootList, CThroughYWithoutZ) {
    auto roots = DriveRoots();
    ASSERT_EQ(roots.size(), 23u);
    for (size_t i = 0; i < roots.size(); ++i) EXPECT_EQ(roots[i], std::string(1, char('C' + i)) + ":\\");
}

TEST(FoundAttributesTest, AnswersOnlyFromAnEntryTheSearchHandedBack) {
    const struct {
        FindFirstResult result;
        std::optional<std::uint32_t> attributes;
    } cases[] = {
        {{true, 0, true, kFile}, kFile},
        {{true, 0, true, kFolder}, kFolder},
        {{false, kErrorFileNotFound, false, 0}, std::nullopt},
        {{false, 3 /* path not found */, true, kFile}, std::nullopt},
        {{false, kErrorMoreData, true, kFile}, kFile},
        {{false, kErrorMoreData, true, kFolder}, kFolder},
        {{false, kErrorMoreData, false, 0}, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FoundAttributes(c.result), c.attributes)
            << c.result.succeeded << " " << c.result.lastError << " " << c.result.entryReturned;
    }
}

TEST(FindMarkerFileTest, AFileCountsAFolderOfTheSameNameDoesNot) {
    ScriptedView view;
    view.entries["C:\\TQZDisc\\AdminForInst"] = kFile;
    view.entries["C:\\TQZDisc\\AdminForNeedReboot"] = kFolder;
    EXPECT_TRUE(FindMarkerFile(view, "C:\\TQZDisc\\AdminForInst"));
    EXPECT_FALSE(FolderExists(view, "C:\\TQZDisc\\AdminForInst"));
    EXPECT_FALSE(FindMarkerFile(view, "C:\\TQZDisc\\AdminForNeedReboot"));
    EXPECT_TRUE(FolderExists(view, "C:\\TQZDisc\\AdminForNeedReboot"));
    EXPECT_FALSE(FindMarkerFile(view, "C:\\TQZDisc\\Other"));
    EXPECT_FALSE(FolderExists(view, "C:\\TQZDisc\\Other"));
}

TEST(FindMarkerFileTest, SearchesThePathLessOneTrailingBackslash) {
    ScriptedView view;
    view.entries["C:\\users\\bob\\Local Settings\\Temp"] = kFolder;
    EXPECT_TRUE(FolderExists(view, "C:\\users\\bob\\Local Settings\\Temp\\"));
    EXPECT_THAT(view.searches, ElementsAre("C:\\users\\bob\\Local Settings\\Temp"));
}

TEST(FindMarkerFileTest, MoreDataWithAnEntryIsAnsweredFromThatEntry) {
    ScriptedView view;
    view.oddSearches["C:\\TQZDisc\\AdminForInst"] = {false, kErrorMoreData, true, kFile};
    view.oddSearches["C:\\TQZDisc\\AdminForNeedReboot"] = {false, kErrorMoreData, false, 0};
    EXPECT_TRUE(FindMarkerFile(view, "C:\\TQZDisc\\AdminForInst"));
    EXPECT_FALSE(FindMarkerFile(view, "C:\\TQZDisc\\AdminForNeedReboot"));
    EXPECT_FALSE(FolderExists(view, "C:\\TQZDisc\\AdminForNeedReboot"));
}

TEST(DriveFolders, OnlyFixedDrivesCToYInLetterOrder) {
    ScriptedView view;
    view.driveTypes = {{'C', kDriveFixed},     {'D', kDriveCdrom}, {'E', kDriveRemovable},
                       {'F', kDriveRemote},    {'G', kDriveFixed}, {'X', 6 /* RAM disk */},
                       {'Y', kDriveFixed},     {'Z', kDriveFixed}};
    EXPECT_THAT(ListDriveMarkerFolders(view),
                ElementsAre("C:\\TQZDisc\\", "G:\\TQZDisc\\", "Y:\\TQZDisc\\"));
    EXPECT_EQ(view.driveQueries, DriveRoots());
    EXPECT_THAT(view.searches, IsEmpty());
}

ScriptedView ProfilesMachine() {
    ScriptedView view;
    view.profile = "C:\\users\\bob";
    view.listings["C:\\users\\*.*"] = {
        {".", kFolder},        {"..", kFolder},   {"bob", kFolder},     {"Public", kFolder},
        {".hidden", kFolder | kAttrHidden},       {"notes.txt", kFile}, {"alice", kFolder},
        {"carol", kFolder},
    };
    const std::string tail = "\\Local Settings\\Temp";
    view.entries["C:\\users\\bob" + tail] = kFolder;
    view.entries["C:\\users\\.hidden" + tail] = kFolder;
    view.entries["C:\\users\\alice" + tail] = kFolder;
    view.entries["C:\\users\\carol" + tail] = kFile;  // not a folder: no candidate
    return view;
}

TEST(ProfileFolders, VisibleProfilesWithATempFolderInListingOrder) {
    ScriptedView view = ProfilesMachine();
    EXPECT_THAT(ListProfileMarkerFolders(view),
                ElementsAre("C:\\users\\bob\\Local Settings\\Temp\\TQZDisc\\",
                            "C:\\users\\alice\\Local Settings\\Temp\\TQZDisc\\"));
    EXPECT_THAT(view.listed, ElementsAre("C:\\users\\*.*"));
    // Hidden folders, files and dot entries are never probed.
    EXPECT_THAT(view.searches, ElementsAre("C:\\users\\bob\\Local Settings\\Temp",
                                           "C:\\users\\Public\\Local Settings\\Temp",
                                           "C:\\users\\alice\\Local Settings\\Temp",
                                           "C:\\users\\carol\\Local Settings\\Temp"));
}

TEST(ProfileFolders, NoProfileFolderGivesNoCandidates) {
    ScriptedView view = ProfilesMachine();
    view.profile.reset();
    EXPECT_THAT(ListProfileMarkerFolders(view), IsEmpty());
    EXPECT_THAT(view.listed, IsEmpty());
}

TEST(ProfileFolders, AFailedListingGivesNoCandidates) {
    ScriptedView view = ProfilesMachine();
    view.profile = "D:\\profiles\\bob";
    EXPECT_THAT(ListProfileMarkerFolders(view), IsEmpty());
    EXPECT_THAT(view.listed, ElementsAre("D:\\profiles\\*.*"));
}

TEST(MarkerFolders, DriveFoldersComeBeforeProfileFolders) {
    ScriptedView view = ProfilesMachine();
    view.driveTypes = {{'C', kDriveFixed}, {'E', kDriveFixed}};
    EXPECT_THAT(ListMarkerFolders(view),
                ElementsAre("C:\\TQZDisc\\", "E:\\TQZDisc\\",
                            "C:\\users\\bob\\Local Settings\\Temp\\TQZDisc\\",
                            "C:\\users\\alice\\Local Settings\\Temp\\TQZDisc\\"));
}

TEST(MarkerSearch, BuildsTheWholeListThenStopsAtTheFirstHit) {
    ScriptedView view = ProfilesMachine();
    view.driveTypes = {{'C', kDriveFixed}, {'E', kDriveFixed}};
    view.entries["E:\\TQZDisc\\AdminForInst"] = kFile;
    view.entries["C:\\users\\alice\\Local Settings\\Temp\\TQZDisc\\AdminForInst"] = kFile;
    EXPECT_TRUE(MarkerExists(view, kInstMarker));
    EXPECT_THAT(view.searches, ElementsAre("C:\\users\\bob\\Local Settings\\Temp",
                                           "C:\\users\\Public\\Local Settings\\Temp",
                                           "C:\\users\\alice\\Local Settings\\Temp",
                                           "C:\\users\\carol\\Local Settings\\Temp",
                                           "C:\\TQZDisc\\AdminForInst", "E:\\TQZDisc\\AdminForInst"));
}

TEST(MarkerSearch, EachCallStartsAfresh) {
    ScriptedView view = ProfilesMachine();
    view.driveTypes = {{'C', kDriveFixed}};
    EXPECT_FALSE(MarkerExists(view, kInstMarker));
    view.entries["C:\\TQZDisc\\AdminForInst"] = kFile;
    EXPECT_TRUE(MarkerExists(view, kInstMarker));
    view.entries.erase("C:\\TQZDisc\\AdminForInst");
    EXPECT_FALSE(MarkerExists(view, kInstMarker));
    EXPECT_EQ(view.driveQueries.size(), 3 * DriveRoots().size());
}

TEST(MarkerSearch, Layouts) {
    const std::string bobTemp = "C:\\users\\bob\\Local Settings\\Temp\\TQZDisc\\";
    const std::string hiddenTemp = "C:\\users\\.hidden\\Local Settings\\Temp\\TQZDisc\\";
    const struct {
        const char* what;
        std::map<std::string, std::uint32_t> entries;
        bool inst;
        bool reboot;
    } cases[] = {
        {"nothing", {}, false, false},
        {"install marker on C:", {{"C:\\TQZDisc\\AdminForInst", kFile}}, true, false},
        {"reboot marker on Y:", {{"Y:\\TQZDisc\\AdminForNeedReboot", kFile}}, false, true},
        {"both markers on G:", {{"G:\\TQZDisc\\AdminForInst", kFile}, {"G:\\TQZDisc\\AdminForNeedReboot", kFile}},
         true, true},
        {"marker is a folder", {{"C:\\TQZDisc\\AdminForInst", kFolder}}, false, false},
        {"marker on Z:", {{"Z:\\TQZDisc\\AdminForInst", kFile}}, false, false},
        {"marker on a CD drive", {{"D:\\TQZDisc\\AdminForInst", kFile}}, false, false},
        {"marker on a removable drive", {{"E:\\TQZDisc\\AdminForInst", kFile}}, false, false},
        {"marker on a network drive", {{"F:\\TQZDisc\\AdminForNeedReboot", kFile}}, false, false},
        {"marker in a profile", {{bobTemp + "AdminForNeedReboot", kFile}}, false, true},
        {"marker in a hidden profile", {{hiddenTemp + "AdminForInst", kFile}}, false, false},
        {"profile marker is a folder", {{bobTemp + "AdminForInst", kFolder}}, false, false},
        {"marker directly in the temp folder", {{"C:\\users\\bob\\Local Settings\\Temp\\AdminForInst", kFile}},
         false, false},
        {"marker name differs in length", {{"C:\\TQZDisc\\AdminForInstX", kFile}}, false, false},
    };
    for (const auto& c : cases) {
        ScriptedView view = ProfilesMachine();
        view.driveTypes = {{'C', kDriveFixed}, {'D', kDriveCdrom},  {'E', kDriveRemovable},
                           {'F', kDriveRemote}, {'G', kDriveFixed}, {'Y', kDriveFixed},
                           {'Z', kDriveFixed}};
        view.entries.insert(c.entries.begin(), c.entries.end());
        EXPECT_EQ(MarkerExists(view, kInstMarker), c.inst) << c.what;
        EXPECT_EQ(MarkerExists(view, kNeedRebootMarker), c.reboot) << c.what;
    }
}

}  // namespace
}  // namespace kb::markers
