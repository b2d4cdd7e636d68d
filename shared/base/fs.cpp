// The portable part of the file seam: time units and the memory-status override.
#include "shared/base/fs.h"

#include <atomic>
#include <mutex>

namespace kb::fs {

uint64_t FileTimeFromUnixSeconds(uint32_t seconds) {
    return kUnixEpochFileTime + static_cast<uint64_t>(seconds) * kFileTimeTicksPerSecond;
}

uint32_t UnixSecondsFromFileTime(uint64_t fileTime) {
    if (fileTime < kUnixEpochFileTime) return 0;
    const uint64_t seconds = (fileTime - kUnixEpochFileTime) / kFileTimeTicksPerSecond;
    return seconds > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(seconds);
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
