// Dragging a window by its background: the arithmetic and the cursor.
#include <gtest/gtest.h>

#include <string>

#include "loader/skin/drag.h"

namespace kb::loader {
namespace {

class FakeWindow final : public DragHost {
public:
    int left = 100, top = 50;
    std::string cursor = "none";
    int moves = 0;
    int Left() const override { return left; }
    int Top() const override { return top; }
    void MoveTo(int l, int t) override {
        left = l;
        top = t;
        ++moves;
    }
    void SetSizeAllCursor(bool on) override { cursor = on ? "sizeall" : "default"; }
};

TEST(RegionDrag, FollowsTheMouseWithoutDrift) {
    FakeWindow w;
    RegionDrag drag(w);
    drag.BeginDrag(10, 10);
    EXPECT_EQ(w.cursor, "sizeall");
    drag.DragMove(30, 5);
    EXPECT_EQ(w.left, 120);
    EXPECT_EQ(w.top, 45);
    // The image moved with the window: the mouse is at (10, 10) of it again.
    drag.DragMove(10, 10);
    EXPECT_EQ(w.left, 120);
    EXPECT_EQ(w.top, 45);
    drag.DragMove(7, 12);
    EXPECT_EQ(w.left, 117);
    EXPECT_EQ(w.top, 47);
    drag.EndDrag();
    EXPECT_EQ(w.cursor, "default");
    EXPECT_FALSE(drag.Dragging());
    const int moves = w.moves;
    drag.DragMove(50, 50);
    EXPECT_EQ(w.moves, moves);
}

TEST(RegionDrag, MovesAndReleasesWithoutAPress) {
    FakeWindow w;
    RegionDrag drag(w);
    drag.DragMove(30, 5);
    drag.MouseMove(30, 5, true);
    EXPECT_EQ(w.moves, 0);
    EXPECT_EQ(w.cursor, "none");
    drag.EndDrag();
    EXPECT_EQ(w.cursor, "default");
    EXPECT_EQ(w.left, 100);
    EXPECT_EQ(w.top, 50);
}

TEST(RegionDrag, ASecondPressRestartsFromTheCurrentPosition) {
    FakeWindow w;
    RegionDrag drag(w);
    drag.BeginDrag(10, 10);
    drag.DragMove(20, 10);  // left 110
    w.left = 500;           // moved by someone else meanwhile
    drag.BeginDrag(0, 0);
    drag.DragMove(5, 5);
    EXPECT_EQ(w.left, 505);
    EXPECT_EQ(w.top, 55);
}

TEST(RegionDrag, NoClampingOffTheScreenButNoOverflow) {
    FakeWindow w;
    w.left = -20;
    RegionDrag drag(w);
    drag.BeginDrag(100, 100);
    drag.DragMove(-400, 100);
    EXPECT_EQ(w.left, -520);
    w.left = 2147483600;
    drag.BeginDrag(0, 0);
    drag.DragMove(1000, 0);
    EXPECT_EQ(w.left, 2147483647);
}

TEST(RegionDrag, AMoveWithNoButtonHeldEndsALostDrag) {
    FakeWindow w;
    RegionDrag drag(w);
    drag.BeginDrag(10, 10);
    drag.MouseMove(20, 10, true);
    EXPECT_EQ(w.left, 110);
    // The release happened where the window did not see it.
    drag.MouseMove(40, 10, false);
    EXPECT_FALSE(drag.Dragging());
    EXPECT_EQ(w.cursor, "default");
    EXPECT_EQ(w.left, 110);
    drag.MouseMove(60, 10, false);
    drag.MouseMove(60, 10, true);  // a button held over the image without a press on it
    EXPECT_EQ(w.left, 110);
}

}  // namespace
}  // namespace kb::loader
