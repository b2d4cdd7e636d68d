// Test helpers of the pack library's frame: a system seam with a fake clock,
// sleeps, atoms and message posts (real threads, optional thread failure), and a
// fresh temporary folder per test.
#pragma once
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "packlib/fs.h"
#include "testing/kit/wipe_path.h"
#include "packlib/sys.h"

namespace kb::testing {

class FakeSys : public sys::Sys {
public:
    std::unique_ptr<sys::Thread> StartThread(sys::ThreadBody body, void* arg) override {
        if (failThreads) return nullptr;
        return sys::Sys::StartThread(body, arg);
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
    int64_t now = 981173106;  // 2001-02-03 04:05:06 UTC

private:
    std::mutex mutex;
    std::vector<uint32_t> sleeps;
    std::map<std::string, int> atoms;
    std::vector<std::pair<uintptr_t, uint32_t>> posts;
};

// A fresh folder under the temp folder, removed with everything in it.
class TempDir {
public:
    TempDir() {
        static std::atomic<int> counter{0};
        const std::string base = fs::TempFolder();
        for (int attempt = 0; attempt < 1000; ++attempt) {
            path_ = base + "kbframe-" + std::to_string(reinterpret_cast<uintptr_t>(this) % 100000) + "-" +
                    std::to_string(counter++);
            if (fs::CreateFolder(path_)) return;
        }
        path_.clear();
    }
    ~TempDir() {
        if (!path_.empty()) Wipe(path_);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder, without a trailing backslash.
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

    static void Wipe(const std::string& path) { ::kb::fixtures::WipePath(path); }

private:
    std::string path_;
};

inline std::string ReadAll(const std::string& path) {
    fs::File f = fs::File::Open(path, fs::Access::Read, fs::Disposition::OpenExisting, fs::Share::ReadWrite);
    if (!f.IsOpen()) return "<missing>";
    std::string data;
    char buf[65536];
    size_t got = 0;
    while (f.Read(buf, sizeof buf, &got) && got > 0) data.append(buf, got);
    return data;
}

inline bool WriteAll(const std::string& path, const std::string& data) {
    fs::File f = fs::File::Open(path, fs::Access::Write, fs::Disposition::CreateAlways, fs::Share::None);
    return f.IsOpen() && f.Write(data.data(), data.size()) && f.Close();
}

// Bytes that differ from position to position, so misplaced chunks show.
inline std::string Pattern(size_t n, uint32_t seed = 1) {
    std::string s(n, '\0');
    uint32_t x = seed * 2654435761u + 12345u;
    for (size_t i = 0; i < n; ++i) {
        x = x * 1103515245u + 12345u;
        s[i] = static_cast<char>(x >> 24);
    }
    return s;
}

// The names in a folder, sorted.
inline std::vector<std::string> Listing(const std::string& folder) {
    std::vector<fs::DirEntry> entries;
    fs::ListFolder(folder, &entries);
    std::vector<std::string> names;
    for (const auto& e : entries) names.push_back(e.name);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace kb::testing
