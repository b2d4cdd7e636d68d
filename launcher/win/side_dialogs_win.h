// The dialogs the main dialog opens besides the wait for the disc: the
// modeless splash shown while the launcher starts, the driver-download dialog
// and the about box.
#pragma once

#include <windows.h>

#include <string>

#include "shared/win/dialog.h"

namespace kb::launcher {

// The splash from template 129: a window without caption, centred on the
// main dialog, until the start sequence ends.
class CSplashDlg {
public:
    ~CSplashDlg() { Destroy(); }
    void SetTexts(const std::string& settingsPath, const std::string& prepareText, const std::string& failText);
    // Creates it modeless with parent as its parent, centred on parent and shown.
    bool Create(HWND parent);
    void Destroy();
    HWND Handle() const { return window_; }

private:
    static INT_PTR CALLBACK Proc(HWND window, UINT message, WPARAM wp, LPARAM lp);
    HWND window_ = nullptr;
    std::string settingsPath_, prepareText_, failText_;
};

// Template 136: the text and the download site's address; its result is not
// looked at.
class CDriverDownloadDlg final : public kb::win::Dialog {
public:
    CDriverDownloadDlg(std::string text, std::string url) : text_(std::move(text)), url_(std::move(url)) {}
    INT_PTR DoModal(HWND owner);

protected:
    bool OnInitDialog() override;

private:
    std::string text_, url_;
};

// Template 100.
class CAboutDlg final : public kb::win::Dialog {
public:
    INT_PTR DoModal(HWND owner);
};

// Centres window on the rectangle of over (the screen's work area when null).
void CentreWindowOn(HWND window, HWND over);

}  // namespace kb::launcher
