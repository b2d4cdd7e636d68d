#include "loader/win/platform_win.h"

#include <windows.h>
#include <ole2.h>
#include <shlobj.h>
#undef GetFreeSpace  // the 16-bit macro of <windows.h>

#include <vector>

#include "loader/win_version.h"
#include "shared/base/exec.h"
#include "shared/base/strutils.h"
#include "shared/base/version.h"

namespace kb::loader {

int GetWinVersionCode() { return GetWinVersionCode(QueryWindowsVersion()); }

bool Exec(const std::string& commandLine, int showCmd) { return kb::Exec(commandLine, showCmd, kExecIdleWaitMs); }

std::optional<uint64_t> WinFreeSpaceQueries::TotalFreeBytes(const std::string& path) {
    ULARGE_INTEGER available{}, total{}, totalFree{};
    if (!GetDiskFreeSpaceExA(path.c_str(), &available, &total, &totalFree)) return std::nullopt;
    return totalFree.QuadPart;
}

std::optional<ClusterCounts> WinFreeSpaceQueries::Clusters(const std::string& path) {
    DWORD sectors = 0, bytes = 0, freeClusters = 0, clusters = 0;
    if (!GetDiskFreeSpaceA(path.c_str(), &sectors, &bytes, &freeClusters, &clusters)) return std::nullopt;
    return ClusterCounts{sectors, bytes, freeClusters};
}

std::optional<int64_t> GetFreeSpace(const std::string& path) {
    WinFreeSpaceQueries queries;
    return GetFreeSpace(queries, GetWinVersionCode(), path);
}

namespace {

BOOL CALLBACK DisableOne(HWND window, LPARAM param) {
    auto* disabled = reinterpret_cast<std::vector<HWND>*>(param);
    if (IsWindowVisible(window) && IsWindowEnabled(window)) {
        EnableWindow(window, FALSE);
        disabled->push_back(window);
    }
    return TRUE;
}

}  // namespace

std::optional<std::string> ShellFolderPrompt::Browse(const std::string& caption, const std::wstring& root) {
    IMalloc* shellMalloc = nullptr;
    if (SHGetMalloc(&shellMalloc) != S_OK || !shellMalloc) return std::nullopt;
    auto* buffer = static_cast<char*>(shellMalloc->Alloc(MAX_PATH));
    if (!buffer) {
        shellMalloc->Release();
        return std::nullopt;
    }
    buffer[0] = '\0';
    // The new dialog style hosts OLE controls.
    const bool ole = SUCCEEDED(OleInitialize(nullptr));
    HWND owner = static_cast<HWND>(owner_);

    LPITEMIDLIST rootItem = nullptr;
    if (!root.empty()) {
        IShellFolder* desktop = nullptr;
        if (SHGetDesktopFolder(&desktop) == S_OK && desktop) {
            std::wstring name = root;
            if (desktop->ParseDisplayName(owner, nullptr, name.data(), nullptr, &rootItem, nullptr) != S_OK)
                rootItem = nullptr;  // an unparsable root leaves no root
            desktop->Release();
        }
    }

    BROWSEINFOA info = {};
    info.hwndOwner = owner;
    info.pidlRoot = rootItem;
    info.pszDisplayName = buffer;
    info.lpszTitle = caption.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_VALIDATE | BIF_NEWDIALOGSTYLE;

    std::vector<HWND> disabled;
    EnumThreadWindows(GetCurrentThreadId(), &DisableOne, reinterpret_cast<LPARAM>(&disabled));
    LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
    for (HWND w : disabled) EnableWindow(w, TRUE);

    std::optional<std::string> result;
    if (chosen) {
        buffer[0] = '\0';
        if (SHGetPathFromIDListA(chosen, buffer)) result = GetString(buffer, MAX_PATH);
        shellMalloc->Free(chosen);
    }
    if (rootItem) shellMalloc->Free(rootItem);
    shellMalloc->Free(buffer);
    shellMalloc->Release();
    if (ole) OleUninitialize();
    return result;
}

}  // namespace kb::loader
