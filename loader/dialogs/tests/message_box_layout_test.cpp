// The skinned message box's layout for a few frames, texts and buttons.
#include <gtest/gtest.h>

#include "loader/dialogs/message_box_layout.h"

namespace kb::loader {
namespace {

// Frame images of distinct sizes, so a mixed-up edge shows.
MessageFrameSizes Frame() {
    MessageFrameSizes f;
    f.top = {5, 12};
    f.bottom = {5, 8};
    f.left = {10, 5};
    f.right = {14, 5};
    f.leftTop = {11, 13};
    f.rightTop = {15, 12};
    f.leftBottom = {10, 9};
    f.rightBottom = {14, 7};
    return f;
}

MessageBoxInput Input(std::vector<Size> lines, Size button = {60, 20}) {
    MessageBoxInput in;
    in.frame = Frame();
    in.lines = std::move(lines);
    in.button = button;
    in.owner = {100, 50, 640, 480};
    return in;
}

TEST(MessageBoxLayout, EmptyTextGivesTheMinimumTextArea) {
    const MessageBoxLayout l = LayoutMessageBox(Input({}));
    EXPECT_TRUE(l.labels.empty());
    EXPECT_EQ(l.textWidth, 128);
    EXPECT_EQ(l.textBottom, 12 + 16);
    EXPECT_EQ(l.client, (Size{10 + 128 + 14 + 32, 28 + 16 + 20 + 16}));
    EXPECT_EQ(l.button, (Point{(184 - 60) / 2, 44}));
    EXPECT_EQ(l.form, (Point{100 + (640 - 184) / 2, 50 + (480 - 80) / 2}));
}

TEST(MessageBoxLayout, ThreeLinesEighteenApartWithTheButtonBelow) {
    const MessageBoxLayout l = LayoutMessageBox(Input({{100, 15}, {200, 15}, {50, 15}}));
    EXPECT_EQ(l.labels, (std::vector<Point>{{26, 28}, {26, 46}, {26, 64}}));
    EXPECT_EQ(l.textWidth, 200);
    EXPECT_EQ(l.textBottom, 64 + 15);
    EXPECT_EQ(l.button, (Point{(256 - 60) / 2, 79 + 16}));
    EXPECT_EQ(l.client, (Size{10 + 200 + 14 + 32, 95 + 20 + 16}));

    // Frame: corners at the edges, edges stretched between them, background
    // from the top-left corner to the right and bottom edges.
    EXPECT_EQ(l.leftTop, (Point{0, 0}));
    EXPECT_EQ(l.rightTop, (Point{256 - 15, 0}));
    EXPECT_EQ(l.leftBottom, (Point{0, 131 - 9}));
    EXPECT_EQ(l.rightBottom, (Point{256 - 14, 131 - 7}));
    EXPECT_EQ(l.top, (Bounds{0, 0, 256, 12}));
    EXPECT_EQ(l.bottom, (Bounds{0, 131 - 8, 256, 8}));
    EXPECT_EQ(l.left, (Bounds{0, 12, 10, 131 - 12 - 8}));
    EXPECT_EQ(l.right, (Bounds{256 - 14, 12, 14, 131 - 12 - 8}));
    EXPECT_EQ(l.background, (Bounds{11, 13, 256 - 11, 131 - 13}));
}

TEST(MessageBoxLayout, NarrowLinesKeepTheMinimumAndShortLabelsKeepTheMinimumBottom) {
    const MessageBoxLayout l = LayoutMessageBox(Input({{20, 0}}));
    EXPECT_EQ(l.textWidth, 128);
    EXPECT_EQ(l.textBottom, 28);  // the label's bottom is not below the first top
}

TEST(MessageBoxLayout, ASkinWithoutTheOkButtonLaysOutAZeroButton) {
    const MessageBoxLayout l = LayoutMessageBox(Input({{100, 15}}, {0, 0}));
    EXPECT_EQ(l.button, (Point{184 / 2, 43 + 16}));
    EXPECT_EQ(l.client.height, 59 + 16);
}

TEST(MessageBoxLayout, AFrameWithoutImagesStillLaysOut) {
    MessageBoxInput in;
    in.lines = {{300, 16}};
    in.owner = {0, 0, 1024, 768};
    const MessageBoxLayout l = LayoutMessageBox(in);
    EXPECT_EQ(l.labels, (std::vector<Point>{{16, 16}}));
    EXPECT_EQ(l.client, (Size{332, 16 + 16 + 16 + 16}));
    EXPECT_EQ(l.background, (Bounds{0, 0, 332, 64}));
    EXPECT_EQ(l.left.height, 64);
}

TEST(MessageBoxLayout, LinesThatGetLabels) {
    using L = std::vector<std::string>;
    EXPECT_EQ(MessageLines({""}), L{});
    EXPECT_EQ(MessageLines({}), L{});
    EXPECT_EQ(MessageLines({"a", ""}), L{"a"});
    EXPECT_EQ(MessageLines({"a", "", ""}), (L{"a", ""}));
    EXPECT_EQ(MessageLines({"", "b"}), (L{"", "b"}));
    EXPECT_EQ(MessageLines({"a", "b"}), (L{"a", "b"}));
}

TEST(MessageBoxLayout, OkButtonShownByBitZero) {
    EXPECT_TRUE(MessageBoxShowsOk(1));
    EXPECT_TRUE(MessageBoxShowsOk(3));
    EXPECT_FALSE(MessageBoxShowsOk(0));
    EXPECT_FALSE(MessageBoxShowsOk(2));
}

}  // namespace
}  // namespace kb::loader
