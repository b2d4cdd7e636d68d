#include "launcher/edition.h"

#include <climits>
#include <cstdio>
#include <cstring>

#include "launcher/message_table.h"

namespace kb::launcher {
namespace {

bool IsKnownEdition(int t) { return t >= kEditionVeltrin && t <= kEditionVornal; }

DiscFile FileFact(const DiscFacts& facts, std::string_view path) {
    auto it = facts.files.find(path);
    return it == facts.files.end() ? DiscFile{} : it->second;
}

bool Exists(const DiscFacts& facts, std::string_view path) { return FileFact(facts, path).existing; }

int ControlFileSaysCheckFree(const DiscFacts& facts, std::string_view path) {
    if (!Exists(facts, path)) return 0;
    auto it = facts.controlFiles.find(path);
    return it == facts.controlFiles.end() ? 0 : ControlBytesSayCheckFree(it->second);
}

constexpr uint32_t kSolmirSkinSizes[] = {2657582, 3030474, 3283348};
constexpr uint32_t kVornalSkinSize = 3598274;
constexpr int kFixedVersionCode = 16;

void PutPath(DriverRequestBytes& record, size_t offset, std::string_view path) {
    std::memcpy(record.data() + offset, path.data(), path.size());
}

}  // namespace

std::optional<EditionArchives> SelectArchives(int targetApp, uint16_t userLangId) {
    switch (targetApp) {
        case kEditionVeltrin:
            return EditionArchives{"Module_Veltra.ach", ""};
        case kEditionSolmir:
            return EditionArchives{"Module_jpn.ach", "skin_jpn.ach"};
        case kEditionCryvane:
            if (userLangId == kLangGermanGermany) return EditionArchives{"Module_de.ach", "skin_de.ach"};
            if (userLangId == kLangFrenchFrance) return EditionArchives{"Module_fr.ach", "skin_fr.ach"};
            return EditionArchives{"Module_others.ach", "skin_others.ach"};
        case kEditionZepqua:
            return EditionArchives{"Module_oem.ach", "skin_oem.ach"};
        case kEditionVornal:
            return EditionArchives{"Module_others.ach", "skin_others.ach"};
        default:
            return std::nullopt;
    }
}

std::string DiscPath(char drive, std::string_view path) { return std::string(1, drive) + std::string(path); }

DiscQuestions DiscQuestionsFor(int targetApp) {
    switch (targetApp) {
        case kEditionVeltrin:
            return {{kDiscVeltrinModule, kDiscVeltrinControl, kDiscVeltrinIndex}, {kDiscVeltrinControl}, true};
        case kEditionSolmir:
            return {{kDiscSkinArchive, kDiscSolmirControl, kDiscSessions}, {kDiscSolmirControl}, false};
        case kEditionCryvane:
            return {{kDiscCryvaneSettings, kDiscSessions}, {}, false};
        case kEditionZepqua:
            return {{kDiscZepquaSplash, kDiscSessions}, {}, false};
        case kEditionVornal:
            return {{kDiscSkinArchive, kDiscSessions}, {}, false};
        default:
            return {};
    }
}

int VersionCodeFromSize(int targetApp, uint32_t size) {
    if (targetApp == kEditionVeltrin) {
        switch (size) {
            case 122880:
            case 188416:
            case 192512:
                return 16;
            case 233472:
                return 32;
            case 372736:
                return 33;
            default:
                return 0;
        }
    }
    if (targetApp == kEditionSolmir) {
        if (size == kSolmirSkinSizes[0]) return 16;
        if (size == kSolmirSkinSizes[1]) return 17;
        if (size == kSolmirSkinSizes[2]) return 18;
    }
    return 0;
}

int IsEditionDisc(int targetApp, const DiscFacts& facts) {
    switch (targetApp) {
        case kEditionVeltrin:
            return Exists(facts, kDiscVeltrinModule);
        case kEditionSolmir: {
            const DiscFile f = FileFact(facts, kDiscSkinArchive);
            if (!f.existing) return 0;
            for (uint32_t size : kSolmirSkinSizes)
                if (f.size == size) return 1;
            return 0;
        }
        case kEditionCryvane:
            return Exists(facts, kDiscCryvaneSettings);
        case kEditionZepqua:
            return Exists(facts, kDiscZepquaSplash);
        case kEditionVornal: {
            const DiscFile f = FileFact(facts, kDiscSkinArchive);
            return f.existing && f.size == kVornalSkinSize;
        }
        default:
            return 0;
    }
}

int DiscVersionCode(int targetApp, const DiscFacts& facts) {
    switch (targetApp) {
        case kEditionVeltrin:
            return VersionCodeFromSize(targetApp, FileFact(facts, kDiscVeltrinModule).size);
        case kEditionSolmir:
            return VersionCodeFromSize(targetApp, FileFact(facts, kDiscSkinArchive).size);
        case kEditionCryvane:
        case kEditionZepqua:
        case kEditionVornal:
            return kFixedVersionCode;
        default:
            return 0;
    }
}

int IsDriverCheckFree(int targetApp, const DiscFacts& facts) {
    if (targetApp == kEditionVeltrin) return ControlFileSaysCheckFree(facts, kDiscVeltrinControl);
    if (targetApp == kEditionSolmir) return ControlFileSaysCheckFree(facts, kDiscSolmirControl);
    return 0;
}

int IsDataWritten(int targetApp, const DiscFacts& facts) {
    if (targetApp == kEditionVeltrin) return Exists(facts, kDiscVeltrinIndex) && RootHasLongTitle(facts.rootEntries);
    if (IsKnownEdition(targetApp)) return Exists(facts, kDiscSessions);
    return 0;
}

int ControlBytesSayCheckFree(std::string_view bytes) {
    if (bytes.size() <= kControlFlagsOffset) return 0;
    return static_cast<unsigned char>(bytes[kControlFlagsOffset]) & 1;
}

bool RootHasLongTitle(const std::vector<DiscEntry>& entries) {
    for (const DiscEntry& e : entries) {
        if (e.folder || e.name == "." || e.name == "..") continue;
        // A dot is never a trail byte, so the last one ends the title.
        const size_t dot = e.name.rfind('.');
        const size_t title = dot == std::string::npos ? e.name.size() : dot;
        if (title > kLongTitleBytes) return true;
    }
    return false;
}

DiscCheck CheckDiscFacts(int targetApp, const DiscFacts& facts) {
    DiscCheck check;
    check.messageId = kMsgInvalidDisc;
    if (!IsEditionDisc(targetApp, facts)) return check;
    check.versionCode = DiscVersionCode(targetApp, facts);
    if (*check.versionCode == 0) return check;
    check.driverCheckFree = IsDriverCheckFree(targetApp, facts);
    if (!IsDataWritten(targetApp, facts)) {
        check.messageId = kMsgNoDataWritten;
        return check;
    }
    check.passed = true;
    check.messageId = -1;
    return check;
}

std::string EditionName(int targetApp) {
    switch (targetApp) {
        case kEditionVeltrin:
            return "Veltrin";
        case kEditionSolmir:
            return "SOLMIR";
        case kEditionCryvane:
        case kEditionVornal:
            return "Cryvane";
        case kEditionZepqua:
            return "Vornal\x83\x66\x83\x42\x83\x58\x83\x4E";  // "Vornalディスク"
        default:
            return "";
    }
}

std::optional<ShellStart> StartCommandFor(int targetApp, std::string_view workFolder, char drive, int64_t ownerWindow,
                                          int versionCode) {
    std::string program;
    std::string third;
    switch (targetApp) {
        case kEditionVeltrin: {
            char hex[16];
            std::snprintf(hex, sizeof hex, "%X", static_cast<unsigned>(versionCode));
            program = "VeltrinForUtil.exe";
            third = std::string("/V:") + hex;
            break;
        }
        case kEditionSolmir:
            program = "lumarforutil.exe";
            third = "/A:SOLMIR";
            break;
        case kEditionCryvane:
        case kEditionVornal:
            program = "lumarforutil.exe";
            third = "/A:CRYVANE";
            break;
        case kEditionZepqua:
            program = "lumarforutil.exe";
            third = "/A:ZEPQUA";
            break;
        default:
            return std::nullopt;
    }
    ShellStart start;
    start.file = std::string(workFolder) + "\\" + program;
    start.parameters = "/D:" + std::string(1, drive) + " /H:" + std::to_string(ownerWindow) + " " + third;
    return start;
}

ShellStart EraserCommand(std::string_view workFolder) {
    return {std::string(workFolder) + "\\Delvane.exe", " /W:4 /X:2 /E:" + std::string(workFolder)};
}

ConflictPlan ConflictPlanFor(int targetApp) {
    switch (targetApp) {
        case kEditionVeltrin:
            return {"Veltrin", {kProbeVeltrinProgram, kProbeVeltrinUtility}, true};
        case kEditionSolmir:
            return {"SOLMIR", {kProbeWriterA, kProbeLoaderA}, false};
        case kEditionCryvane:
        case kEditionVornal:
            return {"Cryvane", {kProbeWriterB, kProbeLoaderB, kProbeSelectorB}, false};
        default:
            // "Vornalディスクアプリケーション"
            return {"Vornal\x83\x66\x83\x42\x83\x58\x83\x4E\x83\x41\x83\x76\x83\x8A\x83\x50\x81\x5B\x83\x56\x83\x87\x83\x93",
                    {kProbeWriterA, kProbeLoaderA},
                    false};
    }
}

MutexSpec OwnMutexSpec() { return {"Global\\DremlinMutex", "", "Dremlin"}; }
MutexSpec LauncherLocalMutexSpec() { return {"Local\\QZOstrevan", "CQZApplication", "QZLauncher"}; }
MutexSpec LauncherGlobalMutexSpec() { return {"Global\\QZOstrevan", "CQZApplication", "QZLauncher"}; }

std::optional<MutexSpec> EditionMutexSpec(int targetApp, bool globalNamespace) {
    const std::string prefix = globalNamespace ? "Global\\" : "";
    if (targetApp == kEditionZepqua) return MutexSpec{prefix + "TARVEL_WIN_WRITER", "TApplication", "Scrivane"};
    if (targetApp == kEditionVeltrin)
        return MutexSpec{prefix + "VELTRIN_APPLICATION", "VELTRIN_APPLICATION", "VELTRIN_APPLICATION"};
    return std::nullopt;
}

bool ReleasesEditionMutexBeforeStart(int targetApp) { return targetApp != kEditionVeltrin; }

bool MovesCommentControl(int targetApp) { return targetApp == kEditionCryvane || targetApp == kEditionVornal; }

int MapDriverResult(std::optional<int> checkEnvironmentResult) {
    if (!checkEnvironmentResult) return kDriverCheckFailed;
    switch (*checkEnvironmentResult) {
        case 1:
            return kDriverReady;
        case 9:
            return kDriverInstallNeeded;
        case 10:
            return kDriverInstallNeededAlt;
        default:
            return kDriverCheckFailed;
    }
}

std::optional<DriverRequestBytes> BuildDriverRequest(std::string_view launcherPath, std::string_view workFolder) {
    const std::string iniPath = std::string(workFolder) + kDriverManagerIni;
    for (std::string_view path : {launcherPath, std::string_view(iniPath)})
        if (path.size() >= kDriverRequestPathSize || path.find('\0') != std::string_view::npos) return std::nullopt;
    DriverRequestBytes record{};  // flags 0 and zero-filled paths
    PutPath(record, kDriverRequestLauncherPathOffset, launcherPath);
    PutPath(record, kDriverRequestIniPathOffset, iniPath);
    return record;
}

CharsetChoice CharsetFromName(std::string_view name) {
    static constexpr std::pair<std::string_view, uint8_t> kCharsets[] = {
        {"ANSI_CHARSET", 0},         {"BALTIC_CHARSET", 186},  {"CHINESEBIG5_CHARSET", 136},
        {"DEFAULT_CHARSET", 1},      {"EASTEUROPE_CHARSET", 238}, {"GB2312_CHARSET", 134},
        {"GREEK_CHARSET", 161},      {"HANGEUL_CHARSET", 129}, {"MAC_CHARSET", 77},
        {"OEM_CHARSET", 255},        {"RUSSIAN_CHARSET", 204}, {"SHIFTJIS_CHARSET", 128},
        {"SYMBOL_CHARSET", 2},       {"TURKISH_CHARSET", 162}, {"VIETNAMESE_CHARSET", 163},
        {"JOHAB_CHARSET", 130},      {"ARABIC_CHARSET", 178},  {"HEBREW_CHARSET", 177},
        {"THAI_CHARSET", 222},
    };
    // Every name of the table is ASCII: only ASCII letters need upper-casing.
    std::string upper(name);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    for (const auto& [n, charset] : kCharsets)
        if (upper == n) return {charset, std::string(name)};
    return {kDefaultCharset, kDefaultCharsetName};
}

int FontHeightFromPoints(int points) {
    const int64_t height = static_cast<int64_t>(points) * 4 / 3;
    if (height > INT_MAX) return INT_MAX;
    if (height < INT_MIN) return INT_MIN;
    return static_cast<int>(height);
}

}  // namespace kb::launcher
