// The scrambled form: the frozen slot keys, the committed fixture, every
// reader on scrambled archives, body chunking, and the refusals of
// EncryptAchFile that keep the source and any destination intact.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "archive/ach_api.h"
#include "archive/ach_scramble.h"
#include "archive/api.h"
#include "archive/frame.h"
#include "archive/tests/ach_test_support.h"
#include "testing/kit/file_io.h"
#include "testing/kit/recording_sink.h"
#include "testing/kit/temp_folder.h"

namespace ark {
namespace {

using namespace ark::testing;
using kb::testing::FileExists;
using kb::testing::Listing;
using kb::testing::ReadWholeFile;
using kb::testing::RecordingSink;
using kb::testing::ScopedTempFolder;
using kb::testing::TempDir;
using kb::testing::WriteWholeFile;

std::string Record(const uint8_t (&r)[kSlotSize]) { return std::string(reinterpret_cast<const char*>(r), kSlotSize); }

TEST(SlotScrambling, AFixedRecordAtSlot5GivesFixedBytes) {
    // Guards the key table: these bytes never change.
    uint8_t record[kSlotSize];
    for (size_t j = 0; j < kSlotSize; ++j) record[j] = static_cast<uint8_t>(j);
    AchCipher().ScrambleSlot(record, 5);
    EXPECT_EQ(Hex(Record(record)),
              "16e0b2ac4ca9f1ea8de4346650d962e2a98af899dd5fea64aac0178d2470ac8b2edc905027acd508");
}

TEST(SlotScrambling, IsItsOwnInverseAndRepeatsEvery128Slots) {
    const std::string plain = Pattern(kSlotSize, 9);
    for (uint32_t s : {0u, 1u, 127u, 128u, 255u, 1000u}) {
        SCOPED_TRACE(s);
        uint8_t a[kSlotSize], b[kSlotSize];
        std::memcpy(a, plain.data(), kSlotSize);
        std::memcpy(b, plain.data(), kSlotSize);
        AchCipher().ScrambleSlot(a, s);
        ScrambleSlotBytes(b, kSlotSize, s + 128);
        EXPECT_EQ(Record(a), Record(b));
        EXPECT_NE(Record(a), plain);
        AchCipher().UnscrambleSlot(a, s);
        EXPECT_EQ(Record(a), plain);
    }
}

TEST(NameInversion, StopsAtTheTerminatorAndAtTheLength) {
    char name[] = "ab\0cd";
    EXPECT_EQ(InvertNameBytes(name, sizeof name), 2u);
    EXPECT_EQ(std::string(name, 5), std::string("\x9e\x9d\0cd", 5));
    char unterminated[] = {'x', 'y', 'z'};
    EXPECT_EQ(InvertNameBytes(unterminated, 2), 2u);
    EXPECT_EQ(unterminated[2], 'z');
}

TEST(BodyCoding, DecodingAWholeChunkBufferGivesBackAShorterChunk) {
    // The readers always decode the full 65,536-byte buffer of a chunk that may
    // be shorter: the coding depends only on each byte's position.
    for (size_t length : {1u, 1023u, 1024u, 1025u, 65535u}) {
        SCOPED_TRACE(length);
        const std::string plain = Pattern(length, 1);
        std::string buffer = Pattern(65536, 2);
        std::memcpy(buffer.data(), plain.data(), length);
        ASSERT_TRUE(ReferenceCodeBuffer(reinterpret_cast<uint8_t*>(buffer.data()), length, kAchBodyPassword));
        ASSERT_TRUE(ReferenceCodeBuffer(reinterpret_cast<uint8_t*>(buffer.data()), 65536, kAchBodyPassword));
        EXPECT_EQ(buffer.substr(0, length), plain);
    }
}

class ScrambleTest : public ::testing::Test {
protected:
    TempDir dir;
    TempDir temp;
    ScopedTempFolder scopedTemp{temp.path()};
    RecordingSink sink;
    ScopedBodyCoding coding;
    std::string plain = dir / "plain.ach";
    std::string scrambled = dir / "scrambled.ach";
};

// The archive of the committed fixture: three slots, two used, a body coded in
// two 1024-byte steps.
std::vector<EntrySpec> FixtureEntries() { return {{"a.txt", "hello", 1}, {"sub\\e.bin", Pattern(1500, 7), 2}}; }

TEST_F(ScrambleTest, TheCommittedFixtureIsWhatTheWriterMakes) {
    ASSERT_EQ(BuildPlainArchive(plain, 3, FixtureEntries(), dir.path()), 0);
    ASSERT_EQ(api::EncryptAchFile(plain.c_str(), scrambled.c_str()), 0);
    const std::string made = ReadAll(scrambled);
    const std::string fixture = std::string(KB_ACH_FIXTURES) + "/scrambled.ach";
    if (std::getenv("ACH_WRITE_FIXTURES")) {
        ASSERT_TRUE(WriteWholeFile(fixture, made));
        ASSERT_TRUE(WriteWholeFile(std::string(KB_ACH_FIXTURES) + "/corpus/scrambled.ach", made));
        ASSERT_TRUE(WriteWholeFile(std::string(KB_ACH_FIXTURES) + "/corpus/plain.ach", ReadAll(plain)));
    }
    std::string committed;
    ASSERT_TRUE(ReadWholeFile(fixture, committed));
    EXPECT_EQ(Hex(made), Hex(committed));
}

TEST_F(ScrambleTest, TheCommittedFixtureReadsBack) {
    const std::string fixture = std::string(KB_ACH_FIXTURES) + "/scrambled.ach";
    int slots = 0;
    EXPECT_EQ(api::GetCount(fixture.c_str(), &slots, nullptr), 2);
    EXPECT_EQ(slots, 3);
    const auto entries = FixtureEntries();
    for (int i = 0; i < 2; ++i) {
        char name[64];
        EXPECT_EQ(api::GetName(fixture.c_str(), i, name, 63), 0);
        EXPECT_EQ(name, entries[i].name);
        EXPECT_EQ(api::SaveByIndex(fixture.c_str(), i, (dir / "out").c_str()), 0);
        EXPECT_EQ(ReadAll(dir / "out"), entries[i].body);
    }
}

TEST_F(ScrambleTest, HeaderSlotsAndNamesAreStoredScrambled) {
    ASSERT_EQ(BuildPlainArchive(plain, 3, {{"ab", "x", 1}, {"c", "", 2}}, dir.path()), 0);
    ASSERT_EQ(api::EncryptAchFile(plain.c_str(), scrambled.c_str()), 0);
    const std::string p = ReadAll(plain), s = ReadAll(scrambled);
    ASSERT_EQ(p.size(), s.size());
    EXPECT_EQ(Hex(s.substr(0, 4)), "fcffffff");
    for (uint32_t slot = 0; slot < 3; ++slot) {
        uint8_t r[kSlotSize];
        std::memcpy(r, s.data() + 4 + 40 * slot, kSlotSize);
        AchCipher().UnscrambleSlot(r, slot);
        EXPECT_EQ(Record(r), p.substr(4 + 40 * slot, 40)) << slot;
    }
    // The free slot is stored as the key bytes themselves.
    uint8_t freeSlot[kSlotSize] = {};
    ScrambleSlotBytes(freeSlot, kSlotSize, 2);
    EXPECT_EQ(s.substr(84, 40), Record(freeSlot));
    // Names inverted before the terminator, which stays.
    EXPECT_EQ(Hex(s.substr(124, 3)), "9e9d00");
    EXPECT_EQ(Hex(s.substr(128, 2)), "9c00");
}

TEST_F(ScrambleTest, AnEmptyArchiveScramblesToTheComplementOfZero) {
    ASSERT_EQ(api::CreateNew(plain.c_str(), 0), 0);
    ASSERT_EQ(api::EncryptAchFile(plain.c_str(), scrambled.c_str()), 0);
    EXPECT_EQ(Hex(ReadAll(scrambled)), "ffffffff");
    int slots = -1;
    EXPECT_EQ(api::GetCount(scrambled.c_str(), &slots, nullptr), 0);
    EXPECT_EQ(slots, 0);
}

TEST_F(ScrambleTest, EveryReaderGivesThePlainEntriesExceptFindAndMemCopy) {
    const std::vector<EntrySpec> entries = {{"Skin\\main.bmp", Pattern(70000, 1), 1}, {"b.txt", "bee", 2}};
    ASSERT_EQ(BuildPlainArchive(plain, 4, entries, dir.path()), 0);
    ASSERT_EQ(api::EncryptAchFile(plain.c_str(), scrambled.c_str()), 0);
    int slots = 0, longest = 0;
    EXPECT_EQ(api::GetCount(scrambled.c_str(), &slots, &longest), 2);
    EXPECT_EQ(slots, 4);
    EXPECT_EQ(longest, 13);
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        char name[64];
        EXPECT_EQ(api::GetName(scrambled.c_str(), i, name, 63), 0);
        EXPECT_EQ(name, entries[i].name);
        TAchFileInfo a{}, b{};
        EXPECT_EQ(api::GetInfo(scrambled.c_str(), i, &a), 0);
        EXPECT_EQ(api::GetInfo(plain.c_str(), i, &b), 0);
        EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0);
        std::string loaded;
        ArkMemStream stream{nullptr, 0, 0, &loaded, ResizeString};
        EXPECT_EQ(api::LoadByIndex(scrambled.c_str(), i, &stream), 0);
        EXPECT_EQ(loaded, entries[i].body);
        EXPECT_EQ(api::LoadByName(scrambled.c_str(), entries[i].name.c_str(), &stream), i);
        EXPECT_EQ(loaded, entries[i].body);
        EXPECT_EQ(api::SaveByName(scrambled.c_str(), entries[i].name.c_str(), (dir / "one").c_str()), 0);
        EXPECT_EQ(ReadAll(dir / "one"), entries[i].body);
        EXPECT_EQ(api::Find(scrambled.c_str(), entries[i].name.c_str()), ARKSTOWRET_NOT_FOUND);
        char raw[3];
        EXPECT_EQ(api::MemCopy(scrambled.c_str(), entries[i].name.c_str(), raw, 0, 3), ARKSTOWRET_NOT_FOUND);
    }
    const std::string out = dir / "out";
    EXPECT_EQ(api::SaveAll(scrambled.c_str(), out.c_str()), 0);
    EXPECT_EQ(ReadAll(out + "\\Skin\\main.bmp"), entries[0].body);
    EXPECT_EQ(ReadAll(out + "\\b.txt"), "bee");
}

TEST_F(ScrambleTest, BodiesAreCodedInChunksOf65536WithTheBodyPassword) {
    struct Case {
        size_t size;
        std::vector<int> chunks;
    } cases[] = {{0, {}},
                 {1, {1}},
                 {65535, {65535}},
                 {65536, {65536}},
                 {65537, {65536, 1}},
                 {131073, {65536, 65536, 1}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        const std::string body = Pattern(c.size, 5);
        ASSERT_EQ(BuildPlainArchive(plain, 1, {{"x", body, 1}}, dir.path()), 0);
        coding.log().calls.clear();
        ASSERT_EQ(api::EncryptAchFile(plain.c_str(), scrambled.c_str()), 0);
        std::vector<int> lengths;
        for (const auto& call : coding.log().calls) {
            EXPECT_TRUE(call.encrypt);
            EXPECT_EQ(call.password, "Qorvend");
            EXPECT_EQ(call.passwordLength, 7);
            EXPECT_EQ(call.synchronous, 1);
            lengths.push_back(call.length);
        }
        EXPECT_EQ(lengths, c.chunks);
        // Each chunk on its own: the stored body is the coded chunks in a row.
        std::string expected = body;
        for (size_t at = 0; at < expected.size(); at += 65536)
            ASSERT_TRUE(ReferenceCodeBuffer(reinterpret_cast<uint8_t*>(expected.data()) + at,
                                            std::min<size_t>(65536, expected.size() - at), kAchBodyPassword));
        EXPECT_EQ(ReadAll(scrambled).substr(4 + 40 + 2), expected);
        EXPECT_EQ(api::SaveByIndex(scrambled.c_str(), 0, (dir / "back").c_str()), 0);
        EXPECT_EQ(ReadAll(dir / "back"), body);
    }
}

TEST_F(ScrambleTest, AScrambledSourceIsRefusedAndNoDestinationIsLeft) {
    ASSERT_EQ(BuildPlainArchive(plain, 2, {{"a", "1", 1}}, dir.path()), 0);
    ASSERT_EQ(api::EncryptAchFile(plain.c_str(), scrambled.c_str()), 0);
    const std::string again = dir / "again.ach";
    EXPECT_EQ(api::EncryptAchFile(scrambled.c_str(), again.c_str()), ARKSTOWRET_ALREADY_SCRAMBLED);
    EXPECT_FALSE(FileExists(again));
    // A file already at the destination is kept.
    ASSERT_TRUE(WriteWholeFile(again, "mine"));
    EXPECT_EQ(api::EncryptAchFile(scrambled.c_str(), again.c_str()), ARKSTOWRET_ALREADY_SCRAMBLED);
    EXPECT_EQ(ReadAll(again), "mine");
    EXPECT_EQ(Listing(dir.path()), (std::vector<std::string>{"again.ach", "plain.ach", "scrambled.ach", "src0"}));
}

TEST_F(ScrambleTest, ScramblingOntoItselfIsRefusedAndTheArchiveKept) {
    ASSERT_EQ(BuildPlainArchive(plain, 2, {{"a", "1", 1}}, dir.path()), 0);
    const std::string before = ReadAll(plain);
    EXPECT_EQ(api::EncryptAchFile(plain.c_str(), plain.c_str()), ARKSTOWRET_OPEN_FAILED);
    const std::string otherSpelling = dir.path() + "\\.\\plain.ach";
    EXPECT_EQ(api::EncryptAchFile(plain.c_str(), otherSpelling.c_str()), ARKSTOWRET_OPEN_FAILED);
    EXPECT_EQ(ReadAll(plain), before);
    EXPECT_EQ(api::EncryptAchFile((dir / "none.ach").c_str(), scrambled.c_str()), ARKSTOWRET_OPEN_FAILED);
    EXPECT_FALSE(FileExists(scrambled));
}

TEST_F(ScrambleTest, ExistingDestinationIsReplacedOnlyBySuccess) {
    ASSERT_EQ(BuildPlainArchive(plain, 2, {{"a", "1", 1}}, dir.path()), 0);
    ASSERT_TRUE(WriteWholeFile(scrambled, "old"));
    ASSERT_EQ(api::EncryptAchFile(plain.c_str(), scrambled.c_str()), 0);
    EXPECT_EQ(api::GetCount(scrambled.c_str(), nullptr, nullptr), 1);
    EXPECT_EQ(Listing(dir.path()), (std::vector<std::string>{"plain.ach", "scrambled.ach", "src0"}));
}

TEST(ScrambleWithoutPackLibrary, BodiesFailWhileSlotsAndNamesStillRead) {
    TempDir dir, temp;
    ScopedTempFolder scopedTemp{temp.path()};
    RecordingSink sink;
    const std::string plain = dir / "p.ach", scrambled = dir / "s.ach", empties = dir / "e.ach";
    {
        ScopedBodyCoding coding;
        ASSERT_EQ(BuildPlainArchive(plain, 2, {{"a.txt", "abc", 1}}, dir.path()), 0);
        ASSERT_EQ(api::EncryptAchFile(plain.c_str(), scrambled.c_str()), 0);
    }
    sink.messages.clear();
    ScopedBodyCoding unbound(false);
    EXPECT_EQ(sink.messages, (std::vector<std::pair<std::string, std::string>>{
                                 {"Arkstow", "EncryptBufferData() not found in Kabbit.dll"},
                                 {"Arkstow", "DecryptBufferData() not found in Kabbit.dll"}}));
    EXPECT_EQ(api::EncryptAchFile(plain.c_str(), (dir / "x.ach").c_str()), ARKSTOWRET_ENCRYPT_FAILED);
    EXPECT_FALSE(FileExists(dir / "x.ach"));
    EXPECT_TRUE(unbound.log().calls.empty());  // never called through a missing function
    EXPECT_EQ(api::GetCount(scrambled.c_str(), nullptr, nullptr), 1);
    char name[16];
    EXPECT_EQ(api::GetName(scrambled.c_str(), 0, name, 15), 0);
    EXPECT_STREQ(name, "a.txt");
    EXPECT_EQ(api::SaveByIndex(scrambled.c_str(), 0, (dir / "o").c_str()), ARKSTOWRET_DECRYPT_FAILED);
    // Empty bodies need no coding.
    ASSERT_EQ(BuildPlainArchive(empties, 2, {{"e", "", 1}}, dir.path()), 0);
    EXPECT_EQ(api::EncryptAchFile(empties.c_str(), (dir / "es.ach").c_str()), 0);
}

TEST_F(ScrambleTest, AFailingChunkCodingFailsTheWholeCopy) {
    ASSERT_EQ(BuildPlainArchive(plain, 2, {{"a", Pattern(70000, 1), 1}}, dir.path()), 0);
    coding.log().failAtCall = 1;
    EXPECT_EQ(api::EncryptAchFile(plain.c_str(), scrambled.c_str()), ARKSTOWRET_ENCRYPT_FAILED);
    EXPECT_FALSE(FileExists(scrambled));
}

// Sources whose layout does not hold: each is refused before it can make the
// copy allocate, read or write out of bounds, and no destination is left.
TEST_F(ScrambleTest, DamagedSourcesAreRefused) {
    ASSERT_EQ(BuildPlainArchive(plain, 2, {{"ab", "xyz", 1}, {"c", "q", 2}}, dir.path()), 0);
    const std::string good = ReadAll(plain);
    auto with = [&](size_t at, const std::string& bytes) {
        std::string s = good;
        s.replace(at, bytes.size(), bytes);
        return s;
    };
    auto le = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    // Layout: table 4..84, "ab\0" at 84, "xyz" at 87, "c\0" at 90, "q" at 92.
    struct Case {
        const char* what;
        std::string bytes;
        int result;
        const char* clib;
    } cases[] = {
        {"cut inside the header", good.substr(0, 2), -100, "Read<1>"},
        {"slot count beyond the file", le(0x7FFFFFFF) + good.substr(4), -100, "Read<2>"},
        {"slot count past 32-bit sizes", le(0x6666667) + good.substr(4), -100, "Read<2>"},
        {"cut inside the table", good.substr(0, 60), -100, "Read<2>"},
        {"name not where the last body ended", with(4, le(85)), -100, "Read<3>"},
        {"body before its name", with(8, le(80)), -100, "Read<3>"},
        {"body at its name", with(8, le(84)), -100, "Read<3>"},
        {"name longer than 4096", with(8, le(84 + 5000)), -100, "Read<3>"},
        {"name without its terminator", with(86, "z"), -100, "Read<3>"},
        {"terminator inside the name", with(85, std::string(1, '\0')), -100, "Read<3>"},
        {"body cut short", good.substr(0, good.size() - 1), -100, "Read<4>"},
        {"name holding 0xFF", with(84, "\xff"), ARKSTOWRET_UNSAFE_NAME, ""},
    };
    const std::string source = dir / "damaged.ach";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(WriteWholeFile(source, c.bytes));
        EXPECT_EQ(api::EncryptAchFile(source.c_str(), scrambled.c_str()), c.result);
        EXPECT_EQ(Server().CLibFunction(), c.clib);
        if (c.result == -100) {
            EXPECT_EQ(Server().TargetStream(), source);
        }
        EXPECT_FALSE(FileExists(scrambled));
        EXPECT_EQ(ReadAll(source), c.bytes);
    }
}

TEST_F(ScrambleTest, AFailureIsLoggedWithTheExportTrace) {
    ASSERT_TRUE(WriteWholeFile(plain, std::string("\x01\0\0\0", 4)));
    EXPECT_EQ(api::EncryptAchFile(plain.c_str(), scrambled.c_str()), -100);
    std::string log;
    ASSERT_TRUE(ReadWholeFile(temp / kErrorLogName, log));
    EXPECT_EQ(log, "ErrorCode = -100\r\r\nArkstow function: _EncryptAchFile\r\r\nCLib function: Read<2>\r\r\n"
                   "Target stream: " + plain + "\r\r\n");
}

}  // namespace
}  // namespace ark
