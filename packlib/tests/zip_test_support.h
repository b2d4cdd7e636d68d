// Helpers of the compressed-entry tests: containers made by the codec from real
// files (so times and attributes travel) or byte by byte (for hostile ones),
// packs that carry them as compressed entries, and recorders of the progress
// seen by the per-chunk and per-expansion hooks.
#pragma once
#include <gtest/gtest.h>

#include <zlib.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "frame_test_support.h"
#include "testing/builders/pack_builder.h"
#include "packlib/container_format.h"
#include "packlib/file_codec.h"
#include "packlib/kabbit_app.h"
#include "shared/pack_errors.h"
#include "testing/kit/hold_point.h"

namespace kb::pack::ziptest {

using kb::testing::BuilderEntry;
using kb::testing::PackBuilder;

struct SourceFile {
    std::string name;  // relative, e.g. "sub\\b.bin"
    std::string data;
    uint32_t attributes = fs::kAttrArchive;
};

// The sources' last-write time: whole seconds, as the container stores them
// (2001-02-03 05:05:06 UTC).
constexpr uint64_t kSourceWriteTime = fs::kUnixEpochFileTime + 981176706ULL * fs::kFileTimeTicksPerSecond;

// The container the codec makes of files (stored as "\name"), as bytes.
// blockMode forces one block per 512 KiB through the memory-status seam.
inline std::string MakeContainer(const std::string& work, const std::vector<SourceFile>& files,
                                 bool blockMode = false) {
    static std::atomic<int> counter{0};
    const std::string src = work + "\\src" + std::to_string(counter++);
    EXPECT_TRUE(fs::CreateFolder(src));
    const std::string container = src + ".cmp";
    fs::MemoryStatus none;
    if (blockMode) fs::SetMemoryStatusForTesting(&none);
    CFileCodec codec;
    std::string containerPath = container;
    for (const SourceFile& f : files) {
        std::string path = src;
        size_t at = 0;
        while (true) {
            const size_t slash = f.name.find('\\', at);
            if (slash == std::string::npos) break;
            fs::CreateFolder(src + "\\" + f.name.substr(0, slash));
            at = slash + 1;
        }
        path = src + "\\" + f.name;
        EXPECT_TRUE(kb::testing::WriteWholeFile(path, f.data)) << path;
        fs::FileTimes times;
        times.creation = kb::testing::kCreationTime;
        times.lastAccess = kb::testing::kLastAccessTime;
        times.lastWrite = kSourceWriteTime;
        EXPECT_TRUE(fs::SetTimes(path, times));
        EXPECT_TRUE(fs::SetAttributes(path, f.attributes));
        std::string skipped;
        EXPECT_EQ(codec.CompressToZipPkg(path, src, &containerPath, "", &skipped), 0) << path;
    }
    if (blockMode) fs::SetMemoryStatusForTesting(nullptr);
    const std::string bytes = kb::testing::ReadAll(container);
    kb::testing::WipePath(src);
    kb::testing::WipePath(container);
    return bytes;
}

inline BuilderEntry Compressed(const std::string& name, const std::string& container) {
    BuilderEntry e;
    e.name = name;
    e.data = container;
    e.compressed = true;
    return e;
}

// Container records written field by field.
struct RecordBytes {
    std::string bytes;
    RecordBytes& U32(uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>(v >> (8 * i)));
        return *this;
    }
    RecordBytes& U8(uint8_t v) {
        bytes.push_back(static_cast<char>(v));
        return *this;
    }
    RecordBytes& Raw(const std::string& s) {
        bytes += s;
        return *this;
    }
    // Name with its length, a status of zero times and archive, FileLength.
    RecordBytes& Head(const std::string& name, uint32_t fileLength) {
        U32(static_cast<uint32_t>(name.size())).Raw(name);
        for (int i = 0; i < 4; ++i) U32(0);
        return U8(0x20).U8(0).U8(0).U8(0).U32(fileLength);
    }
};

inline std::string Zlib(const std::string& data) {
    uLongf n = compressBound(static_cast<uLong>(data.size()));
    std::string out(n, '\0');
    EXPECT_EQ(compress(reinterpret_cast<Bytef*>(out.data()), &n, reinterpret_cast<const Bytef*>(data.data()),
                       static_cast<uLong>(data.size())),
              Z_OK);
    out.resize(n);
    return out;
}

// Progress as the hooks saw it, on the worker.
struct ProgressLog {
    std::mutex mutex;
    std::vector<int> copy;    // GetProgress after each chunk
    std::vector<int> expand;  // each progress of the expansion phase
    CKabbitApp* app = nullptr;
    // A chunk or expansion progress at which Stop is called (-1: none).
    int stopAtChunk = -1;
    int stopAtExpandCall = -1;
    uintptr_t window = 7;

    static void OnChunk(void* context, uint32_t chunk) {
        auto* log = static_cast<ProgressLog*>(context);
        const int p = log->app->GetProgress(nullptr);
        {
            std::lock_guard<std::mutex> lock(log->mutex);
            log->copy.push_back(p);
        }
        if (static_cast<int>(chunk) == log->stopAtChunk) log->app->Stop(log->window);
    }
    static void OnExpand(void* context, int progress) {
        auto* log = static_cast<ProgressLog*>(context);
        size_t calls = 0;
        {
            std::lock_guard<std::mutex> lock(log->mutex);
            log->expand.push_back(progress);
            calls = log->expand.size();
        }
        if (static_cast<int>(calls) - 1 == log->stopAtExpandCall) log->app->Stop(log->window);
    }
    void Attach(CKabbitApp& a) {
        app = &a;
        a.SetChunkHookForTesting(&OnChunk, this);
        a.SetExpandHookForTesting(&OnExpand, this);
    }
};

// Holds the first worker that reaches a chunk until Release.
struct ChunkGate : kb::testing::HoldPoint {
    static void OnChunk(void* context, uint32_t) { static_cast<ChunkGate*>(context)->Hold(); }
};

// A system seam that tells when some thread waits without limit for a worker,
// so a test knows that a second call has reached its one-job wait.
class WaitWatchSys : public kb::testing::FakeSys {
public:
    std::unique_ptr<sys::Thread> StartThread(sys::ThreadBody body, void* arg) override {
        if (++started_ == failAt_) return nullptr;
        auto inner = FakeSys::StartThread(body, arg);
        if (!inner) return inner;
        return std::make_unique<Watched>(std::move(inner), this);
    }
    // Blocks until at least n waits without limit have begun.
    void WaitForInfiniteWaits(int n) {
        std::unique_lock<std::mutex> lock(mutex_);
        cv_.wait(lock, [&] { return waits_ >= n; });
    }

    // The n-th thread start from now on (counting from 1) fails.
    void FailNthStart(int n) { failAt_ = started_ + n; }

private:
    std::atomic<int> started_{0};
    std::atomic<int> failAt_{0};
    class Watched : public sys::Thread {
    public:
        Watched(std::unique_ptr<sys::Thread> inner, WaitWatchSys* owner) : inner_(std::move(inner)), owner_(owner) {}
        bool Wait(uint32_t ms) override {
            if (ms == sys::kInfinite) owner_->NoteWait();
            return inner_->Wait(ms);
        }
        bool IsCurrent() const override { return inner_->IsCurrent(); }

    private:
        std::unique_ptr<sys::Thread> inner_;
        WaitWatchSys* owner_;
    };
    void NoteWait() {
        std::lock_guard<std::mutex> lock(mutex_);
        ++waits_;
        cv_.notify_all();
    }
    std::mutex mutex_;
    std::condition_variable cv_;
    int waits_ = 0;
};

// A fresh folder with an output folder in it, a controller on a watched seam.
class ZipTest : public ::testing::Test {
protected:
    void SetUp() override {
        out = dir / "out";
        ASSERT_TRUE(fs::CreateFolder(out));
    }
    void TearDown() override {
        app.SetChunkHookForTesting(nullptr, nullptr);
        app.SetExpandHookForTesting(nullptr, nullptr);
        app.WaitForWorker();
    }
    std::string WritePack(const PackBuilder& b, const std::string& name = "p.pck") {
        const std::string path = dir / name;
        EXPECT_TRUE(b.WriteTo(path));
        return path;
    }
    // Runs an unpack to its end: the export's result, or the job's final progress.
    int RunToEnd(const std::string& pack, const std::string& entry, const char* password = "secret1") {
        const int r = app.UnPack(pack.c_str(), out.c_str(), entry.c_str(), password);
        if (r < 0) return r;
        app.WaitForWorker();
        return app.GetProgress(nullptr);
    }
    int SubFileToEnd(const std::string& pack, const std::string& entry, const std::string& sub,
                     const char* password = "secret1") {
        const int r = app.UnPackSubFile(pack.c_str(), out.c_str(), entry.c_str(), sub.c_str(), password);
        if (r < 0) return r;
        app.WaitForWorker();
        return app.GetProgress(nullptr);
    }

    kb::testing::TempDir dir;
    std::string out;
    WaitWatchSys sys;
    CKabbitApp app{sys};
};

// Three records: a plain file, one in a folder (read-only), an empty one.
inline std::vector<SourceFile> ThreeFiles() {
    return {{"a.txt", kb::testing::Pattern(3000, 1), fs::kAttrArchive},
            {"sub\\b.bin", kb::testing::Pattern(2500, 2), fs::kAttrArchive | fs::kAttrReadOnly},
            {"e.txt", "", fs::kAttrArchive}};
}

// The same files inside folder: the records of the entry folder + ".cmp",
// which writes only what lies inside the folder it is named after.
inline std::vector<SourceFile> ThreeFilesIn(const std::string& folder) {
    std::vector<SourceFile> files = ThreeFiles();
    for (SourceFile& f : files) f.name = folder + "\\" + f.name;
    return files;
}

}  // namespace kb::pack::ziptest
