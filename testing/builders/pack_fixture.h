// The sample pack that each build writes once with its own packing jobs and every
// build reads back: what goes in, and how to write it.
#pragma once
#include <cstdint>
#include <string>

#include "shared/base/fs.h"
#include "testing/kit/patterns.h"

namespace kb::pack::fixture {

constexpr char kPassword[] = "fixture-password";
constexpr int kRounds = 7;

// Whole seconds, so container records (seconds) and trailers (FILETIME) agree.
inline fs::FileTimes Times() {
    return {fs::FileTimeFromUnixSeconds(1000000000), fs::FileTimeFromUnixSeconds(1100000000),
            fs::FileTimeFromUnixSeconds(1200000000)};
}

// The source files, relative to the source folder.
// Each file's bytes are ::kb::testing::Pattern(size, seed).
struct SourceFile {
    const char* name;
    size_t size;
    unsigned seed;
};
constexpr SourceFile kSources[] = {
    {"a\\b.txt", 3000, 1},        // plain entry a\b.txt
    {"c.bin", 5000, 2},           // compressed entry c.bin.cmp
    {"set\\x.txt", 6, 3},         // compressed folder entry set.cmp
    {"set\\sub\\y.bin", 2000, 4},
};

// Writes a new encrypted pack at packPath from the files above, made under
// workFolder (an existing, empty folder). 0 or the first failing code.
int WriteFixturePack(const std::string& packPath, const std::string& workFolder);

}  // namespace kb::pack::fixture
