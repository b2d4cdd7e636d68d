// The common controls, bound at run time from the system folder. The library
// is not one of those the system always takes from its own folder: imported
// by name it is looked for beside the program first, and a comctl32.dll on a
// disc beside the program would be loaded. Bound once, by full path, and kept
// for the process's life; each program binds it as the first step of its
// start, where the import bound it before, so the controls look and behave as
// they did (no manifest: the system folder's own library, its classic style).
// A function the library lacks fails as the control's own failure would
// (false, null or -1) without calling anything.
#pragma once
#include <windows.h>
#include <commctrl.h>

namespace kb::win::comctl {

// Binds the library; true when it is bound (again, on later calls).
bool Load();

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* classes);

HIMAGELIST ImageList_Create(int width, int height, UINT flags, int initial, int grow);
BOOL ImageList_Destroy(HIMAGELIST list);
HICON ImageList_GetIcon(HIMAGELIST list, int index, UINT flags);
int ImageList_GetImageCount(HIMAGELIST list);
BOOL ImageList_SetIconSize(HIMAGELIST list, int width, int height);
BOOL ImageList_SetImageCount(HIMAGELIST list, UINT count);
int ImageList_ReplaceIcon(HIMAGELIST list, int index, HICON icon);
BOOL ImageList_Remove(HIMAGELIST list, int index);

BOOL SetWindowSubclass(HWND window, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR data);
BOOL RemoveWindowSubclass(HWND window, SUBCLASSPROC proc, UINT_PTR id);
// Without the library a subclass was never set, so the window's own
// procedure is never reached through here; DefWindowProc stands in.
LRESULT DefSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace kb::win::comctl
