#include "loader/free_space.h"

#include <algorithm>
#include <limits>

namespace kb::loader {

std::optional<int64_t> GetFreeSpace(FreeSpaceQueries& queries, int versionCode, const std::string& path) {
    constexpr uint64_t kMax = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
    auto extended = [&]() -> std::optional<int64_t> {
        if (const auto bytes = queries.TotalFreeBytes(path)) return static_cast<int64_t>(std::min(*bytes, kMax));
        return std::nullopt;
    };
    auto classic = [&]() -> std::optional<int64_t> {
        if (const auto c = queries.Clusters(path))
            // 64-bit product: a volume of more than 4 GiB free is not cut down.
            return static_cast<int64_t>(uint64_t{c->sectorsPerCluster} * c->bytesPerSector * c->freeClusters);
        return std::nullopt;
    };
    // The classic query for the systems whose code is below 2 (NT 6.0 and
    // later among them); either query stands in when the other fails.
    if (versionCode < 2) {
        if (const auto bytes = classic()) return bytes;
        return extended();
    }
    if (const auto bytes = extended()) return bytes;
    return classic();
}

}  // namespace kb::loader
