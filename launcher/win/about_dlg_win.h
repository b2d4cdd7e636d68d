// The about box the main dialog's system menu opens.
#pragma once

#include <windows.h>

#include <string>

#include "shared/win/dialog.h"

namespace kb::launcher {

// Template 100.
class CAboutDlg final : public kb::win::Dialog {
public:
    INT_PTR DoModal(HWND owner);
};

// Centres window on the rectangle of over (the screen's work area when null).
void CentreWindowOn(HWND window, HWND over);

}  // namespace kb::launcher
