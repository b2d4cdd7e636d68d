// Window messages and hand-off values that pass between the system's programs
// and libraries: each defined here once, for the sender and every receiver.
#pragma once
#include <cstdint>

namespace kb {

// Posted by the pack library, both parameters 0, to the window given to Stop
// when a stopped job ends (WM_USER + 300).
inline constexpr uint32_t WM_PACK_STOPPED = 0x400 + 300;

// The hand-off: a fixed, unregistered message, both parameters 0, posted once
// by a started program, when its own start-up has ended, to the window its
// starter named with "/H:"; the receiver ends.
inline constexpr uint32_t WM_HANDOFF_CLOSE = 0x1403;

// The pack library's progress value beyond the 0 to 100 of a running job:
// finished (every file closed, times and attributes set), and an unpack of a
// compressed entry whose copy was kept unexpanded for a listing.
inline constexpr int PACKPROGRESS_DONE = 101;
inline constexpr int PACKPROGRESS_KEPT = 51;

}  // namespace kb
