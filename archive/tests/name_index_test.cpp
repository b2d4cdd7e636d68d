// The name index behind LoadByName: every lookup it answers gives what the
// walk over the slots gives (index, body, error log and trace) on sound,
// damaged, hostile and scrambled archives; an archive changed by another
// writer or by this library is read afresh; and an index is not kept while
// the archive's stamp is too fresh to show a later change.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "archive/ach_writer.h"
#include "archive/api.h"
#include "archive/frame.h"
#include "shared/base/fs.h"
#include "archive/name_index.h"
#include "archive/scrambled.h"
#include "testing/kit/code_page.h"
#include "testing/kit/file_io.h"
#include "testing/kit/recording_sink.h"
#include "testing/kit/temp_folder.h"
#include "archive/tests/index_test_support.h"
#include "testing/builders/ach_builder.h"

namespace ark {
namespace {

using testing::AchBuilder;
using testing::ResizeString;
using testing::XorForm;
using testing::BuilderEntry;
using kb::testing::NativePath;
using testing::PatternBody;
using testing::PutLe32;
using kb::testing::ReadWholeFile;
using kb::testing::RecordingSink;
using kb::testing::ScopedTempFolder;
using kb::testing::TempDir;
using kb::testing::WriteWholeFile;

constexpr uint64_t kSecond = 10'000'000;  // FILETIME units

// Clocks a stamp is judged by: one before every stamp (nothing is ever
// settled, so every lookup walks) and one long after them all.
uint64_t BeforeEverything() { return 0; }
uint64_t LongAfter() { return fs::CurrentTime() + 3600 * kSecond; }

// A file system whose stamps never move, whatever is written: only the
// index's own checks can tell a change then.
uint64_t g_frozenAt = 0;
uint64_t g_now = 0;
uint64_t FrozenNow() { return g_now; }
uint64_t g_frozenChange = 0;  // added to the change time
uint64_t g_volume = 1;
void Frozen(fs::FileStamp& stamp) { stamp = fs::FileStamp{g_volume, 2, 3, g_frozenAt, g_frozenAt + g_frozenChange}; }
// Frozen stamps of file systems that keep no change time: FAT reports 0, CD
// and DVD file systems the last-write time.
void FrozenFat(fs::FileStamp& stamp) {
    Frozen(stamp);
    stamp.change = 0;
    stamp.changeKept = false;
}
void FrozenCd(fs::FileStamp& stamp) {
    Frozen(stamp);
    stamp.changeKept = false;
}


// Everything a LoadByName call leaves for its caller to see.
struct Outcome {
    int result = 0;
    std::string body;
    uint32_t position = 0;
    std::string log;
    std::vector<std::string> trace;
    std::string clibFunction, targetStream;
    size_t messages = 0;
};

class NameIndexTest : public ::testing::Test {
protected:
    TempDir temp;
    TempDir logDir;
    ScopedTempFolder scopedTemp{logDir.path()};
    RecordingSink sink;

    void TearDown() override {
        SetStampClockForTesting(nullptr);
        SetStampViewForTesting(nullptr);
        LastNameIndex().Clear();
    }
    std::string Put(const std::string& image, const std::string& name = "t.ach") {
        const std::string path = temp / name;
        EXPECT_TRUE(WriteWholeFile(path, image));
        return path;
    }
    Outcome Load(const std::string& path, const std::string& name) {
        std::error_code ec;
        std::filesystem::remove(NativePath(logDir / kErrorLogName), ec);
        sink.messages.clear();
        Outcome o;
        ArkMemStream stream{nullptr, 0, 77, &o.body, &ResizeString};
        o.result = api::LoadByName(path.c_str(), name.c_str(), &stream);
        o.position = stream.position;
        ReadWholeFile(logDir / kErrorLogName, o.log);
        o.trace = Server().FunctionTrace();
        o.clibFunction = Server().CLibFunction();
        o.targetStream = Server().TargetStream();
        o.messages = sink.messages.size();
        return o;
    }
    // What the walk over the slots gives: no index is there or kept for it.
    Outcome Walked(const std::string& path, const std::string& name) {
        LastNameIndex().Clear();
        const StampClock previous = SetStampClockForTesting(&BeforeEverything);
        Outcome o = Load(path, name);
        SetStampClockForTesting(previous);
        return o;
    }
    static void ExpectSame(const Outcome& got, const Outcome& walked) {
        EXPECT_EQ(got.result, walked.result);
        EXPECT_EQ(got.body, walked.body);
        EXPECT_EQ(got.position, walked.position);
        EXPECT_EQ(got.log, walked.log);
        EXPECT_EQ(got.trace, walked.trace);
        EXPECT_EQ(got.clibFunction, walked.clibFunction);
        EXPECT_EQ(got.targetStream, walked.targetStream);
        EXPECT_EQ(got.messages, walked.messages);
    }
    // Every name looked up as things stand, then each compared with the walk
    // (which drops the index, so it comes last).
    void ExpectWalkedAnswers(const std::string& path, const std::vector<std::string>& names) {
        std::vector<Outcome> got;
        for (const std::string& name : names) got.push_back(Load(path, name));
        SetStampClockForTesting(nullptr);
        for (size_t i = 0; i < names.size(); ++i) {
            SCOPED_TRACE("name \"" + names[i] + "\"");
            ExpectSame(got[i], Walked(path, names[i]));
        }
    }
    static bool Indexed(const std::string& name) {
        int32_t index = -1;
        return LastNameIndex().Lookup(name, index) != NameIndex::Found::Unknown;
    }
};

struct Image {
    const char* what;
    std::string bytes;
    std::vector<std::string> names;  // looked up, besides the common ones
    bool complete;                   // the index answers every name itself
};

std::vector<Image> Images() {
    const AchBuilder sound = AchBuilder(6)
                                 .Add("A.TXT", "first")
                                 .Add("a.txt", "second")
                                 .Add("sub\\b.bin", PatternBody(65537))
                                 .Add("Dup", "1")
                                 .Add("dUP", "")
                                 .Add("\x83\x41.bmp", "sjis");
    AchBuilder many(600);
    for (int i = 0; i < 520; ++i) many.Add("e" + std::to_string(i), "body" + std::to_string(i));
    const std::vector<std::string> manyNames = {"E0", "e255", "E256", "e257", "e519", "e520", "e299", "e300"};
    auto patched = [&](size_t pos, uint32_t value) {
        std::string image = sound.Build();
        PutLe32(image, pos, value);
        return image;
    };
    const uint32_t s1 = AchBuilder::SlotPos(1), s2 = AchBuilder::SlotPos(2);
    std::string huge = AchBuilder(1).Add("n", "b").Build();
    PutLe32(huge, 0, 0x7FFFFFFF);
    std::string unterminated = AchBuilder(2).Add("ok", "1").Add("abc", "").Build();
    unterminated.pop_back();
    const AchBuilder twoEntries = AchBuilder(3).Add("a.txt", "hello").Add("sub\\b.bin", PatternBody(70000));
    std::string outOfOrder = twoEntries.Build();
    PutLe32(outOfOrder, AchBuilder::SlotPos(0), twoEntries.NameOffset(1));
    PutLe32(outOfOrder, AchBuilder::SlotPos(1), twoEntries.NameOffset(0));
    std::string bodyInsideName = twoEntries.Build();
    PutLe32(bodyInsideName, AchBuilder::SlotPos(1) + 4, twoEntries.NameOffset(1) + 2);

    return {
        {"names, cases, duplicates and a double-byte name", sound.Build(), {}, true},
        {"records across blocks", many.Build(), manyNames, true},
        {"cut inside the slot table", many.Build().substr(0, AchBuilder::SlotPos(300) + 20), manyNames, false},
        {"slot 0 free", AchBuilder(4).Build(), {}, true},
        {"no slots", AchBuilder(0).Build(), {}, true},
        {"three bytes", std::string(3, '\0'), {}, false},
        {"name of entry 1 beyond the end", patched(s1, 0x00100000), {}, false},
        {"negative name offset of entry 2", patched(s2, 0x80000000), {}, false},
        {"body of entry 1 beyond the end", patched(s1 + 4, 0x7FFFFFFF), {}, true},
        {"size of entry 2 far beyond the end", patched(s2 + 8, 0x00FFFFFF), {}, true},
        {"slot count far beyond the file", huge, {"n", "N", "m"}, false},
        {"name of 4096 bytes or more", AchBuilder(2).Add("ok", "1").Add(std::string(5000, 'n'), "b").Build(),
         {"ok", std::string(5000, 'n')}, false},
        {"unterminated name at the end", unterminated, {"ok", "abc"}, false},
        {"names out of record order", outOfOrder, {}, true},
        {"a body starting inside its name", bodyInsideName, {}, true},
    };
}

std::vector<std::string> NamesFor(const Image& image) {
    std::vector<std::string> names = image.names;
    for (const char* n : {"A.TXT", "a.txt", "A.txt", "sub\\b.bin", "SUB\\B.BIN", "dup", "DUP", "\x83\x41.BMP",
                          "\x83\x61.bmp", "a.tx", "", "zz"})
        names.emplace_back(n);
    return names;
}

// Every name in every image: the index's answer, on the call that builds it
// and on the next, is the walk's.
TEST_F(NameIndexTest, EveryLookupGivesWhatTheWalkGives) {
    for (const Image& image : Images()) {
        SCOPED_TRACE(image.what);
        const std::string path = Put(image.bytes);
        for (const std::string& name : NamesFor(image)) {
            SCOPED_TRACE("name \"" + name + "\"");
            const Outcome walked = Walked(path, name);
            SetStampClockForTesting(&LongAfter);
            const Outcome built = Load(path, name);
            if (image.complete) {
                EXPECT_TRUE(Indexed(name));
            }
            const Outcome reused = Load(path, name);
            SetStampClockForTesting(nullptr);
            ExpectSame(built, walked);
            ExpectSame(reused, walked);
        }
    }
}

TEST_F(NameIndexTest, EveryLookupGivesWhatTheWalkGivesWithDoubleByteNames) {
    KB_REQUIRE_CP932();
    const std::string path = Put(Images()[0].bytes);
    for (const std::string& name : NamesFor(Images()[0])) {
        SCOPED_TRACE("name \"" + name + "\"");
        const Outcome walked = Walked(path, name);
        SetStampClockForTesting(&LongAfter);
        const Outcome built = Load(path, name);
        const Outcome reused = Load(path, name);
        SetStampClockForTesting(nullptr);
        ExpectSame(built, walked);
        ExpectSame(reused, walked);
    }
    // 0x83 0x41 and 0x83 0x61 are two characters: the trail byte is compared exactly.
    EXPECT_EQ(Walked(path, "\x83\x61.bmp").result, -1);
    kb::testing::UseSingleByteCodePage();
}

TEST_F(NameIndexTest, ScrambledArchivesAgreeToo) {
    XorForm form;
    ScrambledForm* previous = SetScrambledForm(&form);
    const AchBuilder b = AchBuilder(4).Add("A.TXT", "first").Add("sub\\b.bin", PatternBody(70000)).Add("a.txt", "x");
    const std::string path = Put(XorForm::Scramble(b));
    for (const char* name : {"a.txt", "SUB\\B.BIN", "none"}) {
        SCOPED_TRACE(name);
        const Outcome walked = Walked(path, name);
        EXPECT_GE(walked.result, -1);
        SetStampClockForTesting(&LongAfter);
        ExpectSame(Load(path, name), walked);
        EXPECT_TRUE(Indexed(name));
        ExpectSame(Load(path, name), walked);
        // Without the form the archive cannot be read, index or not.
        SetScrambledForm(nullptr);
        const Outcome formless = Load(path, name);
        EXPECT_EQ(formless.result, ARKSTOWRET_DECRYPT_FAILED);
        ExpectSame(formless, Walked(path, name));
        SetScrambledForm(&form);
        SetStampClockForTesting(nullptr);
    }
    SetScrambledForm(previous);
}

// Another writer changes the archive between two lookups, keeping its size.
TEST_F(NameIndexTest, AnArchiveChangedByAnotherWriterIsReadAfresh) {
    struct Change {
        const char* what;
        std::string before, after;
        int64_t laterBy;  // the new last-write time against the old, in seconds
        bool replaced;    // written beside it and renamed over it, as a new file
    };
    const std::string xy = AchBuilder(2).Add("x", "aaaa").Add("y", "bbbb").Build();
    const std::string yx = AchBuilder(2).Add("y", "aaaa").Add("x", "bbbb").Build();
    const std::string ax = AchBuilder(2).Add("a", "aaaa").Add("x", "bbbb").Build();
    const std::string xx = AchBuilder(2).Add("x", "aaaa").Add("x", "bbbb").Build();
    const Change changes[] = {
        {"same size, a later time", xy, yx, 1, false},
        {"same size, the same time", xy, yx, 0, false},
        {"same size and time, an earlier entry takes the name, replaced", ax, xx, 0, true},
    };
    SetStampClockForTesting(&LongAfter);
    for (const Change& c : changes) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(c.before.size(), c.after.size());
        const std::string path = Put(c.before);
        fs::FileTimes times;
        ASSERT_TRUE(fs::GetTimes(path, &times));
        for (const char* name : {"x", "y", "a"}) Load(path, name);
        ASSERT_TRUE(Indexed("x"));

        const std::string writeTo = c.replaced ? temp / "new.ach" : path;
        ASSERT_TRUE(WriteWholeFile(writeTo, c.after));
        fs::FileTimes later = times;
        later.lastWrite += static_cast<uint64_t>(c.laterBy) * kSecond;
        ASSERT_TRUE(fs::SetTimes(writeTo, later));
        if (c.replaced) {
            std::error_code ec;
            std::filesystem::rename(NativePath(writeTo), NativePath(path), ec);
            ASSERT_FALSE(ec) << ec.message();
        }
        ExpectWalkedAnswers(path, {"x", "y", "a"});
        SetStampClockForTesting(&LongAfter);
    }
}

// With the real clock an archive just written is never indexed, so a change
// in the same instant, same size and same times, is still seen.
TEST_F(NameIndexTest, AnArchiveJustWrittenIsReadAfreshAfterAChangeInTheSameInstant) {
    const std::string ax = AchBuilder(2).Add("a", "aaaa").Add("x", "bbbb").Build();
    const std::string xx = AchBuilder(2).Add("x", "aaaa").Add("x", "bbbb").Build();
    const std::string path = Put(ax);
    fs::FileTimes times;
    ASSERT_TRUE(fs::GetTimes(path, &times));
    EXPECT_EQ(Load(path, "x").result, 1);
    ASSERT_TRUE(WriteWholeFile(path, xx));
    ASSERT_TRUE(fs::SetTimes(path, times));
    const Outcome now = Load(path, "x");
    EXPECT_EQ(now.result, 0);
    EXPECT_EQ(now.body, "aaaa");
}

// An index is kept only once its stamp has settled: a tenth of a second
// after fine times, three seconds after times on whole seconds. A same-size
// rewrite that puts the last-write time back still moves the change time,
// and every lookup afterwards gives the walk's answer.
TEST_F(NameIndexTest, AnIndexIsKeptOnlyOnceItsStampHasSettled) {
    struct Case {
        const char* what;
        uint64_t frozenAt;
        uint64_t age;
        bool kept;
    };
    const uint64_t base = fs::CurrentTime() / kSecond * kSecond;
    const Case cases[] = {
        {"fine, same instant", base + 1234567, 0, false},
        {"fine, 50 ms", base + 1234567, kSecond / 20, false},
        {"fine, 0.2 s", base + 1234567, kSecond / 5, true},
        {"whole seconds, 2 s", base, 2 * kSecond, false},
        {"whole seconds, 4 s", base, 4 * kSecond, true},
        {"in the future", base + 1234567, 0 - kSecond, false},
    };
    const std::string ax = AchBuilder(2).Add("a", "aaaa").Add("x", "bbbb").Build();
    const std::string xx = AchBuilder(2).Add("x", "aaaa").Add("x", "bbbb").Build();
    SetStampViewForTesting(&Frozen);
    SetStampClockForTesting(&FrozenNow);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        g_frozenAt = c.frozenAt;
        g_frozenChange = 0;
        g_now = c.frozenAt + c.age;
        const std::string path = Put(ax);
        EXPECT_EQ(Load(path, "x").result, 1);
        EXPECT_EQ(Indexed("x"), c.kept);
        // An earlier entry takes the name; the entry the index would give
        // still stands, and only the change time tells.
        ASSERT_TRUE(WriteWholeFile(path, xx));
        g_frozenChange = 1;
        const Outcome after = Load(path, "x");
        EXPECT_EQ(after.result, 0);
        EXPECT_EQ(after.body, "aaaa");
        LastNameIndex().Clear();
    }
    g_frozenChange = 0;
}

// Where nothing in the stamp can move, whatever is written in place, no index
// is kept at all: on a file system without change times, and for a medium
// swapped under the same path, only the volume tells.
TEST_F(NameIndexTest, WhereAChangeCannotBeSeenEveryLookupIsTheWalks) {
    struct Case {
        const char* what;
        StampView view;
        bool swapVolume;
    };
    const Case cases[] = {
        {"FAT: no change time", &FrozenFat, false},
        {"CD file system: the last-write time as change time", &FrozenCd, false},
        {"another medium under the same path", &Frozen, true},
    };
    const std::string ax = AchBuilder(3).Add("a", "aaaa").Add("x", "bbbb").Add("y", "cccc").Build();
    const std::string xx = AchBuilder(3).Add("x", "aaaa").Add("x", "bbbb").Add("b", "cccc").Build();
    g_frozenAt = fs::CurrentTime();
    g_now = g_frozenAt + 3600 * kSecond;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LastNameIndex().Clear();
        g_volume = 1;
        SetStampViewForTesting(c.view);
        SetStampClockForTesting(&FrozenNow);
        const std::string path = Put(ax);
        for (const char* name : {"x", "y", "a"}) Load(path, name);
        EXPECT_EQ(Indexed("x"), c.swapVolume);
        ASSERT_TRUE(WriteWholeFile(path, xx));
        if (c.swapVolume) g_volume = 2;
        ExpectWalkedAnswers(path, {"x", "y", "a", "b"});
        const Outcome x = Load(path, "x");
        EXPECT_EQ(x.result, 0);
        EXPECT_EQ(x.body, "aaaa");
        EXPECT_EQ(Load(path, "y").result, -1);
    }
    g_volume = 1;
}

// With stamps that never move, the entry the index gives is still checked
// against the file: its record and its name.
TEST_F(NameIndexTest, TheEntryFoundIsCheckedAgainstTheFile) {
    struct Change {
        const char* what;
        std::string before, after;
    };
    const Change changes[] = {
        {"names swapped", AchBuilder(2).Add("x", "aaaa").Add("y", "bbbb").Build(),
         AchBuilder(2).Add("y", "aaaa").Add("x", "bbbb").Build()},
        {"names swapped over bodies read apart from their names",
         AchBuilder(2).Add("x", std::string(70000, 'a')).Add("y", std::string(70000, 'b')).Build(),
         AchBuilder(2).Add("y", std::string(70000, 'a')).Add("x", std::string(70000, 'b')).Build()},
        {"a body grown", AchBuilder(2).Add("x", "aaaa").Add("y", "bbbb").Build(),
         AchBuilder(2).Add("x", "aaaaaa").Add("y", "bb").Build()},
        {"times changed", AchBuilder(2).Add("x", "aaaa").Add("y", "bbbb").Build(), [] {
             BuilderEntry x{"x", "aaaa"};
             x.lastWrite += 1;
             return AchBuilder(2).Add(x).Add("y", "bbbb").Build();
         }()},
        {"emptied", AchBuilder(2).Add("x", "aaaa").Add("y", "bbbb").Build(), AchBuilder(2).Build()},
    };
    g_frozenAt = fs::CurrentTime();
    g_now = g_frozenAt + 3600 * kSecond;
    SetStampViewForTesting(&Frozen);
    SetStampClockForTesting(&FrozenNow);
    for (const Change& c : changes) {
        SCOPED_TRACE(c.what);
        LastNameIndex().Clear();  // frozen stamps cannot tell this image from the last row's
        const std::string path = Put(c.before);
        for (const char* name : {"x", "y"}) Load(path, name);
        ASSERT_TRUE(Indexed("x"));
        ASSERT_TRUE(WriteWholeFile(path, c.after));
        ExpectWalkedAnswers(path, {"x", "y"});
        SetStampClockForTesting(&FrozenNow);
    }
}

// Stamps that never move hide this library's own writes too; each writer
// drops the index.
TEST_F(NameIndexTest, ThisLibrarysOwnWritesDropTheIndex) {
    struct Write {
        const char* what;
        int (*write)(const std::string& archive, const std::string& work);
    };
    const Write writes[] = {
        {"Add", [](const std::string& a, const std::string& work) {
             WriteWholeFile(work + "\\src", "new body");
             return AddEntry(a, work + "\\src", "new");
         }},
        {"CreateNew", [](const std::string& a, const std::string&) { return CreateArchive(a, 4); }},
        {"RemoveByIndex", [](const std::string& a, const std::string&) { return RemoveEntryByIndex(a, 0); }},
        {"SaveByIndex of another archive onto it", [](const std::string& a, const std::string& work) {
             const std::string inner = AchBuilder(3).Add("new", "n").Build();
             WriteWholeFile(work + "\\other.ach", AchBuilder(1).Add("inner", inner).Build());
             return api::SaveByIndex((work + "\\other.ach").c_str(), 0, a.c_str());
         }},
    };
    g_frozenAt = fs::CurrentTime();
    g_now = g_frozenAt + 3600 * kSecond;
    SetStampViewForTesting(&Frozen);
    SetStampClockForTesting(&FrozenNow);
    for (const Write& w : writes) {
        SCOPED_TRACE(w.what);
        TempDir work;
        LastNameIndex().Clear();  // frozen stamps cannot tell this image from the last row's
        const std::string path = Put(AchBuilder(3).Add("x", "aaaa").Add("y", "bbbb").Build());
        for (const char* name : {"x", "y", "new"}) Load(path, name);
        ASSERT_TRUE(Indexed("new"));
        ASSERT_EQ(w.write(path, work.path()), 0);
        ExpectWalkedAnswers(path, {"new", "x", "y"});
        SetStampClockForTesting(&FrozenNow);
    }
}

TEST(NameIndexUnit, EntriesByNameInSlotOrderAndWhatAWalkThatStoppedCannotTell) {
    NameIndex index;
    int32_t found = -1;
    EXPECT_EQ(index.Lookup("a", found), NameIndex::Found::Unknown);
    index.Start("x.ach", fs::FileStamp{}, nullptr, false);
    Slot slot;
    for (const char* name : {"b", "A", "c", "a", "B"}) {
        slot.nameOffset += 10;
        ASSERT_TRUE(index.Add(slot, name));
    }
    index.End(true);
    struct Case {
        const char* wanted;
        NameIndex::Found found;
        int32_t index;
    };
    for (const Case& c : {Case{"a", NameIndex::Found::Entry, 1}, Case{"B", NameIndex::Found::Entry, 0},
                          Case{"C", NameIndex::Found::Entry, 2}, Case{"d", NameIndex::Found::None, -1},
                          Case{"", NameIndex::Found::None, -1}}) {
        found = -1;
        EXPECT_EQ(index.Lookup(c.wanted, found), c.found) << c.wanted;
        EXPECT_EQ(found, c.index) << c.wanted;
    }
    EXPECT_EQ(index.SlotOf(3).nameOffset, 40);
    EXPECT_EQ(index.NameOf(3), "a");
    EXPECT_TRUE(index.Fits("x.ach", fs::FileStamp{}, nullptr));
    EXPECT_FALSE(index.Fits("y.ach", fs::FileStamp{}, nullptr));
    EXPECT_FALSE(index.Fits("x.ach", fs::FileStamp{0, 0, 1, 0, 0}, nullptr));

    index.Start("x.ach", fs::FileStamp{}, nullptr, false);
    ASSERT_TRUE(index.Add(slot, "a"));
    index.End(false);
    EXPECT_EQ(index.Lookup("A", found), NameIndex::Found::Entry);
    EXPECT_EQ(index.Lookup("b", found), NameIndex::Found::Unknown);
    index.Clear();
    EXPECT_FALSE(index.Fits("x.ach", fs::FileStamp{}, nullptr));
}

TEST(NameIndexUnit, AFullIndexRefusesMore) {
    NameIndex index;
    index.Start("x.ach", fs::FileStamp{}, nullptr, false);
    const std::string name(4000, 'n');
    size_t added = 0;
    while (index.Add(Slot{}, name)) ++added;
    EXPECT_EQ(added, NameIndex::kMaxNameBytes / name.size());
    index.Start("x.ach", fs::FileStamp{}, nullptr, false);
    for (added = 0; index.Add(Slot{}, ""); ++added) {
    }
    EXPECT_EQ(added, NameIndex::kMaxEntries);
}

}  // namespace
}  // namespace ark
