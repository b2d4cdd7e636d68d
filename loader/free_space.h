// Free space of a volume: the extended query or the classic cluster-count
// query by the Windows version, the other when it fails, and a failure told
// apart from 0 bytes.
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
// caller's quota share), asked the way the Windows version code says (below
// 2: the classic query, else the extended one); none when neither answers.
std::optional<int64_t> GetFreeSpace(FreeSpaceQueries& queries, int versionCode, const std::string& path);

}  // namespace kb::loader
