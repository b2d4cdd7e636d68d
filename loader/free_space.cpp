#include "loader/free_space.h"

#include <algorithm>
#include <limits>

namespace kb::loader {

std::optional<int64_t> GetFreeSpace(FreeSpaceQueries& queries, const std::string& path) {
    constexpr uint64_t kMax = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
    if (const auto bytes = queries.TotalFreeBytes(path)) return static_cast<int64_t>(std::min(*bytes, kMax));
    if (const auto c = queries.Clusters(path))
        // 64-bit product: a volume of more than 4 GiB free is not cut down.
        return static_cast<int64_t>(uint64_t{c->sectorsPerCluster} * c->bytesPerSector * c->freeClusters);
    return std::nullopt;
}

}  // namespace kb::loader
