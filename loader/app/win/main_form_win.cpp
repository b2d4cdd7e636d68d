#include "loader/app/win/main_form_win.h"

#include <commctrl.h>

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
kb::win::FontSpec FontOf(const SkinFont& font) {
    kb::win::FontSpec spec;
    spec.face = font.name;
    spec.charset = font.charset;
    spec.points = font.size;
    return spec;
}

ControlBounds BoundsOf(const ui::Control& control) {
    return {control.Left(), control.Top(), control.Width(), control.Height()};
}

}  // namespace

LRESULT NotifyPanel::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY && onNotify && lParam != 0) onNotify(*reinterpret_cast<const NMHDR*>(lParam));
    return ui::Panel::HandleMessage(message, wParam, lParam);
}

TfrmMain::TfrmMain() : ui::Form(kMainFormClass) {
    programDir_ = GetProgramDir();
    skinFiles_.programDir = programDir_;
    skinFiles_.open = [](const std::string& path) { return OpenPrivateProfile(path); };
    skinFiles_.fileExists = [](const std::string& path) {
        return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    };
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
    buttons_.Clear();
}

RunMode TfrmMain::Create(const std::vector<std::string>& arguments, const std::string& programPath) {
    SetBounds(0, 0, 100, 100);
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

void TfrmMain::SkinPanel(ui::Panel& panel, ui::Image& image, const char* part) {
    const SkinApply plan = skin_->Apply(SkinOp::Panel, part, BoundsOf(panel), SkinFonts());
    panel.SetBounds(plan.bounds.left, plan.bounds.top, plan.bounds.width, plan.bounds.height);
    image.SetParent(&panel);
    image.SetBounds(0, 0, plan.bounds.width, plan.bounds.height);
    image.stretch = plan.pageImageFillsPanel;
    DibGraphic picture;
    if (picture.LoadFromBytes(skin_->LoadPageBitmap(plan))) image.SetPicture(std::move(picture.bitmap));
    image.SetVisible(true);
}

void TfrmMain::SkinControl(SkinOp op, ui::Control& control, const char* part, ui::NativeHost* native,
                           ui::Label* label) {
    const SkinApply plan = skin_->Apply(op, part, BoundsOf(control), SkinFonts());
    control.SetBounds(plan.bounds.left, plan.bounds.top, plan.bounds.width, plan.bounds.height);
    if (native) {
        if (plan.font) native->SetFont(FontOf(*plan.font));
        if (plan.border != SkinBorder::Keep) native->SetBorder(plan.border == SkinBorder::Single);
    }
    if (label) {
        if (plan.autoSize) label->SetAutoSize(*plan.autoSize);
        if (plan.font) label->SetFont(FontOf(*plan.font));
        if (plan.fontColor) label->SetFontColor(*plan.fontColor);
        if (plan.backColor) label->SetColor(*plan.backColor);
        label->SetTransparent(plan.transparent);
        label->SetRightJustify(plan.rightJustify);
    }
}

void TfrmMain::ApplySkin() {
    skinDef_ = std::make_unique<TSkinDef>(kMainSkin, skinFiles_);
    skinParts_ = std::make_unique<SkinDefParts>(*skinDef_);
    skin_ = std::make_unique<SkinResources>(kMainSkin, *skinParts_, std::make_unique<ArkstowSkinArchive>(), skinFiles_);
    const SkinAssets assets = skin_->LoadCreationAssets(true);

    imgBg_.autoSize = true;
    DibGraphic background;
    if (background.LoadFromBytes(assets.background)) imgBg_.SetPicture(std::move(background.bitmap));
    imgBg_.SetVisible(true);
    SetClientSize(imgBg_.Width(), imgBg_.Height());
    region_ = std::make_unique<TRgnWnd>(*this);
    if (!assets.region.empty()) region_->SetRegionFromStream(&assets.region);
    if (assets.draggable) region_->RouteMouseOf(imgBg_);

    SkinPanel(pnlPage_, imgPageView_, "RmPageView");
    SkinPanel(pnlWork_, imgPageWork_, "RmPageWork");
    pnlWork_.SetVisible(false);
    SkinPanel(pnlInit_, imgPageInit_, "RmPageInit");
    SkinControl(SkinOp::Label, lblStatus_, "RmStatus", nullptr, &lblStatus_);
    lblStatus_.SetCaption("");
    lblStatus_.SetVisible(true);

    if (!assets.archivePath.empty()) buttonArchive_.OpenArchive(assets.archivePath);
    buttons_.fileName = SkinButtonListName(kMainSkin);
    buttons_.folder = programDir_ + "\\skin";
    buttons_.form = this;
    buttons_.LoadFromFile(buttonArchive_);
    buttons_.SetEvents(nullptr,
                       [this](ui::Control& sender, ui::MouseButton, unsigned, int, int) {
                           controller_.OnSkinButtonMouseUp(static_cast<TCImageButton&>(sender).ButtonId());
                       },
                       [this](ui::Control& sender) {
                           controller_.OnSkinButtonClick(static_cast<TCImageButton&>(sender).ButtonId());
                       });
    // Every button starts hidden; the tabs come with the sessions, quit and
    // export with the first opening and the selection.
    SetButtonVisible(kWriterButton, true);
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
    const TCImageButton* button = buttons_.FindButton(id);
    return button && button->Visible();
}

void TfrmMain::SetButtonVisible(int id, bool visible) {
    if (TCImageButton* button = buttons_.FindButton(id)) button->SetVisible(visible);
}

void TfrmMain::SetButtonImage(int id, int image) {
    if (TCImageButton* button = buttons_.FindButton(id)) button->SetImageIndex(image);
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
        SkinControl(SkinOp::Label, *v.volume, "RmVolume", nullptr, v.volume.get());
        SkinControl(SkinOp::Label, *v.size, "RmSize", nullptr, v.size.get());
        SkinControl(SkinOp::ListView, *v.list, "RmListView", v.list.get(), nullptr);
        SkinControl(SkinOp::TreeView, *v.tree, "RmTreeView", v.tree.get(), nullptr);
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
        if (header.code == static_cast<UINT>(NM_CLICK) || header.code == static_cast<UINT>(NM_RCLICK))
            PostMessageA(Handle(), WM_LOADER_FOCUSLIST, 0, 0);
        return;
    }
    if (id <= kFileListIdBase || id > kFileListIdBase + kMaxSessions) return;
    if (header.code == static_cast<UINT>(NM_DBLCLK)) {
        controller_.StartExport();
        return;
    }
    if (header.code != LVN_ITEMCHANGED) return;
    const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
    if (!(change.uChanged & LVIF_STATE) || ((change.uOldState ^ change.uNewState) & LVIS_SELECTED) == 0) return;
    std::vector<size_t> selected;
    for (int i = -1; (i = static_cast<int>(SendMessageA(header.hwndFrom, LVM_GETNEXTITEM, static_cast<WPARAM>(i),
                                                         LVNI_SELECTED))) >= 0;)
        selected.push_back(static_cast<size_t>(i));
    controller_.SelectionChanged(id - kFileListIdBase, std::move(selected));
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
