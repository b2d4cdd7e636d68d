// The job state: the stop rules, the order in which Stop publishes its window and
// request, the start steps of the one-job protocol, and the stop notice of every
// kind of worker reaching the window given to Stop.
#include "packlib/job_state.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "packlib/tests/frame_test_support.h"
#include "testing/builders/pack_builder.h"
#include "packlib/kabbit_app.h"
#include "packlib/tests/zip_test_support.h"
#include "shared/pack_errors.h"
#include "testing/kit/hold_point.h"

namespace kb::pack {
namespace {

using Posts = std::vector<std::pair<uintptr_t, uint32_t>>;

TEST(JobState, StopRules) {
    struct Row {
        PackJobKind kind;
        bool compressed;
        int progress;
        bool result;
        bool recorded;
    } rows[] = {
        {PACKJOB_NONE, false, 0, true, true},      {PACKJOB_NONE, false, 99, true, true},
        {PACKJOB_NONE, false, 100, false, false},  {PACKJOB_NONE, false, 101, false, false},
        {PACKJOB_UNPACK, false, 0, true, true},    {PACKJOB_UNPACK, false, 99, true, true},
        {PACKJOB_UNPACK, false, 51, true, true},   {PACKJOB_UNPACK, false, 100, false, false},
        {PACKJOB_PACK, true, 0, true, true},       {PACKJOB_PACK, true, 49, true, true},
        {PACKJOB_PACK, true, 50, false, true},     {PACKJOB_PACK, true, 99, false, true},
        {PACKJOB_PACK, true, 101, false, false},   {PACKJOB_PACK, false, 0, false, true},
        {PACKJOB_PACK, false, 99, false, true},    {PACKJOB_PACK, false, 100, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.kind << " compressed " << row.compressed << " at " << row.progress);
        testing::FakeSys sys;
        JobState state(sys);
        state.SetJobKind(row.kind, row.compressed);
        state.SetProgress(row.progress);
        EXPECT_EQ(state.Stop(0x4711), row.result);
        EXPECT_EQ(state.StopRequested(), row.recorded);
        if (state.StopRequested()) state.PostStopped(WM_PACK_STOPPED);
        const Posts expected = row.recorded ? Posts{{0x4711, WM_PACK_STOPPED}} : Posts{};
        EXPECT_EQ(sys.Posts(), expected);
    }
}

// A worker checks the request, then posts to the notify window. Whenever it looks
// in the middle of a Stop, it meets either no request yet or the request with the
// window it came with: never the window of an earlier Stop, or none on the first.
TEST(JobState, AWorkerThatSeesTheRequestSeesItsWindow) {
    struct Row {
        const char* what;
        uintptr_t earlier;  // the window of an earlier stop, 0 for none
        uintptr_t window;
    } rows[] = {
        {"first stop of the process", 0, 0x1111},
        {"a stop after an earlier job's", 0x2222, 0x3333},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        testing::FakeSys sys;
        JobState state(sys);
        state.SetJobKind(PACKJOB_UNPACK, false);
        if (row.earlier != 0) {
            ASSERT_TRUE(state.Stop(row.earlier));
            state.ClearStopRequest();  // as the next job's start does; the window stays
        }
        struct Worker {
            JobState* state;
            int looks = 0;
            static void Look(void* self) {
                auto* w = static_cast<Worker*>(self);
                ++w->looks;
                if (w->state->StopRequested()) w->state->PostStopped(WM_PACK_STOPPED);
            }
        } worker{&state};
        const Posts before = sys.Posts();
        state.SetStopHookForTesting(&Worker::Look, &worker);
        EXPECT_TRUE(state.Stop(row.window));
        state.SetStopHookForTesting(nullptr, nullptr);
        EXPECT_EQ(worker.looks, 1);
        Worker::Look(&worker);  // and once the Stop has returned
        const Posts all = sys.Posts();
        ASSERT_GE(all.size(), before.size() + 1);
        for (size_t i = before.size(); i < all.size(); ++i)
            EXPECT_EQ(all[i], (std::pair<uintptr_t, uint32_t>{row.window, WM_PACK_STOPPED})) << "post " << i;
    }
}

// A worker that fails at once with error, or does nothing.
struct Body {
    JobState* state = nullptr;
    int error = 0;
    static void Run(void* self) {
        auto* b = static_cast<Body*>(self);
        if (b->error != 0) b->state->SetLastError(b->error);
    }
};

TEST(JobState, StartClearsTheRequestProgressAndErrorAndReturnsAnEarlyError) {
    testing::FakeSys sys;
    sys.workersEndWithinBoundedWaits = true;
    JobState state(sys);
    std::lock_guard<std::mutex> lock(state.Mutex());
    struct Row {
        int workerError;
        int result;
    } rows[] = {{0, 0}, {PACKERR_FILE_NOT_FOUND, PACKERR_FILE_NOT_FOUND}, {PACKERR_CREATE_KEY, PACKERR_CREATE_KEY}};
    for (const Row& row : rows) {
        state.SetProgress(77);
        state.SetLastError(PACKERR_FILE_IO);
        ASSERT_TRUE(state.Stop(9));
        Body body;
        body.state = &state;
        body.error = row.workerError;
        EXPECT_EQ(state.StartWorkerLocked(&Body::Run, &body), row.result);
        state.WaitForWorkersLocked();
        EXPECT_FALSE(state.StopRequested());
        EXPECT_EQ(state.Progress(), 0);
        EXPECT_EQ(state.LastError(), row.workerError);
    }
}

TEST(JobState, NoThreadIsRecordedAsTheJobsError) {
    testing::FakeSys sys;
    sys.failThreads = true;
    JobState state(sys);
    std::lock_guard<std::mutex> lock(state.Mutex());
    Body body;
    EXPECT_EQ(state.StartWorkerLocked(&Body::Run, &body), PACKERR_CREATE_THREAD);
    EXPECT_EQ(state.GetProgress(nullptr), PACKERR_CREATE_THREAD);
    EXPECT_EQ(state.LatestWorkerLocked(), nullptr);
    EXPECT_FALSE(state.AddWorkerLocked(&Body::Run, &body));
    std::unique_ptr<sys::Thread> side;
    state.SetLastError(0);
    EXPECT_EQ(state.StartSideWorker(&side, &Body::Run, &body), PACKERR_CREATE_THREAD);
    EXPECT_EQ(state.LastError(), PACKERR_CREATE_THREAD);
}

// The platform's threads: a bounded wait tells a running thread from an ended
// one; several threads may wait for one at once (a sub-file worker waits for
// its unpack while the caller may too) and all see its end; a thread whose
// handle is released while it runs goes on to its end.
TEST(SystemThread, WaitersSeeTheEndAndAReleasedThreadRunsOn) {
    struct Held : kb::testing::HoldPoint {
        std::atomic<bool> ended{false};
        static void Run(void* self) {
            auto* h = static_cast<Held*>(self);
            h->Hold();
            h->ended = true;
        }
    };
    sys::Sys& sys = sys::SystemServices();
    {
        Held held;
        std::unique_ptr<sys::Thread> thread = sys.StartThread(&Held::Run, &held);
        ASSERT_NE(thread, nullptr);
        held.WaitHeld();
        EXPECT_FALSE(thread->IsCurrent());
        EXPECT_FALSE(thread->Wait(0));
        EXPECT_FALSE(thread->Wait(20));
        std::atomic<int> seen{0};
        std::vector<std::thread> waiters;
        for (int i = 0; i < 3; ++i)
            waiters.emplace_back([&, bounded = i == 2] {
                if (bounded) {
                    while (!thread->Wait(5)) {
                    }
                } else {
                    thread->Wait(sys::kInfinite);
                }
                if (held.ended) ++seen;
            });
        held.Release();
        for (std::thread& w : waiters) w.join();
        EXPECT_EQ(seen, 3);
        EXPECT_TRUE(thread->Wait(0));
        EXPECT_TRUE(thread->Wait(sys::kInfinite));
    }
    {
        Held held;
        std::unique_ptr<sys::Thread> thread = sys.StartThread(&Held::Run, &held);
        ASSERT_NE(thread, nullptr);
        held.WaitHeld();
        thread.reset();
        held.Release();
        const auto deadline = std::chrono::steady_clock::now() + kb::testing::kStateDeadline;
        while (!held.ended && std::chrono::steady_clock::now() < deadline) sys.Sleep(1);
        // Setting ended is the thread's last touch of held: held may go now.
        ASSERT_TRUE(held.ended);
    }
}

// Holds a worker at its first chunk, progress report or expansion step.
struct Gate : kb::testing::HoldPoint {
    static void AtChunk(void* self, uint32_t) { static_cast<Gate*>(self)->Hold(); }
    static void AtProgress(void* self, int) { static_cast<Gate*>(self)->Hold(); }
};

// Every worker that posts the stop notice: held at a gate, stopped with a window,
// released; the notice goes to that window once, not to the window of the stop
// before it.
TEST(JobState, EveryWorkersStopNoticeGoesToTheGivenWindow) {
    kb::testing::TempDir dir;
    const std::string out = dir / "out";
    const std::string work = dir / "work";
    const std::string src = dir / "src";
    for (const std::string& folder : {out, work, src}) ASSERT_TRUE(fs::CreateFolder(folder));
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(kb::testing::WriteWholeFile(src + "\\f" + std::to_string(i), testing::Pattern(5000, i)));
    const std::string source = dir / "source.pck";
    ASSERT_TRUE(testing::PackBuilder()
                    .Add("plain.bin", testing::Pattern(10 * 1024, 1))
                    .Add(ziptest::Compressed("c.cmp", ziptest::MakeContainer(dir.path(), ziptest::ThreeFilesIn("c"))))
                    .WriteTo(source));
    const std::string target = dir / "target.pck";

    struct Row {
        const char* what;
        bool stopResult;
        // Sets the gate up and starts the job; the export's result.
        std::function<int(CKabbitApp&, Gate&)> start;
    } rows[] = {
        {"plain unpack", true,
         [&](CKabbitApp& app, Gate& gate) {
             app.SetChunkHookForTesting(&Gate::AtChunk, &gate);
             return app.UnPack(source.c_str(), out.c_str(), "plain.bin", "secret1");
         }},
        {"copy of a compressed entry", true,
         [&](CKabbitApp& app, Gate& gate) {
             app.SetChunkHookForTesting(&Gate::AtChunk, &gate);
             return app.UnPack(source.c_str(), out.c_str(), "c.cmp", "secret1");
         }},
        {"expansion of a compressed entry", true,
         [&](CKabbitApp& app, Gate& gate) {
             app.SetExpandHookForTesting(&Gate::AtProgress, &gate);
             return app.UnPack(source.c_str(), out.c_str(), "c.cmp", "secret1");
         }},
        {"sub-file copy", true,
         [&](CKabbitApp& app, Gate& gate) {
             app.SetChunkHookForTesting(&Gate::AtChunk, &gate);
             return app.UnPackSubFile(source.c_str(), out.c_str(), "c.cmp", "\\c\\a.txt", "secret1");
         }},
        {"plain pack", false,
         [&](CKabbitApp& app, Gate& gate) {
             EXPECT_EQ(app.CreateNew(target.c_str(), "secret1", true, 3), 0);
             app.SetChunkHookForTesting(&Gate::AtChunk, &gate);
             return app.Packing().Pack(target.c_str(), src.c_str(), "f0", "secret1", false);
         }},
        {"compressed pack of a folder", true,
         [&](CKabbitApp& app, Gate& gate) {
             EXPECT_EQ(app.CreateNew(target.c_str(), "secret1", true, 3), 0);
             app.Packing().SetProgressHookForTesting(&Gate::AtProgress, &gate);
             return app.Packing().Pack(target.c_str(), src.c_str(), "", "secret1", true);
         }},
        {"pre-compression of a folder", true,
         [&](CKabbitApp& app, Gate& gate) {
             app.Packing().SetProgressHookForTesting(&Gate::AtProgress, &gate);
             return app.Packing().PreCompress(src.c_str(), "", nullptr, 0, false);
         }},
        {"buffer job", true,
         [&](CKabbitApp& app, Gate& gate) {
             static std::string data = testing::Pattern(4096, 5);
             app.Buffers().SetChunkHookForTesting(&Gate::AtChunk, &gate);
             return app.Buffers().Code(data.data(), 4096, "secret-pw", 9, false);
         }},
    };
    constexpr uintptr_t kEarlier = 0x0E0E;
    constexpr uintptr_t kWindow = 0x5A5A;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        testing::FakeSys sys;
        CKabbitApp app(sys);
        app.SetWorkingDir((work + "\\").c_str());
        // A stop before the job leaves its window behind.
        ASSERT_TRUE(app.Stop(kEarlier));
        ASSERT_EQ(sys.Posts(), Posts{});
        Gate gate;
        ASSERT_EQ(row.start(app, gate), 0);
        gate.WaitHeld();
        EXPECT_EQ(app.Stop(kWindow), row.stopResult);
        gate.Release();
        app.WaitForWorker();
        app.Buffers().WaitForWorker();
        app.SetChunkHookForTesting(nullptr, nullptr);
        app.SetExpandHookForTesting(nullptr, nullptr);
        app.Packing().SetProgressHookForTesting(nullptr, nullptr);
        app.Buffers().SetChunkHookForTesting(nullptr, nullptr);
        EXPECT_EQ(sys.Posts(), (Posts{{kWindow, WM_PACK_STOPPED}}));
        EXPECT_GE(app.GetProgress(nullptr), 0);
        kb::testing::WipePath(out);
        ASSERT_TRUE(fs::CreateFolder(out));
        fs::RemoveFile(target);
    }
}

}  // namespace
}  // namespace kb::pack
