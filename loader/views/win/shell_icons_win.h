// The icon cache's Windows side: icons from the shell, and the large and
// small image lists that hold copies of them.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include "loader/views/icon_cache.h"

namespace kb::loader {

class ShellIcons final : public ShellIconProvider {
public:
    // Files: the shell's icons for the name with its attributes. Folders: icon
    // 3 of SHELL32.DLL in the system folder when that file exists, else the
    // folder icon of the system image list.
    void GetIcons(const std::string& shellName, uint32_t attributes, ShellIcon& large, ShellIcon& small) override;
    void Destroy(const ShellIcon& icon) override;
};

// Both image lists, owned; small icons are 16 x 16, large ones start so and
// follow the icons (see IconImageStore).
class IconImageLists final : public IconImageStore {
public:
    IconImageLists();
    ~IconImageLists() override;
    IconImageLists(const IconImageLists&) = delete;
    IconImageLists& operator=(const IconImageLists&) = delete;

    HIMAGELIST Large() const { return large_; }
    HIMAGELIST Small() const { return small_; }

    int LargeWidth() const override { return largeWidth_; }
    int LargeHeight() const override { return largeHeight_; }
    // The platform's list drops its images when its size changes: the held
    // icons are taken out first and put back at the new size, in order.
    void SetLargeSize(int width, int height) override;
    bool Add(const ShellIcon& large, const ShellIcon& small) override;

private:
    HIMAGELIST large_ = nullptr;
    HIMAGELIST small_ = nullptr;
    int largeWidth_ = 16, largeHeight_ = 16;
};

}  // namespace kb::loader
