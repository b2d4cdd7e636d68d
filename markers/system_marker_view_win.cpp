// MarkerView over the Windows drives, shell folders and file searches.
#include "markers/system_marker_view.h"

#include "markers/marker_search.h"

#include <windows.h>
#include <shlobj.h>

namespace kb::markers {
namespace {

// Keeps the "insert a disc" and similar critical-error boxes away while probing,
// and puts the caller's mode back afterwards. The per-thread mode is used where the
// system has it, so other threads of the caller are not affected.
class QuietErrorMode {
public:
    QuietErrorMode() {
        constexpr UINT kQuiet = SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX;
        HMODULE kernel = GetModuleHandleA("kernel32.dll");
        FARPROC proc = kernel ? GetProcAddress(kernel, "SetThreadErrorMode") : nullptr;
        if (proc) {
            setThreadMode_ = reinterpret_cast<SetThreadErrorModeFn>(reinterpret_cast<void*>(proc));
            DWORD previous = 0;
            if (setThreadMode_(kQuiet, &previous)) {
                setThreadMode_(previous | kQuiet, nullptr);
                previous_ = previous;
                changed_ = true;
            }
        } else {
            previous_ = SetErrorMode(kQuiet);
            SetErrorMode(previous_ | kQuiet);
            changed_ = true;
        }
    }
    ~QuietErrorMode() {
        if (!changed_) return;
        if (setThreadMode_)
            setThreadMode_(previous_, nullptr);
        else
            SetErrorMode(previous_);
    }
    QuietErrorMode(const QuietErrorMode&) = delete;
    QuietErrorMode& operator=(const QuietErrorMode&) = delete;

private:
    using SetThreadErrorModeFn = BOOL(WINAPI*)(DWORD, LPDWORD);
    SetThreadErrorModeFn setThreadMode_ = nullptr;
    UINT previous_ = 0;
    bool changed_ = false;
};

class WindowsMarkerView : public MarkerView {
public:
    unsigned DriveType(const std::string& root) override { return GetDriveTypeA(root.c_str()); }

    std::optional<std::string> ProfileFolder() override {
        char path[MAX_PATH + 1] = {};
        if (!SHGetSpecialFolderPathA(nullptr, path, CSIDL_PROFILE, FALSE)) return std::nullopt;
        path[MAX_PATH] = '\0';
        return std::string(path);
    }

    FindFirstResult FindFirst(const std::string& path) override {
        WIN32_FIND_DATAA data = {};
        FindFirstResult result;
        HANDLE search = FindFirstFileA(path.c_str(), &data);
        if (search != INVALID_HANDLE_VALUE) {
            FindClose(search);
            result.succeeded = true;
        } else {
            result.lastError = GetLastError();
        }
        result.entryReturned = data.cFileName[0] != '\0';
        result.attributes = data.dwFileAttributes;
        return result;
    }

    std::vector<FolderEntry> ListFolder(const std::string& pattern) override {
        std::vector<FolderEntry> entries;
        WIN32_FIND_DATAA data = {};
        HANDLE search = FindFirstFileA(pattern.c_str(), &data);
        if (search == INVALID_HANDLE_VALUE) return entries;
        do {
            // cFileName is MAX_PATH bytes; never read past it.
            size_t length = strnlen(data.cFileName, sizeof data.cFileName);
            entries.push_back({std::string(data.cFileName, length), data.dwFileAttributes});
        } while (FindNextFileA(search, &data));
        FindClose(search);
        return entries;
    }
};

}  // namespace

bool SystemMarkerExists(const char* markerName) noexcept {
    try {
        QuietErrorMode quiet;
        WindowsMarkerView view;
        return MarkerExists(view, markerName);
    } catch (...) {
        // Only an allocation failure can get here; it is no hit like any other failure.
        return false;
    }
}

}  // namespace kb::markers
