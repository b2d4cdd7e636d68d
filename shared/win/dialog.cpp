#include "shared/win/dialog.h"

namespace kb::win {

Dialog::~Dialog() {
    if (window_) DestroyWindow(window_);
}

INT_PTR Dialog::RunModal(HINSTANCE module, int templateId, HWND owner) {
    ending_ = false;
    result_ = -1;
    const bool disableOwner = owner && IsWindowEnabled(owner);
    if (disableOwner) EnableWindow(owner, FALSE);
    HWND created = CreateDialogParamA(module, MAKEINTRESOURCEA(templateId), owner, &Proc, reinterpret_cast<LPARAM>(this));
    if (created && !ending_) ShowWindow(created, SW_SHOW);
    bool quit = false;
    WPARAM quitCode = 0;
    MSG msg;
    while (window_ && !ending_) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == -1) break;
        if (got == 0) {
            quit = true;
            quitCode = msg.wParam;
            break;
        }
        if (PreTranslateMessage(msg)) continue;
        if (window_ && IsDialogMessageA(window_, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    // The owner is enabled before the dialog goes, so activation returns to it.
    if (disableOwner) EnableWindow(owner, TRUE);
    if (window_) DestroyWindow(window_);
    if (quit) PostQuitMessage(static_cast<int>(quitCode));
    return result_;
}

void Dialog::End(INT_PTR result) {
    result_ = result;
    ending_ = true;
    // Wakes a loop that waits in GetMessage.
    if (window_) PostMessageA(window_, WM_NULL, 0, 0);
}

INT_PTR CALLBACK Dialog::Proc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    Dialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lp);
        SetWindowLongPtrA(window, DWLP_USER, lp);
        self->window_ = window;
    } else {
        self = reinterpret_cast<Dialog*>(GetWindowLongPtrA(window, DWLP_USER));
    }
    if (!self) return FALSE;
    INT_PTR answer = FALSE;
    try {
        answer = self->Handle(message, wp, lp);
    } catch (...) {
        // Nothing may unwind through the dialog manager's frames.
        answer = FALSE;
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, DWLP_USER, 0);
        self->window_ = nullptr;
    }
    return answer;
}

INT_PTR Dialog::Handle(UINT message, WPARAM wp, LPARAM lp) {
    INT_PTR result = 0;
    if (message != WM_INITDIALOG && OnMessage(message, wp, lp, result)) {
        SetWindowLongPtrA(window_, DWLP_MSGRESULT, result);
        return TRUE;
    }
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog() ? TRUE : FALSE;
    case WM_TIMER:
        OnTimer(wp);
        return TRUE;
    case WM_COMMAND: {
        const int id = LOWORD(wp);
        if (OnCommand(id, HIWORD(wp), reinterpret_cast<HWND>(lp))) return TRUE;
        if (id == IDOK) {
            OnOK();
            return TRUE;
        }
        if (id == IDCANCEL) {
            OnCancel();
            return TRUE;
        }
        return FALSE;
    }
    default:
        return FALSE;
    }
}

}  // namespace kb::win
