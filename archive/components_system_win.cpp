// The Windows side of component installation: kernel, version resources,
// private-profile files, the registry, program start and "Register.dll".
#include <windows.h>

#include <cstdio>
#include <vector>

#include "archive/components_system.h"
#include "archive/vbrm_version.h"
#include "shared/base/dll_binding.h"
#include "shared/base/exec.h"
#include "shared/base/fs.h"
#include "shared/base/version.h"

namespace ark::components {
namespace {

using StringCall = int(WINAPI*)(const char*);
using IntCall = int(WINAPI*)(int);

// Casts a looked-up address to the function type it is known to have.
template <class F>
F As(FARPROC p) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(p));
}

// The version-resource calls, bound from the system folder on first use: an
// import of version.dll would be looked for in the calling program's folder
// first. Kept for the process's life.
struct VersionApi {
    using SizeFn = DWORD(WINAPI*)(LPCSTR, LPDWORD);
    using InfoFn = BOOL(WINAPI*)(LPCSTR, DWORD, DWORD, LPVOID);
    using QueryFn = BOOL(WINAPI*)(LPCVOID, LPCSTR, LPVOID*, PUINT);
    SizeFn size = nullptr;
    InfoFn info = nullptr;
    QueryFn query = nullptr;
    bool Ready() const { return size && info && query; }
};

const VersionApi& Version() {
    static const VersionApi api = [] {
        VersionApi a;
        const kb::DynamicLibrary* m = kb::LoadSystemLibrary("version.dll").release();
        if (!m) return a;
        a.size = reinterpret_cast<VersionApi::SizeFn>(m->Symbol("GetFileVersionInfoSizeA"));
        a.info = reinterpret_cast<VersionApi::InfoFn>(m->Symbol("GetFileVersionInfoA"));
        a.query = reinterpret_cast<VersionApi::QueryFn>(m->Symbol("VerQueryValueA"));
        return a;
    }();
    return api;
}

class WinSystem final : public System {
public:
    bool TempFolder(std::string& folder) override {
        folder = kb::fs::TempFolder();
        return !folder.empty();
    }
    bool SystemFolder(std::string& folder) override {
        char buffer[MAX_PATH];
        const UINT n = GetSystemDirectoryA(buffer, MAX_PATH);
        if (n == 0 || n >= MAX_PATH) return false;
        folder.assign(buffer, n);
        return true;
    }
    bool IsFixedDrive(const std::string& root) override { return GetDriveTypeA(root.c_str()) == DRIVE_FIXED; }
    bool CreateProbeFile(const std::string& path) override {
        HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        CloseHandle(h);
        return true;
    }
    bool RemoveFolder(const std::string& path) override { return RemoveDirectoryA(path.c_str()) != FALSE; }
    bool CopyOver(const std::string& from, const std::string& to) override {
        return CopyFileA(from.c_str(), to.c_str(), FALSE) != FALSE;
    }
    bool LastWriteTime(const std::string& path, uint64_t& time) override {
        HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        FILETIME write{};
        const bool ok = GetFileTime(h, nullptr, nullptr, &write) != FALSE;
        CloseHandle(h);
        time = (uint64_t(write.dwHighDateTime) << 32) | write.dwLowDateTime;
        return ok;
    }
    bool CanReplace(const std::string& path) override {
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        CloseHandle(h);
        return true;
    }
    bool IsComServer(const std::string& path) override {
        HMODULE m = LoadLibraryA(path.c_str());
        if (!m) return false;
        const bool com = GetProcAddress(m, "DllRegisterServer") != nullptr;
        FreeLibrary(m);
        return com;
    }
    ModuleVersion ReadModuleVersion(const std::string& path) override {
        ModuleVersion out;
        const VersionApi& api = Version();
        if (!api.Ready()) return out;
        DWORD handle = 0;
        const DWORD size = api.size(path.c_str(), &handle);
        if (size == 0) return out;
        std::vector<char> data(size);
        if (!api.info(path.c_str(), 0, size, data.data())) return out;
        void* translation = nullptr;
        UINT length = 0;
        if (!api.query(data.data(), "\\VarFileInfo\\Translation", &translation, &length) || !translation ||
            length < 4)
            return out;
        const auto* words = static_cast<const WORD*>(translation);
        out.translation = vbrm::FormatTranslation(words[0], words[1]);
        const std::string query = "\\StringFileInfo\\" + out.translation + "\\FileVersion";
        void* text = nullptr;
        length = 0;
        if (!api.query(data.data(), query.c_str(), &text, &length) || !text) return out;
        // The string lies inside the block: read no further than its end, and
        // keep no more than the 63 bytes a version field holds.
        const char* begin = static_cast<const char*>(text);
        const char* end = data.data() + data.size();
        if (begin < data.data() || begin >= end) return out;
        size_t n = 0;
        const size_t limit = static_cast<size_t>(end - begin);
        while (n < limit && n < length && begin[n] != '\0') ++n;
        out.fileVersion = vbrm::BoundVersionText(std::string_view(begin, n));
        return out;
    }
    bool WriteIniString(const std::string& file, const std::string& section, const std::string& key,
                        const std::string& value) override {
        return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()) != FALSE;
    }
    std::string ReadIniString(const std::string& file, const std::string& section, const std::string& key) override {
        std::vector<char> buffer(1024);
        for (;;) {
            const DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buffer.data(),
                                                     static_cast<DWORD>(buffer.size()), file.c_str());
            if (n + 1 < buffer.size() || buffer.size() >= 65536) return std::string(buffer.data(), n);
            buffer.resize(buffer.size() * 4);
        }
    }
    bool AppendBytes(const std::string& path, const std::string& bytes) override {
        HANDLE h = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        DWORD put = 0;
        const bool ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr) != FALSE &&
                        put == bytes.size();
        CloseHandle(h);
        return ok;
    }
    std::string LocalDateTime() override {
        SYSTEMTIME t{};
        GetLocalTime(&t);
        char text[32];
        std::snprintf(text, sizeof text, "%04u/%02u/%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour,
                      t.wMinute, t.wSecond);
        return text;
    }
    RegWrite SetMachineString(const std::string& subkey, const std::string& name, const std::string& data) override {
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr) != ERROR_SUCCESS)
            return RegWrite::KeyFailed;
        const LONG rc = RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                                       static_cast<DWORD>(data.size() + 1));
        RegCloseKey(key);
        return rc == ERROR_SUCCESS ? RegWrite::Ok : RegWrite::ValueFailed;
    }
    bool RunAndWait(const std::string& commandLine) override {
        return kb::ExecWait(commandLine, SW_SHOWMINIMIZED, nullptr, 0);
    }
    int WindowsVersionCode() override { return kb::GetWindowsVersion(); }

    bool BindRegisterLibrary() override {
        if (library_) return true;
        library_ = LoadLibraryA("Register.dll");
        if (!library_) return false;
        isRegistered_ = As<StringCall>(GetProcAddress(library_, "IsRegistered"));
        register_ = As<StringCall>(GetProcAddress(library_, "Register"));
        setCompareMode_ = As<IntCall>(GetProcAddress(library_, "SetCompareMode"));
        setCompareModeFileName_ = As<StringCall>(GetProcAddress(library_, "SetCompareModeFileName"));
        return isRegistered_ && register_ && setCompareMode_ && setCompareModeFileName_;
    }
    void UnbindRegisterLibrary() override {
        if (library_) FreeLibrary(library_);
        library_ = nullptr;
        isRegistered_ = register_ = setCompareModeFileName_ = nullptr;
        setCompareMode_ = nullptr;
    }
    // A call made while the library is not fully bound fails instead of
    // calling through a null pointer.
    int IsRegistered(const std::string& path) override { return isRegistered_ ? isRegistered_(path.c_str()) : 0; }
    int Register(const std::string& path) override { return register_ ? register_(path.c_str()) : 0; }
    int SetCompareMode(int mode) override { return setCompareMode_ ? setCompareMode_(mode) : 0; }
    int SetCompareModeFileName(const std::string& fileName) override {
        return setCompareModeFileName_ ? setCompareModeFileName_(fileName.c_str()) : -1;
    }

private:
    HMODULE library_ = nullptr;
    StringCall isRegistered_ = nullptr;
    StringCall register_ = nullptr;
    IntCall setCompareMode_ = nullptr;
    StringCall setCompareModeFileName_ = nullptr;
};

}  // namespace

System& WindowsSystem() {
    static WinSystem system;
    return system;
}

}  // namespace ark::components
