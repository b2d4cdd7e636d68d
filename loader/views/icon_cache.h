// The loader's one cache of shell icons, one pair (large, small) per file
// type, shared by every list and tree. The shell and the image lists sit
// behind two seams so the cache's rules run without Windows.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace kb::loader {

constexpr uint32_t kFileAttributeDirectory = 16;
constexpr uint32_t kFileAttributeNormal = 128;

// What the shell is asked for a name, and the key its icons are kept under.
struct IconKey {
    std::string shellName;
    std::string key;
    uint32_t attributes = 0;
};

// A folder (ends with a single-byte backslash): key "", shell name "",
// attributes 16. A name with an extension (from the last "." of its last
// part): key and shell name "*" + extension, attributes 128. No extension:
// key "*.", shell name "", attributes 128. "name." and "name" share "*.".
IconKey GetIconKey(std::string_view name);

// An icon handle the shell gave (HICON in the product) with its size.
struct ShellIcon {
    void* handle = nullptr;
    int width = 0;
    int height = 0;
    explicit operator bool() const { return handle != nullptr; }
};

class ShellIconProvider {
public:
    virtual ~ShellIconProvider() = default;
    // The large and the small icon for shellName and attributes as
    // GetIconKey gives them (attributes 16: the folder icons). Either may be
    // null. Every non-null icon is the caller's and goes back through Destroy.
    virtual void GetIcons(const std::string& shellName, uint32_t attributes, ShellIcon& large, ShellIcon& small) = 0;
    virtual void Destroy(const ShellIcon& icon) = 0;
};

// The large and the small image list.
class IconImageStore {
public:
    virtual ~IconImageStore() = default;
    virtual int LargeWidth() const = 0;
    virtual int LargeHeight() const = 0;
    // New size of the large icons. Every icon held stays at its index, shown
    // at the new size (the platform's list would drop them; the store keeps them).
    virtual void SetLargeSize(int width, int height) = 0;
    // Appends copies of large (large list) and small (small list); false,
    // with neither list changed, when the copies cannot be made.
    virtual bool Add(const ShellIcon& large, const ShellIcon& small) = 0;
};

class TIconImageList {
public:
    TIconImageList(ShellIconProvider& shell, IconImageStore& images) : shell_(shell), images_(images) {}
    TIconImageList(const TIconImageList&) = delete;
    TIconImageList& operator=(const TIconImageList&) = delete;

    // Makes sure the key of name is known (one shell query per key and run,
    // a key the shell gave no usable pair for is never asked again) and
    // returns it.
    std::string AddIcon(std::string_view name);
    // AddIcon, then the image index of the key; -1 when its type has no icon.
    int IndexOfIcon(std::string_view name);

    // Keys in image order, and the keys without icons in the order found.
    const std::vector<std::string>& IconKeys() const { return iconKeys_; }
    const std::vector<std::string>& MissingKeys() const { return missingKeys_; }

private:
    ShellIconProvider& shell_;
    IconImageStore& images_;
    std::vector<std::string> iconKeys_;
    std::vector<std::string> missingKeys_;
    std::unordered_map<std::string, int> index_;
    std::unordered_set<std::string> missing_;
};

}  // namespace kb::loader
