// The pure rules of the container: layout fields, mode choice, progress, names.
#include "packlib/container_format.h"

#include <gtest/gtest.h>

namespace kb::pack {
namespace {

TEST(ContainerFormat, StatusFieldsSitAtTheirOffsets) {
    ZipPkgStatus s;
    s.creation = 0x01020304;
    s.lastWrite = 0x05060708;
    s.lastAccess = 0x090A0B0C;
    s.size = -2;
    s.attributes = 0x27;
    uint8_t out[kZipPkgStatusSize];
    std::fill(std::begin(out), std::end(out), 0xEE);
    EncodeZipPkgStatus(s, out);
    const uint8_t want[kZipPkgStatusSize] = {4, 3, 2, 1, 8, 7, 6, 5, 0x0C, 0x0B, 0x0A, 9,
                                             0xFE, 0xFF, 0xFF, 0xFF, 0x27, 0, 0, 0};
    EXPECT_TRUE(std::equal(std::begin(out), std::end(out), std::begin(want)));
    const ZipPkgStatus back = DecodeZipPkgStatus(out);
    EXPECT_EQ(back.creation, s.creation);
    EXPECT_EQ(back.lastWrite, s.lastWrite);
    EXPECT_EQ(back.lastAccess, s.lastAccess);
    EXPECT_EQ(back.size, -2);
    EXPECT_EQ(back.attributes, 0x27);
}

TEST(ContainerFormat, BlockCountsAndSizes) {
    struct Case { uint32_t length, count, last; };
    const Case cases[] = {{1, 1, 1}, {524287, 1, 524287}, {524288, 1, 524288}, {524289, 2, 1},
                          {1048576, 2, 524288}, {1048577, 3, 1}, {4000000000u, 7630, 4000000000u % 524288}};
    for (const Case& c : cases) {
        EXPECT_EQ(ZipPkgBlockCount(c.length), c.count) << c.length;
        EXPECT_EQ(ZipPkgBlockExpandedSize(c.length, c.count - 1), c.last) << c.length;
        if (c.count > 1) {
            EXPECT_EQ(ZipPkgBlockExpandedSize(c.length, 0), kZipPkgBlockSize);
        }
        EXPECT_EQ(ZipPkgBlockExpandedSize(c.length, c.count), 0u);
    }
    EXPECT_EQ(ZipPkgBlockCount(0), 0u);
    EXPECT_EQ(ZipPkgBlockLimit(kZipPkgBlockSize), kZipPkgBlockRoom);
}

TEST(ContainerFormat, ModeChoice) {
    const uint64_t plenty = 1ull << 40;
    struct Case { uint64_t length, physical, virt; uint8_t mode; };
    const Case cases[] = {
        {1, plenty, 0, 0},
        {24916644, plenty, 0, 0},
        {24916645, plenty, 0, 1},           // reaches the single-block limit
        {1000, 0, 0, 1},                    // no memory at all
        {1000, 2000, 0, 1},                 // 2046 does not fit in 2000
        {1000, 2047, 0, 0},
        {1000, 0, 2047 * 200, 0},           // a two-hundredth of the virtual space counts
        {2126221421ull, plenty, plenty, 1}, // would wrap below the limit in 32 bits
        {4000000000ull, plenty, plenty, 1},
        {1000, UINT64_MAX, UINT64_MAX, 0},  // the sum does not wrap
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChooseBlockMode(c.length, c.physical, c.virt), c.mode) << c.length << " " << c.physical;
}

TEST(ContainerFormat, ProgressIn64Bits) {
    const uint64_t f = 3ull * kZipPkgBlockSize;
    EXPECT_EQ(CompressProgress(kZipPkgBlockSize, f), 16);
    EXPECT_EQ(CompressProgress(2ull * kZipPkgBlockSize, f), 33);
    EXPECT_EQ(CompressProgress(f, f), 50);
    // A 4,000,000,000-byte file stays inside 0..50 throughout.
    for (uint64_t done = kZipPkgBlockSize; done < 4000000000ull; done += 97ull * kZipPkgBlockSize) {
        const int p = CompressProgress(done, 4000000000ull);
        EXPECT_GE(p, 0);
        EXPECT_LE(p, 50);
    }
    EXPECT_EQ(ExtractProgress(0, 3), 66);
    EXPECT_EQ(ExtractProgress(1, 3), 83);
    EXPECT_EQ(ExtractProgress(2, 3), 100);
    EXPECT_EQ(ExtractProgress(7628, 7630), 99);
}

TEST(ContainerFormat, RecordNamesFromPaths) {
    struct Case { const char* source; const char* base; bool ok; const char* name; };
    const Case cases[] = {
        {"C:\\Data\\sub\\a.txt", "C:\\Data", true, "\\sub\\a.txt"},
        {"C:\\Data\\sub\\a.txt", "C:\\Data\\", true, "sub\\a.txt"},
        {"C:\\Data\\sub\\a.txt", "", true, "\\Data\\sub\\a.txt"},  // drive part removed
        {"C:\\Data", "C:\\Data", false, ""},
        {"C:\\Data", "C:\\Data\\longer", false, ""},
        {"C:\\D\\x:y", "C:\\D", true, "y"},
    };
    for (const Case& c : cases) {
        std::string name = "unchanged";
        EXPECT_EQ(MakeRecordName(c.source, c.base, &name), c.ok) << c.source;
        if (c.ok) {
            EXPECT_EQ(name, c.name) << c.source;
        }
    }
    EXPECT_EQ(StripDrivePart("C:\\a.txt"), "\\a.txt");
    EXPECT_EQ(StripDrivePart(":a.txt"), ":a.txt");  // only at the start: kept
    EXPECT_EQ(StripDrivePart("a.txt"), "a.txt");
    EXPECT_EQ(StripDrivePart("a:b:c"), "b:c");
}

}  // namespace
}  // namespace kb::pack
