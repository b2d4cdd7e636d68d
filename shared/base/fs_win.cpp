// The file seam on Windows: A-version Win32 calls.
#include "shared/base/fs.h"

#include <windows.h>

#include <mutex>

#include <algorithm>
#include <climits>
#include <string>

#include "shared/base/dbcs.h"
#include "shared/base/fs_win.h"
#include "shared/base/paths.h"

namespace kb::fs {
namespace {

HANDLE H(void* h) { return h ? static_cast<HANDLE>(h) : INVALID_HANDLE_VALUE; }

Error ErrorFromLast(DWORD code) {
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
            return Error::NotFound;
        case ERROR_ACCESS_DENIED:
            return Error::AccessDenied;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return Error::SharingViolation;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return Error::Exists;
        default:
            return Error::Other;
    }
}

uint64_t FromFileTime(const FILETIME& ft) {
    return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

FILETIME ToFileTime(uint64_t v) {
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(v & 0xFFFFFFFFu);
    ft.dwHighDateTime = static_cast<DWORD>(v >> 32);
    return ft;
}

bool SetTimesOnHandle(HANDLE h, const FileTimes& t) {
    FILETIME c = ToFileTime(t.creation), a = ToFileTime(t.lastAccess), w = ToFileTime(t.lastWrite);
    return SetFileTime(h, t.creation ? &c : nullptr, t.lastAccess ? &a : nullptr,
                       t.lastWrite ? &w : nullptr) != 0;
}

}  // namespace

File::~File() { Close(); }

File::File(File&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = other.handle_;
        other.handle_ = nullptr;
    }
    return *this;
}

File File::Open(const std::string& path, Access access, Disposition disposition, Share share,
                Error* error) {
    DWORD acc = access == Access::Read ? GENERIC_READ
                : access == Access::Write ? GENERIC_WRITE
                                          : GENERIC_READ | GENERIC_WRITE;
    DWORD sh = share == Share::None ? 0
               : share == Share::Read ? FILE_SHARE_READ
               : share == Share::ReadWrite ? FILE_SHARE_READ | FILE_SHARE_WRITE
                                           : FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    DWORD disp = disposition == Disposition::OpenExisting ? OPEN_EXISTING
                 : disposition == Disposition::CreateAlways ? CREATE_ALWAYS
                 : disposition == Disposition::OpenAlways ? OPEN_ALWAYS
                                                          : CREATE_NEW;
    File f;
    HANDLE h = CreateFileA(path.c_str(), acc, sh, nullptr, disp, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        if (error) *error = ErrorFromLast(GetLastError());
        return f;
    }
    if (error) *error = Error::None;
    f.handle_ = h;
    return f;
}

bool File::IsOpen() const { return handle_ != nullptr; }

bool File::Read(void* buffer, size_t size, size_t* got) {
    *got = 0;
    if (!IsOpen()) return false;
    auto* p = static_cast<char*>(buffer);
    while (size > 0) {
        DWORD want = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
        DWORD n = 0;
        if (!ReadFile(H(handle_), p, want, &n, nullptr)) return false;
        if (n == 0) break;
        *got += n;
        p += n;
        size -= n;
    }
    return true;
}

// A seek and a plain read: under Wine a read at an OVERLAPPED offset on a
// synchronous handle costs several times as much as both.
bool File::ReadAt(uint64_t position, void* buffer, size_t size, size_t* got) {
    *got = 0;
    return position <= INT64_MAX && Seek(static_cast<int64_t>(position), Origin::Begin) && Read(buffer, size, got);
}

bool File::Write(const void* buffer, size_t size) {
    if (!IsOpen()) return false;
    auto* p = static_cast<const char*>(buffer);
    while (size > 0) {
        DWORD want = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
        DWORD n = 0;
        if (!WriteFile(H(handle_), p, want, &n, nullptr) || n == 0) return false;
        p += n;
        size -= n;
    }
    return true;
}

bool File::Seek(int64_t offset, Origin origin) {
    if (!IsOpen()) return false;
    LARGE_INTEGER li;
    li.QuadPart = offset;
    DWORD method = origin == Origin::Begin ? FILE_BEGIN : origin == Origin::Current ? FILE_CURRENT : FILE_END;
    return SetFilePointerEx(H(handle_), li, nullptr, method) != 0;
}

bool File::Tell(uint64_t* position) {
    if (!IsOpen()) return false;
    LARGE_INTEGER zero, pos;
    zero.QuadPart = 0;
    if (!SetFilePointerEx(H(handle_), zero, &pos, FILE_CURRENT)) return false;
    *position = static_cast<uint64_t>(pos.QuadPart);
    return true;
}

bool File::Size(uint64_t* size) {
    if (!IsOpen()) return false;
    LARGE_INTEGER li;
    if (!GetFileSizeEx(H(handle_), &li)) return false;
    *size = static_cast<uint64_t>(li.QuadPart);
    return true;
}

bool File::SetSize(uint64_t size) {
    uint64_t pos = 0;
    if (!Tell(&pos)) return false;
    if (!Seek(static_cast<int64_t>(size), Origin::Begin)) return false;
    const bool ok = SetEndOfFile(H(handle_)) != 0;
    return Seek(static_cast<int64_t>(pos), Origin::Begin) && ok;
}

bool File::Flush() { return IsOpen() && FlushFileBuffers(H(handle_)) != 0; }

bool File::GetTimes(FileTimes* times) {
    if (!IsOpen()) return false;
    FILETIME c, a, w;
    if (!GetFileTime(H(handle_), &c, &a, &w)) return false;
    times->creation = FromFileTime(c);
    times->lastAccess = FromFileTime(a);
    times->lastWrite = FromFileTime(w);
    return true;
}

bool File::SetTimes(const FileTimes& times) { return IsOpen() && SetTimesOnHandle(H(handle_), times); }

namespace {

// The volume's serial number and creation time, and whether its file system
// keeps a change time of its own, from ntdll as FileIndex reads the index.
bool VolumeOf(HANDLE h, uint64_t& volume, bool& changeKept) {
    using Query = LONG(WINAPI*)(HANDLE file, void* ioStatus, void* info, ULONG length, int infoClass);
    static const Query query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryVolumeInformationFile")));
    constexpr int kFsVolumeInformation = 1;
    constexpr int kFsAttributeInformation = 5;
    constexpr LONG kBufferOverflow = static_cast<LONG>(0x80000005);  // the fixed part is filled
    struct {
        void* status;
        ULONG_PTR information;
    } io{};
    if (!query) return false;
    union {
        struct {
            LARGE_INTEGER creation;
            ULONG serial;
        } v;
        struct {
            ULONG attributes;
            LONG maxComponent;
            ULONG nameLength;
            WCHAR name[32];
        } a;
        unsigned char bytes[128];
    } info{};
    LONG rc = query(h, &io, &info, sizeof info, kFsVolumeInformation);
    if (rc != 0 && rc != kBufferOverflow) return false;
    volume = (static_cast<uint64_t>(info.v.serial) << 32) ^ static_cast<uint64_t>(info.v.creation.QuadPart);
    info = {};
    rc = query(h, &io, &info, sizeof info, kFsAttributeInformation);
    if (rc != 0 && rc != kBufferOverflow) return false;
    const std::wstring name(info.a.name, std::min<size_t>(info.a.nameLength / sizeof(WCHAR), 32));
    // Only these keep a change time that a writer cannot set back.
    changeKept = name == L"NTFS" || name == L"ReFS";
    return true;
}

}  // namespace

bool File::Stamp(FileStamp* stamp) {
    FILE_BASIC_INFO basic;
    FILE_STANDARD_INFO standard;
    if (!IsOpen() || !GetFileInformationByHandleEx(H(handle_), FileBasicInfo, &basic, sizeof basic) ||
        !GetFileInformationByHandleEx(H(handle_), FileStandardInfo, &standard, sizeof standard) ||
        !FileIndex(H(handle_), stamp->fileId))
        return false;
    stamp->size = static_cast<uint64_t>(standard.EndOfFile.QuadPart);
    stamp->lastWrite = static_cast<uint64_t>(basic.LastWriteTime.QuadPart);
    stamp->change = static_cast<uint64_t>(basic.ChangeTime.QuadPart);
    // The volume's queries cost more than all the rest (milliseconds a call
    // under Wine); a file stamped again with its own id, size and times
    // unchanged takes the volume's answer of the last time.
    static std::mutex mutex;
    static FileStamp last;
    std::lock_guard<std::mutex> lock(mutex);
    if (last.fileId == stamp->fileId && last.size == stamp->size && last.lastWrite == stamp->lastWrite &&
        last.change == stamp->change && last.volume != 0) {
        stamp->volume = last.volume;
        stamp->changeKept = last.changeKept;
        return true;
    }
    if (!VolumeOf(H(handle_), stamp->volume, stamp->changeKept)) return false;
    last = *stamp;
    return true;
}

bool File::Close() {
    if (!handle_) return true;
    const bool ok = CloseHandle(H(handle_)) != 0;
    handle_ = nullptr;
    return ok;
}

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
    return FromFileTime(now);
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool GetAttributes(const std::string& path, uint32_t* attributes) {
    DWORD a = GetFileAttributesA(path.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return false;
    *attributes = a;
    return true;
}

bool SetAttributes(const std::string& path, uint32_t attributes) {
    return SetFileAttributesA(path.c_str(), attributes ? attributes : FILE_ATTRIBUTE_NORMAL) != 0;
}

// Without opening the file: a folder, or a file someone holds without sharing, answers too.
bool GetTimes(const std::string& path, FileTimes* times) {
    WIN32_FILE_ATTRIBUTE_DATA d;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d)) return false;
    times->creation = FromFileTime(d.ftCreationTime);
    times->lastAccess = FromFileTime(d.ftLastAccessTime);
    times->lastWrite = FromFileTime(d.ftLastWriteTime);
    return true;
}

bool SetTimes(const std::string& path, const FileTimes& times) {
    // FILE_WRITE_ATTRIBUTES alone works on read-only files too.
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool ok = SetTimesOnHandle(h, times);
    CloseHandle(h);
    return ok;
}

bool GetSize(const std::string& path, uint64_t* size) {
    WIN32_FILE_ATTRIBUTE_DATA d;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d)) return false;
    *size = (static_cast<uint64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
    return true;
}

bool CreateFolder(const std::string& path, Error* error) {
    const bool ok = CreateDirectoryA(path.c_str(), nullptr) != 0;
    if (error) *error = ok ? Error::None : ErrorFromLast(GetLastError());
    return ok;
}

bool RemoveFolder(const std::string& path) { return RemoveDirectoryA(path.c_str()) != 0; }

bool RemoveFile(const std::string& path, Error* error) {
    if (DeleteFileA(path.c_str())) {
        if (error) *error = Error::None;
        return true;
    }
    if (error) *error = ErrorFromLast(GetLastError());
    return false;
}

bool RenameFile(const std::string& from, const std::string& to, bool replaceExisting) {
    DWORD flags = MOVEFILE_COPY_ALLOWED | (replaceExisting ? MOVEFILE_REPLACE_EXISTING : 0);
    return MoveFileExA(from.c_str(), to.c_str(), flags) != 0;
}

bool MoveIntoPlace(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool CopyToNewFile(const std::string& from, const std::string& to) {
    return CopyFileA(from.c_str(), to.c_str(), TRUE) != 0;
}

namespace {

// A handle without data access: a file that others hold without sharing still answers.
struct IdentityHandle {
    HANDLE h;
    explicit IdentityHandle(const std::string& p)
        : h(CreateFileA(p.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                        FILE_FLAG_BACKUP_SEMANTICS, nullptr)) {}
    ~IdentityHandle() {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
    IdentityHandle(const IdentityHandle&) = delete;
    IdentityHandle& operator=(const IdentityHandle&) = delete;
    bool Open() const { return h != INVALID_HANDLE_VALUE; }
};

// Both handles open: 1 the same file, 0 two files, -1 cannot tell.
int SameIdentity(HANDLE a, HANDLE b) {
    // Two indexes that differ tell two files at once; equal ones are confirmed
    // with the volumes, which Wine looks up slowly.
    uint64_t indexA = 0, indexB = 0;
    if (FileIndex(a, indexA) && FileIndex(b, indexB) && indexA != indexB) return 0;
    BY_HANDLE_FILE_INFORMATION ia{}, ib{};
    if (!GetFileInformationByHandle(a, &ia) || !GetFileInformationByHandle(b, &ib)) return -1;
    return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber && ia.nFileIndexHigh == ib.nFileIndexHigh &&
           ia.nFileIndexLow == ib.nFileIndexLow;
}

}  // namespace

bool SameFile(const std::string& a, const std::string& b) {
    IdentityHandle ha(a), hb(b);
    return ha.Open() && hb.Open() && SameIdentity(ha.h, hb.h) == 1;
}

bool SameFileOrPath(const std::string& a, const std::string& b) {
    IdentityHandle ha(a), hb(b);
    if (ha.Open() && hb.Open()) {
        const int same = SameIdentity(ha.h, hb.h);
        if (same >= 0) return same == 1;
    }
    return lstrcmpiA(FullPath(a).c_str(), FullPath(b).c_str()) == 0;
}

bool ListFolder(const std::string& folder, std::vector<DirEntry>* entries) {
    // The last character decides, not the last byte: a trail byte may be 0x5C.
    bool separated = false;
    for (size_t i = 0; i < folder.size();) {
        const bool lead = platform::IsLeadByte(static_cast<unsigned char>(folder[i])) && i + 1 < folder.size();
        separated = !lead && (folder[i] == '\\' || folder[i] == '/');
        i += lead ? 2 : 1;
    }
    std::string pattern = folder;
    if (!separated) pattern += '\\';
    pattern += "*.*";
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(pattern.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        DirEntry e;
        e.name = name;
        e.attributes = fd.dwFileAttributes;
        e.size = (static_cast<uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
        entries->push_back(std::move(e));
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return true;
}

std::string TempFolder() {
    char buf[MAX_PATH + 1] = {};
    DWORD n = GetTempPathA(sizeof buf, buf);
    if (n == 0 || n > MAX_PATH) return std::string();
    // The last character decides, not the last byte: a trail byte may be 0x5C.
    return AddTrailingBackslash(std::string(buf, n));
}

std::string CurrentFolder() {
    char buf[MAX_PATH + 1] = {};
    DWORD n = GetCurrentDirectoryA(sizeof buf, buf);
    if (n == 0 || n > MAX_PATH) return std::string();
    return std::string(buf, n);
}

std::string FullPath(const std::string& path) {
    char buf[MAX_PATH + 1] = {};
    DWORD n = GetFullPathNameA(path.c_str(), sizeof buf, buf, nullptr);
    if (n == 0 || n > MAX_PATH) return path;
    return std::string(buf, n);
}

namespace detail {
unsigned long ProcessId() { return GetCurrentProcessId(); }

MemoryStatus PlatformMemoryStatus() {
    MEMORYSTATUSEX ms;
    ms.dwLength = sizeof ms;
    MemoryStatus s;
    if (GlobalMemoryStatusEx(&ms)) {
        s.availablePhysical = ms.ullAvailPhys;
        s.availableVirtual = ms.ullAvailVirtual;
    }
    return s;
}
}  // namespace detail

}  // namespace kb::fs
