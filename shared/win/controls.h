// Thin wrappers of the platform's controls: EDIT (single-line and multi-line),
// BUTTON, SysListView32 and SysTreeView32. Each owns its window; the parent
// receives their notifications as usual.
#pragma once

#include <windows.h>

#include <string>

namespace kb::win {

struct ControlArgs {
    HWND parent = nullptr;
    int id = 0;
    int x = 0, y = 0, width = 0, height = 0;
    DWORD style = 0;    // added to the control's own base style
    DWORD exStyle = 0;
    std::string text{};
};

class NativeControl {
public:
    NativeControl() = default;
    virtual ~NativeControl();
    NativeControl(const NativeControl&) = delete;
    NativeControl& operator=(const NativeControl&) = delete;

    HWND Handle() const { return handle_; }
    void Destroy();
    // The font is the caller's; it must outlive the control or be replaced first.
    void SetFont(HFONT font);
    void SetText(const std::string& text);
    std::string Text() const;

protected:
    // False when the window could not be made.
    bool CreateOf(const char* className, const ControlArgs& args, DWORD baseStyle);

private:
    HWND handle_ = nullptr;
};

class Edit : public NativeControl {
public:
    // A single-line edit (WS_CHILD | WS_TABSTOP | ES_AUTOHSCROLL plus args.style).
    bool Create(const ControlArgs& args);
    // At most count characters may be typed; 0: the platform's maximum.
    void SetLimit(int count);
    // Every character shown as c; 0 shows the text.
    void SetPasswordChar(char c);
    void SetReadOnly(bool readOnly);
};

class MultiLineEdit : public Edit {
public:
    // ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN plus args.style.
    bool Create(const ControlArgs& args);
};

class PushButton : public NativeControl {
public:
    // BS_PUSHBUTTON | WS_TABSTOP plus args.style.
    bool Create(const ControlArgs& args);
};

class ListView : public NativeControl {
public:
    // SysListView32 (the common controls are initialised first).
    bool Create(const ControlArgs& args);
    int ItemCount() const;
};

class TreeView : public NativeControl {
public:
    // SysTreeView32 (the common controls are initialised first).
    bool Create(const ControlArgs& args);
    int ItemCount() const;
};

}  // namespace kb::win
