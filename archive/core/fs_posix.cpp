// Native file seam: Windows-syntax paths with "\" mapped to "/"; read-only is
// the owner's write permission; creation time is not kept.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "archive/core/fs.h"
#include "shared/base/strutils.h"

namespace ark::fs {
namespace {

// Only single-byte backslashes are separators; a trail byte 0x5C stays in the name.
std::string Native(const std::string& path) {
    std::string p = path;
    for (size_t i = 0; i < p.size(); i += kb::CharLengthAt(p, i))
        if (p[i] == '\\') p[i] = '/';
    return p;
}

class PosixIn final : public InFile {
public:
    PosixIn(std::FILE* f, uint64_t length) : f_(f), length_(length) {}
    ~PosixIn() override { std::fclose(f_); }
    size_t Read(void* data, size_t size) override { return std::fread(data, 1, size, f_); }
    // pread leaves the stream's own position and buffer alone.
    size_t ReadAt(uint64_t position, void* data, size_t size) override {
        size_t total = 0;
        while (total < size && position + total <= INT64_MAX) {
            const ssize_t got = pread(fileno(f_), static_cast<char*>(data) + total, size - total,
                                      static_cast<off_t>(position + total));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) break;
            total += static_cast<size_t>(got);
        }
        return total;
    }
    bool Seek(uint64_t position) override {
        return position <= INT64_MAX && fseeko(f_, static_cast<off_t>(position), SEEK_SET) == 0;
    }
    bool Tell(uint64_t& position) override {
        off_t p = ftello(f_);
        if (p < 0) return false;
        position = static_cast<uint64_t>(p);
        return true;
    }
    uint64_t Length() const override { return length_; }

private:
    std::FILE* f_;
    uint64_t length_;
};

class PosixOut final : public OutFile {
public:
    explicit PosixOut(std::FILE* f) : f_(f) {}
    ~PosixOut() override {
        if (f_) std::fclose(f_);
    }
    bool Write(const void* data, size_t size) override { return size == 0 || std::fwrite(data, 1, size, f_) == size; }
    bool Close() override {
        bool ok = std::fclose(f_) == 0;
        f_ = nullptr;
        return ok;
    }

private:
    std::FILE* f_;
};

// FILETIME <-> Unix time.
constexpr uint64_t kEpochDiff = 116444736000000000ULL;
timespec ToTimespec(uint64_t ft) {
    timespec ts{};
    if (ft >= kEpochDiff) {
        uint64_t t = ft - kEpochDiff;
        ts.tv_sec = static_cast<time_t>(t / 10000000ULL);
        ts.tv_nsec = static_cast<long>((t % 10000000ULL) * 100);
    }
    return ts;
}
uint64_t ToFiletime(const timespec& ts) {
    return kEpochDiff + static_cast<uint64_t>(ts.tv_sec) * 10000000ULL + static_cast<uint64_t>(ts.tv_nsec) / 100;
}

}  // namespace

std::unique_ptr<InFile> InFile::Open(const std::string& path) {
    std::FILE* f = std::fopen(Native(path).c_str(), "rb");
    if (!f) return nullptr;
    struct stat st {};
    if (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) {
        std::fclose(f);
        return nullptr;
    }
    return std::make_unique<PosixIn>(f, static_cast<uint64_t>(st.st_size));
}

std::unique_ptr<OutFile> OutFile::Create(const std::string& path) {
    std::FILE* f = std::fopen(Native(path).c_str(), "wb");
    if (!f) return nullptr;
    return std::make_unique<PosixOut>(f);
}

bool Exists(const std::string& path) {
    struct stat st {};
    return stat(Native(path).c_str(), &st) == 0;
}

bool CreateFolder(const std::string& path) { return mkdir(Native(path).c_str(), 0777) == 0; }

bool RemoveFile(const std::string& path) { return unlink(Native(path).c_str()) == 0; }

bool GetAttributes(const std::string& path, uint32_t& attributes) {
    struct stat st {};
    if (stat(Native(path).c_str(), &st) != 0) return false;
    attributes = S_ISDIR(st.st_mode) ? 0x10u : 0x20u;
    if (!(st.st_mode & S_IWUSR)) attributes |= kAttrReadOnly;
    return true;
}

bool SetAttributes(const std::string& path, uint32_t attributes) {
    struct stat st {};
    const std::string p = Native(path);
    if (stat(p.c_str(), &st) != 0) return false;
    mode_t mode = st.st_mode & 07777;
    mode = (attributes & kAttrReadOnly) ? (mode & ~mode_t(0222)) : (mode | S_IWUSR);
    return chmod(p.c_str(), mode) == 0;
}

bool SetTimes(const std::string& path, const FileTimes& times) {
    timespec ts[2] = {ToTimespec(times.lastAccess), ToTimespec(times.lastWrite)};
    return utimensat(AT_FDCWD, Native(path).c_str(), ts, 0) == 0;
}

bool GetTimes(const std::string& path, FileTimes& times) {
    struct stat st {};
    if (stat(Native(path).c_str(), &st) != 0) return false;
    times.lastAccess = ToFiletime(st.st_atim);
    times.lastWrite = ToFiletime(st.st_mtim);
    times.creation = times.lastWrite;
    return true;
}

}  // namespace ark::fs
