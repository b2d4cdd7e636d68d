// UnPack of plain entries: bytes, times and attributes over plain and encrypted
// packs; names that would leave the destination; stop, progress and the one-job
// rule through the per-chunk hook; a worker that cannot be started.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "frame_test_support.h"
#include "testing/builders/pack_builder.h"
#include "packlib/kabbit_app.h"
#include "packlib/pack_format.h"
#include "packlib/tests/zip_test_support.h"
#include "shared/pack_errors.h"
#include "testing/kit/hold_point.h"

namespace kb::pack {
namespace {

using testing::BuilderEntry;
using testing::PackBuilder;

// The fixture of the container tests: a fresh folder with an output folder in
// it and a controller, with WritePack and RunToEnd.
class Unpack : public ziptest::ZipTest {};

BuilderEntry Entry(const std::string& name, const std::string& data, uint32_t attributes) {
    BuilderEntry e;
    e.name = name;
    e.data = data;
    e.attributes = attributes;
    return e;
}

TEST_F(Unpack, MatrixOfPackKindsAndEntries) {
    struct Kind {
        const char* what;
        bool encrypted;
        uint8_t rounds;
    } kinds[] = {{"plain", false, 0}, {"R = 1", true, 1}, {"R = 255", true, 255}};
    struct Target {
        const char* name;
        size_t size;
        uint32_t attributes;
    } targets[] = {{"a.txt", 3000, 0x20}, {"sub\\b.txt", 2048, 0x21}, {"c.bin", 200 * 1024 + 5, 0x20}};
    for (const auto& k : kinds) {
        PackBuilder b;
        if (k.encrypted) b.Encrypted(k.rounds, k.rounds);
        // An entry before them, so that they are coded with entry indexes 1 and 2.
        b.Add("first.bin", testing::Pattern(1500, 9));
        for (const auto& t : targets) b.Add(Entry(t.name, testing::Pattern(t.size, t.size), t.attributes));
        const std::string pack = WritePack(b);
        for (const auto& t : targets) {
            SCOPED_TRACE(std::string(k.what) + " " + t.name);
            ASSERT_EQ(RunToEnd(pack, t.name), PACKPROGRESS_DONE);
            const std::string path = out + "\\" + t.name;
            EXPECT_EQ(testing::ReadAll(path), testing::Pattern(t.size, t.size));
            fs::FileTimes times;
            ASSERT_TRUE(fs::GetTimes(path, &times));
            EXPECT_EQ(times.lastWrite, testing::kLastWriteTime);
#ifndef _WIN32
            // Wine keeps no creation time of its own; the native seam does.
            EXPECT_EQ(times.creation, testing::kCreationTime);
#endif
            uint32_t attributes = 0;
            ASSERT_TRUE(fs::GetAttributes(path, &attributes));
            EXPECT_EQ(attributes & fs::kAttrSettable, t.attributes);
            fs::SetAttributes(path, 0);
            fs::RemoveFile(path);
        }
    }
}

TEST_F(Unpack, NamesMatchWithoutRegardToTheCaseOfLetters) {
    const std::string pack = WritePack(PackBuilder().Add("Sub\\Read Me.TXT", "hi"));
    ASSERT_EQ(RunToEnd(pack, "sub\\read me.txt"), PACKPROGRESS_DONE);
    EXPECT_EQ(testing::ReadAll(out + "\\sub\\read me.txt"), "hi");
}

TEST_F(Unpack, EmptyEntryAndLeadingBackslash) {
    const std::string pack = WritePack(PackBuilder().Add("empty.txt", "").Add("\\lead.txt", "L"));
    EXPECT_EQ(RunToEnd(pack, "empty.txt"), PACKPROGRESS_DONE);
    EXPECT_EQ(testing::ReadAll(out + "\\empty.txt"), "");
    EXPECT_EQ(RunToEnd(pack, "\\lead.txt"), PACKPROGRESS_DONE);
    EXPECT_EQ(testing::ReadAll(out + "\\lead.txt"), "L");
}

TEST_F(Unpack, EarlyFailuresCreateNothing) {
    BuilderEntry compressed;
    compressed.name = "set.cmp";
    compressed.data = "container";
    compressed.compressed = true;
    const std::string pack = WritePack(PackBuilder().Encrypted(4).Add("a.txt", "x").Add(compressed));
    const std::string headerOnly = WritePack(PackBuilder(), "h.pck");
    const std::string pw255(255, 'k');
    const std::string long255 = WritePack(PackBuilder(pw255).Encrypted(8).Add("a.txt", "y"), "l.pck");
    const std::string pw6 = "sixsix";
    const std::string six = WritePack(PackBuilder(pw6).Add("a.txt", "z"), "s.pck");
    struct Case {
        std::string pack;
        std::string entry;
        std::string password;
        int result;
    } cases[] = {
        {pack, "zzz", "secret1", PACKERR_FILE_NOT_FOUND},
        {headerOnly, "a.txt", "secret1", PACKERR_FILE_NOT_FOUND},
        {pack, "a.txt", "12345", PACKERR_PASSWORD_TOO_SHORT},
        {pack, "a.txt", std::string(256, 'k'), PACKERR_PASSWORD_TOO_LONG},
        {pack, "a.txt", "secret2", PACKERR_WRONG_PASSWORD},
        {dir / "none.pck", "a.txt", "secret1", PACKERR_OPEN_PACKED_FILE},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(app.UnPack(c.pack.c_str(), out.c_str(), c.entry.c_str(), c.password.c_str()), c.result)
            << c.entry << " " << c.password.size();
        EXPECT_TRUE(testing::Listing(out).empty());
    }
    EXPECT_EQ(RunToEnd(long255, "a.txt", pw255.c_str()), PACKPROGRESS_DONE);
    EXPECT_EQ(RunToEnd(six, "a.txt", pw6.c_str()), PACKPROGRESS_DONE);
    EXPECT_EQ(testing::ReadAll(out + "\\a.txt"), "z");
}

TEST_F(Unpack, NamesThatLeaveTheDestinationTouchNothing) {
    // The pack holds entries under exactly these names, so only the name check
    // stands between them and the disk.
    const char* hostile[] = {"..\\evil.txt",  "sub\\..\\..\\evil.txt", "../evil.txt",     "sub/../../evil.txt",
                             "..",            ".",                     "C:evil.txt",      "C:\\evil.txt",
                             "\\\\srv\\evil", "//srv/evil",            "\\..\\evil.txt",  "a:stream",
                             "sub\\\\x.txt",  "sub\\",                 ". .\\evil.txt",   ""};
    PackBuilder b;
    for (const char* n : hostile)
        if (*n) b.Add(n, "evil");
    const std::string pack = WritePack(b);
    const std::string deep = out + "\\d1";
    ASSERT_TRUE(fs::CreateFolder(deep));
    for (const char* n : hostile) {
        EXPECT_EQ(app.UnPack(pack.c_str(), deep.c_str(), n, "secret1"), PACKERR_INVALID_PARAMETER) << n;
        EXPECT_EQ(app.GetProgress(nullptr), 0) << n;
    }
    EXPECT_TRUE(testing::Listing(deep).empty());
    EXPECT_EQ(testing::Listing(out), (std::vector<std::string>{"d1"}));
    EXPECT_EQ(testing::Listing(dir.path()), (std::vector<std::string>{"out", "p.pck"}));
    // No destination at all would mean the root of the drive.
    EXPECT_EQ(app.UnPack(pack.c_str(), "", "x.txt", "secret1"), PACKERR_INVALID_PARAMETER);
}

TEST_F(Unpack, PathTooLongAndUnwritableDestination) {
    const std::string pack = WritePack(PackBuilder().Add("a.txt", "x").Add(std::string(250, 'n'), "y"));
    EXPECT_EQ(app.UnPack(pack.c_str(), out.c_str(), std::string(250, 'n').c_str(), "secret1"),
              PACKERR_PATH_TOO_LONG);
    EXPECT_EQ(app.UnPack(pack.c_str(), (out + "\\missing").c_str(), "a.txt", "secret1"),
              PACKERR_OPEN_DESTINATION_FILE);
    EXPECT_TRUE(testing::Listing(out).empty());
}

TEST_F(Unpack, DamagedEntryFailsTheJobAndTheErrorSticks) {
    PackBuilder b;
    b.Add("a.txt", std::string(5000, 'a'));
    const std::string full = b.Bytes();
    struct Case {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"data cut short", full.substr(0, full.size() - 32 - 100)},
        {"no trailer", full.substr(0, full.size() - 32)},
    };
    for (const auto& c : cases) {
        const std::string pack = dir / "d.pck";
        ASSERT_TRUE(testing::WriteWholeFile(pack, c.bytes));
        EXPECT_EQ(RunToEnd(pack, "a.txt"), PACKERR_FILE_IO) << c.what;
        // Nothing of a file that could not be written whole stays.
        EXPECT_TRUE(testing::Listing(out).empty()) << c.what;
        char name[260] = "junk";
        EXPECT_EQ(app.GetProgress(name), PACKERR_FILE_IO) << c.what;
        EXPECT_STREQ(name, "") << c.what;
    }
    // The next job clears it.
    const std::string good = WritePack(PackBuilder().Add("g.txt", "g"), "g.pck");
    EXPECT_EQ(RunToEnd(good, "g.txt"), PACKPROGRESS_DONE);
}

// Notes the progress after every chunk and holds the worker at a chosen one
// until the test lets it go.
struct Gate : kb::testing::HoldPoint {
    uint32_t holdAt = UINT32_MAX;
    std::vector<int> progress;  // read once the worker has ended
    CKabbitApp* app = nullptr;

    static void Hook(void* self, uint32_t chunk) {
        auto* g = static_cast<Gate*>(self);
        g->progress.push_back(g->app->GetProgress(nullptr));
        if (chunk == g->holdAt) g->Hold();
    }
};

TEST_F(Unpack, ProgressRunsPerChunkAndEndsAtDone) {
    Gate gate;
    gate.app = &app;
    app.SetChunkHookForTesting(&Gate::Hook, &gate);
    const std::string pack = WritePack(PackBuilder().Encrypted(2).Add("a.txt", std::string(10 * 1024 + 10, 'x')));
    ASSERT_EQ(RunToEnd(pack, "a.txt"), PACKPROGRESS_DONE);
    app.SetChunkHookForTesting(nullptr, nullptr);
    // N = 10; after chunk k (m = k + 1 whole KiB, the last one partial): (m + 1) x 100 / 11.
    EXPECT_EQ(gate.progress, (std::vector<int>{18, 27, 36, 45, 54, 63, 72, 81, 90, 100, 100}));
}

TEST_F(Unpack, StopRemovesThePartialOutputAndPostsOnce) {
    Gate gate;
    gate.app = &app;
    gate.holdAt = 3;
    app.SetChunkHookForTesting(&Gate::Hook, &gate);
    const std::string pack = WritePack(PackBuilder().Add("sub\\a.txt", std::string(10 * 1024, 'x')));
    ASSERT_EQ(app.UnPack(pack.c_str(), out.c_str(), "sub\\a.txt", "secret1"), 0);
    gate.WaitHeld();
    EXPECT_TRUE(app.Stop(0x1234));
    gate.Release();
    app.WaitForWorker();
    app.SetChunkHookForTesting(nullptr, nullptr);
    EXPECT_EQ(app.GetProgress(nullptr), 45);  // (4 + 1) x 100 / 11, where the stop caught it
    EXPECT_FALSE(fs::Exists(out + "\\sub\\a.txt"));
    EXPECT_EQ(sys.Posts(), (std::vector<std::pair<uintptr_t, uint32_t>>{{0x1234, WM_PACK_STOPPED}}));
    EXPECT_EQ(gate.progress.size(), 4u);  // no chunk after the stop
}

TEST_F(Unpack, StopAfterTheEndIsRefusedAndPostsNothing) {
    const std::string pack = WritePack(PackBuilder().Add("a.txt", "x"));
    ASSERT_EQ(RunToEnd(pack, "a.txt"), PACKPROGRESS_DONE);
    EXPECT_FALSE(app.Stop(0x99));
    EXPECT_TRUE(sys.Posts().empty());
}

TEST_F(Unpack, SecondJobWaitsForTheFirstWorker) {
    Gate gate;
    gate.app = &app;
    gate.holdAt = 0;
    app.SetChunkHookForTesting(&Gate::Hook, &gate);
    const std::string pack = WritePack(PackBuilder().Add("a.txt", std::string(3000, 'a')).Add("b.txt", "b"));
    ASSERT_EQ(app.UnPack(pack.c_str(), out.c_str(), "a.txt", "secret1"), 0);
    gate.WaitHeld();
    std::atomic<bool> secondReturned{false};
    std::thread second([&] {
        EXPECT_EQ(app.UnPack(pack.c_str(), out.c_str(), "b.txt", "secret1"), 0);
        secondReturned = true;
    });
    // Gives a wrong implementation the chance to return early; a right one never can.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(secondReturned);
    gate.Release();
    second.join();
    app.WaitForWorker();
    app.SetChunkHookForTesting(nullptr, nullptr);
    EXPECT_EQ(testing::ReadAll(out + "\\a.txt"), std::string(3000, 'a'));
    EXPECT_EQ(testing::ReadAll(out + "\\b.txt"), "b");
}

TEST_F(Unpack, WorkerThatCannotStartLeavesNothing) {
    sys.failThreads = true;
    const std::string pack = WritePack(PackBuilder().Add("sub\\deep\\a.txt", "x"));
    EXPECT_EQ(app.UnPack(pack.c_str(), out.c_str(), "sub\\deep\\a.txt", "secret1"), PACKERR_CREATE_THREAD);
    EXPECT_EQ(app.GetProgress(nullptr), PACKERR_CREATE_THREAD);
    EXPECT_TRUE(testing::Listing(out).empty());
}

}  // namespace
}  // namespace kb::pack
