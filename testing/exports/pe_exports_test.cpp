// The reader must refuse damaged images rather than read past them.
#include "pe_exports.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using kb::testing::PeImport;
using kb::testing::ReadPeExports;
using kb::testing::ReadPeImports;

TEST(PeExports, RejectsTruncatedAndForeignImages) {
    const std::vector<std::vector<uint8_t>> cases = {
        {},
        {'M', 'Z'},
        std::vector<uint8_t>(0x40, 0),
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(ReadPeExports(c).has_value());
        EXPECT_FALSE(ReadPeImports(c).has_value());
    }

    std::vector<uint8_t> farPe(0x40, 0);
    farPe[0x3C] = 0xF0;  // e_lfanew past the end
    farPe[0x3F] = 0xFF;
    EXPECT_FALSE(ReadPeExports(farPe).has_value());
    EXPECT_FALSE(ReadPeImports(farPe).has_value());
}

namespace {

constexpr uint32_t kSectionRva = 0x1000;
constexpr uint32_t kSectionRaw = 0x200;
constexpr uint32_t kImageBase32 = 0x10000000;

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    if (b.size() < at + 4) b.resize(at + 4);
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}

// One section at kSectionRva whose bytes the test lays out; names go after the tables.
struct Section {
    std::vector<uint8_t> bytes;
    uint32_t Name(const std::string& s) {
        const uint32_t rva = kSectionRva + uint32_t(bytes.size());
        bytes.insert(bytes.end(), s.begin(), s.end());
        bytes.push_back(0);
        return rva;
    }
};

struct Layout {
    bool pe64 = false;
    uint32_t dirs = 16;  // NumberOfRvaAndSizes
    uint32_t importRva = 0, delayRva = 0;
    Section section;
};

// A minimal image: DOS header, PE headers with one section, the section's bytes.
std::vector<uint8_t> Build(const Layout& l) {
    std::vector<uint8_t> b(kSectionRaw, 0);
    b[0] = 'M';
    b[1] = 'Z';
    Put32(b, 0x3C, 0x40);
    Put32(b, 0x40, 0x00004550);
    const size_t fh = 0x44;
    b[fh] = l.pe64 ? 0x64 : 0x4C;
    b[fh + 1] = l.pe64 ? 0x86 : 0x01;
    b[fh + 2] = 1;  // one section
    const uint32_t dirOffset = l.pe64 ? 112 : 96;
    const uint32_t optSize = dirOffset + 8 * l.dirs;
    b[fh + 16] = uint8_t(optSize);
    b[fh + 17] = uint8_t(optSize >> 8);
    const size_t opt = fh + 20;
    b[opt] = 0x0B;
    b[opt + 1] = l.pe64 ? 0x02 : 0x01;
    if (l.pe64) {
        Put32(b, opt + 24, 0x40000000);
        Put32(b, opt + 28, 0x00000001);
    } else {
        Put32(b, opt + 28, kImageBase32);
    }
    Put32(b, opt + dirOffset - 4, l.dirs);
    if (l.dirs > 1) Put32(b, opt + dirOffset + 8, l.importRva);
    if (l.dirs > 13) Put32(b, opt + dirOffset + 13 * 8, l.delayRva);
    const size_t sh = opt + optSize;
    std::memcpy(&b[sh], ".idata", 6);
    Put32(b, sh + 8, uint32_t(l.section.bytes.size()));
    Put32(b, sh + 12, kSectionRva);
    Put32(b, sh + 16, uint32_t(l.section.bytes.size()));
    Put32(b, sh + 20, kSectionRaw);
    b.resize(kSectionRaw);
    b.insert(b.end(), l.section.bytes.begin(), l.section.bytes.end());
    return b;
}

// Two import descriptors and a terminator at the section's start, one delay-load
// descriptor and its terminator after them, then the names.
Layout TwoImportsAndADelayedOne(bool pe64, bool delayByAddress = false) {
    Layout l;
    l.pe64 = pe64;
    l.importRva = kSectionRva;
    l.delayRva = kSectionRva + 3 * 20;
    l.section.bytes.assign(3 * 20 + 2 * 32, 0);
    const uint32_t kernel = l.section.Name("KERNEL32.dll");
    const uint32_t zlib = l.section.Name("zlib1.dll");
    const uint32_t netapi = l.section.Name("NetApi32.dll");
    Put32(l.section.bytes, 0 * 20 + 12, kernel);
    Put32(l.section.bytes, 0 * 20 + 16, 0x2000);
    Put32(l.section.bytes, 1 * 20 + 12, zlib);
    Put32(l.section.bytes, 1 * 20 + 16, 0x2100);
    const size_t delay = 3 * 20;
    Put32(l.section.bytes, delay, delayByAddress ? 0 : 1);
    Put32(l.section.bytes, delay + 4, delayByAddress ? kImageBase32 + netapi : netapi);
    return l;
}

}  // namespace

TEST(PeImports, ReadsImportAndDelayLoadTablesOfBothImageKinds) {
    const std::vector<PeImport> expected = {{"KERNEL32.dll", false}, {"zlib1.dll", false}, {"NetApi32.dll", true}};
    for (bool pe64 : {false, true}) {
        SCOPED_TRACE(pe64 ? "PE32+" : "PE32");
        auto imports = ReadPeImports(Build(TwoImportsAndADelayedOne(pe64)));
        ASSERT_TRUE(imports.has_value());
        EXPECT_EQ(*imports, expected);
    }
    auto byAddress = ReadPeImports(Build(TwoImportsAndADelayedOne(false, true)));
    ASSERT_TRUE(byAddress.has_value());
    EXPECT_EQ(*byAddress, expected);
}

TEST(PeImports, AnImageWithoutTablesImportsNothing) {
    Layout none;
    none.section.Name("x");
    auto imports = ReadPeImports(Build(none));
    ASSERT_TRUE(imports.has_value());
    EXPECT_TRUE(imports->empty());

    // Directories past NumberOfRvaAndSizes are not there, whatever bytes follow.
    Layout one = TwoImportsAndADelayedOne(false);
    one.dirs = 1;
    imports = ReadPeImports(Build(one));
    ASSERT_TRUE(imports.has_value());
    EXPECT_TRUE(imports->empty());
}

TEST(PeImports, RejectsDamagedTables) {
    struct Case {
        const char* what;
        std::vector<uint8_t> image;
    };
    Layout tableOutside = TwoImportsAndADelayedOne(false);
    tableOutside.importRva = 0x9000;
    Layout nameOutside = TwoImportsAndADelayedOne(true);
    Put32(nameOutside.section.bytes, 1 * 20 + 12, 0x9000);
    Layout delayNameOutside = TwoImportsAndADelayedOne(false);
    Put32(delayNameOutside.section.bytes, 3 * 20 + 4, 0x9000);
    Layout delayAddressBelowBase = TwoImportsAndADelayedOne(false, true);
    Put32(delayAddressBelowBase.section.bytes, 3 * 20 + 4, 0x1000);
    // Whole descriptors up to the end of the file, each naming a real DLL.
    Layout unterminatedTable;
    const uint32_t name = unterminatedTable.section.Name("KERNEL32.dll");
    const size_t table = unterminatedTable.section.bytes.size();
    unterminatedTable.importRva = kSectionRva + uint32_t(table);
    for (size_t i = 0; i < 3; ++i) {
        Put32(unterminatedTable.section.bytes, table + i * 20 + 12, name);
        Put32(unterminatedTable.section.bytes, table + i * 20 + 16, 0x2000);
    }
    Layout unterminatedName = TwoImportsAndADelayedOne(false);
    unterminatedName.section.bytes.resize(unterminatedName.section.bytes.size() - 1);
    const Case cases[] = {
        {"import table outside every section", Build(tableOutside)},
        {"DLL name outside every section", Build(nameOutside)},
        {"delay-load name outside every section", Build(delayNameOutside)},
        {"delay-load address below the image base", Build(delayAddressBelowBase)},
        {"import table without its terminator", Build(unterminatedTable)},
        {"name cut off by the end of the file", Build(unterminatedName)},
    };
    for (const auto& c : cases) EXPECT_FALSE(ReadPeImports(c.image).has_value()) << c.what;
}
