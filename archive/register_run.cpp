#include "archive/register_run.h"

#include <cstdio>

#include "archive/frame.h"
#include "archive/name_index.h"
#include "archive/names.h"
#include "archive/reader.h"
#include "shared/base/fs.h"
#include "shared/base/strutils.h"

namespace ark::components {

namespace fs = kb::fs;

namespace {

constexpr uint32_t kAttrDirectory = 0x10;
constexpr int kNameBufferSize = 4096;

bool IsFile(const std::string& path) {
    uint32_t attributes = 0;
    return fs::GetAttributes(path, &attributes) && !(attributes & kAttrDirectory);
}

// The part of path after its last single-byte backslash.
std::string_view FileNameOf(std::string_view path) {
    size_t start = 0;
    for (size_t i = 0; i < path.size(); i += kb::CharLengthAt(path, i))
        if (kb::CharLengthAt(path, i) == 1 && path[i] == '\\') start = i + 1;
    return path.substr(start);
}

}  // namespace

bool IsWritableFolder(System& sys, const std::string& folder) {
    const std::string base = kb::AddTrailingBackslash(folder);
    for (int n = 0; n <= 9999; ++n) {
        char leaf[16];
        std::snprintf(leaf, sizeof leaf, "~tmp%.4d", n);
        const std::string candidate = base + leaf;
        if (fs::Exists(candidate) || !fs::CreateFolder(candidate)) continue;
        const std::string probe = candidate + "\\~TQZDisc.tmp";
        const bool created = sys.CreateProbeFile(probe);
        if (created) fs::RemoveFile(probe);
        sys.RemoveFolder(candidate);
        if (created) return true;
    }
    return false;
}

std::vector<std::string> MarkerFolders(System& sys, const std::string& tempFolder) {
    std::vector<std::string> folders;
    for (char letter = 'C'; letter <= 'Z'; ++letter) {
        const std::string root = std::string(1, letter) + ":\\";
        if (sys.IsFixedDrive(root) && IsWritableFolder(sys, root)) folders.push_back(root + kMarkerFolderName);
    }
    if (IsWritableFolder(sys, tempFolder)) folders.push_back(kb::AddTrailingBackslash(tempFolder) + kMarkerFolderName);
    return folders;
}

bool HasAdminForRegMarker(System& sys, const std::string& tempFolder) {
    for (const auto& folder : MarkerFolders(sys, tempFolder))
        if (IsFile(folder + kAdminForRegMarker)) return true;
    return false;
}

std::string ComponentValueName(std::string_view targetPath, bool marker, bool comServer) {
    char flag = '@';
    if (!marker) flag = comServer ? static_cast<char>('@' | 0x10 | 0x08) : static_cast<char>('@' | 0x08);
    std::string name(1, flag);
    name += '_';
    name += FileNameOf(targetPath);
    return name;
}

int CompareFileTimes(System& sys, const std::string& a, const std::string& b) {
    uint64_t ta = 0, tb = 0;
    if (!sys.LastWriteTime(a, ta)) return ARKSTOWRET_SOURCE_TIME_FAILED;
    if (!sys.LastWriteTime(b, tb)) return ARKSTOWRET_TARGET_ACCESS_FAILED;
    if (ta > tb) return 1;
    return ta == tb ? 0 : -1;
}

namespace {

// Puts the extracted file over target: an existing target loses its read-only
// attribute first; the extracted file is deleted once copied.
int CopyIntoPlace(System& sys, const std::string& extracted, const std::string& target,
                  const std::string& archive) {
    if (!archive.empty() && fs::SameFileOrPath(archive, target)) return ARKSTOWRET_COPY_FAILED;
    if (fs::Exists(target)) {
        uint32_t attributes = 0;
        if (!fs::GetAttributes(target, &attributes)) return ARKSTOWRET_TARGET_ACCESS_FAILED;
        fs::SetAttributes(target, attributes & ~fs::kAttrReadOnly);
    }
    MakePathFolders(target);
    if (!sys.CopyOver(extracted, target)) return ARKSTOWRET_COPY_FAILED;
    fs::RemoveFile(extracted);
    return ARKSTOWRET_OK;
}

}  // namespace

int InstallComponent(System& sys, const std::string& extracted, const std::string& target,
                     const InstallOptions& options) {
    const bool com = sys.IsComServer(extracted);
    if (com) {
        if (sys.IsRegistered(extracted) != 0) {
            fs::RemoveFile(extracted);
            return ARKSTOWRET_OK;
        }
    } else if (fs::Exists(target)) {
        const int order = CompareFileTimes(sys, extracted, target);
        if (order < -1) return order;
        if (order == 0 || (order == -1 && options.olderPolicy != kReplaceWithOlder)) {
            fs::RemoveFile(extracted);
            return ARKSTOWRET_OK;
        }
    }
    if (!options.allowInstall) return ARKSTOWRET_NEED_LOGOFF;

    if (int rc = CopyIntoPlace(sys, extracted, target, options.archive); rc != ARKSTOWRET_OK) return rc;
    if (com && sys.Register(target) == 0) return ARKSTOWRET_REGISTER_FAILED;
    // A value that could not be written is as much a failure as a key that
    // could not be opened: the record would claim nothing was installed.
    if (sys.SetMachineString(kComponentKey, ComponentValueName(target, options.marker, com), target) != RegWrite::Ok)
        return ARKSTOWRET_REGISTER_FAILED;
    return ARKSTOWRET_OK;
}

int RegisterAllEx(System& sys, const std::string& archive, bool allowInstall, int olderPolicy, int reserved) {
    Server().Enter("_RegisterAll");
    NameIndexWriteGuard writing;
    std::string temp, system;
    if (!sys.TempFolder(temp)) return ARKSTOWRET_TEMP_PATH_FAILED;
    if (!sys.SystemFolder(system)) return ARKSTOWRET_SYSTEM_DIR_FAILED;
    const std::string installFolder = JoinPath(system, kInstallFolderName);
    fs::CreateFolder(installFolder);

    const int count = CountEntries(archive, nullptr, nullptr);
    if (count < 0) return count;

    if (!sys.BindRegisterLibrary()) {
        sys.UnbindRegisterLibrary();
        return ARKSTOWRET_REGISTER_DLL_MISSING;
    }
    InstallOptions options;
    options.allowInstall = allowInstall;
    options.olderPolicy = olderPolicy;
    options.reserved = reserved;
    options.marker = HasAdminForRegMarker(sys, temp);
    options.archive = archive;

    // Entries are extracted into a folder of the call's own, never over a
    // user's file of the same name in the temp folder.
    struct PrivateFolder {
        std::string path;
        ~PrivateFolder() {
            if (!path.empty()) fs::RemoveTree(path);
        }
    } extraction{fs::CreatePrivateFolder(temp, "~reg")};
    if (extraction.path.empty()) {
        sys.UnbindRegisterLibrary();
        return Server().ClibFailure("CreateDirectory", temp);
    }

    int result = ARKSTOWRET_OK;
    std::vector<char> name(kNameBufferSize + 1);
    for (int i = 0; i < count && result == ARKSTOWRET_OK; ++i) {
        result = ReadName(archive, i, name.data(), kNameBufferSize);
        if (result != ARKSTOWRET_OK) break;
        const std::string entry(name.data());
        // The name is joined to the system folder with an administrator's
        // rights: one that could leave the install or extraction folder is refused.
        if (!IsSafeName(entry)) {
            result = ARKSTOWRET_UNSAFE_NAME;
            break;
        }
        const std::string extracted = JoinPath(extraction.path, entry);
        result = SaveEntryByIndex(archive, i, extracted);
        if (result != ARKSTOWRET_OK) break;
        result = InstallComponent(sys, extracted, JoinPath(installFolder, entry), options);
    }
    sys.UnbindRegisterLibrary();
    return result;
}

int SetRegCmpMode(System& sys, int mode) {
    if (!sys.BindRegisterLibrary()) {
        sys.UnbindRegisterLibrary();
        return ARKSTOWRET_REGISTER_DLL_MISSING;
    }
    sys.SetCompareMode(mode);
    return ARKSTOWRET_OK;
}

int SetRegCmpFile(System& sys, const std::string& fileName) {
    if (!sys.BindRegisterLibrary()) {
        sys.UnbindRegisterLibrary();
        return ARKSTOWRET_REGISTER_DLL_MISSING;
    }
    return sys.SetCompareModeFileName(fileName) != 0 ? ARKSTOWRET_COMPARE_FILE_FAILED : ARKSTOWRET_OK;
}

}  // namespace ark::components
