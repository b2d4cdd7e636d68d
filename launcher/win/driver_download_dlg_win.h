// The driver-download dialog: why a driver is needed and, as a link, where
// to get it.
#pragma once

#include <windows.h>

#include <string>

#include "launcher/win/link_static_win.h"
#include "shared/win/dialog.h"

namespace kb::launcher {

class CDriverDownloadDlg final : public kb::win::Dialog {
public:
    explicit CDriverDownloadDlg(HWND parent) : parent_(parent) {}

    void SetText(const std::string& text) { text_ = text; }
    void SetUrl(const std::string& url);
    // Runs the dialog from template 136; OK and Esc end it.
    INT_PTR DoModal();

protected:
    bool OnInitDialog() override;
    bool OnMessage(UINT message, WPARAM wp, LPARAM lp, INT_PTR& result) override;

private:
    HWND parent_;
    CLinkStatic link_;
    std::string text_;
    std::string url_;
};

// The launcher's ShowDriverDownload: the dialog run modally over owner with
// text (message 13) and url (message 14); its result is not looked at.
void ShowDriverDownloadDialog(HWND owner, const std::string& text, const std::string& url);

}  // namespace kb::launcher
