#include "shared/pack_errors.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

struct Case {
    uint32_t value;
    const char* text;
};

// Written out from the published table, not from the code, so a changed byte fails.
const Case kCases[] = {
    {0x80000010, "Cannot open packed file."},
    {0x80000011, "Cannot open source file."},
    {0x80000012, "Cannot open destination file."},
    {0x80000013, "Cannot create directory."},
    {0x80000020, "Illegal packed file."},
    {0x80000021, "File not found in packed file."},
    {0x80000030, "Password was not set."},
    {0x80000031, "Protected by password."},
    {0x80000032, "Password is wrong."},
    {0x80000033, "Password is too long."},
    {0x80000034, "Password is too short."},
    {0x80000040, "File name buffer overflow."},
    {0x80000041, "File size buffer overflow."},
    {0x80000042, "Illegal index."},
    {0x80000043, "Too long file name."},
    {0x80000044, "Too long path name."},
    {0x80000050, "Not Enough memory"},
    {0x80000100, "File I/O error."},
    {0x80000200, "Cannot make FsSpec file."},
    {0x80000201, "FspGetFileSize error."},
    {0x80000202, "No file found error."},
    {0x80000203, "Compression error."},
    {0x80000204, "Uncompression error."},
    {0x80000220, "Invalid paramater"},
    {0x80000221, "Too long file name error"},
    {0x80000222, "Create key error"},
    {0x80000223, "Too big file size"},
    {0x80000225, "Cannot create thread."},
    {0x80000226, "Null buffer pointer."},
    {0x80000230, "Cannot pack folder with no compression."},
    {0x80000231, "Not compressed file."},
};

TEST(PackErrorText, EveryCodeHasItsExactText) {
    static_assert(sizeof(kCases) / sizeof(kCases[0]) == kb::kPackErrorCount);
    for (const auto& c : kCases)
        EXPECT_EQ(std::string(kb::PackErrorText(static_cast<int>(c.value))), c.text)
            << std::hex << c.value;
}

TEST(PackErrorText, AnyOtherValueIsUnknown) {
    const uint32_t others[] = {0x80000224, 0x80000000, 0x8000000F, 0x80000014, 0x80000232,
                               0xFFFFFFFF, 0, 1, 101, 0x7FFFFFFF, 0x00000010};
    for (uint32_t v : others)
        EXPECT_STREQ(kb::PackErrorText(static_cast<int>(v)), "Unknown error.") << std::hex << v;
}

TEST(PackErrorText, NamedConstantsCarryTheirValues) {
    EXPECT_EQ(kb::PACKERR_OPEN_PACKED_FILE, static_cast<int>(0x80000010u));
    EXPECT_LT(kb::PACKERR_NOT_COMPRESSED_FILE, 0);
    EXPECT_EQ(static_cast<uint32_t>(kb::PACKERR_CREATE_THREAD), 0x80000225u);
}

}  // namespace
