// The region-data check: sound entries pass with the count to hand on, every
// short, oversized or inconsistent one leaves the window rectangular.
#include <gtest/gtest.h>

#include "shared/image/region.h"
#include "shared/image/tests/image_fixtures.h"

namespace kb::image {
namespace {

using testing::MakeRegion;
using testing::Rect;
using testing::RegionSpec;

RegionSpec TwoRects() {
    RegionSpec s;
    s.rects = {{10, 0, 90, 10}, {0, 10, 100, 60}};
    s.bound = {0, 0, 100, 60};
    return s;
}

TEST(ValidateRegionData, SoundEntriesGiveTheBlockAndItsCount) {
    struct Row {
        const char* name;
        RegionSpec spec;
        std::uint32_t byteCount;
        std::uint32_t rectCount;
        RegionRect bounds;
    };
    RegionSpec trailing = TwoRects();
    trailing.trailing = 7;
    RegionSpec spare = TwoRects();
    spare.n = 32 + 3 * 16;  // the stored count holds one rectangle's worth more
    spare.trailing = 16;
    RegionSpec noBound = TwoRects();
    noBound.bound = {0, 0, 0, 0};
    noBound.rectBytes = 0;
    RegionSpec negative;
    negative.rects = {{-5, -5, 0, 0}};
    negative.bound = {-5, -5, 0, 0};
    const Row rows[] = {
        {"two rectangles", TwoRects(), 64, 2, {0, 0, 100, 60}},
        {"bytes after the block", trailing, 64, 2, {0, 0, 100, 60}},
        {"count larger than the rectangles", spare, 64, 2, {0, 0, 100, 60}},
        {"no stated bounds or byte count", noBound, 64, 2, {0, 0, 100, 60}},
        {"negative coordinates", negative, 48, 1, {-5, -5, 0, 0}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const auto entry = MakeRegion(r.spec);
        RegionCheck check;
        ASSERT_TRUE(ValidateRegionData(entry.data(), entry.size(), check));
        EXPECT_EQ(check.problem, RegionProblem::None);
        EXPECT_EQ(check.offset, 4u);
        EXPECT_EQ(check.byteCount, r.byteCount);
        EXPECT_EQ(check.rectCount, r.rectCount);
        EXPECT_EQ(check.bounds.left, r.bounds.left);
        EXPECT_EQ(check.bounds.top, r.bounds.top);
        EXPECT_EQ(check.bounds.right, r.bounds.right);
        EXPECT_EQ(check.bounds.bottom, r.bounds.bottom);
    }
}

TEST(ValidateRegionData, RefusesShortOversizedAndInconsistentData) {
    auto with = [](auto change) {
        RegionSpec s = TwoRects();
        change(s);
        return MakeRegion(s);
    };
    struct Row {
        const char* name;
        std::vector<std::uint8_t> entry;
        RegionProblem problem;
    };
    std::vector<Row> rows = {
        {"nothing", {}, RegionProblem::Short},
        {"three bytes", {1, 0, 0}, RegionProblem::Short},
        {"count 0", {0, 0, 0, 0}, RegionProblem::Empty},
        {"count 0 before a block", with([](RegionSpec& s) { s.n = 0; }), RegionProblem::Empty},
        {"count beyond the bytes", with([](RegionSpec& s) { s.n = 32 + 3 * 16; }), RegionProblem::Short},
        {"count 0xFFFFFFFF", with([](RegionSpec& s) { s.n = 0xFFFFFFFF; }), RegionProblem::TooLarge},
        {"count beyond the limit", with([](RegionSpec& s) { s.n = kMaxRegionBytes + 1; }), RegionProblem::TooLarge},
        {"count smaller than a header", with([](RegionSpec& s) { s.n = 31; }), RegionProblem::Short},
        {"header size 40", with([](RegionSpec& s) { s.headerSize = 40; }), RegionProblem::BadHeader},
        {"type 2", with([](RegionSpec& s) { s.type = 2; }), RegionProblem::BadType},
        {"more rectangles than bytes", with([](RegionSpec& s) { s.count = 3; }), RegionProblem::CountMismatch},
        {"rectangle count overflowing 32 bits",
         with([](RegionSpec& s) { s.count = 0x10000000; s.rects.resize(1); }), RegionProblem::CountMismatch},
        {"no rectangles", with([](RegionSpec& s) { s.rects.clear(); }), RegionProblem::CountMismatch},
        {"stated byte count short of the rectangles", with([](RegionSpec& s) { s.rectBytes = 16; }),
         RegionProblem::CountMismatch},
        {"stated byte count beyond the block", with([](RegionSpec& s) { s.rectBytes = 48; }),
         RegionProblem::CountMismatch},
        {"inverted rectangle", with([](RegionSpec& s) { s.rects[1] = {100, 10, 0, 60}; }), RegionProblem::BadRect},
        {"rectangle outside the bounds", with([](RegionSpec& s) { s.rects[1].bottom = 61; }), RegionProblem::BadRect},
        {"coordinate out of range",
         with([](RegionSpec& s) { s.rects[0].right = kMaxRegionCoordinate + 1; s.bound = {0, 0, 0, 0}; }),
         RegionProblem::BadRect},
        {"inverted bounds", with([](RegionSpec& s) { s.bound = {100, 0, 0, 60}; }), RegionProblem::BadRect},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        RegionCheck check;
        check.byteCount = 99;
        EXPECT_FALSE(ValidateRegionData(r.entry.data(), r.entry.size(), check));
        EXPECT_EQ(check.problem, r.problem);
        EXPECT_EQ(check.byteCount, 0u);
        EXPECT_EQ(check.rectCount, 0u);
    }
}

TEST(ValidateRegionData, EveryTruncationIsRefused) {
    const auto entry = MakeRegion(TwoRects());
    for (std::size_t n = 0; n < entry.size(); ++n) {
        SCOPED_TRACE(n);
        RegionCheck check;
        EXPECT_FALSE(ValidateRegionData(entry.data(), n, check));
    }
    RegionCheck check;
    EXPECT_FALSE(ValidateRegionData(nullptr, 64, check));
}

}  // namespace
}  // namespace kb::image
