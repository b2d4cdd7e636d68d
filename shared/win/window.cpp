#include "shared/win/window.h"

namespace kb::win {

bool RegisterWindowClass(const WindowClassSpec& spec) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExA(instance, spec.name, &wc)) return wc.lpfnWndProc == &Window::Procedure;
    wc = {};
    wc.cbSize = sizeof wc;
    wc.style = spec.style;
    wc.lpfnWndProc = &Window::Procedure;
    wc.hInstance = instance;
    wc.hCursor = spec.cursor ? spec.cursor : LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = spec.background;
    wc.lpszClassName = spec.name;
    return RegisterClassExA(&wc) != 0;
}

Window::~Window() { Destroy(); }

bool Window::Create(const CreateArgs& args) {
    if (handle_) return false;
    HWND made = CreateWindowExA(args.exStyle, args.className, args.title, args.style, args.x, args.y, args.width,
                                args.height, args.parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(args.id)), GetModuleHandleA(nullptr),
                                this);
    // A class of another procedure never attached us; such a window is not ours to keep.
    if (made && handle_ != made) {
        DestroyWindow(made);
        return false;
    }
    return made != nullptr;
}

void Window::Destroy() {
    if (handle_) DestroyWindow(handle_);
}

Window* Window::FromHandle(HWND window) {
    if (!window) return nullptr;
    WNDPROC proc = reinterpret_cast<WNDPROC>(GetClassLongPtrA(window, GCLP_WNDPROC));
    if (proc != &Window::Procedure) return nullptr;
    return reinterpret_cast<Window*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

LRESULT Window::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return Default(message, wParam, lParam);
}

LRESULT Window::Default(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(handle_, message, wParam, lParam);
}

LRESULT CALLBACK Window::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* self = nullptr;
    if (message == WM_NCCREATE) {
        self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        if (self) {
            self->handle_ = window;
            SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
    } else {
        self = reinterpret_cast<Window*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    }
    if (!self) return DefWindowProcA(window, message, wParam, lParam);
    LRESULT result = 0;
    try {
        result = self->HandleMessage(message, wParam, lParam);
    } catch (...) {
        // Nothing may unwind through the system's frames. Handlers end their
        // own failures (the loader's sequences end theirs on a failed
        // allocation); what still gets here is answered as unhandled.
        result = DefWindowProcA(window, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        self->handle_ = nullptr;
        self->HandleDestroyed();
    }
    return result;
}

}  // namespace kb::win
