// What a window's skin does to the window, apart from the window: the
// background's tiling, and for each apply operation
// and part name the settings a control takes. The window side applies the
// results; a part an operation does not know is reported here, through the
// message sink.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "loader/settings.h"
#include "loader/skin/button_group.h"
#include "loader/skin/skin_def.h"

namespace kb::loader {

// The skin definition of one prefix, by exact, case-sensitive part name;
// null for a name that is no part.
class SkinPartSource {
public:
    virtual ~SkinPartSource() = default;
    virtual const SkinPart* Find(std::string_view part) const = 0;
};

// The product's source: the skin definition read for the prefix.
class SkinDefParts final : public SkinPartSource {
public:
    explicit SkinDefParts(const TSkinDef& def) : def_(def) {}
    const SkinPart* Find(std::string_view part) const override { return def_.Find(part); }

private:
    const TSkinDef& def_;
};

// --- Files ------------------------------------------------------------------

// The archive LoadBackground and SetPanel read, whatever the prefix.
std::string ReaderArchive(const std::string& programDir);

// Entry names: a bitmap is its Name + ".bmp", a region its Region + ".rgn".
inline std::string BitmapEntry(std::string_view name) { return std::string(name) + ".bmp"; }
inline std::string RegionEntry(std::string_view region) { return std::string(region) + ".rgn"; }

// The background part of prefix: prefix + "Bg".
inline std::string BackgroundPart(std::string_view prefix) { return std::string(prefix) + "Bg"; }

// The message box's prefix: its background is tiled, and it has frame images.
constexpr char kMessageBoxPrefix[] = "Cd";

// The frame parts in frame-image order (0 to 7).
extern const std::array<const char*, 8> kFrameParts;
// The index of a frame part, -1 for any other part.
int FrameIndex(std::string_view part);

// --- Tiling -------------------------------------------------------------------

struct TileRect {
    int left, top, right, bottom;
    bool operator==(const TileRect&) const = default;
};

// The destination rectangles of a bitmap of bitmapWidth x bitmapHeight tiled
// over an image of imageWidth x imageHeight from (x, y), row by row: a row
// starts while its top is not greater than the image's height, a tile while
// its left is not greater than its width. None when the bitmap is empty.
std::vector<TileRect> TileRects(int bitmapWidth, int bitmapHeight, int imageWidth, int imageHeight, int x = 0,
                                int y = 0);

// --- Apply operations ---------------------------------------------------------

enum class SkinOp { Label, Edit, Memo, Gauge, TreeView, ListView, ImagePart, Panel };

struct SkinFont {
    std::string name;
    uint8_t charset = 0;
    int size = 0;
    bool regularStyle = false;  // bold, italic and the rest cleared
    bool operator==(const SkinFont&) const = default;
};

enum class SkinBorder { Keep, None, Single };

// Geometry of a control, relative to its parent (a control placed on a page
// panel takes the part's Left and Top inside the panel).
struct ControlBounds {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const ControlBounds&) const = default;
};

// Everything an apply operation sets on its control. Settings not set are
// left as they are.
struct SkinApply {
    bool partKnown = false;  // false: " not defined." was reported
    ControlBounds bounds;    // the control's bounds afterwards
    // Whether the part sets the width and the height; a size it does not set
    // is the one the control has once the other settings (its font) are made.
    bool setsWidth = false, setsHeight = false;
    std::optional<SkinFont> font;
    std::optional<uint32_t> fontColor, backColor, foreColor;
    SkinBorder border = SkinBorder::Keep;
    bool transparent = false;          // label
    bool rightJustify = false;         // label
    std::optional<bool> autoSize;      // label (off), image part (on)
    int maxLength = 0;                 // edit: 0 = no limit set
    char passwordChar = '\0';          // edit
    bool readOnly = false;             // memo
    bool arrowCursor = false;          // memo
    bool focusToSink = false;          // memo: hands the focus to the focus button
    int frameIndex = -1;               // image part: its frame image
    bool noBevels = false;             // panel
    bool pageImageFillsPanel = false;  // panel: the image aligned to fill it
    std::string pageBitmap;            // panel: entry to load from ReaderArchive
};

// The settings of op with part on a control now at current. A part the
// operation does not list shows Part + " not defined." (title: the loader's
// title) and keeps everything but the operation's always-applied settings.
// The gauge takes the gauge height afterwards for any part.
SkinApply PlanSkinApply(SkinOp op, std::string_view part, const ControlBounds& current,
                        const SkinPartSource& def, const SkinFontSettings& fonts);

// Top := Top + (Height - gaugeHeight) div 2 (toward zero), Height :=
// gaugeHeight, when gaugeHeight is above 0.
void ApplyGaugeHeight(ControlBounds& bounds, int gaugeHeight);

// Shows Part + " not defined." through the message sink.
void ReportUndefinedPart(std::string_view part);

// SetButtonGroup: the plan of PlanButtonGroup (button_group.h), with a part
// it does not know reported.
ButtonGroupPlan SetButtonGroup(std::string_view part, int group);

// LoadBackground: the bitmap entry of "RwBg" or "RwBg2" (from
// ReaderArchive); none, and no message, for any other part.
std::optional<std::string> BackgroundEntryFor(std::string_view part, const SkinPartSource& def);

// GetColor: the FgColor of "CdText" for any index; 0 for any other part.
uint32_t GetSkinColor(std::string_view part, int index, const SkinPartSource& def);

}  // namespace kb::loader
