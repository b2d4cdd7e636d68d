// What the launcher does differently per edition, as data and pure rules: the
// archives it extracts, the disc checker's rules over facts gathered from the
// drive, the program it starts and its command line, the names in its
// messages, the programs it must not run beside, and its mutex. Also the
// driver-environment request record and result, and the splash font's
// charset and height.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kb::launcher {

// [Initial] TargetApp.
inline constexpr int kEditionVeltrin = 100;  // the encrypted-disc edition's own program
inline constexpr int kEditionSolmir = 101;
inline constexpr int kEditionCryvane = 102;
inline constexpr int kEditionZepqua = 103;
inline constexpr int kEditionVornal = 104;
inline constexpr int kDefaultTargetApp = kEditionVeltrin;

// ---------------------------------------------------------------- archives

// User default language ids with archives of their own (whole 16-bit ids).
inline constexpr uint16_t kLangGermanGermany = 1031;
inline constexpr uint16_t kLangFrenchFrance = 1036;

// File names in the launcher's folder; skin is empty when the edition has none.
struct EditionArchives {
    std::string module;
    std::string skin;
};

// The archives of targetApp (userLangId matters for 102 only); nullopt for a
// number outside 100 to 104.
std::optional<EditionArchives> SelectArchives(int targetApp, uint16_t userLangId);

// ---------------------------------------------------------------- disc checker

// Paths on the disc, each put after the drive letter.
inline constexpr char kDiscVeltrinModule[] = ":\\Module\\Veltrin.exe";
inline constexpr char kDiscVeltrinControl[] = ":\\VeltraCdCtrl";
inline constexpr char kDiscVeltrinIndex[] = ":\\VeltrinCDIndex";
inline constexpr char kDiscSkinArchive[] = ":\\Launcher\\Default\\Skin.ach";
inline constexpr char kDiscSolmirControl[] = ":\\SolmirCdCtrl";
inline constexpr char kDiscSessions[] = ":\\Sessions.pck";
inline constexpr char kDiscCryvaneSettings[] = ":\\Launcher\\QZSystem_de.ini";
inline constexpr char kDiscZepquaSplash[] = ":\\Launcher\\Default\\Splash.arc";
inline constexpr char kDiscRootPattern[] = ":\\*.*";

// The drive letter followed by one of the paths above.
std::string DiscPath(char drive, std::string_view path);

// The disc control file: bytes read into a cleared 128-byte buffer; bit 0 of
// byte 100 set means the disc needs no driver check.
inline constexpr size_t kControlReadSize = 128;
inline constexpr size_t kControlFlagsOffset = 100;

// Root titles longer than this many bytes mark a written edition-100 disc.
inline constexpr size_t kLongTitleBytes = 60;

// One file as the checker sees it.
struct DiscFile {
    bool existing = false;  // an entry that is not a folder (IsExistingFile)
    uint32_t size = 0;      // low 32 bits, opened for reading without sharing; 0 when it cannot be opened
};

// One entry of the root search, "." and ".." included.
struct DiscEntry {
    std::string name;
    bool folder = false;
};

// What the platform found on the drive, keyed by the paths above.
struct DiscFacts {
    std::map<std::string, DiscFile, std::less<>> files;
    // The bytes read (up to kControlReadSize) from each control file that
    // could be opened and read.
    std::map<std::string, std::string, std::less<>> controlFiles;
    std::vector<DiscEntry> rootEntries;
};

// What the platform has to find out for one edition's checker.
struct DiscQuestions {
    std::vector<std::string> files;        // existence and size
    std::vector<std::string> controlFiles; // contents
    bool scanRoot = false;                 // list kDiscRootPattern
};
DiscQuestions DiscQuestionsFor(int targetApp);

// The checker's four answers; every number outside 100 to 104 answers 0.
int IsEditionDisc(int targetApp, const DiscFacts& facts);
int DiscVersionCode(int targetApp, const DiscFacts& facts);
int IsDriverCheckFree(int targetApp, const DiscFacts& facts);
int IsDataWritten(int targetApp, const DiscFacts& facts);

// Version code of a size of ":\Module\Veltrin.exe" (100) or of
// ":\Launcher\Default\Skin.ach" (101); 0 for every other size or edition.
int VersionCodeFromSize(int targetApp, uint32_t size);

// Bit 0 of byte 100 of what was read; 0 for fewer than 101 bytes.
int ControlBytesSayCheckFree(std::string_view bytes);

// True when an entry that is not a folder, "." or "..", has a title (the name
// before its last dot) longer than kLongTitleBytes.
bool RootHasLongTitle(const std::vector<DiscEntry>& entries);

// CheckDisc's result: passed, or the message that says why not. The version
// code and driver flag are set only once the steps that produce them ran.
struct DiscCheck {
    bool passed = false;
    int messageId = -1;  // kMsgInvalidDisc or kMsgNoDataWritten when not passed
    std::optional<int> versionCode;
    std::optional<int> driverCheckFree;
};
// In order: not the edition's disc: message 7; version code 0: message 7;
// driver flag read; no data: message 8. An unknown edition gives message 7.
DiscCheck CheckDiscFacts(int targetApp, const DiscFacts& facts);

// Edition name for messages 7 and 8; empty for an unknown number.
std::string EditionName(int targetApp);

// ---------------------------------------------------------------- starters

// A program start through the shell ("open", no directory, SW_SHOWNORMAL).
struct ShellStart {
    std::string file;
    std::string parameters;
};

// The edition's program in the work folder (no trailing backslash) with
// "/D:<letter> /H:<owner, signed decimal> <third switch>"; nullopt for a
// number outside 100 to 104.
std::optional<ShellStart> StartCommandFor(int targetApp, std::string_view workFolder, char drive,
                                          int64_t ownerWindow, int versionCode);

// The eraser: "<work>\Delvane.exe" with " /W:4 /X:2 /E:<work>", the folder
// unquoted as the eraser parses it.
ShellStart EraserCommand(std::string_view workFolder);

// ---------------------------------------------------------------- family programs

// A program of the family: its mutex (without namespace) and the window to
// bring forward when it runs.
struct ProgramProbe {
    const char* mutex;
    const char* windowClass;
    const char* windowTitle;
};
inline constexpr ProgramProbe kProbeLauncherFamily{"QZOstrevan", "CQZApplication", "QZLauncher"};
inline constexpr ProgramProbe kProbeEraser{"QZDelvane", "CQZApplication", "QZEraser"};
inline constexpr ProgramProbe kProbeVeltrinProgram{"VELTRIN_APPLICATION", "VELTRIN_APPLICATION", "VELTRIN_APPLICATION"};
inline constexpr ProgramProbe kProbeVeltrinUtility{"VELTRIN_UTIL_APPLICATION", "VELTRIN_APPLICATION", "VELTRIN_APPLICATION"};
inline constexpr ProgramProbe kProbeWriterA{"TARVEL_WIN_WRITER", "TApplication", "Scrivane"};
inline constexpr ProgramProbe kProbeLoaderA{"TARVEL_WIN_LOADER", "TApplication", "Lumar"};
inline constexpr ProgramProbe kProbeWriterB{"TARVEL_WIN_WRITER", "TApplication", "Mondrake"};
inline constexpr ProgramProbe kProbeLoaderB{"TARVEL_WIN_LOADER", "TApplication", "Sorvex"};
inline constexpr ProgramProbe kProbeSelectorB{"TARVEL_WIN_SELECTOR", "TApplication", "Welcome"};
inline constexpr ProgramProbe kProbeLauncherItself{"DremlinMutex", "", "Dremlin"};

// The probes after the launcher-family probe (which always runs first and
// ends the check), and the name message 3 gets. With stopAtFirst a probe runs
// only while the ones before it found nothing; else every probe runs.
struct ConflictPlan {
    std::string messageName;
    std::vector<ProgramProbe> probes;
    bool stopAtFirst = false;
};
ConflictPlan ConflictPlanFor(int targetApp);

// ---------------------------------------------------------------- mutexes

// A mutex the launcher holds: its full name as created, and the window to
// bring forward when it is taken.
struct MutexSpec {
    std::string name;
    std::string windowClass;
    std::string windowTitle;
};
MutexSpec OwnMutexSpec();             // "Global\DremlinMutex" on every version
MutexSpec LauncherLocalMutexSpec();   // "Local\QZOstrevan"
MutexSpec LauncherGlobalMutexSpec();  // "Global\QZOstrevan"
// 100 and 103 only; "Global\" in front when the namespace is used.
std::optional<MutexSpec> EditionMutexSpec(int targetApp, bool globalNamespace);

// Every edition but 100 lets go of its mutex before its program starts.
bool ReleasesEditionMutexBeforeStart(int targetApp);

// Editions 102 and 104 move the comment edit once the start has succeeded.
bool MovesCommentControl(int targetApp);
struct ControlRect {
    int x, y, width, height;  // pixels in the dialog's client area
};
inline constexpr ControlRect kMovedCommentRect{10, 30, 250, 20};

// ---------------------------------------------------------------- driver environment

inline constexpr int kDriverActions = 33;  // given to SetActions

// CheckDriverEnvironment's results.
inline constexpr int kDriverReady = 100;
inline constexpr int kDriverCheckFailed = 101;
inline constexpr int kDriverInstallNeeded = 104;
inline constexpr int kDriverInstallNeededAlt = 105;

// CheckEnvironment's return (nullopt: the library or a function could not be
// bound): 1 gives 100, 9 gives 104, 10 gives 105, anything else 101.
int MapDriverResult(std::optional<int> checkEnvironmentResult);

// The request record CheckEnvironment gets by address: 524 bytes, no padding.
inline constexpr size_t kDriverRequestFlagsOffset = 0;
inline constexpr size_t kDriverRequestFlagsSize = 4;
inline constexpr size_t kDriverRequestLauncherPathOffset = 4;
inline constexpr size_t kDriverRequestPathSize = 260;
inline constexpr size_t kDriverRequestIniPathOffset = 264;
inline constexpr size_t kDriverRequestSize = 524;
static_assert(kDriverRequestLauncherPathOffset == kDriverRequestFlagsOffset + kDriverRequestFlagsSize);
static_assert(kDriverRequestIniPathOffset == kDriverRequestLauncherPathOffset + kDriverRequestPathSize);
static_assert(kDriverRequestSize == kDriverRequestIniPathOffset + kDriverRequestPathSize);
using DriverRequestBytes = std::array<uint8_t, kDriverRequestSize>;

inline constexpr char kDriverManagerDll[] = "\\Kellmark.dll";  // after the work folder
inline constexpr char kDriverManagerIni[] = "\\Kellmark.ini";  // after the work folder

// The record for launcherPath and workFolder, zero-filled; nullopt when a
// path, with its terminating zero, does not fit its 260 bytes (the check is
// then reported as failed, never cut short) or holds a zero byte.
std::optional<DriverRequestBytes> BuildDriverRequest(std::string_view launcherPath, std::string_view workFolder);

// ---------------------------------------------------------------- splash font

inline constexpr char kDefaultCharsetName[] = "SHIFTJIS_CHARSET";
inline constexpr uint8_t kDefaultCharset = 128;
// "ＭＳ Ｐゴシック" in the Japanese code page.
inline constexpr char kDefaultFontFace[] = "\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E";
inline constexpr int kDefaultFontPoints = 9;

// The GDI charset of a [Font] CharSet name, compared upper-cased; any other
// name gives 128 and the name kDefaultCharsetName.
struct CharsetChoice {
    uint8_t charset;
    std::string name;
};
CharsetChoice CharsetFromName(std::string_view name);

// LOGFONT height of a size in points: points * 4 / 3 toward zero (9 gives 12),
// saturated at the int range for sizes a settings file can hold.
int FontHeightFromPoints(int points);

}  // namespace kb::launcher
