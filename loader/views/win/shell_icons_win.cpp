#include "loader/views/win/shell_icons_win.h"

#include "loader/win/folders_win.h"
#include "shared/win/common_controls.h"

#include <shellapi.h>

#include <string>
#include <vector>

namespace kb::loader {
namespace {

namespace comctl = kb::win::comctl;

constexpr UINT kImageListFlags = ILC_COLOR32 | ILC_MASK;
constexpr int kSmallIconSize = 16;

ShellIcon Wrap(HICON icon) {
    ShellIcon s;
    if (!icon) return s;
    s.handle = icon;
    ICONINFO info{};
    if (GetIconInfo(icon, &info)) {
        BITMAP bm{};
        if (info.hbmColor && GetObjectA(info.hbmColor, sizeof bm, &bm)) {
            s.width = bm.bmWidth;
            s.height = bm.bmHeight;
        } else if (info.hbmMask && GetObjectA(info.hbmMask, sizeof bm, &bm)) {
            // A monochrome icon's mask holds the AND and XOR halves.
            s.width = bm.bmWidth;
            s.height = bm.bmHeight / 2;
        }
        if (info.hbmColor) DeleteObject(info.hbmColor);
        if (info.hbmMask) DeleteObject(info.hbmMask);
    }
    return s;
}

HICON FileIcon(const std::string& name, DWORD attributes, UINT sizeFlag) {
    SHFILEINFOA info{};
    if (!SHGetFileInfoA(name.c_str(), attributes, &info, sizeof info, SHGFI_ICON | SHGFI_USEFILEATTRIBUTES | sizeFlag))
        return nullptr;
    return info.hIcon;
}

HICON SystemListIcon(UINT sizeFlag) {
    SHFILEINFOA info{};
    auto list = reinterpret_cast<HIMAGELIST>(SHGetFileInfoA(
        "", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES | sizeFlag));
    return list ? comctl::ImageList_GetIcon(list, info.iIcon, 0) : nullptr;
}

}  // namespace

void ShellIcons::GetIcons(const std::string& shellName, uint32_t attributes, ShellIcon& large, ShellIcon& small) {
    HICON l = nullptr, s = nullptr;
    if (attributes == kFileAttributeDirectory) {
        const std::string system = GetSystemDir();
        const std::string path = system + "\\SHELL32.DLL";
        if (!system.empty() && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
            ExtractIconExA(path.c_str(), 3, &l, &s, 1);
        } else {
            l = SystemListIcon(0);
            s = SystemListIcon(SHGFI_SMALLICON);
        }
    } else {
        l = FileIcon(shellName, attributes, 0);
        s = FileIcon(shellName, attributes, SHGFI_SMALLICON);
    }
    large = Wrap(l);
    small = Wrap(s);
}

void ShellIcons::Destroy(const ShellIcon& icon) {
    if (icon.handle) DestroyIcon(static_cast<HICON>(icon.handle));
}

IconImageLists::IconImageLists() {
    large_ = comctl::ImageList_Create(largeWidth_, largeHeight_, kImageListFlags, 0, 16);
    small_ = comctl::ImageList_Create(kSmallIconSize, kSmallIconSize, kImageListFlags, 0, 16);
}

IconImageLists::~IconImageLists() {
    if (large_) comctl::ImageList_Destroy(large_);
    if (small_) comctl::ImageList_Destroy(small_);
}

void IconImageLists::SetLargeSize(int width, int height) {
    if (!large_ || width <= 0 || height <= 0) return;
    std::vector<HICON> held;
    const int count = comctl::ImageList_GetImageCount(large_);
    for (int i = 0; i < count; ++i) held.push_back(comctl::ImageList_GetIcon(large_, i, ILD_NORMAL));
    comctl::ImageList_SetIconSize(large_, width, height);
    largeWidth_ = width;
    largeHeight_ = height;
    for (HICON icon : held) {
        // A lost icon still takes its place, so later indexes stay right.
        if (!icon || comctl::ImageList_ReplaceIcon(large_, -1, icon) < 0)
            comctl::ImageList_SetImageCount(large_, static_cast<UINT>(comctl::ImageList_GetImageCount(large_) + 1));
        if (icon) DestroyIcon(icon);
    }
}

bool IconImageLists::Add(const ShellIcon& large, const ShellIcon& small) {
    if (!large_ || !small_) return false;
    const int l = comctl::ImageList_ReplaceIcon(large_, -1, static_cast<HICON>(large.handle));
    if (l < 0) return false;
    if (comctl::ImageList_ReplaceIcon(small_, -1, static_cast<HICON>(small.handle)) < 0) {
        comctl::ImageList_Remove(large_, l);
        return false;
    }
    return true;
}

}  // namespace kb::loader
