// Candidate marker folders and the marker search over a MarkerView.
#include "markers/marker_search.h"

#include "shared/base/dbcs.h"

namespace kb::markers {
namespace {

// Byte index just past the last separator in path, or 0 when there is none.
// Trail bytes of double-byte characters are never taken for separators.
size_t EndOfLastSeparator(std::string_view path, bool slashToo) {
    size_t end = 0;
    for (size_t i = 0; i < path.size(); i += CharLengthAt(path, i))
        if (CharLengthAt(path, i) == 1 && (path[i] == '\\' || (slashToo && path[i] == '/'))) end = i + 1;
    return end;
}

}  // namespace

std::string StripTrailingBackslash(std::string_view path) {
    size_t end = EndOfLastSeparator(path, false);
    if (end != 0 && end == path.size()) path.remove_suffix(1);
    return std::string(path);
}

std::string GetParentFolder(std::string_view path) {
    std::string drive;
    if (path.size() >= 2 && path[1] == ':' && !platform::IsLeadByte(static_cast<unsigned char>(path[0]))) {
        drive.assign(path.substr(0, 2));
        path.remove_prefix(2);
    }
    return drive + std::string(path.substr(0, EndOfLastSeparator(path, true)));
}

bool IsProfileCandidate(const FolderEntry& entry) {
    if (entry.name == "." || entry.name == "..") return false;
    return (entry.attributes & kAttrDirectory) != 0 && (entry.attributes & kAttrHidden) == 0;
}

std::vector<std::string> DriveRoots() {
    std::vector<std::string> roots;
    std::string root = "C:\\";
    root[0] = kFirstDriveLetter;
    for (int i = 0; i < kDriveLetterCount; ++i) {
        roots.push_back(root);
        ++root[0];
    }
    return roots;
}

std::optional<std::uint32_t> FoundAttributes(const FindFirstResult& result) {
    if (result.succeeded) return result.attributes;
    // A failure that still hands back an entry is answered from that entry; find data
    // the system left empty is no entry at all, never a hit.
    if (result.lastError == kErrorMoreData && result.entryReturned) return result.attributes;
    return std::nullopt;
}

bool FindMarkerFile(MarkerView& view, std::string_view path) {
    auto attributes = FoundAttributes(view.FindFirst(StripTrailingBackslash(path)));
    return attributes && (*attributes & kAttrDirectory) == 0;
}

bool FolderExists(MarkerView& view, std::string_view path) {
    auto attributes = FoundAttributes(view.FindFirst(StripTrailingBackslash(path)));
    return attributes && (*attributes & kAttrDirectory) != 0;
}

std::vector<std::string> ListDriveMarkerFolders(MarkerView& view) {
    std::vector<std::string> folders;
    for (const std::string& root : DriveRoots()) {
        if (view.DriveType(root) == kDriveFixed) folders.push_back(root + kMarkerFolder);
    }
    return folders;
}

std::vector<std::string> ListProfileMarkerFolders(MarkerView& view) {
    std::vector<std::string> folders;
    auto profile = view.ProfileFolder();
    if (!profile) return folders;
    const std::string parent = GetParentFolder(*profile);
    for (const FolderEntry& entry : view.ListFolder(parent + "*.*")) {
        if (!IsProfileCandidate(entry)) continue;
        std::string candidate = parent + entry.name + kProfileTempFolder;
        if (FolderExists(view, candidate)) folders.push_back(candidate + kMarkerFolder);
    }
    return folders;
}

std::vector<std::string> ListMarkerFolders(MarkerView& view) {
    std::vector<std::string> folders = ListDriveMarkerFolders(view);
    for (std::string& folder : ListProfileMarkerFolders(view)) folders.push_back(std::move(folder));
    return folders;
}

bool MarkerExists(MarkerView& view, std::string_view markerName) {
    for (const std::string& folder : ListMarkerFolders(view)) {
        if (FindMarkerFile(view, folder + std::string(markerName))) return true;
    }
    return false;
}

}  // namespace kb::markers
