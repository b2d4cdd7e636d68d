#include "launcher/win/link_static_win.h"

#include <shellapi.h>

#include "launcher/splash.h"
#include "launcher/win/resource.h"
#include "shared/win/handles.h"

namespace kb::launcher {

CLinkStatic::CLinkStatic()
    : handCursor_(LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_HAND_CURSOR))) {}

CLinkStatic::~CLinkStatic() { Detach(); }

void CLinkStatic::Attach(HWND control) {
    Detach();
    if (!control) return;
    control_ = control;
    SetWindowLongPtrA(control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    previous_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CLinkStatic::Proc)));
}

void CLinkStatic::Detach() {
    if (!control_) return;
    if (IsWindow(control_)) {
        SetWindowLongPtrA(control_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
        SetWindowLongPtrA(control_, GWLP_USERDATA, 0);
    }
    control_ = nullptr;
    previous_ = nullptr;
}

void CLinkStatic::SetUrl(const std::string& url) { url_ = CutLinkUrl(url); }

HFONT CLinkStatic::MakeFont(int logPixelsY) {
    LOGFONTA lf{};
    lf.lfHeight = -MulDiv(kLinkPoints, logPixelsY, 72);
    lf.lfUnderline = 1;
    lf.lfCharSet = ANSI_CHARSET;
    lstrcpynA(lf.lfFaceName, kLinkFace, LF_FACESIZE);
    return CreateFontIndirectA(&lf);
}

LRESULT CALLBACK CLinkStatic::Proc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<CLinkStatic*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!self) return DefWindowProcA(window, message, wp, lp);
    return self->Handle(message, wp, lp);
}

LRESULT CLinkStatic::Handle(UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            BeginPaint(control_, &ps);
            DrawNormal();
            EndPaint(control_, &ps);
            return 0;
        }
        case WM_SETCURSOR:
            // The class cursor would put the arrow back on every move.
            if (handCursor_) {
                SetCursor(handCursor_);
                return TRUE;
            }
            break;
        case WM_MOUSEMOVE:
            if (handCursor_) SetCursor(handCursor_);
            DrawHover();
            return 0;
        case WM_LBUTTONDOWN:
            Open();
            return 0;
        case WM_NCDESTROY: {
            const WNDPROC previous = previous_;
            HWND window = control_;
            Detach();
            return CallWindowProcA(previous, window, message, wp, lp);
        }
        default:
            break;
    }
    return CallWindowProcA(previous_, control_, message, wp, lp);
}

void CLinkStatic::DrawLink(COLORREF color, int hover) {
    kb::win::ScopedWindowDc dc(control_);
    HWND parent = GetParent(control_);
    if (!dc.Get()) return;
    RECT client;
    GetClientRect(control_, &client);
    POINT bottomLeft{client.left, client.bottom};
    MapWindowPoints(control_, parent, &bottomLeft, 1);

    kb::win::ScopedFont font(MakeFont(GetDeviceCaps(dc.Get(), LOGPIXELSY)));
    {
        kb::win::ScopedSelect select(dc.Get(), font.Get());
        SIZE extent{0, 0};
        GetTextExtentPoint32A(dc.Get(), url_.c_str(), static_cast<int>(url_.size()), &extent);
        MoveWindow(control_, bottomLeft.x, bottomLeft.y - extent.cy, extent.cx, extent.cy, TRUE);
        SetTextColor(dc.Get(), color);
        SetBkMode(dc.Get(), TRANSPARENT);
        TextOutA(dc.Get(), 0, 0, url_.c_str(), static_cast<int>(url_.size()));
    }
    hover_ = hover;
}

void CLinkStatic::Open() {
    // The normal show state, so the page opens where the user sees it.
    const INT_PTR result = reinterpret_cast<INT_PTR>(
        ShellExecuteA(control_, nullptr, url_.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (result > 32) return;
    const char* text = result == 2 ? "File is not found" : result == 3 ? "Path is not found" : "Error occurred.";
    MessageBoxA(control_, text, "error", MB_OK);
}

}  // namespace kb::launcher
