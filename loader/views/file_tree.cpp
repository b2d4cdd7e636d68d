#include "loader/views/file_tree.h"

#include "loader/path_csv.h"

namespace kb::loader {

void TFileListTreeView::BuildFromList(const TProtectionListView& list, TIconImageList& icons, FileTreeSink& sink) {
    sink.Clear();
    nodes_.assign(1, Node{});
    source_ = &list;
    for (const ProtectionRow& row : list.Items()) {
        const std::vector<std::string> parts = SplitPath(ExcludeTrailingBackslash(row.caption));
        size_t at = 0;
        for (size_t j = 0; j < parts.size(); ++j) {
            const std::string& part = parts[j];
            auto found = nodes_[at].children.find(part);
            if (found != nodes_[at].children.end()) {
                at = found->second;
                continue;
            }
            const bool own = j + 1 == parts.size();
            const bool folder = !own || row.folder;
            const int image = icons.IndexOfIcon(folder ? part + "\\" : part);
            const TreeNodeId id = sink.AddNode(nodes_[at].id, part, image, own ? row.rowNumber : kNoRow);
            const size_t index = nodes_.size();
            nodes_[at].children.emplace(part, index);
            nodes_.push_back(Node{id, {}});
            at = index;
        }
    }
    sink.UseSmallImages();
}

}  // namespace kb::loader
