// Windows writer seam: the A-functions of the kernel.
#include <windows.h>

#include <atomic>
#include <cstdio>

#include "archive/ach_writefs.h"
#include "archive/fs_win.h"

namespace ark::wfs {
namespace {

class WinRw final : public RwFile {
public:
    explicit WinRw(HANDLE h) : h_(h) {}
    ~WinRw() override {
        if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    }
    size_t Read(void* data, size_t size) override {
        size_t total = 0;
        while (total < size) {
            DWORD chunk = static_cast<DWORD>(size - total > 0x40000000 ? 0x40000000 : size - total);
            DWORD got = 0;
            if (!ReadFile(h_, static_cast<char*>(data) + total, chunk, &got, nullptr) || got == 0) break;
            total += got;
        }
        return total;
    }
    bool Write(const void* data, size_t size) override {
        size_t total = 0;
        while (total < size) {
            DWORD chunk = static_cast<DWORD>(size - total > 0x40000000 ? 0x40000000 : size - total);
            DWORD put = 0;
            if (!WriteFile(h_, static_cast<const char*>(data) + total, chunk, &put, nullptr) || put == 0)
                return false;
            total += put;
        }
        return true;
    }
    bool Seek(uint64_t position) override {
        LARGE_INTEGER to;
        to.QuadPart = static_cast<LONGLONG>(position);
        return position <= INT64_MAX && SetFilePointerEx(h_, to, nullptr, FILE_BEGIN) != FALSE;
    }
    bool SeekEnd() override {
        LARGE_INTEGER zero{};
        return SetFilePointerEx(h_, zero, nullptr, FILE_END) != FALSE;
    }
    bool Tell(uint64_t& position) override {
        LARGE_INTEGER zero{}, now{};
        if (!SetFilePointerEx(h_, zero, &now, FILE_CURRENT)) return false;
        position = static_cast<uint64_t>(now.QuadPart);
        return true;
    }
    bool Truncate(uint64_t length) override { return Seek(length) && SetEndOfFile(h_) != FALSE; }
    bool Close() override {
        bool ok = FlushFileBuffers(h_) != FALSE;
        ok = CloseHandle(h_) != FALSE && ok;
        h_ = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    HANDLE h_;
};

class WinNewOut final : public fs::OutFile {
public:
    explicit WinNewOut(HANDLE h) : h_(h) {}
    ~WinNewOut() override {
        if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    }
    bool Write(const void* data, size_t size) override {
        size_t total = 0;
        while (total < size) {
            DWORD chunk = static_cast<DWORD>(size - total > 0x40000000 ? 0x40000000 : size - total);
            DWORD put = 0;
            if (!WriteFile(h_, static_cast<const char*>(data) + total, chunk, &put, nullptr) || put == 0)
                return false;
            total += put;
        }
        return true;
    }
    bool Close() override {
        bool ok = FlushFileBuffers(h_) != FALSE;
        ok = CloseHandle(h_) != FALSE && ok;
        h_ = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    HANDLE h_;
};

uint64_t Join(const FILETIME& t) { return (uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

std::string FullPath(const std::string& path) {
    char buffer[MAX_PATH * 4];
    DWORD n = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
    if (n == 0 || n >= sizeof buffer) return path;
    return std::string(buffer, n);
}

}  // namespace

std::unique_ptr<RwFile> RwFile::Open(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<WinRw>(h);
}

std::unique_ptr<fs::OutFile> CreateNewFile(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<WinNewOut>(h);
}

bool ReadSourceInfo(const std::string& path, SourceInfo& info) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    FILETIME c{}, a{}, w{};
    const bool ok = GetFileSizeEx(h, &size) && GetFileTime(h, &c, &a, &w);
    CloseHandle(h);
    if (!ok) return false;
    info.attributes = attributes;
    info.size = static_cast<uint64_t>(size.QuadPart);
    info.times.creation = Join(c);
    info.times.lastAccess = Join(a);
    info.times.lastWrite = Join(w);
    return true;
}

bool CopyToNewFile(const std::string& from, const std::string& to) {
    return CopyFileA(from.c_str(), to.c_str(), TRUE) != FALSE;
}

bool MoveIntoPlace(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

std::string CreatePrivateFolder(const std::string& parent, const std::string& prefix) {
    static std::atomic<unsigned> counter{0};
    std::string base = parent;
    if (!base.empty() && base.back() != '\\' && base.back() != '/') base += '\\';
    for (int attempt = 0; attempt < 1000; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, "%lu-%u", static_cast<unsigned long>(GetCurrentProcessId()),
                      counter++);
        const std::string folder = base + prefix + suffix;
        if (CreateDirectoryA(folder.c_str(), nullptr)) return folder;
        if (GetLastError() != ERROR_ALREADY_EXISTS) return {};
    }
    return {};
}

void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            const std::string child = folder + "\\" + name;
            SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                DeleteFileA(child.c_str());
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA(folder.c_str());
}

bool SameFile(const std::string& a, const std::string& b) {
    struct Handle {
        HANDLE h;
        explicit Handle(const std::string& p)
            : h(CreateFileA(p.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
        ~Handle() {
            if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        }
        bool Open() const { return h != INVALID_HANDLE_VALUE; }
    } ha(a), hb(b);
    if (!ha.Open() || !hb.Open()) return lstrcmpiA(FullPath(a).c_str(), FullPath(b).c_str()) == 0;
    // Two indexes that differ tell two files at once; equal ones are confirmed
    // with the volumes, which Wine looks up slowly.
    uint64_t indexA = 0, indexB = 0;
    if (fs::FileIndex(ha.h, indexA) && fs::FileIndex(hb.h, indexB) && indexA != indexB) return false;
    BY_HANDLE_FILE_INFORMATION ia{}, ib{};
    if (!GetFileInformationByHandle(ha.h, &ia) || !GetFileInformationByHandle(hb.h, &ib))
        return lstrcmpiA(FullPath(a).c_str(), FullPath(b).c_str()) == 0;
    return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber && ia.nFileIndexHigh == ib.nFileIndexHigh &&
           ia.nFileIndexLow == ib.nFileIndexLow;
}

}  // namespace ark::wfs
