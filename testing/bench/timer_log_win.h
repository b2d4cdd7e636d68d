// What the export benchmark's hook records in the loader's window thread:
// every WM_TIMER it takes from its queue and every text set on a window,
// with the performance counter's time, in a named block of shared memory
// the benchmark creates and reads.
#pragma once
#include <windows.h>

#include <cstdint>

namespace kb::bench {

constexpr char kTimerLogName[] = "Local\\KbExportBenchTimerLog";
constexpr uint32_t kTimerLogCapacity = 1u << 18;

enum : uint32_t { kEventTimer = 1, kEventText = 2 };

struct TimerLogEvent {
    int64_t counter;  // QueryPerformanceCounter
    uint32_t kind;
    char text[52];  // kEventText: the text's first bytes, zero-terminated
};

struct TimerLog {
    volatile LONG count;     // events written; those past the capacity are dropped
    volatile LONG recording; // set by the benchmark while it wants events
    TimerLogEvent events[kTimerLogCapacity];
};

}  // namespace kb::bench
