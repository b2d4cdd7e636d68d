#include "loader/views/icon_cache.h"

#include "loader/path_csv.h"
#include "shared/base/strutils.h"

namespace kb::loader {

IconKey GetIconKey(std::string_view name) {
    IconKey k;
    if (EndsWithBackslash(name)) {
        k.attributes = kFileAttributeDirectory;
        return k;
    }
    k.attributes = kFileAttributeNormal;
    // The extension starts at the last single-byte "." after the last
    // single-byte backslash; a trail byte is neither.
    size_t dot = std::string_view::npos;
    for (size_t i = 0; i < name.size(); i += CharLengthAt(name, i)) {
        if (CharLengthAt(name, i) != 1) continue;
        if (name[i] == '\\') dot = std::string_view::npos;
        if (name[i] == '.') dot = i;
    }
    if (dot == std::string_view::npos) {
        k.key = "*.";
        return k;
    }
    k.key = "*" + std::string(name.substr(dot));
    k.shellName = k.key;
    return k;
}

std::string TIconImageList::AddIcon(std::string_view name) {
    IconKey k = GetIconKey(name);
    if (index_.count(k.key) || missing_.count(k.key)) return k.key;

    ShellIcon large, small;
    shell_.GetIcons(k.shellName, k.attributes, large, small);
    bool added = false;
    if (large && small) {
        if (large.width != images_.LargeWidth() || large.height != images_.LargeHeight())
            images_.SetLargeSize(large.width, large.height);
        added = images_.Add(large, small);
    }
    // The lists hold copies; the shell's icons are ours to destroy either way.
    if (large) shell_.Destroy(large);
    if (small) shell_.Destroy(small);

    if (added) {
        index_.emplace(k.key, static_cast<int>(iconKeys_.size()));
        iconKeys_.push_back(k.key);
    } else {
        missing_.insert(k.key);
        missingKeys_.push_back(k.key);
    }
    return k.key;
}

int TIconImageList::IndexOfIcon(std::string_view name) {
    const std::string key = AddIcon(name);
    auto it = index_.find(key);
    return it == index_.end() ? -1 : it->second;
}

}  // namespace kb::loader
