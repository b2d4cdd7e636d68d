// The folder picker behind a prompt seam, so the callers' decisions are
// testable without the shell's dialog.
#pragma once
#include <optional>
#include <string>

namespace kb::loader {

class FolderPrompt {
public:
    virtual ~FolderPrompt() = default;
    // The chosen folder, or none when the user cancels or no dialog can show.
    // root (may be empty) is where browsing starts; caption heads the dialog.
    virtual std::optional<std::string> Browse(const std::string& caption, const std::wstring& root) = 0;
};

// True with folder set to the choice; false with folder emptied otherwise.
bool SelectFolder(FolderPrompt& prompt, const std::string& caption, const std::wstring& root, std::string& folder);

}  // namespace kb::loader
