#include <windows.h>

#include "packlib/wait_point.h"

namespace kb::fs {

struct WaitPoint::Impl {
    SRWLOCK lock = SRWLOCK_INIT;
    CONDITION_VARIABLE condition = CONDITION_VARIABLE_INIT;
};

WaitPoint::WaitPoint() : impl_(std::make_unique<Impl>()) {}
WaitPoint::~WaitPoint() = default;
void WaitPoint::Lock() { AcquireSRWLockExclusive(&impl_->lock); }
void WaitPoint::Unlock() { ReleaseSRWLockExclusive(&impl_->lock); }
void WaitPoint::Wait() { SleepConditionVariableSRW(&impl_->condition, &impl_->lock, INFINITE, 0); }
void WaitPoint::WakeAll() { WakeAllConditionVariable(&impl_->condition); }

}  // namespace kb::fs
