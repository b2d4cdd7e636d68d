#include "launcher/win/driver_download_dlg_win.h"

#include "launcher/win/resource.h"

namespace kb::launcher {

void CDriverDownloadDlg::SetUrl(const std::string& url) {
    url_ = url;
    link_.SetUrl(url);
}

INT_PTR CDriverDownloadDlg::DoModal() { return RunModal(GetModuleHandleA(nullptr), IDD_DRIVER_DOWNLOAD, parent_); }

bool CDriverDownloadDlg::OnInitDialog() {
    link_.Attach(GetDlgItem(Handle(), IDC_STATIC_LINK));
    SetDlgItemTextA(Handle(), IDC_EDIT_DRIVER_TEXT, text_.c_str());
    return true;
}

bool CDriverDownloadDlg::OnMessage(UINT message, WPARAM, LPARAM, INT_PTR&) {
    // The mouse over the dialog, off the link, gives the link its normal colour back.
    if (message == WM_MOUSEMOVE && link_.Hover() == 1) link_.DrawNormal();
    if (message == WM_DESTROY) link_.Detach();
    return false;
}

void ShowDriverDownloadDialog(HWND owner, const std::string& text, const std::string& url) {
    CDriverDownloadDlg dialog(owner);
    dialog.SetText(text);
    dialog.SetUrl(url);
    dialog.DoModal();
}

}  // namespace kb::launcher
