// TfrmMain: the loader's main window, the Win32 side of LoaderController. It
// owns the window, the skin's controls, the message file and the icon list,
// forwards its timer ticks, window messages and skin-button events to the
// controller and renders the rows the controller hands it.
#pragma once

#include <windows.h>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "loader/controller/loader_controller.h"
#include "loader/controller/loader_host.h"
#include "loader/dialogs/win/dialogs_win.h"
#include "loader/msg_ini.h"
#include "loader/skin/win/application.h"
#include "loader/skin/win/controls.h"
#include "loader/skin/win/image_button.h"
#include "loader/skin/win/skin_win.h"
#include "loader/views/file_tree.h"
#include "loader/views/icon_cache.h"
#include "loader/views/win/shell_icons_win.h"
#include "loader/win/folders_win.h"
#include "loader/work_folder.h"

namespace kb::loader {

constexpr char kMainFormClass[] = "TfrmMain";
// The skin prefix of the main window.
constexpr char kMainSkin[] = "Rm";
// The window's size before its skin gives it one; it stays when the skin has
// no background to give.
constexpr int kMainDesignWidth = 640;
constexpr int kMainDesignHeight = 480;
constexpr int kMaxSessions = 20;

// A panel that hands its children's notifications (list and tree) to a handler.
class NotifyPanel : public ui::Panel {
public:
    std::function<void(const NMHDR& header)> onNotify;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};

class TfrmMain final : public ui::Form, private LoaderHost {
public:
    TfrmMain();
    ~TfrmMain() override;

    // Creates the window and runs the controller's FormCreate with the
    // program's arguments (without the program). The run mode it gives.
    RunMode Create(const std::vector<std::string>& arguments, const std::string& programPath);
    LoaderController& Controller() { return controller_; }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    struct SessionViews {
        std::unique_ptr<ui::Label> volume, size;
        std::unique_ptr<ui::ListView> list;
        std::unique_ptr<ui::TreeView> tree;
        TFileListTreeView treeBuilder;
    };

    // LoaderHost.
    void LoadFontSettings() override;
    void CreateMessageFile() override;
    void ApplySkin() override;
    std::string WorkFolder() override;
    std::unique_ptr<PackLibrary> CreatePackLibrary() override;
    void AskInstallMarkers() override;
    std::string Message(int number) override;
    std::unique_ptr<ProfileReader> OpenProfile(const std::string& path) override;
    std::unique_ptr<EntryList> CreateEntryList() override;
    int IconIndex(const std::string& key) override;
    void SetTimer(bool enabled) override;
    void EnableMainWindow(bool enabled) override;
    void SetCursor(Cursor cursor) override;
    void SetPageVisible(Page page, bool visible) override;
    Extent ScreenSize() override;
    Extent WindowSize() override;
    void MoveWindow(int left, int top) override;
    bool IsButtonVisible(int id) override;
    void SetButtonVisible(int id, bool visible) override;
    void SetButtonImage(int id, int image) override;
    void BuildSessionViews(int session, const SessionRecord& record) override;
    void SetSessionViewsVisible(int session, bool visible) override;
    void FocusFileList(int session) override;
    void ShowPlainMessage(const std::string& text) override;
    void PostLoaderError(int kind) override;
    void PostHandoffClose(intptr_t window) override;
    void Terminate() override;
    void ProcessMessages() override;
    void Sleep(int milliseconds) override;
    void SetSizeLabel(int session, const std::string& text) override;
    void BuildFolderTree(int session, const EntryList& exportList) override;
    void ShowMessageBox(const std::string& text) override;
    int AskPassword(const std::string& expected, int& wrongCount) override;
    std::optional<std::string> SelectDestinationFolder() override;
    void OpenProgress() override;
    void SetProgressText(const std::string& text) override;
    void SetProgress(int percent) override;
    void SetCancelVisible(bool visible) override;
    void CloseProgress() override;
    int AskOverwrite(const std::string& fileName, int mode) override;
    std::optional<int64_t> FreeSpace(const std::string& path) override;
    bool CanWriteTo(const std::string& folder) override;
    void ShowSkinnedMessage(const std::string& text) override;
    intptr_t MainWindowHandle() override;
    Origin WindowOrigin() override;
    std::string ProgramDir() override;
    std::string TempFolder() override;
    bool StartProgram(const std::string& commandLine) override;
    uint32_t Milliseconds() override;
    void FreeIconList() override;
    void FreeMessageFile() override;

    DialogContext Dialogs();

    ui::Panel& PagePanel(Page page);
    void FileListNotify(const NMHDR& header);
    // The selection of a session's file list handed to the controller, when
    // a change of it waits; every waiting one before a click that may use it.
    void TakeSelection(int session);
    void TakePendingSelections();

    LoaderController controller_{*this};
    WinFolderSystem folders_;
    std::string programDir_;
    std::string workFolder_;
    bool workFolderKnown_ = false;
    std::unique_ptr<TMsgIni> messages_;
    ui::Timer fileTimer_;
    ui::Image imgBg_{this};
    NotifyPanel pnlPage_;
    ui::Panel pnlWork_, pnlInit_;
    ui::Image imgPageView_, imgPageWork_, imgPageInit_;
    ui::Label lblStatus_{this};
    std::unique_ptr<TSkin> skin_;
    ShellIcons shellIcons_;
    std::unique_ptr<IconImageLists> iconImages_ = std::make_unique<IconImageLists>();
    std::unique_ptr<TIconImageList> icons_ = std::make_unique<TIconImageList>(shellIcons_, *iconImages_);
    std::unique_ptr<TfrmProgress> progress_;
    std::optional<AdminAnswer> admin_;
    std::array<SessionViews, kMaxSessions + 1> views_;
    std::array<bool, kMaxSessions + 1> selectionPending_{};
};

}  // namespace kb::loader
