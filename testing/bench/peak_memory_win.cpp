#include <windows.h>
#include <psapi.h>

#include "peak_memory.h"

namespace kb::bench {

uint64_t PeakResidentBytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
    return counters.PeakWorkingSetSize;
}

}  // namespace kb::bench
