// Helpers of the component tests: plain archives built byte by byte, and the
// fixed FILETIMEs the tests give their entries.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace ark::testing {

struct TestEntry {
    std::string name;
    std::string body;
    uint64_t lastWrite = 0;      // FILETIME
    uint32_t attributes = 0x20;  // archive
};

// Writes a plain archive of entries (slot count = entries + spare).
bool WriteTestArchive(const std::string& path, const std::vector<TestEntry>& entries, int spare = 1);

// 2020-01-01 00:00:00 UTC as a FILETIME, and one day in FILETIME units.
constexpr uint64_t kTime2020 = 132223104000000000ull;
constexpr uint64_t kDay = 864000000000ull;

}  // namespace ark::testing
