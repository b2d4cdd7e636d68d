// LoaderHost: everything the window-free LoaderController asks of the program
// around it: what it shows, what it asks, what it starts and what times it.
//
// The Win32 host is the main window. It owns the window and its controls, the
// skin, the fonts, the message file and the icon list; it forwards its timer
// ticks, its window messages and its skin-button events to the controller and
// renders the rows the controller hands it. The controller never touches a
// window itself, so every decision of the sequences is testable natively
// through a recording host.
//
// Threading: every call, both ways, happens on the user-interface thread.
// Calls made from inside a controller method may show modal windows (the plain
// message dialog); the host keeps dispatching posted messages meanwhile and
// hands them to LoaderController::HandleMessage as they come.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "loader/controller/pack_library.h"
#include "loader/profile.h"
#include "loader/session/entry_list.h"
#include "loader/session/sessions.h"

namespace kb::loader {

// The main window's three pages.
enum class Page {
    View,  // pnlPage: the sessions on view; parent of every session's controls
    Work,  // pnlWork: shown while a sequence works
    Init,  // pnlInit: the disc holds no session
};

enum class Cursor { Default, Hourglass };

struct Extent {
    int width = 0;
    int height = 0;
};

// A window's left and top on the screen.
struct Origin {
    int left = 0;
    int top = 0;
};

class LoaderHost {
public:
    virtual ~LoaderHost() = default;

    // ---- Creation, in the order the controller's FormCreate calls them.

    // Reads "Message.Ini" [Font] and [Controls] into the shared font settings
    // and gives the window the font's charset, name and size.
    virtual void LoadFontSettings() = 0;
    // Creates the message file object on the loader's folder, "\Message.Ini",
    // program kind 2 (section "Loader").
    virtual void CreateMessageFile() = 0;
    // Skins the window with prefix "Rm" (background, the three pages with
    // "RmPageView", "RmPageWork", "RmPageInit", the status label "RmStatus"
    // emptied), gives the skin the button handlers (mouse-up and click, no
    // mouse-down) and hides buttons 10 and 11. The window then has the size the
    // skin gives it.
    virtual void ApplySkin() = 0;
    // The loader's work folder, worked out once for the run (the exit gets the
    // same one).
    virtual std::string WorkFolder() = 0;
    // The pack library's binding (TKabbit in the product), created now so
    // that its reports of missing functions come at this point of the start.
    virtual std::unique_ptr<PackLibrary> CreatePackLibrary() = 0;
    // Asks the driver-install manager whether the user is an administrator
    // and, only for one, the marker-file searcher (AskInstallMarkers); the
    // answers are not used.
    virtual void AskInstallMarkers() = 0;

    // ---- Texts, files and rows.

    // Numbered message n of the message file.
    virtual std::string Message(int number) = 0;
    // A reader of the ini file at path as it now is (the Windows host drops the
    // platform's cached copy first: OpenFreshPrivateProfile).
    virtual std::unique_ptr<ProfileReader> OpenProfile(const std::string& path) = 0;
    // An empty full or export list (the file list view's data side, sorting
    // with the platform's collation).
    virtual std::unique_ptr<EntryList> CreateEntryList() = 0;
    // The shared icon list's index for a file-type key (a folder's key ends
    // with a backslash).
    virtual int IconIndex(const std::string& key) = 0;

    // ---- The window.

    // FileTimer, every kTimerIntervalMs; each tick calls OnTimer.
    virtual void SetTimer(bool enabled) = 0;
    virtual void EnableMainWindow(bool enabled) = 0;
    // The screen cursor.
    virtual void SetCursor(Cursor cursor) = 0;
    virtual void SetPageVisible(Page page, bool visible) = 0;
    virtual Extent ScreenSize() = 0;
    virtual Extent WindowSize() = 0;
    virtual void MoveWindow(int left, int top) = 0;
    // Skin buttons by id; an id the skin lacks is not visible and ignores
    // every change.
    virtual bool IsButtonVisible(int id) = 0;
    virtual void SetButtonVisible(int id, bool visible) = 0;
    virtual void SetButtonImage(int id, int image) = 0;

    // ---- A session's views (volume label, size label, file list, folder tree).

    // Called once per opening of session (1 to 20): creates the session's
    // controls on the page panel, hidden, on its first opening and reuses them
    // later; fills the file list from record.fileList (captions, the three
    // sub-items, image indexes; multiple selection, no renaming), gives the
    // labels record.volumeText and record.sizeText when it creates them, lays
    // them out with the skin ("RmVolume", "RmSize", "RmListView" and
    // "RmTreeView" on the page panel) and connects their events: the tree's
    // mouse-down and mouse-up post WM_LOADER_FOCUSLIST, the list's selection
    // changes and double-click go to the controller. The tree stays empty.
    virtual void BuildSessionViews(int session, const SessionRecord& record) = 0;
    // Shows or hides all four views of a session whose views exist.
    virtual void SetSessionViewsVisible(int session, bool visible) = 0;
    // Gives the session's file list the keyboard focus.
    virtual void FocusFileList(int session) = 0;

    // ---- Messages, the caller, the end.

    // The plain message dialog: text, one OK button, titled "Sorvex", owned by
    // the main window; returns when it is closed.
    virtual void ShowPlainMessage(const std::string& text) = 0;
    // Posts WM_LOADER_ERROR with kind to the main window (handled later
    // through HandleMessage).
    virtual void PostLoaderError(int kind) = 0;
    // Posts WM_HANDOFF_CLOSE, both parameters 0, to window.
    virtual void PostHandoffClose(intptr_t window) = 0;
    // Ends the application: the message loop ends, then the window is
    // destroyed. May be called from inside a modal loop.
    virtual void Terminate() = 0;
    // Lets the pending window messages run once.
    virtual void ProcessMessages() = 0;
    virtual void Sleep(int milliseconds) = 0;

    // ---- The export (calls added with it; the ones above are unchanged).

    // The size label of session's views ("RmSize") gets text.
    virtual void SetSizeLabel(int session, const std::string& text) = 0;
    // Rebuilds session's folder tree from the export list with the shared
    // icon list (BuildFromList): the tree shows what the selection contains.
    virtual void BuildFolderTree(int session, const EntryList& exportList) = 0;
    // A Windows message box owned by the main window, captioned with the
    // application's title, one OK button; returns when it is closed.
    virtual void ShowMessageBox(const std::string& text) = 0;
    // The password dialog, owned by the main window, shown modally with
    // ExpectedPassword expected and WrongCount wrongCount; wrongCount gets
    // the dialog's count back. Returns the modal result (1 right password, 2
    // cancelled, 3 given up after the third wrong entry).
    virtual int AskPassword(const std::string& expected, int& wrongCount) = 0;
    // The folder picker (SelectFolder with an empty caption and root): the
    // chosen folder, none when the user cancels.
    virtual std::optional<std::string> SelectDestinationFolder() = 0;
    // Creates the progress window with the main window as owner, gives it the
    // main window as notify window (its cancel posts WM_LOADER_CANCEL there)
    // and shows it without waiting, painted at once. The texts, gauge and
    // cancel button are set by the calls below.
    virtual void OpenProgress() = 0;
    // The progress window's message text, gauge (0 to 100) and cancel button.
    virtual void SetProgressText(const std::string& text) = 0;
    virtual void SetProgress(int percent) = 0;
    virtual void SetCancelVisible(bool visible) = 0;
    // Releases the progress window; nothing when there is none.
    virtual void CloseProgress() = 0;
    // The overwrite question owned by the main window: SetFileName(fileName),
    // SetMode(mode), shown modally and released. Returns its modal result (0
    // or 2 cancel, 6 yes, 7 no, 10 yes to all).
    virtual int AskOverwrite(const std::string& fileName, int mode) = 0;
    // Free bytes of the volume that holds path; none when it cannot be asked.
    virtual std::optional<int64_t> FreeSpace(const std::string& path) = 0;
    // The write test of a destination folder (CanWriteTo with an empty
    // sub-folder; an administrator passes without a test, asked once a run).
    virtual bool CanWriteTo(const std::string& folder) = 0;
    // The skinned message box owned by the main window; returns when closed.
    virtual void ShowSkinnedMessage(const std::string& text) = 0;

    // ---- Hand-offs and the end.

    // The main window's handle (what "/H:" and the pack library's Stop get).
    virtual intptr_t MainWindowHandle() = 0;
    // The main window's Left and Top.
    virtual Origin WindowOrigin() = 0;
    // The loader's folder without trailing backslash; the user's temp folder.
    virtual std::string ProgramDir() = 0;
    virtual std::string TempFolder() = 0;
    // Starts a program (Exec with SW_SHOW): commandLine is the quoted program
    // path and its arguments. Returns once the program waits for input (at
    // most about 30 s); false when it could not be started.
    virtual bool StartProgram(const std::string& commandLine) = 0;
    // A millisecond clock that only goes forward (GetTickCount), for waits
    // measured across ticks.
    virtual uint32_t Milliseconds() = 0;
    // Frees the shared icon list (the last of the destruction's frees).
    virtual void FreeIconList() = 0;
    // Frees the message file object; called once, at the very end of the
    // destruction. Message() must still answer until then.
    virtual void FreeMessageFile() = 0;
};

}  // namespace kb::loader
