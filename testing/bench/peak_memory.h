// The process's own figures: its peak resident memory, for the benchmark's
// memory run, and the processor time of all its threads.
#pragma once
#include <cstdint>

namespace kb::bench {

// Peak resident set (working set on Windows) of this process so far, in bytes;
// 0 when the system does not tell.
uint64_t PeakResidentBytes();

// User and kernel time of every thread of this process so far, in seconds.
double ProcessCpuSeconds();

}  // namespace kb::bench
