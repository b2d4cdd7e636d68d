// The portable part of the file seam: time units, folder trees, private folders
// and the memory-status override.
#include "shared/base/fs.h"

#include <atomic>
#include <cstdio>
#include <mutex>

#include "shared/base/dbcs.h"
#include "shared/base/paths.h"

namespace kb::fs {

uint64_t FileTimeFromUnixSeconds(uint32_t seconds) {
    return kUnixEpochFileTime + static_cast<uint64_t>(seconds) * kFileTimeTicksPerSecond;
}

uint32_t UnixSecondsFromFileTime(uint64_t fileTime) {
    if (fileTime < kUnixEpochFileTime) return 0;
    const uint64_t seconds = (fileTime - kUnixEpochFileTime) / kFileTimeTicksPerSecond;
    return seconds > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(seconds);
}

bool File::ReadExact(void* buffer, size_t size) {
    size_t got = 0;
    return Read(buffer, size, &got) && got == size;
}

bool FolderExists(const std::string& path) {
    uint32_t attributes = 0;
    return GetAttributes(path, &attributes) && (attributes & kAttrDirectory);
}

bool CreateFolderTree(const std::string& path) {
    if (path.empty()) return false;
    if (FolderExists(path)) return true;
    // Every level from the top down; failures of existing or root levels do not matter.
    for (size_t i = 1; i < path.size(); i += CharLengthAt(path, i))
        if ((path[i] == '\\' || path[i] == '/') && CharLengthAt(path, i) == 1 && path[i - 1] != ':')
            CreateFolder(path.substr(0, i));
    CreateFolder(path);
    return FolderExists(path);
}

std::string CreatePrivateFolder(const std::string& parent, const std::string& prefix) {
    static std::atomic<unsigned> counter{0};
    const bool separated = parent.empty() || FolderOf(parent).size() == parent.size();
    const std::string base = separated ? parent : parent + '\\';
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const std::string folder =
            base + prefix + std::to_string(detail::ProcessId()) + "-" + std::to_string(counter++);
        Error error = Error::None;
        if (CreateFolder(folder, &error)) return folder;
        if (error != Error::Exists) return {};
    }
    return {};
}

File CreateFileBeside(const std::string& target, std::string* path, Access access, Share share) {
    // Temporary names tried before giving up. The names go on from where the
    // last call left off, so a name taken in the folder (as a disc's archive
    // or container may take many, one entry after another) is passed over
    // once, not again by every file made after it.
    constexpr unsigned kTries = 0x10000;
    static std::atomic<uint32_t> next{0};
    const std::string folder = FolderOf(target);
    for (unsigned i = 0; i < kTries; ++i) {
        char name[24];
        std::snprintf(name, sizeof name, "~kbj%08X.tmp", static_cast<unsigned>(next.fetch_add(1)));
        Error error = Error::None;
        File file = File::Open(folder + name, access, Disposition::CreateNew, share, &error);
        if (file.IsOpen()) {
            *path = folder + name;
            return file;
        }
        if (error != Error::Exists) break;
    }
    return File();
}

void RemoveTree(const std::string& folder) {
    std::vector<DirEntry> entries;
    if (ListFolder(folder, &entries)) {
        for (const DirEntry& e : entries) {
            const std::string child = folder + "\\" + e.name;
            SetAttributes(child, 0);  // a read-only one could not be removed
            if ((e.attributes & kAttrDirectory) && !(e.attributes & kAttrReparsePoint))
                RemoveTree(child);
            else if (!RemoveFile(child))
                RemoveFolder(child);  // a link to a folder on Windows
        }
    }
    SetAttributes(folder, 0);
    RemoveFolder(folder);
}

namespace {
std::mutex g_memoryMutex;
bool g_memoryOverridden = false;
MemoryStatus g_memoryOverride;
}  // namespace

MemoryStatus GetMemoryStatus() {
    {
        std::lock_guard<std::mutex> lock(g_memoryMutex);
        if (g_memoryOverridden) return g_memoryOverride;
    }
    return detail::PlatformMemoryStatus();
}

void SetMemoryStatusForTesting(const MemoryStatus* status) {
    std::lock_guard<std::mutex> lock(g_memoryMutex);
    g_memoryOverridden = status != nullptr;
    if (status) g_memoryOverride = *status;
}

}  // namespace kb::fs
