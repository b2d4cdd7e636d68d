// Rows as data: what the session's list controls show and what the sequences
// read. The controls only render these rows.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kb::loader {

// One row of a list: a caption and its sub-items in column order.
struct ListRow {
    std::string caption;
    std::vector<std::string> subItems;
    int imageIndex = -1;  // the icon of the row; -1 none
};

// The full list and the export list of a session (the file list view's data
// side): entries collected in any order, then sorted once so that within each
// folder the sub-folders and their contents come before its files.
class EntryList {
public:
    virtual ~EntryList() = default;
    // Deletes every row, collected and sorted.
    virtual void Clear() = 0;
    // Collects one entry. path is relative to the session root, a folder's
    // ends with a backslash.
    virtual void AddItem(const std::string& path, int rowNumber, int64_t size, int kind) = 0;
    // Sorts what was collected and appends it to Rows().
    virtual void RebuildSorted() = 0;
    // The sorted rows: caption the entry's path (a folder keeps one trailing
    // backslash); sub-items 0 Kind, 1 folder flag ("1" or "0"), 2 row number,
    // 3 group ("0"), 4 size, all in decimal.
    virtual const std::vector<ListRow>& Rows() const = 0;
};

using EntryListFactory = std::function<std::unique_ptr<EntryList>()>;

// The icon of a file-type key (a name, a folder's followed by a backslash):
// the shared icon list's index.
using IconLookup = std::function<int(const std::string& key)>;

}  // namespace kb::loader
