// The entry index of a pack: an unpack through it gives what the walk from the
// first entry gives, on sound, damaged and changed packs; appends keep it; the
// data key kept between jobs; a plain entry replaces an existing file only once
// it is complete.
#include <gtest/gtest.h>

#include <algorithm>

#include "frame_test_support.h"
#include "packlib/kabbit_app.h"
#include "packlib/pack_index.h"
#include "packlib/tests/zip_test_support.h"
#include "shared/pack_errors.h"
#include "testing/builders/pack_builder.h"
#include "testing/kit/hold_point.h"

namespace kb::pack {
namespace {

using testing::BuilderEntry;
using testing::PackBuilder;

// Far after any file's times: every stamp counts as settled.
uint64_t LateClock() { return ~0ull >> 2; }
// Before them: none does.
uint64_t EarlyClock() { return 1; }
// A stamp that never moves, so that only the check of each hit can see a change.
void FrozenStamp(fs::FileStamp& stamp) {
    stamp.lastWrite = 1ull << 58;
    stamp.change = 1ull << 58;
}

class PackIndexTest : public ziptest::ZipTest {
protected:
    void SetUp() override {
        ziptest::ZipTest::SetUp();
        previousClock_ = SetPackStampClockForTesting(&LateClock);
    }
    void TearDown() override {
        ziptest::ZipTest::TearDown();
        SetPackStampClockForTesting(previousClock_);
        SetPackStampViewForTesting(nullptr);
        SetPackIndexEnabledForTesting(true);
    }

    // Everything an unpack shows: its result, its final progress and the files
    // it left, with their bytes, last-write times and attributes.
    std::string Outcome(const std::string& pack, const std::string& name, const char* password = "secret1") {
        const int r = app.UnPack(pack.c_str(), out.c_str(), name.c_str(), password);
        app.WaitForWorker();
        std::string s = name + ": " + std::to_string(r) + " / " + std::to_string(app.GetProgress(nullptr));
        Describe(out, "", &s);
        return s;
    }
    void Describe(const std::string& folder, const std::string& prefix, std::string* s) {
        for (const std::string& n : testing::Listing(folder)) {
            const std::string path = folder + "\\" + n;
            uint32_t attributes = 0;
            fs::GetAttributes(path, &attributes);
            if (attributes & fs::kAttrDirectory) {
                Describe(path, prefix + n + "\\", s);
                continue;
            }
            fs::FileTimes times;
            fs::GetTimes(path, &times);
            *s += " | " + prefix + n + "=" + testing::ReadAll(path) + " t" + std::to_string(times.lastWrite) + " a" +
                  std::to_string(attributes & fs::kAttrSettable);
        }
    }
    void ClearOut() {
        for (const std::string& n : testing::Listing(out)) {
            fs::SetAttributes(out + "\\" + n, 0);
            fs::RemoveTree(out + "\\" + n);
            fs::RemoveFile(out + "\\" + n);
        }
    }

    PackStampClock previousClock_ = nullptr;
};

BuilderEntry Entry(const std::string& name, const std::string& data, uint32_t attributes = 0x20) {
    BuilderEntry e;
    e.name = name;
    e.data = data;
    e.attributes = attributes;
    return e;
}

// A step of a case: unpack name, or change the pack on disc first.
struct Step {
    Step(const char* n) : name(n) {}  // NOLINT: a bare name is a step
    Step(const char* n, std::string bytes) : name(n), newBytes(std::move(bytes)) {}
    std::string name;
    std::string newBytes;  // when not empty: the pack becomes these bytes before the unpack
};

TEST_F(PackIndexTest, UnpackThroughTheIndexGivesWhatTheWalkGives) {
    // Whether an error comes back from the call or only from the job's end must not
    // depend on the machine's load: both sides of every comparison see the start's.
    sys.workersEndWithinBoundedWaits = true;
    PackBuilder sound;
    sound.Encrypted(3)
        .Add("a.txt", std::string(3000, 'a'))
        .Add(Entry("sub\\b.txt", std::string(70 * 1024, 'b'), 0x21))
        .Add("A.TXT", "later duplicate")
        .Add("c.txt", "c");
    const std::string soundBytes = sound.Bytes();

    // Damage after b: c's entry lies beyond a name length the walk refuses.
    PackBuilder damaged = sound;
    {
        BuilderEntry bad = Entry("d.txt", "d");
        bad.nameLength = 300;
        damaged.Add(bad).Add("e.txt", "e");
    }
    // Cut inside the last entry's data.
    const std::string cut = soundBytes.substr(0, soundBytes.size() - 20);

    // The same size, other entries at the same offsets: a.txt's place holds x.txt.
    PackBuilder swapped;
    swapped.Encrypted(3)
        .Add("x.txt", std::string(3000, 'x'))
        .Add(Entry("sub\\b.txt", std::string(70 * 1024, 'B'), 0x21))
        .Add("a.txt", "later duplicate")
        .Add("c.txt", "C");
    ASSERT_EQ(swapped.Bytes().size(), soundBytes.size());

    struct Case {
        const char* what;
        std::string bytes;
        std::vector<Step> steps;
        bool frozenStamp = false;
        bool unsettledAfterChange = false;  // no index may be built again once the pack changed
    } cases[] = {
        {"sound", soundBytes, {{"a.txt"}, {"sub\\b.txt"}, {"c.txt"}, {"a.TxT"}, {"missing.txt"}, {"c.txt"}}},
        {"damaged name length", damaged.Bytes(), {{"c.txt"}, {"e.txt"}, {"a.txt"}, {"missing.txt"}, {"d.txt"}}},
        {"cut short", cut, {{"a.txt"}, {"c.txt"}, {"sub\\b.txt"}, {"missing.txt"}}},
        {"changed between unpacks",
         soundBytes,
         {{"a.txt"}, {"c.txt", swapped.Bytes()}, {"a.txt"}, {"x.txt"}, {"c.txt", soundBytes}, {"x.txt"}}},
        {"changed, stamp frozen",
         soundBytes,
         {{"a.txt"}, {"sub\\b.txt"}, {"a.txt", swapped.Bytes()}, {"c.txt"}, {"sub\\b.txt"}, {"x.txt"}},
         true},
        {"changed, stamp frozen, then unsettled",
         soundBytes,
         {{"a.txt"}, {"sub\\b.txt", swapped.Bytes()}, {"a.txt"}, {"c.txt"}, {"x.txt"}},
         true,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> outcomes[2];
        uint64_t walks[2] = {};
        for (int cached = 0; cached < 2; ++cached) {
            SetPackIndexEnabledForTesting(cached == 1);
            SetPackStampViewForTesting(c.frozenStamp ? &FrozenStamp : nullptr);
            SetPackStampClockForTesting(&LateClock);
            const std::string pack = dir / "t.pck";
            ASSERT_TRUE(testing::WriteWholeFile(pack, c.bytes));
            const uint64_t before = PackWalksForTesting();
            for (const Step& step : c.steps) {
                if (!step.newBytes.empty()) {
                    ASSERT_TRUE(testing::WriteWholeFile(pack, step.newBytes));
                    if (c.unsettledAfterChange) SetPackStampClockForTesting(&EarlyClock);
                }
                outcomes[cached].push_back(Outcome(pack, step.name));
                ClearOut();
            }
            walks[cached] = PackWalksForTesting() - before;
        }
        EXPECT_EQ(outcomes[1], outcomes[0]);
        if (std::string(c.what) == "sound") {
            EXPECT_EQ(walks[0], c.steps.size());
            EXPECT_EQ(walks[1], 1u);  // one walk builds the index; it answers the rest
        }
    }
}

TEST_F(PackIndexTest, AStampThatDoesNotVouchForTheFileKeepsNoIndex) {
    const std::string pack = WritePack(PackBuilder().Add("a.txt", "a").Add("b.txt", "b"));
    SetPackStampClockForTesting(nullptr);  // the real clock: the pack was written just now
    const uint64_t before = PackWalksForTesting();
    EXPECT_EQ(RunToEnd(pack, "b.txt"), PACKPROGRESS_DONE);
    EXPECT_EQ(RunToEnd(pack, "a.txt"), PACKPROGRESS_DONE);
    EXPECT_EQ(PackWalksForTesting() - before, 2u);
    // A volume that keeps no change time.
    SetPackStampClockForTesting(&LateClock);
    SetPackStampViewForTesting([](fs::FileStamp& s) { s.change = 0; });
    EXPECT_EQ(RunToEnd(pack, "b.txt"), PACKPROGRESS_DONE);
    EXPECT_EQ(RunToEnd(pack, "a.txt"), PACKPROGRESS_DONE);
    EXPECT_EQ(PackWalksForTesting() - before, 4u);
}

TEST_F(PackIndexTest, PackingEntryByEntryCountsOnceAndWritesTheSamePack) {
    const std::string src = dir / "src";
    ASSERT_TRUE(fs::CreateFolder(src));
    constexpr int kFiles = 12;
    for (int i = 0; i < kFiles; ++i)
        ASSERT_TRUE(testing::WriteWholeFile(src + "\\f" + std::to_string(i) + ".txt", testing::Pattern(500 + 300 * i, i)));
    const std::string first = dir / "first.pck";
    ASSERT_EQ(app.CreateNew(first.c_str(), "secret1", true, 5), 0);
    const std::string start = testing::ReadAll(first);
    std::string built[2];
    uint64_t walks[2] = {};
    for (int cached = 0; cached < 2; ++cached) {
        SetPackIndexEnabledForTesting(cached == 1);
        // The real clock: every append leaves the pack just written.
        SetPackStampClockForTesting(nullptr);
        const std::string pack = dir / ("p" + std::to_string(cached) + ".pck");
        ASSERT_TRUE(testing::WriteWholeFile(pack, start));
        const uint64_t before = PackWalksForTesting();
        for (int i = 0; i < kFiles; ++i) {
            const std::string name = "f" + std::to_string(i) + ".txt";
            ASSERT_EQ(app.Packing().Pack(pack.c_str(), src.c_str(), name.c_str(), "secret1", false), 0);
            app.WaitForWorker();
            ASSERT_EQ(app.GetProgress(nullptr), PACKPROGRESS_DONE);
        }
        walks[cached] = PackWalksForTesting() - before;
        built[cached] = testing::ReadAll(pack);
        // A change this library did not make: the next count walks again.
        if (cached == 1) {
            // Coded as the entry of index kFiles it becomes.
            PackBuilder other;
            other.Encrypted(5);
            for (int i = 0; i <= kFiles; ++i) other.Add("z.txt", "z");
            std::string tail = built[1] + other.EntryBytes(kFiles);
            ASSERT_TRUE(testing::WriteWholeFile(pack, tail));
            ASSERT_EQ(app.Packing().Pack(pack.c_str(), src.c_str(), "f0.txt", "secret1", false), 0);
            app.WaitForWorker();
            EXPECT_EQ(PackWalksForTesting() - before, walks[1] + 1);
            SetPackStampClockForTesting(&LateClock);
            // The appended entry got index kFiles + 1, after the foreign one.
            EXPECT_EQ(RunToEnd(pack, "f0.txt"), PACKPROGRESS_DONE);
            EXPECT_EQ(testing::ReadAll(out + "\\f0.txt"), testing::Pattern(500, 0));
        }
    }
    EXPECT_EQ(built[1], built[0]);
    EXPECT_EQ(walks[0], static_cast<uint64_t>(kFiles));
    EXPECT_EQ(walks[1], 1u);
    // Every entry of the built pack reads back.
    for (int i = 0; i < kFiles; ++i) {
        const std::string name = "f" + std::to_string(i) + ".txt";
        ASSERT_EQ(RunToEnd(dir / "p1.pck", name), PACKPROGRESS_DONE);
        EXPECT_EQ(testing::ReadAll(out + "\\" + name), testing::Pattern(500 + 300 * i, i));
    }
}

TEST_F(PackIndexTest, TheDataKeyFollowsThePasswordAndTheRounds) {
    // Same rounds, two passwords; then other rounds with the first password.
    const std::string p1 = WritePack(PackBuilder("secret1").Encrypted(4).Add("a.txt", std::string(2000, '1')), "1.pck");
    const std::string p2 = WritePack(PackBuilder("secret2").Encrypted(4).Add("a.txt", std::string(2000, '2')), "2.pck");
    const std::string p3 = WritePack(PackBuilder("secret1").Encrypted(9).Add("a.txt", std::string(2000, '3')), "3.pck");
    const struct {
        std::string pack;
        const char* password;
        char fill;
    } runs[] = {{p1, "secret1", '1'}, {p2, "secret2", '2'}, {p1, "secret1", '1'}, {p3, "secret1", '3'}, {p1, "secret1", '1'}};
    for (const auto& r : runs) {
        ASSERT_EQ(RunToEnd(r.pack, "a.txt", r.password), PACKPROGRESS_DONE);
        EXPECT_EQ(testing::ReadAll(out + "\\a.txt"), std::string(2000, r.fill)) << r.pack;
    }
}

// Holds the worker at a chunk.
struct ChunkHold : kb::testing::HoldPoint {
    uint32_t at = UINT32_MAX;
    static void Hook(void* self, uint32_t chunk) {
        auto* h = static_cast<ChunkHold*>(self);
        if (chunk == h->at) h->Hold();
    }
};

TEST_F(PackIndexTest, APlainEntryReplacesAnOldFileOnlyWhenComplete) {
    PackBuilder b;
    b.Add(Entry("a.txt", std::string(5000, 'n'), 0x20));
    const std::string full = b.Bytes();
    const std::string old = out + "\\a.txt";
    auto writeOld = [&] {
        fs::SetAttributes(old, 0);
        ASSERT_TRUE(testing::WriteWholeFile(old, "the user's old file"));
    };
    auto onlyOld = [&](const char* what) {
        EXPECT_EQ(testing::ReadAll(old), "the user's old file") << what;
        EXPECT_EQ(testing::Listing(out), std::vector<std::string>{"a.txt"}) << what;  // no private file left
    };
    const struct {
        const char* what;
        std::string bytes;
    } damaged[] = {{"data cut short", full.substr(0, full.size() - 32 - 100)}, {"no trailer", full.substr(0, full.size() - 32)}};
    for (const auto& d : damaged) {
        writeOld();
        const std::string pack = dir / "d.pck";
        ASSERT_TRUE(testing::WriteWholeFile(pack, d.bytes));
        EXPECT_EQ(RunToEnd(pack, "a.txt"), PACKERR_FILE_IO) << d.what;
        onlyOld(d.what);
    }

    // A stop in the middle.
    writeOld();
    ChunkHold hold;
    hold.at = 2;
    app.SetChunkHookForTesting(&ChunkHold::Hook, &hold);
    const std::string pack = WritePack(b);
    ASSERT_EQ(app.UnPack(pack.c_str(), out.c_str(), "a.txt", "secret1"), 0);
    hold.WaitHeld();
    EXPECT_TRUE(app.Stop(0x55));
    hold.Release();
    app.WaitForWorker();
    app.SetChunkHookForTesting(nullptr, nullptr);
    EXPECT_EQ(sys.Posts(), (std::vector<std::pair<uintptr_t, uint32_t>>{{0x55, WM_PACK_STOPPED}}));
    onlyOld("stopped");

    // Files that could not be truncated in place are refused before anything is written.
    for (const uint32_t attribute : {fs::kAttrReadOnly, fs::kAttrHidden, fs::kAttrSystem}) {
        writeOld();
        ASSERT_TRUE(fs::SetAttributes(old, attribute));
        EXPECT_EQ(app.UnPack(pack.c_str(), out.c_str(), "a.txt", "secret1"), PACKERR_OPEN_DESTINATION_FILE) << attribute;
        fs::SetAttributes(old, 0);
        onlyOld("attribute");
    }

    // Complete: replaced, with the entry's times and attributes.
    writeOld();
    ASSERT_EQ(RunToEnd(pack, "a.txt"), PACKPROGRESS_DONE);
    EXPECT_EQ(testing::ReadAll(old), std::string(5000, 'n'));
    EXPECT_EQ(testing::Listing(out), std::vector<std::string>{"a.txt"});
    fs::FileTimes times;
    ASSERT_TRUE(fs::GetTimes(old, &times));
    EXPECT_EQ(times.lastWrite, testing::kLastWriteTime);
}

}  // namespace
}  // namespace kb::pack
