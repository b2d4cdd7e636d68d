#include "loader/skin/win/application.h"

#include "loader/skin/win/controls.h"

namespace kb::loader::ui {
namespace {
// Posted to the application's window to bring the main form forward.
constexpr UINT kBringForwardMessage = WM_APP + 0x71;
}  // namespace

HCURSOR CursorHandle(Cursor cursor) {
    switch (cursor) {
        case Cursor::Default: return nullptr;
        case Cursor::Arrow: return LoadCursorA(nullptr, IDC_ARROW);
        case Cursor::SizeAll: return LoadCursorA(nullptr, IDC_SIZEALL);
        case Cursor::HourGlass: return LoadCursorA(nullptr, IDC_WAIT);
        case Cursor::HandPoint: return LoadCursorA(nullptr, IDC_HAND);
        case Cursor::IBeam: return LoadCursorA(nullptr, IDC_IBEAM);
    }
    return nullptr;
}

Application& Application::Instance() {
    static Application app;
    return app;
}

bool Application::Initialize(const std::string& title) {
    title_ = title;
    terminated_ = false;
    if (Handle()) {
        SetWindowTextA(Handle(), title.c_str());
        return true;
    }
    if (!kb::win::RegisterWindowClass({kApplicationClass})) return false;
    // Never shown: the forms' owner, found by its class and title.
    return Create({kApplicationClass, title_.c_str(), WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX});
}

void Application::SetTitle(const std::string& title) {
    title_ = title;
    if (Handle()) SetWindowTextA(Handle(), title.c_str());
}

void Application::Run() {
    while (!terminated_) HandleMessage(true);
}

void Application::Terminate() {
    // The flag ends our loops at once; the quit message ends a wait in any loop.
    terminated_ = true;
    PostQuitMessage(0);
}

void Application::ProcessMessages() {
    while (HandleMessage(false)) {
    }
}

bool Application::HandleMessage(bool wait) {
    MSG msg;
    if (wait) {
        if (GetMessageA(&msg, nullptr, 0, 0) <= 0) {
            terminated_ = true;
            return false;
        }
    } else {
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
        if (msg.message == WM_QUIT) {
            terminated_ = true;
            return false;
        }
    }
    if (msg.message == WM_KEYDOWN || msg.message == WM_KEYUP) {
        HWND root = GetAncestor(msg.hwnd, GA_ROOT);
        if (root && root != msg.hwnd) {
            auto* form = dynamic_cast<Form*>(kb::win::Window::FromHandle(root));
            if (form && form->PreviewKey(msg.message, msg.wParam)) return true;
        }
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    return true;
}

void Application::SetScreenCursor(Cursor cursor) {
    if (cursor == screenCursor_) return;
    screenCursor_ = cursor;
    if (cursor != Cursor::Default) {
        SetCursor(CursorHandle(cursor));
        return;
    }
    // Back to the cursor of whatever lies under the mouse.
    POINT at;
    if (!GetCursorPos(&at)) return;
    HWND under = WindowFromPoint(at);
    DWORD pid = 0;
    if (under && GetWindowThreadProcessId(under, &pid) && pid == GetCurrentProcessId())
        SendMessageA(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    else
        SetCursor(LoadCursorA(nullptr, IDC_ARROW));
}

UINT_PTR Application::AddTimer(Timer* timer, UINT interval) {
    if (!Handle()) return 0;
    const UINT_PTR id = nextTimerId_++;
    if (!SetTimer(Handle(), id, interval, nullptr)) return 0;
    timers_[id] = timer;
    return id;
}

void Application::RemoveTimer(UINT_PTR id) {
    if (timers_.erase(id) && Handle()) KillTimer(Handle(), id);
}

void Application::Shutdown() {
    for (auto& [id, timer] : timers_) {
        if (Handle()) KillTimer(Handle(), id);
        timer->id_ = 0;
    }
    timers_.clear();
    mainForm_ = nullptr;
    screenCursor_ = Cursor::Default;
    Destroy();
    // Drop a quit message left by a Terminate, so a later loop starts clean.
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    terminated_ = false;
}

LRESULT Application::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER: {
            auto it = timers_.find(static_cast<UINT_PTR>(wParam));
            if (it != timers_.end() && it->second->onTimer) it->second->onTimer(*it->second);
            return 0;
        }
        case WM_SYSCOMMAND:
            // Restoring the application (another instance found us) brings the main form up.
            if ((wParam & 0xFFF0) == SC_RESTORE && mainForm_ && mainForm_->Handle()) {
                BringMainFormForward();
                return 0;
            }
            break;
        case WM_ACTIVATE:
            // Another instance brought this hidden window to the front: the
            // user is to see the main form, once the activation is done.
            if (LOWORD(wParam) != WA_INACTIVE) PostMessageA(Handle(), kBringForwardMessage, 0, 0);
            break;
        case kBringForwardMessage:
            BringMainFormForward();
            return 0;
        case WM_WINDOWPOSCHANGING: {
            // Another instance's restore must not show this window: it stays
            // hidden and the main form comes up instead.
            auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
            if (pos->flags & SWP_SHOWWINDOW) {
                pos->flags &= ~SWP_SHOWWINDOW;
                BringMainFormForward();
            }
            break;
        }
        case WM_CLOSE:
            Terminate();
            return 0;
        default:
            break;
    }
    return Window::HandleMessage(message, wParam, lParam);
}

namespace {
struct AnswerableWindow {
    HWND skip[2];
    HWND found = nullptr;
};
BOOL CALLBACK FindAnswerable(HWND window, LPARAM param) {
    auto* state = reinterpret_cast<AnswerableWindow*>(param);
    if (window == state->skip[0] || window == state->skip[1]) return TRUE;
    if (!IsWindowVisible(window) || !IsWindowEnabled(window)) return TRUE;
    state->found = window;
    return FALSE;
}
}  // namespace

void Application::BringMainFormForward() {
    if (!mainForm_ || !mainForm_->Handle()) return;
    HWND main = mainForm_->Handle();
    if (IsIconic(main)) ShowWindow(main, SW_RESTORE);
    HWND target = main;
    // A disabled main form waits for a modal window: that one is the answer.
    if (!IsWindowEnabled(main)) {
        AnswerableWindow state{{Handle(), main}};
        EnumThreadWindows(GetCurrentThreadId(), &FindAnswerable, reinterpret_cast<LPARAM>(&state));
        if (state.found) target = state.found;
    }
    SetForegroundWindow(target);
}

Timer::~Timer() { SetEnabled(false); }

void Timer::SetInterval(UINT milliseconds) {
    interval_ = milliseconds;
    if (Enabled()) {
        SetEnabled(false);
        SetEnabled(true);
    }
}

bool Timer::SetEnabled(bool enabled) {
    if (enabled == Enabled()) return true;
    if (!enabled) {
        App().RemoveTimer(id_);
        id_ = 0;
        return true;
    }
    if (interval_ == 0) return false;
    id_ = App().AddTimer(this, interval_);
    return id_ != 0;
}

}  // namespace kb::loader::ui
