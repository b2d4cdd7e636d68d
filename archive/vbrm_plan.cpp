#include "archive/vbrm_plan.h"

#include "archive/vbrm_version.h"

namespace ark::vbrm {

namespace {
struct BitLine {
    uint32_t bit;
    const char* line;
};
constexpr BitLine kBitLines[] = {
    {kNotInstalled, "  Not Installed\n"},
    {kInstalled, "  Installed\n"},
    {kCodePageDiffers, "  CodePage Differ\n"},
    {kSystemOlder, "  System has older version\n"},
    {kSystemSame, "  System has same version\n"},
    {kSystemNewer, "  System has newer version\n"},
    {kComServer, "  Is COM server\n"},
    {kCannotAccess, "  Cannot access\n"},
    {kFailedBefore, "  Update failed before\n"},
    {kDoneBefore, "  Update done before\n"},
};
}  // namespace

std::string EntryReport(std::string_view name, uint32_t status) {
    std::string out(name);
    out += ":\n";
    for (const auto& b : kBitLines)
        if (status & b.bit) out += b.line;
    return out;
}

uint32_t ApplyHistory(uint32_t status, const HistoryRecord& history, std::string_view archiveVersion) {
    if (history.copyFailed) status |= kFailedBefore;
    if (history.copyDone && CompareVersions(history.version, archiveVersion) != kInstalledOlder)
        status |= kDoneBefore;
    return status;
}

bool NeedsRestart(uint32_t status) {
    return (status & kSystemOlder) && (status & kCannotAccess) && !(status & (kFailedBefore | kDoneBefore));
}

bool IsComToUpdate(uint32_t status) {
    return (status & kComServer) && (status & (kNotInstalled | kSystemOlder));
}

std::string ListReport(std::string_view heading, const std::vector<std::string>& names) {
    std::string out(heading);
    for (const auto& n : names) {
        out += "  ";
        out += n;
        out += '\n';
    }
    return out;
}

std::string DeferredReport(int state) {
    std::string out = "The Process can be done after restarting Windows.\n";
    out += state == kStateNeedReboot ? "Arkstow.dll returned ARKSTOWRET_NEED_REBOOT\n"
                                     : "Arkstow.dll returned ARKSTOWRET_NEED_LOGOFF\n";
    return out;
}

std::string RunOnceReport(std::string_view installerPath) {
    std::string out = "RunOnce key was set.\n";
    out += kRunOnceValue;
    out += '\n';
    out += installerPath;
    out += '\n';
    return out;
}

int StateAfterLists(int state, bool allowInstall, bool restartListEmpty, bool comListEmpty) {
    if (!restartListEmpty) state = allowInstall ? kStateNeedReboot : kStateNeedLogoff;
    if (!comListEmpty && !allowInstall) state = kStateNeedLogoff;
    return state;
}

std::string ReportRecord(std::string_view dateTime, std::string_view report) {
    std::string text = "[";
    text += dateTime;
    text += "]\n";
    text += report;
    std::string out;
    out.reserve(text.size() + 16);
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

bool ParseIniBool(std::string_view value, bool fallback) {
    size_t i = 0;
    while (i < value.size() && (value[i] == ' ' || value[i] == '\t')) ++i;
    size_t end = value.size();
    while (end > i && (value[end - 1] == ' ' || value[end - 1] == '\t')) --end;
    std::string_view v = value.substr(i, end - i);
    // The sign does not change whether the value is 0.
    if (!v.empty() && (v[0] == '-' || v[0] == '+')) v.remove_prefix(1);
    int base = 10;
    if (v.size() > 2 && v[0] == '0' && (v[1] == 'x' || v[1] == 'X')) {
        base = 16;
        v.remove_prefix(2);
    } else if (v.size() > 1 && v[0] == '$') {
        base = 16;
        v.remove_prefix(1);
    }
    if (v.empty()) return fallback;
    bool nonzero = false;
    for (char c : v) {
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else return fallback;
        if (d != 0) nonzero = true;
    }
    return nonzero;
}

}  // namespace ark::vbrm
