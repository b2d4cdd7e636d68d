// The file seam natively: POSIX calls with the Windows behaviour the library relies on
// emulated in-process (see fs.h).
#include "shared/base/fs.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <ctime>
#include <cstdlib>
#include <map>
#include <mutex>

#include "shared/base/dbcs.h"
#include "shared/base/paths.h"

namespace kb::fs {
namespace {

// Backslashes become slashes; a trail byte equal to 0x5C stays what it is.
std::string Native(const std::string& path) {
    std::string out = path;
    for (size_t i = 0; i < out.size(); i += CharLengthAt(out, i))
        if (out[i] == '\\') out[i] = '/';
    return out;
}

std::string Windows(const std::string& path) {
    std::string out = path;
    for (char& c : out)
        if (c == '/') c = '\\';
    return out;
}

struct Meta {
    bool hasAttributes = false;
    uint32_t attributes = 0;  // hidden, system, archive
    uint64_t creation = 0;
};

struct OpenRecord {
    uint64_t id;
    Access access;
    Share share;
};

std::mutex g_mutex;
uint64_t g_nextOpenId = 1;
std::map<std::string, Meta> g_meta;                     // by native path
std::multimap<std::string, OpenRecord> g_opens;         // by native path

bool Writes(Access a) { return a != Access::Read; }
bool ShareAllows(Share s, Access a) {
    if (s == Share::None) return false;
    if (s == Share::Read) return !Writes(a);
    return true;
}

// Whether an open with (access, share) may coexist with every open handle of key.
bool ShareCompatible(const std::string& key, Access access, Share share) {
    auto range = g_opens.equal_range(key);
    for (auto it = range.first; it != range.second; ++it) {
        const OpenRecord& o = it->second;
        if (!ShareAllows(o.share, access)) return false;
        if (!ShareAllows(share, o.access)) return false;
    }
    return true;
}

bool AnyOpenWithoutDeleteShare(const std::string& key) {
    auto range = g_opens.equal_range(key);
    for (auto it = range.first; it != range.second; ++it)
        if (it->second.share != Share::All) return true;
    return false;
}

Error ErrorFromErrno(int e) {
    switch (e) {
        case ENOENT:
        case ENOTDIR:
        case ENAMETOOLONG:
            return Error::NotFound;
        case EACCES:
        case EPERM:
        case EISDIR:
        case EROFS:
            return Error::AccessDenied;
        case EEXIST:
            return Error::Exists;
        default:
            return Error::Other;
    }
}

// Calls readSome(destination, count, bytes so far) until size bytes are in or
// the end comes; an interrupted call is repeated. False on an I/O error.
template <class ReadSome>
bool ReadLoop(void* buffer, size_t size, size_t* got, ReadSome readSome) {
    *got = 0;
    auto* p = static_cast<char*>(buffer);
    while (size > 0) {
        const ssize_t n = readSome(p, size > 0x40000000u ? 0x40000000u : size, uint64_t{*got});
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) break;
        *got += static_cast<size_t>(n);
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

uint64_t FromTimespec(const timespec& ts) {
    if (ts.tv_sec < 0) return 0;
    return kUnixEpochFileTime + static_cast<uint64_t>(ts.tv_sec) * kFileTimeTicksPerSecond +
           static_cast<uint64_t>(ts.tv_nsec) / 100;
}

timespec ToTimespec(uint64_t ft) {
    timespec ts{};
    if (ft <= kUnixEpochFileTime) return ts;
    const uint64_t t = ft - kUnixEpochFileTime;
    ts.tv_sec = static_cast<time_t>(t / kFileTimeTicksPerSecond);
    ts.tv_nsec = static_cast<long>((t % kFileTimeTicksPerSecond) * 100);
    return ts;
}

// Attributes of a native path; the caller holds g_mutex.
bool AttributesLocked(const std::string& key, uint32_t* attributes) {
    struct stat st;
    if (lstat(key.c_str(), &st) != 0) return false;
    uint32_t a = 0;
    if (S_ISLNK(st.st_mode)) {
        a |= kAttrReparsePoint;
        struct stat target;
        if (stat(key.c_str(), &target) == 0 && S_ISDIR(target.st_mode)) a |= kAttrDirectory;
    } else if (S_ISDIR(st.st_mode)) {
        a |= kAttrDirectory;
    }
    if (!(st.st_mode & S_IWUSR)) a |= kAttrReadOnly;
    auto it = g_meta.find(key);
    if (it != g_meta.end() && it->second.hasAttributes)
        a |= it->second.attributes;
    else if (!(a & kAttrDirectory))
        a |= kAttrArchive;
    if (a == 0) a = kAttrNormal;
    *attributes = a;
    return true;
}

void TimesFromStat(const std::string& key, const struct stat& st, FileTimes* times) {
    times->lastAccess = FromTimespec(st.st_atim);
    times->lastWrite = FromTimespec(st.st_mtim);
    auto it = g_meta.find(key);
    times->creation = (it != g_meta.end() && it->second.creation) ? it->second.creation : times->lastWrite;
}

bool SetTimesLocked(const std::string& key, int fd, const FileTimes& t) {
    timespec ts[2];
    ts[0] = t.lastAccess ? ToTimespec(t.lastAccess) : timespec{0, UTIME_OMIT};
    ts[1] = t.lastWrite ? ToTimespec(t.lastWrite) : timespec{0, UTIME_OMIT};
    const int rc = fd >= 0 ? futimens(fd, ts) : utimensat(AT_FDCWD, key.c_str(), ts, 0);
    if (rc != 0) return false;
    if (t.creation) g_meta[key].creation = t.creation;
    return true;
}

}  // namespace

uint64_t CurrentTime() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return FromTimespec(now);
}

File::~File() { Close(); }

File::File(File&& other) noexcept { *this = std::move(other); }

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        key_ = std::move(other.key_);
        openId_ = other.openId_;
        other.fd_ = -1;
        other.key_.clear();
        other.openId_ = 0;
    }
    return *this;
}

File File::Open(const std::string& path, Access access, Disposition disposition, Share share,
                Error* error) {
    File f;
    auto fail = [&](Error e) {
        if (error) *error = e;
        return File();
    };
    const std::string key = Native(path);
    std::lock_guard<std::mutex> lock(g_mutex);
    struct stat st;
    const bool exists = stat(key.c_str(), &st) == 0;
    if (exists) {
        if (disposition == Disposition::CreateNew) return fail(Error::Exists);
        if (S_ISDIR(st.st_mode)) return fail(Error::AccessDenied);
        uint32_t attrs = 0;
        AttributesLocked(key, &attrs);
        if (Writes(access) && (attrs & kAttrReadOnly)) return fail(Error::AccessDenied);
        // Replacing a hidden or system file is refused on Windows unless the caller
        // asks for those attributes, which this seam never does.
        if (disposition == Disposition::CreateAlways && (attrs & (kAttrHidden | kAttrSystem)))
            return fail(Error::AccessDenied);
        if (!ShareCompatible(key, access, share)) return fail(Error::SharingViolation);
    } else if (disposition == Disposition::OpenExisting) {
        return fail(Error::NotFound);
    }
    int flags = access == Access::Read ? O_RDONLY : access == Access::Write ? O_WRONLY : O_RDWR;
    flags |= O_CLOEXEC;
    if (disposition == Disposition::CreateAlways) flags |= O_CREAT | O_TRUNC;
    if (disposition == Disposition::OpenAlways) flags |= O_CREAT;
    if (disposition == Disposition::CreateNew) flags |= O_CREAT | O_EXCL;
    if (flags & O_TRUNC && access == Access::Read) flags = (flags & ~O_RDONLY) | O_RDWR;
    const int fd = open(key.c_str(), flags, 0644);
    if (fd < 0) return fail(ErrorFromErrno(errno));
    if (!exists || disposition == Disposition::CreateAlways) {
        // A new or replaced file starts with the archive attribute and a fresh creation time.
        Meta& m = g_meta[key];
        m.hasAttributes = false;
        m.attributes = 0;
        m.creation = 0;
        struct stat now;
        if (fstat(fd, &now) == 0) m.creation = FromTimespec(now.st_mtim);
    }
    f.fd_ = fd;
    f.key_ = key;
    f.openId_ = g_nextOpenId++;
    g_opens.emplace(key, OpenRecord{f.openId_, access, share});
    if (error) *error = Error::None;
    return f;
}

bool File::IsOpen() const { return fd_ >= 0; }

bool File::Read(void* buffer, size_t size, size_t* got) {
    *got = 0;
    if (!IsOpen()) return false;
    return ReadLoop(buffer, size, got, [this](char* p, size_t n, uint64_t) { return ::read(fd_, p, n); });
}

bool File::ReadAt(uint64_t position, void* buffer, size_t size, size_t* got) {
    *got = 0;
    if (!IsOpen() || position > INT64_MAX) return false;
    // pread leaves the handle's own position alone.
    return ReadLoop(buffer, size, got, [this, position](char* p, size_t n, uint64_t done) {
        return ::pread(fd_, p, n, static_cast<off_t>(position + done));
    });
}

bool File::Write(const void* buffer, size_t size) {
    if (!IsOpen()) return false;
    auto* p = static_cast<const char*>(buffer);
    while (size > 0) {
        const ssize_t n = ::write(fd_, p, size > 0x40000000u ? 0x40000000u : size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool File::Seek(int64_t offset, Origin origin) {
    if (!IsOpen()) return false;
    const int whence = origin == Origin::Begin ? SEEK_SET : origin == Origin::Current ? SEEK_CUR : SEEK_END;
    return lseek(fd_, static_cast<off_t>(offset), whence) >= 0;
}

bool File::Tell(uint64_t* position) {
    if (!IsOpen()) return false;
    const off_t p = lseek(fd_, 0, SEEK_CUR);
    if (p < 0) return false;
    *position = static_cast<uint64_t>(p);
    return true;
}

bool File::Size(uint64_t* size) {
    struct stat st;
    if (!IsOpen() || fstat(fd_, &st) != 0) return false;
    *size = static_cast<uint64_t>(st.st_size);
    return true;
}

bool File::SetSize(uint64_t size) { return IsOpen() && ftruncate(fd_, static_cast<off_t>(size)) == 0; }

bool File::Flush() { return IsOpen() && fsync(fd_) == 0; }

bool File::GetTimes(FileTimes* times) {
    struct stat st;
    if (!IsOpen() || fstat(fd_, &st) != 0) return false;
    std::lock_guard<std::mutex> lock(g_mutex);
    TimesFromStat(key_, st, times);
    return true;
}

bool File::SetTimes(const FileTimes& times) {
    if (!IsOpen()) return false;
    std::lock_guard<std::mutex> lock(g_mutex);
    return SetTimesLocked(key_, fd_, times);
}

bool File::Stamp(FileStamp* stamp) {
    struct stat st {};
    if (!IsOpen() || fstat(fd_, &st) != 0) return false;
    stamp->volume = static_cast<uint64_t>(st.st_dev);
    stamp->fileId = static_cast<uint64_t>(st.st_ino);
    stamp->size = static_cast<uint64_t>(st.st_size);
    stamp->lastWrite = FromTimespec(st.st_mtim);
    stamp->change = FromTimespec(st.st_ctim);
    return true;
}

bool File::Close() {
    if (fd_ < 0) return true;
    std::lock_guard<std::mutex> lock(g_mutex);
    auto range = g_opens.equal_range(key_);
    for (auto it = range.first; it != range.second; ++it) {
        if (it->second.id == openId_) {
            g_opens.erase(it);
            break;
        }
    }
    const bool ok = ::close(fd_) == 0;
    fd_ = -1;
    key_.clear();
    openId_ = 0;
    return ok;
}

bool Exists(const std::string& path) {
    struct stat st;
    return lstat(Native(path).c_str(), &st) == 0;
}

bool GetAttributes(const std::string& path, uint32_t* attributes) {
    std::lock_guard<std::mutex> lock(g_mutex);
    return AttributesLocked(Native(path), attributes);
}

bool SetAttributes(const std::string& path, uint32_t attributes) {
    const std::string key = Native(path);
    std::lock_guard<std::mutex> lock(g_mutex);
    struct stat st;
    if (lstat(key.c_str(), &st) != 0) return false;
    mode_t mode = st.st_mode & 07777;
    if (attributes & kAttrReadOnly)
        mode &= static_cast<mode_t>(~(S_IWUSR | S_IWGRP | S_IWOTH));
    else
        mode |= S_IWUSR;
    if (!S_ISLNK(st.st_mode) && chmod(key.c_str(), mode) != 0) return false;
    Meta& m = g_meta[key];
    m.hasAttributes = true;
    m.attributes = attributes & (kAttrHidden | kAttrSystem | kAttrArchive);
    return true;
}

bool GetTimes(const std::string& path, FileTimes* times) {
    const std::string key = Native(path);
    struct stat st;
    if (stat(key.c_str(), &st) != 0) return false;
    std::lock_guard<std::mutex> lock(g_mutex);
    TimesFromStat(key, st, times);
    return true;
}

bool SetTimes(const std::string& path, const FileTimes& times) {
    std::lock_guard<std::mutex> lock(g_mutex);
    return SetTimesLocked(Native(path), -1, times);
}

bool GetSize(const std::string& path, uint64_t* size) {
    struct stat st;
    if (stat(Native(path).c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
    *size = static_cast<uint64_t>(st.st_size);
    return true;
}

bool CreateFolder(const std::string& path, Error* error) {
    const bool ok = mkdir(Native(path).c_str(), 0777) == 0;
    if (error) *error = ok ? Error::None : ErrorFromErrno(errno);
    return ok;
}

bool RemoveFolder(const std::string& path) {
    const std::string key = Native(path);
    if (rmdir(key.c_str()) != 0) return false;
    std::lock_guard<std::mutex> lock(g_mutex);
    g_meta.erase(key);
    return true;
}

bool RemoveFile(const std::string& path, Error* error) {
    auto result = [&](Error e) {
        if (error) *error = e;
        return e == Error::None;
    };
    const std::string key = Native(path);
    std::lock_guard<std::mutex> lock(g_mutex);
    struct stat st;
    if (lstat(key.c_str(), &st) != 0) return result(Error::NotFound);
    if (S_ISDIR(st.st_mode)) return result(Error::AccessDenied);
    uint32_t attrs = 0;
    if (AttributesLocked(key, &attrs) && (attrs & kAttrReadOnly)) return result(Error::AccessDenied);
    if (AnyOpenWithoutDeleteShare(key)) return result(Error::SharingViolation);
    if (unlink(key.c_str()) != 0) return result(ErrorFromErrno(errno));
    g_meta.erase(key);
    return result(Error::None);
}

bool RenameFile(const std::string& from, const std::string& to, bool replaceExisting) {
    const std::string a = Native(from), b = Native(to);
    std::lock_guard<std::mutex> lock(g_mutex);
    struct stat st;
    if (lstat(a.c_str(), &st) != 0) return false;
    if (AnyOpenWithoutDeleteShare(a)) return false;
    struct stat target;
    if (lstat(b.c_str(), &target) == 0) {
        uint32_t attrs = 0;
        if (!replaceExisting || S_ISDIR(target.st_mode) || AnyOpenWithoutDeleteShare(b)) return false;
        if (AttributesLocked(b, &attrs) && (attrs & kAttrReadOnly)) return false;
    }
    if (rename(a.c_str(), b.c_str()) != 0) return false;
    auto it = g_meta.find(a);
    if (it != g_meta.end()) {
        Meta m = it->second;
        g_meta.erase(it);
        g_meta[b] = m;
    } else {
        g_meta.erase(b);
    }
    return true;
}

// rename(2) replaces in one step; the checks are those of RenameFile.
bool MoveIntoPlace(const std::string& from, const std::string& to) { return RenameFile(from, to, true); }

bool CopyToNewFile(const std::string& from, const std::string& to) {
    File in = File::Open(from, Access::Read, Disposition::OpenExisting, Share::ReadWrite);
    if (!in.IsOpen()) return false;
    File out = File::Open(to, Access::Write, Disposition::CreateNew, Share::None);
    if (!out.IsOpen()) return false;
    std::vector<char> buffer(65536);
    bool ok = true;
    for (;;) {
        size_t got = 0;
        ok = in.Read(buffer.data(), buffer.size(), &got);
        if (!ok || got == 0) break;
        ok = out.Write(buffer.data(), got);
        if (!ok) break;
    }
    ok = out.Flush() && ok;
    ok = out.Close() && ok;
    if (!ok) RemoveFile(to);
    return ok;
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    return stat(Native(a).c_str(), &sa) == 0 && stat(Native(b).c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

namespace {
// path with "." and ".." taken away by name, as Windows reads them: "a\none\.."
// is "a" even when "none" does not exist.
std::string ResolvedByName(const std::string& path) {
    std::string native = Native(path);
    if (native.empty() || native[0] != '/') {
        char cwd[PATH_MAX];
        if (::getcwd(cwd, sizeof cwd)) native = std::string(cwd) + "/" + native;
    }
    std::vector<std::string> parts;
    for (size_t start = 0; start <= native.size();) {
        size_t end = native.find('/', start);
        if (end == std::string::npos) end = native.size();
        const std::string part = native.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string out;
    for (const auto& part : parts) out += "/" + part;
    return out.empty() ? "/" : out;
}
}  // namespace

bool SameFileOrPath(const std::string& a, const std::string& b) {
    struct stat sa {}, sb {};
    const bool ea = ::stat(ResolvedByName(a).c_str(), &sa) == 0, eb = ::stat(ResolvedByName(b).c_str(), &sb) == 0;
    if (ea && eb) return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    if (ea != eb) return false;
    // Neither exists: the same full path, judged by the folders that do exist.
    auto full = [](const std::string& p) {
        const std::string folder = Native(FolderOf(p));
        char resolved[PATH_MAX];
        const std::string dir = folder.empty() ? "." : folder;
        if (!::realpath(dir.c_str(), resolved)) return Native(p);
        return std::string(resolved) + "/" + Native(p).substr(folder.size());
    };
    return full(a) == full(b);
}

bool ListFolder(const std::string& folder, std::vector<DirEntry>* entries) {
    std::string key = Native(folder);
    if (key.empty()) key = ".";
    DIR* d = opendir(key.c_str());
    if (!d) return false;
    if (key.back() != '/') key += '/';
    std::lock_guard<std::mutex> lock(g_mutex);
    while (dirent* de = readdir(d)) {
        const std::string name = de->d_name;
        if (name == "." || name == "..") continue;
        DirEntry e;
        e.name = name;
        const std::string full = key + name;
        if (!AttributesLocked(full, &e.attributes)) continue;
        struct stat st;
        if (!(e.attributes & kAttrDirectory) && lstat(full.c_str(), &st) == 0)
            e.size = static_cast<uint64_t>(st.st_size);
        entries->push_back(std::move(e));
    }
    closedir(d);
    return true;
}

std::string TempFolder() {
    std::string s = "/tmp";
    for (const char* name : {"TMP", "TEMP", "TMPDIR"}) {
        const char* env = std::getenv(name);
        if (env && *env) {
            s = env;
            break;
        }
    }
    // The last character decides, not the last byte: a trail byte may be 0x5C.
    return AddTrailingBackslash(Windows(s));
}

std::string CurrentFolder() {
    char buf[4096];
    if (!getcwd(buf, sizeof buf)) return std::string();
    return Windows(buf);
}

std::string FullPath(const std::string& path) {
    if (path.empty()) return path;
    const bool rooted = path[0] == '\\' || path[0] == '/';
    return FoldAbsolutePath(rooted ? path : CurrentFolder() + "\\" + path);
}

namespace detail {
unsigned long ProcessId() { return static_cast<unsigned long>(getpid()); }

MemoryStatus PlatformMemoryStatus() {
    MemoryStatus s;
    const long pages = sysconf(_SC_AVPHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0) s.availablePhysical = static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize);
    // A 64-bit process's user address space, as a 64-bit Windows process would see it.
    s.availableVirtual = 128ULL << 40;
    return s;
}
}  // namespace detail

}  // namespace kb::fs
