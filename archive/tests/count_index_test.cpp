// The count index behind GetName, GetInfo and LoadByIndex: a count taken once
// serves the calls on single entries that follow, and every answer is the one
// the walk over the slots gives (result, name, information block, body, error
// log and trace) on sound, damaged and scrambled archives, and on archives
// changed between the calls, by another writer or by this library.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "archive/ach_writer.h"
#include "archive/api.h"
#include "archive/frame.h"
#include "archive/name_index.h"
#include "archive/scrambled.h"
#include "shared/base/fs.h"
#include "archive/tests/index_test_support.h"
#include "testing/builders/ach_builder.h"
#include "testing/kit/file_io.h"
#include "testing/kit/recording_sink.h"
#include "testing/kit/temp_folder.h"

namespace ark {
namespace {

using testing::AchBuilder;
using testing::ResizeString;
using testing::XorForm;
using testing::BuilderEntry;
using testing::PatternBody;
using testing::PutLe32;
using kb::testing::NativePath;
using kb::testing::ReadWholeFile;
using kb::testing::RecordingSink;
using kb::testing::ScopedTempFolder;
using kb::testing::TempDir;
using kb::testing::WriteWholeFile;

constexpr uint64_t kSecond = 10'000'000;  // FILETIME units

uint64_t BeforeEverything() { return 0; }
uint64_t LongAfter() { return fs::CurrentTime() + 3600 * kSecond; }

// Stamps that never move, whatever is written: only the index's own checks
// against the file can tell a change then.
uint64_t g_frozenAt = 0;
void Frozen(fs::FileStamp& stamp) { stamp = fs::FileStamp{1, 2, 3, g_frozenAt, g_frozenAt}; }
void FrozenFat(fs::FileStamp& stamp) {
    Frozen(stamp);
    stamp.change = 0;
    stamp.changeKept = false;
}


// Everything one call leaves for its caller to see.
struct Outcome {
    std::string call;
    int result = 0;
    int slotCount = 0, maxNameLength = 0;
    std::string bytes;  // the name buffer, the information block or the body
    std::string log;
    std::vector<std::string> trace;
    std::string clibFunction, targetStream;
    size_t messages = 0;
};

// The two ways callers go over all entries: the loader's (a count with the
// longest name, then each name into a buffer of that size) and one that
// counts alone and then reads each entry's name, block and body.
enum class Caller { Loader, EveryEntry };

class CountIndexTest : public ::testing::Test {
protected:
    TempDir temp;
    TempDir logDir;
    ScopedTempFolder scopedTemp{logDir.path()};
    RecordingSink sink;

    void TearDown() override {
        SetStampClockForTesting(nullptr);
        SetStampViewForTesting(nullptr);
        LastCountIndex().Clear();
        LastNameIndex().Clear();
    }
    std::string Put(const std::string& image) {
        const std::string path = temp / "t.ach";
        EXPECT_TRUE(WriteWholeFile(path, image));
        return path;
    }
    template <class Call>
    Outcome Record(std::string what, Call call) {
        std::error_code ec;
        std::filesystem::remove(NativePath(logDir / kErrorLogName), ec);
        sink.messages.clear();
        Outcome o;
        o.call = std::move(what);
        o.result = call(o);
        ReadWholeFile(logDir / kErrorLogName, o.log);
        o.trace = Server().FunctionTrace();
        o.clibFunction = Server().CLibFunction();
        o.targetStream = Server().TargetStream();
        o.messages = sink.messages.size();
        return o;
    }
    Outcome Count(const std::string& path, Caller caller) {
        return Record("GetCount", [&](Outcome& o) {
            return caller == Caller::Loader ? api::GetCount(path.c_str(), &o.slotCount, &o.maxNameLength)
                                            : api::GetCount(path.c_str(), nullptr, nullptr);
        });
    }
    // The calls on entry i; bufferSize as the caller passes it.
    void Entry(std::vector<Outcome>& out, const std::string& path, Caller caller, int i, int bufferSize) {
        const std::string at = "(" + std::to_string(i) + ")";
        out.push_back(Record("GetName" + at, [&](Outcome& o) {
            o.bytes.assign(static_cast<size_t>(bufferSize) + 2, '\x01');
            return api::GetName(path.c_str(), i, o.bytes.data() + 1, bufferSize);
        }));
        if (caller == Caller::Loader) return;
        out.push_back(Record("GetInfo" + at, [&](Outcome& o) {
            TAchFileInfo info{};
            std::memset(&info, 0x33, sizeof info);
            const int r = api::GetInfo(path.c_str(), i, &info);
            o.bytes.assign(reinterpret_cast<const char*>(&info), sizeof info);
            return r;
        }));
        out.push_back(Record("LoadByIndex" + at, [&](Outcome& o) {
            ArkMemStream stream{nullptr, 0, 77, &o.bytes, &ResizeString};
            const int r = api::LoadByIndex(path.c_str(), i, &stream);
            o.bytes += "@" + std::to_string(stream.position);
            return r;
        }));
    }
    // A caller's walk over all entries, a step before and after them: count
    // once, then the calls on each entry. between runs after the count.
    // The calls on the entries go by the count of countFrom when given (a
    // count taken before the archive changed), else by the run's own.
    template <class Between>
    std::vector<Outcome> Run(const std::string& path, Caller caller, Between between,
                             const Outcome* countFrom = nullptr) {
        std::vector<Outcome> out;
        out.push_back(Count(path, caller));
        between();
        if (countFrom) out[0] = *countFrom;
        const int count = out[0].result < 0 ? 0 : out[0].result;
        const int bufferSize = caller == Caller::Loader ? out[0].maxNameLength : 4096;
        for (int i = -1; i <= count + 1; ++i) Entry(out, path, caller, i, bufferSize);
        // One less than the longest name's length: the buffer is too small for it.
        if (caller == Caller::Loader && count > 0 && bufferSize > 0)
            for (int i = 0; i < count; ++i) Entry(out, path, caller, i, bufferSize - 1);
        return out;
    }
    std::vector<Outcome> Run(const std::string& path, Caller caller) {
        return Run(path, caller, [] {});
    }
    // What the walk gives: no count is ever kept, every call counts anew.
    std::vector<Outcome> Walked(const std::string& path, Caller caller, const Outcome* countFrom = nullptr) {
        LastCountIndex().Clear();
        const StampClock previous = SetStampClockForTesting(&BeforeEverything);
        std::vector<Outcome> out = Run(path, caller, [] {}, countFrom);
        SetStampClockForTesting(previous);
        EXPECT_FALSE(LastCountIndex().Kept());
        return out;
    }
    static void ExpectSame(const std::vector<Outcome>& got, const std::vector<Outcome>& walked) {
        ASSERT_EQ(got.size(), walked.size());
        for (size_t i = 0; i < got.size(); ++i) {
            SCOPED_TRACE(walked[i].call);
            EXPECT_EQ(got[i].call, walked[i].call);
            EXPECT_EQ(got[i].result, walked[i].result);
            EXPECT_EQ(got[i].slotCount, walked[i].slotCount);
            EXPECT_EQ(got[i].maxNameLength, walked[i].maxNameLength);
            EXPECT_EQ(got[i].bytes, walked[i].bytes);
            EXPECT_EQ(got[i].log, walked[i].log);
            EXPECT_EQ(got[i].trace, walked[i].trace);
            EXPECT_EQ(got[i].clibFunction, walked[i].clibFunction);
            EXPECT_EQ(got[i].targetStream, walked[i].targetStream);
            EXPECT_EQ(got[i].messages, walked[i].messages);
        }
    }
};

struct Image {
    const char* what;
    std::string bytes;
    bool kept;  // the count is kept for the calls that follow it
};

std::vector<Image> Images() {
    const AchBuilder sound = AchBuilder(7)
                                 .Add("A.TXT", "first")
                                 .Add("a.txt", "second")
                                 .Add("sub\\b.bin", PatternBody(65537))
                                 .Add("Dup", "1")
                                 .Add("dUP", "")
                                 .Add("\x83\x41.bmp", "sjis");
    AchBuilder many(600);
    for (int i = 0; i < 520; ++i) many.Add("e" + std::to_string(i), "body" + std::to_string(i));
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
    const AchBuilder two = AchBuilder(3).Add("a.txt", "hello").Add("sub\\b.bin", PatternBody(70000));
    std::string outOfOrder = two.Build();
    PutLe32(outOfOrder, AchBuilder::SlotPos(0), two.NameOffset(1));
    PutLe32(outOfOrder, AchBuilder::SlotPos(1), two.NameOffset(0));
    std::string negativeCount = two.Build();
    PutLe32(negativeCount, 0, 0xFFFFFFFF);  // a scrambled archive of 0 slots

    return {
        {"names, cases, duplicates and a double-byte name", sound.Build(), true},
        {"records across blocks", many.Build(), true},
        {"cut inside the slot table", many.Build().substr(0, AchBuilder::SlotPos(300) + 20), false},
        {"slot 0 free", AchBuilder(4).Build(), true},
        {"no slots", AchBuilder(0).Build(), true},
        {"three bytes", std::string(3, '\0'), false},
        {"name of entry 1 beyond the end", patched(s1, 0x00100000), true},
        {"negative name offset of entry 2", patched(s2, 0x80000000), true},
        {"body of entry 1 beyond the end", patched(s1 + 4, 0x7FFFFFFF), true},
        {"size of entry 2 far beyond the end", patched(s2 + 8, 0x00FFFFFF), true},
        {"slot count far beyond the file", huge, false},
        {"name of 4096 bytes or more", AchBuilder(2).Add("ok", "1").Add(std::string(5000, 'n'), "b").Build(), true},
        {"unterminated name at the end", unterminated, true},
        {"names out of record order", outOfOrder, true},
        {"a header of -1 without a scrambled form", negativeCount, true},
    };
}

// Every image, both callers: with the count kept, every call gives what the
// walk gives.
TEST_F(CountIndexTest, EveryCallGivesWhatTheWalkGives) {
    for (const Image& image : Images()) {
        SCOPED_TRACE(image.what);
        const std::string path = Put(image.bytes);
        for (Caller caller : {Caller::Loader, Caller::EveryEntry}) {
            SCOPED_TRACE(caller == Caller::Loader ? "the loader's calls" : "every entry's calls");
            const std::vector<Outcome> walked = Walked(path, caller);
            SetStampClockForTesting(&LongAfter);
            bool keptAfterCount = false;
            const std::vector<Outcome> got = Run(path, caller, [&] { keptAfterCount = LastCountIndex().Kept(); });
            SetStampClockForTesting(nullptr);
            // The loader's count also reads every name, so a damaged name fails it.
            const bool countFailed = walked[0].result < 0;
            EXPECT_EQ(keptAfterCount, image.kept && !countFailed);
            ExpectSame(got, walked);
        }
    }
}

TEST_F(CountIndexTest, ScrambledArchivesAgreeToo) {
    XorForm form;
    ScrambledForm* previous = SetScrambledForm(&form);
    const AchBuilder b = AchBuilder(4).Add("A.TXT", "first").Add("sub\\b.bin", PatternBody(70000)).Add("a.txt", "x");
    const std::string path = Put(XorForm::Scramble(b));
    for (Caller caller : {Caller::Loader, Caller::EveryEntry}) {
        const std::vector<Outcome> walked = Walked(path, caller);
        EXPECT_EQ(walked[0].result, 3);
        SetStampClockForTesting(&LongAfter);
        bool kept = false;
        ExpectSame(Run(path, caller, [&] { kept = LastCountIndex().Kept(); }), walked);
        EXPECT_TRUE(kept);
        // The form taken away after the count: the count kept under it no
        // longer stands, and every call fails as the walk does.
        const std::vector<Outcome> formless = Run(path, caller, [] { SetScrambledForm(nullptr); });
        SetStampClockForTesting(nullptr);
        ExpectSame(formless, Walked(path, caller, &formless[0]));  // counted with the form
        EXPECT_EQ(formless[2].result, ARKSTOWRET_DECRYPT_FAILED);
        SetScrambledForm(&form);
    }
    SetScrambledForm(previous);
}

// The archive changes between the count and the calls on its entries.
struct Change {
    const char* what;
    std::string before, after;
};

std::vector<Change> Changes() {
    const AchBuilder xyz = AchBuilder(4).Add("x", "aaaa").Add("y", "bbbb").Add("z", "cccc");
    std::string xyFree = xyz.Build();
    PutLe32(xyFree, AchBuilder::SlotPos(2) + 4, 0);  // z's slot free: two entries
    std::string lowered = xyz.Build();
    PutLe32(lowered, 0, 2);  // the header's count below the used entries
    std::string timesChanged = xyz.Build();
    PutLe32(timesChanged, AchBuilder::SlotPos(1) + 32, 0x12345678);
    return {
        {"entries reordered", xyz.Build(), AchBuilder(4).Add("z", "cccc").Add("x", "aaaa").Add("y", "bbbb").Build()},
        {"a body grown", xyz.Build(), AchBuilder(4).Add("x", "aaaaaa").Add("y", "bb").Add("z", "cccc").Build()},
        {"a last-write time changed", xyz.Build(), timesChanged},
        {"the slot count lowered", xyz.Build(), lowered},
        {"a free slot taken", xyFree, xyz.Build()},
        {"the last entry freed", xyz.Build(), xyFree},
        {"emptied", xyz.Build(), std::string(xyz.Build().size(), '\0')},
        {"cut inside the slot table", xyz.Build(), xyz.Build().substr(0, AchBuilder::SlotPos(1) + 10)},
    };
}

// Another writer changes the archive after the count, with real stamps: the
// calls that follow give the walk's answers on the archive as it is now.
TEST_F(CountIndexTest, AnArchiveChangedAfterTheCountIsReadAfresh) {
    for (const Change& c : Changes()) {
        SCOPED_TRACE(c.what);
        for (Caller caller : {Caller::Loader, Caller::EveryEntry}) {
            SetStampClockForTesting(&LongAfter);
            const std::string path = Put(c.before);
            fs::FileTimes times;
            ASSERT_TRUE(fs::GetTimes(path, &times));
            const std::vector<Outcome> got = Run(path, caller, [&] {
                ASSERT_TRUE(LastCountIndex().Kept());
                // Written in place with the times it had: only the size or
                // the change time tells.
                ASSERT_TRUE(WriteWholeFile(path, c.after));
                ASSERT_TRUE(fs::SetTimes(path, times));
            });
            SetStampClockForTesting(nullptr);
            // The count was taken before the change.
            ExpectSame(got, Walked(path, caller, &got[0]));
        }
    }
}

// With stamps that never move, each answer is still checked against the
// file: the header and the record asked about, or the free record that ended
// the entries. Every change here meets one of them.
TEST_F(CountIndexTest, TheCountKeptIsCheckedAgainstTheFile) {
    g_frozenAt = fs::CurrentTime();
    SetStampViewForTesting(&Frozen);
    for (const Change& c : Changes()) {
        SCOPED_TRACE(c.what);
        for (Caller caller : {Caller::Loader, Caller::EveryEntry}) {
            SetStampClockForTesting(&LongAfter);
            const std::string path = Put(c.before);
            const std::vector<Outcome> got = Run(path, caller, [&] {
                ASSERT_TRUE(LastCountIndex().Kept());
                ASSERT_TRUE(WriteWholeFile(path, c.after));
            });
            SetStampClockForTesting(nullptr);
            ExpectSame(got, Walked(path, caller, &got[0]));
        }
    }
}

// The calls after a kept count take it instead of walking: with stamps that
// never move, an entry freed ahead of the one asked about (which the walk
// would stop at) is not read, while the entry itself still is.
TEST_F(CountIndexTest, TheCallsAfterAKeptCountDoNotWalk) {
    AchBuilder b(600);
    for (int i = 0; i < 520; ++i) b.Add("e" + std::to_string(i), "body");
    std::string image = b.Build();
    g_frozenAt = fs::CurrentTime();
    SetStampViewForTesting(&Frozen);
    SetStampClockForTesting(&LongAfter);
    const std::string path = Put(image);
    ASSERT_EQ(Count(path, Caller::EveryEntry).result, 520);
    PutLe32(image, AchBuilder::SlotPos(5) + 4, 0);
    ASSERT_TRUE(WriteWholeFile(path, image));
    char name[8] = {};
    EXPECT_EQ(api::GetName(path.c_str(), 300, name, 7), 0);
    EXPECT_STREQ(name, "e300");
    EXPECT_TRUE(LastCountIndex().Kept());
    // The entry asked about is the freed one: the walk answers, and stops there.
    EXPECT_EQ(api::GetName(path.c_str(), 5, name, 7), ARKSTOWRET_BAD_INDEX);
    EXPECT_EQ(api::GetName(path.c_str(), 300, name, 7), ARKSTOWRET_BAD_INDEX);
}

// Where a change cannot be seen in the stamp, no count is kept; nor while the
// stamp has not settled; and this library's own writes drop it.
TEST_F(CountIndexTest, ACountIsKeptOnlyWhereAChangeCanBeSeen) {
    const std::string image = AchBuilder(3).Add("x", "aaaa").Add("y", "bbbb").Build();
    g_frozenAt = fs::CurrentTime();

    SetStampViewForTesting(&FrozenFat);
    SetStampClockForTesting(&LongAfter);
    std::string path = Put(image);
    EXPECT_EQ(Count(path, Caller::EveryEntry).result, 2);
    EXPECT_FALSE(LastCountIndex().Kept());

    SetStampViewForTesting(nullptr);
    SetStampClockForTesting(nullptr);
    path = Put(image);  // just written: its stamp has not settled
    EXPECT_EQ(Count(path, Caller::EveryEntry).result, 2);
    EXPECT_FALSE(LastCountIndex().Kept());

    SetStampViewForTesting(&Frozen);
    SetStampClockForTesting(&LongAfter);
    EXPECT_EQ(Count(path, Caller::EveryEntry).result, 2);
    EXPECT_TRUE(LastCountIndex().Kept());
    ASSERT_TRUE(WriteWholeFile(temp / "src", "new body"));
    ASSERT_EQ(AddEntry(path, temp / "src", "new"), 0);
    EXPECT_FALSE(LastCountIndex().Kept());
    char name[8] = {};
    EXPECT_EQ(api::GetName(path.c_str(), 2, name, 7), 0);
    EXPECT_STREQ(name, "new");
}

}  // namespace
}  // namespace ark
