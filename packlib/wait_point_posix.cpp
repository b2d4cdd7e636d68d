#include <condition_variable>
#include <mutex>

#include "packlib/wait_point.h"

namespace kb::fs {

struct WaitPoint::Impl {
    std::mutex mutex;
    std::condition_variable condition;
};

WaitPoint::WaitPoint() : impl_(std::make_unique<Impl>()) {}
WaitPoint::~WaitPoint() = default;
void WaitPoint::Lock() { impl_->mutex.lock(); }
void WaitPoint::Unlock() { impl_->mutex.unlock(); }
void WaitPoint::Wait() {
    std::unique_lock<std::mutex> lock(impl_->mutex, std::adopt_lock);
    impl_->condition.wait(lock);
    lock.release();  // the caller still holds it
}
void WaitPoint::WakeAll() { impl_->condition.notify_all(); }

}  // namespace kb::fs
