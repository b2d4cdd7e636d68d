// Native writer seam: "\" mapped to "/", read-only is the owner's write bit.
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <vector>

#include "archive/ach_writefs.h"

namespace ark::wfs {
namespace {

std::string Native(const std::string& path) {
    std::string p = path;
    for (char& c : p)
        if (c == '\\') c = '/';
    return p;
}

class PosixRw final : public RwFile {
public:
    explicit PosixRw(std::FILE* f) : f_(f) {}
    ~PosixRw() override {
        if (f_) std::fclose(f_);
    }
    size_t Read(void* data, size_t size) override {
        // A read after a write needs a positioning call between them.
        std::fseek(f_, 0, SEEK_CUR);
        return std::fread(data, 1, size, f_);
    }
    bool Write(const void* data, size_t size) override {
        std::fseek(f_, 0, SEEK_CUR);
        return std::fwrite(data, 1, size, f_) == size;
    }
    bool Seek(uint64_t position) override {
        return position <= INT64_MAX && fseeko(f_, static_cast<off_t>(position), SEEK_SET) == 0;
    }
    bool SeekEnd() override { return fseeko(f_, 0, SEEK_END) == 0; }
    bool Tell(uint64_t& position) override {
        off_t p = ftello(f_);
        if (p < 0) return false;
        position = static_cast<uint64_t>(p);
        return true;
    }
    bool Truncate(uint64_t length) override {
        return length <= INT64_MAX && std::fflush(f_) == 0 && ftruncate(fileno(f_), static_cast<off_t>(length)) == 0;
    }
    bool Close() override {
        bool ok = std::fclose(f_) == 0;
        f_ = nullptr;
        return ok;
    }

private:
    std::FILE* f_;
};

class PosixNewOut final : public fs::OutFile {
public:
    explicit PosixNewOut(int fd) : fd_(fd) {}
    ~PosixNewOut() override {
        if (fd_ >= 0) ::close(fd_);
    }
    bool Write(const void* data, size_t size) override {
        const char* p = static_cast<const char*>(data);
        while (size > 0) {
            ssize_t put = ::write(fd_, p, size);
            if (put <= 0) {
                if (put < 0 && errno == EINTR) continue;
                return false;
            }
            p += put;
            size -= static_cast<size_t>(put);
        }
        return true;
    }
    bool Close() override {
        bool ok = ::fsync(fd_) == 0;
        ok = ::close(fd_) == 0 && ok;
        fd_ = -1;
        return ok;
    }

private:
    int fd_;
};

}  // namespace

std::unique_ptr<RwFile> RwFile::Open(const std::string& path) {
    std::FILE* f = std::fopen(Native(path).c_str(), "r+b");
    if (!f) return nullptr;
    struct stat st {};
    if (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) {
        std::fclose(f);
        return nullptr;
    }
    return std::make_unique<PosixRw>(f);
}

std::unique_ptr<fs::OutFile> CreateNewFile(const std::string& path) {
    int fd = ::open(Native(path).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    return std::make_unique<PosixNewOut>(fd);
}

bool ReadSourceInfo(const std::string& path, SourceInfo& info) {
    if (!fs::GetAttributes(path, info.attributes)) return false;
    int fd = ::open(Native(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    const bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    if (!ok) return false;
    info.size = static_cast<uint64_t>(st.st_size);
    return fs::GetTimes(path, info.times);
}

bool CopyToNewFile(const std::string& from, const std::string& to) {
    int in = ::open(Native(from).c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    auto out = CreateNewFile(to);
    bool ok = out != nullptr;
    std::vector<char> buffer(65536);
    while (ok) {
        ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) ok = false;
        if (got <= 0) break;
        ok = out->Write(buffer.data(), static_cast<size_t>(got));
    }
    ::close(in);
    if (out) ok = out->Close() && ok;
    if (!ok && out) ::unlink(Native(to).c_str());
    return ok;
}

bool MoveIntoPlace(const std::string& from, const std::string& to) {
    return ::rename(Native(from).c_str(), Native(to).c_str()) == 0;
}

std::string CreatePrivateFolder(const std::string& parent, const std::string& prefix) {
    static std::atomic<unsigned> counter{0};
    std::string base = parent;
    if (!base.empty() && base.back() != '\\' && base.back() != '/') base += '\\';
    for (int attempt = 0; attempt < 1000; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, "%lu-%u", static_cast<unsigned long>(getpid()), counter++);
        const std::string folder = base + prefix + suffix;
        if (::mkdir(Native(folder).c_str(), 0700) == 0) return folder;
        if (errno != EEXIST) return {};
    }
    return {};
}

void RemoveTree(const std::string& folder) {
    const std::string native = Native(folder);
    if (DIR* dir = ::opendir(native.c_str())) {
        while (dirent* e = ::readdir(dir)) {
            const std::string name = e->d_name;
            if (name == "." || name == "..") continue;
            const std::string child = folder + "\\" + name;
            struct stat st {};
            if (::lstat(Native(child).c_str(), &st) != 0) continue;
            if (S_ISDIR(st.st_mode))
                RemoveTree(child);
            else
                ::unlink(Native(child).c_str());
        }
        ::closedir(dir);
    }
    ::rmdir(native.c_str());
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

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa {}, sb {};
    const bool ea = ::stat(ResolvedByName(a).c_str(), &sa) == 0, eb = ::stat(ResolvedByName(b).c_str(), &sb) == 0;
    if (ea && eb) return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    if (ea != eb) return false;
    // Neither exists: the same full path, judged by the folders that do exist.
    auto full = [](const std::string& p) {
        const std::string folder = Native(FolderOf(p));
        char resolved[PATH_MAX];
        std::string dir = folder.empty() ? "." : folder;
        if (!::realpath(dir.c_str(), resolved)) return Native(p);
        return std::string(resolved) + "/" + Native(p).substr(folder.size());
    };
    return full(a) == full(b);
}

}  // namespace ark::wfs
