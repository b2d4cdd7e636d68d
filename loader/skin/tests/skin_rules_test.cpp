// The skin's window-free rules: file choice, tiling, the gauge height, the
// apply operations for known and unknown parts, button groups, colours.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "loader/skin/skin_rules.h"
#include "testing/kit/code_page.h"
#include "testing/kit/recording_sink.h"

namespace kb::loader {
namespace {

using ::kb::testing::RecordingSink;

// Each message as "title|text".
std::vector<std::string> Joined(const RecordingSink& sink) {
    std::vector<std::string> texts;
    for (const auto& [title, text] : sink.messages) texts.push_back(title + "|" + text);
    return texts;
}
using Texts = std::vector<std::string>;

class MapDef final : public SkinPartSource {
public:
    std::map<std::string, SkinPart, std::less<>> parts;
    const SkinPart* Find(std::string_view part) const override {
        auto it = parts.find(part);
        return it == parts.end() ? nullptr : &it->second;
    }
};

TEST(SkinFiles, FramePartsInOrder) {
    const char* order[] = {"CdTop",     "CdBottom",   "CdLeft",       "CdRight",
                           "CdLeftTop", "CdRightTop", "CdLeftBottom", "CdRightBottom"};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(FrameIndex(order[i]), i);
    for (const char* other : {"CdBg", "CdFrame", "cdtop", "CdTop ", ""}) EXPECT_EQ(FrameIndex(other), -1) << other;
    EXPECT_EQ(BitmapEntry("bg"), "bg.bmp");
    EXPECT_EQ(RegionEntry("shape"), "shape.rgn");
    EXPECT_EQ(BackgroundPart("Rw"), "RwBg");
    EXPECT_EQ(ReaderArchive("C:\\Prog"), "C:\\Prog\\skin\\Reader.arc");
    EXPECT_EQ(ReaderArchive("C:\\Prog\\"), "C:\\Prog\\skin\\Reader.arc");
}

TEST(Tiling, Rectangles) {
    // A 3 x 2 bitmap over 7 x 5: rows at 0, 2, 4 and tiles at 0, 3, 6.
    const auto r = TileRects(3, 2, 7, 5);
    ASSERT_EQ(r.size(), 9u);
    EXPECT_EQ(r.front(), (TileRect{0, 0, 3, 2}));
    EXPECT_EQ(r[2], (TileRect{6, 0, 9, 2}));
    EXPECT_EQ(r[3], (TileRect{0, 2, 3, 4}));
    EXPECT_EQ(r.back(), (TileRect{6, 4, 9, 6}));
    // A tile starting exactly at the edge is still placed.
    EXPECT_EQ(TileRects(2, 2, 4, 4).size(), 9u);
    // From another start point.
    const auto s = TileRects(4, 4, 8, 4, 1, 1);
    EXPECT_EQ(s, (std::vector<TileRect>{{1, 1, 5, 5}, {5, 1, 9, 5}}));
    // An empty bitmap draws nothing; an empty image gets one tile at its corner.
    EXPECT_TRUE(TileRects(0, 2, 7, 5).empty());
    EXPECT_TRUE(TileRects(3, 0, 7, 5).empty());
    EXPECT_TRUE(TileRects(-1, 2, 7, 5).empty());
    EXPECT_EQ(TileRects(3, 2, 0, 0), (std::vector<TileRect>{{0, 0, 3, 2}}));
    EXPECT_TRUE(TileRects(3, 2, -1, 5).empty());
}

TEST(GaugeHeight, Rule) {
    struct Case {
        int top, height, gauge, newTop, newHeight;
    };
    const Case cases[] = {
        {10, 21, 10, 15, 10}, {10, 9, 10, 10, 10}, {10, 21, 0, 10, 21}, {10, 21, -4, 10, 21},
        {10, 8, 10, 9, 10},   {0, 20, 10, 5, 10},  {10, 10, 10, 10, 10},
    };
    for (const Case& c : cases) {
        ControlBounds b{3, c.top, 50, c.height};
        ApplyGaugeHeight(b, c.gauge);
        EXPECT_EQ(b, (ControlBounds{3, c.newTop, 50, c.newHeight})) << c.top << " " << c.height << " " << c.gauge;
    }
}

class ApplyTest : public ::testing::Test {
protected:
    MapDef def;
    SkinFontSettings fonts;
    RecordingSink sink;
    const ControlBounds current{1, 2, 3, 4};

    void SetUp() override {
        fonts.charset = 128;
        fonts.name = "Gothic";
        fonts.size = 9;
        fonts.monoName = "Mono";
        fonts.monoSize = 10;
        fonts.editHeight = 17;
        fonts.gaugeHeight = 0;
        int n = 0;
        for (const char* p : {"RmVolume", "RmPermission", "RmSize", "RmStatus", "RsFileName", "RwFileName",
                              "RpPassword", "RsBar", "RmTreeView", "RmListView", "RmPageView", "RmPageWork",
                              "RmPageInit", "CdText", "RwBg", "RwBg2"}) {
            ++n;
            SkinPart v;
            v.name = std::string(p) + "Pic";
            v.left = 10 * n;
            v.top = 10 * n + 1;
            v.width = 10 * n + 2;
            v.height = 10 * n + 3;
            v.bgColor = 0x100 + n;
            v.fgColor = 0x200 + n;
            v.fontColor = 0x300 + n;
            def.parts[p] = v;
        }
    }
    const SkinPart& V(const char* part) { return def.parts.at(part); }
    static uint32_t U(int colour) { return static_cast<uint32_t>(colour); }
    SkinApply Apply(SkinOp op, const char* part) { return PlanSkinApply(op, part, current, def, fonts); }
};

TEST_F(ApplyTest, Labels) {
    for (const char* p : {"RmVolume", "RmPermission", "RmSize"}) {
        SCOPED_TRACE(p);
        const SkinApply a = Apply(SkinOp::Label, p);
        EXPECT_TRUE(a.partKnown);
        EXPECT_TRUE(a.transparent);
        EXPECT_EQ(a.font, (SkinFont{"Gothic", 128, 9, false}));
        EXPECT_EQ(a.bounds, (ControlBounds{V(p).left, V(p).top, 3, 4}));
        EXPECT_FALSE(a.setsWidth);
        EXPECT_FALSE(a.setsHeight);
        EXPECT_EQ(a.fontColor, U(V(p).fgColor));
        EXPECT_FALSE(a.rightJustify);
        EXPECT_FALSE(a.autoSize.has_value());
    }
    const SkinApply status = Apply(SkinOp::Label, "RmStatus");
    EXPECT_TRUE(status.rightJustify);
    EXPECT_EQ(status.autoSize, false);
    EXPECT_EQ(status.bounds, (ControlBounds{V("RmStatus").left, V("RmStatus").top, V("RmStatus").width, 4}));
    EXPECT_TRUE(status.setsWidth);
    EXPECT_FALSE(status.setsHeight);
    for (const char* p : {"RsFileName", "RwFileName"}) {
        const SkinApply a = Apply(SkinOp::Label, p);
        EXPECT_EQ(a.bounds, (ControlBounds{V(p).left, V(p).top, V(p).width, 4}));
        EXPECT_EQ(a.fontColor, U(V(p).fgColor));
    }
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(ApplyTest, EditMemoGaugeTreeListImagePanel) {
    const SkinApply edit = Apply(SkinOp::Edit, "RpPassword");
    EXPECT_EQ(edit.border, SkinBorder::None);
    EXPECT_EQ(edit.font, (SkinFont{"Mono", 128, 10, true}));
    EXPECT_EQ(edit.bounds, (ControlBounds{V("RpPassword").left, V("RpPassword").top, V("RpPassword").width, 17}));
    EXPECT_EQ(edit.backColor, U(V("RpPassword").bgColor));
    EXPECT_EQ(edit.fontColor, U(V("RpPassword").fgColor));
    EXPECT_EQ(edit.maxLength, 255);
    EXPECT_EQ(edit.passwordChar, '*');

    for (const char* p : {"RsFileName", "RwFileName"}) {
        const SkinApply memo = Apply(SkinOp::Memo, p);
        EXPECT_EQ(memo.bounds, (ControlBounds{V(p).left, V(p).top, V(p).width, V(p).height}));
        EXPECT_EQ(memo.fontColor, U(V(p).fgColor));
        EXPECT_EQ(memo.backColor, U(V(p).bgColor));
        EXPECT_EQ(memo.border, SkinBorder::None);
        EXPECT_TRUE(memo.readOnly && memo.arrowCursor && memo.focusToSink);
        EXPECT_EQ(memo.font, (SkinFont{"Gothic", 128, 9, false}));
    }

    const SkinApply gauge = Apply(SkinOp::Gauge, "RsBar");
    EXPECT_EQ(gauge.border, SkinBorder::None);
    EXPECT_EQ(gauge.bounds, (ControlBounds{V("RsBar").left, V("RsBar").top, V("RsBar").width, V("RsBar").height}));
    EXPECT_EQ(gauge.backColor, U(V("RsBar").bgColor));
    EXPECT_EQ(gauge.foreColor, U(V("RsBar").fgColor));
    EXPECT_EQ(gauge.fontColor, U(V("RsBar").fontColor));
    EXPECT_FALSE(gauge.font.has_value());

    fonts.gaugeHeight = 10;  // the part is 83 high
    const SkinApply thin = Apply(SkinOp::Gauge, "RsBar");
    EXPECT_EQ(thin.bounds, (ControlBounds{V("RsBar").left, V("RsBar").top + 36, V("RsBar").width, 10}));

    const SkinApply tree = Apply(SkinOp::TreeView, "RmTreeView");
    const SkinApply list = Apply(SkinOp::ListView, "RmListView");
    EXPECT_EQ(tree.border, SkinBorder::Single);
    EXPECT_EQ(list.border, SkinBorder::Single);
    EXPECT_EQ(tree.bounds.width, V("RmTreeView").width);
    EXPECT_EQ(list.bounds.height, V("RmListView").height);
    EXPECT_EQ(list.font, (SkinFont{"Gothic", 128, 9, false}));

    for (int i = 0; i < 8; ++i) {
        const SkinApply img = Apply(SkinOp::ImagePart, kFrameParts[static_cast<size_t>(i)]);
        EXPECT_EQ(img.frameIndex, i);
        EXPECT_EQ(img.autoSize, true);
        EXPECT_EQ(img.bounds, current);
    }

    for (const char* p : {"RmPageView", "RmPageWork", "RmPageInit"}) {
        const SkinApply panel = Apply(SkinOp::Panel, p);
        EXPECT_TRUE(panel.noBevels && panel.pageImageFillsPanel);
        EXPECT_EQ(panel.bounds, (ControlBounds{V(p).left, V(p).top, V(p).width, V(p).height}));
        EXPECT_EQ(panel.pageBitmap, std::string(p) + "Pic.bmp");
    }
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(ApplyTest, UnknownPartsAreReportedAndKeepOnlyTheAlwaysSettings) {
    fonts.gaugeHeight = 2;
    struct Case {
        SkinOp op;
        const char* part;  // known to another operation, or to none
    };
    const Case cases[] = {
        {SkinOp::Label, "RmListView"}, {SkinOp::Edit, "RsFileName"}, {SkinOp::Memo, "RmStatus"},
        {SkinOp::Gauge, "RsFileName"}, {SkinOp::TreeView, "RmListView"}, {SkinOp::ListView, "RmTreeView"},
        {SkinOp::ImagePart, "CdBg"},   {SkinOp::Panel, "RmBg"},           {SkinOp::Label, "rmvolume"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.part);
        sink.messages.clear();
        const SkinApply a = Apply(c.op, c.part);
        EXPECT_FALSE(a.partKnown);
        EXPECT_EQ(Joined(sink), Texts{std::string("Sorvex|") + c.part + " not defined."});
        EXPECT_FALSE(a.fontColor || a.backColor || a.foreColor);
        EXPECT_FALSE(a.rightJustify || a.readOnly || a.focusToSink || a.noBevels);
        EXPECT_EQ(a.frameIndex, -1);
        EXPECT_TRUE(a.pageBitmap.empty());
        ControlBounds expected = current;
        switch (c.op) {
            case SkinOp::Label:
                EXPECT_TRUE(a.transparent);
                EXPECT_EQ(a.font, (SkinFont{"Gothic", 128, 9, false}));
                break;
            case SkinOp::Edit:
                EXPECT_EQ(a.border, SkinBorder::None);
                EXPECT_EQ(a.font, (SkinFont{"Mono", 128, 10, true}));
                EXPECT_EQ(a.maxLength, 0);
                expected.height = 17;
                break;
            case SkinOp::Gauge:
                EXPECT_EQ(a.border, SkinBorder::None);
                expected.top = 2 + (4 - 2) / 2;  // the height is still adjusted
                expected.height = 2;
                break;
            case SkinOp::Memo:
            case SkinOp::TreeView:
            case SkinOp::ListView:
                EXPECT_EQ(a.border, SkinBorder::Keep);
                EXPECT_EQ(a.font, (SkinFont{"Gothic", 128, 9, false}));
                break;
            case SkinOp::ImagePart: EXPECT_EQ(a.autoSize, true); break;
            case SkinOp::Panel: EXPECT_FALSE(a.font.has_value()); break;
        }
        EXPECT_EQ(a.bounds, expected);
    }
}

TEST_F(ApplyTest, KnownPartMissingFromTheDefinitionReadsEmpty) {
    def.parts.erase("RmVolume");
    const SkinApply a = Apply(SkinOp::Label, "RmVolume");
    EXPECT_TRUE(a.partKnown);
    EXPECT_EQ(a.bounds, (ControlBounds{0, 0, 3, 4}));
    EXPECT_EQ(a.fontColor, 0u);
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(ApplyTest, ButtonGroups) {
    const ButtonGroupPlan one = SetButtonGroup("Rw", 1);
    EXPECT_EQ(one.show, (std::vector<int>{40, 41, 42, 43}));
    EXPECT_EQ(one.hide, (std::vector<int>{44, 45}));
    const ButtonGroupPlan two = SetButtonGroup("Rw", 2);
    EXPECT_EQ(two.show, (std::vector<int>{44, 45}));
    EXPECT_EQ(two.hide, (std::vector<int>{40, 41, 42, 43}));
    for (int g : {0, 3, -1}) {
        const ButtonGroupPlan p = SetButtonGroup("Rw", g);
        EXPECT_TRUE(p.show.empty() && p.hide.empty());
    }
    EXPECT_TRUE(sink.messages.empty());
    const ButtonGroupPlan rm = SetButtonGroup("Rm", 1);
    EXPECT_TRUE(rm.show.empty() && rm.hide.empty());
    EXPECT_EQ(Joined(sink), Texts{"Sorvex|Rm not defined."});
}

TEST_F(ApplyTest, BackgroundAndColour) {
    EXPECT_EQ(BackgroundEntryFor("RwBg", def), std::optional<std::string>("RwBgPic.bmp"));
    EXPECT_EQ(BackgroundEntryFor("RwBg2", def), std::optional<std::string>("RwBg2Pic.bmp"));
    EXPECT_EQ(BackgroundEntryFor("RmBg", def), std::nullopt);
    EXPECT_EQ(BackgroundEntryFor("rwbg", def), std::nullopt);
    for (int i : {0, 1, 99, -1}) EXPECT_EQ(GetSkinColor("CdText", i, def), U(V("CdText").fgColor));
    EXPECT_EQ(GetSkinColor("RmBg", 0, def), 0u);
    def.parts["CdText"].fgColor = -1;  // "$FFFFFFFF"
    EXPECT_EQ(GetSkinColor("CdText", 0, def), 0xFFFFFFFFu);
    EXPECT_EQ(GetSkinColor("RmVolume", 0, def), 0u);
    EXPECT_TRUE(sink.messages.empty());
}

}  // namespace
}  // namespace kb::loader
