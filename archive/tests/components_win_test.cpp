// Component installation and the runtime-module install on Windows itself:
// the real system folder, HKEY_LOCAL_MACHINE, version resources of fixture
// modules, the stand-in "Register.dll" and the stand-in installer. Run only in
// a test prefix; every test removes what it installed.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <regex>

#include "archive/components_api.h"
#include "archive/components_system.h"
#include "archive/tests/components_test_support.h"
#include "archive/frame.h"
#include "archive/vbrm_plan.h"
#include "shared/arkstow_exports.h"
#include "testing/kit/file_io.h"
#include "testing/kit/recording_sink.h"
#include "testing/kit/temp_folder.h"

namespace ark::components {
namespace {

using ark::testing::WriteTestArchive;
using ark::testing::kDay;
using ark::testing::kTime2020;
using kb::testing::FileExists;
using kb::testing::ReadWholeFile;
using kb::testing::RecordingSink;
using kb::testing::ScopedTempFolder;
using kb::testing::TempDir;
using kb::testing::WriteWholeFile;

std::string BinFolder() {
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.find_last_of('\\'));
}

std::string Fixture(const std::string& name) {
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile(BinFolder() + "\\fixtures\\components\\" + name + ".dll", bytes)) << name;
    return bytes;
}

std::string SystemFolder() {
    char path[MAX_PATH];
    const UINT n = GetSystemDirectoryA(path, MAX_PATH);
    return std::string(path, n);
}

std::optional<std::string> MachineString(const char* subkey, const std::string& name) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey, 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    char data[1024];
    DWORD size = sizeof data, type = 0;
    const LONG rc = RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || type != REG_SZ || size == 0) return std::nullopt;
    return std::string(data, size - 1);
}

void DeleteMachineValue(const char* subkey, const std::string& name) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
    RegDeleteValueA(key, name.c_str());
    RegCloseKey(key);
}

bool SetLastWrite(const std::string& path, uint64_t time) {
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    FILETIME ft{static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
    const bool ok = SetFileTime(h, nullptr, nullptr, &ft) != FALSE;
    CloseHandle(h);
    return ok;
}

uint64_t LastWrite(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
}

std::string Content(const std::string& path) { return kb::testing::ReadAll(path); }

// Each record's date line replaced by "[]", so reports compare exactly.
std::string WithoutDates(const std::string& log) {
    std::string out;
    size_t pos = 0;
    while (pos < log.size()) {
        size_t end = log.find("\r\n", pos);
        end = end == std::string::npos ? log.size() : end + 2;
        std::string line = log.substr(pos, end - pos);
        if (line.size() > 3 && line[0] == '[' && line.compare(line.size() - 3, 3, "]\r\n") == 0) line = "[]\r\n";
        out += line;
        pos = end;
    }
    return out;
}

std::string Rec(const std::string& report) { return vbrm::ReportRecord("", report); }

std::string IniValue(const std::string& file, const std::string& section, const std::string& key) {
    char buffer[256];
    const DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), "<none>", buffer, sizeof buffer, file.c_str());
    return std::string(buffer, n);
}

void SetEnv(const char* name, const std::string& value) {
    SetEnvironmentVariableA(name, value.empty() ? nullptr : value.c_str());
}

constexpr const char* kComKey = "Software\\TovanMMP\\COM";

class WineComponents : public ::testing::Test {
protected:
    TempDir tempDir, work, cd;
    ScopedTempFolder scopedTemp{tempDir.path()};
    RecordingSink sink;
    System& sys = WindowsSystem();
    std::string system = SystemFolder();
    std::string installFolder = system + "\\TQZDisc";
    std::string archive = work / "c.ach";
    std::string temp = tempDir.path() + "\\";
    std::string regLog = work / "register.log";
    std::vector<std::string> cleanup;  // files to remove at the end

    void SetUp() override {
        ASSERT_TRUE(SetDllDirectoryA((BinFolder() + "\\standins\\register").c_str()));
        SetEnv("KB_REGISTER_LOG", regLog);
        SetEnv("KB_REGISTER_ISREGISTERED", "");
        SetEnv("KB_REGISTER_REGISTER", "");
        SetEnv("KB_REGISTER_CMPFILE", "");
        SetEnv("KB_HALVORIN_LOG", work / "halvorin.log");
        SetEnv("KB_HALVORIN_EXIT", "");
    }
    void TearDown() override {
        for (const auto& f : cleanup) {
            SetFileAttributesA(f.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(f.c_str());
        }
        for (const char* flag : {"H_", "X_", "@_"})
            for (const char* n : {"kbtest_p.dll", "kbtest_c.dll"}) DeleteMachineValue(kComKey, std::string(flag) + n);
        DeleteMachineValue(vbrm::kRunOnceKey, vbrm::kRunOnceValue);
        SetDllDirectoryA(nullptr);
        for (const char* v : {"KB_REGISTER_LOG", "KB_HALVORIN_LOG", "KB_REGISTER_ISREGISTERED",
                              "KB_REGISTER_REGISTER", "KB_REGISTER_CMPFILE", "KB_HALVORIN_EXIT"})
            SetEnv(v, "");
    }
    // What the temp folder holds apart from the error log, sorted.
    std::vector<std::string> TempListing() {
        std::vector<std::string> names;
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA((temp + "*").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) return names;
        do {
            const std::string n = data.cFileName;
            if (n != "." && n != ".." && n != ark::kErrorLogName) names.push_back(n);
        } while (FindNextFileA(find, &data));
        FindClose(find);
        std::sort(names.begin(), names.end());
        return names;
    }
    void Place(const std::string& path, const std::string& bytes, uint64_t lastWrite) {
        cleanup.push_back(path);
        ASSERT_TRUE(WriteWholeFile(path, bytes));
        ASSERT_TRUE(SetLastWrite(path, lastWrite));
    }
};

TEST_F(WineComponents, VersionResourcesAndComProbeOfRealModules) {
    struct Case {
        const char* fixture;
        const char* translation;
        const char* version;
        bool com;
    } cases[] = {
        {"plain_v1", "041104b0", "1.0.0.0", false},
        {"plain_v2_us", "040904e4", "2.0.0.0", false},
        {"com_v2", "041104b0", "2.0.0.0", true},
        // A FileVersion longer than its field keeps its first 63 bytes.
        {"long_version", "041104b0", "1.2.3.4.5.6.7.8.9.10.11.12.13.14.15.16.17.18.19.20.21.22.23.24.", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fixture);
        const std::string path = BinFolder() + "\\fixtures\\components\\" + c.fixture + ".dll";
        const ModuleVersion v = sys.ReadModuleVersion(path);
        EXPECT_EQ(v.translation, c.translation);
        EXPECT_EQ(v.fileVersion, c.version);
        EXPECT_EQ(sys.IsComServer(path), c.com);
    }
    ASSERT_TRUE(WriteWholeFile(work / "text.dll", "not a module"));
    const ModuleVersion none = sys.ReadModuleVersion(work / "text.dll");
    EXPECT_EQ(none.translation, "");
    EXPECT_EQ(none.fileVersion, "");
    EXPECT_FALSE(sys.IsComServer(work / "text.dll"));
}

struct RegisterCase {
    const char* what;
    const char* fixture;    // archive copy
    bool installed;         // a copy (of plain_v2) is installed first, last written at kTime2020
    int64_t archiveAgeDays; // archive copy's time against kTime2020
    int olderPolicy;
    int allow;
    const char* isRegistered;
    const char* registerAnswer;
    int expected;
    const char* targetHolds;  // "archive", "installed" or "none"
    const char* valuePrefix;  // registry record's flag and "_", or nullptr
    const char* calls;        // expected "Register.dll" log with @E for the extracted path, @T the target
};

TEST_F(WineComponents, RegisterAllOutcomes) {
    const RegisterCase cases[] = {
        {"plain, not installed", "plain_v1", false, 0, 1, 1, "", "", 0, "archive", "H_", ""},
        {"plain, same time", "plain_v1", true, 0, 1, 1, "", "", 0, "installed", nullptr, ""},
        {"plain, archive newer", "plain_v1", true, 1, 1, 1, "", "", 0, "archive", "H_", ""},
        {"plain, archive older kept", "plain_v1", true, -1, 1, 1, "", "", 0, "installed", nullptr, ""},
        {"plain, archive older, policy 64", "plain_v1", true, -1, 64, 1, "", "", 0, "archive", "H_", ""},
        {"plain, newer, not allowed", "plain_v1", true, 1, 1, 0, "", "", 6, "installed", nullptr, ""},
        {"COM, not registered", "com_v1", false, 0, 1, 1, "0", "1", 0, "archive", "X_",
         "IsRegistered|@E\nRegister|@T\n"},
        {"COM, registered already", "com_v1", false, 0, 1, 1, "1", "1", 0, "none", nullptr,
         "IsRegistered|@E\n"},
        {"COM, registration fails", "com_v1", false, 0, 1, 1, "0", "0", -64, "archive", nullptr,
         "IsRegistered|@E\nRegister|@T\n"},
        {"COM, not allowed", "com_v1", false, 0, 1, 0, "0", "1", 6, "none", nullptr, "IsRegistered|@E\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const bool com = std::string(c.fixture).rfind("com", 0) == 0;
        const std::string name = com ? "kbtest_c.dll" : "kbtest_p.dll";
        const std::string target = installFolder + "\\" + name;
        const std::string users = temp + name;  // a file of the user's named like the entry
        cleanup.push_back(target);
        cleanup.push_back(users);
        ASSERT_TRUE(WriteWholeFile(users, "the user's file"));
        CreateDirectoryA(installFolder.c_str(), nullptr);
        if (c.installed) Place(target, Fixture("plain_v2"), kTime2020);
        DeleteFileA(regLog.c_str());
        SetEnv("KB_REGISTER_ISREGISTERED", c.isRegistered);
        SetEnv("KB_REGISTER_REGISTER", c.registerAnswer);
        const std::string body = Fixture(c.fixture);
        ASSERT_TRUE(WriteTestArchive(archive, {{name, body, kTime2020 + static_cast<uint64_t>(c.archiveAgeDays) * kDay}}));

        EXPECT_EQ(api::RegisterAllEx(sys, archive.c_str(), c.allow, c.olderPolicy, 0), c.expected);

        const std::string holds = c.targetHolds;
        EXPECT_EQ(Content(target) == body, holds == "archive");
        EXPECT_EQ(Content(target) == Fixture("plain_v2"), holds == "installed");
        EXPECT_EQ(FileExists(target), holds != "none");
        EXPECT_EQ(Content(users), "the user's file");
        EXPECT_EQ(TempListing(), std::vector<std::string>{name});
        for (const char* flag : {"H_", "X_", "@_"}) {
            const auto value = MachineString(kComKey, flag + name);
            if (c.valuePrefix && std::string(flag) == c.valuePrefix)
                EXPECT_EQ(value, std::optional<std::string>(target));
            else
                EXPECT_EQ(value, std::nullopt) << flag;
        }
        std::string calls = c.calls;
        for (size_t p; (p = calls.find("@T")) != std::string::npos;) calls.replace(p, 2, target);
        std::string log;
        ReadWholeFile(regLog, log);
        // The extracted copy the library was asked about lay in a folder of the
        // run's own directly in temp, gone afterwards.
        std::smatch m;
        if (std::regex_search(log, m, std::regex("IsRegistered\\|([^\n]*)\n"))) {
            const std::string extracted = m[1];
            const std::string folder = extracted.substr(0, extracted.rfind('\\'));
            EXPECT_EQ(extracted, folder + "\\" + name);
            EXPECT_EQ(folder.rfind(temp, 0), 0u) << extracted;
            EXPECT_EQ(folder.find('\\', temp.size()), std::string::npos) << extracted;
            EXPECT_FALSE(FileExists(folder)) << extracted;
            for (size_t p; (p = log.find(extracted)) != std::string::npos;) log.replace(p, extracted.size(), "@E");
        }
        EXPECT_EQ(log, calls);
        EXPECT_EQ(GetModuleHandleA("Register.dll"), nullptr);

        DeleteFileA(target.c_str());
        DeleteFileA(users.c_str());
        DeleteMachineValue(kComKey, "H_" + name);
        DeleteMachineValue(kComKey, "X_" + name);
    }
}

TEST_F(WineComponents, MarkerInTheTempFolderGivesTheAtFlag) {
    ASSERT_TRUE(CreateDirectoryA((temp + "TQZDisc").c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFile(temp + "TQZDisc\\AdminForReg", ""));
    const std::string target = installFolder + "\\kbtest_p.dll";
    cleanup.push_back(target);
    ASSERT_TRUE(WriteTestArchive(archive, {{"kbtest_p.dll", Fixture("plain_v1"), kTime2020}}));
    EXPECT_EQ(api::RegisterAll(sys, archive.c_str(), 1), 0);
    EXPECT_EQ(MachineString(kComKey, "@_kbtest_p.dll"), std::optional<std::string>(target));
    EXPECT_EQ(MachineString(kComKey, "H_kbtest_p.dll"), std::nullopt);
}

TEST_F(WineComponents, RegistrationLibraryMissingOrIncomplete) {
    ASSERT_TRUE(WriteTestArchive(archive, {{"kbtest_p.dll", Fixture("plain_v1"), kTime2020}}));
    cleanup.push_back(installFolder + "\\kbtest_p.dll");
    for (const char* folder : {"\\standins\\none", "\\standins\\register_partial"}) {
        SCOPED_TRACE(folder);
        ASSERT_TRUE(SetDllDirectoryA((BinFolder() + folder).c_str()));
        EXPECT_EQ(api::RegisterAll(sys, archive.c_str(), 1), -60);
        EXPECT_EQ(api::SetRegCmpMode(sys, 1), -60);
        EXPECT_EQ(api::SetRegCmpFile(sys, "cmp.ini"), -60);
        EXPECT_FALSE(FileExists(temp + "kbtest_p.dll"));
        EXPECT_FALSE(FileExists(installFolder + "\\kbtest_p.dll"));
        EXPECT_EQ(GetModuleHandleA("Register.dll"), nullptr);
    }
}

TEST_F(WineComponents, CompareSettingsKeepTheLibraryUntilTheNextRun) {
    EXPECT_EQ(api::SetRegCmpMode(sys, 7), 0);
    SetEnv("KB_REGISTER_CMPFILE", "1");
    EXPECT_EQ(api::SetRegCmpFile(sys, "C:\\cmp.ini"), -80);
    EXPECT_NE(GetModuleHandleA("Register.dll"), nullptr);
    ASSERT_TRUE(WriteTestArchive(archive, {}));
    EXPECT_EQ(api::RegisterAll(sys, archive.c_str(), 1), 0);
    EXPECT_EQ(GetModuleHandleA("Register.dll"), nullptr);
    DWORD attributes = GetFileAttributesA(installFolder.c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
    std::string log;
    ReadWholeFile(regLog, log);
    EXPECT_EQ(log, "SetCompareMode|7\nSetCompareModeFileName|C:\\cmp.ini\n");
}

TEST_F(WineComponents, EntryNamesThatLeaveTheInstallFolderAreRefused) {
    cleanup.push_back(system + "\\kbtest_evil.dll");
    ASSERT_TRUE(WriteTestArchive(archive, {{"..\\kbtest_evil.dll", Fixture("plain_v1"), kTime2020}}));
    EXPECT_EQ(api::RegisterAll(sys, archive.c_str(), 1), ARKSTOWRET_UNSAFE_NAME);
    EXPECT_FALSE(FileExists(system + "\\kbtest_evil.dll"));
    EXPECT_EQ(api::InstallVBRM(sys, archive.c_str(), cd.path().c_str(), 1, ""), ARKSTOWRET_UNSAFE_NAME);
    EXPECT_FALSE(FileExists(system + "\\kbtest_evil.dll"));
}

TEST_F(WineComponents, ArkstowDllForwardsTheComponentExportsAtTheirOrdinals) {
    HMODULE dll = LoadLibraryA("Arkstow.dll");
    ASSERT_NE(dll, nullptr);
    auto at = [&](int ordinal) {
        return reinterpret_cast<void*>(GetProcAddress(dll, MAKEINTRESOURCEA(ordinal)));
    };
    using RegisterAllFn = kb::arkstow::RegisterAll::Fn;
    using InstallVbrmFn = kb::arkstow::InstallVBRM::Fn;
    using RegisterAllExFn = kb::arkstow::RegisterAllEx::Fn;
    using SetModeFn = kb::arkstow::SetRegCmpMode::Fn;
    using SetFileFn = kb::arkstow::SetRegCmpFile::Fn;
    auto registerAll = reinterpret_cast<RegisterAllFn>(at(11));
    auto installVbrm = reinterpret_cast<InstallVbrmFn>(at(16));
    auto registerAllEx = reinterpret_cast<RegisterAllExFn>(at(18));
    auto setMode = reinterpret_cast<SetModeFn>(at(19));
    auto setFile = reinterpret_cast<SetFileFn>(at(20));
    ASSERT_TRUE(registerAll && installVbrm && registerAllEx && setMode && setFile);

    EXPECT_EQ(setMode(5), 0);
    SetEnv("KB_REGISTER_CMPFILE", "1");
    EXPECT_EQ(setFile("cmp.ini"), -80);
    EXPECT_NE(GetModuleHandleA("Register.dll"), nullptr);
    EXPECT_EQ(registerAll((work / "missing.ach").c_str(), 1), -10);
    ASSERT_TRUE(WriteTestArchive(archive, {}));
    EXPECT_EQ(registerAllEx(archive.c_str(), 1, 64, 0), 0);
    EXPECT_EQ(GetModuleHandleA("Register.dll"), nullptr);
    std::string log;
    ReadWholeFile(regLog, log);
    EXPECT_EQ(log, "SetCompareMode|5\nSetCompareModeFileName|cmp.ini\n");

    EXPECT_EQ(installVbrm(archive.c_str(), cd.path().c_str(), 1, "restart"), 0);
    EXPECT_EQ(IniValue(temp + "Halvorin.tsk", "General", "Count"), "0");
    EXPECT_EQ(installVbrm(nullptr, nullptr, 1, nullptr), -10);
    FreeLibrary(dll);
}

// ---- runtime-module install ----

class WineVbrm : public WineComponents {
protected:
    std::string module = system + "\\kbtest_vbrm.dll";
    std::string installer = temp + "Halvorin.exe";
    std::string task = temp + "Halvorin.tsk";
    std::string history = installFolder + "\\Halvorin.hst";
    void SetUp() override {
        WineComponents::SetUp();
        cleanup.push_back(module);
        cleanup.push_back(history);
    }
    void PutInstaller() {
        std::string bytes;
        ASSERT_TRUE(ReadWholeFile(BinFolder() + "\\standins\\halvorin\\Halvorin.exe", bytes));
        ASSERT_TRUE(WriteWholeFile(cd / "Halvorin.exe", bytes));
    }
    int Run(int allow) { return api::InstallVBRM(sys, archive.c_str(), cd.path().c_str(), allow, "Restart now."); }
    std::string Report() { return WithoutDates(Content(temp + "Halvorin.log")); }
    std::string InstallerLog() { return Content(work / "halvorin.log"); }
    std::string SeenTask() { return work / "halvorin.log.tsk"; }
};

TEST_F(WineVbrm, MissingModuleRunsTheInstallerAtOnce) {
    PutInstaller();
    SetEnv("KB_HALVORIN_EXIT", "3");  // the installer's exit code is not a result
    ASSERT_TRUE(WriteTestArchive(archive, {{"kbtest_vbrm.dll", Fixture("com_v2"), kTime2020}}));
    EXPECT_EQ(Run(1), 256);
    EXPECT_EQ(InstallerLog(), "command line: \"" + installer + "\"\n");
    EXPECT_EQ(IniValue(SeenTask(), "General", "Count"), "1");
    EXPECT_EQ(IniValue(SeenTask(), "General", "File00"), "kbtest_vbrm.dll");  // quotes are the ini's
    EXPECT_EQ(IniValue(SeenTask(), "kbtest_vbrm.dll", "Copy"), "1");
    EXPECT_EQ(IniValue(SeenTask(), "kbtest_vbrm.dll", "Version"), "");
    EXPECT_EQ(IniValue(SeenTask(), "kbtest_vbrm.dll", "COMServer"), "1");
    EXPECT_FALSE(FileExists(task));
    EXPECT_FALSE(FileExists(installer));
    EXPECT_EQ(Content(temp + "kbtest_vbrm.dll"), Fixture("com_v2"));
    EXPECT_FALSE(FileExists(module));
    EXPECT_EQ(Report(), Rec("kbtest_vbrm.dll:\n  Not Installed\n  Is COM server\n") +
                            Rec("Following files are COM servers to be update.\n  kbtest_vbrm.dll\n") +
                            Rec("Now, the process can be done.\n"));
    EXPECT_EQ(MachineString(vbrm::kRunOnceKey, vbrm::kRunOnceValue), std::nullopt);
}

TEST_F(WineVbrm, InstallerInATempFolderWithBlanksIsStartedByItsQuotedPath) {
    PutInstaller();
    // Unquoted, "<temp>\with blank\Halvorin.exe" would start "<temp>\with.exe" first.
    const std::string blank = temp + "with blank";
    ASSERT_TRUE(CreateDirectoryA(blank.c_str(), nullptr));
    ASSERT_TRUE(CopyFileA((cd / "Halvorin.exe").c_str(), (temp + "with.exe").c_str(), FALSE));
    ScopedTempFolder blankTemp(blank);
    ASSERT_TRUE(WriteTestArchive(archive, {{"kbtest_vbrm.dll", Fixture("plain_v2"), kTime2020}}));
    EXPECT_EQ(Run(1), 256);
    EXPECT_EQ(InstallerLog(), "command line: \"" + blank + "\\Halvorin.exe\"\n");
    EXPECT_FALSE(FileExists(blank + "\\Halvorin.exe"));
}

TEST_F(WineVbrm, SameVersionWithOtherCodePageNeedsNothing) {
    PutInstaller();
    Place(module, Fixture("plain_v2_us"), kTime2020);
    ASSERT_TRUE(WriteTestArchive(archive, {{"kbtest_vbrm.dll", Fixture("plain_v2"), kTime2020}}));
    EXPECT_EQ(Run(1), 0);
    EXPECT_EQ(Report(), Rec("kbtest_vbrm.dll:\n  Installed\n  CodePage Differ\n  System has same version\n"));
    // Each record starts with the local date and time.
    EXPECT_TRUE(std::regex_match(Content(temp + "Halvorin.log"),
                                 std::regex(R"(\[\d{4}/\d\d/\d\d \d\d:\d\d:\d\d\]\r\n[^\[]*)")))
        << Content(temp + "Halvorin.log");
    EXPECT_FALSE(FileExists(installer));
    EXPECT_FALSE(FileExists(temp + "kbtest_vbrm.dll"));
    EXPECT_EQ(InstallerLog(), "<missing>");
    EXPECT_EQ(IniValue(task, "General", "File00"), "kbtest_vbrm.dll");
    EXPECT_EQ(IniValue(task, "kbtest_vbrm.dll", "Copy"), "<none>");
}

TEST_F(WineVbrm, OlderReplaceableModuleIsQueuedAndLeftUntouched) {
    PutInstaller();
    const std::string installedBytes = Fixture("plain_v1");
    Place(module, installedBytes, kTime2020);
    ASSERT_TRUE(WriteTestArchive(archive, {{"kbtest_vbrm.dll", Fixture("plain_v2"), kTime2020 + kDay}}));
    EXPECT_EQ(Run(1), 256);
    EXPECT_EQ(IniValue(SeenTask(), "kbtest_vbrm.dll", "Copy"), "1");
    EXPECT_EQ(IniValue(SeenTask(), "kbtest_vbrm.dll", "Version"), "2.0.0.0");
    EXPECT_EQ(IniValue(SeenTask(), "kbtest_vbrm.dll", "COMServer"), "<none>");
    EXPECT_EQ(Content(module), installedBytes);
    EXPECT_EQ(LastWrite(module), kTime2020);
    EXPECT_EQ(Content(temp + "kbtest_vbrm.dll"), Fixture("plain_v2"));
    EXPECT_EQ(Report(), Rec("kbtest_vbrm.dll:\n  Installed\n  System has older version\n") +
                            Rec("Now, the process can be done.\n"));
}

TEST_F(WineVbrm, OlderModuleInUseWaitsForARestart) {
    PutInstaller();
    const std::string installedBytes = Fixture("plain_v1");
    Place(module, installedBytes, kTime2020);
    ASSERT_TRUE(WriteTestArchive(archive, {{"kbtest_vbrm.dll", Fixture("plain_v2"), kTime2020}}));
    HANDLE held = CreateFileA(module.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const int rc = Run(1);
    CloseHandle(held);
    EXPECT_EQ(rc, 5);
    EXPECT_EQ(MachineString(vbrm::kRunOnceKey, vbrm::kRunOnceValue), std::optional<std::string>("\"" + installer + "\""));
    EXPECT_EQ(sink.messages, (std::vector<std::pair<std::string, std::string>>{{"Arkstow", "Restart now."}}));
    EXPECT_EQ(InstallerLog(), "<missing>");
    EXPECT_TRUE(FileExists(installer));
    EXPECT_EQ(IniValue(task, "General", "Count"), "1");
    EXPECT_EQ(IniValue(task, "General", "File00"), "kbtest_vbrm.dll");
    EXPECT_EQ(IniValue(task, "kbtest_vbrm.dll", "Copy"), "1");
    EXPECT_EQ(IniValue(task, "kbtest_vbrm.dll", "Version"), "2.0.0.0");
    EXPECT_EQ(IniValue(task, "kbtest_vbrm.dll", "COMServer"), "<none>");
    EXPECT_EQ(Content(module), installedBytes);
    // The held module's version cannot be read either: it counts as older.
    EXPECT_EQ(Report(),
              Rec("kbtest_vbrm.dll:\n  Installed\n  CodePage Differ\n  System has older version\n  Cannot access\n") +
                  Rec("Following files should be copied after restarting Windows.\n  kbtest_vbrm.dll\n") +
                  Rec("The Process can be done after restarting Windows.\nArkstow.dll returned ARKSTOWRET_NEED_REBOOT\n") +
                  Rec("RunOnce key was set.\n__Halvorin\n" + installer + "\n"));
    std::string err;
    ASSERT_TRUE(ReadWholeFile(temp + "ArkstowErr.log", err));
    EXPECT_EQ(err.rfind("ErrorCode = 4096\r\r\n", 0), 0u);
    // The version check copied onto the private extraction, never into the temp folder itself.
    const std::string target = "CLib function: CopyFile\r\r\nTarget stream: " + module + " -> " + temp + "~vbrm";
    const size_t at = err.find(target);
    ASSERT_NE(at, std::string::npos);
    const std::string tail = "\\kbtest_vbrm.dll\r\r\n";
    ASSERT_GE(err.size(), tail.size());
    EXPECT_EQ(err.substr(err.size() - tail.size()), tail);
}

TEST_F(WineVbrm, InUseWithoutPermissionWaitsForALogOff) {
    PutInstaller();
    Place(module, Fixture("plain_v1"), kTime2020);
    ASSERT_TRUE(WriteTestArchive(archive, {{"kbtest_vbrm.dll", Fixture("plain_v2"), kTime2020}}));
    HANDLE held = CreateFileA(module.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const int rc = Run(0);
    CloseHandle(held);
    EXPECT_EQ(rc, 6);
    EXPECT_EQ(MachineString(vbrm::kRunOnceKey, vbrm::kRunOnceValue), std::nullopt);
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_FALSE(FileExists(temp + "kbtest_vbrm.dll"));
    EXPECT_NE(Report().find("Arkstow.dll returned ARKSTOWRET_NEED_LOGOFF\r\n"), std::string::npos);
}

TEST_F(WineVbrm, HistoryOfADoneCopyOfThisVersion) {
    PutInstaller();
    Place(module, Fixture("plain_v1"), kTime2020);
    CreateDirectoryA(installFolder.c_str(), nullptr);
    ASSERT_TRUE(WritePrivateProfileStringA("kbtest_vbrm.dll", "CopyDone", "1", history.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringA("kbtest_vbrm.dll", "Version", "2.0.0.0", history.c_str()));
    ASSERT_TRUE(WriteTestArchive(archive, {{"kbtest_vbrm.dll", Fixture("plain_v2"), kTime2020}}));
    EXPECT_EQ(Run(1), 0);
    EXPECT_EQ(InstallerLog(), "<missing>");
    EXPECT_EQ(Report(), Rec("kbtest_vbrm.dll:\n  Installed\n  System has older version\n  Update done before\n"));
}

TEST_F(WineVbrm, InstallerMissingOrNotStartable) {
    ASSERT_TRUE(WriteTestArchive(archive, {{"kbtest_vbrm.dll", Fixture("plain_v2"), kTime2020}}));
    EXPECT_EQ(Run(1), -69);
    EXPECT_EQ(sink.messages, (std::vector<std::pair<std::string, std::string>>{
                                 {"Arkstow", "Halvorin.exe not found in CD."}}));
    EXPECT_TRUE(FileExists(task));
    EXPECT_EQ(Report(), Rec("kbtest_vbrm.dll:\n  Not Installed\n"));

    ASSERT_TRUE(WriteWholeFile(cd / "Halvorin.exe", "not a program"));
    EXPECT_EQ(Run(1), -100);
    EXPECT_EQ(Server().CLibFunction(), "CreateProcess");
    EXPECT_TRUE(FileExists(task));
    EXPECT_TRUE(FileExists(installer));
    cleanup.push_back(installer);
}

}  // namespace
}  // namespace ark::components
