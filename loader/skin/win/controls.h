// The loader's form layer: controls with bounds relative to their parent,
// windowed containers (forms, panels) that paint their windowless children
// (images, labels, gauges) into a back buffer beneath their windowed
// children, alignment, mouse routing with capture, click and double-click,
// modal forms, key preview, and the platform's controls as children.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "loader/skin/win/application.h"
#include "shared/win/controls.h"
#include "shared/win/dib.h"
#include "shared/win/font.h"
#include "shared/win/handles.h"
#include "shared/win/window.h"

namespace kb::loader::ui {

enum class MouseButton { Left, Right, Middle };

// Shift state of mouse and key events.
enum ShiftFlags : unsigned {
    kShiftKey = 1,
    kCtrlKey = 2,
    kAltKey = 4,
    kLeftDown = 8,
    kRightDown = 16,
    kMiddleDown = 32,
    kDoubleClick = 64,
};

enum class Align { None, Top, Bottom, Left, Right, Client };

// The framework's default face colour (clBtnFace), 0x00RRGGBB.
uint32_t DefaultFaceColor();

class WinControl;

// Coordinates of mouse events are the control's own; Left and Top are
// relative to the parent's client area (a form's: to the screen).
class Control {
public:
    using MouseEvent = std::function<void(Control& sender, MouseButton button, unsigned shift, int x, int y)>;
    using MouseMoveEvent = std::function<void(Control& sender, unsigned shift, int x, int y)>;
    using NotifyEvent = std::function<void(Control& sender)>;

    Control() = default;
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    WinControl* Parent() const { return parent_; }
    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    virtual void SetBounds(int left, int top, int width, int height);
    void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
    void SetTop(int v) { SetBounds(left_, v, width_, height_); }
    void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
    void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
    bool Visible() const { return visible_; }
    virtual void SetVisible(bool visible);
    Align GetAlign() const { return align_; }
    void SetAlign(Align align);
    // The cursor over this control (Default: the parent's class cursor).
    Cursor cursor = Cursor::Default;
    bool Enabled() const { return enabled_; }
    virtual void SetEnabled(bool enabled) { enabled_ = enabled; }

    virtual bool Windowed() const = 0;
    // The control's own window, null for a windowless one.
    virtual HWND WindowHandle() const { return nullptr; }

    MouseEvent onMouseDown;
    MouseEvent onMouseUp;
    MouseMoveEvent onMouseMove;
    NotifyEvent onClick;
    NotifyEvent onDblClick;

    // Entry points of the mouse routing; the defaults raise the events.
    virtual void MouseDown(MouseButton button, unsigned shift, int x, int y);
    virtual void MouseUp(MouseButton button, unsigned shift, int x, int y);
    virtual void MouseMove(unsigned shift, int x, int y);
    virtual void Click();
    virtual void DblClick();

protected:
    friend class WinControl;
    // Joins parent's children (last joined is topmost); null leaves.
    void AttachTo(WinControl* parent);
    // Bounds as they now are, without moving anything (windows report moves).
    void StoreBounds(int left, int top, int width, int height);

    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    bool visible_ = true;
    bool enabled_ = true;
    Align align_ = Align::None;
    WinControl* parent_ = nullptr;
};

// Windowless: painted by its parent into the parent's back buffer.
class GraphicControl : public Control {
public:
    explicit GraphicControl(WinControl* parent = nullptr);
    bool Windowed() const override { return false; }
    void SetParent(WinControl* parent) { AttachTo(parent); Invalidate(); }
    void SetBounds(int left, int top, int width, int height) override;
    void SetVisible(bool visible) override;
    // Asks the parent to paint this control's rectangle again.
    void Invalidate();
    // Draws the control with its top-left at (x, y) of buffer.
    virtual void Paint(kb::win::DibBitmap& buffer, int x, int y) = 0;
};

// A control with a window of one of our classes: forms, panels, image buttons.
class WinControl : public Control, public kb::win::Window {
public:
    WinControl() = default;
    ~WinControl() override;

    bool Windowed() const override { return true; }
    HWND Handle() const { return kb::win::Window::Handle(); }
    HWND WindowHandle() const override { return Handle(); }
    void SetBounds(int left, int top, int width, int height) override;
    void SetVisible(bool visible) override;
    void SetEnabled(bool enabled) override;
    int ClientWidth() const;
    int ClientHeight() const;

    // Background colour, 0x00RRGGBB.
    uint32_t Color() const { return color_; }
    void SetColor(uint32_t rgb);

    const std::vector<Control*>& Controls() const { return children_; }
    // Places the aligned children: top and bottom strips over the full width
    // first, then left and right strips between them, then the client one.
    void Realign();
    // Paints the whole client area again (windowed children too).
    void Invalidate();
    void InvalidateRect(const RECT& rect);

    // The client area as it would be painted, our windowed children included
    // and the platform's controls printed into it, with its top-left at (x, y).
    void PaintTo(kb::win::DibBitmap& target, int x, int y);

protected:
    friend class Control;
    friend class GraphicControl;

    // Creates the window (hidden unless style has WS_VISIBLE) of a class
    // registered by RegisterControlClass.
    bool CreateHandle(const char* className, DWORD style, DWORD exStyle, HWND parentOrOwner, int id, int x, int y,
                      int width, int height, const char* title = "");
    // Registers className with double clicks and the shared procedure.
    static bool RegisterControlClass(const char* className);

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Colour and windowless children of the client area, its top-left at (x, y).
    void ComposeBackground(kb::win::DibBitmap& buffer, int x, int y);
    // What the control draws of its own above its background (nothing by default).
    virtual void PaintContent(kb::win::DibBitmap& buffer, int x, int y);
    // Window moved or resized by anyone: keeps the bounds and realigns.
    virtual void BoundsChangedByWindow() {}

    // True: the control shows its parent's background beneath its content.
    bool parentBackground_ = false;

private:
    void AddChild(Control* child);
    void RemoveChild(Control* child);
    // The topmost visible, enabled windowless child under (x, y), else this.
    Control* ControlAt(int x, int y);
    void RouteButtonDown(MouseButton button, bool dbl, WPARAM wParam, LPARAM lParam);
    void RouteButtonUp(MouseButton button, WPARAM wParam, LPARAM lParam);
    void EndMouseCapture();
    bool SetCursorFor(LPARAM lParam);
    LRESULT ControlColor(HDC dc, HWND child);

    std::vector<Control*> children_;
    uint32_t color_ = DefaultFaceColor();
    kb::win::ScopedBrush colorBrush_;
    Control* mouseTarget_ = nullptr;  // the control that got the press, while a button is down
    unsigned buttonsDown_ = 0;
    bool clickArmed_ = false;
};

// A borderless top-level window owned by the application's window.
class Form : public WinControl {
public:
    using KeyEvent = std::function<void(Form& sender, WORD& key, unsigned shift)>;

    // className: the window class (a stable name the UI driver can find).
    explicit Form(std::string className);
    ~Form() override;

    // Creates the hidden window; owner null: the application's window.
    bool Create(HWND owner = nullptr, bool stayOnTop = false);
    void SetCaption(const std::string& caption);
    std::string Caption() const;
    void SetClientSize(int width, int height) { SetBounds(left_, top_, width, height); }
    void Show();
    void Hide() { SetVisible(false); }
    // A close request: asks onCloseQuery; a modal form then gets result 2, a
    // shown form hides (the main form ends the application).
    void Close();

    // Shows the form modally: every other enabled window of the thread is
    // disabled until the modal result is non-zero or the application
    // terminates (result 2). The result.
    int ShowModal();
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int result) { modalResult_ = result; }
    bool Modal() const { return modal_; }

    // Key preview: the form sees WM_KEYDOWN and WM_KEYUP of its focused child
    // first; a handler that sets key to 0 keeps the key from the child.
    bool keyPreview = false;
    KeyEvent onKeyDown;
    KeyEvent onKeyUp;
    // False keeps the form from closing.
    std::function<bool(Form& sender)> onCloseQuery;
    std::function<void(Form& sender)> onShow;

    // Called by the application's loop for key preview; true: the key is eaten.
    bool PreviewKey(UINT message, WPARAM& key);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void BoundsChangedByWindow() override;

private:
    std::string className_;
    int modalResult_ = 0;
    bool modal_ = false;
};

// A windowed container without bevels.
class Panel : public WinControl {
public:
    // Creates the panel as a visible child of parent (class "TPanel").
    bool Create(WinControl& parent, int id = 0);
};

// A bitmap picture; painted stretched to the control or at its top-left.
class Image : public GraphicControl {
public:
    explicit Image(WinControl* parent = nullptr) : GraphicControl(parent) {}
    kb::win::DibBitmap& Picture() { return picture_; }
    const kb::win::DibBitmap& Picture() const { return picture_; }
    // Takes bitmap as the picture (auto size: the control takes its size).
    void SetPicture(kb::win::DibBitmap&& bitmap);
    bool autoSize = false;
    bool stretch = false;
    // Pixels of transparentColor (a platform colour number) are left out when transparent.
    bool transparent = false;
    COLORREF transparentColor = 0;
    void Paint(kb::win::DibBitmap& buffer, int x, int y) override;
    // After the picture was changed in place: auto size, then repaint.
    void PictureChanged();

private:
    kb::win::DibBitmap picture_;
};

class Label : public GraphicControl {
public:
    explicit Label(WinControl* parent = nullptr) : GraphicControl(parent) {}
    void SetCaption(const std::string& caption);
    const std::string& Caption() const { return caption_; }
    void SetFont(const kb::win::FontSpec& spec);
    void SetFontColor(COLORREF color);
    void SetColor(COLORREF color);
    void SetTransparent(bool transparent);
    void SetRightJustify(bool right);
    // On: the label takes the size of its text.
    void SetAutoSize(bool autoSize);
    void Paint(kb::win::DibBitmap& buffer, int x, int y) override;

private:
    void AdjustSize();
    std::string caption_;
    kb::win::ScopedFont font_;
    COLORREF fontColor_ = 0;
    COLORREF color_ = 0;
    bool transparent_ = false;
    bool right_ = false;
    bool autoSize_ = true;
};

// A horizontal bar of Progress between 0 and 100 with the percentage centred.
class Gauge : public GraphicControl {
public:
    explicit Gauge(WinControl* parent = nullptr) : GraphicControl(parent) {}
    void SetProgress(int progress);
    int Progress() const { return progress_; }
    void SetColors(COLORREF back, COLORREF fore, COLORREF font);
    void SetBorder(bool border);
    void SetFont(const kb::win::FontSpec& spec);
    void Paint(kb::win::DibBitmap& buffer, int x, int y) override;

private:
    int progress_ = 0;
    COLORREF back_ = RGB(255, 255, 255);
    COLORREF fore_ = RGB(0, 0, 0);
    COLORREF font_ = RGB(0, 0, 0);
    bool border_ = true;
    kb::win::ScopedFont fontHandle_;
};

// One of the platform's controls as a child of a windowed control.
class NativeHost : public Control {
public:
    bool Windowed() const override { return true; }
    HWND WindowHandle() const override { return Native().Handle(); }
    void SetBounds(int left, int top, int width, int height) override;
    void SetVisible(bool visible) override;
    void SetEnabled(bool enabled) override;
    void SetFont(const kb::win::FontSpec& spec);
    // Colours the parent answers WM_CTLCOLOR* with; unset: the platform's.
    void SetColors(std::optional<COLORREF> background, std::optional<COLORREF> text);
    void SetBorder(bool border);
    // The parent's answer to the control's WM_CTLCOLOR* (null: the default).
    HBRUSH ControlColor(HDC dc);

protected:
    virtual kb::win::NativeControl& Native() = 0;
    virtual const kb::win::NativeControl& Native() const = 0;
    kb::win::ControlArgs ArgsFor(WinControl& parent, int id) const;
    void Adopted(WinControl& parent);

private:
    kb::win::ScopedFont font_;
    std::optional<COLORREF> background_, text_;
    kb::win::ScopedBrush brush_;
};

class Edit : public NativeHost {
public:
    bool Create(WinControl& parent, int id = 0);
    kb::win::Edit& Native() override { return edit_; }
    const kb::win::Edit& Native() const override { return edit_; }

private:
    kb::win::Edit edit_;
};

// A multi-line edit.
class Memo : public NativeHost {
public:
    bool Create(WinControl& parent, int id = 0);
    kb::win::MultiLineEdit& Native() override { return edit_; }
    const kb::win::MultiLineEdit& Native() const override { return edit_; }

private:
    kb::win::MultiLineEdit edit_;
};

class PushButton : public NativeHost {
public:
    bool Create(WinControl& parent, int id = 0, const std::string& caption = "");
    kb::win::PushButton& Native() override { return button_; }
    const kb::win::PushButton& Native() const override { return button_; }

private:
    kb::win::PushButton button_;
};

class ListView : public NativeHost {
public:
    bool Create(WinControl& parent, int id = 0);
    kb::win::ListView& Native() override { return list_; }
    const kb::win::ListView& Native() const override { return list_; }

private:
    kb::win::ListView list_;
};

class TreeView : public NativeHost {
public:
    bool Create(WinControl& parent, int id = 0);
    kb::win::TreeView& Native() override { return tree_; }
    const kb::win::TreeView& Native() const override { return tree_; }

private:
    kb::win::TreeView tree_;
};

}  // namespace kb::loader::ui
