#include "loader/skin/skin_rules.h"

#include <algorithm>
#include <initializer_list>

#include "loader/bindings.h"
#include "loader/path_csv.h"
#include "shared/base/message_sink.h"

namespace kb::loader {
namespace {

bool OneOf(std::string_view part, std::initializer_list<std::string_view> names) {
    return std::find(names.begin(), names.end(), part) != names.end();
}

// A part the definition does not hold reads as an empty record.
const SkinPart& ValuesOf(const SkinPartSource& def, std::string_view part) {
    static const SkinPart kEmpty;
    const SkinPart* v = def.Find(part);
    return v ? *v : kEmpty;
}

// Colours are kept as the file's 32-bit patterns.
uint32_t Colour(int value) { return static_cast<uint32_t>(value); }

void TakeBounds(SkinApply& a, const SkinPart& v, bool width, bool height) {
    a.bounds.left = v.left;
    a.bounds.top = v.top;
    if (width) a.bounds.width = v.width;
    if (height) a.bounds.height = v.height;
    a.setsWidth = width;
    a.setsHeight = height;
}

SkinFont TextFont(const SkinFontSettings& fonts) { return {fonts.name, fonts.charset, fonts.size, false}; }

}  // namespace

const std::array<const char*, 8> kFrameParts = {"CdTop",     "CdBottom",   "CdLeft",       "CdRight",
                                                "CdLeftTop", "CdRightTop", "CdLeftBottom", "CdRightBottom"};

int FrameIndex(std::string_view part) {
    for (size_t i = 0; i < kFrameParts.size(); ++i)
        if (part == kFrameParts[i]) return static_cast<int>(i);
    return -1;
}

std::string ReaderArchive(const std::string& programDir) {
    return IncludeTrailingBackslash(programDir) + "skin\\Reader.arc";
}

std::vector<TileRect> TileRects(int bitmapWidth, int bitmapHeight, int imageWidth, int imageHeight, int x, int y) {
    std::vector<TileRect> rects;
    if (bitmapWidth <= 0 || bitmapHeight <= 0) return rects;
    for (int64_t t = y; t <= imageHeight; t += bitmapHeight)
        for (int64_t l = x; l <= imageWidth; l += bitmapWidth)
            rects.push_back({static_cast<int>(l), static_cast<int>(t), static_cast<int>(l + bitmapWidth),
                             static_cast<int>(t + bitmapHeight)});
    return rects;
}

void ApplyGaugeHeight(ControlBounds& bounds, int gaugeHeight) {
    if (gaugeHeight <= 0) return;
    bounds.top += (bounds.height - gaugeHeight) / 2;
    bounds.height = gaugeHeight;
}

void ReportUndefinedPart(std::string_view part) {
    ShowMessage(kLoaderTitle, NotDefinedText(part).c_str());
}

SkinApply PlanSkinApply(SkinOp op, std::string_view part, const ControlBounds& current, const SkinPartSource& def,
                        const SkinFontSettings& fonts) {
    SkinApply a;
    a.bounds = current;
    const SkinPart& v = ValuesOf(def, part);
    switch (op) {
        case SkinOp::Label:
            a.transparent = true;
            a.font = TextFont(fonts);
            if (OneOf(part, {"RmVolume", "RmPermission", "RmSize"})) {
                a.partKnown = true;
                TakeBounds(a, v, false, false);
                a.fontColor = Colour(v.fgColor);
            } else if (part == "RmStatus") {
                a.partKnown = true;
                a.rightJustify = true;
                a.autoSize = false;
                TakeBounds(a, v, true, false);
                a.fontColor = Colour(v.fgColor);
            } else if (OneOf(part, {"RsFileName", "RwFileName"})) {
                a.partKnown = true;
                TakeBounds(a, v, true, false);
                a.fontColor = Colour(v.fgColor);
            }
            break;
        case SkinOp::Edit:
            a.border = SkinBorder::None;
            a.bounds.height = fonts.editHeight;
            a.font = SkinFont{fonts.monoName, fonts.charset, fonts.monoSize, true};
            if (part == "RpPassword") {
                a.partKnown = true;
                TakeBounds(a, v, true, false);
                a.backColor = Colour(v.bgColor);
                a.fontColor = Colour(v.fgColor);
                a.maxLength = 255;
                a.passwordChar = '*';
            }
            break;
        case SkinOp::Memo:
            a.font = TextFont(fonts);
            if (OneOf(part, {"RsFileName", "RwFileName"})) {
                a.partKnown = true;
                TakeBounds(a, v, true, true);
                a.fontColor = Colour(v.fgColor);
                a.backColor = Colour(v.bgColor);
                a.border = SkinBorder::None;
                a.arrowCursor = true;
                a.readOnly = true;
                a.focusToSink = true;
            }
            break;
        case SkinOp::Gauge:
            a.border = SkinBorder::None;
            if (part == "RsBar") {
                a.partKnown = true;
                TakeBounds(a, v, true, true);
                a.backColor = Colour(v.bgColor);
                a.foreColor = Colour(v.fgColor);
                a.fontColor = Colour(v.fontColor);
            }
            break;
        case SkinOp::TreeView:
        case SkinOp::ListView:
            a.font = TextFont(fonts);
            if (part == (op == SkinOp::TreeView ? "RmTreeView" : "RmListView")) {
                a.partKnown = true;
                a.border = SkinBorder::Single;
                TakeBounds(a, v, true, true);
            }
            break;
        case SkinOp::ImagePart:
            a.autoSize = true;
            a.frameIndex = FrameIndex(part);
            a.partKnown = a.frameIndex >= 0;
            break;
        case SkinOp::Panel:
            if (OneOf(part, {"RmPageView", "RmPageWork", "RmPageInit"})) {
                a.partKnown = true;
                a.noBevels = true;
                TakeBounds(a, v, true, true);
                a.pageImageFillsPanel = true;
                a.pageBitmap = BitmapEntry(v.name);
            }
            break;
    }
    if (!a.partKnown) ReportUndefinedPart(part);
    if (op == SkinOp::Gauge) ApplyGaugeHeight(a.bounds, fonts.gaugeHeight);
    return a;
}

ButtonGroupPlan SetButtonGroup(std::string_view part, int group) {
    ButtonGroupPlan plan = PlanButtonGroup(part, group);
    if (!plan.partKnown) ReportUndefinedPart(part);
    return plan;
}

std::optional<std::string> BackgroundEntryFor(std::string_view part, const SkinPartSource& def) {
    if (part != "RwBg" && part != "RwBg2") return std::nullopt;
    return BitmapEntry(ValuesOf(def, part).name);
}

uint32_t GetSkinColor(std::string_view part, int /*index*/, const SkinPartSource& def) {
    return part == "CdText" ? Colour(ValuesOf(def, part).fgColor) : 0;
}

}  // namespace kb::loader
