// The loader's bindings over stand-in libraries made of test functions: every
// report list and wording, and each method's calls and clean failures.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "archive/arkstow_api.h"
#include "testing/kit/temp_folder.h"
#include "testing/kit/recording_sink.h"
#include "loader/bindings.h"
#include "shared/base/fs.h"

#ifdef _WIN32
#define CALL __stdcall
#else
#define CALL
#endif

namespace kb::loader {
namespace {

using kb::testing::RecordingSink;
using Texts = std::vector<std::string>;

std::vector<std::string> g_calls;
int g_result = 0;

class FakeLibrary final : public DynamicLibrary {
public:
    explicit FakeLibrary(std::map<std::string, void*> symbols) : symbols_(std::move(symbols)) {}
    void* Symbol(const char* name) const override {
        auto it = symbols_.find(name);
        return it == symbols_.end() ? nullptr : it->second;
    }

private:
    std::map<std::string, void*> symbols_;
};

template <class F>
void* Fn(F f) {
    return reinterpret_cast<void*>(f);
}

int CALL Unused() { return 0; }

// A library exporting every name in wanted except those in missing; named
// functions get the given bodies, the rest a body that is never called.
template <size_t N>
std::unique_ptr<DynamicLibrary> Library(const WantedFunction (&wanted)[N], std::map<std::string, void*> bodies = {},
                                        std::set<std::string> missing = {}) {
    std::map<std::string, void*> symbols;
    for (const auto& w : wanted)
        if (!missing.count(w.name)) symbols[w.name] = bodies.count(w.name) ? bodies[w.name] : Fn(&Unused);
    return std::make_unique<FakeLibrary>(symbols);
}

Texts TextsOf(const RecordingSink& sink) {
    Texts texts;
    for (const auto& [title, text] : sink.messages) texts.push_back(title + "|" + text);
    return texts;
}

const Texts kKabbitTexts = {
    "Sorvex|CreateNew() not found in Kabbit.dll.",
    "Sorvex|EnumFiles() not found in Kabbit.dll.",
    "Sorvex|GetType() not found in Kabbit.dll.",
    "Sorvex|Pack() not found in Kabbit.dll.",
    "Sorvex|PackPartFolder() not found in Kabbit.dll",
    "Sorvex|UnPack() not found in Kabbit.dll.",
    "Sorvex|GetProgress() not found in Kabbit.dll.",
    "Sorvex|ConvertFilePath() not found in Kabbit.dll.",
    "Sorvex|GetFileCount() not found in Kabbit.dll.",
    "Sorvex|GetTotalSize() not found in Kabbit.dll.",
    "Sorvex|GetFileInfo() not found in Kabbit.dll.",
    "Sorvex|Stop() not found in Kabbit.dll.",
    "Sorvex|PreCompress() not found in Kabbit.dll.",
    "Sorvex|GetPreCompressFileName() not found in Kabbit.dll",
    "Sorvex|SetWorkingDir() not found in Kabbit.dll.",
    "Sorvex|ForceCompleteCompress() not found in Kabbit.dll.",
    "Sorvex|GetErrorFileNames() not found in Kabbit.dll.",
};

const Texts kArkstowTexts = {
    "Sorvex|CreateNew() not found in Arkstow.dll.",   "Sorvex|GetCount() not found in Arkstow.dll.",
    "Sorvex|GetName() not found in Arkstow.dll.",     "Sorvex|GetInfo() not found in Arkstow.dll.",
    "Sorvex|Add() not found in Arkstow.dll.",         "Sorvex|LoadByIndex() not found in Arkstow.dll.",
    "Sorvex|LoadByName() not found in Arkstow.dll.",  "Sorvex|SaveByIndex() not found in Arkstow.dll.",
    "Sorvex|SaveByName() not found in Arkstow.dll.",  "Sorvex|SaveAll() not found in Arkstow.dll.",
};

TEST(LoaderBindings, AMissingLibraryReportsEveryFunctionInOrder) {
    {
        RecordingSink sink;
        TKabbit k(nullptr);
        EXPECT_EQ(TextsOf(sink), kKabbitTexts);
        EXPECT_EQ(sink.messages[4].second, "PackPartFolder() not found in Kabbit.dll");
    }
    {
        RecordingSink sink;
        TArkstow a(nullptr);
        EXPECT_EQ(TextsOf(sink), kArkstowTexts);
    }
    {
        RecordingSink sink;
        TSpurlane s(nullptr);
        EXPECT_FALSE(s.Loaded());
        EXPECT_TRUE(sink.messages.empty());
        EXPECT_FALSE(s.IsExistInstKey());
        EXPECT_FALSE(s.IsExistNeedRebootKey());
    }
}

TEST(LoaderBindings, OneMissingFunctionGivesExactlyItsOwnText) {
    for (size_t i = 0; i < std::size(kKabbitFunctions); ++i) {
        RecordingSink sink;
        TKabbit k(Library(kKabbitFunctions, {}, {kKabbitFunctions[i].name}));
        EXPECT_EQ(TextsOf(sink), Texts{kKabbitTexts[i]});
    }
    for (size_t i = 0; i < std::size(kArkstowFunctions); ++i) {
        RecordingSink sink;
        TArkstow a(Library(kArkstowFunctions, {}, {kArkstowFunctions[i].name}));
        EXPECT_EQ(TextsOf(sink), Texts{kArkstowTexts[i]});
    }
    const Texts spurlane = {"Sorvex|IsExistInstKey() not found in dll.",
                            "Sorvex|IsExistNeedRebootKey() not found in dll."};
    for (size_t i = 0; i < 2; ++i) {
        RecordingSink sink;
        TSpurlane s(Library(kSpurlaneFunctions, {}, {kSpurlaneFunctions[i].name}));
        EXPECT_TRUE(s.Loaded());
        EXPECT_EQ(TextsOf(sink), Texts{spurlane[i]});
    }
    RecordingSink sink;
    TKabbit k(Library(kKabbitFunctions));
    TArkstow a(Library(kArkstowFunctions));
    TSpurlane s(Library(kSpurlaneFunctions));
    EXPECT_TRUE(sink.messages.empty());
}

// Every function the loader looks up is one its library exports.
TEST(LoaderBindings, EveryWantedNameIsInItsLibrarysExportList) {
    const std::set<std::string> kabbit = {
#define KB_EXPORT(ordinal, ret, name, args) #name,
#include "shared/kabbit_exports.inc"
    };
    const std::set<std::string> arkstow = {
#include "shared/arkstow_exports.inc"
    };
    const std::set<std::string> spurlane = {
#include "shared/spurlane_exports.inc"
#undef KB_EXPORT
    };
    for (const auto& f : kKabbitFunctions) EXPECT_TRUE(kabbit.count(f.name)) << f.name;
    for (const auto& f : kArkstowFunctions) EXPECT_TRUE(arkstow.count(f.name)) << f.name;
    for (const auto& f : kSpurlaneFunctions) EXPECT_TRUE(spurlane.count(f.name)) << f.name;
}

int CALL FakeUnPack(const char* pack, const char* folder, const char* entry, const char* password) {
    g_calls.push_back(std::string("UnPack|") + pack + "|" + folder + "|" + entry + "|" + password);
    return g_result;
}
int CALL FakeGetProgress(char* name) {
    // What the buffer held before the call shows up as "stale".
    std::string seen = name[0] ? "stale" : "clear";
    g_calls.push_back("GetProgress|" + seen);
    std::memset(name, 'n', 260);  // the library's most: 260 bytes, no zero among them
    return g_result;
}
int CALL FakeStop(void* window) {
    g_calls.push_back("Stop|" + std::to_string(reinterpret_cast<uintptr_t>(window)));
    return g_result;
}
void CALL FakeSetWorkingDir(const char* folder) { g_calls.push_back(std::string("SetWorkingDir|") + folder); }

class KabbitTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_calls.clear();
        g_result = 0;
    }
    std::unique_ptr<DynamicLibrary> Full() {
        return Library(kKabbitFunctions, {{"UnPack", Fn(&FakeUnPack)},
                                          {"GetProgress", Fn(&FakeGetProgress)},
                                          {"Stop", Fn(&FakeStop)},
                                          {"SetWorkingDir", Fn(&FakeSetWorkingDir)}});
    }
    RecordingSink sink;
};

TEST_F(KabbitTest, UnPackPassesTheEntryAsCmpAndTheDefaultForShortPasswords) {
    TKabbit k(Full());
    EXPECT_EQ(k.UnPack("C:\\out", "abc"), -1);  // no pack: nothing is called
    EXPECT_TRUE(g_calls.empty());
    k.packPath = "Q:\\Session01\\Archive";
    const struct {
        const char* password;
        const char* passed;
    } rows[] = {{"", "TARVEL"}, {"abcde", "TARVEL"}, {"abcdef", "abcdef"}, {"a b c d e", "a b c d e"}};
    for (const auto& r : rows) {
        k.packPassword = r.password;
        g_result = -2147483598;  // PACKERR_WRONG_PASSWORD as a negative int
        EXPECT_EQ(k.UnPack("C:\\out", "Docs"), g_result);
        EXPECT_EQ(g_calls.back(), std::string("UnPack|Q:\\Session01\\Archive|C:\\out|Docs.cmp|") + r.passed);
    }
}

void CALL FakeSetUnpackLimit(uint32_t low, uint32_t high) {
    g_calls.push_back("SetUnpackLimit|" + std::to_string(low) + "|" + std::to_string(high));
}

// The unpack limit is passed in two halves; a library without it is not
// reported (the 17 reports stay as they are) and the call does nothing.
TEST_F(KabbitTest, SetUnpackLimitPassesBothHalvesAndIsNeverReported) {
    std::map<std::string, void*> symbols;
    for (const auto& w : kKabbitFunctions) symbols[w.name] = Fn(&Unused);
    symbols["SetUnpackLimit"] = Fn(&FakeSetUnpackLimit);
    {
        TKabbit k(std::make_unique<FakeLibrary>(symbols));
        k.SetUnpackLimit(1024 * 1024);
        k.SetUnpackLimit((uint64_t{5} << 32) | 7);
        EXPECT_EQ(g_calls, (std::vector<std::string>{"SetUnpackLimit|1048576|0", "SetUnpackLimit|7|5"}));
    }
    g_calls.clear();
    TKabbit without(Library(kKabbitFunctions));
    without.SetUnpackLimit(10);
    EXPECT_TRUE(g_calls.empty());
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(KabbitTest, GetProgressClearsItsBufferAndCapsTheName) {
    TKabbit k(Full());
    g_result = 42;
    std::string name = "old";
    EXPECT_EQ(k.GetProgress(name), 42);
    EXPECT_EQ(name, std::string(259, 'n'));
    EXPECT_EQ(k.GetProgress(), 42);
    EXPECT_EQ(g_calls, (Texts{"GetProgress|clear", "GetProgress|clear"}));
}

TEST_F(KabbitTest, StopAnswersWhetherTheLibraryAccepted) {
    TKabbit k(Full());
    g_result = 1;
    EXPECT_TRUE(k.Stop(reinterpret_cast<void*>(uintptr_t{77})));
    g_result = 0;
    EXPECT_FALSE(k.Stop(nullptr));
    EXPECT_EQ(g_calls, (Texts{"Stop|77", "Stop|0"}));
}

TEST_F(KabbitTest, SetWorkingDirCreatesOneLevelAndPassesATrailingBackslash) {
    kb::testing::TempDir dir;
    TKabbit k(Full());
    const std::string work = dir / "QZTemp";
    k.SetWorkingDir(work);
    EXPECT_TRUE(fs::FolderExists(work));
    EXPECT_EQ(k.WorkingFolder(), work);
    k.SetWorkingDir(work + "\\");
    EXPECT_EQ(k.WorkingFolder(), work + "\\");
    k.SetWorkingDir(dir / "a\\b");  // the parent is missing: nothing is made, the library is told all the same
    EXPECT_FALSE(fs::FolderExists(dir / "a"));
    EXPECT_EQ(g_calls, (Texts{"SetWorkingDir|" + work + "\\", "SetWorkingDir|" + work + "\\",
                              "SetWorkingDir|" + (dir / "a\\b") + "\\"}));
}

TEST_F(KabbitTest, UnboundFunctionsFailWithoutACall) {
    TKabbit k(nullptr);
    k.packPath = "p.pck";
    k.packPassword = "password";
    EXPECT_EQ(k.UnPack("C:\\out", "a"), -1);
    std::string name = "old";
    EXPECT_EQ(k.GetProgress(name), -1);
    EXPECT_EQ(name, "");
    EXPECT_FALSE(k.Stop(nullptr));
    kb::testing::TempDir dir;
    k.SetWorkingDir(dir / "w");
    EXPECT_EQ(k.WorkingFolder(), dir / "w");
    EXPECT_TRUE(g_calls.empty());
}

TEST(KabbitErrors, KnownCodesHaveTheirTextAndOthersAreUnknown) {
    EXPECT_EQ(TKabbit::GetErrorString(static_cast<int>(0x80000032u)), "Password is wrong.");
    for (int code : {0, 2, -1, 101, static_cast<int>(0x80000224u)})
        EXPECT_EQ(TKabbit::GetErrorString(code), "Unknown error.");
}

// An archive of fake entries: names by index, bodies by name.
struct FakeArchive {
    int count = 0;
    int maxNameLength = 0;
    std::map<int, std::string> names;       // written with their terminator
    std::set<int> failing;                  // GetName fails for these
    std::map<std::string, std::string> bodies;
    int loadResult = 0;
} g_archive;

int CALL FakeGetCount(const char* archive, int* slots, int* maxNameLength) {
    g_calls.push_back(std::string("GetCount|") + archive + "|" + (slots ? "slots" : "null"));
    if (maxNameLength) *maxNameLength = g_archive.maxNameLength;
    return g_archive.count;
}
int CALL FakeGetName(const char*, int index, char* buffer, int bufferSize) {
    if (g_archive.failing.count(index)) return -21;
    const std::string& n = g_archive.names[index];
    // Writes bufferSize + 1 bytes at most, as the library may.
    const size_t len = std::min(n.size(), static_cast<size_t>(bufferSize) + 1);
    std::memcpy(buffer, n.data(), len);
    if (len <= static_cast<size_t>(bufferSize)) buffer[len] = '\0';
    return 0;
}
int CALL FakeLoadByName(const char* archive, const char* name, ArkMemStream* stream) {
    g_calls.push_back(std::string("LoadByName|") + archive + "|" + name);
    if (g_archive.loadResult < 0) return g_archive.loadResult;
    auto it = g_archive.bodies.find(name);
    if (it == g_archive.bodies.end()) return -1;
    if (stream->resize(stream, static_cast<uint32_t>(it->second.size())) != 0) return -52;
    if (!it->second.empty()) std::memcpy(stream->data, it->second.data(), it->second.size());
    return 3;
}

class RecordingGraphic final : public Graphic {
public:
    bool accept = true;
    std::vector<uint8_t> bytes;
    bool LoadFromBytes(const std::vector<uint8_t>& b) override {
        if (!accept) return false;
        bytes = b;
        return true;
    }
};

class ArkstowTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_calls.clear();
        g_archive = FakeArchive{};
    }
    std::unique_ptr<DynamicLibrary> Full() {
        return Library(kArkstowFunctions, {{"GetCount", Fn(&FakeGetCount)},
                                           {"GetName", Fn(&FakeGetName)},
                                           {"LoadByName", Fn(&FakeLoadByName)}});
    }
    RecordingSink sink;
};

TEST_F(ArkstowTest, OpenArchiveListsNamesAndSkipsThoseThatCannotBeRead) {
    g_archive.count = 4;
    g_archive.maxNameLength = 6;
    g_archive.names = {{0, "bg.bmp"}, {1, "x"}, {3, "btn.rgn"}};  // entry 3 is longer than the longest
    g_archive.failing = {2};
    TArkstow a(Full());
    a.OpenArchive("C:\\skin\\Common.arc");
    EXPECT_EQ(a.LastResult(), 0);
    EXPECT_EQ(a.EntryCount(), 4);
    EXPECT_EQ(a.ArchivePath(), "C:\\skin\\Common.arc");
    // "x" is not followed by what "bg.bmp" left; the over-long name is cut at 7 bytes.
    EXPECT_EQ(a.EntryNames(), (Texts{"bg.bmp", "x", "btn.rgn"}));
    EXPECT_EQ(g_calls, Texts{"GetCount|C:\\skin\\Common.arc|null"});
}

TEST_F(ArkstowTest, AnArchiveThatCannotBeCountedLeavesNothingOpen) {
    g_archive.count = 1;
    g_archive.maxNameLength = 1;
    g_archive.names = {{0, "a"}};
    g_archive.bodies = {{"a", "body"}};
    TArkstow a(Full());
    a.OpenArchive("C:\\one.arc");
    ASSERT_EQ(a.EntryNames(), Texts{"a"});
    g_archive.count = -10;
    a.OpenArchive("C:\\missing.arc");
    EXPECT_EQ(a.LastResult(), -10);
    EXPECT_TRUE(a.EntryNames().empty());
    EXPECT_EQ(a.EntryCount(), 0);
    EXPECT_EQ(a.ArchivePath(), "");
    RecordingGraphic g;
    g_archive.loadResult = -10;
    EXPECT_FALSE(a.LoadGraphic("a", g));
    EXPECT_EQ(a.LastResult(), -10);
    EXPECT_TRUE(g.bytes.empty());
    EXPECT_EQ(g_calls.back(), "LoadByName||a");
}

TEST_F(ArkstowTest, LoadToStreamAndLoadGraphicHandOverTheEntrysBytes) {
    g_archive.count = 1;
    g_archive.bodies = {{"bg.bmp", std::string("BM\0\x01xyz", 7)}, {"empty", ""}};
    TArkstow a(Full());
    a.OpenArchive("C:\\Common.arc");
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(a.LoadToStream("bg.bmp", bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), std::string("BM\0\x01xyz", 7));
    EXPECT_EQ(a.LastResult(), 3);
    ASSERT_TRUE(a.LoadToStream("empty", bytes));
    EXPECT_TRUE(bytes.empty());
    EXPECT_FALSE(a.LoadToStream("none", bytes));
    EXPECT_EQ(a.LastResult(), -1);

    RecordingGraphic g;
    ASSERT_TRUE(a.LoadGraphic("bg.bmp", g));
    EXPECT_EQ(g.bytes.size(), 7u);
    RecordingGraphic refusing;
    refusing.accept = false;
    EXPECT_FALSE(a.LoadGraphic("bg.bmp", refusing));
    EXPECT_TRUE(refusing.bytes.empty());
}

TEST_F(ArkstowTest, UnboundFunctionsGiveNoNamesAndFailedLoads) {
    TArkstow a(Library(kArkstowFunctions, {}, {"GetCount", "LoadByName"}));
    a.OpenArchive("C:\\Common.arc");
    EXPECT_LT(a.LastResult(), 0);
    EXPECT_TRUE(a.EntryNames().empty());
    RecordingGraphic g;
    EXPECT_FALSE(a.LoadGraphic("bg.bmp", g));
    std::vector<uint8_t> bytes;
    EXPECT_FALSE(a.LoadToStream("bg.bmp", bytes));
    EXPECT_TRUE(g_calls.empty());
}

int CALL Answer3() { return 3; }
int CALL Answer0() { return 0; }

TEST(Spurlane, AnswersAreTrueForNonZero) {
    RecordingSink sink;
    TSpurlane s(Library(kSpurlaneFunctions, {{"IsExistInstKey", Fn(&Answer3)}, {"IsExistNeedRebootKey", Fn(&Answer0)}}));
    EXPECT_TRUE(s.IsExistInstKey());
    EXPECT_FALSE(s.IsExistNeedRebootKey());
    TSpurlane partial(Library(kSpurlaneFunctions, {{"IsExistInstKey", Fn(&Answer3)}}, {"IsExistInstKey"}));
    EXPECT_FALSE(partial.IsExistInstKey());
}

int g_adminAnswer = 0;
std::string g_loadedPath;
enum class KellmarkKind { Missing, NoFunction, Answering } g_kellmark = KellmarkKind::Answering;
int CALL FakeIsAdministrator() { return g_adminAnswer; }
std::unique_ptr<DynamicLibrary> LoadKellmark(const std::string& path) {
    g_loadedPath = path;
    if (g_kellmark == KellmarkKind::Missing) return nullptr;
    if (g_kellmark == KellmarkKind::NoFunction) return std::make_unique<FakeLibrary>(std::map<std::string, void*>{});
    return std::make_unique<FakeLibrary>(std::map<std::string, void*>{{"IsAdministrator", Fn(&FakeIsAdministrator)}});
}

TEST(Kellmark, AnswersAndReports) {
    const struct {
        KellmarkKind kind;
        int answer;
        int result;
        Texts texts;
    } rows[] = {
        {KellmarkKind::Missing, 1, -1, {"Sorvex|Cannot load Kellmark.dll"}},
        {KellmarkKind::NoFunction, 1, -1, {"Sorvex|IsAdministrator() not found in Kellmark.dll"}},
        {KellmarkKind::Answering, 1, 1, {}},
        {KellmarkKind::Answering, 0, 0, {}},
        {KellmarkKind::Answering, 0x100, 0, {}},  // only the low byte counts
        {KellmarkKind::Answering, 0x1FF, 1, {}},
        {KellmarkKind::Answering, -1, 1, {}},
    };
    for (const auto& r : rows) {
        RecordingSink sink;
        g_kellmark = r.kind;
        g_adminAnswer = r.answer;
        EXPECT_EQ(KellmarkIsAdministrator("C:\\x\\Kellmark.dll", &LoadKellmark), r.result);
        EXPECT_EQ(g_loadedPath, "C:\\x\\Kellmark.dll");
        EXPECT_EQ(TextsOf(sink), r.texts);
    }
    KellmarkIsAdministrator("", &LoadKellmark);
    EXPECT_EQ(g_loadedPath, BesideThisModule("Kellmark.dll"));
}

TEST(Kellmark, TheWriteTestsAnswerComesFromTheManagerBesideTheLoaderOnce) {
    RecordingSink sink;
    AdminAnswer admin = KellmarkAdminAnswer();  // no Kellmark library beside the tests
    EXPECT_FALSE(admin.IsAdmin());
    EXPECT_FALSE(admin.IsAdmin());
    EXPECT_EQ(TextsOf(sink), Texts{"Sorvex|Cannot load Kellmark.dll"});
}

}  // namespace
}  // namespace kb::loader
