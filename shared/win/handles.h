// Scoped owners of Win32 handles: one owner per handle, moved and never copied.
#pragma once

#include <windows.h>

#include <utility>

namespace kb::win {

// Owns one handle of a kind described by Traits (Traits::Invalid() and
// Traits::Close(h)). Closing happens in the destructor, on Reset and on move
// assignment; Release hands the handle back to the caller without closing it.
template <class Traits>
class ScopedHandle {
public:
    using Handle = typename Traits::Handle;

    ScopedHandle() noexcept = default;
    explicit ScopedHandle(Handle h) noexcept : handle_(h) {}
    ~ScopedHandle() { Close(); }

    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.Release()) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }

    Handle Get() const noexcept { return handle_; }
    bool Valid() const noexcept { return handle_ != Traits::Invalid(); }
    explicit operator bool() const noexcept { return Valid(); }

    // Closes the current handle (if any) and takes ownership of h.
    void Reset(Handle h = Traits::Invalid()) noexcept {
        if (h == handle_) return;
        Close();
        handle_ = h;
    }
    // Gives up ownership: the caller now closes the handle.
    Handle Release() noexcept { return std::exchange(handle_, Traits::Invalid()); }

private:
    void Close() noexcept {
        if (Valid()) Traits::Close(handle_);
        handle_ = Traits::Invalid();
    }

    Handle handle_ = Traits::Invalid();
};

// Kernel objects that CreateFile reports failed with INVALID_HANDLE_VALUE.
struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) noexcept { ::CloseHandle(h); }
};
// Kernel objects whose creators report failure with null (events, threads, processes).
struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::CloseHandle(h); }
};
// Any GDI object: DeleteObject frees bitmaps, brushes, pens, fonts and regions alike.
template <class H>
struct GdiTraits {
    using Handle = H;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::DeleteObject(h); }
};
struct IconTraits {
    using Handle = HICON;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::DestroyIcon(h); }
};
// Memory device contexts from CreateCompatibleDC.
struct MemoryDcTraits {
    using Handle = HDC;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { ::DeleteDC(h); }
};

using ScopedFile = ScopedHandle<FileHandleTraits>;
using ScopedKernelHandle = ScopedHandle<KernelHandleTraits>;
using ScopedGdiObject = ScopedHandle<GdiTraits<HGDIOBJ>>;
using ScopedBitmap = ScopedHandle<GdiTraits<HBITMAP>>;
using ScopedBrush = ScopedHandle<GdiTraits<HBRUSH>>;
using ScopedPen = ScopedHandle<GdiTraits<HPEN>>;
using ScopedFont = ScopedHandle<GdiTraits<HFONT>>;
using ScopedRegion = ScopedHandle<GdiTraits<HRGN>>;
using ScopedIcon = ScopedHandle<IconTraits>;
using ScopedMemoryDc = ScopedHandle<MemoryDcTraits>;

// Selects an object into a DC for one scope and puts the previous one back,
// so the owner of the object can delete it afterwards.
class ScopedSelect {
public:
    ScopedSelect(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(::SelectObject(dc, object)) {}
    ~ScopedSelect() {
        if (previous_ && previous_ != HGDI_ERROR) ::SelectObject(dc_, previous_);
    }
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// A window DC from GetDC, released to its window.
class ScopedWindowDc {
public:
    explicit ScopedWindowDc(HWND window) noexcept : window_(window), dc_(::GetDC(window)) {}
    ~ScopedWindowDc() {
        if (dc_) ::ReleaseDC(window_, dc_);
    }
    ScopedWindowDc(const ScopedWindowDc&) = delete;
    ScopedWindowDc& operator=(const ScopedWindowDc&) = delete;
    HDC Get() const noexcept { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

}  // namespace kb::win
