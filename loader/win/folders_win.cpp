#include "loader/win/folders_win.h"

#include <windows.h>

#include <algorithm>

#include "shared/base/dll_binding.h"
#include "shared/base/fs.h"
#include "shared/base/strutils.h"
#include "shared/base/version.h"

namespace kb::loader {

std::string GetTempDir() { return fs::TempFolder(); }

std::string GetSystemDir() {
    char buffer[MAX_PATH + 1] = {};
    const UINT n = GetSystemDirectoryA(buffer, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::string(buffer, n) : std::string();
}

std::string GetProgramDir() {
    char buffer[MAX_PATH + 1] = {};
    const DWORD n = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return {};
    const std::string path(buffer, n);
    return path.substr(0, path.size() - FileNameOf(path).size() - 1);
}

bool WinFolderSystem::FolderExists(const std::string& path) { return fs::FolderExists(path); }

bool WinFolderSystem::MakeFolder(const std::string& path) { return fs::CreateFolder(path); }

bool WinFolderSystem::RemoveFolder(const std::string& path) { return fs::RemoveFolder(path); }

FolderSystem::NewFile WinFolderSystem::CreateNewFile(const std::string& path) {
    fs::File file = fs::File::Open(path, fs::Access::ReadWrite, fs::Disposition::CreateNew, fs::Share::None);
    if (file.IsOpen()) return NewFile::Created;
    // A file or a folder of that name: someone else's.
    return fs::Exists(path) ? NewFile::Exists : NewFile::Failed;
}

bool WinFolderSystem::RemoveFile(const std::string& path) { return fs::RemoveFile(path); }

std::optional<std::string> WinFolderSystem::ReadWriteTempPath() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kWorkFolderKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return std::nullopt;
    char buffer[MAX_PATH + 1] = {};
    DWORD type = 0;
    DWORD size = MAX_PATH;  // room for 259 bytes and the zero
    const LONG r = RegQueryValueExA(key, kWorkFolderValue, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (r != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::nullopt;
    return GetString(buffer, std::min<DWORD>(size, MAX_PATH));
}

bool WinFolderSystem::WriteWriteTempPath(const std::string& base) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kWorkFolderKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    const LONG r = RegSetValueExA(key, kWorkFolderValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(base.c_str()),
                                  static_cast<DWORD>(base.size() + 1));
    RegCloseKey(key);
    return r == ERROR_SUCCESS;
}

}  // namespace kb::loader
