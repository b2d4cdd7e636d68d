// The session's lists and the folder tree on the platform's list and tree
// controls: rows sorted with the platform's collation, and the controls that
// render them.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "loader/session/entry_list.h"
#include "loader/views/file_list.h"
#include "loader/views/file_tree.h"
#include "loader/views/win/collator_win.h"

namespace kb::loader {

// The full and export lists over the file list view's rows, sorted with
// lstrcmpA.
class WinEntryList final : public EntryList {
public:
    void Clear() override;
    void AddItem(const std::string& path, int rowNumber, int64_t size, int kind) override;
    void RebuildSorted() override;
    const std::vector<ListRow>& Rows() const override { return rows_; }
    const TProtectionListView& View() const { return view_; }

private:
    TProtectionListView view_;
    Collator collate_ = LstrcmpCollator();
    std::vector<ListRow> rows_;
};

// The file list's columns: the caption and the three sub-items.
constexpr int kFileListColumns = 4;

// A session's file list control as the user meets it: the control's default
// view, multiple selection, no renaming, the shared icon lists (which the
// list must not destroy), and its columns.
void PrepareFileListControl(HWND list, HIMAGELIST largeImages, HIMAGELIST smallImages);

// Replaces every item of the list control with rows, in their order: caption,
// icon and the sub-items that have a column.
void FillFileListControl(HWND list, const std::vector<ListRow>& rows);

// The tree control behind the tree builder.
class TreeControlSink final : public FileTreeSink {
public:
    TreeControlSink(HWND tree, HIMAGELIST images) : tree_(tree), images_(images) {}
    void Clear() override;
    TreeNodeId AddNode(TreeNodeId parent, const std::string& text, int imageIndex, int data) override;
    void UseSmallImages() override;

private:
    HWND tree_;
    HIMAGELIST images_;
};

}  // namespace kb::loader
