#include "shared/win/controls.h"

#include <commctrl.h>

#include "shared/win/common_controls.h"

namespace kb::win {
namespace {

void InitCommonControlClasses(DWORD classes) {
    INITCOMMONCONTROLSEX icc = {sizeof icc, classes};
    comctl::InitCommonControlsEx(&icc);
}

}  // namespace

NativeControl::~NativeControl() { Destroy(); }

void NativeControl::Destroy() {
    if (handle_ && IsWindow(handle_)) DestroyWindow(handle_);
    handle_ = nullptr;
}

bool NativeControl::CreateOf(const char* className, const ControlArgs& args, DWORD baseStyle) {
    Destroy();
    handle_ = CreateWindowExA(args.exStyle, className, args.text.c_str(), WS_CHILD | baseStyle | args.style, args.x,
                              args.y, args.width, args.height, args.parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(args.id)), GetModuleHandleA(nullptr),
                              nullptr);
    return handle_ != nullptr;
}

void NativeControl::SetFont(HFONT font) {
    if (handle_) SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void NativeControl::SetText(const std::string& text) {
    if (handle_) SetWindowTextA(handle_, text.c_str());
}

std::string NativeControl::Text() const {
    if (!handle_) return {};
    const int length = GetWindowTextLengthA(handle_);
    std::string text(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
    const int got = GetWindowTextA(handle_, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    return text;
}

bool Edit::Create(const ControlArgs& args) { return CreateOf("EDIT", args, WS_TABSTOP | ES_AUTOHSCROLL); }

void Edit::SetLimit(int count) {
    if (Handle()) SendMessageA(Handle(), EM_LIMITTEXT, static_cast<WPARAM>(count > 0 ? count : 0), 0);
}

void Edit::SetPasswordChar(char c) {
    if (!Handle()) return;
    SendMessageA(Handle(), EM_SETPASSWORDCHAR, static_cast<WPARAM>(static_cast<unsigned char>(c)), 0);
    InvalidateRect(Handle(), nullptr, TRUE);
}

void Edit::SetReadOnly(bool readOnly) {
    if (Handle()) SendMessageA(Handle(), EM_SETREADONLY, readOnly ? TRUE : FALSE, 0);
}

bool MultiLineEdit::Create(const ControlArgs& args) {
    return CreateOf("EDIT", args, WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN);
}

bool PushButton::Create(const ControlArgs& args) { return CreateOf("BUTTON", args, WS_TABSTOP | BS_PUSHBUTTON); }

bool ListView::Create(const ControlArgs& args) {
    InitCommonControlClasses(ICC_LISTVIEW_CLASSES);
    return CreateOf(WC_LISTVIEWA, args, WS_TABSTOP);
}

int ListView::ItemCount() const {
    return Handle() ? static_cast<int>(SendMessageA(Handle(), LVM_GETITEMCOUNT, 0, 0)) : 0;
}

bool TreeView::Create(const ControlArgs& args) {
    InitCommonControlClasses(ICC_TREEVIEW_CLASSES);
    return CreateOf(WC_TREEVIEWA, args, WS_TABSTOP);
}

int TreeView::ItemCount() const {
    return Handle() ? static_cast<int>(SendMessageA(Handle(), TVM_GETCOUNT, 0, 0)) : 0;
}

}  // namespace kb::win
