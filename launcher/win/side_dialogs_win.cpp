#include "launcher/win/side_dialogs_win.h"

#include "launcher/win/resource.h"

namespace kb::launcher {

void CentreWindowOn(HWND window, HWND over) {
    RECT area{}, rect{};
    if (over)
        GetWindowRect(over, &area);
    else
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    GetWindowRect(window, &rect);
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    SetWindowPos(window, nullptr, area.left + (area.right - area.left - width) / 2,
                 area.top + (area.bottom - area.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CSplashDlg::SetTexts(const std::string& settingsPath, const std::string& prepareText,
                          const std::string& failText) {
    settingsPath_ = settingsPath;
    prepareText_ = prepareText;
    failText_ = failText;
}

INT_PTR CALLBACK CSplashDlg::Proc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

bool CSplashDlg::Create(HWND parent) {
    Destroy();
    window_ = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SPLASH), parent, &Proc, 0);
    if (!window_) return false;
    SetWindowTextA(window_, prepareText_.c_str());
    // The parent is shrunk to nothing at its centred place: centre on the screen.
    CentreWindowOn(window_, nullptr);
    ShowWindow(window_, SW_SHOW);
    return true;
}

void CSplashDlg::Destroy() {
    if (window_) DestroyWindow(window_);
    window_ = nullptr;
}

INT_PTR CDriverDownloadDlg::DoModal(HWND owner) { return RunModal(GetModuleHandleA(nullptr), IDD_DRIVER_DOWNLOAD, owner); }

bool CDriverDownloadDlg::OnInitDialog() {
    SetDlgItemTextA(Handle(), IDC_EDIT_DRIVER_TEXT, text_.c_str());
    SetDlgItemTextA(Handle(), IDC_STATIC_LINK, url_.c_str());
    CentreWindowOn(Handle(), GetWindow(Handle(), GW_OWNER));
    return true;
}

INT_PTR CAboutDlg::DoModal(HWND owner) { return RunModal(GetModuleHandleA(nullptr), IDD_ABOUTBOX, owner); }

}  // namespace kb::launcher
