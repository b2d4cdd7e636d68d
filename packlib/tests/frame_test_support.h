// Test helpers of the pack library's frame: a system seam with a fake clock,
// sleeps, atoms and message posts (real threads, optional thread failure), with
// the test kit's temp folders, whole-file I/O and patterns.
#pragma once
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "shared/base/fs.h"
#include "packlib/sys.h"
#include "testing/kit/file_io.h"
#include "testing/kit/patterns.h"
#include "testing/kit/temp_folder.h"
#include "testing/kit/wipe_path.h"

namespace kb::testing {

class FakeSys : public sys::Sys {
public:
    std::unique_ptr<sys::Thread> StartThread(sys::ThreadBody body, void* arg) override {
        if (failThreads) return nullptr;
        auto thread = sys::Sys::StartThread(body, arg);
        if (!thread) return thread;
        return std::make_unique<Started>(std::move(thread), this);
    }
    void Sleep(uint32_t ms) override {
        std::lock_guard<std::mutex> lock(mutex);
        sleeps.push_back(ms);
    }
    int64_t NowSeconds() override { return now; }
    bool GlobalAtomExists(const char* name) override {
        std::lock_guard<std::mutex> lock(mutex);
        return atoms.count(name) != 0;
    }
    void AddGlobalAtom(const char* name) override {
        std::lock_guard<std::mutex> lock(mutex);
        ++atoms[name];
    }
    void DeleteGlobalAtom(const char* name) override {
        std::lock_guard<std::mutex> lock(mutex);
        auto it = atoms.find(name);
        if (it != atoms.end() && --it->second == 0) atoms.erase(it);
    }
    void PostWindowMessage(uintptr_t window, uint32_t message) override {
        std::lock_guard<std::mutex> lock(mutex);
        posts.push_back({window, message});
    }

    std::vector<std::string> AtomNames() {
        std::lock_guard<std::mutex> lock(mutex);
        std::vector<std::string> names;
        for (const auto& a : atoms) names.push_back(a.first);
        return names;
    }
    std::vector<uint32_t> Sleeps() {
        std::lock_guard<std::mutex> lock(mutex);
        return sleeps;
    }
    std::vector<std::pair<uintptr_t, uint32_t>> Posts() {
        std::lock_guard<std::mutex> lock(mutex);
        return posts;
    }

    std::atomic<bool> failThreads{false};
    // Every worker counts as ending within any bounded wait for it, as a worker
    // that fails at once does on an idle machine: a bounded wait waits for its
    // end, so what the start reports cannot hang on how busy the machine is.
    // Only for workers that never block.
    std::atomic<bool> workersEndWithinBoundedWaits{false};
    int64_t now = 981173106;  // 2001-02-03 04:05:06 UTC

private:
    class Started : public sys::Thread {
    public:
        Started(std::unique_ptr<sys::Thread> inner, FakeSys* owner) : inner_(std::move(inner)), owner_(owner) {}
        bool Wait(uint32_t ms) override {
            return inner_->Wait(owner_->workersEndWithinBoundedWaits ? sys::kInfinite : ms);
        }
        bool IsCurrent() const override { return inner_->IsCurrent(); }

    private:
        std::unique_ptr<sys::Thread> inner_;
        FakeSys* owner_;
    };
    std::mutex mutex;
    std::vector<uint32_t> sleeps;
    std::map<std::string, int> atoms;
    std::vector<std::pair<uintptr_t, uint32_t>> posts;
};

}  // namespace kb::testing
