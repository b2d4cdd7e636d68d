// The reader must refuse damaged images rather than read past them.
#include "pe_exports.h"

#include <gtest/gtest.h>

using kb::testing::ReadPeExports;

TEST(PeExports, RejectsTruncatedAndForeignImages) {
    const std::vector<std::vector<uint8_t>> cases = {
        {},
        {'M', 'Z'},
        std::vector<uint8_t>(0x40, 0),
    };
    for (const auto& c : cases) EXPECT_FALSE(ReadPeExports(c).has_value());

    std::vector<uint8_t> farPe(0x40, 0);
    farPe[0x3C] = 0xF0;  // e_lfanew past the end
    farPe[0x3F] = 0xFF;
    EXPECT_FALSE(ReadPeExports(farPe).has_value());
}
