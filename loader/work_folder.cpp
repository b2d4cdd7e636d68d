#include "loader/work_folder.h"

#include <cstdio>

#include "loader/path_csv.h"

namespace kb::loader {
namespace {

constexpr int kMaxProbe = 9999;
// Free names tried for the write test's probe file beside the user's files.
constexpr int kMaxWriteTestNames = 100;

std::string TempBase(FolderSystem& fs) { return IncludeTrailingBackslash(fs.TempDir()); }

}  // namespace

bool IsFolderWritable(FolderSystem& fs, const std::string& base) {
    const std::string prefix = IncludeTrailingBackslash(base);
    for (int n = 0; n <= kMaxProbe; ++n) {
        char name[16];
        std::snprintf(name, sizeof name, "~tmp%.4d", n);
        const std::string probe = prefix + name;
        if (fs.FolderExists(probe)) continue;  // another process's probe
        if (!fs.MakeFolder(probe)) continue;
        const std::string file = probe + "\\" + kProbeFileName;
        // The folder is new, so the file cannot be anyone else's.
        const bool written = fs.CreateNewFile(file) == FolderSystem::NewFile::Created;
        if (written) fs.RemoveFile(file);
        fs.RemoveFolder(probe);
        if (written) return true;
    }
    return false;
}

bool SaveWorkFolder(FolderSystem& fs, char drive) {
    const std::string temp = fs.TempDir();
    std::string base;
    if (drive != '\0' && (temp.empty() || drive != temp[0]))
        base = std::string(1, drive) + ":\\";
    else
        base = TempBase(fs);
    bool result = true;
    if (!IsFolderWritable(fs, base)) {
        base = TempBase(fs);
        result = false;
    }
    fs.WriteWriteTempPath(base);
    return result;
}

std::string GetWorkFolder(FolderSystem& fs) {
    std::string base = fs.ReadWriteTempPath().value_or("");
    if (base.empty()) base = TempBase(fs);
    if (!IsFolderWritable(fs, base)) base = TempBase(fs);
    const std::string path = base + kWorkFolderName;
    fs.MakeFolder(path);  // its failure shows later, when the folder is used
    SaveWorkFolder(fs, base[0]);
    return path;
}

bool AdminAnswer::IsAdmin() {
    if (!answer_) answer_ = ask_ && ask_() == 1;
    return *answer_;
}

bool CanWriteTo(FolderSystem& fs, AdminAnswer& admin, const std::string& folder, const std::string& subFolder) {
    if (admin.IsAdmin()) return true;
    std::string target = ExcludeTrailingBackslash(folder);
    if (!subFolder.empty()) target += "\\" + subFolder;
    bool created = false;
    if (!fs.FolderExists(target)) {
        if (!fs.MakeFolder(target)) return false;
        created = true;
    }
    bool written = false;
    for (int n = 0; n < kMaxWriteTestNames; ++n) {
        std::string probe = target + "\\" + kWriteTestFileName;
        if (n > 0) probe += "_" + std::to_string(n);
        const FolderSystem::NewFile r = fs.CreateNewFile(probe);
        if (r == FolderSystem::NewFile::Exists) continue;  // a file of the user's: never touched
        if (r == FolderSystem::NewFile::Created) {
            fs.RemoveFile(probe);
            written = true;
        }
        break;
    }
    if (created) fs.RemoveFolder(target);
    return written;
}

std::string GetEraserPath(const std::string& programDir) {
    if (programDir.empty()) return {};
    return programDir + "\\" + kEraserFileName;
}

std::string ProgramCommandLine(const std::string& program, const std::string& arguments) {
    std::string line = "\"" + program + "\"";
    if (!arguments.empty()) line += " " + arguments;
    return line;
}

}  // namespace kb::loader
