// The loader's folders on Windows: temp, system and program folders, and the
// file-system and registry steps of the work-folder decisions.
#pragma once
#include <string>

#include "loader/work_folder.h"

namespace kb::loader {

// HKEY_CURRENT_USER key and value of the work folder's record.
constexpr char kWorkFolderKey[] = "Software\\TovanMMP\\Solmir";
constexpr char kWorkFolderValue[] = "WriteTempPath";

// The user's temp folder with a trailing backslash; empty when it cannot be had.
std::string GetTempDir();
// The Windows system folder, no trailing backslash.
std::string GetSystemDir();
// The running program's folder, no trailing backslash.
std::string GetProgramDir();

class WinFolderSystem final : public FolderSystem {
public:
    bool FolderExists(const std::string& path) override;
    bool MakeFolder(const std::string& path) override;
    bool RemoveFolder(const std::string& path) override;
    NewFile CreateNewFile(const std::string& path) override;
    bool RemoveFile(const std::string& path) override;
    std::string TempDir() override { return GetTempDir(); }
    // A value that is not a string (REG_SZ or REG_EXPAND_SZ, taken unexpanded)
    // or longer than 259 bytes counts as missing.
    std::optional<std::string> ReadWriteTempPath() override;
    bool WriteWriteTempPath(const std::string& base) override;
};

}  // namespace kb::loader
