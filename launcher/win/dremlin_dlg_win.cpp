#include "launcher/win/dremlin_dlg_win.h"

#include <commctrl.h>

#include "shared/win/common_controls.h"

#include "launcher/win/driver_download_dlg_win.h"
#include "launcher/win/resource.h"
#include "launcher/win/work_folder_win.h"

namespace kb::launcher {
namespace {

constexpr char kCaption[] = "Dremlin";

}  // namespace

CDremlinDlg::CDremlinDlg() : sequencer_(static_cast<LauncherPlatform&>(*this)) {}

INT_PTR CDremlinDlg::DoModal() { return RunModal(GetModuleHandleA(nullptr), IDD_DREMLIN_DIALOG, nullptr); }

bool CDremlinDlg::OnInitDialog() {
    HWND window = Handle();
    if (HMENU menu = GetSystemMenu(window, FALSE)) {
        char about[256] = {};
        if (LoadStringA(GetModuleHandleA(nullptr), IDS_ABOUTBOX, about, sizeof about) > 0) {
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
            AppendMenuA(menu, MF_STRING, IDM_ABOUTBOX, about);
        }
    }
    m_hIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
    SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    if (!sequencer_.OnInitDialog()) return true;
    // Nothing of the dialog shows until the start sequence has succeeded.
    CentreWindowOn(window, nullptr);
    GetWindowRect(window, &m_rcWindow);
    MoveWindow(window, 0, 0, 0, 0, TRUE);
    return true;
}

void CDremlinDlg::OnTimer(UINT_PTR id) { sequencer_.OnTimer(static_cast<unsigned>(id)); }

bool CDremlinDlg::OnCommand(int id, int code, HWND) {
    if (id == IDC_BUTTON_RUN && code == BN_CLICKED) {
        sequencer_.OnRun();
        return true;
    }
    return false;
}

bool CDremlinDlg::PreTranslateMessage(MSG& msg) { return msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE; }

bool CDremlinDlg::OnMessage(UINT message, WPARAM wp, LPARAM, INT_PTR& result) {
    switch (message) {
    case WM_HANDOFF_CLOSE:
        // Honoured only while waiting; the window procedure sees it either way.
        sequencer_.OnHandOff();
        return false;
    case WM_SYSCOMMAND:
        if ((wp & 0xFFF0) == IDM_ABOUTBOX) {
            CAboutDlg about;
            about.DoModal(Handle());
            result = 0;
            return true;
        }
        if ((wp & 0xFFF0) == SC_CLOSE) {
            // Ignored by the sequencer while checking or waiting, greyed item or not.
            sequencer_.OnCloseRequest();
            result = 0;
            return true;
        }
        return false;
    case WM_CLOSE:
        sequencer_.OnCloseRequest();
        result = 0;
        return true;
    case WM_QUERYDRAGICON:
        result = reinterpret_cast<INT_PTR>(m_hIcon);
        return true;
    case WM_PAINT:
        if (IsIconic(Handle())) {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(Handle(), &paint);
            RECT client;
            GetClientRect(Handle(), &client);
            const int cx = GetSystemMetrics(SM_CXICON), cy = GetSystemMetrics(SM_CYICON);
            DrawIcon(dc, (client.right - cx + 1) / 2, (client.bottom - cy + 1) / 2, m_hIcon);
            EndPaint(Handle(), &paint);
            result = 0;
            return true;
        }
        return false;
    default:
        return false;
    }
}

std::optional<std::string> CDremlinDlg::ModulePath() {
    char path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    if (n == 0 || n >= sizeof path) return std::nullopt;
    return std::string(path, n);
}

uint16_t CDremlinDlg::UserDefaultLangId() { return GetUserDefaultLangID(); }

std::vector<char> CDremlinDlg::CdRomDrives() { return CdRomDriveLetters(); }

bool CDremlinDlg::ExtractArchive(const std::string& archiveServerPath, const std::string& archivePath,
                                 const std::string& destination) {
    return ExtractArchiveWith(archiveServerPath, archivePath, destination);
}

void CDremlinDlg::DeleteFolderTree(const std::string& folder) { kb::launcher::DeleteFolderTree(folder); }

DiscFacts CDremlinDlg::GatherDiscFacts(char drive, const DiscQuestions& questions) {
    return kb::launcher::GatherDiscFacts(drive, questions);
}

std::optional<int> CDremlinDlg::CheckEnvironment(const std::string& dllPath, const DriverRequestBytes& record) {
    return CheckEnvironmentWith(dllPath, record);
}

void CDremlinDlg::ShowDriverDownload(const std::string& text, const std::string& url) {
    ShowDriverDownloadDialog(Handle(), text, url);
}

bool CDremlinDlg::ShellOpen(const ShellStart& start) { return ShellStartProgram(Handle(), start); }

int64_t CDremlinDlg::OwnerWindow() {
    // The handle as Windows hands it to other processes: its 32 significant bits, signed.
    return static_cast<int32_t>(reinterpret_cast<intptr_t>(Handle()));
}

void CDremlinDlg::ShowError(const std::string& text) { MessageBoxA(Handle(), text.c_str(), kCaption, MB_ICONERROR); }

void CDremlinDlg::SetTimer(unsigned id, unsigned milliseconds) { ::SetTimer(Handle(), id, milliseconds, nullptr); }

void CDremlinDlg::KillTimer(unsigned id) { ::KillTimer(Handle(), id); }

bool CDremlinDlg::ShowSplash(const std::string& settingsPath, const std::string& prepareText,
                             const std::string& failText) {
    m_dlgSplash = std::make_unique<CSplashDlg>(Handle());
    return ShowSplashWindow(*m_dlgSplash, Handle(), settingsPath, prepareText, failText);
}

void CDremlinDlg::DestroySplash() {
    if (m_dlgSplash) m_dlgSplash->Destroy();
}

void CDremlinDlg::SetDialogTexts(const std::string& comment, const std::string& runButton) {
    SetDlgItemTextA(Handle(), IDC_EDIT_COMMENT, comment.c_str());
    SetDlgItemTextA(Handle(), IDC_BUTTON_RUN, runButton.c_str());
}

void CDremlinDlg::SetDriveList(const std::vector<char>& drives) {
    HWND combo = GetDlgItem(Handle(), IDC_COMBO_DRIVE);
    for (char letter : drives) {
        const char text[] = {letter, ':', '\0'};
        const LRESULT item = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        if (item >= 0) SendMessageA(combo, CB_SETITEMDATA, static_cast<WPARAM>(item), static_cast<unsigned char>(letter));
    }
    SendMessageA(combo, CB_SETCURSEL, 0, 0);
}

char CDremlinDlg::SelectedDrive() {
    HWND combo = GetDlgItem(Handle(), IDC_COMBO_DRIVE);
    const LRESULT item = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    const LRESULT data = SendMessageA(combo, CB_GETITEMDATA, static_cast<WPARAM>(item), 0);
    return static_cast<char>(data & 0xFF);
}

void CDremlinDlg::MoveCommentControl(const ControlRect& rect) {
    MoveWindow(GetDlgItem(Handle(), IDC_EDIT_COMMENT), rect.x, rect.y, rect.width, rect.height, TRUE);
}

void CDremlinDlg::RevealDialog() {
    SetFocus(GetDlgItem(Handle(), IDC_BUTTON_RUN));
    MoveWindow(Handle(), m_rcWindow.left, m_rcWindow.top, m_rcWindow.right - m_rcWindow.left,
               m_rcWindow.bottom - m_rcWindow.top, TRUE);
}

void CDremlinDlg::EnableCloseMenuItem(bool enable) {
    if (HMENU menu = GetSystemMenu(Handle(), FALSE))
        EnableMenuItem(menu, SC_CLOSE, MF_BYCOMMAND | (enable ? MF_ENABLED : MF_GRAYED));
}

void CDremlinDlg::EnableControls(bool enable) {
    EnableWindow(GetDlgItem(Handle(), IDC_COMBO_DRIVE), enable);
    EnableWindow(GetDlgItem(Handle(), IDC_BUTTON_RUN), enable);
    EnableCloseMenuItem(enable);
}

void CDremlinDlg::EnableCloseItem() { EnableCloseMenuItem(true); }

void CDremlinDlg::EndDialog() { End(IDCANCEL); }

void CDremlinDlg::DestroyDialog() { DestroyWindow(Handle()); }

bool CDremlinApp::InitInstance() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    kb::win::comctl::InitCommonControlsEx(&controls);
    CDremlinDlg dialog;
    dialog.DoModal();  // its result is not looked at
    return false;
}

}  // namespace kb::launcher
