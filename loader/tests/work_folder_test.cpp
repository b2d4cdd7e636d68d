// Work-folder decisions, the writable-folder probe and the write test over an
// in-memory file system and registry.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "testing/kit/temp_folder.h"
#include "loader/work_folder.h"

namespace kb::loader {
namespace {

bool StartsWith(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

class FakeFolders final : public FolderSystem {
public:
    std::set<std::string> folders{"C:", "C:\\Temp", "E:", "D:", "D:\\Work"};
    std::map<std::string, std::string> files;
    std::set<std::string> readOnly;  // folders (and everything under them) where nothing can be made
    std::string temp = "C:\\Temp\\";
    std::optional<std::string> registry;
    std::vector<std::string> writes;  // registry writes
    std::vector<std::string> log;     // every change to the file system

    bool Writable(const std::string& path) const {
        for (const auto& r : readOnly)
            if (path == r || StartsWith(path, r + "\\")) return false;
        return true;
    }
    static std::string Parent(const std::string& path) { return path.substr(0, path.rfind('\\')); }

    bool FolderExists(const std::string& path) override { return folders.count(Trim(path)) > 0; }
    bool MakeFolder(const std::string& p) override {
        const std::string path = Trim(p);
        if (folders.count(path) || files.count(path) || !folders.count(Parent(path)) || !Writable(path))
            return false;
        folders.insert(path);
        log.push_back("mkdir " + path);
        return true;
    }
    bool RemoveFolder(const std::string& path) override {
        for (const auto& f : files)
            if (StartsWith(f.first, path + "\\")) return false;
        log.push_back("rmdir " + path);
        return folders.erase(path) > 0;
    }
    NewFile CreateNewFile(const std::string& path) override {
        if (files.count(path) || folders.count(path)) return NewFile::Exists;
        if (!folders.count(Parent(path)) || !Writable(path)) return NewFile::Failed;
        files[path] = "";
        log.push_back("create " + path);
        return NewFile::Created;
    }
    bool RemoveFile(const std::string& path) override {
        log.push_back("delete " + path);
        return files.erase(path) > 0;
    }
    std::string TempDir() override { return temp; }
    std::optional<std::string> ReadWriteTempPath() override { return registry; }
    bool WriteWriteTempPath(const std::string& base) override {
        writes.push_back(base);
        registry = base;
        return true;
    }

private:
    static std::string Trim(const std::string& p) {
        return p.size() > 1 && p.back() == '\\' ? p.substr(0, p.size() - 1) : p;
    }
};

TEST(IsFolderWritable, SkipsTakenProbeNamesAndLeavesNothingBehind) {
    FakeFolders fs;
    fs.folders.insert("C:\\Temp\\~tmp0000");
    fs.folders.insert("C:\\Temp\\~tmp0001");
    const auto before = fs.folders;
    EXPECT_TRUE(IsFolderWritable(fs, "C:\\Temp"));
    EXPECT_EQ(fs.log, (std::vector<std::string>{"mkdir C:\\Temp\\~tmp0002", "create C:\\Temp\\~tmp0002\\~OSB.tmp",
                                                "delete C:\\Temp\\~tmp0002\\~OSB.tmp", "rmdir C:\\Temp\\~tmp0002"}));
    EXPECT_EQ(fs.folders, before);
    EXPECT_TRUE(fs.files.empty());
}

TEST(IsFolderWritable, AFolderThatCannotBeWrittenIsNot) {
    FakeFolders fs;
    fs.readOnly.insert("D:\\Work");
    EXPECT_FALSE(IsFolderWritable(fs, "D:\\Work\\"));
    EXPECT_FALSE(IsFolderWritable(fs, "X:\\"));
    EXPECT_TRUE(fs.log.empty());
}

TEST(GetWorkFolder, DecisionsAndWhatIsRecorded) {
    const struct {
        const char* what;
        std::optional<std::string> value;
        const char* readOnly;
        std::string work, recorded;
    } rows[] = {
        {"no value", std::nullopt, nullptr, "C:\\Temp\\QZTemp", "C:\\Temp\\"},
        {"empty value", std::string(""), nullptr, "C:\\Temp\\QZTemp", "C:\\Temp\\"},
        {"another drive's root", std::string("E:\\"), nullptr, "E:\\QZTemp", "E:\\"},
        {"a folder on another drive: used, recorded as its root", std::string("D:\\Work\\"), nullptr,
         "D:\\Work\\QZTemp", "D:\\"},
        {"a folder that cannot be written", std::string("D:\\Work\\"), "D:\\Work", "C:\\Temp\\QZTemp",
         "C:\\Temp\\"},
        {"a drive whose root cannot be written", std::string("D:\\Work\\"), "D:", "C:\\Temp\\QZTemp",
         "C:\\Temp\\"},
        {"a folder on the temp drive", std::string("C:\\Temp\\"), nullptr, "C:\\Temp\\QZTemp", "C:\\Temp\\"},
        {"a missing drive", std::string("X:\\"), nullptr, "C:\\Temp\\QZTemp", "C:\\Temp\\"},
        {"lower-case drive letter: compared exactly", std::string("c:\\Temp\\"), nullptr, "c:\\Temp\\QZTemp",
         "c:\\"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        FakeFolders fs;
        fs.folders.insert("c:");
        fs.folders.insert("c:\\Temp");
        fs.registry = r.value;
        if (r.readOnly) fs.readOnly.insert(r.readOnly);
        EXPECT_EQ(GetWorkFolder(fs), r.work);
        EXPECT_TRUE(fs.folders.count(r.work));
        EXPECT_EQ(fs.writes, std::vector<std::string>{r.recorded});
    }
}

TEST(GetWorkFolder, ATempFolderThatCannotBeWrittenIsStillTheAnswer) {
    FakeFolders fs;
    fs.readOnly.insert("C:");
    EXPECT_EQ(GetWorkFolder(fs), "C:\\Temp\\QZTemp");
    EXPECT_EQ(fs.writes, std::vector<std::string>{"C:\\Temp\\"});
}

TEST(SaveWorkFolder, TellsWhetherTheRecordedRootWasWritable) {
    FakeFolders fs;
    EXPECT_TRUE(SaveWorkFolder(fs, 'E'));
    fs.readOnly.insert("E:");
    EXPECT_FALSE(SaveWorkFolder(fs, 'E'));
    EXPECT_TRUE(SaveWorkFolder(fs, '\0'));
    EXPECT_EQ(fs.writes, (std::vector<std::string>{"E:\\", "C:\\Temp\\", "C:\\Temp\\"}));
}

TEST(AdminAnswer, AsksOnceAndKeepsTheAnswer) {
    for (int answer : {1, 0, -1}) {
        int asked = 0;
        AdminAnswer admin([&] {
            ++asked;
            return answer;
        });
        EXPECT_EQ(admin.IsAdmin(), answer == 1);
        EXPECT_EQ(admin.IsAdmin(), answer == 1);
        EXPECT_EQ(asked, 1);
    }
}

class CanWriteToTest : public ::testing::Test {
protected:
    FakeFolders fs;
    int asked = 0;
    int answer = 0;
    AdminAnswer admin{[this] {
        ++asked;
        return answer;
    }};
};

TEST_F(CanWriteToTest, AnAdministratorIsNotTestedAndNothingIsTouched) {
    answer = 1;
    fs.readOnly.insert("D:\\Work");
    EXPECT_TRUE(CanWriteTo(fs, admin, "D:\\Work", ""));
    EXPECT_TRUE(CanWriteTo(fs, admin, "D:\\Work", ""));
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(fs.log.empty());
}

TEST_F(CanWriteToTest, AnExistingFolderGetsAProbeThatIsDeletedAgain) {
    EXPECT_TRUE(CanWriteTo(fs, admin, "D:\\Work\\", ""));
    EXPECT_EQ(fs.log, (std::vector<std::string>{"create D:\\Work\\MervoLKTQ_DeskPlume_5208_test_file",
                                                "delete D:\\Work\\MervoLKTQ_DeskPlume_5208_test_file"}));
}

TEST_F(CanWriteToTest, AUserFileOfTheProbesNameIsNeverTouched) {
    fs.files["D:\\Work\\MervoLKTQ_DeskPlume_5208_test_file"] = "the user's";
    fs.files["D:\\Work\\MervoLKTQ_DeskPlume_5208_test_file_1"] = "also the user's";
    EXPECT_TRUE(CanWriteTo(fs, admin, "D:\\Work", ""));
    EXPECT_EQ(fs.files["D:\\Work\\MervoLKTQ_DeskPlume_5208_test_file"], "the user's");
    EXPECT_EQ(fs.files["D:\\Work\\MervoLKTQ_DeskPlume_5208_test_file_1"], "also the user's");
    EXPECT_EQ(fs.files.size(), 2u);
    EXPECT_EQ(fs.log, (std::vector<std::string>{"create D:\\Work\\MervoLKTQ_DeskPlume_5208_test_file_2",
                                                "delete D:\\Work\\MervoLKTQ_DeskPlume_5208_test_file_2"}));
}

TEST_F(CanWriteToTest, AMissingSubFolderIsMadeForTheTestAndRemovedAgain) {
    EXPECT_TRUE(CanWriteTo(fs, admin, "D:\\Work", "New"));
    EXPECT_EQ(fs.log, (std::vector<std::string>{"mkdir D:\\Work\\New", "create D:\\Work\\New\\MervoLKTQ_DeskPlume_5208_test_file",
                                                "delete D:\\Work\\New\\MervoLKTQ_DeskPlume_5208_test_file",
                                                "rmdir D:\\Work\\New"}));
    EXPECT_FALSE(fs.folders.count("D:\\Work\\New"));
}

TEST_F(CanWriteToTest, FoldersThatCannotBeWrittenOrMadeGiveFalse) {
    answer = -1;  // the manager is missing: the test runs
    fs.readOnly.insert("D:\\Work");
    EXPECT_FALSE(CanWriteTo(fs, admin, "D:\\Work", ""));
    EXPECT_FALSE(CanWriteTo(fs, admin, "D:\\Work", "Sub"));
    EXPECT_FALSE(CanWriteTo(fs, admin, "X:\\Gone", ""));
    EXPECT_TRUE(fs.log.empty());
    EXPECT_EQ(asked, 1);
}

TEST(EraserPath, BesideTheLoaderAndEmptyWithoutAFolder) {
    EXPECT_EQ(GetEraserPath("C:\\Users\\A B\\QZTemp"), "C:\\Users\\A B\\QZTemp\\Delvane.Exe");
    EXPECT_EQ(GetEraserPath(""), "");
}

TEST(ProgramCommandLine, TheProgramPathIsAlwaysQuoted) {
    EXPECT_EQ(ProgramCommandLine("C:\\Users\\John Smith\\Delvane.Exe", "/E:x /W:4 /X:2"),
              "\"C:\\Users\\John Smith\\Delvane.Exe\" /E:x /W:4 /X:2");
    EXPECT_EQ(ProgramCommandLine("C:\\a\\Scrivane.Exe", ""), "\"C:\\a\\Scrivane.Exe\"");
}

}  // namespace
}  // namespace kb::loader
