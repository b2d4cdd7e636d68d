// The file list of a session: entries collected in any order, then sorted so
// that every folder's sub-folders come before its files, as rows a list or
// tree control shows. No window here; the list control only renders the rows.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kb::loader {

// Compares two sort keys as the list control's text sort does (lstrcmpA in
// the product): below 0, 0 or above 0.
using Collator = std::function<int(const std::string& a, const std::string& b)>;

// The sort key of a relative path (folders end with a single-byte
// backslash): every part but the last as blank + part + "\"; the last part
// unchanged for a file, blank + part (with its backslash) + "\" for a folder.
// "Docs\Sub\" gives " Docs\ Sub\\". A trail byte 0x5C is never a separator.
std::string ItemSortKey(std::string_view path);

// The caption shown and later exported for path: the stored path itself (a
// folder keeps its trailing backslash), so a name with a blank after a
// backslash byte keeps its blank and exports under its real name.
std::string DisplayCaption(std::string_view path);

// One visible row.
struct ProtectionRow {
    std::string caption;
    int kind = 0;
    bool folder = false;  // the path ended with a single-byte backslash
    int rowNumber = 0;
    int64_t size = 0;

    // The row's column texts, as other code reads them by index: 0 kind,
    // 1 folder flag ("1"/"0"), 2 row number, 3 group (always "0"), 4 size,
    // all in decimal; empty for any other index.
    std::string SubItem(int index) const;
};

class TProtectionListView {
public:
    // Collects one entry (path relative to the session root, folders ending
    // with a backslash) until the next RebuildSorted.
    void AddItem(std::string_view path, int rowNumber, int64_t size, int kind);

    // Sorts the collected entries ascending by sort key with collate (entries
    // of equal keys keep the order they were added in) and appends their rows
    // to the visible rows; nothing happens when nothing was collected.
    void RebuildSorted(const Collator& collate);

    // Whether entries are being collected (an AddItem since the last rebuild).
    bool Collecting() const { return pending_.has_value(); }

    const std::vector<ProtectionRow>& Items() const { return items_; }

    // Deletes every visible row (the export list, before it collects again).
    void Clear() { items_.clear(); }

private:
    struct Pending {
        std::string key;
        ProtectionRow row;
    };
    std::optional<std::vector<Pending>> pending_;
    std::vector<ProtectionRow> items_;
};

}  // namespace kb::loader
