// How long a test waits for a state that another thread or process must reach:
// far beyond any run on a busy machine, yet well inside CTest's per-test timeout,
// so a regression fails with a message instead of hanging until it is killed.
#pragma once

#include <chrono>

namespace kb::testing {

inline constexpr std::chrono::seconds kStateDeadline{120};

inline constexpr unsigned long kStateDeadlineMs =
    static_cast<unsigned long>(std::chrono::milliseconds(kStateDeadline).count());

}  // namespace kb::testing
