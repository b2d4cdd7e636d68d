#include "loader/app/win/main_form_win.h"

#include <commctrl.h>

#include "shared/win/common_controls.h"

#include "loader/bindings.h"
#include "loader/instance_guard.h"
#include "loader/controller/install_markers.h"
#include "loader/controller/window_rules.h"
#include "loader/session/win/fresh_profile_win.h"
#include "loader/settings.h"
#include "loader/views/file_list.h"
#include "loader/views/win/list_controls_win.h"
#include "loader/win/platform_win.h"
#include "loader/win/profile_win.h"
#include "shared/messages.h"

namespace kb::loader {
namespace {

constexpr int kFileListIdBase = 1000;
constexpr int kFolderTreeIdBase = 2000;
constexpr UINT_PTR kTreeMouseSubclass = 0x4B54;
// Posted once for a burst of selection changes of a session's file list
// (wParam: the session): a click with Shift over thousands of rows changes
// each row on its own, and the export list and tree are made once for all.
constexpr UINT kTakeSelectionMessage = WM_APP + 0x31;

// A press and a release of any mouse button on a session's folder tree hand
// the keyboard to its file list. The tree's own press tracking takes the
// release of the left and right buttons and reports it as a click instead.
LRESULT CALLBACK TreeMouseProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR mainWindow) {
    switch (message) {
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            PostMessageA(reinterpret_cast<HWND>(mainWindow), WM_LOADER_FOCUSLIST, 0, 0);
            break;
        case WM_NCDESTROY:
            kb::win::comctl::RemoveWindowSubclass(w, TreeMouseProc, kTreeMouseSubclass);
            break;
        default:
            break;
    }
    return kb::win::comctl::DefSubclassProc(w, message, wParam, lParam);
}

}  // namespace

LRESULT NotifyPanel::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY && onNotify && lParam != 0) onNotify(*reinterpret_cast<const NMHDR*>(lParam));
    return ui::Panel::HandleMessage(message, wParam, lParam);
}

TfrmMain::TfrmMain() : ui::Form(kMainFormClass) {
    programDir_ = GetProgramDir();
    fileTimer_.SetInterval(kTimerIntervalMs);
    fileTimer_.onTimer = [this](ui::Timer&) { controller_.OnTimer(); };
    // The window closes only when the program ends (button 10 or the caller).
    onCloseQuery = [this](ui::Form&) { return controller_.FormCloseQuery(); };
}

TfrmMain::~TfrmMain() {
    // Destroyed here, while this class still receives WM_DESTROY and the
    // messages pumped during it.
    Destroy();
    fileTimer_.SetEnabled(false);
    skin_.reset();
}

RunMode TfrmMain::Create(const std::vector<std::string>& arguments, const std::string& programPath) {
    SetBounds(0, 0, kMainDesignWidth, kMainDesignHeight);
    ui::Form::Create();
    SetCaption(kLoaderWindowTitle);
    pnlPage_.Create(*this);
    pnlWork_.Create(*this);
    pnlInit_.Create(*this);
    pnlPage_.onNotify = [this](const NMHDR& header) { FileListNotify(header); };
    return controller_.FormCreate(arguments, programPath);
}

LRESULT TfrmMain::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_QUERYENDSESSION:
            return controller_.QueryEndSession() ? TRUE : FALSE;
        case WM_ENDSESSION:
            // The process ends once this returns: take the destroy steps now.
            if (wParam) {
                ui::App().Terminate();
                Destroy();
            }
            return 0;
        case WM_DESTROY:
            if (!controller_.Destroying()) controller_.FormDestroy();
            return ui::Form::HandleMessage(message, wParam, lParam);
        case kTakeSelectionMessage:
            TakeSelection(static_cast<int>(wParam));
            return 0;
        default:
            if (controller_.HandleMessage(message, static_cast<uintptr_t>(wParam))) return 0;
            return ui::Form::HandleMessage(message, wParam, lParam);
    }
}

// ---- Creation.

void TfrmMain::LoadFontSettings() {
    const auto reader = OpenPrivateProfile(programDir_ + "\\Message.Ini");
    SkinFonts() = loader::LoadFontSettings(reader.get());
}

void TfrmMain::CreateMessageFile() {
    messages_ = std::make_unique<TMsgIni>([](const std::string& path) { return OpenPrivateProfile(path); });
    messages_->SetIniFile(programDir_ + "\\Message.Ini");
    messages_->SetKind(2);
}

void TfrmMain::ApplySkin() {
    imgBg_.SetBounds(0, 0, kMainDesignWidth, kMainDesignHeight);
    skin_ = std::make_unique<TSkin>(*this, imgBg_, kMainSkin, true);
    imgPageView_.SetParent(&pnlPage_);
    imgPageWork_.SetParent(&pnlWork_);
    imgPageInit_.SetParent(&pnlInit_);
    skin_->SetPanel(pnlPage_, imgPageView_, "RmPageView");
    skin_->SetPanel(pnlWork_, imgPageWork_, "RmPageWork");
    pnlWork_.SetVisible(false);
    skin_->SetPanel(pnlInit_, imgPageInit_, "RmPageInit");
    skin_->SetLabel(lblStatus_, "RmStatus");
    lblStatus_.SetCaption("");
    skin_->SetButtonEvents(nullptr,
                           [this](ui::Control& sender, ui::MouseButton, unsigned, int, int) {
                               controller_.OnSkinButtonMouseUp(static_cast<TCImageButton&>(sender).ButtonId());
                           },
                           [this](ui::Control& sender) {
                               TakePendingSelections();
                               controller_.OnSkinButtonClick(static_cast<TCImageButton&>(sender).ButtonId());
                           });
    // Every button starts hidden; the tabs come with the sessions, quit and
    // export with the first opening and the selection.
    SetButtonVisible(kQuitButton, false);
    SetButtonVisible(kExportButton, false);
}

std::string TfrmMain::WorkFolder() {
    if (!workFolderKnown_) {
        workFolder_ = GetWorkFolder(folders_);
        workFolderKnown_ = true;
    }
    return workFolder_;
}

std::unique_ptr<PackLibrary> TfrmMain::CreatePackLibrary() {
    return std::make_unique<KabbitPackLibrary>(std::make_unique<TKabbit>());
}

void TfrmMain::AskInstallMarkers() { loader::AskInstallMarkers(); }

// ---- Texts, files and rows.

std::string TfrmMain::Message(int number) { return messages_ ? messages_->ReadMessage(number) : kLoadMessageError; }

std::unique_ptr<ProfileReader> TfrmMain::OpenProfile(const std::string& path) { return OpenFreshPrivateProfile(path); }

std::unique_ptr<EntryList> TfrmMain::CreateEntryList() { return std::make_unique<WinEntryList>(); }

int TfrmMain::IconIndex(const std::string& key) { return icons_ ? icons_->IndexOfIcon(key) : -1; }

// ---- The window.

void TfrmMain::SetTimer(bool enabled) { fileTimer_.SetEnabled(enabled); }

void TfrmMain::EnableMainWindow(bool enabled) { EnableWindow(Handle(), enabled ? TRUE : FALSE); }

void TfrmMain::SetCursor(Cursor cursor) {
    ui::App().SetScreenCursor(cursor == Cursor::Hourglass ? ui::Cursor::HourGlass : ui::Cursor::Default);
}

ui::Panel& TfrmMain::PagePanel(Page page) {
    return page == Page::View ? static_cast<ui::Panel&>(pnlPage_) : page == Page::Work ? pnlWork_ : pnlInit_;
}

void TfrmMain::SetPageVisible(Page page, bool visible) { PagePanel(page).SetVisible(visible); }

Extent TfrmMain::ScreenSize() { return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

Extent TfrmMain::WindowSize() { return {Width(), Height()}; }

void TfrmMain::MoveWindow(int left, int top) { SetBounds(left, top, Width(), Height()); }

bool TfrmMain::IsButtonVisible(int id) {
    const TCImageButton* button = skin_ ? skin_->GetButton(id) : nullptr;
    return button && button->Visible();
}

void TfrmMain::SetButtonVisible(int id, bool visible) {
    if (TCImageButton* button = skin_ ? skin_->GetButton(id) : nullptr) button->SetVisible(visible);
}

void TfrmMain::SetButtonImage(int id, int image) {
    if (TCImageButton* button = skin_ ? skin_->GetButton(id) : nullptr) button->SetImageIndex(image);
}

// ---- A session's views.

void TfrmMain::BuildSessionViews(int session, const SessionRecord& record) {
    if (session < 1 || session > kMaxSessions) return;
    SessionViews& v = views_[static_cast<size_t>(session)];
    if (!v.list) {
        v.volume = std::make_unique<ui::Label>(&pnlPage_);
        v.volume->SetVisible(false);
        v.volume->SetCaption(record.volumeText);
        v.size = std::make_unique<ui::Label>(&pnlPage_);
        v.size->SetVisible(false);
        v.size->SetCaption(record.sizeText);
        v.list = std::make_unique<ui::ListView>();
        v.list->Create(pnlPage_, kFileListIdBase + session);
        v.list->SetVisible(false);
        v.tree = std::make_unique<ui::TreeView>();
        v.tree->Create(pnlPage_, kFolderTreeIdBase + session);
        v.tree->SetVisible(false);
        PrepareFileListControl(v.list->WindowHandle(), iconImages_ ? iconImages_->Large() : nullptr,
                               iconImages_ ? iconImages_->Small() : nullptr);
        kb::win::comctl::SetWindowSubclass(v.tree->WindowHandle(), TreeMouseProc, kTreeMouseSubclass,
                          reinterpret_cast<DWORD_PTR>(Handle()));
        if (skin_) {
            skin_->SetLabel(*v.volume, "RmVolume");
            skin_->SetLabel(*v.size, "RmSize");
            skin_->SetListView(*v.list, "RmListView");
            skin_->SetTreeView(*v.tree, "RmTreeView");
        }
    }
    FillFileListControl(v.list->WindowHandle(), record.fileList);
}

void TfrmMain::SetSessionViewsVisible(int session, bool visible) {
    if (session < 1 || session > kMaxSessions) return;
    SessionViews& v = views_[static_cast<size_t>(session)];
    if (!v.list) return;
    v.volume->SetVisible(visible);
    v.size->SetVisible(visible);
    v.list->SetVisible(visible);
    v.tree->SetVisible(visible);
}

void TfrmMain::FocusFileList(int session) {
    if (session < 1 || session > kMaxSessions || !views_[static_cast<size_t>(session)].list) return;
    SetFocus(views_[static_cast<size_t>(session)].list->WindowHandle());
}

void TfrmMain::FileListNotify(const NMHDR& header) {
    const int id = static_cast<int>(header.idFrom);
    if (id > kFolderTreeIdBase && id <= kFolderTreeIdBase + kMaxSessions) {
        // The release the tree's press tracking took (see TreeMouseProc).
        if (header.code == static_cast<UINT>(NM_CLICK) || header.code == static_cast<UINT>(NM_RCLICK))
            PostMessageA(Handle(), WM_LOADER_FOCUSLIST, 0, 0);
        return;
    }
    if (id <= kFileListIdBase || id > kFileListIdBase + kMaxSessions) return;
    if (header.code == static_cast<UINT>(NM_DBLCLK)) {
        TakePendingSelections();
        controller_.StartExport();
        return;
    }
    if (header.code != LVN_ITEMCHANGED) return;
    const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
    if (!(change.uChanged & LVIF_STATE) || ((change.uOldState ^ change.uNewState) & LVIS_SELECTED) == 0) return;
    const int session = id - kFileListIdBase;
    if (selectionPending_[static_cast<size_t>(session)]) return;
    selectionPending_[static_cast<size_t>(session)] = true;
    if (!PostMessageA(Handle(), kTakeSelectionMessage, static_cast<WPARAM>(session), 0)) TakeSelection(session);
}

void TfrmMain::TakeSelection(int session) {
    if (session < 1 || session > kMaxSessions || !selectionPending_[static_cast<size_t>(session)]) return;
    selectionPending_[static_cast<size_t>(session)] = false;
    const SessionViews& v = views_[static_cast<size_t>(session)];
    if (!v.list) return;
    std::vector<size_t> selected;
    for (int i = -1; (i = static_cast<int>(SendMessageA(v.list->WindowHandle(), LVM_GETNEXTITEM,
                                                         static_cast<WPARAM>(i), LVNI_SELECTED))) >= 0;)
        selected.push_back(static_cast<size_t>(i));
    controller_.SelectionChanged(session, std::move(selected));
}

void TfrmMain::TakePendingSelections() {
    for (int session = 1; session <= kMaxSessions; ++session) TakeSelection(session);
}

// ---- Messages, the caller, the end.

void TfrmMain::ShowPlainMessage(const std::string& text) {
    MessageBoxA(Handle(), text.c_str(), kLoaderWindowTitle, MB_OK);
}

void TfrmMain::PostLoaderError(int kind) { PostMessageA(Handle(), WM_LOADER_ERROR, static_cast<WPARAM>(kind), 0); }

void TfrmMain::PostHandoffClose(intptr_t window) {
    PostMessageA(reinterpret_cast<HWND>(window), WM_HANDOFF_CLOSE, 0, 0);
}

void TfrmMain::Terminate() { ui::App().Terminate(); }

void TfrmMain::ProcessMessages() { ui::App().ProcessMessages(); }

void TfrmMain::Sleep(int milliseconds) { ::Sleep(static_cast<DWORD>(milliseconds)); }

// ---- The export.

void TfrmMain::SetSizeLabel(int session, const std::string& text) {
    if (session < 1 || session > kMaxSessions || !views_[static_cast<size_t>(session)].size) return;
    views_[static_cast<size_t>(session)].size->SetCaption(text);
}

void TfrmMain::BuildFolderTree(int session, const EntryList& exportList) {
    if (session < 1 || session > kMaxSessions || !icons_) return;
    SessionViews& v = views_[static_cast<size_t>(session)];
    if (!v.tree) return;
    // Every list the controller holds was made by CreateEntryList.
    const auto& list = static_cast<const WinEntryList&>(exportList);
    TreeControlSink sink(v.tree->WindowHandle(), iconImages_->Small());
    v.treeBuilder.BuildFromList(list.View(), *icons_, sink);
}

void TfrmMain::ShowMessageBox(const std::string& text) {
    MessageBoxA(Handle(), text.c_str(), ui::App().Title().c_str(), MB_OK);
}

DialogContext TfrmMain::Dialogs() {
    return ProgramDialogContext(this, [this](int n) { return Message(n); });
}

int TfrmMain::AskPassword(const std::string& expected, int& wrongCount) {
    TfrmPassword dialog(Dialogs());
    dialog.expectedPassword = expected;
    dialog.wrongCount = wrongCount;
    const int result = dialog.ShowModal();
    wrongCount = dialog.wrongCount;
    return result;
}

std::optional<std::string> TfrmMain::SelectDestinationFolder() {
    ShellFolderPrompt prompt(Handle());
    std::string folder;
    if (!SelectFolder(prompt, "", L"", folder)) return std::nullopt;
    return folder;
}

void TfrmMain::OpenProgress() {
    progress_ = std::make_unique<TfrmProgress>(Dialogs());
    progress_->SetNotifyWindow(Handle());
    progress_->Show();
    UpdateWindow(progress_->Handle());
}

void TfrmMain::SetProgressText(const std::string& text) {
    if (progress_) progress_->SetMessageText(text);
}

void TfrmMain::SetProgress(int percent) {
    if (progress_) progress_->SetProgress(percent);
}

void TfrmMain::SetCancelVisible(bool visible) {
    if (progress_) progress_->SetCancelVisible(visible);
}

void TfrmMain::CloseProgress() { progress_.reset(); }

int TfrmMain::AskOverwrite(const std::string& fileName, int mode) {
    TfrmOverWrite dialog(Dialogs());
    dialog.SetFileName(fileName);
    dialog.SetMode(mode);
    return dialog.ShowModal();
}

std::optional<int64_t> TfrmMain::FreeSpace(const std::string& path) { return GetFreeSpace(path); }

bool TfrmMain::CanWriteTo(const std::string& folder) {
    if (!admin_) admin_.emplace(KellmarkAdminAnswer());
    return loader::CanWriteTo(folders_, *admin_, folder, "");
}

void TfrmMain::ShowSkinnedMessage(const std::string& text) { loader::ShowSkinnedMessage(Dialogs(), text); }

// ---- Hand-offs and the end.

intptr_t TfrmMain::MainWindowHandle() { return reinterpret_cast<intptr_t>(Handle()); }

Origin TfrmMain::WindowOrigin() { return {Left(), Top()}; }

std::string TfrmMain::ProgramDir() { return programDir_; }

std::string TfrmMain::TempFolder() { return GetTempDir(); }

bool TfrmMain::StartProgram(const std::string& commandLine) { return Exec(commandLine, SW_SHOW); }

uint32_t TfrmMain::Milliseconds() { return GetTickCount(); }

void TfrmMain::FreeIconList() {
    icons_.reset();
    iconImages_.reset();
}

void TfrmMain::FreeMessageFile() { messages_.reset(); }

}  // namespace kb::loader
