// A lock and one condition to wait on, taken from the system itself: under
// Wine a condition of the C runtime's threads costs a round trip to the server
// per wait, the system's own a futex.
#pragma once
#include <memory>

namespace kb::fs {

class WaitPoint {
public:
    WaitPoint();
    ~WaitPoint();
    WaitPoint(const WaitPoint&) = delete;
    WaitPoint& operator=(const WaitPoint&) = delete;

    void Lock();
    void Unlock();
    // Called locked: unlocks, waits for a WakeAll and locks again. May return
    // without one, so callers wait in a loop on their own condition.
    void Wait();
    void WakeAll();

    // Holds the lock for a scope.
    class Hold {
    public:
        explicit Hold(WaitPoint& point) : point_(point) { point_.Lock(); }
        ~Hold() { point_.Unlock(); }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        WaitPoint& point_;
    };

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace kb::fs
