// Windows file seam: the A-functions of the kernel.
#include <windows.h>

#include "archive/fs.h"
#include "archive/fs_win.h"

namespace ark::fs {
namespace {

class WinIn final : public InFile {
public:
    WinIn(HANDLE h, uint64_t length) : h_(h), length_(length) {}
    ~WinIn() override { CloseHandle(h_); }
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
    // A seek and a plain read: under Wine a read at an OVERLAPPED offset on
    // a synchronous handle costs several times as much as both.
    size_t ReadAt(uint64_t position, void* data, size_t size) override {
        return Seek(position) ? Read(data, size) : 0;
    }
    bool Seek(uint64_t position) override {
        LARGE_INTEGER to;
        to.QuadPart = static_cast<LONGLONG>(position);
        return position <= INT64_MAX && SetFilePointerEx(h_, to, nullptr, FILE_BEGIN) != FALSE;
    }
    bool Tell(uint64_t& position) override {
        LARGE_INTEGER zero{}, now{};
        if (!SetFilePointerEx(h_, zero, &now, FILE_CURRENT)) return false;
        position = static_cast<uint64_t>(now.QuadPart);
        return true;
    }
    uint64_t Length() const override { return length_; }
    bool Stamp(FileStamp& stamp) override;

private:
    HANDLE h_;
    uint64_t length_;
};

class WinOut final : public OutFile {
public:
    explicit WinOut(HANDLE h) : h_(h) {}
    ~WinOut() override {
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
        bool ok = CloseHandle(h_) != FALSE;
        h_ = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    HANDLE h_;
};

FILETIME Split(uint64_t t) { return FILETIME{static_cast<DWORD>(t), static_cast<DWORD>(t >> 32)}; }
uint64_t Join(const FILETIME& t) { return (uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

// The path the caller keys a stamp with stands for the volume.
bool WinIn::Stamp(FileStamp& stamp) {
    FILE_BASIC_INFO basic;
    FILE_STANDARD_INFO standard;
    if (!GetFileInformationByHandleEx(h_, FileBasicInfo, &basic, sizeof basic) ||
        !GetFileInformationByHandleEx(h_, FileStandardInfo, &standard, sizeof standard) ||
        !FileIndex(h_, stamp.fileId))
        return false;
    stamp.volume = 0;
    stamp.size = static_cast<uint64_t>(standard.EndOfFile.QuadPart);
    stamp.lastWrite = static_cast<uint64_t>(basic.LastWriteTime.QuadPart);
    stamp.change = static_cast<uint64_t>(basic.ChangeTime.QuadPart);
    return true;
}

}  // namespace

// Kernel32 hands the index out only together with the volume's serial
// number, which Wine looks up for milliseconds a call; ntdll, in every
// process, gives the index alone.
bool FileIndex(HANDLE h, uint64_t& index) {
    using Query = LONG(WINAPI*)(HANDLE file, void* ioStatus, void* info, ULONG length, int infoClass);
    static const Query query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationFile")));
    constexpr int kFileInternalInformation = 6;
    struct {
        void* status;
        ULONG_PTR information;
    } io{};
    LARGE_INTEGER id{};
    if (!query || query(h, &io, &id, sizeof id, kFileInternalInformation) != 0) return false;
    index = static_cast<uint64_t>(id.QuadPart);
    return true;
}

uint64_t CurrentTime() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return Join(now);
}

std::unique_ptr<InFile> InFile::Open(const std::string& path) {
    // Shared as the C runtime's "rb" shares: other readers and writers may keep it open.
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(h, &size)) {
        CloseHandle(h);
        return nullptr;
    }
    return std::make_unique<WinIn>(h, static_cast<uint64_t>(size.QuadPart));
}

std::unique_ptr<OutFile> OutFile::Create(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<WinOut>(h);
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool CreateFolder(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != FALSE; }

bool RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) != FALSE; }

bool GetAttributes(const std::string& path, uint32_t& attributes) {
    DWORD a = GetFileAttributesA(path.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return false;
    attributes = a;
    return true;
}

bool SetAttributes(const std::string& path, uint32_t attributes) {
    return SetFileAttributesA(path.c_str(), attributes) != FALSE;
}

bool SetTimes(const std::string& path, const FileTimes& times) {
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    FILETIME c = Split(times.creation), a = Split(times.lastAccess), w = Split(times.lastWrite);
    bool ok = SetFileTime(h, &c, &a, &w) != FALSE;
    CloseHandle(h);
    return ok;
}

bool GetTimes(const std::string& path, FileTimes& times) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
    times.creation = Join(data.ftCreationTime);
    times.lastAccess = Join(data.ftLastAccessTime);
    times.lastWrite = Join(data.ftLastWriteTime);
    return true;
}

}  // namespace ark::fs
