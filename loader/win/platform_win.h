// The loader's small platform units on Windows: version code, program start,
// free space and the folder picker.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "loader/free_space.h"
#include "loader/select_folder.h"

// <windows.h> still defines a 16-bit GetFreeSpace macro; include this header
// after it.
#ifdef GetFreeSpace
#undef GetFreeSpace
#endif

namespace kb::loader {

// The version code of the running system (GetVersionExA).
int GetWinVersionCode();

// How long Exec waits for a started program to become idle before going on.
constexpr unsigned long kExecIdleWaitMs = 30000;

// Starts commandLine with showCmd (the loader passes SW_SHOW); true once it
// is idle for input or kExecIdleWaitMs have passed; false when it cannot start.
bool Exec(const std::string& commandLine, int showCmd);

class WinFreeSpaceQueries final : public FreeSpaceQueries {
public:
    std::optional<uint64_t> TotalFreeBytes(const std::string& path) override;
    std::optional<ClusterCounts> Clusters(const std::string& path) override;
};

// Free bytes of the volume that holds path; none when it cannot be found out.
std::optional<int64_t> GetFreeSpace(const std::string& path);

// The shell's browse-for-folder dialog (file-system folders only, typed names
// validated, new dialog style), owned by owner; every other enabled window of
// the calling thread is disabled while it shows.
class ShellFolderPrompt final : public FolderPrompt {
public:
    explicit ShellFolderPrompt(void* owner) : owner_(owner) {}
    std::optional<std::string> Browse(const std::string& caption, const std::wstring& root) override;

private:
    void* owner_;
};

}  // namespace kb::loader
