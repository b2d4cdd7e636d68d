// The frame's system seam for the native build: std threads, an in-process atom
// table and no windows to post to.
#include "packlib/sys.h"

#include <chrono>
#include <condition_variable>
#include <ctime>
#include <map>
#include <mutex>
#include <new>
#include <string>
#include <thread>

namespace kb::sys {
namespace {

struct EndState {
    std::mutex mutex;
    std::condition_variable cv;
    bool ended = false;
};

class PosixThread final : public Thread {
public:
    PosixThread() = default;
    ~PosixThread() override {
        if (!thread_.joinable()) return;
        if (thread_.get_id() != std::this_thread::get_id() && Wait(0))
            thread_.join();
        else
            thread_.detach();
    }

    bool Start(ThreadBody body, void* arg) {
        try {
            state_ = std::make_shared<EndState>();
            thread_ = std::thread([state = state_, body, arg] {
                body(arg);
                std::lock_guard<std::mutex> lock(state->mutex);
                state->ended = true;
                state->cv.notify_all();
            });
        } catch (...) {
            return false;
        }
        return true;
    }

    bool Wait(uint32_t timeoutMs) override {
        std::unique_lock<std::mutex> lock(state_->mutex);
        if (timeoutMs == kInfinite) {
            state_->cv.wait(lock, [this] { return state_->ended; });
            return true;
        }
        return state_->cv.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                   [this] { return state_->ended; });
    }

    bool IsCurrent() const override { return thread_.get_id() == std::this_thread::get_id(); }

private:
    std::shared_ptr<EndState> state_;
    std::thread thread_;
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
