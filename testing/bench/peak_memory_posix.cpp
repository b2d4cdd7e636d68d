#include <sys/resource.h>

#include "peak_memory.h"

namespace kb::bench {

uint64_t PeakResidentBytes() {
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) != 0) return 0;
    return static_cast<uint64_t>(usage.ru_maxrss) * 1024;  // Linux reports KiB
}

}  // namespace kb::bench
