// The process's peak resident memory, for the benchmark's memory run.
#pragma once
#include <cstdint>

namespace kb::bench {

// Peak resident set (working set on Windows) of this process so far, in bytes;
// 0 when the system does not tell.
uint64_t PeakResidentBytes();

}  // namespace kb::bench
