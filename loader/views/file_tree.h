// The folder tree of a sorted file list: one node per path part, folders
// shared, each entry's own node carrying its row number. The tree control
// sits behind a sink and only renders what the builder adds.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "loader/views/file_list.h"
#include "loader/views/icon_cache.h"

namespace kb::loader {

// A node of the tree control (HTREEITEM in the product); 0 is the top level.
using TreeNodeId = uintptr_t;

// Data of a folder node that stands for no entry of the list.
constexpr int kNoRow = -1;

class FileTreeSink {
public:
    virtual ~FileTreeSink() = default;
    // Deletes every node.
    virtual void Clear() = 0;
    // Appends a node after the last child of parent (0: the top level), with
    // image and selected image imageIndex (-1: none) and data; its id, never 0.
    virtual TreeNodeId AddNode(TreeNodeId parent, const std::string& text, int imageIndex, int data) = 0;
    // Gives the tree the icon cache's small image list.
    virtual void UseSmallImages() = 0;
};

class TFileListTreeView {
public:
    // Rebuilds the whole tree from list's visible rows in their order. Each
    // row's caption (without one trailing single-byte backslash) is split
    // into parts; a part that already has a node under the same parent
    // (same bytes) reuses it, so folders are shared however the rows
    // interleave, and a row whose nodes all exist adds none. A new node of
    // the row's last part has data = the row number and the icon of the part
    // (part + "\" for a folder row); any other new node has data -1 and the
    // folder icon. A row with an empty caption adds nothing. Any depth.
    void BuildFromList(const TProtectionListView& list, TIconImageList& icons, FileTreeSink& sink);

    // The list the tree was last built from.
    const TProtectionListView* SourceList() const { return source_; }

private:
    struct Node {
        TreeNodeId id = 0;
        std::map<std::string, size_t, std::less<>> children;  // text -> index in nodes_
    };
    std::vector<Node> nodes_;  // nodes_[0] is the top level
    const TProtectionListView* source_ = nullptr;
};

}  // namespace kb::loader
