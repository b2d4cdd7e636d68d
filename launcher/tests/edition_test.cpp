// The edition table: archives, the disc checker over disc facts, command
// lines, names, family probes, mutexes, the driver record and result, and the
// splash font.
#include <climits>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "launcher/edition.h"
#include "launcher/message_table.h"

namespace kb::launcher {
namespace {

// Disc facts built row by row.
struct Disc {
    DiscFacts facts;
    Disc& File(const char* path, uint32_t size = 1) {
        facts.files[path] = DiscFile{true, size};
        return *this;
    }
    Disc& Control(const char* path, std::string bytes) {
        File(path, static_cast<uint32_t>(bytes.size()));
        facts.controlFiles[path] = std::move(bytes);
        return *this;
    }
    Disc& Root(std::initializer_list<DiscEntry> entries) {
        facts.rootEntries.insert(facts.rootEntries.end(), entries);
        return *this;
    }
};

std::string ControlBytes(unsigned char flags, size_t size = kControlReadSize) {
    std::string bytes(size, '\0');
    if (size > kControlFlagsOffset) bytes[kControlFlagsOffset] = static_cast<char>(flags);
    return bytes;
}

const std::string k60(60, 'T');
const std::string k61(61, 'T');

Disc VeltrinDisc(uint32_t size = 233472) {
    Disc d;
    d.File(kDiscVeltrinModule, size).File(kDiscVeltrinIndex).Control(kDiscVeltrinControl, ControlBytes(0x01));
    d.Root({{".", true}, {"..", true}, {"short.txt", false}, {k61 + ".dat", false}});
    return d;
}

Disc SolmirDisc(uint32_t size = 2657582, unsigned char flags = 0x00) {
    Disc d;
    d.File(kDiscSkinArchive, size).File(kDiscSessions).Control(kDiscSolmirControl, ControlBytes(flags));
    return d;
}

TEST(Edition, ArchivesByEditionAndLanguage) {
    const struct {
        int edition;
        uint16_t lang;
        const char* module;
        const char* skin;
    } rows[] = {
        {100, 1033, "Module_Veltra.ach", ""},
        {101, 1031, "Module_jpn.ach", "skin_jpn.ach"},
        {102, 1031, "Module_de.ach", "skin_de.ach"},
        {102, 1036, "Module_fr.ach", "skin_fr.ach"},
        {102, 2055, "Module_others.ach", "skin_others.ach"},  // German (Switzerland)
        {102, 3084, "Module_others.ach", "skin_others.ach"},  // French (Canada)
        {102, 1033, "Module_others.ach", "skin_others.ach"},
        {103, 1031, "Module_oem.ach", "skin_oem.ach"},
        {104, 1031, "Module_others.ach", "skin_others.ach"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(::testing::Message() << r.edition << "/" << r.lang);
        auto a = SelectArchives(r.edition, r.lang);
        ASSERT_TRUE(a.has_value());
        EXPECT_EQ(a->module, r.module);
        EXPECT_EQ(a->skin, r.skin);
    }
    for (int edition : {0, 99, 105, -100}) EXPECT_FALSE(SelectArchives(edition, 1033).has_value()) << edition;
}

TEST(Edition, DiscCheckerOverFacts) {
    auto with = [](Disc d, auto change) {
        change(d);
        return d;
    };
    auto drop = [](const char* path) { return [path](Disc& d) { d.facts.files.erase(path); }; };
    const struct {
        const char* what;
        int edition;
        Disc disc;
        bool passed;
        int message;
        std::optional<int> version, driverFree;
    } rows[] = {
        {"100 passes", 100, VeltrinDisc(), true, -1, 32, 1},
        {"100 size 122,880", 100, VeltrinDisc(122880), true, -1, 16, 1},
        {"100 size 188,416", 100, VeltrinDisc(188416), true, -1, 16, 1},
        {"100 size 192,512", 100, VeltrinDisc(192512), true, -1, 16, 1},
        {"100 size 372,736", 100, VeltrinDisc(372736), true, -1, 33, 1},
        {"100 unlisted size", 100, VeltrinDisc(233473), false, kMsgInvalidDisc, 0, std::nullopt},
        {"100 module unreadable", 100, VeltrinDisc(0), false, kMsgInvalidDisc, 0, std::nullopt},
        {"100 no module", 100, with(VeltrinDisc(), drop(kDiscVeltrinModule)), false, kMsgInvalidDisc, std::nullopt,
         std::nullopt},
        {"100 no index", 100, with(VeltrinDisc(), drop(kDiscVeltrinIndex)), false, kMsgNoDataWritten, 32, 1},
        {"100 title of 60 bytes", 100,
         with(VeltrinDisc(), [](Disc& d) { d.facts.rootEntries = {{k60 + ".dat", false}, {k60, false}}; }), false,
         kMsgNoDataWritten, 32, 1},
        {"100 folder with a long title", 100,
         with(VeltrinDisc(), [](Disc& d) { d.facts.rootEntries = {{k61, true}, {"..", true}}; }), false,
         kMsgNoDataWritten, 32, 1},
        {"100 long title without extension, last entry", 100,
         with(VeltrinDisc(), [](Disc& d) { d.facts.rootEntries = {{".", true}, {"a.txt", false}, {k61, false}}; }), true,
         -1, 32, 1},
        {"100 title is the text before the last dot", 100,
         with(VeltrinDisc(), [](Disc& d) { d.facts.rootEntries = {{k60 + ".x.y", false}}; }), true, -1, 32, 1},
        {"100 long name, short title", 100,
         with(VeltrinDisc(), [](Disc& d) { d.facts.rootEntries = {{k60 + "." + k61, false}}; }), false,
         kMsgNoDataWritten, 32, 1},
        {"100 control byte 0xFE", 100,
         with(VeltrinDisc(), [](Disc& d) { d.Control(kDiscVeltrinControl, ControlBytes(0xFE)); }), true, -1, 32, 0},
        {"100 no control file", 100, with(VeltrinDisc(), drop(kDiscVeltrinControl)), true, -1, 32, 0},
        {"101 passes, 2,657,582", 101, SolmirDisc(), true, -1, 16, 0},
        {"101 3,030,474", 101, SolmirDisc(3030474), true, -1, 17, 0},
        {"101 3,283,348", 101, SolmirDisc(3283348), true, -1, 18, 0},
        {"101 with the 104 size", 101, SolmirDisc(3598274), false, kMsgInvalidDisc, std::nullopt, std::nullopt},
        {"101 skin unreadable", 101, SolmirDisc(0), false, kMsgInvalidDisc, std::nullopt, std::nullopt},
        {"101 control 0x01", 101, SolmirDisc(2657582, 0x01), true, -1, 16, 1},
        {"101 control 0xFF", 101, SolmirDisc(2657582, 0xFF), true, -1, 16, 1},
        {"101 control 0xFE", 101, SolmirDisc(2657582, 0xFE), true, -1, 16, 0},
        {"101 control of 100 bytes", 101,
         with(SolmirDisc(), [](Disc& d) { d.Control(kDiscSolmirControl, std::string(100, '\xFF')); }), true, -1, 16, 0},
        {"101 control of 101 bytes", 101,
         with(SolmirDisc(), [](Disc& d) { d.Control(kDiscSolmirControl, std::string(101, '\x01')); }), true, -1, 16, 1},
        {"101 control exists but unreadable", 101,
         with(SolmirDisc(), [](Disc& d) { d.facts.controlFiles.clear(); }), true, -1, 16, 0},
        {"101 control read but not a file", 101,
         with(SolmirDisc(2657582, 0x01), [](Disc& d) { d.facts.files[kDiscSolmirControl].existing = false; }), true, -1,
         16, 0},
        {"101 no sessions", 101, with(SolmirDisc(), drop(kDiscSessions)), false, kMsgNoDataWritten, 16, 0},
        {"102 passes", 102, Disc().File(kDiscCryvaneSettings).File(kDiscSessions), true, -1, 16, 0},
        {"102 no settings", 102, Disc().File(kDiscSessions), false, kMsgInvalidDisc, std::nullopt, std::nullopt},
        {"102 no sessions", 102, Disc().File(kDiscCryvaneSettings), false, kMsgNoDataWritten, 16, 0},
        {"103 passes", 103, Disc().File(kDiscZepquaSplash).File(kDiscSessions), true, -1, 16, 0},
        {"103 with the 102 file only", 103, Disc().File(kDiscCryvaneSettings).File(kDiscSessions), false,
         kMsgInvalidDisc, std::nullopt, std::nullopt},
        {"104 passes", 104, Disc().File(kDiscSkinArchive, 3598274).File(kDiscSessions), true, -1, 16, 0},
        {"104 with a 101 size", 104, Disc().File(kDiscSkinArchive, 2657582).File(kDiscSessions), false,
         kMsgInvalidDisc, std::nullopt, std::nullopt},
        {"104 no sessions", 104, Disc().File(kDiscSkinArchive, 3598274), false, kMsgNoDataWritten, 16, 0},
        {"unknown edition", 99, SolmirDisc(), false, kMsgInvalidDisc, std::nullopt, std::nullopt},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        const DiscCheck c = CheckDiscFacts(r.edition, r.disc.facts);
        EXPECT_EQ(c.passed, r.passed);
        EXPECT_EQ(c.messageId, r.message);
        EXPECT_EQ(c.versionCode, r.version);
        EXPECT_EQ(c.driverCheckFree, r.driverFree);
    }
}

TEST(Edition, QuestionsCoverWhatTheCheckerReads) {
    // A disc answering only the questions asked passes whenever the full disc does.
    const struct {
        int edition;
        Disc disc;
    } rows[] = {
        {100, VeltrinDisc()},
        {101, SolmirDisc(3030474, 0x01)},
        {102, Disc().File(kDiscCryvaneSettings).File(kDiscSessions)},
        {103, Disc().File(kDiscZepquaSplash).File(kDiscSessions)},
        {104, Disc().File(kDiscSkinArchive, 3598274).File(kDiscSessions)},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.edition);
        const DiscQuestions q = DiscQuestionsFor(r.edition);
        DiscFacts asked;
        for (const auto& path : q.files) asked.files[path] = r.disc.facts.files.at(path);
        for (const auto& path : q.controlFiles) asked.controlFiles[path] = r.disc.facts.controlFiles.at(path);
        if (q.scanRoot) asked.rootEntries = r.disc.facts.rootEntries;
        const DiscCheck full = CheckDiscFacts(r.edition, r.disc.facts);
        const DiscCheck part = CheckDiscFacts(r.edition, asked);
        EXPECT_TRUE(full.passed);
        EXPECT_EQ(part.passed, full.passed);
        EXPECT_EQ(part.versionCode, full.versionCode);
        EXPECT_EQ(part.driverCheckFree, full.driverCheckFree);
        EXPECT_EQ(q.scanRoot, r.edition == 100);
    }
    EXPECT_TRUE(DiscQuestionsFor(99).files.empty());
    EXPECT_EQ(DiscPath('E', kDiscSessions), "E:\\Sessions.pck");
    EXPECT_EQ(DiscPath('Q', kDiscRootPattern), "Q:\\*.*");
}

TEST(Edition, CommandLines) {
    const std::string work = "C:\\users\\me\\Temp\\QZDiscUtil";
    const struct {
        int edition;
        int version;
        int64_t owner;
        const char* file;
        const char* parameters;
    } rows[] = {
        {100, 33, 65814, "\\VeltrinForUtil.exe", "/D:E /H:65814 /V:21"},
        {100, 32, 65814, "\\VeltrinForUtil.exe", "/D:E /H:65814 /V:20"},
        {100, 16, 65814, "\\VeltrinForUtil.exe", "/D:E /H:65814 /V:10"},
        {100, 255, 65814, "\\VeltrinForUtil.exe", "/D:E /H:65814 /V:FF"},
        {101, 16, 65814, "\\lumarforutil.exe", "/D:E /H:65814 /A:SOLMIR"},
        {102, 16, 65814, "\\lumarforutil.exe", "/D:E /H:65814 /A:CRYVANE"},
        {103, 16, 65814, "\\lumarforutil.exe", "/D:E /H:65814 /A:ZEPQUA"},
        {104, 16, 65814, "\\lumarforutil.exe", "/D:E /H:65814 /A:CRYVANE"},
        {101, 16, -2, "\\lumarforutil.exe", "/D:E /H:-2 /A:SOLMIR"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.parameters);
        auto s = StartCommandFor(r.edition, work, 'E', r.owner, r.version);
        ASSERT_TRUE(s.has_value());
        EXPECT_EQ(s->file, work + r.file);
        EXPECT_EQ(s->parameters, r.parameters);
    }
    EXPECT_FALSE(StartCommandFor(99, work, 'E', 1, 16).has_value());
    EXPECT_FALSE(StartCommandFor(105, work, 'E', 1, 16).has_value());

    const std::string blanks = "C:\\Documents and Settings\\me\\Temp\\QZDiscUtil";
    const ShellStart eraser = EraserCommand(blanks);
    EXPECT_EQ(eraser.file, blanks + "\\Delvane.exe");
    EXPECT_EQ(eraser.parameters, " /W:4 /X:2 /E:" + blanks);
}

TEST(Edition, NamesProbesAndMutexes) {
    const std::string vornal = "Vornal\x83\x66\x83\x42\x83\x58\x83\x4E";
    const std::string vornalApp = vornal + "\x83\x41\x83\x76\x83\x8A\x83\x50\x81\x5B\x83\x56\x83\x87\x83\x93";
    auto probes = [](std::initializer_list<ProgramProbe> list) {
        std::vector<std::string> v;
        for (const auto& p : list) v.push_back(std::string(p.mutex) + "|" + p.windowClass + "|" + p.windowTitle);
        return v;
    };
    const struct {
        int edition;
        std::string name, conflictName;
        std::vector<std::string> probes;
        bool stopAtFirst;
        const char* editionMutex;  // with the global namespace; null: none
        bool releasesBeforeStart, movesComment;
    } rows[] = {
        {100, "Veltrin", "Veltrin",
         probes({{"VELTRIN_APPLICATION", "VELTRIN_APPLICATION", "VELTRIN_APPLICATION"},
                 {"VELTRIN_UTIL_APPLICATION", "VELTRIN_APPLICATION", "VELTRIN_APPLICATION"}}),
         true, "Global\\VELTRIN_APPLICATION|VELTRIN_APPLICATION|VELTRIN_APPLICATION", false, false},
        {101, "SOLMIR", "SOLMIR",
         probes({{"TARVEL_WIN_WRITER", "TApplication", "Scrivane"}, {"TARVEL_WIN_LOADER", "TApplication", "Lumar"}}),
         false, nullptr, true, false},
        {102, "Cryvane", "Cryvane",
         probes({{"TARVEL_WIN_WRITER", "TApplication", "Mondrake"},
                 {"TARVEL_WIN_LOADER", "TApplication", "Sorvex"},
                 {"TARVEL_WIN_SELECTOR", "TApplication", "Welcome"}}),
         false, nullptr, true, true},
        {103, vornal, vornalApp,
         probes({{"TARVEL_WIN_WRITER", "TApplication", "Scrivane"}, {"TARVEL_WIN_LOADER", "TApplication", "Lumar"}}),
         false, "Global\\TARVEL_WIN_WRITER|TApplication|Scrivane", true, false},
        {104, "Cryvane", "Cryvane",
         probes({{"TARVEL_WIN_WRITER", "TApplication", "Mondrake"},
                 {"TARVEL_WIN_LOADER", "TApplication", "Sorvex"},
                 {"TARVEL_WIN_SELECTOR", "TApplication", "Welcome"}}),
         false, nullptr, true, true},
        {0, "", vornalApp,
         probes({{"TARVEL_WIN_WRITER", "TApplication", "Scrivane"}, {"TARVEL_WIN_LOADER", "TApplication", "Lumar"}}),
         false, nullptr, true, false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.edition);
        EXPECT_EQ(EditionName(r.edition), r.name);
        const ConflictPlan plan = ConflictPlanFor(r.edition);
        EXPECT_EQ(plan.messageName, r.conflictName);
        std::vector<std::string> got;
        for (const auto& p : plan.probes) got.push_back(std::string(p.mutex) + "|" + p.windowClass + "|" + p.windowTitle);
        EXPECT_EQ(got, r.probes);
        EXPECT_EQ(plan.stopAtFirst, r.stopAtFirst);
        auto m = EditionMutexSpec(r.edition, true);
        EXPECT_EQ(m.has_value(), r.editionMutex != nullptr);
        if (m) {
            EXPECT_EQ(m->name + "|" + m->windowClass + "|" + m->windowTitle, r.editionMutex);
        }
        auto local = EditionMutexSpec(r.edition, false);
        if (local && m) {
            EXPECT_EQ("Global\\" + local->name, m->name);
        }
        EXPECT_EQ(ReleasesEditionMutexBeforeStart(r.edition), r.releasesBeforeStart);
        EXPECT_EQ(MovesCommentControl(r.edition), r.movesComment);
    }
    const auto spec = [](const MutexSpec& m) { return m.name + "|" + m.windowClass + "|" + m.windowTitle; };
    EXPECT_EQ(spec(OwnMutexSpec()), "Global\\DremlinMutex||Dremlin");
    EXPECT_EQ(spec(LauncherLocalMutexSpec()), "Local\\QZOstrevan|CQZApplication|QZLauncher");
    EXPECT_EQ(spec(LauncherGlobalMutexSpec()), "Global\\QZOstrevan|CQZApplication|QZLauncher");
    EXPECT_EQ(probes({kProbeLauncherFamily, kProbeEraser, kProbeLauncherItself}),
              (std::vector<std::string>{"QZOstrevan|CQZApplication|QZLauncher", "QZDelvane|CQZApplication|QZEraser",
                                        "DremlinMutex||Dremlin"}));
}

TEST(Edition, DriverResults) {
    const std::vector<std::pair<std::optional<int>, int>> rows = {
        {std::nullopt, 101}, {1, 100}, {9, 104}, {10, 105}, {0, 101}, {2, 101}, {-1, 101}, {100, 101},
    };
    for (const auto& [in, out] : rows) EXPECT_EQ(MapDriverResult(in), out) << in.value_or(-999);
    EXPECT_EQ(kDriverActions, 33);
}

TEST(Edition, DriverRequestRecord) {
    const std::string launcher = "E:\\Launcher\\Dremlin.exe";
    const std::string work = "C:\\users\\me\\Temp\\QZDiscUtil";
    auto record = BuildDriverRequest(launcher, work);
    ASSERT_TRUE(record.has_value());
    ASSERT_EQ(record->size(), 524u);
    std::string expected(524, '\0');
    expected.replace(4, launcher.size(), launcher);
    const std::string ini = work + "\\Kellmark.ini";
    expected.replace(264, ini.size(), ini);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(record->data()), record->size()), expected);

    // A path and its zero fill at most 260 bytes; longer ones are refused, not cut.
    const std::string ini259(259 - std::strlen("\\Kellmark.ini"), 'w');
    EXPECT_TRUE(BuildDriverRequest(std::string(259, 'p'), ini259).has_value());
    EXPECT_FALSE(BuildDriverRequest(std::string(260, 'p'), work).has_value());
    EXPECT_FALSE(BuildDriverRequest(launcher, ini259 + "w").has_value());
    EXPECT_FALSE(BuildDriverRequest(std::string("a\0b", 3), work).has_value());
    auto longest = BuildDriverRequest(std::string(259, 'p'), ini259);
    ASSERT_TRUE(longest.has_value());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(longest->data()) + 4), std::string(259, 'p'));
    EXPECT_EQ((*longest)[263], 0);
}

TEST(Edition, CharsetNamesAndFontHeight) {
    const std::vector<std::pair<const char*, int>> names = {
        {"ANSI_CHARSET", 0},         {"BALTIC_CHARSET", 186},     {"CHINESEBIG5_CHARSET", 136},
        {"DEFAULT_CHARSET", 1},      {"EASTEUROPE_CHARSET", 238}, {"GB2312_CHARSET", 134},
        {"GREEK_CHARSET", 161},      {"HANGEUL_CHARSET", 129},    {"MAC_CHARSET", 77},
        {"OEM_CHARSET", 255},        {"RUSSIAN_CHARSET", 204},    {"SHIFTJIS_CHARSET", 128},
        {"SYMBOL_CHARSET", 2},       {"TURKISH_CHARSET", 162},    {"VIETNAMESE_CHARSET", 163},
        {"JOHAB_CHARSET", 130},      {"ARABIC_CHARSET", 178},     {"HEBREW_CHARSET", 177},
        {"THAI_CHARSET", 222},       {"greek_charset", 161},      {"Thai_Charset", 222},
    };
    for (const auto& [name, charset] : names) {
        const CharsetChoice c = CharsetFromName(name);
        EXPECT_EQ(c.charset, charset) << name;
        EXPECT_EQ(c.name, name);
    }
    for (const char* other : {"KOI8", "", "HANGUL_CHARSET", " ANSI_CHARSET", "ANSI_CHARSET\x81"}) {
        const CharsetChoice c = CharsetFromName(other);
        EXPECT_EQ(c.charset, 128) << other;
        EXPECT_EQ(c.name, "SHIFTJIS_CHARSET") << other;
    }
    const std::vector<std::pair<int, int>> heights = {
        {9, 12}, {0, 0}, {1, 1}, {2, 2}, {3, 4}, {10, 13}, {-9, -12}, {-10, -13},
        {INT_MAX, INT_MAX}, {INT_MIN, INT_MIN}, {1610612735, 2147483646},
    };
    for (const auto& [points, height] : heights) EXPECT_EQ(FontHeightFromPoints(points), height) << points;
}

}  // namespace
}  // namespace kb::launcher
