// The image button's press rules with a fake clock, its image list and
// index, and the overwrite question's button groups.
#include <gtest/gtest.h>

#include <string>

#include "loader/skin/button_group.h"
#include "loader/skin/button_images.h"
#include "loader/skin/press_guard.h"

namespace kb::loader {
namespace {

// Plays framework events on one guard and writes what it raised and showed:
// "D1" down raised with image 1, "C" click, "U0" up raised with image 0,
// "-" an event that raised nothing.
class Button {
public:
    std::uint32_t now = 100000;
    PressGuard guard{[this] { return now; }};
    std::string log;

    void Down() { Note('D', guard.MouseDown()); }
    void Click() { log += guard.Click() ? "C " : "- "; }
    void Up() { Note('U', guard.MouseUp()); }
    void DoubleClick() { guard.DoubleClick(); }
    // A click released over the button.
    void FullClick() { Down(), Click(), Up(); }

private:
    void Note(char event, PressGuard::Reaction r) {
        if (!r.raise && r.showImage < 0) {
            log += "- ";
        } else {
            log += event;
            log += r.raise ? std::to_string(r.showImage) : "?";
            log += ' ';
        }
    }
};

TEST(PressGuard, AClickRaisesDownClickUpWithThePressedImageBetween) {
    Button b;
    b.FullClick();
    EXPECT_EQ(b.log, "D1 C U0 ");
    EXPECT_FALSE(b.guard.Pressed());
    EXPECT_EQ(b.guard.LastUpTick(), 100000u);
}

TEST(PressGuard, PressesSoonAfterAReleaseAreRefused) {
    const struct {
        std::uint32_t after;
        const char* second;
    } rows[] = {
        {300, "- - - "},  // refused: no image, no click, no up
        {500, "- - - "},  // exactly the guard: still refused
        {501, "D1 C U0 "},
        {600, "D1 C U0 "},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.after);
        Button b;
        b.FullClick();
        b.log.clear();
        b.now += r.after;
        b.FullClick();
        EXPECT_EQ(b.log, r.second);
    }
}

TEST(PressGuard, TheGuardHoldsAcrossTheTickWrap) {
    const struct {
        std::uint32_t release;
        std::uint32_t press;
        bool accepted;
    } rows[] = {
        {0xFFFFFF00u, 0x00000300u, true},   // 0x400 ms later, across the wrap
        {0xFFFFFF00u, 0x00000010u, false},  // 0x110 ms later, across the wrap
        {0xFFFFFFFFu, 0x000001F4u, true},   // 501 ms
        {0xFFFFFFFFu, 0x000001F3u, false},  // 500 ms
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.press);
        Button b;
        b.now = r.release - 1000;
        b.Down();
        b.now = r.release;
        b.Up();
        b.now = r.press;
        EXPECT_EQ(b.guard.MouseDown().raise, r.accepted);
    }
}

TEST(PressGuard, ADoubleClickGivesOneClickAndOneUp) {
    Button b;
    // down, click, up, double-click, down, up, all within the guard.
    b.Down();
    b.Click();
    b.Up();
    b.now += 200;
    b.DoubleClick();
    b.Down();
    b.Up();
    EXPECT_EQ(b.log, "D1 C U0 - - ");
    EXPECT_FALSE(b.guard.IgnoreNextUp());
    // The same sequence after the guard has passed: the pending double click
    // still swallows the second press and release.
    Button late;
    late.FullClick();
    late.now += 2000;
    late.DoubleClick();
    late.Down();
    late.Click();
    late.Up();
    EXPECT_EQ(late.log, "D1 C U0 - - - ");
    late.now += 2000;
    late.FullClick();
    EXPECT_EQ(late.log, "D1 C U0 - - - D1 C U0 ");
}

TEST(PressGuard, AReleaseOutsideRaisesUpButNoClick) {
    Button b;
    b.Down();
    b.Up();  // released outside: the framework gives no click
    EXPECT_EQ(b.log, "D1 U0 ");
    b.log.clear();
    b.Click();  // a stray click after the release
    EXPECT_EQ(b.log, "- ");
}

TEST(PressGuard, ARefusedPressChangesNothingAndTheFirstPressAfterStartWaits) {
    Button b;
    b.now = 400;  // LastUpTick starts at 0
    b.Down();
    EXPECT_FALSE(b.guard.Pressed());
    b.Up();  // a release still sets the time
    EXPECT_EQ(b.guard.LastUpTick(), 400u);
    b.now = 901;
    b.Down();
    EXPECT_EQ(b.log, "- - D1 ");
}

TEST(PressGuard, EachButtonKeepsItsOwnReleaseTime) {
    Button a, c;
    a.FullClick();
    c.now = a.now + 100;
    c.FullClick();
    EXPECT_EQ(c.log, "D1 C U0 ");
}

TEST(ButtonImages, OneSizePerListAndEmptyImagesKeepTheirIndex) {
    const struct {
        const char* name;
        std::vector<std::pair<int, int>> sizes;  // one image each, named by its position
        std::vector<int> held;                   // which added images remain, by index
    } rows[] = {
        {"same size", {{10, 8}, {10, 8}, {10, 8}}, {0, 1, 2}},
        {"second larger", {{10, 8}, {12, 8}}, {1}},
        {"third taller", {{10, 8}, {10, 8}, {10, 9}}, {2}},
        {"missing pressed image", {{10, 8}, {0, 0}}, {0, -1}},
        {"missing normal image", {{0, 0}, {10, 8}}, {-1, 1}},
        {"missing then other size", {{10, 8}, {0, 0}, {4, 4}}, {2}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        ButtonImages<int> images;
        for (size_t i = 0; i < r.sizes.size(); ++i) images.Add(static_cast<int>(i), r.sizes[i].first, r.sizes[i].second);
        ASSERT_EQ(images.Count(), r.held.size());
        for (size_t i = 0; i < r.held.size(); ++i) {
            const int* image = images.At(static_cast<int>(i));
            if (r.held[i] < 0) {
                EXPECT_EQ(image, nullptr);
            } else {
                ASSERT_NE(image, nullptr);
                EXPECT_EQ(*image, r.held[i]);
            }
        }
        EXPECT_EQ(images.At(-1), nullptr);
        EXPECT_EQ(images.At(static_cast<int>(r.held.size())), nullptr);
    }
}

TEST(ButtonImages, ShowDrawsOnlyWhenTheIndexChanges) {
    ButtonImages<int> images;
    images.Add(7, 2, 2);
    EXPECT_EQ(images.Shown(), -1);
    EXPECT_TRUE(images.Show(0));
    EXPECT_FALSE(images.Show(0));
    EXPECT_TRUE(images.Show(1));  // not held: nothing to draw, but it is the index now
    EXPECT_EQ(images.Shown(), 1);
    EXPECT_EQ(images.At(1), nullptr);
    EXPECT_TRUE(images.Show(0));
}

TEST(ButtonGroup, OnlyTheOverwriteQuestionHasGroups) {
    ButtonGroupPlan p = PlanButtonGroup("Rw", 1);
    EXPECT_TRUE(p.partKnown);
    EXPECT_EQ(p.show, (std::vector<int>{40, 41, 42, 43}));
    EXPECT_EQ(p.hide, (std::vector<int>{44, 45}));
    p = PlanButtonGroup("Rw", 2);
    EXPECT_EQ(p.show, (std::vector<int>{44, 45}));
    EXPECT_EQ(p.hide, (std::vector<int>{40, 41, 42, 43}));
    p = PlanButtonGroup("Rw", 3);
    EXPECT_TRUE(p.partKnown);
    EXPECT_TRUE(p.show.empty() && p.hide.empty());
    p = PlanButtonGroup("Rm", 1);
    EXPECT_FALSE(p.partKnown);
    EXPECT_TRUE(p.show.empty() && p.hide.empty());
    EXPECT_FALSE(PlanButtonGroup("rw", 1).partKnown);
    EXPECT_EQ(NotDefinedText("Rm"), "Rm not defined.");
}

}  // namespace
}  // namespace kb::loader
