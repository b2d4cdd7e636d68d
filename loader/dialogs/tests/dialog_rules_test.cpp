// The dialogs' decisions: password check, overwrite modes and answers, key-up
// guards, the progress window's cancel and gauge, centring.
#include <gtest/gtest.h>

#include <vector>

#include "loader/dialogs/dialog_rules.h"

namespace kb::loader {
namespace {

TEST(PasswordCheck, Table) {
    struct Case {
        const char* entry;
        const char* expected;
        int countBefore;
        bool accepted, wrongMessage, giveUp;
        int result, countAfter;
    };
    const Case cases[] = {
        {"secret1", "secret1", 0, true, false, false, kModalOk, 0},
        {"secret1", "secret1", 2, true, false, false, kModalOk, 2},
        {"wrong", "secret1", 0, false, true, false, kModalNone, 1},
        {"wrong", "secret1", 1, false, true, false, kModalNone, 2},
        {"wrong", "secret1", 2, false, true, true, kModalAbort, 3},
        {"Secret1", "secret1", 0, false, true, false, kModalNone, 1},  // case matters
        {"secret1 ", "secret1", 0, false, true, false, kModalNone, 1},
        {"", "", 0, true, false, false, kModalOk, 0},
        {"", "secret1", 5, false, true, true, kModalAbort, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.entry << " / " << c.expected << " / " << c.countBefore);
        int count = c.countBefore;
        const PasswordCheck r = CheckPassword(c.entry, c.expected, count);
        EXPECT_EQ(r.accepted, c.accepted);
        EXPECT_EQ(r.showWrongMessage, c.wrongMessage);
        EXPECT_EQ(r.clearEntry, c.wrongMessage);
        EXPECT_EQ(r.showGiveUpMessage, c.giveUp);
        EXPECT_EQ(r.modalResult, c.result);
        EXPECT_EQ(count, c.countAfter);
    }
}

TEST(PasswordCheck, ComparesEveryByte) {
    int count = 0;
    const std::string expected("ab\0cd", 5);
    EXPECT_EQ(CheckPassword(std::string("ab\0cd", 5), expected, count).modalResult, kModalOk);
    EXPECT_EQ(CheckPassword("ab", expected, count).modalResult, kModalNone);
    EXPECT_EQ(count, 1);
}

TEST(OverwriteQuestion, Modes) {
    struct Case {
        int mode;
        bool defined;
        int group, enter, esc;
        bool secondBackground, hideFileName;
    };
    const Case cases[] = {
        {1, true, 2, kModalYes, kModalNo, false, false},
        {2, true, 1, kModalYesToAll, kModalCancel, false, false},
        {3, true, 2, kModalYes, kModalNo, true, true},
        {0, false, 0, 0, 0, false, false},
        {4, false, 0, 0, 0, false, false},
        {-1, false, 0, 0, 0, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        const auto m = OverwriteModeFor(c.mode);
        ASSERT_EQ(m.has_value(), c.defined);
        if (!m) continue;
        EXPECT_EQ(m->buttonGroup, c.group);
        EXPECT_EQ(m->enterResult, c.enter);
        EXPECT_EQ(m->escResult, c.esc);
        EXPECT_EQ(m->secondBackground, c.secondBackground);
        EXPECT_EQ(m->hideFileName, c.hideFileName);
    }
}

TEST(OverwriteQuestion, ButtonAnswers) {
    const std::vector<std::pair<int, int>> cases = {{39, 0}, {40, 6}, {41, 10}, {42, 7}, {43, 2},
                                                    {44, 6}, {45, 7}, {46, 0},  {30, 0}, {200, 0}};
    for (auto [id, result] : cases) EXPECT_EQ(OverwriteButtonResult(id), result) << id;
}

TEST(KeyUpGuard, ActsOnlyOnKeysPressedWhileShown) {
    KeyUpGuard g;
    g.Reset();
    // The Enter that confirmed the previous step is released here first.
    EXPECT_FALSE(g.KeyUp(kKeyEnter));
    g.KeyDown(kKeyEnter);
    EXPECT_TRUE(g.KeyUp(kKeyEnter));
    EXPECT_FALSE(g.KeyUp(kKeyEnter));  // one release per press
    // Auto-repeated key-downs still answer once.
    g.KeyDown(kKeyEscape);
    g.KeyDown(kKeyEscape);
    EXPECT_FALSE(g.KeyUp(kKeyEnter));
    EXPECT_TRUE(g.KeyUp(kKeyEscape));
    // A key held across a new showing does not count.
    g.KeyDown(kKeyEnter);
    g.Reset();
    EXPECT_FALSE(g.KeyUp(kKeyEnter));
    g.KeyDown(255);
    EXPECT_TRUE(g.KeyUp(255));
}

TEST(FirstKeyUpGuard, IgnoresTheFirstReleaseWhateverTheKey) {
    FirstKeyUpGuard g;
    g.Reset();
    EXPECT_FALSE(g.KeyUp());
    EXPECT_TRUE(g.KeyUp());
    EXPECT_TRUE(g.KeyUp());
    g.Reset();
    EXPECT_FALSE(g.KeyUp());
}

TEST(ProgressCancel, ReportedOnceThenTheButtonStaysHidden) {
    ProgressCancel c;
    EXPECT_EQ(c.SetVisible(false, true), std::optional<bool>(false));
    EXPECT_EQ(c.SetVisible(true, false), std::optional<bool>(true));
    EXPECT_EQ(c.SetVisible(true, true), std::nullopt);
    EXPECT_FALSE(c.Click(31));
    EXPECT_TRUE(c.Allowed());
    EXPECT_TRUE(c.Click(kBtnProgressCancel));
    EXPECT_FALSE(c.Allowed());
    EXPECT_FALSE(c.Click(kBtnProgressCancel));
    EXPECT_EQ(c.SetVisible(true, false), std::nullopt);
}

TEST(Gauge, PositionFillAndText) {
    struct Case {
        int percent, position, fillOf200;
        const char* text;
    };
    const Case cases[] = {{-5, 0, 0, "0%"},     {0, 0, 0, "0%"},         {40, 40, 80, "40%"},
                          {100, 100, 200, "100%"}, {101, 100, 200, "100%"}, {33, 33, 66, "33%"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.percent);
        EXPECT_EQ(GaugePosition(c.percent), c.position);
        EXPECT_EQ(GaugeFillWidth(c.percent, 200), c.fillOf200);
        EXPECT_EQ(GaugeText(c.percent), c.text);
    }
    EXPECT_EQ(GaugeFillWidth(50, 0), 0);
    EXPECT_EQ(GaugeFillWidth(50, -3), 0);
}

TEST(Centring, BothFormulas) {
    struct Case {
        Bounds owner;
        Size size;
        Point create, afterResize;
    };
    const Case cases[] = {
        {{100, 50, 400, 300}, {200, 100}, {200, 150}, {200, 150}},
        // Odd sizes: the two formulas part by a pixel.
        {{0, 0, 401, 301}, {201, 101}, {100, 100}, {100, 100}},
        {{0, 0, 400, 300}, {201, 101}, {100, 100}, {99, 99}},
        {{0, 0, 401, 301}, {200, 100}, {100, 100}, {100, 100}},
        // A box wider than its owner: division toward zero.
        {{10, 10, 100, 100}, {301, 201}, {-90, -40}, {-90, -40}},
        {{10, 10, 100, 100}, {303, 203}, {-91, -41}, {-91, -41}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CentreOnOwner(c.owner, c.size), c.create);
        EXPECT_EQ(CentreOnOwnerAfterResize(c.owner, c.size), c.afterResize);
    }
}

}  // namespace
}  // namespace kb::loader
