#include "loader/select_folder.h"

namespace kb::loader {

bool SelectFolder(FolderPrompt& prompt, const std::string& caption, const std::wstring& root, std::string& folder) {
    folder.clear();
    std::optional<std::string> chosen = prompt.Browse(caption, root);
    if (!chosen) return false;
    folder = std::move(*chosen);
    return true;
}

}  // namespace kb::loader
