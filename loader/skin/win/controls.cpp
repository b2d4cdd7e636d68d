#include "loader/skin/win/controls.h"

#include <windowsx.h>

#include <algorithm>
#include <utility>

namespace kb::loader::ui {
namespace {

constexpr char kPanelClass[] = "TPanel";

unsigned ShiftFrom(WPARAM keys) {
    unsigned shift = 0;
    if (keys & MK_SHIFT) shift |= kShiftKey;
    if (keys & MK_CONTROL) shift |= kCtrlKey;
    if (keys & MK_LBUTTON) shift |= kLeftDown;
    if (keys & MK_RBUTTON) shift |= kRightDown;
    if (keys & MK_MBUTTON) shift |= kMiddleDown;
    if (GetKeyState(VK_MENU) < 0) shift |= kAltKey;
    return shift;
}

unsigned KeyShift() {
    unsigned shift = 0;
    if (GetKeyState(VK_SHIFT) < 0) shift |= kShiftKey;
    if (GetKeyState(VK_CONTROL) < 0) shift |= kCtrlKey;
    if (GetKeyState(VK_MENU) < 0) shift |= kAltKey;
    return shift;
}

unsigned ButtonBit(MouseButton b) {
    return b == MouseButton::Left ? 1u : b == MouseButton::Right ? 2u : 4u;
}

RECT BoundsOf(const Control& c) { return {c.Left(), c.Top(), c.Left() + c.Width(), c.Top() + c.Height()}; }

}  // namespace

uint32_t DefaultFaceColor() { return kb::win::RgbFromColorRef(GetSysColor(COLOR_BTNFACE)); }

// ---- Control ----

Control::~Control() { AttachTo(nullptr); }

void Control::AttachTo(WinControl* parent) {
    if (parent_ == parent) return;
    if (parent_) parent_->RemoveChild(this);
    parent_ = parent;
    if (parent_) parent_->AddChild(this);
}

void Control::StoreBounds(int left, int top, int width, int height) {
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
}

void Control::SetBounds(int left, int top, int width, int height) { StoreBounds(left, top, width, height); }

void Control::SetVisible(bool visible) { visible_ = visible; }

void Control::SetAlign(Align align) {
    align_ = align;
    if (parent_) parent_->Realign();
}

void Control::MouseDown(MouseButton button, unsigned shift, int x, int y) {
    if (onMouseDown) onMouseDown(*this, button, shift, x, y);
}
void Control::MouseUp(MouseButton button, unsigned shift, int x, int y) {
    if (onMouseUp) onMouseUp(*this, button, shift, x, y);
}
void Control::MouseMove(unsigned shift, int x, int y) {
    if (onMouseMove) onMouseMove(*this, shift, x, y);
}
void Control::Click() {
    if (onClick) onClick(*this);
}
void Control::DblClick() {
    if (onDblClick) onDblClick(*this);
}

// ---- GraphicControl ----

GraphicControl::GraphicControl(WinControl* parent) { AttachTo(parent); }

void GraphicControl::Invalidate() {
    if (parent_ && visible_) parent_->InvalidateRect(BoundsOf(*this));
}

void GraphicControl::SetBounds(int left, int top, int width, int height) {
    if (left == left_ && top == top_ && width == width_ && height == height_) return;
    Invalidate();
    StoreBounds(left, top, width, height);
    Invalidate();
}

void GraphicControl::SetVisible(bool visible) {
    if (visible == visible_) return;
    if (visible_) Invalidate();
    visible_ = visible;
    Invalidate();
}

// ---- WinControl ----

WinControl::~WinControl() {
    // Children outlive us only as loose objects: they forget their parent.
    for (Control* child : children_) child->parent_ = nullptr;
    children_.clear();
    Destroy();
}

bool WinControl::RegisterControlClass(const char* className) {
    return kb::win::RegisterWindowClass({className, CS_DBLCLKS});
}

bool WinControl::CreateHandle(const char* className, DWORD style, DWORD exStyle, HWND parentOrOwner, int id, int x,
                              int y, int width, int height, const char* title) {
    if (!RegisterControlClass(className)) return false;
    StoreBounds(x, y, width, height);
    visible_ = (style & WS_VISIBLE) != 0;
    return Create({className, title, style, exStyle, x, y, width, height, parentOrOwner, id});
}

void WinControl::SetBounds(int left, int top, int width, int height) {
    StoreBounds(left, top, width, height);
    if (Handle()) SetWindowPos(Handle(), nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    Realign();
}

void WinControl::SetVisible(bool visible) {
    visible_ = visible;
    if (Handle()) ShowWindow(Handle(), visible ? SW_SHOWNA : SW_HIDE);
}

void WinControl::SetEnabled(bool enabled) {
    Control::SetEnabled(enabled);
    if (Handle()) EnableWindow(Handle(), enabled);
}

int WinControl::ClientWidth() const {
    RECT r = {};
    if (Handle()) GetClientRect(Handle(), &r);
    return Handle() ? r.right : width_;
}

int WinControl::ClientHeight() const {
    RECT r = {};
    if (Handle()) GetClientRect(Handle(), &r);
    return Handle() ? r.bottom : height_;
}

void WinControl::SetColor(uint32_t rgb) {
    color_ = rgb & 0xFFFFFF;
    colorBrush_.Reset();
    Invalidate();
}

void WinControl::AddChild(Control* child) { children_.push_back(child); }

void WinControl::RemoveChild(Control* child) {
    children_.erase(std::remove(children_.begin(), children_.end(), child), children_.end());
    if (mouseTarget_ == child) {
        mouseTarget_ = nullptr;
        EndMouseCapture();
    }
}

void WinControl::Realign() {
    RECT rest = {0, 0, ClientWidth(), ClientHeight()};
    for (Align pass : {Align::Top, Align::Bottom, Align::Left, Align::Right, Align::Client}) {
        for (Control* c : children_) {
            if (c->GetAlign() != pass || !c->Visible()) continue;
            const int w = rest.right - rest.left, h = rest.bottom - rest.top;
            switch (pass) {
                case Align::Top:
                    c->SetBounds(rest.left, rest.top, w, c->Height());
                    rest.top += c->Height();
                    break;
                case Align::Bottom:
                    c->SetBounds(rest.left, rest.bottom - c->Height(), w, c->Height());
                    rest.bottom -= c->Height();
                    break;
                case Align::Left:
                    c->SetBounds(rest.left, rest.top, c->Width(), h);
                    rest.left += c->Width();
                    break;
                case Align::Right:
                    c->SetBounds(rest.right - c->Width(), rest.top, c->Width(), h);
                    rest.right -= c->Width();
                    break;
                case Align::Client:
                    c->SetBounds(rest.left, rest.top, w, h);
                    break;
                case Align::None:
                    break;
            }
        }
    }
}

void WinControl::Invalidate() {
    if (Handle()) RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void WinControl::InvalidateRect(const RECT& rect) {
    // Windowed children that show our background (image buttons) repaint too.
    if (Handle()) RedrawWindow(Handle(), &rect, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void WinControl::ComposeBackground(kb::win::DibBitmap& buffer, int x, int y) {
    if (parentBackground_ && parent_) {
        parent_->ComposeBackground(buffer, x - left_, y - top_);
    } else {
        buffer.FillRect(x, y, ClientWidth(), ClientHeight(), color_);
    }
    for (Control* c : children_) {
        if (c->Windowed() || !c->Visible()) continue;
        static_cast<GraphicControl*>(c)->Paint(buffer, x + c->Left(), y + c->Top());
    }
}

void WinControl::PaintContent(kb::win::DibBitmap&, int, int) {}

void WinControl::PaintTo(kb::win::DibBitmap& target, int x, int y) {
    ComposeBackground(target, x, y);
    PaintContent(target, x, y);
    for (Control* c : children_) {
        if (!c->Windowed() || !c->Visible() || !c->WindowHandle()) continue;
        if (auto* ours = dynamic_cast<WinControl*>(c)) {
            ours->PaintTo(target, x + c->Left(), y + c->Top());
            continue;
        }
        // The platform's controls print themselves.
        kb::win::DibCanvas canvas(target);
        if (!canvas.Get()) continue;
        POINT old;
        SetViewportOrgEx(canvas.Get(), x + c->Left(), y + c->Top(), &old);
        SendMessageA(c->WindowHandle(), WM_PRINT, reinterpret_cast<WPARAM>(canvas.Get()),
                     PRF_CLIENT | PRF_NONCLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
        SetViewportOrgEx(canvas.Get(), old.x, old.y, nullptr);
    }
}

Control* WinControl::ControlAt(int x, int y) {
    for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
        Control* c = *it;
        if (c->Windowed() || !c->Visible() || !c->Enabled()) continue;
        if (x >= c->Left() && y >= c->Top() && x < c->Left() + c->Width() && y < c->Top() + c->Height()) return c;
    }
    return this;
}

void WinControl::RouteButtonDown(MouseButton button, bool dbl, WPARAM wParam, LPARAM lParam) {
    const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
    Control* target = mouseTarget_ ? mouseTarget_ : ControlAt(x, y);
    if (buttonsDown_ == 0) {
        mouseTarget_ = target;
        // Every button captures, so the release always comes back here.
        SetCapture(Handle());
    }
    buttonsDown_ |= ButtonBit(button);
    // A double click's second press raises no click at its release.
    if (button == MouseButton::Left) clickArmed_ = !dbl;
    const int ox = target == this ? 0 : target->Left(), oy = target == this ? 0 : target->Top();
    unsigned shift = ShiftFrom(wParam);
    if (dbl) {
        shift |= kDoubleClick;
        if (button == MouseButton::Left) target->DblClick();
    }
    target->MouseDown(button, shift, x - ox, y - oy);
}

void WinControl::RouteButtonUp(MouseButton button, WPARAM wParam, LPARAM lParam) {
    const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
    Control* target = mouseTarget_ ? mouseTarget_ : ControlAt(x, y);
    buttonsDown_ &= ~ButtonBit(button);
    const int ox = target == this ? 0 : target->Left(), oy = target == this ? 0 : target->Top();
    const int w = target == this ? ClientWidth() : target->Width();
    const int h = target == this ? ClientHeight() : target->Height();
    if (button == MouseButton::Left && clickArmed_) {
        clickArmed_ = false;
        if (x - ox >= 0 && y - oy >= 0 && x - ox < w && y - oy < h) target->Click();
    }
    if (buttonsDown_ == 0) {
        mouseTarget_ = nullptr;
        EndMouseCapture();
    }
    target->MouseUp(button, ShiftFrom(wParam), x - ox, y - oy);
}

void WinControl::EndMouseCapture() {
    buttonsDown_ = 0;
    if (Handle() && GetCapture() == Handle()) ReleaseCapture();
}

bool WinControl::SetCursorFor(LPARAM lParam) {
    if (LOWORD(lParam) != HTCLIENT) return false;
    if (App().ScreenCursor() != Cursor::Default) {
        SetCursor(CursorHandle(App().ScreenCursor()));
        return true;
    }
    POINT at;
    GetCursorPos(&at);
    ScreenToClient(Handle(), &at);
    Control* c = ControlAt(at.x, at.y);
    Cursor cursor = c->cursor;
    if (cursor == Cursor::Default) cursor = this->cursor;
    if (cursor == Cursor::Default) return false;
    SetCursor(CursorHandle(cursor));
    return true;
}

LRESULT WinControl::ControlColor(HDC dc, HWND child) {
    for (Control* c : children_) {
        if (c->WindowHandle() != child) continue;
        if (auto* host = dynamic_cast<NativeHost*>(c)) {
            if (HBRUSH brush = host->ControlColor(dc)) return reinterpret_cast<LRESULT>(brush);
        }
        break;
    }
    return -1;
}

LRESULT WinControl::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            return 1;  // the back buffer covers everything
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(Handle(), &ps);
            const int w = ps.rcPaint.right - ps.rcPaint.left, h = ps.rcPaint.bottom - ps.rcPaint.top;
            kb::win::DibBitmap buffer;
            if (w > 0 && h > 0 && buffer.Create(w, h)) {
                ComposeBackground(buffer, -ps.rcPaint.left, -ps.rcPaint.top);
                PaintContent(buffer, -ps.rcPaint.left, -ps.rcPaint.top);
                buffer.DrawTo(dc, ps.rcPaint.left, ps.rcPaint.top, 0, 0, w, h);
            }
            EndPaint(Handle(), &ps);
            return 0;
        }
        case WM_LBUTTONDOWN: RouteButtonDown(MouseButton::Left, false, wParam, lParam); return 0;
        case WM_RBUTTONDOWN: RouteButtonDown(MouseButton::Right, false, wParam, lParam); return 0;
        case WM_MBUTTONDOWN: RouteButtonDown(MouseButton::Middle, false, wParam, lParam); return 0;
        case WM_LBUTTONDBLCLK: RouteButtonDown(MouseButton::Left, true, wParam, lParam); return 0;
        case WM_RBUTTONDBLCLK: RouteButtonDown(MouseButton::Right, true, wParam, lParam); return 0;
        case WM_MBUTTONDBLCLK: RouteButtonDown(MouseButton::Middle, true, wParam, lParam); return 0;
        case WM_LBUTTONUP: RouteButtonUp(MouseButton::Left, wParam, lParam); return 0;
        case WM_RBUTTONUP: RouteButtonUp(MouseButton::Right, wParam, lParam); return 0;
        case WM_MBUTTONUP: RouteButtonUp(MouseButton::Middle, wParam, lParam); return 0;
        case WM_MOUSEMOVE: {
            const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
            Control* target = mouseTarget_ ? mouseTarget_ : ControlAt(x, y);
            const int ox = target == this ? 0 : target->Left(), oy = target == this ? 0 : target->Top();
            target->MouseMove(ShiftFrom(wParam), x - ox, y - oy);
            return 0;
        }
        case WM_CAPTURECHANGED:
            // The press ended elsewhere (another window took the mouse): the
            // target hears its release, without a click.
            if (reinterpret_cast<HWND>(lParam) != Handle() && mouseTarget_) {
                Control* target = mouseTarget_;
                const unsigned down = buttonsDown_;
                mouseTarget_ = nullptr;
                buttonsDown_ = 0;
                clickArmed_ = false;
                for (MouseButton b : {MouseButton::Left, MouseButton::Right, MouseButton::Middle})
                    if (down & ButtonBit(b)) target->MouseUp(b, 0, -1, -1);
            }
            return 0;
        case WM_SETCURSOR:
            if (reinterpret_cast<HWND>(wParam) == Handle() && SetCursorFor(lParam)) return TRUE;
            break;
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN: {
            const LRESULT brush = ControlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
            if (brush != -1) return brush;
            break;
        }
        case WM_WINDOWPOSCHANGED: {
            const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
            if (!(pos->flags & SWP_NOMOVE)) {
                left_ = pos->x;
                top_ = pos->y;
            }
            if (!(pos->flags & SWP_NOSIZE)) {
                width_ = pos->cx;
                height_ = pos->cy;
                Realign();
            }
            BoundsChangedByWindow();
            return 0;
        }
        default:
            break;
    }
    return Window::HandleMessage(message, wParam, lParam);
}

// ---- Form ----

Form::Form(std::string className) : className_(std::move(className)) {}

Form::~Form() {
    if (App().MainForm() == this) App().SetMainForm(nullptr);
}

bool Form::Create(HWND owner, bool stayOnTop) {
    return CreateHandle(className_.c_str(), WS_POPUP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                        stayOnTop ? WS_EX_TOPMOST : 0, owner ? owner : App().Handle(), 0, left_, top_, width_,
                        height_);
}

void Form::SetCaption(const std::string& caption) {
    if (Handle()) SetWindowTextA(Handle(), caption.c_str());
}

std::string Form::Caption() const {
    if (!Handle()) return {};
    char text[1024] = {};
    GetWindowTextA(Handle(), text, sizeof text);
    return text;
}

void Form::Show() {
    if (!App().MainForm()) App().SetMainForm(this);
    visible_ = true;
    if (Handle()) {
        ShowWindow(Handle(), SW_SHOW);
        UpdateWindow(Handle());
    }
    if (onShow) onShow(*this);
}

void Form::Close() {
    if (onCloseQuery && !onCloseQuery(*this)) return;
    if (modal_) {
        modalResult_ = 2;
        return;
    }
    Hide();
    if (App().MainForm() == this) App().Terminate();
}

namespace {
struct DisabledWindows {
    HWND keep;
    std::vector<HWND> windows;
};
BOOL CALLBACK DisableOne(HWND window, LPARAM param) {
    auto* state = reinterpret_cast<DisabledWindows*>(param);
    if (window != state->keep && IsWindowVisible(window) && IsWindowEnabled(window)) {
        EnableWindow(window, FALSE);
        state->windows.push_back(window);
    }
    return TRUE;
}
}  // namespace

int Form::ShowModal() {
    if (!Handle() || modal_) return 0;
    DisabledWindows disabled{Handle(), {}};
    EnumThreadWindows(GetCurrentThreadId(), &DisableOne, reinterpret_cast<LPARAM>(&disabled));
    modal_ = true;
    modalResult_ = 0;
    Show();
    SetActiveWindow(Handle());
    while (modalResult_ == 0) {
        if (App().Terminated()) {
            modalResult_ = 2;
            break;
        }
        App().HandleMessage(true);
    }
    const int result = modalResult_;
    // Re-enable first, so the platform activates one of them, not another program.
    for (HWND w : disabled.windows)
        if (IsWindow(w)) EnableWindow(w, TRUE);
    if (Handle()) Hide();
    modal_ = false;
    return result;
}

bool Form::PreviewKey(UINT message, WPARAM& key) {
    if (!keyPreview) return false;
    const KeyEvent& handler = message == WM_KEYDOWN ? onKeyDown : onKeyUp;
    if (!handler) return false;
    WORD k = static_cast<WORD>(key);
    handler(*this, k, KeyShift());
    key = k;
    return k == 0;
}

LRESULT Form::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CLOSE:
            Close();
            return 0;
        case WM_KEYDOWN:
        case WM_KEYUP: {
            // Keys of the form itself (no focused child).
            const KeyEvent& handler = message == WM_KEYDOWN ? onKeyDown : onKeyUp;
            if (handler) {
                WORD k = static_cast<WORD>(wParam);
                handler(*this, k, KeyShift());
                return 0;
            }
            break;
        }
        default:
            break;
    }
    return WinControl::HandleMessage(message, wParam, lParam);
}

void Form::BoundsChangedByWindow() {}

// ---- Panel ----

bool Panel::Create(WinControl& parent, int id) {
    AttachTo(&parent);
    return CreateHandle(kPanelClass, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, parent.Handle(),
                        id, left_, top_, width_, height_);
}

// ---- Image ----

void Image::SetPicture(kb::win::DibBitmap&& bitmap) {
    picture_ = std::move(bitmap);
    PictureChanged();
}

void Image::PictureChanged() {
    if (autoSize && !picture_.Empty()) SetBounds(left_, top_, picture_.Width(), picture_.Height());
    Invalidate();
}

void Image::Paint(kb::win::DibBitmap& buffer, int x, int y) {
    if (picture_.Empty()) return;
    const RECT clip = {x, y, x + width_, y + height_};
    std::optional<uint32_t> key;
    if (transparent) key = kb::win::RgbFromColorRef(transparentColor);
    if (stretch)
        buffer.StretchBlit(picture_, x, y, width_, height_, key, &clip);
    else
        buffer.StretchBlit(picture_, x, y, picture_.Width(), picture_.Height(), key, &clip);
}

// ---- Label ----

void Label::SetCaption(const std::string& caption) {
    caption_ = caption;
    AdjustSize();
    Invalidate();
}

void Label::SetFont(const kb::win::FontSpec& spec) {
    font_ = kb::win::CreateFontFor(spec);
    AdjustSize();
    Invalidate();
}

void Label::SetFontColor(COLORREF color) {
    fontColor_ = color;
    Invalidate();
}

void Label::SetColor(COLORREF color) {
    color_ = color;
    Invalidate();
}

void Label::SetTransparent(bool transparent) {
    transparent_ = transparent;
    Invalidate();
}

void Label::SetRightJustify(bool right) {
    right_ = right;
    Invalidate();
}

void Label::SetAutoSize(bool autoSize) {
    autoSize_ = autoSize;
    AdjustSize();
}

void Label::AdjustSize() {
    if (!autoSize_) return;
    HDC screen = GetDC(nullptr);
    if (!screen) return;
    HGDIOBJ old = font_ ? SelectObject(screen, font_.Get()) : nullptr;
    RECT r = {0, 0, 0, 0};
    // An empty caption keeps the height of one line.
    const std::string measured = caption_.empty() ? std::string(" ") : caption_;
    DrawTextA(screen, measured.c_str(), static_cast<int>(measured.size()), &r, DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS);
    if (old) SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    SetBounds(left_, top_, caption_.empty() ? 0 : r.right, r.bottom);
}

void Label::Paint(kb::win::DibBitmap& buffer, int x, int y) {
    if (!transparent_) buffer.FillRect(x, y, width_, height_, kb::win::RgbFromColorRef(color_));
    if (caption_.empty()) return;
    kb::win::DibCanvas canvas(buffer);
    if (!canvas.Get()) return;
    if (font_) SelectObject(canvas.Get(), font_.Get());
    SetBkMode(canvas.Get(), TRANSPARENT);
    SetTextColor(canvas.Get(), fontColor_);
    RECT r = {x, y, x + width_, y + height_};
    DrawTextA(canvas.Get(), caption_.c_str(), static_cast<int>(caption_.size()), &r,
              DT_NOPREFIX | DT_EXPANDTABS | (right_ ? DT_RIGHT : DT_LEFT));
}

// ---- Gauge ----

void Gauge::SetProgress(int progress) {
    progress = std::clamp(progress, 0, 100);
    if (progress == progress_) return;
    progress_ = progress;
    Invalidate();
}

void Gauge::SetColors(COLORREF back, COLORREF fore, COLORREF font) {
    back_ = back;
    fore_ = fore;
    font_ = font;
    Invalidate();
}

void Gauge::SetBorder(bool border) {
    border_ = border;
    Invalidate();
}

void Gauge::SetFont(const kb::win::FontSpec& spec) {
    fontHandle_ = kb::win::CreateFontFor(spec);
    Invalidate();
}

void Gauge::Paint(kb::win::DibBitmap& buffer, int x, int y) {
    int inner = border_ ? 1 : 0;
    if (border_) buffer.FillRect(x, y, width_, height_, 0x000000);
    const int w = width_ - 2 * inner, h = height_ - 2 * inner;
    if (w <= 0 || h <= 0) return;
    buffer.FillRect(x + inner, y + inner, w, h, kb::win::RgbFromColorRef(back_));
    const int filled = static_cast<int>(static_cast<int64_t>(w) * progress_ / 100);
    buffer.FillRect(x + inner, y + inner, filled, h, kb::win::RgbFromColorRef(fore_));
    kb::win::DibCanvas canvas(buffer);
    if (!canvas.Get()) return;
    if (fontHandle_) SelectObject(canvas.Get(), fontHandle_.Get());
    SetBkMode(canvas.Get(), TRANSPARENT);
    SetTextColor(canvas.Get(), font_);
    const std::string text = std::to_string(progress_) + "%";
    RECT r = {x + inner, y + inner, x + inner + w, y + inner + h};
    DrawTextA(canvas.Get(), text.c_str(), static_cast<int>(text.size()), &r,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

// ---- NativeHost ----

kb::win::ControlArgs NativeHost::ArgsFor(WinControl& parent, int id) const {
    kb::win::ControlArgs args;
    args.parent = parent.Handle();
    args.id = id;
    args.x = left_;
    args.y = top_;
    args.width = width_;
    args.height = height_;
    args.style = visible_ ? WS_VISIBLE : 0;
    return args;
}

void NativeHost::Adopted(WinControl& parent) { AttachTo(&parent); }

void NativeHost::SetBounds(int left, int top, int width, int height) {
    StoreBounds(left, top, width, height);
    if (WindowHandle()) SetWindowPos(WindowHandle(), nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void NativeHost::SetVisible(bool visible) {
    visible_ = visible;
    if (WindowHandle()) ShowWindow(WindowHandle(), visible ? SW_SHOWNA : SW_HIDE);
}

void NativeHost::SetEnabled(bool enabled) {
    Control::SetEnabled(enabled);
    if (WindowHandle()) EnableWindow(WindowHandle(), enabled);
}

void NativeHost::SetFont(const kb::win::FontSpec& spec) {
    kb::win::ScopedFont font = kb::win::CreateFontFor(spec);
    Native().SetFont(font.Get());
    font_ = std::move(font);  // the old font goes once the control holds the new one
}

void NativeHost::SetColors(std::optional<COLORREF> background, std::optional<COLORREF> text) {
    background_ = background;
    text_ = text;
    brush_.Reset(background ? CreateSolidBrush(*background) : nullptr);
    if (WindowHandle()) ::InvalidateRect(WindowHandle(), nullptr, TRUE);
}

void NativeHost::SetBorder(bool border) {
    HWND w = WindowHandle();
    if (!w) return;
    LONG style = GetWindowLongA(w, GWL_STYLE);
    LONG ex = GetWindowLongA(w, GWL_EXSTYLE);
    style = border ? (style | WS_BORDER) : (style & ~WS_BORDER);
    ex &= ~WS_EX_CLIENTEDGE;
    SetWindowLongA(w, GWL_STYLE, style);
    SetWindowLongA(w, GWL_EXSTYLE, ex);
    SetWindowPos(w, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

HBRUSH NativeHost::ControlColor(HDC dc) {
    if (text_) SetTextColor(dc, *text_);
    if (!background_) return nullptr;
    SetBkColor(dc, *background_);
    return brush_.Get();
}

bool Edit::Create(WinControl& parent, int id) {
    Adopted(parent);
    return edit_.Create(ArgsFor(parent, id));
}

bool Memo::Create(WinControl& parent, int id) {
    Adopted(parent);
    return edit_.Create(ArgsFor(parent, id));
}

bool PushButton::Create(WinControl& parent, int id, const std::string& caption) {
    Adopted(parent);
    kb::win::ControlArgs args = ArgsFor(parent, id);
    args.text = caption;
    return button_.Create(args);
}

bool ListView::Create(WinControl& parent, int id) {
    Adopted(parent);
    return list_.Create(ArgsFor(parent, id));
}

bool TreeView::Create(WinControl& parent, int id) {
    Adopted(parent);
    return tree_.Create(ArgsFor(parent, id));
}

}  // namespace kb::loader::ui
