#include "shared/win/common_controls.h"

#include <string>

#include "shared/base/dll_binding.h"

namespace kb::win::comctl {
namespace {

// Casts a looked-up address to the function type it is known to have.
template <class F>
F As(void* p) {
    return reinterpret_cast<F>(p);
}

struct Api {
    decltype(&::InitCommonControlsEx) initCommonControlsEx = nullptr;
    decltype(&::ImageList_Create) imageListCreate = nullptr;
    decltype(&::ImageList_Destroy) imageListDestroy = nullptr;
    decltype(&::ImageList_GetIcon) imageListGetIcon = nullptr;
    decltype(&::ImageList_GetImageCount) imageListGetImageCount = nullptr;
    decltype(&::ImageList_SetIconSize) imageListSetIconSize = nullptr;
    decltype(&::ImageList_SetImageCount) imageListSetImageCount = nullptr;
    decltype(&::ImageList_ReplaceIcon) imageListReplaceIcon = nullptr;
    decltype(&::ImageList_Remove) imageListRemove = nullptr;
    decltype(&::SetWindowSubclass) setWindowSubclass = nullptr;
    decltype(&::RemoveWindowSubclass) removeWindowSubclass = nullptr;
    decltype(&::DefSubclassProc) defSubclassProc = nullptr;
    bool loaded = false;
};

// The subclass calls have been exported by number alone in some versions.
constexpr WORD kSetWindowSubclassOrdinal = 410;
constexpr WORD kRemoveWindowSubclassOrdinal = 412;
constexpr WORD kDefSubclassProcOrdinal = 413;

void* Find(const kb::DynamicLibrary* m, const char* name, WORD ordinal = 0) {
    void* p = m->Symbol(name);
    if (!p && ordinal != 0) p = m->Symbol(MAKEINTRESOURCEA(ordinal));
    return p;
}

const Api& Bound() {
    static const Api api = [] {
        Api a;
        // Kept loaded for the process's life: the bound functions are used until its end.
        const kb::DynamicLibrary* m = kb::LoadSystemLibrary("comctl32.dll").release();
        if (!m) return a;
        a.loaded = true;
        a.initCommonControlsEx = As<decltype(a.initCommonControlsEx)>(Find(m, "InitCommonControlsEx"));
        a.imageListCreate = As<decltype(a.imageListCreate)>(Find(m, "ImageList_Create"));
        a.imageListDestroy = As<decltype(a.imageListDestroy)>(Find(m, "ImageList_Destroy"));
        a.imageListGetIcon = As<decltype(a.imageListGetIcon)>(Find(m, "ImageList_GetIcon"));
        a.imageListGetImageCount = As<decltype(a.imageListGetImageCount)>(Find(m, "ImageList_GetImageCount"));
        a.imageListSetIconSize = As<decltype(a.imageListSetIconSize)>(Find(m, "ImageList_SetIconSize"));
        a.imageListSetImageCount = As<decltype(a.imageListSetImageCount)>(Find(m, "ImageList_SetImageCount"));
        a.imageListReplaceIcon = As<decltype(a.imageListReplaceIcon)>(Find(m, "ImageList_ReplaceIcon"));
        a.imageListRemove = As<decltype(a.imageListRemove)>(Find(m, "ImageList_Remove"));
        a.setWindowSubclass =
            As<decltype(a.setWindowSubclass)>(Find(m, "SetWindowSubclass", kSetWindowSubclassOrdinal));
        a.removeWindowSubclass =
            As<decltype(a.removeWindowSubclass)>(Find(m, "RemoveWindowSubclass", kRemoveWindowSubclassOrdinal));
        a.defSubclassProc = As<decltype(a.defSubclassProc)>(Find(m, "DefSubclassProc", kDefSubclassProcOrdinal));
        return a;
    }();
    return api;
}

}  // namespace

bool Load() { return Bound().loaded; }

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* classes) {
    auto f = Bound().initCommonControlsEx;
    return f ? f(classes) : FALSE;
}

HIMAGELIST ImageList_Create(int width, int height, UINT flags, int initial, int grow) {
    auto f = Bound().imageListCreate;
    return f ? f(width, height, flags, initial, grow) : nullptr;
}

BOOL ImageList_Destroy(HIMAGELIST list) {
    auto f = Bound().imageListDestroy;
    return f ? f(list) : FALSE;
}

HICON ImageList_GetIcon(HIMAGELIST list, int index, UINT flags) {
    auto f = Bound().imageListGetIcon;
    return f ? f(list, index, flags) : nullptr;
}

int ImageList_GetImageCount(HIMAGELIST list) {
    auto f = Bound().imageListGetImageCount;
    return f ? f(list) : 0;
}

BOOL ImageList_SetIconSize(HIMAGELIST list, int width, int height) {
    auto f = Bound().imageListSetIconSize;
    return f ? f(list, width, height) : FALSE;
}

BOOL ImageList_SetImageCount(HIMAGELIST list, UINT count) {
    auto f = Bound().imageListSetImageCount;
    return f ? f(list, count) : FALSE;
}

int ImageList_ReplaceIcon(HIMAGELIST list, int index, HICON icon) {
    auto f = Bound().imageListReplaceIcon;
    return f ? f(list, index, icon) : -1;
}

BOOL ImageList_Remove(HIMAGELIST list, int index) {
    auto f = Bound().imageListRemove;
    return f ? f(list, index) : FALSE;
}

BOOL SetWindowSubclass(HWND window, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR data) {
    auto f = Bound().setWindowSubclass;
    return f ? f(window, proc, id, data) : FALSE;
}

BOOL RemoveWindowSubclass(HWND window, SUBCLASSPROC proc, UINT_PTR id) {
    auto f = Bound().removeWindowSubclass;
    return f ? f(window, proc, id) : FALSE;
}

LRESULT DefSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto f = Bound().defSubclassProc;
    return f ? f(window, message, wParam, lParam) : DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace kb::win::comctl
