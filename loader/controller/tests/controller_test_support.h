// Test helpers of the controller: a recording host, a scripted pack library,
// a disc folder under a drive-like name. Kept in one file so they can move to
// the test kit.
#pragma once
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "loader/controller/loader_controller.h"
#include "loader/controller/loader_host.h"
#include "loader/controller/window_rules.h"
#include "loader/session/tests/session_test_support.h"
#include "shared/messages.h"

namespace kb::loader::testing {

// One log shared by the host and the pack library, so orders across the two
// can be checked.
using Log = std::vector<std::string>;

// A pack library whose jobs follow scripts: each UnPack of an entry takes the
// next attempt queued for it (by default: started, 40 %, done). A finished
// job leaves the entry's content (when one is set) in the destination, a
// failed one leaves "partial".
class FakePack final : public PackLibrary {
public:
    struct Attempt {
        int start = 0;
        std::vector<int> progress = {40, PACKPROGRESS_DONE};
    };
    explicit FakePack(Log& log) : log_(log) {}

    // "pack path|entry" or entry -> the text a finished job leaves.
    std::map<std::string, std::string> contents;
    std::map<std::string, std::deque<Attempt>> scripts;     // entry -> attempts
    std::map<std::string, Attempt> always;                  // entry -> every attempt
    std::vector<std::string> destinations;                  // each UnPack's folder
    int unpacks = 0;
    int stops = 0;
    std::vector<uint64_t> limits;  // the bound each UnPack was given, 0 none

    void SetUnpackLimit(uint64_t bytes) override { limit_ = bytes; }

    void SetWorkingDir(const std::string& folder) override { log_.push_back("pack workdir " + folder); }
    void SetPackPath(const std::string& path) override { path_ = path; }
    void SetPackPassword(const std::string& password) override { password_ = password; }
    int UnPack(const std::string& destFolder, const std::string& entry) override {
        ++unpacks;
        destinations.push_back(destFolder);
        limits.push_back(limit_);
        limit_ = 0;
        log_.push_back("unpack " + path_ + " " + entry + " " + password_);
        Attempt attempt;
        if (auto it = always.find(entry); it != always.end()) {
            attempt = it->second;
        } else if (auto q = scripts.find(entry); q != scripts.end() && !q->second.empty()) {
            attempt = q->second.front();
            q->second.pop_front();
        }
        if (attempt.start != 0) return attempt.start;
        job_ = attempt.progress;
        next_ = 0;
        dest_ = destFolder;
        entry_ = entry;
        jobPath_ = path_;
        testing::WriteWholeFile(dest_ + entry_, "partial");
        return 0;
    }
    int GetProgress(std::string& name) override {
        name = entry_;
        if (job_.empty()) return PACKPROGRESS_DONE;
        const int p = job_[std::min(next_, job_.size() - 1)];
        ++next_;
        if (p >= 100) {
            auto it = contents.find(jobPath_ + "|" + entry_);
            if (it == contents.end()) it = contents.find(entry_);
            testing::WriteWholeFile(dest_ + entry_, it == contents.end() ? "" : it->second);
        }
        return p;
    }
    bool Stop(intptr_t window) override {
        ++stops;
        log_.push_back("stop " + std::to_string(window));
        return true;
    }
    std::string ErrorString(int code) override { return "E" + std::to_string(code); }

private:
    Log& log_;
    std::string path_, password_, dest_, entry_, jobPath_;
    std::vector<int> job_;
    size_t next_ = 0;
    uint64_t limit_ = 0;
};

// Forwards to a pack library the test keeps.
class PackForwarder final : public PackLibrary {
public:
    explicit PackForwarder(PackLibrary& to, bool* destroyed = nullptr) : to_(to), destroyed_(destroyed) {}
    ~PackForwarder() override {
        if (destroyed_) *destroyed_ = true;
    }
    void SetWorkingDir(const std::string& folder) override { to_.SetWorkingDir(folder); }
    void SetPackPath(const std::string& path) override { to_.SetPackPath(path); }
    void SetPackPassword(const std::string& password) override { to_.SetPackPassword(password); }
    int UnPack(const std::string& destFolder, const std::string& entry) override {
        return to_.UnPack(destFolder, entry);
    }
    void SetUnpackLimit(uint64_t bytes) override { to_.SetUnpackLimit(bytes); }
    int GetProgress(std::string& name) override { return to_.GetProgress(name); }
    bool Stop(intptr_t window) override { return to_.Stop(window); }
    std::string ErrorString(int code) override { return to_.ErrorString(code); }

private:
    PackLibrary& to_;
    bool* destroyed_;
};

inline const char* PageName(Page page) {
    return page == Page::View ? "View" : page == Page::Work ? "Work" : "Init";
}

// Records every call in the log and keeps the state it leaves.
class RecordingHost final : public LoaderHost {
public:
    RecordingHost(Log& log, PackLibrary& pack, std::string workFolder)
        : log_(log), pack_(pack), workFolder_(std::move(workFolder)) {}

    bool timer = false;
    bool enabled = true;
    Cursor cursor = Cursor::Default;
    std::map<Page, bool> pages = {{Page::View, true}, {Page::Work, false}, {Page::Init, true}};
    std::map<int, bool> buttons;
    std::map<int, int> images;
    std::map<int, int> built;  // session -> view buildings
    std::map<int, bool> viewsVisible;
    std::vector<int> postedErrors;
    std::vector<intptr_t> handoffs;
    std::vector<std::string> plainMessages;
    int terminations = 0;
    bool packDestroyed = false;
    int sleeps = 0;
    Extent screen{1024, 768};
    Extent window{641, 481};

    void LoadFontSettings() override { log_.push_back("fonts"); }
    void CreateMessageFile() override { log_.push_back("message file"); }
    void ApplySkin() override {
        log_.push_back("skin");
        buttons[kQuitButton] = false;
        buttons[kExportButton] = false;
        buttons[kWriterButton] = true;
        for (int id = kFirstTabButton; id <= kLastTabButton; ++id) buttons[id] = false;
    }
    std::string WorkFolder() override { return workFolder_; }
    std::unique_ptr<PackLibrary> CreatePackLibrary() override {
        log_.push_back("pack library");
        packDestroyed = false;
        return std::make_unique<PackForwarder>(pack_, &packDestroyed);
    }
    void AskInstallMarkers() override { log_.push_back("install markers"); }

    std::map<int, std::string> messages;  // texts other than "M<number>"
    std::string Message(int number) override {
        auto it = messages.find(number);
        return it != messages.end() ? it->second : "M" + std::to_string(number);
    }
    // Called on the way into some calls ("views", "profile"), which may throw
    // from it as a failing allocation would.
    std::function<void(const std::string& call)> onCall;
    std::unique_ptr<ProfileReader> OpenProfile(const std::string& path) override {
        if (onCall) onCall("profile");
        return OpenIniFile(path);
    }
    std::unique_ptr<EntryList> CreateEntryList() override { return std::make_unique<ByteSortedEntryList>(); }
    int IconIndex(const std::string& key) override { return key.empty() ? -1 : 7; }

    void SetTimer(bool on) override {
        if (on != timer) log_.push_back(on ? "timer on" : "timer off");
        timer = on;
    }
    void EnableMainWindow(bool on) override {
        if (on != enabled) log_.push_back(on ? "window enabled" : "window disabled");
        enabled = on;
    }
    void SetCursor(Cursor c) override {
        log_.push_back(c == Cursor::Hourglass ? "hourglass" : "default cursor");
        cursor = c;
    }
    void SetPageVisible(Page page, bool visible) override {
        log_.push_back(std::string("page ") + PageName(page) + (visible ? " shown" : " hidden"));
        pages[page] = visible;
    }
    Extent ScreenSize() override { return screen; }
    Extent WindowSize() override { return window; }
    void MoveWindow(int left, int top) override {
        log_.push_back("move " + std::to_string(left) + " " + std::to_string(top));
    }
    bool IsButtonVisible(int id) override { return buttons[id]; }
    void SetButtonVisible(int id, bool visible) override {
        log_.push_back("button " + std::to_string(id) + (visible ? " shown" : " hidden"));
        buttons[id] = visible;
    }
    void SetButtonImage(int id, int image) override {
        log_.push_back("button " + std::to_string(id) + " image " + std::to_string(image));
        images[id] = image;
    }
    void BuildSessionViews(int session, const SessionRecord& record) override {
        if (onCall) onCall("views");
        log_.push_back("views built " + std::to_string(session));
        static_cast<void>(record);
        ++built[session];
    }
    void SetSessionViewsVisible(int session, bool visible) override {
        log_.push_back("views " + std::to_string(session) + (visible ? " shown" : " hidden"));
        viewsVisible[session] = visible;
    }
    void FocusFileList(int session) override { log_.push_back("focus " + std::to_string(session)); }
    void ShowPlainMessage(const std::string& text) override {
        log_.push_back("plain " + text);
        plainMessages.push_back(text);
    }
    void PostLoaderError(int kind) override {
        log_.push_back("post error " + std::to_string(kind));
        postedErrors.push_back(kind);
    }
    void PostHandoffClose(intptr_t window) override {
        log_.push_back("handoff " + std::to_string(window));
        handoffs.push_back(window);
    }
    void Terminate() override {
        log_.push_back("terminate");
        ++terminations;
    }
    void ProcessMessages() override {
        ++pumps;
        if (onPump) onPump();
    }
    void Sleep(int ms) override {
        ++sleeps;
        clock += static_cast<uint32_t>(ms);
    }

    // The export and the hand-offs.
    std::map<int, std::string> sizeLabels;
    std::map<int, std::vector<std::string>> trees;  // session -> export-list captions
    std::vector<std::string> messageBoxes, skinnedMessages, startedPrograms;
    std::deque<int> passwordAnswers;   // modal results; each may set passwordWrongAfter
    int passwordWrongAfter = -1;       // the count the dialog hands back; -1 unchanged
    int passwordAsked = 0;
    std::optional<std::string> destination;
    std::deque<int> overwriteAnswers;  // empty: 6
    std::vector<std::pair<std::string, int>> overwriteQuestions;
    std::optional<int64_t> freeSpace = INT64_MAX;
    bool writable = true;
    bool progressOpen = false;
    std::vector<int> gauge;
    std::vector<std::string> progressTexts;
    bool cancelVisible = false;
    bool programsStart = true;
    uint32_t clock = 1000;
    int pumps = 0;
    std::function<void()> onPump;
    int iconListFreed = 0, messageFileFreed = 0;
    std::string programDir = "C:\\Temp\\QZTemp\\Lumar", tempFolder = "C:\\Temp\\";

    void SetSizeLabel(int session, const std::string& text) override {
        log_.push_back("size label " + text);
        sizeLabels[session] = text;
    }
    void BuildFolderTree(int session, const EntryList& list) override {
        auto& t = trees[session];
        t.clear();
        for (const ListRow& r : list.Rows()) t.push_back(r.caption);
        log_.push_back("tree " + std::to_string(session));
    }
    void ShowMessageBox(const std::string& text) override {
        log_.push_back("message box " + text);
        messageBoxes.push_back(text);
    }
    int AskPassword(const std::string& expected, int& wrongCount) override {
        ++passwordAsked;
        log_.push_back("password " + expected + " " + std::to_string(wrongCount));
        if (passwordWrongAfter >= 0) wrongCount = passwordWrongAfter;
        if (passwordAnswers.empty()) return 1;
        const int r = passwordAnswers.front();
        passwordAnswers.pop_front();
        return r;
    }
    std::optional<std::string> SelectDestinationFolder() override {
        log_.push_back("select folder");
        return destination;
    }
    void OpenProgress() override {
        log_.push_back("progress open");
        progressOpen = true;
    }
    void SetProgressText(const std::string& text) override {
        log_.push_back("text " + text);
        progressTexts.push_back(text);
    }
    void SetProgress(int percent) override {
        log_.push_back("gauge " + std::to_string(percent));
        gauge.push_back(percent);
    }
    void SetCancelVisible(bool visible) override {
        log_.push_back(visible ? "cancel shown" : "cancel hidden");
        cancelVisible = visible;
    }
    void CloseProgress() override {
        if (progressOpen) log_.push_back("progress closed");
        progressOpen = false;
    }
    int AskOverwrite(const std::string& fileName, int mode) override {
        log_.push_back("overwrite " + std::to_string(mode) + " " + fileName);
        overwriteQuestions.emplace_back(fileName, mode);
        if (overwriteAnswers.empty()) return 6;
        const int r = overwriteAnswers.front();
        overwriteAnswers.pop_front();
        return r;
    }
    std::optional<int64_t> FreeSpace(const std::string& path) override {
        log_.push_back("free space " + path);
        return freeSpace;
    }
    bool CanWriteTo(const std::string& folder) override {
        log_.push_back("write test " + folder);
        return writable;
    }
    void ShowSkinnedMessage(const std::string& text) override {
        log_.push_back("skinned " + text);
        skinnedMessages.push_back(text);
    }
    intptr_t MainWindowHandle() override { return 777; }
    Origin WindowOrigin() override { return {12, 34}; }
    std::string ProgramDir() override { return programDir; }
    std::string TempFolder() override { return tempFolder; }
    bool StartProgram(const std::string& commandLine) override {
        log_.push_back("start " + commandLine);
        startedPrograms.push_back(commandLine);
        return programsStart;
    }
    uint32_t Milliseconds() override { return clock; }
    void FreeIconList() override {
        log_.push_back("free icon list");
        ++iconListFreed;
    }
    void FreeMessageFile() override {
        log_.push_back("free message file");
        ++messageFileFreed;
    }

private:
    Log& log_;
    PackLibrary& pack_;
    std::string workFolder_;
};

// The label of the state a tick is about to run: "S" start-up, "O" open
// session, and the state number.
inline std::string StateLabel(const LoaderController& c) {
    const char* prefix = c.CurrentSequence() == Sequence::Startup       ? "S"
                         : c.CurrentSequence() == Sequence::OpenSession ? "O"
                         : c.CurrentSequence() == Sequence::Export      ? "X"
                         : c.CurrentSequence() == Sequence::WriterWait  ? "W"
                                                                        : "?";
    return prefix + std::to_string(c.RunState());
}

// Ticks while the host's timer is on (at most maxTicks); the states run.
inline std::vector<std::string> RunTicks(LoaderController& c, RecordingHost& host, int maxTicks = 1000) {
    std::vector<std::string> states;
    while (host.timer && maxTicks-- > 0) {
        states.push_back(StateLabel(c));
        c.OnTimer();
    }
    return states;
}

// The test's working folder becomes a fresh folder holding "Q:", so that the
// drive root "Q:" names a folder of the test; restored at the end.
class DriveQ {
public:
    DriveQ() {
        char buffer[PATH_MAX];
        if (::getcwd(buffer, sizeof buffer)) previous_ = buffer;
        fs::CreateFolder(dir_.path() + "\\Q:");
        if (::chdir(testing::NativePath(dir_.path()).c_str()) != 0) previous_.clear();
    }
    ~DriveQ() {
        if (previous_.empty()) return;
        const int rc = ::chdir(previous_.c_str());
        static_cast<void>(rc);
    }
    DriveQ(const DriveQ&) = delete;
    DriveQ& operator=(const DriveQ&) = delete;
    // A path on the drive: "Q:\" and rest.
    static std::string On(const std::string& rest) { return "Q:\\" + rest; }
    const std::string& Folder() const { return dir_.path(); }

private:
    testing::TempDir dir_;
    std::string previous_;
};

}  // namespace kb::loader::testing
