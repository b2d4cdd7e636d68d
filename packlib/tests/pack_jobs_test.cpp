// Packing jobs against the controller: round trips read back entry by entry,
// failures that leave the pack as it was, stop, the force flag and pre-compression.
#include "packlib/pack_jobs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "packlib/buffer_cipher.h"
#include "packlib/buffer_jobs.h"
#include "packlib/file_codec.h"
#include "packlib/kabbit_app.h"
#include "packlib/pack_format.h"
#include "packlib/tests/pack_test_support.h"
#include "shared/pack_errors.h"
#include "testing/kit/hold_point.h"

namespace kb::pack {
namespace {

using packtest::Pattern;
using packtest::ReadAll;
using packtest::WriteWholeFile;

constexpr char kPassword[] = "pack-password";

// Atoms in-process, no sleeping, posts recorded.
class TestSys : public sys::Sys {
public:
    void Sleep(uint32_t) override {}
    bool GlobalAtomExists(const char* name) override {
        std::lock_guard<std::mutex> lock(mutex_);
        return atoms_.count(name) != 0;
    }
    void AddGlobalAtom(const char* name) override {
        std::lock_guard<std::mutex> lock(mutex_);
        ++atoms_[name];
    }
    void DeleteGlobalAtom(const char* name) override {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = atoms_.find(name);
        if (it != atoms_.end() && --it->second == 0) atoms_.erase(it);
    }
    void PostWindowMessage(uintptr_t window, uint32_t message) override {
        std::lock_guard<std::mutex> lock(mutex_);
        posts_.emplace_back(window, message);
    }
    std::vector<std::pair<uintptr_t, uint32_t>> Posts() {
        std::lock_guard<std::mutex> lock(mutex_);
        return posts_;
    }
    // The next worker started holds at startGate before its first step.
    kb::testing::HoldPoint* startGate = nullptr;
    std::unique_ptr<sys::Thread> StartThread(sys::ThreadBody body, void* arg) override {
        if (startGate == nullptr) return Sys::StartThread(body, arg);
        held_ = {body, arg, startGate};
        startGate = nullptr;
        return Sys::StartThread(&HeldBody, this);
    }

private:
    struct Held {
        sys::ThreadBody body;
        void* arg;
        kb::testing::HoldPoint* gate;
    };
    static void HeldBody(void* self) {
        const Held held = static_cast<TestSys*>(self)->held_;
        held.gate->Hold();
        held.body(held.arg);
    }
    Held held_{};
    std::mutex mutex_;
    std::map<std::string, int> atoms_;
    std::vector<std::pair<uintptr_t, uint32_t>> posts_;
};

// Holds a worker inside a hook until released.
struct Gate : kb::testing::HoldPoint {
    int at = -1;  // the value the hook saw when it held
    void Hold(int value) {
        HoldPoint::Hold([&] { at = value; });
    }
    // A chunk hook that holds the worker after its fourth chunk.
    static void AtChunkThree(void* gate, uint32_t chunk) {
        if (chunk == 3) static_cast<Gate*>(gate)->Hold(static_cast<int>(chunk));
    }
};

// Whole seconds, so container records (seconds) and trailers (FILETIME) compare alike.
const fs::FileTimes kTimes{fs::FileTimeFromUnixSeconds(1000000000), fs::FileTimeFromUnixSeconds(1100000000),
                           fs::FileTimeFromUnixSeconds(1200000000)};

struct Entry {
    std::string name;
    bool compressed;
    uint32_t size;
};

class PackJobsTest : public packtest::TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        ASSERT_TRUE(fs::CreateFolder(P("work")));
        app_.SetWorkingDir((P("work") + "\\").c_str());
        pack_ = P("p.pck");
    }
    void TearDown() override {
        app_.WaitForWorker();
        TempFolderTest::TearDown();
    }

    void MakeFile(const std::string& path, const std::string& data, uint32_t attributes = fs::kAttrArchive) {
        ASSERT_TRUE(WriteWholeFile(path, data)) << path;
        ASSERT_TRUE(fs::SetTimes(path, kTimes));
        ASSERT_TRUE(fs::SetAttributes(path, attributes));
    }
    // src\a\b.txt and the folder data\set1 with x.txt, y.txt (empty), sub\z.bin, sub\w.txt.
    void MakeTree() {
        ASSERT_TRUE(fs::CreateFolder(P("src")));
        ASSERT_TRUE(fs::CreateFolder(P("src\\a")));
        MakeFile(P("src\\a\\b.txt"), Pattern(3000, 1), fs::kAttrArchive | fs::kAttrHidden);
        MakeFile(P("src\\b.txt"), Pattern(5000, 2));
        ASSERT_TRUE(fs::CreateFolder(P("data")));
        ASSERT_TRUE(fs::CreateFolder(P("data\\set1")));
        ASSERT_TRUE(fs::CreateFolder(P("data\\set1\\sub")));
        MakeFile(P("data\\set1\\x.txt"), "x file");
        MakeFile(P("data\\set1\\y.txt"), "");
        MakeFile(P("data\\set1\\sub\\z.bin"), Pattern(600 * 1024, 3));
        MakeFile(P("data\\set1\\sub\\w.txt"), "w file");
    }
    int NewPack(bool encrypted) {
        fs::RemoveFile(pack_);
        return app_.CreateNew(pack_.c_str(), kPassword, encrypted, 7);
    }
    // The job's outcome: its early error, or what GetProgress says once it has ended.
    int RunToEnd(int rc) {
        if (rc < 0) return rc;
        app_.WaitForWorker();
        return app_.GetProgress(nullptr);
    }
    std::vector<Entry> Enum() {
        std::vector<char> names(8192);
        std::vector<uint8_t> flags(1001);
        std::vector<uint32_t> sizes(64);
        const int n = app_.EnumFiles(pack_.c_str(), names.data(), static_cast<int>(names.size()), flags.data(),
                                     sizes.data(), static_cast<int>(sizes.size() * 4), kPassword);
        std::vector<Entry> out;
        EXPECT_GE(n, 0);
        const char* p = names.data();
        for (int i = 0; i < n; ++i) {
            out.push_back({p, flags[i] != 0, sizes[i]});
            p += std::strlen(p) + 1;
        }
        return out;
    }
    // The library's own UnPack: copies the entry out and, for a compressed one,
    // expands its container into folder.
    void ExpandEntry(const std::string& name, const std::string& folder) {
        ASSERT_EQ(RunToEnd(app_.UnPack(pack_.c_str(), folder.c_str(), name.c_str(), kPassword)), PACKPROGRESS_DONE)
            << name;
        EXPECT_FALSE(fs::Exists(folder + "\\" + name));  // no copy of a container stays
    }
    void ExpectSameFile(const std::string& original, const std::string& copy) {
        EXPECT_TRUE(ReadAll(original) == ReadAll(copy)) << copy;
        fs::FileTimes a, b;
        ASSERT_TRUE(fs::GetTimes(original, &a));
        ASSERT_TRUE(fs::GetTimes(copy, &b)) << copy;
        EXPECT_EQ(a.lastWrite, b.lastWrite) << copy;
        EXPECT_EQ(a.creation, b.creation) << copy;
        uint32_t aa = 0, ba = 0;
        ASSERT_TRUE(fs::GetAttributes(original, &aa));
        ASSERT_TRUE(fs::GetAttributes(copy, &ba));
        EXPECT_EQ(aa & fs::kAttrSettable, ba & fs::kAttrSettable) << copy;
    }
    uint64_t PackLength() {
        uint64_t n = 0;
        EXPECT_TRUE(fs::GetSize(pack_, &n));
        return n;
    }

    TestSys sys_;
    CKabbitApp app_{sys_};
    CPackJobs& jobs_ = app_.Packing();
    std::string pack_;
};

// One row of the round trip: how the entry is made and what must come out.
struct RoundTrip {
    const char* what;
    int (*pack)(CPackJobs& jobs, const std::string& pack, const std::string& dir);
    const char* entryName;
    bool compressed;
    std::vector<const char*> files;   // relative to the source folder, expected out
    std::vector<const char*> absent;  // left out of the entry
    const char* sourceBase;           // what files are relative to, under dir
};

const RoundTrip kRoundTrips[] = {
    {"plain a\\b.txt",
     [](CPackJobs& j, const std::string& p, const std::string& d) {
         return j.Pack(p.c_str(), (d + "\\src").c_str(), "a\\b.txt", kPassword, false);
     },
     "a\\b.txt", false, {"a\\b.txt"}, {}, "src"},
    {"compressed file",
     [](CPackJobs& j, const std::string& p, const std::string& d) {
         return j.Pack(p.c_str(), (d + "\\src").c_str(), "a\\b.txt", kPassword, true);
     },
     "a\\b.txt.cmp", true, {"a\\b.txt"}, {}, "src"},
    {"compressed folder",
     [](CPackJobs& j, const std::string& p, const std::string& d) {
         return j.Pack(p.c_str(), (d + "\\data\\set1").c_str(), "", kPassword, true);
     },
     "set1.cmp", true, {"set1\\x.txt", "set1\\y.txt", "set1\\sub\\z.bin", "set1\\sub\\w.txt"}, {}, "data"},
    {"compressed folder with a trailing backslash",
     [](CPackJobs& j, const std::string& p, const std::string& d) {
         return j.Pack(p.c_str(), (d + "\\data\\set1\\").c_str(), "", kPassword, true);
     },
     "set1.cmp", true, {"set1\\x.txt", "set1\\y.txt", "set1\\sub\\z.bin", "set1\\sub\\w.txt"}, {}, "data"},
    {"PackPartFolder with exclusions",
     [](CPackJobs& j, const std::string& p, const std::string& d) {
         static const char excluded[] = "x.txt\0sub\\w.txt\0not-there.txt\0";
         return j.PackPartFolder(p.c_str(), (d + "\\data\\set1").c_str(), excluded, 3, kPassword, true);
     },
     "set1.cmp", true, {"set1\\y.txt", "set1\\sub\\z.bin"}, {"set1\\x.txt", "set1\\sub\\w.txt"}, "data"},
    {"PackPartFolder with exclusions and a trailing backslash",
     [](CPackJobs& j, const std::string& p, const std::string& d) {
         static const char excluded[] = "x.txt\0sub\\w.txt\0";
         return j.PackPartFolder(p.c_str(), (d + "\\data\\set1\\").c_str(), excluded, 2, kPassword, true);
     },
     "set1.cmp", true, {"set1\\y.txt", "set1\\sub\\z.bin"}, {"set1\\x.txt", "set1\\sub\\w.txt"}, "data"},
};

TEST_F(PackJobsTest, RoundTrips) {
    MakeTree();
    for (bool encrypted : {false, true}) {
        for (const RoundTrip& row : kRoundTrips) {
            SCOPED_TRACE(::testing::Message() << row.what << (encrypted ? ", encrypted" : ", plain pack"));
            ASSERT_EQ(NewPack(encrypted), 0);
            // A first entry, so the entry under test is coded with index 1.
            ASSERT_EQ(RunToEnd(jobs_.Pack(pack_.c_str(), P("src").c_str(), "b.txt", kPassword, false)),
                      PACKPROGRESS_DONE);
            const uint64_t before = PackLength();
            ASSERT_EQ(RunToEnd(row.pack(jobs_, pack_, dir_)), PACKPROGRESS_DONE);

            const auto entries = Enum();
            ASSERT_EQ(entries.size(), 2u);
            EXPECT_EQ(entries[0].name, "b.txt");
            EXPECT_FALSE(entries[0].compressed);
            EXPECT_EQ(entries[1].name, row.entryName);
            EXPECT_EQ(entries[1].compressed, row.compressed);
            // Flags, name, lengths and data, and the trailer on plain entries only.
            const uint64_t expected = before + 8 + 4 + std::strlen(row.entryName) + 4 + entries[1].size +
                                      (row.compressed ? 0 : 32);
            EXPECT_EQ(PackLength(), expected);

            const std::string out = P("out");
            packtest::WipePath(out);
            ASSERT_TRUE(fs::CreateFolder(out));
            if (row.compressed) {
                ExpandEntry(row.entryName, out);
            } else {
                ASSERT_EQ(RunToEnd(app_.UnPack(pack_.c_str(), out.c_str(), row.entryName, kPassword)),
                          PACKPROGRESS_DONE);
            }
            // The records are named from the folder's own name on.
            if (row.compressed && std::string(row.entryName) == "set1.cmp") {
                std::vector<char> names(1024);
                std::vector<uint32_t> sizes(16);
                const int n = app_.EnumFilesInZipPkg(pack_.c_str(), "set1.cmp", names.data(), 1024, sizes.data(), 64,
                                                     kPassword);
                ASSERT_EQ(n, static_cast<int>(row.files.size()));
                for (const char* p = names.data(); *p; p += std::strlen(p) + 1)
                    EXPECT_EQ(std::string(p).rfind("\\set1\\", 0), 0u) << p;
            }
            ASSERT_EQ(RunToEnd(app_.UnPack(pack_.c_str(), out.c_str(), "b.txt", kPassword)), PACKPROGRESS_DONE);
            ExpectSameFile(P("src\\b.txt"), out + "\\b.txt");
            for (const char* f : row.files) ExpectSameFile(P(row.sourceBase) + "\\" + f, out + "\\" + f);
            for (const char* f : row.absent) EXPECT_FALSE(fs::Exists(out + "\\" + f)) << f;
            EXPECT_FALSE(fs::Exists(jobs_.PreCompressFilePath()));
            packtest::WipePath(out);
        }
    }
}

TEST_F(PackJobsTest, PackOfAFolderIgnoresEarlierExclusions) {
    MakeTree();
    ASSERT_EQ(NewPack(false), 0);
    static const char excluded[] = "x.txt\0";
    ASSERT_EQ(RunToEnd(jobs_.PackPartFolder(pack_.c_str(), P("data\\set1").c_str(), excluded, 1, kPassword, true)),
              PACKPROGRESS_DONE);
    ASSERT_EQ(RunToEnd(jobs_.Pack(pack_.c_str(), P("data\\set1").c_str(), "", kPassword, true)), PACKPROGRESS_DONE);
    CFileCodec codec;
    ASSERT_EQ(RunToEnd(jobs_.PreCompress(P("data\\set1").c_str(), "", excluded, 1, false)), PACKPROGRESS_DONE);
    EXPECT_EQ(codec.CountZipPkgRecords(jobs_.PreCompressFilePath()), 3);
    ASSERT_EQ(RunToEnd(jobs_.Pack(pack_.c_str(), P("data\\set1").c_str(), "", kPassword, true)), PACKPROGRESS_DONE);
    const auto entries = Enum();
    ASSERT_EQ(entries.size(), 3u);
    const std::string out = P("out");
    ASSERT_TRUE(fs::CreateFolder(out));
    ExpandEntry("set1.cmp", out);  // the first: x.txt left out
    EXPECT_FALSE(fs::Exists(out + "\\set1\\x.txt"));
    // The later whole-folder entries hold every file.
    EXPECT_EQ(entries[1].size, entries[2].size);
    EXPECT_GT(entries[1].size, entries[0].size);
}

TEST_F(PackJobsTest, ArgumentAndSourceErrorsLeaveThePackAlone) {
    MakeTree();
    ASSERT_EQ(NewPack(true), 0);
    const std::string original = ReadAll(pack_);
    const std::string src = P("src");
    const std::string longName(251, 'n');
    struct Case {
        const char* what;
        int rc;
        int expected;
    };
    const Case cases[] = {
        {"missing source", jobs_.Pack(pack_.c_str(), src.c_str(), "none.txt", kPassword, false), PACKERR_FILE_IO},
        {"folder without compression", jobs_.Pack(pack_.c_str(), src.c_str(), "a", kPassword, false),
         PACKERR_NO_COMPRESS_FOLDER},
        {"folder job without compression", jobs_.Pack(pack_.c_str(), src.c_str(), "", kPassword, false),
         PACKERR_NO_COMPRESS_FOLDER},
        {"PackPartFolder without compression",
         jobs_.PackPartFolder(pack_.c_str(), P("data\\set1").c_str(), nullptr, 0, kPassword, false),
         PACKERR_NO_COMPRESS_FOLDER},
        {"entry name over 250", jobs_.Pack(pack_.c_str(), src.c_str(), longName.c_str(), kPassword, false),
         PACKERR_FILE_NAME_TOO_LONG},
        {"stored folder name over 254",
         jobs_.Pack(pack_.c_str(), (dir_ + "\\" + longName).c_str(), "", kPassword, true),
         PACKERR_FILE_NAME_TOO_LONG},
        {"source path over 259",
         jobs_.Pack(pack_.c_str(), (src + "\\" + std::string(200, 'd')).c_str(), std::string(60, 'f').c_str(),
                    kPassword, false),
         PACKERR_PATH_TOO_LONG},
        {"name leaving the destination", jobs_.Pack(pack_.c_str(), src.c_str(), "..\\src\\b.txt", kPassword, false),
         PACKERR_INVALID_PARAMETER},
        {"absolute name", jobs_.Pack(pack_.c_str(), src.c_str(), "C:\\b.txt", kPassword, true),
         PACKERR_INVALID_PARAMETER},
        {"wrong password", jobs_.Pack(pack_.c_str(), src.c_str(), "b.txt", "wrong-password", false),
         PACKERR_WRONG_PASSWORD},
        {"short password", jobs_.Pack(pack_.c_str(), src.c_str(), "b.txt", "short", false),
         PACKERR_PASSWORD_TOO_SHORT},
        {"missing compressed source", RunToEnd(jobs_.Pack(pack_.c_str(), src.c_str(), "none.txt", kPassword, true)),
         PACKERR_OPEN_SOURCE_FILE},
        {"empty folder", RunToEnd(jobs_.Pack(pack_.c_str(), P("work").c_str(), "", kPassword, true)),
         PACKERR_NO_FILE_FOUND},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.rc, c.expected) << c.what;
        EXPECT_TRUE(ReadAll(pack_) == original) << c.what;
    }
}

TEST_F(PackJobsTest, PackFileErrors) {
    MakeTree();
    EXPECT_EQ(jobs_.Pack(pack_.c_str(), P("src").c_str(), "b.txt", kPassword, false), PACKERR_OPEN_PACKED_FILE);
    EXPECT_FALSE(fs::Exists(pack_));  // a missing pack is not created
    ASSERT_TRUE(WriteWholeFile(pack_, std::string(525, 'h')));
    EXPECT_EQ(jobs_.Pack(pack_.c_str(), P("src").c_str(), "b.txt", kPassword, false), PACKERR_ILLEGAL_PACKED_FILE);
    EXPECT_EQ(jobs_.Pack(pack_.c_str(), P("src").c_str(), "b.txt", kPassword, true), PACKERR_ILLEGAL_PACKED_FILE);
    EXPECT_EQ(ReadAll(pack_), std::string(525, 'h'));
}

TEST_F(PackJobsTest, TooBigSourceLeavesThePackAsItWas) {
    MakeTree();
    ASSERT_EQ(NewPack(true), 0);
    ASSERT_EQ(RunToEnd(jobs_.Pack(pack_.c_str(), P("src").c_str(), "b.txt", kPassword, false)), PACKPROGRESS_DONE);
    const std::string original = ReadAll(pack_);
    {
        // Sparse: only its size is read.
        fs::File big = fs::File::Open(P("src\\big.bin"), fs::Access::Write, fs::Disposition::CreateAlways,
                                      fs::Share::None);
        ASSERT_TRUE(big.IsOpen());
        ASSERT_TRUE(big.SetSize(4000000001ull));
    }
    for (bool compress : {false, true}) {
        SCOPED_TRACE(compress);
        EXPECT_EQ(RunToEnd(jobs_.Pack(pack_.c_str(), P("src").c_str(), "big.bin", kPassword, compress)),
                  PACKERR_FILE_TOO_BIG);
        EXPECT_TRUE(ReadAll(pack_) == original);
    }
    EXPECT_EQ(Enum().size(), 1u);
}

#ifndef _WIN32
// The source shrinks under the worker (natively nothing stops another writer): the
// short read fails the job, and the half-written entry is cut away.
TEST_F(PackJobsTest, ShortReadLeavesThePackAsItWas) {
    MakeTree();
    MakeFile(P("src\\long.bin"), Pattern(64 * 1024, 4));
    for (bool encrypted : {false, true}) {
        ASSERT_EQ(NewPack(encrypted), 0);
        const std::string original = ReadAll(pack_);
        Gate gate;
        app_.SetChunkHookForTesting(&Gate::AtChunkThree, &gate);
        ASSERT_EQ(jobs_.Pack(pack_.c_str(), P("src").c_str(), "long.bin", kPassword, false), 0);
        gate.WaitHeld();
        std::string native = P("src\\long.bin");
        std::replace(native.begin(), native.end(), '\\', '/');
        const int truncated = ::truncate(native.c_str(), 10 * 1024);
        gate.Release();
        ASSERT_EQ(truncated, 0);
        EXPECT_EQ(RunToEnd(0), PACKERR_FILE_IO);
        app_.SetChunkHookForTesting(nullptr, nullptr);
        EXPECT_TRUE(ReadAll(pack_) == original);
        MakeFile(P("src\\long.bin"), Pattern(64 * 1024, 4));
    }
}
#endif

TEST_F(PackJobsTest, StopOfACompressedPackBelowFiftyLeavesNoEntry) {
    MakeTree();
    ASSERT_EQ(NewPack(true), 0);
    const std::string original = ReadAll(pack_);
    Gate gate;
    jobs_.SetProgressHookForTesting([](void* ctx, int p) { static_cast<Gate*>(ctx)->Hold(p); }, &gate);
    ASSERT_EQ(jobs_.Pack(pack_.c_str(), P("data\\set1").c_str(), "", kPassword, true), 0);
    gate.WaitHeld();
    EXPECT_EQ(gate.at, 12);  // 1 x 50 / 4 after the first of four files
    EXPECT_TRUE(app_.Stop(0x77));
    gate.Release();
    const int p = RunToEnd(0);
    jobs_.SetProgressHookForTesting(nullptr, nullptr);
    EXPECT_EQ(p, 12);  // where the stop caught it
    EXPECT_TRUE(ReadAll(pack_) == original);
    EXPECT_FALSE(fs::Exists(jobs_.PreCompressFilePath()));
    EXPECT_EQ(sys_.Posts(), (std::vector<std::pair<uintptr_t, uint32_t>>{{0x77, 0x52C}}));
}

// A single file is compressed in one go, or in 512 KiB blocks with the stop polled
// between them; pre-compression stops alike. Each stop below 50 ends the job where
// it caught it, without an entry or a container, and posts once.
TEST_F(PackJobsTest, StopsBelowFiftyOfSingleFilesAndPreCompression) {
    MakeTree();
    ASSERT_EQ(NewPack(true), 0);
    const std::string original = ReadAll(pack_);
    const fs::MemoryStatus noMemory{0, 0};         // blocks of 512 KiB
    const fs::MemoryStatus plenty{1ull << 40, 0};  // one block
    auto packOne = [this] { return jobs_.Pack(pack_.c_str(), P("data\\set1\\sub").c_str(), "z.bin", kPassword, true); };
    auto preCompressOne = [this] { return jobs_.PreCompress(P("data\\set1\\sub").c_str(), "z.bin", nullptr, 0, false); };
    auto preCompressFolder = [this] { return jobs_.PreCompress(P("data\\set1").c_str(), "", nullptr, 0, false); };
    struct Case {
        const char* what;
        std::function<int()> start;
        bool blocks;
        bool holdAtStart;  // before the worker's first step, else at its first progress
        int progress;      // where the stop leaves it (z.bin: 614,400 bytes)
    };
    const Case cases[] = {
        {"Pack of one file in blocks", packOne, true, false, 42},  // 524,288 x 50 / 614,400
        // The stop is seen once the single block is done, before anything is appended.
        {"Pack of one file in one block", packOne, false, true, 50},
        {"PreCompress of one file in blocks", preCompressOne, true, false, 42},
        {"PreCompress of one file in one block", preCompressOne, false, true, 50},
        {"PreCompress of a folder", preCompressFolder, false, false, 25},  // 1 x 100 / 4 files
    };
    uintptr_t window = 0x100;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ++window;
        fs::SetMemoryStatusForTesting(c.blocks ? &noMemory : &plenty);
        Gate gate;
        if (c.holdAtStart) {
            sys_.startGate = &gate;
        } else {
            jobs_.SetProgressHookForTesting([](void* ctx, int p) { static_cast<Gate*>(ctx)->Hold(p); }, &gate);
        }
        const size_t postsBefore = sys_.Posts().size();
        ASSERT_EQ(c.start(), 0);
        gate.WaitHeld();
        EXPECT_EQ(gate.at, c.holdAtStart ? -1 : c.progress);
        EXPECT_TRUE(app_.Stop(window));
        gate.Release();
        EXPECT_EQ(RunToEnd(0), c.progress);
        jobs_.SetProgressHookForTesting(nullptr, nullptr);
        fs::SetMemoryStatusForTesting(nullptr);
        EXPECT_TRUE(ReadAll(pack_) == original);
        EXPECT_FALSE(fs::Exists(jobs_.PreCompressFilePath()));
        const auto posts = sys_.Posts();
        ASSERT_EQ(posts.size(), postsBefore + 1);
        EXPECT_EQ(posts.back(), std::make_pair(window, uint32_t{0x52C}));
    }
}

#ifndef _WIN32
// The container shrinks under the append (natively nothing stops another writer):
// the short read fails the job once part of the entry is written, and the pack is
// cut back to its former length.
TEST_F(PackJobsTest, FailureInTheAppendPhaseCutsThePackBack) {
    MakeTree();
    for (bool encrypted : {false, true}) {
        SCOPED_TRACE(encrypted ? "encrypted" : "plain pack");
        ASSERT_EQ(NewPack(encrypted), 0);
        ASSERT_EQ(RunToEnd(jobs_.Pack(pack_.c_str(), P("src").c_str(), "b.txt", kPassword, false)), PACKPROGRESS_DONE);
        const std::string original = ReadAll(pack_);
        Gate gate;
        app_.SetChunkHookForTesting(&Gate::AtChunkThree, &gate);
        ASSERT_EQ(jobs_.Pack(pack_.c_str(), P("data\\set1\\sub").c_str(), "z.bin", kPassword, true), 0);
        gate.WaitHeld();
        // Appending: 50 + (4 + 1) x 50 / (N + 1), the container's N KiB being over 250.
        EXPECT_EQ(app_.GetProgress(nullptr), 50);
        EXPECT_GT(PackLength(), original.size());
        // The job's own container is the one new file in the working folder.
        std::vector<fs::DirEntry> work;
        ASSERT_TRUE(fs::ListFolder(P("work"), &work));
        ASSERT_EQ(work.size(), 1u);
        std::string native = P("work") + "\\" + work[0].name;
        std::replace(native.begin(), native.end(), '\\', '/');
        const int truncated = ::truncate(native.c_str(), 2048);
        gate.Release();
        ASSERT_EQ(truncated, 0);
        EXPECT_EQ(RunToEnd(0), PACKERR_FILE_IO);
        app_.SetChunkHookForTesting(nullptr, nullptr);
        EXPECT_TRUE(ReadAll(pack_) == original);
        EXPECT_EQ(Enum().size(), 1u);
    }
}
#endif

// A file at the published container's name, a user's or another process's
// job's, held or not: a compressed Pack, PackPartFolder or discarding
// PreCompress neither empties nor deletes it, their entries hold only their
// own records, and no work file of theirs stays in the working folder.
TEST_F(PackJobsTest, AFileAtTheContainersNameIsNeverTouched) {
    MakeTree();
    const std::string container = jobs_.PreCompressFilePath();
    static const char excluded[] = "x.txt\0";
    struct Case {
        const char* what;
        std::function<int()> start;
        const char* entry;  // the new entry, or null for pre-compression
        int records;
    };
    const Case cases[] = {
        {"Pack of a file", [this] { return jobs_.Pack(pack_.c_str(), P("src").c_str(), "a\\b.txt", kPassword, true); },
         "a\\b.txt.cmp", 1},
        {"Pack of a folder", [this] { return jobs_.Pack(pack_.c_str(), P("data\\set1").c_str(), "", kPassword, true); },
         "set1.cmp", 4},
        {"PackPartFolder",
         [this] { return jobs_.PackPartFolder(pack_.c_str(), P("data\\set1").c_str(), excluded, 1, kPassword, true); },
         "set1.cmp", 3},
        {"discarding PreCompress",
         [this] { return jobs_.PreCompress(P("src").c_str(), "a\\b.txt", nullptr, 0, true); }, nullptr, 0},
    };
    for (const Case& c : cases) {
        for (bool held : {false, true}) {
            SCOPED_TRACE(::testing::Message() << c.what << (held ? ", held" : ""));
            ASSERT_EQ(NewPack(true), 0);
            ASSERT_TRUE(WriteWholeFile(container, "the user's own kabbit.cmp"));
            fs::File holder;
            if (held) {
                holder = fs::File::Open(container, fs::Access::Read, fs::Disposition::OpenExisting, fs::Share::Read);
                ASSERT_TRUE(holder.IsOpen());
            }
            const int started = c.start();
            EXPECT_EQ(RunToEnd(started), PACKPROGRESS_DONE);
            holder.Close();
            EXPECT_EQ(ReadAll(container), "the user's own kabbit.cmp");
            std::vector<fs::DirEntry> work;
            ASSERT_TRUE(fs::ListFolder(P("work"), &work));
            EXPECT_EQ(work.size(), 1u);
            if (c.entry) {
                char names[256];
                uint32_t sizes[8];
                EXPECT_EQ(app_.EnumFilesInZipPkg(pack_.c_str(), c.entry, names, sizeof names, sizes, sizeof sizes,
                                                 kPassword),
                          c.records);
            }
        }
    }
}

// Listing a container entry copies it under its name into the working folder:
// the folder made for the copy goes with it, a user's empty folder of that name
// stays.
TEST_F(PackJobsTest, ListingAContainerKeepsAUsersEmptyFolderOfTheEntrysName) {
    MakeTree();
    ASSERT_EQ(NewPack(true), 0);
    ASSERT_EQ(RunToEnd(jobs_.Pack(pack_.c_str(), P("src").c_str(), "a\\b.txt", kPassword, true)), PACKPROGRESS_DONE);
    for (bool users : {false, true}) {
        SCOPED_TRACE(users ? "the user's empty folder" : "no folder before");
        if (users) {
            ASSERT_TRUE(fs::CreateFolder(P("work\\a")));
        }
        char names[256];
        uint32_t sizes[8];
        EXPECT_EQ(app_.EnumFilesInZipPkg(pack_.c_str(), "a\\b.txt.cmp", names, sizeof names, sizes, sizeof sizes,
                                         kPassword),
                  1);
        EXPECT_EQ(fs::FolderExists(P("work\\a")), users);
        EXPECT_FALSE(fs::Exists(P("work\\a\\b.txt.cmp")));
    }
}

// The published name is never a pack or a source of a job, however spelled.
TEST_F(PackJobsTest, TheContainersNameIsRefusedAsAPackOrASource) {
    MakeTree();
    ASSERT_EQ(NewPack(true), 0);
    const std::string container = jobs_.PreCompressFilePath();
    ASSERT_TRUE(fs::CopyToNewFile(pack_, container));
    const std::string image = ReadAll(container);
    const std::string spellings[] = {container, P("work") + "\\.\\kabbit.cmp", P("work\\..\\work") + "\\kabbit.cmp"};
    for (const std::string& spelling : spellings) {
        SCOPED_TRACE(spelling);
        EXPECT_EQ(jobs_.Pack(spelling.c_str(), P("src").c_str(), "b.txt", kPassword, true), PACKERR_OPEN_PACKED_FILE);
        EXPECT_EQ(jobs_.Pack(spelling.c_str(), P("data\\set1").c_str(), "", kPassword, true),
                  PACKERR_OPEN_PACKED_FILE);
        EXPECT_EQ(jobs_.PackPartFolder(spelling.c_str(), P("data\\set1").c_str(), nullptr, 0, kPassword, true),
                  PACKERR_OPEN_PACKED_FILE);
        const std::string folder = spelling.substr(0, spelling.size() - std::strlen("kabbit.cmp"));
        EXPECT_EQ(jobs_.Pack(pack_.c_str(), folder.c_str(), "kabbit.cmp", kPassword, true), PACKERR_OPEN_SOURCE_FILE);
        EXPECT_EQ(jobs_.PreCompress(folder.c_str(), "kabbit.cmp", nullptr, 0, false), PACKERR_OPEN_SOURCE_FILE);
        EXPECT_TRUE(ReadAll(container) == image);
    }
    std::vector<fs::DirEntry> work;
    ASSERT_TRUE(fs::ListFolder(P("work"), &work));
    EXPECT_EQ(work.size(), 1u);
}

TEST_F(PackJobsTest, StopFromFiftyOnIsRefusedAndTheEntryCompleted) {
    MakeTree();
    ASSERT_EQ(NewPack(false), 0);
    Gate gate;
    jobs_.SetProgressHookForTesting(
        [](void* ctx, int p) {
            if (p > 50 && p <= 100) static_cast<Gate*>(ctx)->Hold(p);  // the append phase
        },
        &gate);
    ASSERT_EQ(jobs_.Pack(pack_.c_str(), P("src").c_str(), "b.txt", kPassword, true), 0);
    gate.WaitHeld();
    EXPECT_FALSE(app_.Stop(0x78));
    gate.Release();
    EXPECT_EQ(RunToEnd(0), PACKPROGRESS_DONE);
    jobs_.SetProgressHookForTesting(nullptr, nullptr);
    ASSERT_EQ(Enum().size(), 1u);
    EXPECT_EQ(Enum()[0].name, "b.txt.cmp");
    EXPECT_EQ(sys_.Posts().size(), 1u);
}

TEST_F(PackJobsTest, PlainPackIgnoresStopAndReportsIt) {
    MakeTree();
    ASSERT_EQ(NewPack(true), 0);
    Gate gate;
    jobs_.SetProgressHookForTesting([](void* ctx, int p) { static_cast<Gate*>(ctx)->Hold(p); }, &gate);
    ASSERT_EQ(jobs_.Pack(pack_.c_str(), P("src").c_str(), "b.txt", kPassword, false), 0);
    gate.WaitHeld();
    EXPECT_FALSE(app_.Stop(0x79));
    gate.Release();
    EXPECT_EQ(RunToEnd(0), 100);
    jobs_.SetProgressHookForTesting(nullptr, nullptr);
    ASSERT_EQ(Enum().size(), 1u);
    EXPECT_EQ(sys_.Posts(), (std::vector<std::pair<uintptr_t, uint32_t>>{{0x79, 0x52C}}));
}

TEST_F(PackJobsTest, ForceFlagSkipsALockedFileAndListsIt) {
    MakeTree();
    ASSERT_EQ(NewPack(true), 0);
    const std::string locked = P("data\\set1\\x.txt");
    fs::File lock = fs::File::Open(locked, fs::Access::ReadWrite, fs::Disposition::OpenExisting, fs::Share::None);
    ASSERT_TRUE(lock.IsOpen());

    // Without the flag the job fails and the pack stays as it was.
    EXPECT_EQ(jobs_.ForceCompleteCompress(false), 0);
    const std::string original = ReadAll(pack_);
    EXPECT_EQ(RunToEnd(jobs_.Pack(pack_.c_str(), P("data\\set1").c_str(), "", kPassword, true)),
              PACKERR_OPEN_SOURCE_FILE);
    EXPECT_TRUE(ReadAll(pack_) == original);

    EXPECT_EQ(jobs_.ForceCompleteCompress(true), 1);
    ASSERT_EQ(RunToEnd(jobs_.Pack(pack_.c_str(), P("data\\set1").c_str(), "", kPassword, true)), PACKPROGRESS_DONE);
    char names[512];
    std::memset(names, 0x55, sizeof names);
    const size_t needed = locked.size() + 2;
    EXPECT_EQ(jobs_.GetErrorFileNames(names, static_cast<int>(needed - 1)), PACKERR_NAME_BUFFER_OVERFLOW);
    ASSERT_EQ(jobs_.GetErrorFileNames(names, static_cast<int>(needed)), 0);
    EXPECT_EQ(std::string(names, needed), locked + '\0' + '\0');
    EXPECT_EQ(static_cast<unsigned char>(names[needed]), 0x55);
    ASSERT_EQ(jobs_.GetErrorFileNames(names, sizeof names), 0);  // the list is kept
    EXPECT_EQ(std::string(names), locked);

    lock.Close();
    const std::string out = P("out");
    ASSERT_TRUE(fs::CreateFolder(out));
    ExpandEntry("set1.cmp", out);
    EXPECT_FALSE(fs::Exists(out + "\\set1\\x.txt"));
    ExpectSameFile(P("data\\set1\\sub\\z.bin"), out + "\\set1\\sub\\z.bin");

    // With the flag cleared the list is emptied and the buffer left alone.
    EXPECT_EQ(jobs_.ForceCompleteCompress(false), 0);
    std::memset(names, 0x55, sizeof names);
    EXPECT_EQ(jobs_.GetErrorFileNames(names, sizeof names), 0);
    EXPECT_EQ(static_cast<unsigned char>(names[0]), 0x55);
    EXPECT_EQ(jobs_.ForceCompleteCompress(true), 1);
    EXPECT_EQ(jobs_.GetErrorFileNames(names, 1), 0);
    EXPECT_EQ(names[0], '\0');
    jobs_.ForceCompleteCompress(false);
}

TEST_F(PackJobsTest, PreCompress) {
    MakeTree();
    char name[kPathBufferSize];
    jobs_.GetPreCompressFileName(name);
    EXPECT_EQ(std::string(name), P("work") + "\\kabbit.cmp");
    CFileCodec codec;

    EXPECT_EQ(jobs_.PreCompress("", "b.txt", nullptr, 0, false), 0);
    EXPECT_FALSE(fs::Exists(name));

    ASSERT_EQ(RunToEnd(jobs_.PreCompress(P("src").c_str(), "a\\b.txt", nullptr, 0, false)), PACKPROGRESS_DONE);
    EXPECT_EQ(codec.CountZipPkgRecords(name), 1);

    static const char excluded[] = "x.txt\0";
    ASSERT_EQ(RunToEnd(jobs_.PreCompress(P("data\\set1\\").c_str(), "", excluded, 1, false)), PACKPROGRESS_DONE);
    EXPECT_EQ(codec.CountZipPkgRecords(name), 3);  // replaced, not appended to
    const std::string out = P("out");
    ASSERT_TRUE(fs::CreateFolder(out));
    ASSERT_EQ(codec.ExpandZipPkg(name, out, {}), 0);
    ExpectSameFile(P("data\\set1\\sub\\z.bin"), out + "\\set1\\sub\\z.bin");
    EXPECT_FALSE(fs::Exists(out + "\\set1\\x.txt"));

    // A discarding job leaves the kept container alone.
    const std::string kept = ReadAll(name);
    EXPECT_EQ(jobs_.PreCompress(P("src").c_str(), "b.txt", nullptr, 0, true), 0);
    EXPECT_TRUE(ReadAll(name) == kept);
    // Wait and discard reports what the job met.
    EXPECT_EQ(jobs_.PreCompress(P("src").c_str(), "none.txt", nullptr, 0, true), PACKERR_OPEN_SOURCE_FILE);
    EXPECT_EQ(jobs_.PreCompress(P("src").c_str(), std::string(251, 'n').c_str(), nullptr, 0, false),
              PACKERR_FILE_NAME_TOO_LONG);
    EXPECT_EQ(jobs_.PreCompress(P("src").c_str(), "..\\src\\b.txt", nullptr, 0, false), PACKERR_INVALID_PARAMETER);
}

TEST_F(PackJobsTest, WorkingFolderTooLongForTheContainer) {
    MakeTree();
    ASSERT_EQ(NewPack(false), 0);
    const std::string longFolder = std::string("C:\\") + std::string(250, 'w') + "\\";  // 254 characters
    app_.SetWorkingDir(longFolder.c_str());
    char name[kPathBufferSize + 8];
    std::memset(name, 0x55, sizeof name);
    jobs_.GetPreCompressFileName(name);
    EXPECT_EQ(name[259], '\0');
    EXPECT_EQ(std::string(name), (longFolder + "kabbit.cmp").substr(0, 259));
    EXPECT_EQ(static_cast<unsigned char>(name[260]), 0x55);
    EXPECT_EQ(jobs_.Pack(pack_.c_str(), P("src").c_str(), "b.txt", kPassword, true), PACKERR_PATH_TOO_LONG);
    EXPECT_EQ(jobs_.PreCompress(P("src").c_str(), "b.txt", nullptr, 0, false), PACKERR_PATH_TOO_LONG);
    // Plain entries need no container.
    EXPECT_EQ(RunToEnd(jobs_.Pack(pack_.c_str(), P("src").c_str(), "b.txt", kPassword, false)), PACKPROGRESS_DONE);
}

// The archive library codes buffers synchronously while the loader may be
// exporting: a running job's key must not change under it.
TEST_F(PackJobsTest, SynchronousBufferJobLeavesARunningJobsKeyAlone) {
    MakeTree();
    MakeFile(P("src\\long.bin"), Pattern(16 * 1024, 6));
    CBufferJobs& buffers = app_.Buffers();
    ASSERT_EQ(NewPack(true), 0);
    auto codeBufferAtChunkTwo = [&](auto start) {
        Gate gate;
        app_.SetChunkHookForTesting(
            [](void* ctx, uint32_t chunk) {
                if (chunk == 2) static_cast<Gate*>(ctx)->Hold(static_cast<int>(chunk));
            },
            &gate);
        ASSERT_EQ(start(), 0);
        gate.WaitHeld();
        std::string buffer = Pattern(5000, 7);
        EXPECT_EQ(buffers.Code(buffer.data(), 5000, "another-password", 16, true), 0);
        gate.Release();
        EXPECT_EQ(RunToEnd(0), PACKPROGRESS_DONE);
        app_.SetChunkHookForTesting(nullptr, nullptr);
    };
    codeBufferAtChunkTwo([&] { return jobs_.Pack(pack_.c_str(), P("src").c_str(), "long.bin", kPassword, false); });
    const std::string out = P("out");
    ASSERT_TRUE(fs::CreateFolder(out));
    codeBufferAtChunkTwo([&] { return app_.UnPack(pack_.c_str(), out.c_str(), "long.bin", kPassword); });
    EXPECT_TRUE(ReadAll(out + "\\long.bin") == ReadAll(P("src\\long.bin")));
}

TEST_F(PackJobsTest, NoThreadLeavesThePackAsItWas) {
    MakeTree();
    ASSERT_EQ(NewPack(true), 0);
    const std::string original = ReadAll(pack_);
    struct RefusingSys : TestSys {
        std::unique_ptr<sys::Thread> StartThread(sys::ThreadBody, void*) override { return nullptr; }
    };
    RefusingSys refusing;
    CKabbitApp app(refusing);
    CPackJobs& jobs = app.Packing();
    app.SetWorkingDir((P("work") + "\\").c_str());
    EXPECT_EQ(jobs.Pack(pack_.c_str(), P("src").c_str(), "b.txt", kPassword, false), PACKERR_CREATE_THREAD);
    EXPECT_EQ(app.GetProgress(nullptr), PACKERR_CREATE_THREAD);
    EXPECT_EQ(jobs.Pack(pack_.c_str(), P("src").c_str(), "b.txt", kPassword, true), PACKERR_CREATE_THREAD);
    EXPECT_TRUE(ReadAll(pack_) == original);
}

}  // namespace
}  // namespace kb::pack
