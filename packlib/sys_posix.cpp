// The frame's system seam for the native build: std threads, an in-process atom
// table and no windows to post to.
#include "packlib/sys.h"

#include <pthread.h>

#include <chrono>
#include <ctime>
#include <map>
#include <mutex>
#include <new>
#include <string>
#include <thread>

namespace kb::sys {
namespace {

// A thread is waited for by joining it: the caller wakes once, when the thread
// has ended, and no notice of its own end wakes it first only to wait again
// for the exit. Waiters take turns, as only one may join.
class PosixThread final : public Thread {
public:
    PosixThread() = default;
    ~PosixThread() override {
        std::lock_guard<std::timed_mutex> turn(turn_);
        if (!started_ || joined_) return;
        // A thread still running (or this very one) goes on alone.
        if (pthread_equal(thread_, pthread_self()) || pthread_tryjoin_np(thread_, nullptr) != 0)
            pthread_detach(thread_);
    }

    bool Start(ThreadBody body, void* arg) {
        auto* start = new (std::nothrow) StartBlock{body, arg};
        if (!start) return false;
        if (pthread_create(&thread_, nullptr, &PosixThread::Main, start) != 0) {
            delete start;
            return false;
        }
        started_ = true;
        return true;
    }

    bool Wait(uint32_t timeoutMs) override {
        if (timeoutMs == kInfinite) {
            std::lock_guard<std::timed_mutex> turn(turn_);
            if (!joined_) joined_ = pthread_join(thread_, nullptr) == 0;
            return joined_;
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        std::unique_lock<std::timed_mutex> turn(turn_, deadline);
        if (!turn.owns_lock()) return false;
        if (joined_) return true;
        // The steady clock and CLOCK_MONOTONIC are the same clock here.
        const auto since = deadline.time_since_epoch();
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(since);
        timespec until{};
        until.tv_sec = static_cast<time_t>(seconds.count());
        until.tv_nsec = static_cast<long>(std::chrono::duration_cast<std::chrono::nanoseconds>(since - seconds).count());
        joined_ = pthread_clockjoin_np(thread_, nullptr, CLOCK_MONOTONIC, &until) == 0;
        return joined_;
    }

    bool IsCurrent() const override { return started_ && pthread_equal(thread_, pthread_self()); }

private:
    struct StartBlock {
        ThreadBody body;
        void* arg;
    };

    static void* Main(void* param) {
        const StartBlock start = *static_cast<StartBlock*>(param);
        delete static_cast<StartBlock*>(param);
        start.body(start.arg);
        return nullptr;
    }

    pthread_t thread_{};
    bool started_ = false;
    std::timed_mutex turn_;
    bool joined_ = false;  // read and written under turn_
};

std::mutex g_atomMutex;
std::map<std::string, int>& AtomTable() {
    static std::map<std::string, int> table;
    return table;
}

// Atom names compare case-insensitively on Windows.
std::string AtomKey(const char* name) {
    std::string key = name ? name : "";
    for (char& c : key)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return key;
}

}  // namespace

std::unique_ptr<Thread> Sys::StartThread(ThreadBody body, void* arg) {
    auto thread = std::unique_ptr<PosixThread>(new (std::nothrow) PosixThread);
    if (!thread || !thread->Start(body, arg)) return nullptr;
    return thread;
}

void Sys::Sleep(uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

int64_t Sys::NowSeconds() { return static_cast<int64_t>(std::time(nullptr)); }

bool Sys::GlobalAtomExists(const char* name) {
    std::lock_guard<std::mutex> lock(g_atomMutex);
    return AtomTable().count(AtomKey(name)) != 0;
}

void Sys::AddGlobalAtom(const char* name) {
    std::lock_guard<std::mutex> lock(g_atomMutex);
    ++AtomTable()[AtomKey(name)];
}

void Sys::DeleteGlobalAtom(const char* name) {
    std::lock_guard<std::mutex> lock(g_atomMutex);
    auto it = AtomTable().find(AtomKey(name));
    if (it != AtomTable().end() && --it->second <= 0) AtomTable().erase(it);
}

void Sys::PostWindowMessage(uintptr_t, uint32_t) {}

Sys& SystemServices() {
    static Sys sys;
    return sys;
}

}  // namespace kb::sys
