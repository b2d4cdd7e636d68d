#include "loader/views/file_list.h"

#include <algorithm>

#include "loader/path_csv.h"

namespace kb::loader {

std::string ItemSortKey(std::string_view path) {
    const std::vector<std::string> parts = SplitPath(path);
    std::string key;
    for (size_t i = 0; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        if (i + 1 < parts.size()) {
            key += ' ';
            key += part;
            key += '\\';
        } else if (EndsWithBackslash(part)) {
            key += ' ';
            key += part;
            key += '\\';
        } else {
            key += part;
        }
    }
    return key;
}

std::string DisplayCaption(std::string_view path) {
    // SplitPath reads up to the first zero byte; the caption does the same.
    const size_t zero = path.find('\0');
    return std::string(zero == std::string_view::npos ? path : path.substr(0, zero));
}

std::string ProtectionRow::SubItem(int index) const {
    switch (index) {
        case 0: return std::to_string(kind);
        case 1: return folder ? "1" : "0";
        case 2: return std::to_string(rowNumber);
        case 3: return "0";
        case 4: return std::to_string(size);
        default: return {};
    }
}

void TProtectionListView::AddItem(std::string_view path, int rowNumber, int64_t size, int kind) {
    if (!pending_) pending_.emplace();
    Pending entry;
    entry.key = ItemSortKey(path);
    entry.row.caption = DisplayCaption(path);
    entry.row.kind = kind;
    entry.row.folder = EndsWithBackslash(entry.row.caption);
    entry.row.rowNumber = rowNumber;
    entry.row.size = size;
    pending_->push_back(std::move(entry));
}

void TProtectionListView::RebuildSorted(const Collator& collate) {
    if (!pending_) return;
    std::vector<Pending> entries = std::move(*pending_);
    pending_.reset();
    std::stable_sort(entries.begin(), entries.end(),
                     [&](const Pending& a, const Pending& b) { return collate(a.key, b.key) < 0; });
    items_.reserve(items_.size() + entries.size());
    for (Pending& e : entries) items_.push_back(std::move(e.row));
}

}  // namespace kb::loader
