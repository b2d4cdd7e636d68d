// Checks a built DLL's export table against its export list: every name at its
// ordinal, undecorated, nothing more; and the loader resolves both ways alike.
#include "pe_exports.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

struct Expected {
    uint32_t ordinal;
    const char* name;
};

const Expected kExpected[] = {
#define KB_EXPORT(ordinal, ret, name, args) {ordinal, #name},
#include KB_EXPORT_LIST
#undef KB_EXPORT
};

std::string DllPath() {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string dir(self);
    dir.resize(dir.find_last_of('\\') + 1);
    return dir + KB_DLL_NAME;
}

}  // namespace

TEST(ExportTable, NamesAndOrdinalsMatchTheList) {
    auto image = kb::testing::ReadWholeFile(DllPath());
    ASSERT_TRUE(image.has_value()) << DllPath();
    auto exports = kb::testing::ReadPeExports(*image);
    ASSERT_TRUE(exports.has_value());

    std::vector<kb::testing::PeExport> expected;
    for (const auto& e : kExpected) expected.push_back({e.name, e.ordinal});
    auto byOrdinal = [](const auto& a, const auto& b) { return a.ordinal < b.ordinal; };
    std::sort(expected.begin(), expected.end(), byOrdinal);
    std::sort(exports->begin(), exports->end(), byOrdinal);
    EXPECT_EQ(*exports, expected);
}

TEST(ExportTable, OrdinalAndNameResolveToTheSameFunction) {
    HMODULE dll = LoadLibraryA(DllPath().c_str());
    ASSERT_NE(dll, nullptr);
    for (const auto& e : kExpected) {
        FARPROC byName = GetProcAddress(dll, e.name);
        FARPROC byOrdinal = GetProcAddress(dll, MAKEINTRESOURCEA(e.ordinal));
        EXPECT_NE(byName, nullptr) << e.name;
        EXPECT_EQ(byName, byOrdinal) << e.name;
    }
    FreeLibrary(dll);
}
