#include "launcher/win/work_folder_win.h"

#include <shellapi.h>

#include "launcher/folder_tree.h"
#include "launcher/win/settings_win.h"

namespace kb::launcher {
namespace {

using SaveAllFn = int(WINAPI*)(const char* archive, const char* destination);
using SetActionsFn = void(WINAPI*)(int actions);
using CheckEnvironmentFn = int(WINAPI*)(void* request);

// A loaded library, freed on every path.
class Library {
public:
    explicit Library(const std::string& path) : module_(LoadLibraryA(path.c_str())) {}
    ~Library() {
        if (module_) FreeLibrary(module_);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    explicit operator bool() const { return module_ != nullptr; }
    template <class Fn>
    Fn Bind(const char* name) const {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    }

private:
    HMODULE module_;
};

// Reads up to kControlReadSize bytes of an existing file; nullopt when it
// cannot be opened or read.
std::optional<std::string> ReadControlBytes(const std::string& path) {
    if (!IsExistingFile(path)) return std::nullopt;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    char buffer[kControlReadSize] = {};
    DWORD read = 0;
    const BOOL ok = ReadFile(file, buffer, sizeof buffer, &read, nullptr);
    CloseHandle(file);
    if (!ok) return std::nullopt;
    return std::string(buffer, read);
}

// The low 32 bits of the size, opened for reading with no sharing; 0 when it
// cannot be opened.
uint32_t FileSizeLow(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    const DWORD size = GetFileSize(file, nullptr);
    CloseHandle(file);
    return size == INVALID_FILE_SIZE ? 0 : size;
}

}  // namespace

bool ExtractArchiveWith(const std::string& serverPath, const std::string& archivePath, const std::string& destination) {
    Library server(serverPath);
    if (!server) return false;
    const auto saveAll = server.Bind<SaveAllFn>("SaveAll");
    if (!saveAll) return false;
    return saveAll(archivePath.c_str(), destination.c_str()) == 0;
}

void DeleteFolderTree(const std::string& folder) {
    FolderTreeOps ops;
    ops.list = [](const std::string& at) {
        std::vector<TreeEntry> entries;
        WIN32_FIND_DATAA entry;
        HANDLE search = FindFirstFileA((at + "\\*.*").c_str(), &entry);
        if (search == INVALID_HANDLE_VALUE) return entries;
        do {
            entries.push_back({entry.cFileName, (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                               (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
        } while (FindNextFileA(search, &entry));
        FindClose(search);
        return entries;
    };
    ops.removeFile = [](const std::string& path) {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
    };
    ops.removeLink = [](const std::string& path, bool folderLink) {
        // Setting a link's attributes would set its target's.
        if (folderLink)
            RemoveDirectoryA(path.c_str());
        else
            DeleteFileA(path.c_str());
    };
    ops.removeFolder = [](const std::string& path) { RemoveDirectoryA(path.c_str()); };
    ops.isLink = [](const std::string& path) {
        const DWORD attributes = GetFileAttributesA(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    };
    DeleteFolderTreeWith(ops, folder);
}

std::optional<int> CheckEnvironmentWith(const std::string& dllPath, const DriverRequestBytes& record) {
    Library manager(dllPath);
    if (!manager) return std::nullopt;
    const auto checkEnvironment = manager.Bind<CheckEnvironmentFn>("CheckEnvironment");
    const auto setActions = manager.Bind<SetActionsFn>("SetActions");
    if (!checkEnvironment || !setActions) return std::nullopt;
    setActions(kDriverActions);
    DriverRequestBytes request = record;  // the manager gets a record of its own to write into
    return checkEnvironment(request.data());
}

DiscFacts GatherDiscFacts(char drive, const DiscQuestions& questions) {
    DiscFacts facts;
    for (const std::string& path : questions.files) {
        const std::string full = DiscPath(drive, path);
        DiscFile file;
        file.existing = IsExistingFile(full);
        if (file.existing) file.size = FileSizeLow(full);
        facts.files[path] = file;
    }
    for (const std::string& path : questions.controlFiles)
        if (std::optional<std::string> bytes = ReadControlBytes(DiscPath(drive, path)))
            facts.controlFiles[path] = *bytes;
    if (questions.scanRoot) {
        WIN32_FIND_DATAA entry;
        HANDLE search = FindFirstFileA(DiscPath(drive, kDiscRootPattern).c_str(), &entry);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                facts.rootEntries.push_back({entry.cFileName, (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
            } while (FindNextFileA(search, &entry));
            FindClose(search);
        }
    }
    return facts;
}

std::vector<char> CdRomDriveLetters() {
    std::vector<char> letters;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const char root[] = {letter, ':', '\\', '\0'};
        if (GetDriveTypeA(root) == DRIVE_CDROM) letters.push_back(letter);
    }
    return letters;
}

bool ShellStartProgram(HWND owner, const ShellStart& start) {
    const HINSTANCE result =
        ShellExecuteA(owner, "open", start.file.c_str(), start.parameters.c_str(), nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace kb::launcher
