// Free space of a volume: the extended query first, the classic
// cluster-count query when it fails, and a failure told apart from 0 bytes.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

// <windows.h> still defines a 16-bit GetFreeSpace macro; include this header
// after it.
#ifdef GetFreeSpace
#undef GetFreeSpace
#endif

namespace kb::loader {

struct ClusterCounts {
    uint32_t sectorsPerCluster = 0;
    uint32_t bytesPerSector = 0;
    uint32_t freeClusters = 0;
};

// GetDiskFreeSpaceExA's total free bytes and GetDiskFreeSpaceA's counts.
class FreeSpaceQueries {
public:
    virtual ~FreeSpaceQueries() = default;
    virtual std::optional<uint64_t> TotalFreeBytes(const std::string& path) = 0;
    virtual std::optional<ClusterCounts> Clusters(const std::string& path) = 0;
};

// Free bytes of the volume that holds path (the volume's total, not the
// caller's quota share); none when neither query answers.
std::optional<int64_t> GetFreeSpace(FreeSpaceQueries& queries, const std::string& path);

}  // namespace kb::loader
