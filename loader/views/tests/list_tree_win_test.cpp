// The file list and the folder tree on the platform's controls: rows sorted
// with the real lstrcmpA, rendered by the product's list and tree code into a
// window, and read back from the controls themselves.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "loader/skin/win/application.h"
#include "loader/skin/win/controls.h"
#include "loader/session/sessions.h"
#include "loader/views/win/list_controls_win.h"
#include "loader/views/win/shell_icons_win.h"
#include "testing/kit/code_page.h"
#include "testing/kit/deadline.h"
#include "testing/kit/file_io.h"
#include "testing/kit/temp_folder.h"
#include "testing/uidriver/ui_driver.h"

namespace kb::loader {
namespace {

namespace driver = kb::uidriver;

// A node as "depth text data", the data being the row number or -1.
std::vector<std::string> Nodes(HWND tree) {
    std::vector<std::string> out;
    for (const driver::TreeNode& n : driver::TreeViewNodes(tree))
        out.push_back(std::string(static_cast<size_t>(n.depth) * 2, ' ') + n.text + " " +
                      std::to_string(static_cast<int>(n.data)));
    return out;
}

// One window with a session's list and tree, as the main window places them
// on its page.
class ListTreeWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ui::App().Initialize("ListTreeTest"));
        form_.SetBounds(0, 0, 640, 420);
        ASSERT_TRUE(form_.Create());
        ASSERT_TRUE(list_.Create(form_, 1001));
        ASSERT_TRUE(tree_.Create(form_, 2001));
        list_.SetBounds(0, 0, 420, 420);
        tree_.SetBounds(420, 0, 220, 420);
        PrepareFileListControl(list_.WindowHandle(), images_.Large(), images_.Small());
    }
    void TearDown() override {
        tree_.Native().Destroy();
        list_.Native().Destroy();
        form_.Destroy();
        ui::App().Shutdown();
    }

    // Collects paths (row numbers from 1 in the order given), sorts them with
    // lstrcmpA, shows the rows with their icons and builds the tree.
    void Show(const std::vector<std::string>& paths) {
        for (size_t i = 0; i < paths.size(); ++i)
            entries_.AddItem(paths[i], static_cast<int>(i) + 1, 10 * static_cast<int64_t>(i), 0);
        entries_.RebuildSorted();
        std::vector<ListRow> rows = entries_.Rows();
        for (ListRow& row : rows) row.imageIndex = icons_.IndexOfIcon(row.caption);
        FillFileListControl(list_.WindowHandle(), rows);
        TreeControlSink sink(tree_.WindowHandle(), images_.Small());
        builder_.BuildFromList(entries_.View(), icons_, sink);
        // Every folder open, so the screenshot shows the whole tree.
        ExpandAll(TreeView_GetRoot(tree_.WindowHandle()));
        form_.Show();
    }
    void ExpandAll(HTREEITEM item) {
        for (; item; item = TreeView_GetNextSibling(tree_.WindowHandle(), item)) {
            TreeView_Expand(tree_.WindowHandle(), item, TVE_EXPAND);
            ExpandAll(TreeView_GetChild(tree_.WindowHandle(), item));
        }
    }

    // Pixels of the window on the screen, once the rectangle (window
    // coordinates) holds at least `wanted` pixels unlike its corner pixel.
    bool DrawnIn(const RECT& r, int wanted) {
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < kb::testing::kStateDeadlineMs) {
            ui::App().ProcessMessages();
            std::vector<uint32_t> px;
            int w = 0, h = 0;
            if (driver::CaptureWindow(form_.Handle(), px, w, h) && r.right <= w && r.bottom <= h) {
                const uint32_t background = px[static_cast<size_t>(r.top) * w + r.left] & 0xFFFFFF;
                int differing = 0;
                for (int y = r.top; y < r.bottom; ++y)
                    for (int x = r.left; x < r.right; ++x)
                        if ((px[static_cast<size_t>(y) * w + x] & 0xFFFFFF) != background) ++differing;
                if (differing >= wanted) return true;
            }
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        }
        return false;
    }
    // Pixels of the rectangle unlike its corner pixel, as the screen shows it now.
    int DifferingIn(const RECT& r) {
        std::vector<uint32_t> px;
        int w = 0, h = 0;
        if (!driver::CaptureWindow(form_.Handle(), px, w, h) || r.right > w || r.bottom > h) return -1;
        const uint32_t background = px[static_cast<size_t>(r.top) * w + r.left] & 0xFFFFFF;
        int differing = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                if ((px[static_cast<size_t>(y) * w + x] & 0xFFFFFF) != background) ++differing;
        return differing;
    }
    // The icon of list row `row` and of the tree's first node, in window coordinates.
    RECT ListIconRect(int row) {
        RECT r{};
        r.left = LVIR_ICON;
        SendMessageA(list_.WindowHandle(), LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
        MapWindowPoints(list_.WindowHandle(), form_.Handle(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    RECT TreeIconRect() {
        RECT r{};
        const HTREEITEM root = TreeView_GetRoot(tree_.WindowHandle());
        std::memcpy(&r, &root, sizeof root);  // the message takes the item in the rectangle
        SendMessageA(tree_.WindowHandle(), TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r));
        // The small icon sits just left of the text.
        r.right = r.left;
        r.left = std::max(0L, r.left - 18);
        MapWindowPoints(tree_.WindowHandle(), form_.Handle(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

    ShellIcons shell_;
    IconImageLists images_;
    TIconImageList icons_{shell_, images_};
    WinEntryList entries_;
    TFileListTreeView builder_;
    ui::Form form_{"TListTreeTest"};
    ui::ListView list_;
    ui::TreeView tree_;
};

TEST_F(ListTreeWindow, RowsTakeTheOrderOfLstrcmpTheTreeSharesFoldersAndEditionOneRowsFollowIt) {
    // Added in an order unlike the result.
    Show({"readme.txt", "Readme.txt", "9.txt", "10.txt", "_notes.txt", "a,b.txt", "a.txt", "B.txt", "b.txt",
          "Docs\\a.txt", "Docs\\", "Docs\\Sub\\x.txt", "Docs\\Sub\\", "a-b\\z.txt", "ab\\y.txt", "a-b\\x.txt"});

    // Within each folder the sub-folders and their contents come first; then
    // symbols before digits before letters, digits compared as text, case
    // second (lower first), the hyphen passed over.
    EXPECT_EQ(driver::ListViewTexts(list_.WindowHandle()),
              (std::vector<std::string>{"a-b\\x.txt", "ab\\y.txt", "a-b\\z.txt", "Docs\\Sub\\", "Docs\\Sub\\x.txt",
                                        "Docs\\", "Docs\\a.txt", "_notes.txt", "10.txt", "9.txt", "a,b.txt", "a.txt",
                                        "b.txt", "B.txt", "readme.txt", "Readme.txt"}));
    // The columns: kind, folder flag, row number (the order of adding).
    EXPECT_EQ(driver::ListViewTexts(list_.WindowHandle(), 2),
              (std::vector<std::string>{"0", "0", "0", "1", "0", "1", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0"}));
    EXPECT_EQ(driver::ListViewTexts(list_.WindowHandle(), 3),
              (std::vector<std::string>{"16", "15", "14", "13", "12", "11", "10", "5", "4", "3", "6", "7", "9", "8",
                                        "1", "2"}));

    // The interleaved folders "a-b" and "ab" each get one node; the folder
    // "Docs" has its own row, which came after its sub-folder, so its node
    // carries no row.
    EXPECT_EQ(Nodes(tree_.WindowHandle()),
              (std::vector<std::string>{"a-b -1", "  x.txt 16", "  z.txt 14", "ab -1", "  y.txt 15", "Docs -1",
                                        "  Sub 13", "    x.txt 12", "  a.txt 10", "_notes.txt 5", "10.txt 4",
                                        "9.txt 3", "a,b.txt 6", "a.txt 7", "b.txt 9", "B.txt 8", "readme.txt 1",
                                        "Readme.txt 2"}));
    // Folders share one icon, files of one extension another.
    const std::vector<driver::TreeNode> nodes = driver::TreeViewNodes(tree_.WindowHandle());
    ASSERT_EQ(nodes.size(), 18u);
    EXPECT_GE(nodes[0].image, 0);
    EXPECT_EQ(nodes[3].image, nodes[0].image);
    EXPECT_GE(nodes[1].image, 0);
    EXPECT_NE(nodes[1].image, nodes[0].image);
    EXPECT_EQ(nodes[17].image, nodes[1].image);

    // The icons were drawn: the first row's and the first node's icon areas
    // are not blank.
    EXPECT_TRUE(DrawnIn(ListIconRect(0), 40));
    EXPECT_TRUE(DrawnIn(TreeIconRect(), 20));
    EXPECT_TRUE(driver::SaveWindowPng(form_.Handle(), kb::uidriver::ProgramFolder() + "\\views_list_tree.png"));

    // An edition-1 session's file list: one row for the first entry of each
    // top-level group under the real order. A folder with a sub-folder sorts its
    // own row between its sub-folder's rows and its files, so the folder shows
    // twice, with its own row (backslash kept, flagged as a file) between.
    kb::testing::TempDir dir;
    ASSERT_TRUE(kb::testing::WriteWholeFile(dir / "Files.lst",
                                            "readme.txt,20,0\r\n"
                                            "Docs\\a.txt,100,0\r\n"
                                            "Docs\\,0,1\r\n"
                                            "Docs\\Sub\\x.txt,7,0\r\n"
                                            "Docs\\Sub\\,0,1\r\n"
                                            "Docs,5000,2,9\r\n"));
    TSessionS sessions([] { return std::make_unique<WinEntryList>(); });
    const FileListResult result = sessions.LoadFileListForEdition1(
        1, dir / "Files.lst", [this](const std::string& key) { return icons_.IndexOfIcon(key); });
    EXPECT_EQ(result.stop, FilesLstStop::None);
    const SessionRecord& record = sessions.Session(1);
    EXPECT_EQ(record.sizeText, kEdition1SizeText);
    FillFileListControl(list_.WindowHandle(), record.fileList);

    const HWND list = list_.WindowHandle();
    EXPECT_EQ(driver::ListViewTexts(list), (std::vector<std::string>{"Docs", "Docs\\", "Docs", "readme.txt"}));
    EXPECT_EQ(driver::ListViewTexts(list, 1), (std::vector<std::string>{"1", "0", "1", "0"}));
    EXPECT_EQ(driver::ListViewTexts(list, 2), (std::vector<std::string>{"5000", "0", "5000", "0"}));
    EXPECT_EQ(driver::ListViewTexts(list, 3), (std::vector<std::string>{"9", "0", "9", "0"}));
    // The full list in the order that made these rows.
    std::vector<std::string> full;
    for (const ListRow& row : record.fullList->Rows()) full.push_back(row.caption);
    EXPECT_EQ(full, (std::vector<std::string>{"Docs\\Sub\\", "Docs\\Sub\\x.txt", "Docs\\", "Docs\\a.txt",
                                              "readme.txt"}));
    EXPECT_TRUE(DrawnIn(ListIconRect(0), 40));
}

// A type the shell gives no icon for (index -1) shows no image, neither in
// the list (where -1 would ask the owner for one) nor in the tree (where a
// node without an image shows the first one).
TEST_F(ListTreeWindow, ATypeWithoutAShellIconShowsNoImage) {
    std::vector<ListRow> rows(2);
    rows[0].caption = "a.txt";
    rows[0].imageIndex = icons_.IndexOfIcon("a.txt");
    rows[1].caption = "b.none";
    rows[1].imageIndex = -1;
    ASSERT_GE(rows[0].imageIndex, 0);
    const HWND list = list_.WindowHandle();
    FillFileListControl(list, rows);
    auto listImage = [&](int row) {
        LVITEMA item{};
        item.mask = LVIF_IMAGE;
        item.iItem = row;
        SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        return item.iImage;
    };
    EXPECT_EQ(listImage(0), rows[0].imageIndex);
    EXPECT_EQ(listImage(1), I_IMAGENONE);

    TreeControlSink sink(tree_.WindowHandle(), images_.Small());
    sink.UseSmallImages();
    sink.AddNode(0, "a.txt", rows[0].imageIndex, 1);
    sink.AddNode(0, "b.none", -1, 2);
    const std::vector<driver::TreeNode> nodes = driver::TreeViewNodes(tree_.WindowHandle());
    ASSERT_EQ(nodes.size(), 2u);
    EXPECT_EQ(nodes[0].image, rows[0].imageIndex);
    EXPECT_EQ(nodes[1].image, I_IMAGENONE);

    // Drawn: the first row's icon; the second row's icon area stays blank.
    form_.Show();
    ASSERT_TRUE(DrawnIn(ListIconRect(0), 40));
    EXPECT_EQ(DifferingIn(ListIconRect(1)), 0) << "see views_no_icon.png";
    EXPECT_TRUE(driver::SaveWindowPng(form_.Handle(), kb::uidriver::ProgramFolder() + "\\views_no_icon.png"));
}

TEST_F(ListTreeWindow, DoubleByteNamesInCodePage932) {
    KB_REQUIRE_CP932();
    const std::string hyou = "\x95\x5c";                  // a kanji whose trail byte is a backslash
    const std::string soft = "\x83\x5c\x83\x74\x83\x67";  // katakana, the first with trail byte 0x5C
    const std::string a = "\x82\xa0";                     // hiragana
    const std::string kanji = "\x8a\xbf\x8e\x9a";         // two kanji
    // The blank after the trail byte stays in the name shown (and exported).
    Show({kanji + ".txt", soft + ".txt", "z.txt", hyou + "\\x.txt", hyou + "\\", a + ".txt", hyou + ".txt",
          hyou + " b.txt"});

    // The folder first; then Latin letters before kana (hiragana before
    // katakana) before kanji, the kanji in their character order.
    EXPECT_EQ(driver::ListViewTexts(list_.WindowHandle()),
              (std::vector<std::string>{hyou + "\\", hyou + "\\x.txt", "z.txt", a + ".txt", soft + ".txt",
                                        kanji + ".txt", hyou + " b.txt", hyou + ".txt"}));
    // The trail bytes split nothing: the folder is one node with its file.
    EXPECT_EQ(Nodes(tree_.WindowHandle()),
              (std::vector<std::string>{hyou + " 5", "  x.txt 4", "z.txt 3", a + ".txt 6", soft + ".txt 2",
                                        kanji + ".txt 1", hyou + " b.txt 8", hyou + ".txt 7"}));
    EXPECT_TRUE(DrawnIn(ListIconRect(0), 40));
}


}  // namespace
}  // namespace kb::loader
