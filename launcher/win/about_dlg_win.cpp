#include "launcher/win/about_dlg_win.h"

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

INT_PTR CAboutDlg::DoModal(HWND owner) { return RunModal(GetModuleHandleA(nullptr), IDD_ABOUTBOX, owner); }

}  // namespace kb::launcher
