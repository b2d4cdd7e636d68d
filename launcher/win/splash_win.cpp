#include "launcher/win/splash_win.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "launcher/edition.h"
#include "launcher/win/resource.h"
#include "launcher/win/settings_win.h"

namespace kb::launcher {
namespace {

// The whole file, opened "rb"; false when it cannot be opened or read.
bool ReadFileBytes(const std::string& path, std::vector<std::uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    bytes.clear();
    std::uint8_t chunk[64 * 1024];
    std::size_t got = 0;
    bool ok = true;
    while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
    ok = std::ferror(f) == 0;
    std::fclose(f);
    return ok;
}

}  // namespace

// ---------------------------------------------------------------- items

void CDrawItem::SetBounds(int left, int top, int w, int h) {
    x = left;
    y = top;
    width = w;
    height = h;
}

void CDrawItem::UnionDirtyRect() {
    dirty.left = std::min<LONG>(dirty.left, x);
    dirty.top = std::min<LONG>(dirty.top, y);
    dirty.right = std::max<LONG>(dirty.right, x + width);
    dirty.bottom = std::max<LONG>(dirty.bottom, y + height);
}

void CDrawItem::InvalidateDirty() {
    InvalidateRect(owner_, &dirty, FALSE);
    MSG msg;
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message == WM_PAINT &&
        PeekMessageA(&msg, msg.hwnd, WM_PAINT, WM_PAINT, PM_REMOVE))
        DispatchMessageA(&msg);
}

bool CDibBitmap::LoadBmp(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    if (!ReadFileBytes(path, bytes)) return false;
    // A file that fails the checks draws nothing, as a missing one.
    DecodeSplashBitmap(bytes.data(), bytes.size(), picture_);
    if (Loaded() && autoSize) {
        width = picture_.width;
        height = picture_.height;
    }
    return true;
}

void CDibBitmap::Draw(HDC dc) {
    if (!visible || !Loaded()) return;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = picture_.width;
    info.bmiHeader.biHeight = -picture_.height;  // rows from the top
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    // Unstretched, the picture keeps its own size at the item's corner.
    const int w = stretch ? width : picture_.width;
    const int h = stretch ? height : picture_.height;
    const int previous = stretch ? SetStretchBltMode(dc, HALFTONE) : 0;
    if (stretch) SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchDIBits(dc, x, y, w, h, 0, 0, picture_.width, picture_.height, picture_.pixels.data(), &info, DIB_RGB_COLORS,
                  SRCCOPY);
    if (previous) SetStretchBltMode(dc, previous);
    UnionDirtyRect();
}

BYTE CCharsetFont::CharsetFromName() const { return kb::launcher::CharsetFromName(charsetName).charset; }

HFONT CCharsetFont::MakeFont() const {
    LOGFONTA lf{};
    lf.lfHeight = FontHeightFromPoints(size);
    lf.lfWeight = bold ? FW_BOLD : 0;
    lf.lfItalic = italic ? 1 : 0;
    lf.lfUnderline = underline ? 1 : 0;
    lf.lfCharSet = CharsetFromName();
    lstrcpynA(lf.lfFaceName, faceName.c_str(), LF_FACESIZE);
    return CreateFontIndirectA(&lf);
}

void CTextItem::Redraw() {
    {
        kb::win::ScopedWindowDc dc(owner_);
        if (dc.Get()) Draw(dc.Get());
    }
    InvalidateDirty();
}

void CTextItem::Draw(HDC dc) {
    if (!visible) return;
    const int oldMode = transparent ? SetBkMode(dc, TRANSPARENT) : 0;
    const COLORREF oldColor = SetTextColor(dc, font.color);
    kb::win::ScopedFont handle(font.MakeFont());
    {
        kb::win::ScopedSelect select(dc, handle.Get());
        RECT measure{0, 0, 0, 0};
        DrawTextA(dc, text.c_str(), -1, &measure, DT_CALCRECT | DT_NOPREFIX);
        const int textWidth = measure.right - measure.left;
        const int textHeight = measure.bottom - measure.top;
        if (align == TextAlign::Left) width = textWidth;
        const int start = TextStart(align, x, width, textWidth);
        height = textHeight;
        RECT r{start, y, start + textWidth, y + textHeight};
        UnionDirtyRect();
        DrawTextA(dc, text.c_str(), -1, &r, DT_NOPREFIX);
    }
    if (transparent) SetBkMode(dc, oldMode);
    SetTextColor(dc, oldColor);
}

// ---------------------------------------------------------------- image

template <class Item>
Item* CSplashImage::Add() {
    if (items_.size() >= kMaxDrawItems) return nullptr;
    auto item = std::make_unique<Item>(owner_);
    item->id = nextId_++;
    Item* raw = item.get();
    items_.push_back(std::move(item));
    return raw;
}

CDibBitmap* CSplashImage::AddBitmapItem() { return Add<CDibBitmap>(); }
CTextItem* CSplashImage::AddTextItem() { return Add<CTextItem>(); }

bool CSplashImage::LoadRegionFile(const std::string& path) {
    if (!owner_ || !IsExistingFile(path)) return false;
    std::vector<std::uint8_t> bytes;
    if (!ReadFileBytes(path, bytes)) return false;
    ApplyRegion(bytes);
    return true;
}

void CSplashImage::ApplyRegion(const std::vector<std::uint8_t>& data) {
    kb::image::RegionCheck check;
    if (!CheckSplashRegion(data.data(), data.size(), check)) return;
    // The block sits 4 bytes into the file; the region call wants it aligned.
    std::vector<DWORD> block((check.byteCount + sizeof(DWORD) - 1) / sizeof(DWORD));
    std::memcpy(block.data(), data.data() + check.offset, check.byteCount);
    HRGN region = ExtCreateRegion(nullptr, check.byteCount, reinterpret_cast<const RGNDATA*>(block.data()));
    if (!region) return;
    if (SetWindowRgn(owner_, region, TRUE))
        windowHasRegion_ = true;
    else
        DeleteObject(region);
}

void CSplashImage::Paint() {
    PAINTSTRUCT ps;
    HDC paintDc = BeginPaint(owner_, &ps);
    if (!paintDc) return;
    RECT client;
    GetClientRect(owner_, &client);
    HDC target = paintDc;
    if (doubleBuffer_) {
        backBitmap_.Reset();
        backDc_.Reset(CreateCompatibleDC(paintDc));
        backBitmap_.Reset(CreateCompatibleBitmap(paintDc, client.right, client.bottom));
        if (backDc_ && backBitmap_) target = backDc_.Get();
    }
    {
        kb::win::ScopedSelect bitmap(backDc_.Get(), backBitmap_.Get());
        if (target != paintDc) {
            kb::win::ScopedSelect pen(target, GetStockObject(NULL_PEN));
            kb::win::ScopedSelect brush(target, GetSysColorBrush(COLOR_BTNFACE));
            Rectangle(target, 0, 0, client.right + 1, client.bottom + 1);
        }
        for (auto& item : items_) item->Draw(target);
        if (target != paintDc) BitBlt(paintDc, 0, 0, client.right, client.bottom, target, 0, 0, SRCCOPY);
    }
    EndPaint(owner_, &ps);
}

// ---------------------------------------------------------------- window

CSplashDlg::~CSplashDlg() { Destroy(); }

bool CSplashDlg::Create() {
    if (window_) return true;
    return CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SPLASH), parent_, &Proc,
                              reinterpret_cast<LPARAM>(this)) != nullptr;
}

void CSplashDlg::Destroy() {
    if (window_) DestroyWindow(window_);
}

INT_PTR CALLBACK CSplashDlg::Proc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    CSplashDlg* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CSplashDlg*>(lp);
        SetWindowLongPtrA(window, DWLP_USER, lp);
        self->window_ = window;
        if (!self->OnInitDialog()) {
            // The creator learns of the failure from a window that is gone.
            DestroyWindow(window);
            return FALSE;
        }
        return TRUE;
    }
    self = reinterpret_cast<CSplashDlg*>(GetWindowLongPtrA(window, DWLP_USER));
    return self ? self->Handle(message, wp, lp) : FALSE;
}

bool CSplashDlg::OnInitDialog() {
    image_ = std::make_unique<CSplashImage>(window_);
    SetWindowTextA(window_, kSplashTitle);
    if (!SetWindowPos(window_, nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW)) return false;
    SetTimer(window_, kTimerSplashLayout, kSplashLayoutDelayMs, nullptr);
    return true;
}

INT_PTR CSplashDlg::Handle(UINT message, WPARAM wp, LPARAM) {
    switch (message) {
        case WM_TIMER:
            if (wp != kTimerSplashLayout) return FALSE;
            KillTimer(window_, kTimerSplashLayout);
            if (!LayoutSplash()) MessageBoxA(window_, failText_.c_str(), "Dremlin", MB_ICONERROR);
            return TRUE;
        case WM_PAINT:
            if (image_) image_->Paint();
            return TRUE;
        case WM_COMMAND:
            // OK does nothing; Cancel ends a modeless dialog by hiding it.
            if (LOWORD(wp) == IDCANCEL) ShowWindow(window_, SW_HIDE);
            return TRUE;
        case WM_DESTROY:
            KillTimer(window_, kTimerSplashLayout);
            textItem_ = nullptr;
            image_.reset();
            SetWindowLongPtrA(window_, DWLP_USER, 0);
            window_ = nullptr;
            return FALSE;
        default:
            return FALSE;
    }
}

bool CSplashDlg::LayoutSplash() {
    settings_ = ReadSplashSettings(
        [&](const char* section, const char* key, const char* def) { return ReadIniString(iniPath_, section, key, def); },
        [&](const char* section, const char* key, int def) { return ReadIniInt(iniPath_, section, key, def); });
    const SplashSettings& s = settings_;
    if (!SetWindowPos(window_, nullptr, s.left, s.top, s.width, s.height, SWP_HIDEWINDOW | SWP_NOZORDER)) return false;

    RECT desktop, own;
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(window_, &own);
    const Point at = CenterOn(desktop.right - desktop.left, desktop.bottom - desktop.top, own.right - own.left,
                              own.bottom - own.top);
    SetWindowPos(window_, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);

    char module[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, module, sizeof module);
    const std::string folder = length > 0 && length < sizeof module ? GetModuleFolder(module) : std::string();
    image_->LoadRegionFile(folder + s.rgnFile);
    if (CDibBitmap* bitmap = image_->AddBitmapItem()) {
        bitmap->SetBounds(0, 0, s.width, s.height);
        bitmap->autoSize = false;
        bitmap->stretch = true;
        bitmap->LoadBmp(folder + s.bmpFile);
    }

    textItem_ = image_->AddTextItem();
    if (textItem_) {
        textItem_->x = s.strLeft;
        textItem_->y = s.strTop;
        textItem_->text.clear();
        textItem_->align = TextAlign::Left;
        if (!s.charSet.empty()) textItem_->font.charsetName = CharsetFromName(s.charSet).name;
        if (!s.faceName.empty()) textItem_->font.faceName = s.faceName;
        textItem_->font.size = s.strSize;
        textItem_->font.color = s.strColor;
        textItem_->font.bold = true;
        textItem_->text = prepareText_;
        textItem_->Redraw();
    }
    UpdateWindow(window_);
    ShowWindow(window_, SW_SHOWNORMAL);
    return true;
}

bool ShowSplashWindow(CSplashDlg& splash, HWND mainDialog, const std::string& settingsPath,
                      const std::string& prepareText, const std::string& failText) {
    splash.SetIniPath(settingsPath);
    splash.SetPrepareText(prepareText);
    splash.SetFailText(failText);
    if (!splash.Create()) return false;
    // Centred on the main dialog and shown; the layout moves and sizes it later.
    RECT parent{}, own{};
    if (mainDialog && GetWindowRect(mainDialog, &parent) && GetWindowRect(splash.Handle(), &own)) {
        const int w = own.right - own.left, h = own.bottom - own.top;
        SetWindowPos(splash.Handle(), nullptr, parent.left + (parent.right - parent.left - w) / 2,
                     parent.top + (parent.bottom - parent.top - h) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ShowWindow(splash.Handle(), SW_SHOW);
    return true;
}

}  // namespace kb::launcher
