// A recording launcher platform: every call goes into a log, answers come
// from fields a test sets, and misuse (a second acquire of a held mutex, a
// timer killed that was not set) fails the test.
#pragma once
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "launcher/sequencer.h"

namespace kb::launcher::testing {

inline const char* SlotName(MutexSlot slot) {
    switch (slot) {
        case MutexSlot::kOwn:
            return "own";
        case MutexSlot::kLauncherLocal:
            return "local";
        case MutexSlot::kLauncherGlobal:
            return "global";
        case MutexSlot::kEdition:
            return "edition";
    }
    return "?";
}

class FakePlatform : public LauncherPlatform {
public:
    FakePlatform() {
        version.record = OsVersionFacts::Record::kExtended;
        version.platformId = 2;
        version.major = 6;
        version.minor = 1;
        version.productType = 1;
        for (const MessageKey& k : kMessageKeys) ini[std::string(k.section) + "/" + k.key] = "M" + std::to_string(k.id);
        ini["Message/AppRunning"] = "M3 %s";
        ini["Message/InvalidDisc"] = "M7 %s";
        ini["Message/NoDataWritten"] = "M8 %s";
        ini["Initial/MsgForPrepare"] = "Preparing";
        ini["Initial/FailToSplash"] = "FS";
        ini["Initial/TargetApp"] = "101";
    }

    // --- answers
    std::optional<std::string> modulePath = std::string("E:\\Launcher\\Dremlin.exe");
    std::string tempFolder = "C:\\users\\me\\Temp\\";
    bool settingsExist = true;
    std::map<std::string, std::string> ini;  // "Section/Key"; a missing key gives the default
    OsVersionFacts version;
    std::map<std::string, int> running;  // "mutex|title" -> probes that find it running (-1: always)
    std::set<std::string> takenMutexes;  // full names
    bool admin = true;
    uint16_t lang = 1033;
    std::vector<char> drives = {'E', 'G'};
    std::deque<bool> extractResults;  // consumed per archive; empty: success
    bool splashOk = true;
    bool discReady = true;
    DiscFacts disc;
    std::optional<int> checkEnvironment = 1;
    bool programStarts = true;  // ShellOpen of everything but the eraser
    char selected = 'E';
    int64_t owner = 65814;
    std::function<void()> duringWaitForDisc, duringShellOpen;

    // --- what happened
    std::vector<std::string> log;
    std::vector<std::string> errors;
    std::map<MutexSlot, std::string> held;
    std::map<MutexSlot, int> acquires;
    std::set<unsigned> timers;
    std::vector<ShellStart> programs;  // every ShellOpen, the eraser included
    std::vector<std::string> probes;   // "mutex|title", in order
    std::vector<DiscQuestions> discQuestions;
    std::vector<DriverRequestBytes> driverRecords;
    std::vector<std::string> extracted;
    int sleeps = 0;
    bool ended = false, destroyed = false, controlsEnabled = true, revealed = false;

    bool EraserStarted() const {
        for (const auto& p : programs)
            if (p.file.size() >= 12 && p.file.compare(p.file.size() - 12, 12, "\\Delvane.exe") == 0) return true;
        return false;
    }

    std::optional<std::string> ModulePath() override { return modulePath; }
    std::string TempFolder() override { return tempFolder; }
    bool IsExistingFile(const std::string& path) override {
        log.push_back("exists " + path);
        return settingsExist;
    }
    std::string ReadIniString(const std::string& path, std::string_view section, std::string_view key,
                              std::string_view def) override {
        EXPECT_EQ(path, FolderOfPath(modulePath.value_or("")) + "Dremlin.ini");
        auto it = ini.find(std::string(section) + "/" + std::string(key));
        return it == ini.end() ? std::string(def) : it->second;
    }
    OsVersionFacts QueryOsVersion() override { return version; }
    bool IsProgramRunning(const ProgramProbe& probe) override {
        const std::string key = std::string(probe.mutex) + "|" + probe.windowTitle;
        probes.push_back(key);
        log.push_back(std::string("probe ") + probe.mutex + "|" + probe.windowClass + "|" + probe.windowTitle);
        auto it = running.find(key);
        if (it == running.end() || it->second == 0) return false;
        if (it->second > 0) --it->second;
        return true;
    }
    bool AcquireMutex(MutexSlot slot, const MutexSpec& spec) override {
        log.push_back(std::string("acquire ") + SlotName(slot) + " " + spec.name + "|" + spec.windowClass + "|" +
                      spec.windowTitle);
        EXPECT_EQ(held.count(slot), 0u) << "the handle held in slot " << SlotName(slot) << " would be lost";
        ++acquires[slot];
        if (takenMutexes.count(spec.name)) return false;
        held[slot] = spec.name;
        return true;
    }
    void ReleaseMutex(MutexSlot slot) override {
        log.push_back(std::string("release ") + SlotName(slot));
        held.erase(slot);
    }
    void Sleep(int ms) override {
        EXPECT_EQ(ms, 2000);
        ++sleeps;
    }
    bool IsUserAdmin() override {
        log.push_back("admin?");
        return admin;
    }
    uint16_t UserDefaultLangId() override { return lang; }
    std::vector<char> CdRomDrives() override { return drives; }
    bool ExtractArchive(const std::string& server, const std::string& archive, const std::string& destination) override {
        EXPECT_EQ(server, FolderOfPath(modulePath.value_or("")) + "Arkstow.dll");
        EXPECT_EQ(destination, "C:\\users\\me\\Temp\\QZDiscUtil");
        extracted.push_back(archive);
        log.push_back("extract " + archive);
        if (extractResults.empty()) return true;
        const bool ok = extractResults.front();
        extractResults.pop_front();
        return ok;
    }
    void DeleteFolderTree(const std::string& folder) override { log.push_back("delete " + folder); }
    bool WaitForDisc(char drive, const std::string& text) override {
        log.push_back(std::string("wait ") + drive + " " + text);
        if (duringWaitForDisc) duringWaitForDisc();
        return discReady;
    }
    DiscFacts GatherDiscFacts(char, const DiscQuestions& q) override {
        discQuestions.push_back(q);
        return disc;
    }
    std::optional<int> CheckEnvironment(const std::string& dll, const DriverRequestBytes& record) override {
        log.push_back("check environment " + dll);
        driverRecords.push_back(record);
        return checkEnvironment;
    }
    void ShowDriverDownload(const std::string& text, const std::string& url) override {
        log.push_back("driver download " + text + " " + url);
    }
    bool ShellOpen(const ShellStart& start) override {
        log.push_back("open " + start.file + " [" + start.parameters + "]");
        programs.push_back(start);
        const bool eraser = start.file.find("\\Delvane.exe") != std::string::npos;
        if (!eraser && duringShellOpen) duringShellOpen();
        return eraser || programStarts;
    }
    int64_t OwnerWindow() override { return owner; }
    void ShowError(const std::string& text) override {
        log.push_back("error " + text);
        errors.push_back(text);
    }
    void SetTimer(unsigned id, unsigned ms) override {
        log.push_back("set timer " + std::to_string(id) + " " + std::to_string(ms));
        timers.insert(id);
    }
    void KillTimer(unsigned id) override {
        log.push_back("kill timer " + std::to_string(id));
        EXPECT_EQ(timers.count(id), 1u) << "timer " << id << " was not set";
        timers.erase(id);
    }
    bool ShowSplash(const std::string& settings, const std::string& prepare, const std::string& fail) override {
        log.push_back("splash " + settings + " " + prepare + " " + fail);
        return splashOk;
    }
    void DestroySplash() override { log.push_back("destroy splash"); }
    void SetDialogTexts(const std::string& comment, const std::string& run) override {
        log.push_back("texts " + comment + " " + run);
    }
    void SetDriveList(const std::vector<char>& list) override { log.push_back("drives " + std::string(list.begin(), list.end())); }
    char SelectedDrive() override { return selected; }
    void MoveCommentControl(const ControlRect& r) override {
        log.push_back("move comment " + std::to_string(r.x) + "," + std::to_string(r.y) + " " + std::to_string(r.width) +
                      "x" + std::to_string(r.height));
    }
    void RevealDialog() override {
        log.push_back("reveal");
        revealed = true;
    }
    void EnableControls(bool enable) override {
        log.push_back(enable ? "enable controls" : "disable controls");
        controlsEnabled = enable;
    }
    void EnableCloseItem() override { log.push_back("enable close"); }
    void EndDialog() override {
        log.push_back("end dialog");
        EXPECT_FALSE(ended || destroyed) << "the dialog ended twice";
        ended = true;
    }
    void DestroyDialog() override {
        log.push_back("destroy dialog");
        EXPECT_FALSE(ended || destroyed) << "the dialog ended twice";
        destroyed = true;
    }
};

}  // namespace kb::launcher::testing
