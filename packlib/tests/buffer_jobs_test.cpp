// Buffer jobs: chunking, identity of coding twice, synchronous against asynchronous,
// the coded-data rules, stop and the argument checks.
#include "packlib/buffer_jobs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "packlib/buffer_cipher.h"
#include "packlib/job_state.h"
#include "shared/pack_errors.h"
#include "testing/kit/hold_point.h"

namespace kb::pack {
namespace {

// Records posted messages; can refuse to start threads.
class FakeSys : public sys::Sys {
public:
    std::unique_ptr<sys::Thread> StartThread(sys::ThreadBody body, void* arg) override {
        if (refuseThreads) return nullptr;
        return sys::Sys::StartThread(body, arg);
    }
    void PostWindowMessage(uintptr_t window, uint32_t message) override {
        std::lock_guard<std::mutex> lock(mutex);
        posts.emplace_back(window, message);
    }
    std::vector<std::pair<uintptr_t, uint32_t>> Posts() {
        std::lock_guard<std::mutex> lock(mutex);
        return posts;
    }
    bool refuseThreads = false;
    std::mutex mutex;
    std::vector<std::pair<uintptr_t, uint32_t>> posts;
};

class BufferJobsTest : public ::testing::Test {
protected:
    BufferJobsTest() : jobs_(state_) {}

    std::vector<uint8_t> Data(size_t n) {
        std::vector<uint8_t> v(n);
        for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(i * 7 + (i >> 8));
        return v;
    }
    int Sync(std::vector<uint8_t>& v, const char* pw = "secret-pw") {
        return jobs_.Code(v.data(), static_cast<int>(v.size()), pw, static_cast<int>(std::strlen(pw)), true);
    }

    FakeSys sys_;
    JobState state_{sys_};
    CBufferJobs jobs_;
};

const size_t kLengths[] = {1, 1023, 1024, 1025, 2048, 65537};

TEST_F(BufferJobsTest, CodingTwiceRestoresAndAsyncMatchesSync) {
    for (size_t n : kLengths) {
        SCOPED_TRACE(n);
        const auto original = Data(n);
        auto once = original;
        ASSERT_EQ(Sync(once), 0);
        EXPECT_NE(once, original);
        auto twice = once;
        ASSERT_EQ(Sync(twice), 0);
        EXPECT_EQ(twice, original);

        auto input = original;
        ASSERT_EQ(jobs_.Code(input.data(), static_cast<int>(n), "secret-pw", 9, false), 0);
        std::vector<uint8_t> fetched(n);
        ASSERT_EQ(jobs_.GetCodedData(fetched.data(), static_cast<int>(n)), 0);
        EXPECT_EQ(fetched, once);
        EXPECT_EQ(input, original);  // an asynchronous job leaves the caller's data alone
        EXPECT_EQ(state_.Progress(), 101);
        EXPECT_EQ(state_.LastError(), 0);
    }
}

TEST_F(BufferJobsTest, ChunksOf1024CountFromZero) {
    auto v = std::vector<uint8_t>(1025, 0);
    ASSERT_EQ(Sync(v), 0);
    CBufferCipher key("secret-pw");
    ASSERT_TRUE(key.BuildDataKey(126));
    const uint8_t* k = key.DataKey();
    // Chunk 0 starts at key byte 0; byte 1024 is the 1-byte chunk 1: key byte 1, bit 0 flipped.
    EXPECT_EQ(v[0], k[0] ^ 0x01);
    EXPECT_EQ(v[1], k[1] ^ 0x02);
    EXPECT_EQ(v[1023], k[1023] ^ 0x80);
    EXPECT_EQ(v[1024], k[1] ^ 0x01);
}

TEST_F(BufferJobsTest, PasswordReadUpToItsLengthOnly) {
    // Six bytes with no zero: reading one byte more is caught by the sanitizer.
    std::unique_ptr<char[]> pw(new char[6]);
    std::memcpy(pw.get(), "secret", 6);
    auto a = Data(3000);
    auto b = a;
    ASSERT_EQ(jobs_.Code(a.data(), 3000, pw.get(), 6, true), 0);
    ASSERT_EQ(Sync(b, "secret"), 0);
    EXPECT_EQ(a, b);
    // The zero may come before the length: the password is what precedes it.
    auto c = Data(3000);
    ASSERT_EQ(jobs_.Code(c.data(), 3000, "secret\0garbage", 14, true), 0);
    EXPECT_EQ(c, b);
}

TEST_F(BufferJobsTest, ArgumentErrors) {
    auto v = Data(10);
    const auto original = v;
    struct Case {
        void* data;
        int length;
        const char* pw;
        int pwLength;
        int expected;
    };
    const Case cases[] = {
        {nullptr, 10, "secret", 6, PACKERR_NULL_BUFFER},
        {v.data(), 0, "secret", 6, PACKERR_NULL_BUFFER},
        {v.data(), 10, nullptr, 6, PACKERR_NULL_BUFFER},
        {v.data(), -1, "secret", 6, PACKERR_INVALID_PARAMETER},
        {v.data(), 10, "secret-long", 5, PACKERR_PASSWORD_TOO_SHORT},
        {v.data(), 10, "secret", -6, PACKERR_PASSWORD_TOO_SHORT},
        {v.data(), 10, "secret", 256, PACKERR_PASSWORD_TOO_LONG},
        {v.data(), 10, "\0\0\0\0\0\0", 6, PACKERR_CREATE_KEY},
    };
    for (bool sync : {true, false}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(::testing::Message() << "sync " << sync << " expected " << std::hex << c.expected);
            const int result = jobs_.Code(c.data, c.length, c.pw, c.pwLength, sync);
            if (!sync && c.expected == PACKERR_CREATE_KEY && result == 0) {
                // The key is built on the worker: on a busy machine its error can come
                // after the call's 100 ms wait, and then the job reports it.
                jobs_.WaitForWorker();
                EXPECT_EQ(state_.LastError(), c.expected);
            } else {
                EXPECT_EQ(result, c.expected);
            }
            EXPECT_EQ(v, original);
        }
    }
    // 255 is the longest password.
    const std::string longPw(255, 'p');
    EXPECT_EQ(jobs_.Code(v.data(), 10, longPw.c_str(), 255, true), 0);
}

TEST_F(BufferJobsTest, CodedDataRules) {
    std::vector<uint8_t> out(4096, 0xEE);
    EXPECT_EQ(jobs_.GetCodedData(out.data(), 4096), PACKERR_NULL_BUFFER);  // none made yet

    auto input = Data(2000);
    ASSERT_EQ(jobs_.Code(input.data(), 2000, "secret-pw", 9, false), 0);
    // A synchronous job of another length leaves the waiting data alone.
    auto other = Data(100);
    ASSERT_EQ(Sync(other), 0);
    EXPECT_EQ(jobs_.GetCodedData(out.data(), 0), PACKERR_NULL_BUFFER);
    EXPECT_EQ(jobs_.GetCodedData(nullptr, 2000), PACKERR_NULL_BUFFER);
    EXPECT_EQ(jobs_.GetCodedData(out.data(), 1999), PACKERR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(out[0], 0xEE);
    ASSERT_EQ(jobs_.GetCodedData(out.data(), 4096), 0);  // kept after the short try
    auto expected = Data(2000);
    ASSERT_EQ(Sync(expected), 0);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), out.begin()));
    EXPECT_EQ(out[2000], 0xEE);  // nothing written past the coded length
    EXPECT_EQ(jobs_.GetCodedData(out.data(), 4096), PACKERR_NULL_BUFFER);  // fetched already

    // A second asynchronous job replaces unfetched data.
    auto first = Data(50);
    ASSERT_EQ(jobs_.Code(first.data(), 50, "secret-pw", 9, false), 0);
    auto second = Data(70);
    ASSERT_EQ(jobs_.Code(second.data(), 70, "other-password", 14, false), 0);
    ASSERT_EQ(jobs_.GetCodedData(out.data(), 4096), 0);
    auto expectedSecond = Data(70);
    ASSERT_EQ(Sync(expectedSecond, "other-password"), 0);
    EXPECT_TRUE(std::equal(expectedSecond.begin(), expectedSecond.end(), out.begin()));
}

TEST_F(BufferJobsTest, SynchronousJobLeavesProgressAndErrorAlone) {
    state_.SetProgress(42);
    state_.SetLastError(PACKERR_FILE_IO);
    auto v = Data(3000);
    ASSERT_EQ(Sync(v), 0);
    EXPECT_EQ(state_.Progress(), 42);
    EXPECT_EQ(state_.LastError(), PACKERR_FILE_IO);
}

// Notes the progress after every chunk and holds the worker after a chosen
// one until released.
struct Gate : kb::testing::HoldPoint {
    uint32_t holdAt = 0;
    std::vector<int> progressSeen;  // read once the worker has ended
    const JobState* state = nullptr;
    static void Hook(void* ctx, uint32_t chunk) {
        auto* g = static_cast<Gate*>(ctx);
        g->progressSeen.push_back(g->state->Progress());
        if (chunk == g->holdAt) g->Hold();
    }
};

TEST_F(BufferJobsTest, ProgressPerChunkThenDone) {
    Gate gate;
    gate.holdAt = 99;  // never holds
    gate.state = &state_;
    jobs_.SetChunkHookForTesting(&Gate::Hook, &gate);
    auto v = Data(3 * 1024 + 1);  // four chunks
    ASSERT_EQ(jobs_.Code(v.data(), static_cast<int>(v.size()), "secret-pw", 9, false), 0);
    jobs_.WaitForWorker();
    EXPECT_EQ(gate.progressSeen, (std::vector<int>{25, 50, 75, 100}));
    EXPECT_EQ(state_.Progress(), 101);
    jobs_.SetChunkHookForTesting(nullptr, nullptr);
}

TEST_F(BufferJobsTest, StoppedJobPostsAndLeavesNoCodedData) {
    Gate gate;
    gate.holdAt = 1;
    gate.state = &state_;
    jobs_.SetChunkHookForTesting(&Gate::Hook, &gate);
    auto v = Data(4096);
    ASSERT_EQ(jobs_.Code(v.data(), 4096, "secret-pw", 9, false), 0);
    gate.WaitHeld();
    EXPECT_TRUE(state_.Stop(0x1234));
    gate.Release();
    jobs_.WaitForWorker();
    jobs_.SetChunkHookForTesting(nullptr, nullptr);
    EXPECT_EQ(state_.Progress(), 50);
    EXPECT_EQ(state_.LastError(), 0);
    ASSERT_EQ(sys_.Posts().size(), 1u);
    EXPECT_EQ(sys_.Posts()[0], (std::pair<uintptr_t, uint32_t>{0x1234, 0x52C}));
    std::vector<uint8_t> out(4096);
    EXPECT_EQ(jobs_.GetCodedData(out.data(), 4096), PACKERR_NULL_BUFFER);
}

TEST_F(BufferJobsTest, NoThreadIsAnError) {
    sys_.refuseThreads = true;
    auto v = Data(10);
    EXPECT_EQ(jobs_.Code(v.data(), 10, "secret-pw", 9, false), PACKERR_CREATE_THREAD);
    EXPECT_EQ(state_.LastError(), PACKERR_CREATE_THREAD);
    std::vector<uint8_t> out(10);
    EXPECT_EQ(jobs_.GetCodedData(out.data(), 10), PACKERR_NULL_BUFFER);
}

}  // namespace
}  // namespace kb::pack
