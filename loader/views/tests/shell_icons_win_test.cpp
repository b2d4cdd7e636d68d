// The icon cache over the real shell and image lists.
#include <gtest/gtest.h>

#include "loader/views/win/shell_icons_win.h"

namespace kb::loader {
namespace {

TEST(ShellIcons, FilesAndFoldersGetIconsAndTheListsKeepThemThroughASizeChange) {
    ShellIcons shell;
    IconImageLists images;
    TIconImageList icons(shell, images);
    const int txt = icons.IndexOfIcon("a.txt");
    const int folder = icons.IndexOfIcon("Docs\\");
    const int none = icons.IndexOfIcon("noext");
    EXPECT_EQ(txt, 0);
    EXPECT_EQ(folder, 1);
    EXPECT_EQ(none, 2);
    EXPECT_TRUE(icons.MissingKeys().empty());
    EXPECT_EQ(ImageList_GetImageCount(images.Small()), 3);
    ASSERT_EQ(ImageList_GetImageCount(images.Large()), 3);
    EXPECT_GT(images.LargeWidth(), 0);

    // Another size for the large icons keeps every icon at its index.
    const int w = images.LargeWidth() + 16, h = images.LargeHeight() + 16;
    images.SetLargeSize(w, h);
    EXPECT_EQ(ImageList_GetImageCount(images.Large()), 3);
    int cx = 0, cy = 0;
    ASSERT_TRUE(ImageList_GetIconSize(images.Large(), &cx, &cy));
    EXPECT_EQ(cx, w);
    EXPECT_EQ(cy, h);
    for (int i = 0; i < 3; ++i) {
        HICON icon = ImageList_GetIcon(images.Large(), i, ILD_NORMAL);
        EXPECT_NE(icon, nullptr) << i;
        if (icon) DestroyIcon(icon);
    }
    EXPECT_EQ(icons.IndexOfIcon("b.txt"), 0);
}

}  // namespace
}  // namespace kb::loader
