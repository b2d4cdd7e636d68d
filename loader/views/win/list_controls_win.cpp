#include "loader/views/win/list_controls_win.h"

namespace kb::loader {

void WinEntryList::Clear() {
    view_.Clear();
    rows_.clear();
}

void WinEntryList::AddItem(const std::string& path, int rowNumber, int64_t size, int kind) {
    view_.AddItem(path, rowNumber, size, kind);
}

void WinEntryList::RebuildSorted() {
    view_.RebuildSorted(collate_);
    for (size_t i = rows_.size(); i < view_.Items().size(); ++i) {
        const ProtectionRow& from = view_.Items()[i];
        ListRow row;
        row.caption = from.caption;
        for (int c = 0; c < 5; ++c) row.subItems.push_back(from.SubItem(c));
        rows_.push_back(std::move(row));
    }
}

void PrepareFileListControl(HWND list, HIMAGELIST largeImages, HIMAGELIST smallImages) {
    // Multiple selection, no renaming: neither single-selection nor label
    // editing. Every session's list shares the one icon list, which the
    // lists must therefore not destroy with themselves.
    SetWindowLongPtrA(list, GWL_STYLE,
                      (GetWindowLongPtrA(list, GWL_STYLE) & ~static_cast<LONG_PTR>(LVS_SINGLESEL | LVS_EDITLABELS)) |
                          LVS_SHAREIMAGELISTS);
    if (largeImages) ListView_SetImageList(list, largeImages, LVSIL_NORMAL);
    if (smallImages) ListView_SetImageList(list, smallImages, LVSIL_SMALL);
    for (int c = 0; c < kFileListColumns; ++c) {
        LVCOLUMNA column{};
        column.mask = LVCF_WIDTH;
        column.cx = 80;
        SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&column));
    }
}

void FillFileListControl(HWND list, const std::vector<ListRow>& rows) {
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    for (size_t i = 0; i < rows.size(); ++i) {
        const ListRow& row = rows[i];
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<char*>(row.caption.c_str());
        // A type without an icon shows none: -1 would ask the list's owner,
        // and no image at all would show the first one.
        item.iImage = row.imageIndex >= 0 ? row.imageIndex : I_IMAGENONE;
        const int index = static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        for (size_t s = 0; s < row.subItems.size() && s + 1 < static_cast<size_t>(kFileListColumns); ++s) {
            LVITEMA sub{};
            sub.iSubItem = static_cast<int>(s + 1);
            sub.pszText = const_cast<char*>(row.subItems[s].c_str());
            SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&sub));
        }
    }
}

void TreeControlSink::Clear() { SendMessageA(tree_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT)); }

TreeNodeId TreeControlSink::AddNode(TreeNodeId parent, const std::string& text, int imageIndex, int data) {
    TVINSERTSTRUCTA insert{};
    insert.hParent = parent ? reinterpret_cast<HTREEITEM>(parent) : TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    // Without an image of its own a node would show the first one.
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.iImage = imageIndex >= 0 ? imageIndex : I_IMAGENONE;
    insert.item.iSelectedImage = insert.item.iImage;
    insert.item.pszText = const_cast<char*>(text.c_str());
    insert.item.lParam = data;
    return static_cast<TreeNodeId>(SendMessageA(tree_, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

void TreeControlSink::UseSmallImages() {
    if (images_) SendMessageA(tree_, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images_));
}

}  // namespace kb::loader
