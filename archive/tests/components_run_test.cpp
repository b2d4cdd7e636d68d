// Component installation and the runtime-module install on a recording
// system: real files in fresh folders, everything else (module kinds and
// versions, ini files, registry, installer start, registration library) as
// the test sets it up. Exact results, files, task keys, registry values and
// report bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "archive/components_api.h"
#include "archive/tests/components_test_support.h"
#include "archive/frame.h"
#include "archive/names.h"
#include "archive/register_run.h"
#include "archive/vbrm_plan.h"
#include "archive/vbrm_run.h"
#include "shared/base/fs.h"
#include "testing/kit/file_io.h"
#include "testing/kit/recording_sink.h"
#include "testing/kit/temp_folder.h"

namespace ark::components {

namespace fs = kb::fs;

namespace {

using ark::testing::TestEntry;
using ark::testing::WriteTestArchive;
using ark::testing::kDay;
using ark::testing::kTime2020;
using kb::testing::FileExists;
using kb::testing::NativePath;
using kb::testing::ReadWholeFile;
using kb::testing::RecordingSink;
using kb::testing::ScopedTempFolder;
using kb::testing::TempDir;
using kb::testing::WriteWholeFile;

// A module body the fake system understands: "MOD|translation|version|com|mark".
std::string Module(const std::string& translation, const std::string& version, bool com, const std::string& mark) {
    return "MOD|" + translation + "|" + version + "|" + (com ? "1" : "0") + "|" + mark;
}

std::vector<std::string> Fields(const std::string& body) {
    std::vector<std::string> out;
    std::stringstream in(body);
    std::string f;
    while (std::getline(in, f, '|')) out.push_back(f);
    return out;
}

class FakeSystem : public System {
public:
    std::string temp, system;
    bool tempFails = false, systemFails = false;
    std::set<std::string> locked;       // paths that cannot be read or written now
    std::string lockedExtracted;        // a file name whose copies under temp cannot be read
    std::map<std::string, std::map<std::string, std::map<std::string, std::string>>> ini;
    std::map<std::string, std::string> registry;  // subkey + "|" + name -> data
    RegWrite registryResult = RegWrite::Ok;
    std::vector<std::string> runs;  // command lines
    bool runFails = false;
    int versionCode = -1;
    bool libraryPresent = true;
    bool libraryLoaded = false;
    int binds = 0;
    int isRegisteredAnswer = 0, registerAnswer = 1, compareFileAnswer = 0;
    std::vector<std::string> calls;

    bool TempFolder(std::string& f) override { return !tempFails && (f = temp, true); }
    bool SystemFolder(std::string& f) override { return !systemFails && (f = system, true); }
    std::set<std::string> fixedDrives;      // roots such as "D:\\"
    std::string refuseProbeFilesUnder;      // a root whose probe files cannot be created
    bool IsFixedDrive(const std::string& root) override { return fixedDrives.count(root) > 0; }
    bool CreateProbeFile(const std::string& path) override {
        if (!refuseProbeFilesUnder.empty() && path.rfind(refuseProbeFilesUnder, 0) == 0) return false;
        return WriteWholeFile(path, "");
    }
    bool RemoveFolder(const std::string& path) override {
        std::error_code ec;
        return std::filesystem::remove(NativePath(path), ec);
    }
    bool IsLocked(const std::string& path) const {
        if (locked.count(path)) return true;
        const std::string tail = "\\" + lockedExtracted;
        return !lockedExtracted.empty() && path.rfind(temp, 0) == 0 && path.size() > tail.size() &&
               path.compare(path.size() - tail.size(), tail.size(), tail) == 0;
    }
    bool CopyOver(const std::string& from, const std::string& to) override {
        if (IsLocked(from)) return false;
        fs::FileTimes times;
        std::string bytes;
        if (!fs::GetTimes(from, &times) || !ReadWholeFile(from, bytes) || !WriteWholeFile(to, bytes)) return false;
        return fs::SetTimes(to, times);  // a copy keeps the last-write time
    }
    bool LastWriteTime(const std::string& path, uint64_t& time) override {
        fs::FileTimes times;
        if (IsLocked(path) || !fs::GetTimes(path, &times)) return false;
        time = times.lastWrite;
        return true;
    }
    bool CanReplace(const std::string& path) override { return !locked.count(path); }
    bool IsComServer(const std::string& path) override {
        const auto f = Read(path);
        return f.size() >= 4 && f[3] == "1";
    }
    ModuleVersion ReadModuleVersion(const std::string& path) override {
        const auto f = Read(path);
        if (f.size() < 3 || locked.count(path)) return {};
        return {f[1], f[2]};
    }
    bool WriteIniString(const std::string& file, const std::string& section, const std::string& key,
                        const std::string& value) override {
        if (!FileExists(file)) WriteWholeFile(file, "ini");
        ini[file][section][key] = value;
        return true;
    }
    std::string ReadIniString(const std::string& file, const std::string& section, const std::string& key) override {
        return ini[file][section][key];
    }
    bool AppendBytes(const std::string& path, const std::string& bytes) override {
        std::string old;
        ReadWholeFile(path, old);
        return WriteWholeFile(path, old + bytes);
    }
    std::string LocalDateTime() override { return "2026/12/09 22:00:00"; }
    RegWrite SetMachineString(const std::string& subkey, const std::string& name, const std::string& data) override {
        if (registryResult == RegWrite::Ok) registry[subkey + "|" + name] = data;
        return registryResult;
    }
    bool RunAndWait(const std::string& commandLine) override {
        runs.push_back(commandLine);
        if (!runFails) ranWithTask = ini[temp + "Halvorin.tsk"];
        return !runFails;
    }
    int WindowsVersionCode() override { return versionCode; }
    bool BindRegisterLibrary() override {
        ++binds;
        if (libraryLoaded) return true;
        libraryLoaded = libraryPresent;
        return libraryPresent;
    }
    void UnbindRegisterLibrary() override { libraryLoaded = false; }
    int IsRegistered(const std::string& path) override { return Call("IsRegistered", path, isRegisteredAnswer); }
    int Register(const std::string& path) override { return Call("Register", path, registerAnswer); }
    int SetCompareMode(int mode) override { return Call("SetCompareMode", std::to_string(mode), 0); }
    int SetCompareModeFileName(const std::string& name) override {
        return Call("SetCompareModeFileName", name, compareFileAnswer);
    }

    std::map<std::string, std::map<std::string, std::string>> ranWithTask;

private:
    std::vector<std::string> Read(const std::string& path) {
        std::string body;
        if (!ReadWholeFile(path, body) || body.rfind("MOD|", 0) != 0) return {};
        return Fields(body);
    }
    int Call(const char* name, const std::string& arg, int answer) {
        EXPECT_TRUE(libraryLoaded) << name << " called while the library is not bound";
        calls.push_back(std::string(name) + "|" + arg);
        return answer;
    }
};

class ComponentsRun : public ::testing::Test {
protected:
    TempDir tempDir, systemDir, work;
    ScopedTempFolder scopedTemp{tempDir.path()};
    RecordingSink sink;
    FakeSystem sys;
    std::string archive = work / "c.ach";

    void SetUp() override {
        sys.temp = tempDir.path() + "\\";
        sys.system = systemDir.path();
    }
    std::string Installed(const std::string& name) { return systemDir / ("TQZDisc\\" + name); }
    // What folder holds, apart from the error log, sorted.
    static std::vector<std::string> Listing(const std::string& folder) {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(NativePath(folder)))
            if (e.path().filename() != kErrorLogName) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string Content(const std::string& path) { return kb::testing::ReadAll(path); }
    void Place(const std::string& path, const std::string& body, uint64_t lastWrite) {
        ark::MakePathFolders(path);
        ASSERT_TRUE(WriteWholeFile(path, body));
        fs::FileTimes t;
        t.lastWrite = t.lastAccess = lastWrite;
        ASSERT_TRUE(fs::SetTimes(path, t));
    }
};

// ---- component installation ----

struct InstallCase {
    const char* what;
    bool com;
    bool targetExists;
    int64_t archiveAgeDays;  // archive copy's time minus the installed copy's, in days
    int olderPolicy;
    bool allow;
    int isRegistered;
    int registerAnswer;
    int expected;
    bool copied;            // the target holds the archive copy afterwards
    const char* valueName;  // registry record, or nullptr
    const char* calls;      // registration library calls, "|"-free summary
};

TEST_F(ComponentsRun, InstallOutcomes) {
    const InstallCase cases[] = {
        {"plain, not installed", false, false, 0, 1, true, 0, 1, 0, true, "H_p.txt", ""},
        {"plain, same time", false, true, 0, 1, true, 0, 1, 0, false, nullptr, ""},
        {"plain, archive newer", false, true, 1, 1, true, 0, 1, 0, true, "H_p.txt", ""},
        {"plain, archive older, keep", false, true, -1, 1, true, 0, 1, 0, false, nullptr, ""},
        {"plain, archive older, policy 64", false, true, -1, 64, true, 0, 1, 0, true, "H_p.txt", ""},
        {"plain, archive older, policy 0x41 keeps", false, true, -1, 0x41, true, 0, 1, 0, false, nullptr, ""},
        {"plain, newer, not allowed", false, true, 1, 1, false, 0, 1, 6, false, nullptr, ""},
        {"plain, new, not allowed", false, false, 0, 1, false, 0, 1, 6, false, nullptr, ""},
        {"COM, not registered", true, false, 0, 1, true, 0, 1, 0, true, "X_p.txt", "IR R"},
        {"COM, registered already", true, true, 1, 1, true, 1, 1, 0, false, nullptr, "IR"},
        {"COM, older copy still installed when not registered", true, true, -1, 1, true, 0, 1, 0, true, "X_p.txt",
         "IR R"},
        {"COM, registration fails", true, false, 0, 1, true, 0, 0, -64, true, nullptr, "IR R"},
        {"COM, not allowed", true, false, 0, 1, false, 0, 1, 6, false, nullptr, "IR"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir t, s, w;
        sys = FakeSystem{};
        sys.temp = t.path() + "\\";
        sys.system = s.path();
        sys.isRegisteredAnswer = c.isRegistered;
        sys.registerAnswer = c.registerAnswer;
        const std::string target = s / "TQZDisc\\p.txt";
        const std::string archiveBody = Module("041104b0", "1.0", c.com, "archive");
        if (c.targetExists) Place(target, "installed", kTime2020);
        Place(t / "p.txt", "the user's p.txt", kTime2020);
        ASSERT_TRUE(WriteTestArchive(w / "c.ach",
                                     {{"p.txt", archiveBody, kTime2020 + static_cast<uint64_t>(c.archiveAgeDays) * kDay}}));

        EXPECT_EQ(api::RegisterAllEx(sys, (w / "c.ach").c_str(), c.allow, c.olderPolicy, 0), c.expected);
        EXPECT_EQ(Content(target), c.copied ? archiveBody : c.targetExists ? "installed" : "<missing>");
        // The user's file of the entry's name is left alone, and nothing of the run stays.
        EXPECT_EQ(Content(t / "p.txt"), "the user's p.txt");
        EXPECT_EQ(Listing(t.path()), std::vector<std::string>{"p.txt"});
        std::map<std::string, std::string> expectedRegistry;
        if (c.valueName) expectedRegistry[std::string("Software\\TovanMMP\\COM|") + c.valueName] = target;
        EXPECT_EQ(sys.registry, expectedRegistry);
        std::string calls;
        for (const auto& call : sys.calls) {
            if (!calls.empty()) calls += ' ';
            calls += call.rfind("IsRegistered|", 0) == 0 ? "IR" : "R";
            const std::string arg = call.substr(call.find('|') + 1);
            if (call[0] == 'I') {
                // The extracted copy lay in a folder of the run's own, directly in temp.
                const std::string folder = arg.substr(0, arg.rfind('\\'));
                EXPECT_EQ(arg, folder + "\\p.txt");
                EXPECT_EQ(folder.rfind(t.path() + "\\", 0), 0u) << arg;
                EXPECT_EQ(folder.find('\\', t.path().size() + 1), std::string::npos) << arg;
                EXPECT_FALSE(FileExists(folder)) << arg;
            } else {
                EXPECT_EQ(arg, target);
            }
        }
        EXPECT_EQ(calls, c.calls);
        EXPECT_FALSE(sys.libraryLoaded);
    }
}

TEST_F(ComponentsRun, MarkerInTempFolderGivesTheAtFlag) {
    Place(tempDir / "TQZDisc\\AdminForReg", "", kTime2020);
    ASSERT_TRUE(WriteTestArchive(archive, {{"p.txt", "plain", kTime2020}, {"c.dll", Module("", "", true, "c"), kTime2020}}));
    EXPECT_EQ(api::RegisterAll(sys, archive.c_str(), 1), 0);
    EXPECT_EQ(sys.registry, (std::map<std::string, std::string>{
                                {"Software\\TovanMMP\\COM|@_p.txt", Installed("p.txt")},
                                {"Software\\TovanMMP\\COM|@_c.dll", Installed("c.dll")}}));
}

// Natively a drive root "X:\\" is the folder "X:" of the working folder.
TEST_F(ComponentsRun, MarkerFoldersAreWritableFixedDrivesInOrderThenTheTempFolder) {
    TempDir drives;
    const auto old = std::filesystem::current_path();
    std::filesystem::current_path(NativePath(drives.path()));
    for (const char* d : {"D:", "F:", "G:", "H:", "Z:"}) ASSERT_TRUE(fs::CreateFolder(d));
    sys.fixedDrives = {"D:\\", "E:\\", "F:\\", "H:\\", "Z:\\"};  // E: missing, G: not fixed
    sys.refuseProbeFilesUnder = "H:\\";                         // H: takes folders but no file
    const std::vector<std::string> folders = MarkerFolders(sys, tempDir.path());
    std::vector<std::string> left;
    for (const char* d : {"D:", "F:", "G:", "H:", "Z:"})
        for (const auto& e : std::filesystem::directory_iterator(d)) left.push_back(e.path().string());
    std::filesystem::current_path(old);

    EXPECT_EQ(folders, (std::vector<std::string>{"D:\\TQZDisc\\", "F:\\TQZDisc\\", "Z:\\TQZDisc\\",
                                                 tempDir.path() + "\\TQZDisc\\"}));
    EXPECT_EQ(left, std::vector<std::string>{});  // no probe folder stays behind
}

TEST_F(ComponentsRun, WritabilityProbeSkipsNamesThatExist) {
    for (const char* n : {"~tmp0000", "~tmp0001"}) ASSERT_TRUE(fs::CreateFolder(work / n));
    ASSERT_TRUE(WriteWholeFile(work / "~tmp0002", "a file"));
    EXPECT_TRUE(IsWritableFolder(sys, work.path()));
    EXPECT_FALSE(FileExists(work / "~tmp0003"));
    EXPECT_TRUE(FileExists(work / "~tmp0001"));
    EXPECT_FALSE(IsWritableFolder(sys, work / "missing"));
}

TEST_F(ComponentsRun, AMarkerFolderNamedLikeTheMarkerDoesNotCount) {
    ASSERT_TRUE(fs::CreateFolder(tempDir / "TQZDisc"));
    ASSERT_TRUE(fs::CreateFolder(tempDir / "TQZDisc\\AdminForReg"));
    ASSERT_TRUE(WriteTestArchive(archive, {{"p.txt", "plain", kTime2020}}));
    EXPECT_EQ(api::RegisterAll(sys, archive.c_str(), 1), 0);
    EXPECT_EQ(sys.registry.count("Software\\TovanMMP\\COM|H_p.txt"), 1u);
}

TEST_F(ComponentsRun, EntryNamesKeepTheirFolderButTheValueNameDoesNot) {
    ASSERT_TRUE(WriteTestArchive(archive, {{"sub\\q.txt", "q", kTime2020}}));
    EXPECT_EQ(api::RegisterAll(sys, archive.c_str(), 1), 0);
    EXPECT_EQ(Content(Installed("sub\\q.txt")), "q");
    EXPECT_EQ(sys.registry, (std::map<std::string, std::string>{
                                {"Software\\TovanMMP\\COM|H_q.txt", Installed("sub\\q.txt")}}));
}

TEST_F(ComponentsRun, NotAllowedStopsAtTheFirstFileThatNeedsIt) {
    Place(Installed("b.txt"), "old b", kTime2020);
    ASSERT_TRUE(WriteTestArchive(archive, {{"a.txt", "a", kTime2020},
                                           {"b.txt", "new b", kTime2020 + kDay},
                                           {"c.txt", "c", kTime2020}}));
    // First run installs a.txt; b.txt then needs an install that is not allowed.
    EXPECT_EQ(api::RegisterAllEx(sys, archive.c_str(), 1, 1, 0), 0);
    Place(Installed("b.txt"), "old b", kTime2020);
    fs::RemoveFile(Installed("c.txt"));
    sys.registry.clear();
    EXPECT_EQ(api::RegisterAllEx(sys, archive.c_str(), 0, 1, 0), 6);
    EXPECT_EQ(Content(Installed("a.txt")), "a");
    EXPECT_EQ(Content(Installed("b.txt")), "old b");
    EXPECT_FALSE(FileExists(Installed("c.txt")));
    EXPECT_EQ(Listing(tempDir.path()), std::vector<std::string>{});  // the extracted b.txt went with the run
    EXPECT_TRUE(sys.registry.empty());
}

TEST_F(ComponentsRun, RegistryFailuresAreReported) {
    for (RegWrite failure : {RegWrite::KeyFailed, RegWrite::ValueFailed}) {
        sys.registryResult = failure;
        fs::RemoveFile(Installed("p.txt"));
        ASSERT_TRUE(WriteTestArchive(archive, {{"p.txt", "plain", kTime2020}}));
        EXPECT_EQ(api::RegisterAll(sys, archive.c_str(), 1), -64);
    }
}

TEST_F(ComponentsRun, TimeReadFailures) {
    Place(Installed("p.txt"), "installed", kTime2020);
    ASSERT_TRUE(WriteTestArchive(archive, {{"p.txt", "plain", kTime2020 + kDay}}));
    sys.locked = {Installed("p.txt")};
    EXPECT_EQ(api::RegisterAll(sys, archive.c_str(), 1), -67);
    sys.locked = {};
    sys.lockedExtracted = "p.txt";
    EXPECT_EQ(api::RegisterAll(sys, archive.c_str(), 1), -66);
    EXPECT_EQ(Content(Installed("p.txt")), "installed");
}

TEST_F(ComponentsRun, ReadOnlyInstalledCopyIsReplaced) {
    Place(Installed("p.txt"), "installed", kTime2020);
    ASSERT_TRUE(fs::SetAttributes(Installed("p.txt"), fs::kAttrReadOnly));
    ASSERT_TRUE(WriteTestArchive(archive, {{"p.txt", "plain", kTime2020 + kDay}}));
    EXPECT_EQ(api::RegisterAll(sys, archive.c_str(), 1), 0);
    EXPECT_EQ(Content(Installed("p.txt")), "plain");
}

TEST_F(ComponentsRun, CopyFailureEndsTheRun) {
    // A folder where the COM server would go cannot be copied over.
    ASSERT_TRUE(WriteTestArchive(archive, {{"c.dll", Module("", "", true, "c"), kTime2020},
                                           {"p.txt", "plain", kTime2020}}));
    ark::MakePathFolders(Installed("c.dll\\x"));
    EXPECT_EQ(api::RegisterAll(sys, archive.c_str(), 1), -63);
    EXPECT_FALSE(FileExists(Installed("p.txt")));
    EXPECT_TRUE(sys.registry.empty());
    EXPECT_FALSE(sys.libraryLoaded);
}

// An archive lying in the install folder that holds an entry of its own
// name: copied over, the run would read its later entries from the copy.
TEST_F(ComponentsRun, TheArchiveBeingReadIsNeverCopiedOver) {
    const std::string inPlace = Installed("c.ach");
    ark::MakePathFolders(inPlace);
    ASSERT_TRUE(WriteTestArchive(inPlace, {{"a.txt", "a", kTime2020},
                                           {"c.ach", "not an archive", kTime2020 + kDay},
                                           {"z.txt", "z", kTime2020}}));
    fs::FileTimes t;
    t.lastWrite = t.lastAccess = kTime2020;  // the entry is newer: it would be copied
    ASSERT_TRUE(fs::SetTimes(inPlace, t));
    const std::string image = Content(inPlace);
    EXPECT_EQ(api::RegisterAll(sys, inPlace.c_str(), 1), ARKSTOWRET_COPY_FAILED);
    EXPECT_EQ(Content(inPlace), image);
    EXPECT_EQ(Content(Installed("a.txt")), "a");
    EXPECT_FALSE(FileExists(Installed("z.txt")));
    EXPECT_EQ(Listing(tempDir.path()), std::vector<std::string>{});
}

TEST_F(ComponentsRun, EarlyFailures) {
    ASSERT_TRUE(WriteTestArchive(archive, {{"p.txt", "plain", kTime2020}}));
    sys.libraryPresent = false;
    EXPECT_EQ(api::RegisterAll(sys, archive.c_str(), 1), -60);
    EXPECT_EQ(Listing(tempDir.path()), std::vector<std::string>{});  // nothing extracted
    EXPECT_EQ(api::RegisterAll(sys, (work / "missing.ach").c_str(), 1), -10);
    EXPECT_EQ(api::RegisterAll(sys, nullptr, 1), -10);
    EXPECT_EQ(sys.binds, 1);  // the count fails before the library is needed
    sys.libraryPresent = true;
    sys.systemFails = true;
    EXPECT_EQ(api::RegisterAll(sys, archive.c_str(), 1), -62);
    sys.tempFails = true;
    EXPECT_EQ(api::RegisterAll(sys, archive.c_str(), 1), -61);
    EXPECT_EQ(Server().FunctionTrace(), std::vector<std::string>{"_RegisterAll"});
}

// Files of the user's in the temp folder named like entries, read-only or in
// a subfolder, keep their bytes and attributes whether the run installs or
// stops for an install it may not make.
TEST_F(ComponentsRun, FilesOfTheUserInTheTempFolderAreNeverTouched) {
    for (bool allow : {true, false}) {
        SCOPED_TRACE(allow ? "install allowed" : "install not allowed");
        Place(tempDir / "p.txt", "the user's p.txt", kTime2020);
        ASSERT_TRUE(fs::SetAttributes(tempDir / "p.txt", fs::kAttrReadOnly));
        Place(tempDir / "sub\\q.txt", "the user's q.txt", kTime2020);
        ASSERT_TRUE(WriteTestArchive(archive,
                                     {{"p.txt", "archive p", kTime2020}, {"sub\\q.txt", "archive q", kTime2020}}));
        EXPECT_EQ(api::RegisterAll(sys, archive.c_str(), allow), allow ? 0 : 6);
        EXPECT_EQ(Content(Installed("p.txt")), allow ? "archive p" : "<missing>");
        EXPECT_EQ(Content(tempDir / "p.txt"), "the user's p.txt");
        uint32_t attributes = 0;
        EXPECT_TRUE(fs::GetAttributes(tempDir / "p.txt", &attributes));
        EXPECT_EQ(attributes & fs::kAttrReadOnly, fs::kAttrReadOnly);
        EXPECT_EQ(Content(tempDir / "sub\\q.txt"), "the user's q.txt");
        EXPECT_EQ(Listing(tempDir.path()), (std::vector<std::string>{"p.txt", "sub"}));
        EXPECT_EQ(Listing(tempDir / "sub"), std::vector<std::string>{"q.txt"});
        fs::SetAttributes(tempDir / "p.txt", fs::kAttrNormal);
        fs::RemoveFile(tempDir / "p.txt");
        fs::RemoveFile(Installed("p.txt"));
        fs::RemoveFile(Installed("sub\\q.txt"));
        sys.registry.clear();
    }
}

// Without a private folder there is no safe place to extract to.
TEST_F(ComponentsRun, ATempFolderThatTakesNoFolderFailsBeforeAnythingIsExtracted) {
    ASSERT_TRUE(WriteTestArchive(archive, {{"p.txt", "plain", kTime2020}}));
    sys.temp = tempDir / "missing\\";
    EXPECT_EQ(api::RegisterAll(sys, archive.c_str(), 1), ARKSTOWRET_CLIB_ERROR);
    EXPECT_EQ(Server().CLibFunction(), "CreateDirectory");
    EXPECT_EQ(Server().TargetStream(), sys.temp);
    EXPECT_FALSE(FileExists(Installed("p.txt")));
    EXPECT_FALSE(FileExists(tempDir / "missing"));
    EXPECT_FALSE(sys.libraryLoaded);
}

TEST_F(ComponentsRun, EmptyArchiveCreatesTheInstallFolder) {
    ASSERT_TRUE(WriteTestArchive(archive, {}));
    EXPECT_EQ(api::RegisterAll(sys, archive.c_str(), 1), 0);
    uint32_t attributes = 0;
    ASSERT_TRUE(fs::GetAttributes(systemDir / "TQZDisc", &attributes));
    EXPECT_TRUE(attributes & 0x10);
}

TEST_F(ComponentsRun, UnsafeNamesAreRefusedBeforeAnythingIsWritten) {
    for (const char* name : {"..\\evil.txt", "a\\..\\..\\evil.txt", "C:\\evil.txt", "\\evil.txt"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(WriteTestArchive(archive, {{"ok.txt", "ok", kTime2020}, {name, "evil", kTime2020}}));
        EXPECT_EQ(api::RegisterAll(sys, archive.c_str(), 1), ARKSTOWRET_UNSAFE_NAME);
        EXPECT_FALSE(FileExists(systemDir / "evil.txt"));
        EXPECT_FALSE(FileExists(tempDir.path() + "\\..\\evil.txt"));
        EXPECT_EQ(Content(Installed("ok.txt")), "ok");  // the entry before it stays installed
    }
}

TEST_F(ComponentsRun, CompareSettingsKeepTheLibraryLoadedUntilARun) {
    EXPECT_EQ(api::SetRegCmpMode(sys, 3), 0);
    sys.compareFileAnswer = 1;
    EXPECT_EQ(api::SetRegCmpFile(sys, "cmp.ini"), -80);
    EXPECT_TRUE(sys.libraryLoaded);
    sys.compareFileAnswer = 0;
    EXPECT_EQ(api::SetRegCmpFile(sys, "cmp2.ini"), 0);
    EXPECT_EQ(sys.calls, (std::vector<std::string>{"SetCompareMode|3", "SetCompareModeFileName|cmp.ini",
                                                   "SetCompareModeFileName|cmp2.ini"}));
    ASSERT_TRUE(WriteTestArchive(archive, {}));
    EXPECT_EQ(api::RegisterAll(sys, archive.c_str(), 1), 0);
    EXPECT_FALSE(sys.libraryLoaded);
    EXPECT_TRUE(Server().FunctionTrace() == std::vector<std::string>({"_RegisterAll", "_GetCount"}));

    sys.libraryPresent = false;
    EXPECT_EQ(api::SetRegCmpMode(sys, 1), -60);
    EXPECT_EQ(api::SetRegCmpFile(sys, "x"), -60);
    EXPECT_TRUE(Server().FunctionTrace().empty());
}

// ---- runtime-module install ----

class VbrmRun : public ComponentsRun {
protected:
    TempDir cd;
    std::string task() { return sys.temp + "Halvorin.tsk"; }
    std::string history() { return systemDir / "TQZDisc\\Halvorin.hst"; }
    std::string SysModule(const std::string& name) { return systemDir / name; }
    void PutInstaller() { ASSERT_TRUE(WriteWholeFile(cd / "Halvorin.exe", "installer")); }
    int Run(bool allow) {
        return api::InstallVBRM(sys, archive.c_str(), cd.path().c_str(), allow, "Please restart.");
    }
    std::string Log() {
        std::string s;
        ReadWholeFile(tempDir / "Halvorin.log", s);
        return s;
    }
    static std::string Rec(const std::string& text) {
        return vbrm::ReportRecord("2026/12/09 22:00:00", text);
    }
    using Task = std::map<std::string, std::map<std::string, std::string>>;
    // The temp folder's listing without the disc folder this fixture keeps in it.
    std::vector<std::string> TempListing() {
        std::vector<std::string> names = Listing(tempDir.path());
        const std::string disc = cd.path().substr(cd.path().rfind('\\') + 1);
        names.erase(std::remove(names.begin(), names.end(), disc), names.end());
        return names;
    }
    // A module a run left in the temp folder for the installer.
    void TakeLeftModule(const std::string& name) { fs::RemoveFile(tempDir / name); }
};

TEST_F(VbrmRun, SameVersionsNothingToDo) {
    Place(SysModule("a.dll"), Module("041104b0", "1.0.0.0", false, "sys"), kTime2020);
    ASSERT_TRUE(WriteTestArchive(archive, {{"a.dll", Module("041104b0", "1.0", false, "arc"), kTime2020}}));
    EXPECT_EQ(Run(true), 0);
    EXPECT_EQ(Log(), Rec("a.dll:\n  Installed\n  System has same version\n"));
    EXPECT_EQ(sys.ini[task()], (Task{{"General", {{"Count", "1"}, {"File00", "\"a.dll\""}}}}));
    EXPECT_FALSE(FileExists(tempDir / "a.dll"));
    EXPECT_FALSE(FileExists(tempDir / "Halvorin.exe"));
    EXPECT_TRUE(sys.runs.empty());
}

TEST_F(VbrmRun, MissingModuleRunsTheInstallerNow) {
    PutInstaller();
    ASSERT_TRUE(WriteTestArchive(archive, {{"a.dll", Module("041104b0", "2.0", false, "arc"), kTime2020},
                                           {"b.ocx", Module("041104b0", "1.0", true, "arc"), kTime2020}}));
    EXPECT_EQ(Run(true), 256);
    const std::string installer = tempDir / "Halvorin.exe";
    ASSERT_EQ(sys.runs.size(), 1u);
    EXPECT_EQ(sys.runs[0], "\"" + installer + "\"");
    EXPECT_EQ(sys.ranWithTask, (Task{{"General", {{"Count", "2"}, {"File00", "\"a.dll\""}, {"File01", "\"b.ocx\""}}},
                                     {"a.dll", {{"Copy", "1"}, {"Version", ""}}},
                                     {"b.ocx", {{"Copy", "1"}, {"Version", ""}, {"COMServer", "1"}}}}));
    EXPECT_FALSE(FileExists(task()));
    EXPECT_FALSE(FileExists(installer));
    EXPECT_TRUE(FileExists(tempDir / "a.dll"));  // left for the installer
    EXPECT_EQ(Log(), Rec("a.dll:\n  Not Installed\n") + Rec("b.ocx:\n  Not Installed\n  Is COM server\n") +
                         Rec("Following files are COM servers to be update.\n  b.ocx\n") +
                         Rec("Now, the process can be done.\n"));
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(VbrmRun, MissingModuleWithoutPermission) {
    PutInstaller();
    ASSERT_TRUE(WriteTestArchive(archive, {{"a.dll", Module("041104b0", "2.0", false, "arc"), kTime2020}}));
    EXPECT_EQ(Run(false), 0);
    EXPECT_FALSE(FileExists(tempDir / "a.dll"));
    EXPECT_TRUE(sys.runs.empty());

    ASSERT_TRUE(WriteTestArchive(archive, {{"b.ocx", Module("041104b0", "2.0", true, "arc"), kTime2020}}));
    EXPECT_EQ(Run(false), 6);
    EXPECT_TRUE(sys.runs.empty());
    EXPECT_TRUE(sys.registry.empty());
    EXPECT_TRUE(FileExists(tempDir / "Halvorin.exe"));
    EXPECT_EQ(Log(), Rec("b.ocx:\n  Not Installed\n  Is COM server\n") +
                         Rec("Following files are COM servers to be update.\n  b.ocx\n") +
                         Rec("The Process can be done after restarting Windows.\n"
                             "Arkstow.dll returned ARKSTOWRET_NEED_LOGOFF\n"));
}

TEST_F(VbrmRun, OlderReplaceableModuleIsQueuedWithItsVersionAndTheProbeChangesNothing) {
    PutInstaller();
    const std::string installedBody = Module("040904e4", "1.0.0.0", false, "sys");
    Place(SysModule("a.dll"), installedBody, kTime2020);
    ASSERT_TRUE(WriteTestArchive(archive, {{"a.dll", Module("041104b0", "2.0.0.0", false, "arc"), kTime2020}}));
    EXPECT_EQ(Run(true), 256);
    EXPECT_EQ(sys.ranWithTask["a.dll"], (std::map<std::string, std::string>{{"Copy", "1"}, {"Version", "2.0.0.0"}}));
    EXPECT_EQ(Content(SysModule("a.dll")), installedBody);
    fs::FileTimes t;
    ASSERT_TRUE(fs::GetTimes(SysModule("a.dll"), &t));
    EXPECT_EQ(t.lastWrite, kTime2020);
    // The archive copy is what the installer finds, not the probe's copy.
    EXPECT_EQ(Content(tempDir / "a.dll"), Module("041104b0", "2.0.0.0", false, "arc"));
    EXPECT_EQ(Log(), Rec("a.dll:\n  Installed\n  CodePage Differ\n  System has older version\n") +
                         Rec("Now, the process can be done.\n"));
}

TEST_F(VbrmRun, OlderModuleInUseWaitsForARestart) {
    PutInstaller();
    const std::string installedBody = Module("041104b0", "1.0", false, "sys");
    Place(SysModule("a.dll"), installedBody, kTime2020);
    ASSERT_TRUE(WriteTestArchive(archive, {{"a.dll", Module("041104b0", "1.5", false, "arc"), kTime2020}}));
    // Readable but held open: the probe copy works, opening for writing does not.
    class HeldSystem : public FakeSystem {
    public:
        std::string held;
        bool CanReplace(const std::string& path) override { return path != held; }
    } held;
    const std::string installed = SysModule("a.dll");
    held.temp = sys.temp;
    held.system = sys.system;
    held.held = installed;
    EXPECT_EQ(api::InstallVBRM(held, archive.c_str(), cd.path().c_str(), 1, "Please restart."), 5);
    const std::string installer = tempDir / "Halvorin.exe";
    EXPECT_EQ(held.registry, (std::map<std::string, std::string>{
                                 {"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce|__Halvorin",
                                  "\"" + installer + "\""}}));
    EXPECT_TRUE(held.runs.empty());
    EXPECT_EQ(sink.messages, (std::vector<std::pair<std::string, std::string>>{{"Arkstow", "Please restart."}}));
    EXPECT_EQ(held.ini[task()]["a.dll"], (std::map<std::string, std::string>{{"Copy", "1"}, {"Version", "1.5"}}));
    EXPECT_TRUE(FileExists(task()));
    EXPECT_TRUE(FileExists(installer));
    EXPECT_EQ(Content(installed), installedBody);
    EXPECT_EQ(Log(), Rec("a.dll:\n  Installed\n  System has older version\n  Cannot access\n") +
                         Rec("Following files should be copied after restarting Windows.\n  a.dll\n") +
                         Rec("The Process can be done after restarting Windows.\n"
                             "Arkstow.dll returned ARKSTOWRET_NEED_REBOOT\n") +
                         Rec("RunOnce key was set.\n__Halvorin\n" + installer + "\n"));
}

TEST_F(VbrmRun, UnreadableOlderModuleIsNotedInTheErrorLogAndTheRunGoesOn) {
    PutInstaller();
    Place(SysModule("a.dll"), Module("041104b0", "1.0", false, "sys"), kTime2020);
    ASSERT_TRUE(WriteTestArchive(archive, {{"a.dll", Module("041104b0", "1.5", false, "arc"), kTime2020}}));
    sys.locked = {SysModule("a.dll")};
    sys.versionCode = 0x10000009;  // not the NT family: no message
    EXPECT_EQ(Run(false), 6);
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_TRUE(sys.registry.empty());
    std::string err;
    ASSERT_TRUE(ReadWholeFile(tempDir / "ArkstowErr.log", err));
    EXPECT_EQ(err.substr(0, err.find("Target stream: ")), "ErrorCode = 4096\r\r\nArkstow function: _InstallVBRM\r\r\nArkstow function: _GetCount\r\r\n"
                   "Arkstow function: _GetName\r\r\nArkstow function: _GetCount\r\r\n"
                   "Arkstow function: _SaveByIndex\r\r\nArkstow function: _LoadByIndex\r\r\n"
                   "Arkstow function: _GetCount\r\r\nArkstow function: SaveToStream\r\r\n"
                   "Arkstow function: _GetInfo\r\r\nArkstow function: _GetCount\r\r\n"
                   "Arkstow function: CheckOneVBRM\r\r\nCLib function: CopyFile\r\r\n");
    // The check copied onto the private extraction, never into the temp folder itself.
    const std::string target = "Target stream: " + SysModule("a.dll") + " -> " + sys.temp + "~vbrm";
    const size_t at = err.find("Target stream: ");
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(err.substr(at, target.size()), target);
    EXPECT_EQ(err.substr(err.size() - 9), "\\a.dll\r\r\n");
    EXPECT_EQ(TempListing(), (std::vector<std::string>{"Halvorin.exe", "Halvorin.log", "Halvorin.tsk"}));
}

TEST_F(VbrmRun, RebootMessageOnlyOnTheNtFamily) {
    struct Case {
        int code;
        bool shown;
    } cases[] = {{-1, true}, {0x20000100, true}, {0x10000009, false}, {0, false}};
    for (const auto& c : cases) {
        sink.messages.clear();
        PutInstaller();
        Place(SysModule("a.dll"), Module("041104b0", "1.0", false, "sys"), kTime2020);
        ASSERT_TRUE(WriteTestArchive(archive, {{"a.dll", Module("041104b0", "1.5", false, "arc"), kTime2020}}));
        sys.locked = {SysModule("a.dll")};
        sys.versionCode = c.code;
        EXPECT_EQ(Run(true), 5);
        EXPECT_EQ(sink.messages.size(), c.shown ? 1u : 0u) << std::hex << c.code;
        TakeLeftModule("a.dll");
    }
}

TEST_F(VbrmRun, HistoryDecidesWhetherAnOlderModuleIsQueued) {
    struct Case {
        const char* what;
        std::map<std::string, std::string> record;
        int expected;
        const char* extraLine;
    } cases[] = {
        {"copy failed before", {{"CopyFailed", "1"}}, 0, "  Update failed before\n"},
        {"this version done", {{"CopyDone", "1"}, {"Version", "2.0"}}, 0, "  Update done before\n"},
        {"a later version done", {{"CopyDone", "1"}, {"Version", "3.0"}}, 0, "  Update done before\n"},
        {"an older version done", {{"CopyDone", "1"}, {"Version", "1.5"}}, 256, ""},
        {"done flag off", {{"CopyDone", "0"}, {"Version", "2.0"}}, 256, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PutInstaller();
        sys.ini.clear();
        sys.runs.clear();
        fs::RemoveFile(tempDir / "Halvorin.log");
        Place(SysModule("a.dll"), Module("041104b0", "1.0", false, "sys"), kTime2020);
        ASSERT_TRUE(WriteTestArchive(archive, {{"a.dll", Module("041104b0", "2.0", false, "arc"), kTime2020}}));
        sys.ini[history()]["a.dll"] = c.record;
        EXPECT_EQ(Run(true), c.expected);
        TakeLeftModule("a.dll");
        EXPECT_EQ(sys.runs.size(), c.expected == 256 ? 1u : 0u);
        EXPECT_EQ(sys.ini[task()].count("a.dll"), c.expected == 256 ? 1u : 0u);
        const std::string report = std::string("a.dll:\n  Installed\n  System has older version\n") + c.extraLine;
        EXPECT_EQ(Log().substr(0, Rec(report).size()), Rec(report));
    }
}

TEST_F(VbrmRun, NewerSystemCopyIsLeftAlone) {
    Place(SysModule("a.dll"), Module("041104b0", "3.0", true, "sys"), kTime2020);
    ASSERT_TRUE(WriteTestArchive(archive, {{"a.dll", Module("041104b0", "2.0", true, "arc"), kTime2020}}));
    EXPECT_EQ(Run(false), 0);
    EXPECT_EQ(Log(), Rec("a.dll:\n  Installed\n  System has newer version\n  Is COM server\n"));
}

TEST_F(VbrmRun, InstallerMissingFromTheDisc) {
    ASSERT_TRUE(WriteTestArchive(archive, {{"a.dll", Module("041104b0", "2.0", false, "arc"), kTime2020}}));
    EXPECT_EQ(Run(true), -69);
    EXPECT_EQ(sink.messages, (std::vector<std::pair<std::string, std::string>>{
                                 {"Arkstow", "Halvorin.exe not found in CD."}}));
    EXPECT_TRUE(FileExists(task()));
    EXPECT_EQ(Log(), Rec("a.dll:\n  Not Installed\n"));
}

TEST_F(VbrmRun, InstallerThatCannotStartIsAnErrorAndKeepsItsTask) {
    PutInstaller();
    sys.runFails = true;
    ASSERT_TRUE(WriteTestArchive(archive, {{"a.dll", Module("041104b0", "2.0", false, "arc"), kTime2020}}));
    EXPECT_EQ(Run(true), -100);
    EXPECT_TRUE(FileExists(task()));
    EXPECT_TRUE(FileExists(tempDir / "Halvorin.exe"));
    EXPECT_EQ(Server().CLibFunction(), "CreateProcess");
    EXPECT_EQ(Server().TargetStream(), tempDir / "Halvorin.exe");
}

TEST_F(VbrmRun, RunOnceFailuresAreReportedNotLoggedAsDone) {
    for (RegWrite failure : {RegWrite::KeyFailed, RegWrite::ValueFailed}) {
        PutInstaller();
        fs::RemoveFile(tempDir / "Halvorin.log");
        Place(SysModule("a.dll"), Module("041104b0", "1.0", false, "sys"), kTime2020);
        ASSERT_TRUE(WriteTestArchive(archive, {{"a.dll", Module("041104b0", "1.5", false, "arc"), kTime2020}}));
        sys.locked = {SysModule("a.dll")};
        sys.registryResult = failure;
        EXPECT_EQ(Run(true), -100);
        EXPECT_EQ(Server().CLibFunction(), failure == RegWrite::KeyFailed ? "RegCreateKeyEx" : "RegSetValueEx");
        EXPECT_EQ(Server().TargetStream(), "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce");
        EXPECT_EQ(Log().find("RunOnce key was set."), std::string::npos);
    }
}

TEST_F(VbrmRun, InstallerThatCannotBeCopiedIsLogged) {
    PutInstaller();
    sys.locked = {cd / "Halvorin.exe"};
    ASSERT_TRUE(WriteTestArchive(archive, {{"a.dll", Module("041104b0", "2.0", false, "arc"), kTime2020}}));
    EXPECT_EQ(Run(true), -100);
    EXPECT_EQ(Server().CLibFunction(), "CopyFile");
    EXPECT_EQ(Server().TargetStream(), (cd / "Halvorin.exe") + " -> " + (tempDir / "Halvorin.exe"));
    EXPECT_TRUE(sys.runs.empty());
    EXPECT_TRUE(FileExists(task()));
}

TEST_F(VbrmRun, ReadOnlyInstallerCopyInTempIsReplaced) {
    PutInstaller();
    ASSERT_TRUE(WriteWholeFile(tempDir / "Halvorin.exe", "stale"));
    ASSERT_TRUE(fs::SetAttributes(tempDir / "Halvorin.exe", fs::kAttrReadOnly));
    ASSERT_TRUE(WriteTestArchive(archive, {{"a.dll", Module("041104b0", "2.0", true, "arc"), kTime2020}}));
    sys.runFails = true;  // keep the copy to look at
    EXPECT_EQ(Run(true), -100);
    EXPECT_EQ(Content(tempDir / "Halvorin.exe"), "installer");
}

TEST_F(VbrmRun, UnsafeNamesAndEarlyFailures) {
    ASSERT_TRUE(WriteTestArchive(archive, {{"..\\evil.dll", Module("", "", false, "x"), kTime2020}}));
    EXPECT_EQ(Run(true), ARKSTOWRET_UNSAFE_NAME);
    EXPECT_FALSE(FileExists(tempDir.path() + "\\..\\evil.dll"));
    EXPECT_EQ(sys.ini[task()], (Task{{"General", {{"Count", "1"}}}}));

    EXPECT_EQ(api::InstallVBRM(sys, (work / "none.ach").c_str(), cd.path().c_str(), 1, ""), -10);
    sys.systemFails = true;
    EXPECT_EQ(Run(true), -62);
    sys.tempFails = true;
    EXPECT_EQ(Run(true), -61);
}

// A user's files in the temp folder named like modules are never written
// over or deleted: the checks run on a private extraction, and a module the
// installer would find there under a taken name refuses the install.
TEST_F(VbrmRun, FilesOfTheUserInTheTempFolderAreNeverTouched) {
    struct Case {
        const char* what;
        bool allow;
        bool installed;  // an older copy in the system folder, replaceable
        int expected;
    } cases[] = {
        {"not installed, no permission", false, false, 0},
        {"older copy, no permission", false, true, 0},
        {"not installed, queued", true, false, ARKSTOWRET_SAVE_FAILED},
        {"older copy, queued", true, true, ARKSTOWRET_SAVE_FAILED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PutInstaller();
        sys.ini.clear();
        sys.runs.clear();
        fs::RemoveFile(tempDir / "Halvorin.log");
        fs::RemoveFile(SysModule("foo.dll"));
        if (c.installed) Place(SysModule("foo.dll"), Module("041104b0", "1.0", false, "sys"), kTime2020);
        Place(tempDir / "foo.dll", "the user's foo.dll", kTime2020);
        ASSERT_TRUE(fs::SetAttributes(tempDir / "foo.dll", fs::kAttrHidden));
        Place(tempDir / "sub\\bar.dll", "the user's bar.dll", kTime2020);
        ASSERT_TRUE(WriteTestArchive(archive, {{"ok.dll", Module("041104b0", "2.0", false, "arc"), kTime2020},
                                               {"foo.dll", Module("041104b0", "2.0", false, "arc"), kTime2020},
                                               {"sub\\bar.dll", Module("041104b0", "2.0", false, "arc"), kTime2020}}));
        EXPECT_EQ(Run(c.allow), c.expected);
        EXPECT_EQ(Content(tempDir / "foo.dll"), "the user's foo.dll");
        uint32_t attributes = 0;
        EXPECT_TRUE(fs::GetAttributes(tempDir / "foo.dll", &attributes));
        EXPECT_EQ(attributes & fs::kAttrHidden, fs::kAttrHidden);
        EXPECT_EQ(Content(tempDir / "sub\\bar.dll"), "the user's bar.dll");
        EXPECT_TRUE(sys.runs.empty());
        // No module of the refused run stays, nor any folder of ours.
        std::vector<std::string> expected = {"Halvorin.log", "Halvorin.tsk", "foo.dll", "sub"};
        EXPECT_EQ(TempListing(), expected);
        EXPECT_EQ(Listing(tempDir / "sub"), std::vector<std::string>{"bar.dll"});
        fs::SetAttributes(tempDir / "foo.dll", fs::kAttrNormal);
    }
}

// Modules not queued leave nothing in the temp folder, folders of their names
// included; a queued module in a folder gets that folder, and the installer
// finds the archive's bytes there.
TEST_F(VbrmRun, OnlyQueuedModulesAreLeftInTheTempFolder) {
    Place(SysModule("same.dll"), Module("041104b0", "1.0", false, "sys"), kTime2020);
    ASSERT_TRUE(WriteTestArchive(archive, {{"same.dll", Module("041104b0", "1.0", false, "arc"), kTime2020},
                                           {"deep\\er\\same.dll", Module("041104b0", "1.0", false, "arc"), kTime2020}}));
    MakePathFolders(SysModule("deep\\er\\same.dll"));
    Place(SysModule("deep\\er\\same.dll"), Module("041104b0", "1.0", false, "sys"), kTime2020);
    EXPECT_EQ(Run(true), 0);
    EXPECT_EQ(TempListing(), (std::vector<std::string>{"Halvorin.log", "Halvorin.tsk"}));

    PutInstaller();
    ASSERT_TRUE(WriteTestArchive(archive, {{"sub\\new.dll", Module("041104b0", "2.0", false, "arc"), kTime2020}}));
    EXPECT_EQ(Run(true), 256);
    EXPECT_EQ(Content(tempDir / "sub\\new.dll"), Module("041104b0", "2.0", false, "arc"));
    EXPECT_EQ(TempListing(), (std::vector<std::string>{"Halvorin.log", "sub"}));
}

TEST_F(VbrmRun, VersionTextIsBoundedTo63Bytes) {
    PutInstaller();
    const std::string longVersion = "1." + std::string(100, '9');
    Place(SysModule("a.dll"), Module("041104b0", "1.0", false, "sys"), kTime2020);
    ASSERT_TRUE(WriteTestArchive(archive, {{"a.dll", Module("041104b0", longVersion, false, "arc"), kTime2020}}));
    EXPECT_EQ(Run(true), 256);
    EXPECT_EQ(sys.ranWithTask["a.dll"]["Version"], longVersion.substr(0, 63));
}

}  // namespace
}  // namespace ark::components
