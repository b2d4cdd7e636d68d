// Pack headers written by CreateNew, GetType, the entry walk of GetFileCount and
// GetTotalSize over damaged packs, and the access check with its throttle.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "frame_test_support.h"
#include "testing/builders/pack_builder.h"
#include "packlib/crt_random.h"
#include "packlib/header_salt.h"
#include "packlib/kabbit_app.h"
#include "packlib/pack_format.h"
#include "packlib/throttle.h"
#include "shared/pack_errors.h"

namespace kb::pack {
namespace {

using testing::BuilderEntry;
using testing::PackBuilder;

class PackFormat : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string path = dir / name;
        EXPECT_TRUE(testing::WriteWholeFile(path, bytes));
        return path;
    }
    std::string Write(const std::string& name, const PackBuilder& b) { return Write(name, b.Bytes()); }

    testing::TempDir dir;
    testing::FakeSys sys;
    CKabbitApp app{sys};
};

TEST_F(PackFormat, CreateNewPlainHeaderIsByteExact) {
    const std::string path = dir / "p.pck";
    ASSERT_EQ(app.CreateNew(path.c_str(), "secret1", false, 1), 0);
    std::string expected;
    expected += '\x50';
    expected += '\xFE';  // PACKFLAG_PASSWORD, stored inverted
    expected.append(264, '\0');
    expected.append(4, ' ');
    expected += "secret1";
    expected.append(256 - 7, '\0');
    EXPECT_EQ(testing::ReadAll(path), expected);
}

TEST_F(PackFormat, CreateNewEncryptedHeaderCarriesRoundsAndCodedPassword) {
    const std::string path = dir / "e.pck";
    ASSERT_EQ(app.CreateNew(path.c_str(), "secret1", true, 200), 0);
    const std::string bytes = testing::ReadAll(path);
    ASSERT_EQ(bytes.size(), kHeaderSize);
    const auto* h = reinterpret_cast<const uint8_t*>(bytes.data());
    EXPECT_EQ(h[0], 0x50);
    EXPECT_EQ(h[1], 0xFC);
    // The salt comes from the injected clock: seeded with its seconds, P is the first draw.
    CrtRandom random(static_cast<uint32_t>(sys.now));
    const uint8_t p = static_cast<uint8_t>(random.Next() % 256);
    EXPECT_EQ(CHeaderSalt::ReadSaltPosition(h + kSaltOffset), p);
    EXPECT_EQ(h[kRoundsBlockOffset + p], 200);
    EXPECT_EQ(RoundsOfHeader(h), 200);
    EXPECT_EQ(std::string(bytes, kReservedOffset, 4), "    ");
    uint8_t field[256];
    std::memcpy(field, h + kPasswordFieldOffset, 256);
    EXPECT_NE(std::memcmp(field, "secret1", 7), 0);
    CBufferCipher().CodePasswordField(field, 200);
    EXPECT_STREQ(reinterpret_cast<const char*>(field), "secret1");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(field) + 7, 249), std::string(249, '\0'));
    // The same second gives the same header.
    const std::string again = dir / "e2.pck";
    ASSERT_EQ(app.CreateNew(again.c_str(), "secret1", true, 200), 0);
    EXPECT_EQ(testing::ReadAll(again), bytes);
}

TEST_F(PackFormat, CreateNewRefusals) {
    const std::string existing = Write("old.pck", "user data");
    struct Case {
        std::string path;
        std::string password;
        bool encrypted;
        int rounds;
        int result;
    } cases[] = {
        {dir / "a.pck", "12345", false, 1, PACKERR_PASSWORD_TOO_SHORT},
        {dir / "b.pck", std::string(256, 'p'), true, 1, PACKERR_PASSWORD_TOO_LONG},
        {dir / "c.pck", "secret1", false, 0, PACKERR_INVALID_PARAMETER},
        {dir / "d.pck", "secret1", true, 256, PACKERR_INVALID_PARAMETER},
        {existing, "secret1", false, 1, PACKERR_OPEN_PACKED_FILE},
        {dir / "missing\\e.pck", "secret1", false, 1, PACKERR_OPEN_PACKED_FILE},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(app.CreateNew(c.path.c_str(), c.password.c_str(), c.encrypted, c.rounds), c.result) << c.path;
        if (c.path != existing) {
            EXPECT_FALSE(fs::Exists(c.path)) << c.path;
        }
    }
    EXPECT_EQ(testing::ReadAll(existing), "user data");
    // An empty file takes the header.
    const std::string empty = Write("empty.pck", "");
    EXPECT_EQ(app.CreateNew(empty.c_str(), "secret1", false, 255), 0);
    EXPECT_EQ(testing::ReadAll(empty).size(), kHeaderSize);
}

TEST_F(PackFormat, GetTypeReportsPlainFlags) {
    const std::string plain = dir / "p.pck";
    const std::string enc = dir / "e.pck";
    ASSERT_EQ(app.CreateNew(plain.c_str(), "secret1", false, 1), 0);
    ASSERT_EQ(app.CreateNew(enc.c_str(), "secret1", true, 9), 0);
    const std::string digest = Write("d.pck", PackBuilder().DigestMode());
    const std::string oneByte = Write("one.pck", "\x50");
    struct Case {
        std::string path;
        int result;
        uint8_t version, flags;
    } cases[] = {
        {plain, 0, 0x50, PACKFLAG_PASSWORD},
        {enc, 0, 0x50, PACKFLAG_PASSWORD | PACKFLAG_ENCRYPTED},
        {digest, 0, 0x50, PACKFLAG_PASSWORD | PACKFLAG_DIGESTKEY},
        {oneByte, PACKERR_FILE_IO, 0, 0},
        {dir / "none.pck", PACKERR_OPEN_PACKED_FILE, 0, 0},
    };
    for (const auto& c : cases) {
        uint8_t version = 0xAA, flags = 0xAA;
        EXPECT_EQ(app.GetType(c.path.c_str(), &version, &flags), c.result) << c.path;
        EXPECT_EQ(version, c.version) << c.path;
        EXPECT_EQ(flags, c.flags) << c.path;
    }
}

// Pack bytes: header, then entry 0 of b cut or patched by the caller.
std::string HeaderAnd(const PackBuilder& b, const std::string& entryBytes) { return b.Header() + entryBytes; }

TEST_F(PackFormat, WalkCountsAndSumsAndRejectsDamage) {
    PackBuilder two;
    two.Add("a.txt", "hello").Add("sub\\b.txt", std::string(3000, 'b'));
    PackBuilder one;
    one.Add("a.txt", "hello");
    const std::string e = one.EntryBytes(0);  // 8 flags, 4 len, 5 name, 4 len, 5 data, 32 trailer
    auto withNameLength = [&](uint32_t n) {
        BuilderEntry x;
        x.name = "a.txt";
        x.data = "hello";
        x.nameLength = n;
        return PackBuilder().Add(x).Bytes();
    };
    BuilderEntry big;
    big.name = "big";
    big.dataLength = 4000000001u;
    BuilderEntry longName;
    longName.name = std::string(256, 'n');
    longName.data = "x";
    BuilderEntry longNameEnc = longName;
    struct Case {
        const char* what;
        std::string bytes;
        int count;
        int total;
    } cases[] = {
        {"header only", PackBuilder().Bytes(), 0, 0},
        {"two entries", two.Bytes(), 2, 3005},
        {"name of 256 bytes", PackBuilder().Add(longName).Bytes(), 1, 1},
        {"name of 256 bytes, encrypted", PackBuilder().Encrypted(255).Add(longNameEnc).Bytes(), 1, 1},
        {"NameLength 257", withNameLength(257), PACKERR_ILLEGAL_PACKED_FILE, PACKERR_ILLEGAL_PACKED_FILE},
        {"NameLength 0xFFFFFFFF", withNameLength(0xFFFFFFFFu), PACKERR_ILLEGAL_PACKED_FILE,
         PACKERR_ILLEGAL_PACKED_FILE},
        {"end within flags", HeaderAnd(one, e.substr(0, 3)), PACKERR_FILE_IO, PACKERR_FILE_IO},
        {"end within NameLength", HeaderAnd(one, e.substr(0, 10)), 0, 0},
        {"end within name", HeaderAnd(one, e.substr(0, 14)), PACKERR_FILE_IO, PACKERR_FILE_IO},
        {"end at DataLength", HeaderAnd(one, e.substr(0, 17)), PACKERR_ILLEGAL_PACKED_FILE,
         PACKERR_ILLEGAL_PACKED_FILE},
        {"end within data", HeaderAnd(one, e.substr(0, 23)), PACKERR_FILE_IO, PACKERR_FILE_IO},
        {"no trailer", HeaderAnd(one, e.substr(0, 26)), PACKERR_FILE_IO, PACKERR_FILE_IO},
        {"DataLength over 4,000,000,000", PackBuilder().Add(big).Bytes(), PACKERR_ILLEGAL_PACKED_FILE,
         PACKERR_ILLEGAL_PACKED_FILE},
        {"short header", PackBuilder().WithoutPasswordFlag().Bytes().substr(0, 300), PACKERR_ILLEGAL_PACKED_FILE,
         PACKERR_ILLEGAL_PACKED_FILE},
        {"encrypted header cut in its block", PackBuilder().WithoutPasswordFlag().Encrypted(3).Bytes().substr(0, 100),
         PACKERR_ILLEGAL_PACKED_FILE, PACKERR_ILLEGAL_PACKED_FILE},
    };
    for (const auto& c : cases) {
        const std::string path = Write("w.pck", c.bytes);
        EXPECT_EQ(app.GetFileCount(path.c_str(), "secret1"), c.count) << c.what;
        EXPECT_EQ(app.GetTotalSize(path.c_str(), "secret1"), c.total) << c.what;
    }
}

TEST_F(PackFormat, TotalSizePastTheIntRangeIsTooBig) {
    // Two sparse entries of 1,200,000,000 bytes each.
    BuilderEntry e;
    e.name = "huge";
    e.dataLength = 1200000000u;
    PackBuilder b;
    b.Add(e).Add(e);
    const std::string entry0 = b.EntryBytes(0);  // no data: the trailer follows the fields
    const std::string entry1 = b.EntryBytes(1);
    const size_t fields = 8 + 4 + 4 + 4;
    const std::string path = dir / "huge.pck";
    fs::File f = fs::File::Open(path, fs::Access::Write, fs::Disposition::CreateAlways, fs::Share::None);
    ASSERT_TRUE(f.IsOpen());
    ASSERT_TRUE(f.Write(b.Header().data(), kHeaderSize));
    ASSERT_TRUE(f.Write(entry0.data(), fields));
    ASSERT_TRUE(f.Seek(1200000000, fs::Origin::Current));
    ASSERT_TRUE(f.Write(entry0.data() + fields, kTrailerSize));
    ASSERT_TRUE(f.Write(entry1.data(), fields));
    ASSERT_TRUE(f.Seek(1200000000, fs::Origin::Current));
    ASSERT_TRUE(f.Write(entry1.data() + fields, kTrailerSize));
    ASSERT_TRUE(f.Close());
    EXPECT_EQ(app.GetFileCount(path.c_str(), "secret1"), 2);
    EXPECT_EQ(app.GetTotalSize(path.c_str(), "secret1"), PACKERR_FILE_TOO_BIG);
}

TEST_F(PackFormat, PasswordLengthRuleHoldsForEveryPack) {
    const std::string noFlag = Write("n.pck", PackBuilder().WithoutPasswordFlag().Add("a.txt", "x"));
    const std::string pw255(255, 'q');
    const std::string long255 = Write("l.pck", PackBuilder(pw255).Encrypted(5).Add("a.txt", "x"));
    struct Case {
        std::string path;
        std::string password;
        int result;
    } cases[] = {
        {noFlag, "12345", PACKERR_PASSWORD_TOO_SHORT},
        {noFlag, "123456", 1},
        {noFlag, std::string(255, 'z'), 1},
        {noFlag, std::string(256, 'z'), PACKERR_PASSWORD_TOO_LONG},
        {long255, pw255, 1},
        {long255, pw255 + "q", PACKERR_PASSWORD_TOO_LONG},
        {dir / "missing.pck", "12345", PACKERR_OPEN_PACKED_FILE},
    };
    for (const auto& c : cases)
        EXPECT_EQ(app.GetFileCount(c.path.c_str(), c.password.c_str()), c.result) << c.password.size();
    EXPECT_EQ(app.GetFileCount(noFlag.c_str(), nullptr), PACKERR_PASSWORD_TOO_SHORT);
    EXPECT_TRUE(sys.Sleeps().empty());
}

TEST_F(PackFormat, RightAndWrongPasswordsInEveryMode) {
    struct Case {
        const char* what;
        PackBuilder builder;
    } cases[] = {
        {"clear", PackBuilder()},
        {"R = 1", PackBuilder().Encrypted(1, 0)},
        {"R = 255", PackBuilder().Encrypted(255, 255)},
        {"digest, R = 0", PackBuilder().DigestMode()},
        {"digest, R = 9", PackBuilder().Encrypted(9).DigestMode()},
    };
    for (auto& c : cases) {
        c.builder.Add("a.txt", "x");
        const std::string path = Write("m.pck", c.builder);
        testing::FakeSys fresh;
        CKabbitApp local(fresh);
        EXPECT_EQ(local.GetFileCount(path.c_str(), "secret1"), 1) << c.what;
        EXPECT_EQ(local.GetFileCount(path.c_str(), "secret2"), PACKERR_WRONG_PASSWORD) << c.what;
        EXPECT_EQ(local.GetFileCount(path.c_str(), "SECRET1"), PACKERR_WRONG_PASSWORD) << c.what;
        EXPECT_EQ(local.GetFileCount(path.c_str(), "secret"), PACKERR_WRONG_PASSWORD) << c.what;
        EXPECT_EQ(fresh.Sleeps(), (std::vector<uint32_t>{1000, 2000, 4000})) << c.what;
    }
}

TEST_F(PackFormat, ThrottleSequenceThroughTheAccessCheck) {
    const std::string path = Write("t.pck", PackBuilder().Encrypted(3).Add("a.txt", "x"));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(app.GetFileCount(path.c_str(), "wrong1"), PACKERR_WRONG_PASSWORD);
    EXPECT_EQ(sys.Sleeps(), (std::vector<uint32_t>{1000, 2000, 4000}));
    EXPECT_EQ(app.GetFileCount(path.c_str(), "secret1"), 1);
    EXPECT_TRUE(sys.AtomNames().empty());
    EXPECT_EQ(app.GetFileCount(path.c_str(), "wrong1"), PACKERR_WRONG_PASSWORD);
    EXPECT_EQ(sys.Sleeps().back(), 1000u);
}

TEST_F(PackFormat, NothingComparedRunsNoThrottleStep) {
    const std::string base = PasswordThrottle::kBaseName;
    const std::string step = PasswordThrottle::StepName(4);
    sys.AddGlobalAtom(base.c_str());
    sys.AddGlobalAtom(step.c_str());
    const std::string noFlag = Write("n.pck", PackBuilder().WithoutPasswordFlag().Add("a.txt", "x"));
    const std::string shortHeader = Write("s.pck", PackBuilder().Bytes().substr(0, 300));
    EXPECT_EQ(app.GetFileCount(noFlag.c_str(), "anything"), 1);
    EXPECT_EQ(app.GetFileCount(shortHeader.c_str(), "anything"), PACKERR_ILLEGAL_PACKED_FILE);
    EXPECT_EQ(sys.AtomNames(), (std::vector<std::string>{base, step}));
    EXPECT_TRUE(sys.Sleeps().empty());
}

TEST_F(PackFormat, PasswordFieldWithoutTerminatorNeverMatches) {
    const std::string full(256, 'A');
    const std::string path = Write("u.pck", PackBuilder().RawPasswordField(full).Add("a.txt", "x"));
    EXPECT_EQ(app.GetFileCount(path.c_str(), "AAAAAA"), PACKERR_WRONG_PASSWORD);
    EXPECT_EQ(app.GetFileCount(path.c_str(), std::string(255, 'A').c_str()), PACKERR_WRONG_PASSWORD);
}

// The committed pack guards the frozen seed tables and the header layout: a header
// written by CreateNew at a fixed second, then two entries, must stay byte for byte.
const char kFixturePassword[] = "fixture1";
const std::string kFixtureA = "Hello from the fixture pack.\r\n";
std::string FixtureB() {
    std::string s;
    while (s.size() < 1500) s += "0123456789abcdef";
    return s.substr(0, 1500);
}

PackBuilder FixtureEntries() {
    PackBuilder b(kFixturePassword);
    b.Encrypted(7);
    b.Add("a.txt", kFixtureA);
    BuilderEntry e;
    e.name = "sub\\b.txt";
    e.data = FixtureB();
    e.attributes = 0x21;
    b.Add(e);
    return b;
}

TEST_F(PackFormat, CommittedEncryptedFixtureIsReproducedByteForByte) {
    const std::string path = dir / "fixture.pck";
    ASSERT_EQ(app.CreateNew(path.c_str(), kFixturePassword, true, 7), 0);
    const PackBuilder b = FixtureEntries();
    const std::string made = testing::ReadAll(path) + b.EntryBytes(0) + b.EntryBytes(1);
    const std::string fixture = std::string(KB_FIXTURE_DIR) + "/encrypted-r7.pck";
    if (std::getenv("KB_WRITE_FIXTURES")) {
        ASSERT_TRUE(testing::WriteWholeFile(fixture, made));
    }
    const std::string committed = testing::ReadAll(fixture);
    ASSERT_NE(committed, "<missing>") << fixture;
    EXPECT_EQ(made, committed);

    EXPECT_EQ(app.GetFileCount(fixture.c_str(), kFixturePassword), 2);
    const std::string out = dir / "out";
    ASSERT_TRUE(fs::CreateFolder(out));
    for (const char* name : {"a.txt", "sub\\b.txt"}) {
        ASSERT_EQ(app.UnPack(fixture.c_str(), out.c_str(), name, kFixturePassword), 0) << name;
        app.WaitForWorker();
        EXPECT_EQ(app.GetProgress(nullptr), PACKPROGRESS_DONE) << name;
    }
    EXPECT_EQ(testing::ReadAll(out + "\\a.txt"), kFixtureA);
    EXPECT_EQ(testing::ReadAll(out + "\\sub\\b.txt"), FixtureB());
    fs::SetAttributes(out + "\\sub\\b.txt", 0);
}

}  // namespace
}  // namespace kb::pack
