// A window object behind an HWND: window classes registered once under stable
// names with one shared procedure that finds the object again.
#pragma once

#include <windows.h>

namespace kb::win {

struct WindowClassSpec {
    const char* name = nullptr;  // stable: the UI driver finds windows by it
    UINT style = 0;              // CS_DBLCLKS for windows that want double clicks
    HCURSOR cursor = nullptr;    // null: the arrow
    HBRUSH background = nullptr;
};

// Registers the class with the shared window procedure once per process. True
// when the class is registered (now or before); false when the platform refused.
bool RegisterWindowClass(const WindowClassSpec& spec);

// The object a window of a registered class calls. `this` is attached at
// WM_NCCREATE and detached at WM_NCDESTROY; every exception thrown by a handler
// is caught at the window procedure (the message then gets the default answer).
class Window {
public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    struct CreateArgs {
        const char* className = nullptr;  // registered by RegisterWindowClass
        const char* title = "";
        DWORD style = 0;
        DWORD exStyle = 0;
        int x = 0, y = 0, width = 0, height = 0;
        HWND parent = nullptr;  // parent of a child window, owner of a top-level one
        int id = 0;             // control id of a child window
    };
    // False when the window could not be made (no window is left behind).
    bool Create(const CreateArgs& args);
    // Destroys the window, if there is one; Handle() is null afterwards.
    void Destroy();
    HWND Handle() const { return handle_; }

    // The object of a window made by Create, or null.
    static Window* FromHandle(HWND window);

protected:
    // Every message of the window; the default is DefWindowProcA.
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);
    // Called once the window is gone (after WM_NCDESTROY), Handle() already null.
    virtual void HandleDestroyed() {}

private:
    friend bool RegisterWindowClass(const WindowClassSpec& spec);
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND handle_ = nullptr;
};

}  // namespace kb::win
