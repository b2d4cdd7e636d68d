// EnumFiles and GetFileInfo: buffer bounds, flags, indexes, encrypted names.
#include <gtest/gtest.h>

#include <cstring>

#include "frame_test_support.h"
#include "testing/builders/pack_builder.h"
#include "packlib/kabbit_app.h"
#include "shared/pack_errors.h"

namespace kb::pack {
namespace {

using testing::BuilderEntry;
using testing::PackBuilder;

class Enumerate : public ::testing::Test {
protected:
    std::string WritePack(const PackBuilder& b) {
        const std::string path = dir / "p.pck";
        EXPECT_TRUE(b.WriteTo(path));
        return path;
    }
    testing::TempDir dir;
    testing::FakeSys sys;
    CKabbitApp app{sys};
};

PackBuilder ThreeEntries(bool encrypted) {
    PackBuilder b;
    if (encrypted) b.Encrypted(255, 3);
    b.Add("a.txt", "hello");
    BuilderEntry c;
    c.name = "set.cmp";
    c.data = std::string(2000, 'c');
    c.compressed = true;
    b.Add(c);
    b.Add("sub\\b.txt", std::string(70000, 'b'));
    return b;
}

const char kNames[] = "a.txt\0set.cmp\0sub\\b.txt\0";  // and the final zero

TEST_F(Enumerate, ListsNamesFlagsAndSizes) {
    for (bool encrypted : {false, true}) {
        const std::string pack = WritePack(ThreeEntries(encrypted));
        std::vector<char> names(sizeof kNames);  // exactly the names, their zeros and the final zero
        std::vector<uint8_t> flags(1001, 0xEE);
        std::vector<uint32_t> sizes(3);
        ASSERT_EQ(app.EnumFiles(pack.c_str(), names.data(), static_cast<int>(names.size()), flags.data(),
                                sizes.data(), 12, "secret1"),
                  3)
            << encrypted;
        EXPECT_EQ(std::string(names.data(), names.size()), std::string(kNames, sizeof kNames));
        EXPECT_EQ(flags[0], 0);
        EXPECT_EQ(flags[1], 1);
        EXPECT_EQ(flags[2], 0);
        EXPECT_EQ(flags[3], 0xEE);
        EXPECT_EQ(sizes, (std::vector<uint32_t>{5, 2000, 70000}));
    }
}

TEST_F(Enumerate, BufferBounds) {
    const std::string pack = WritePack(ThreeEntries(false));
    std::vector<uint8_t> flags(1001);
    std::vector<uint32_t> sizes(3);
    struct Case {
        int namesSize;
        int sizesBytes;
        int result;
    } cases[] = {
        {static_cast<int>(sizeof kNames), 12, 3},
        {static_cast<int>(sizeof kNames) - 1, 12, PACKERR_NAME_BUFFER_OVERFLOW},
        {static_cast<int>(sizeof kNames), 11, PACKERR_SIZE_BUFFER_OVERFLOW},
        {0, 12, PACKERR_NAME_BUFFER_OVERFLOW},
    };
    for (const auto& c : cases) {
        std::vector<char> names(static_cast<size_t>(std::max(c.namesSize, 1)));
        EXPECT_EQ(app.EnumFiles(pack.c_str(), names.data(), c.namesSize, flags.data(), sizes.data(), c.sizesBytes,
                                "secret1"),
                  c.result)
            << c.namesSize << " " << c.sizesBytes;
    }
    char one[1] = {'x'};
    EXPECT_EQ(app.EnumFiles(WritePack(PackBuilder()).c_str(), one, 1, flags.data(), sizes.data(), 0, "secret1"), 0);
    EXPECT_EQ(one[0], 0);
    EXPECT_EQ(app.EnumFiles(pack.c_str(), nullptr, 10, flags.data(), sizes.data(), 12, "secret1"),
              PACKERR_NULL_BUFFER);
}

TEST_F(Enumerate, FlagsFromTheThousandAndFirstEntryShareTheLastByte) {
    PackBuilder b;
    for (int i = 0; i < 1002; ++i) {
        BuilderEntry e;
        e.name = "f" + std::to_string(i);
        e.compressed = (i == 1001);
        b.Add(e);
    }
    const std::string pack = WritePack(b);
    std::vector<char> names(1002 * 6 + 1);
    std::vector<uint8_t> flags(1001, 0xEE);  // ASan guards the end
    std::vector<uint32_t> sizes(1002);
    ASSERT_EQ(app.EnumFiles(pack.c_str(), names.data(), static_cast<int>(names.size()), flags.data(), sizes.data(),
                            1002 * 4, "secret1"),
              1002);
    EXPECT_EQ(flags[999], 0);
    EXPECT_EQ(flags[1000], 1);  // written by entries 1000 (0) and 1001 (1)
}

TEST_F(Enumerate, GetFileInfo) {
    const std::string pack = WritePack(ThreeEntries(true));
    char name[260];
    int size = sizeof name;
    int length = -1;
    EXPECT_EQ(app.GetFileInfo(pack.c_str(), 2, name, &size, &length, "secret1"), 0);
    EXPECT_STREQ(name, "sub\\b.txt");
    EXPECT_EQ(length, 70000);
    EXPECT_EQ(app.GetFileInfo(pack.c_str(), 1, name, &size, &length, "secret1"), 0);
    EXPECT_STREQ(name, "set.cmp");
    EXPECT_EQ(length, 2000);

    size = 1;
    length = -1;
    std::strcpy(name, "keep");
    EXPECT_EQ(app.GetFileInfo(pack.c_str(), 2, name, &size, &length, "secret1"), PACKERR_NAME_BUFFER_OVERFLOW);
    EXPECT_EQ(size, 10);
    EXPECT_EQ(length, 70000);
    EXPECT_STREQ(name, "keep");

    for (int index : {3, -1}) {
        size = sizeof name;
        length = -1;
        EXPECT_EQ(app.GetFileInfo(pack.c_str(), index, name, &size, &length, "secret1"), PACKERR_ILLEGAL_INDEX);
        EXPECT_EQ(length, -1);
        EXPECT_EQ(size, static_cast<int>(sizeof name));
    }
    EXPECT_EQ(app.GetFileInfo(pack.c_str(), 0, name, &size, &length, "wrong12"), PACKERR_WRONG_PASSWORD);
    EXPECT_EQ(length, -1);
}

}  // namespace
}  // namespace kb::pack
