// The skinned message box's layout: one label per text line inside a frame
// of eight skin images, the OK button below, the box sized to its text and
// centred on its owner. All values in pixels.
#pragma once
#include <string>
#include <vector>

#include "loader/dialogs/dialog_rules.h"

namespace kb::loader {

constexpr int kMessageMargin = 16;
constexpr int kMessageLineStep = 18;
constexpr int kMessageMinTextWidth = 128;
// The hidden text control that splits the message into lines is this wide.
constexpr int kMessageWrapWidth = 1280;
constexpr int kMessageOffScreen = -32000;

// Sizes of the frame images as the skin loaded them (0 x 0 when missing).
struct MessageFrameSizes {
    Size top, bottom, left, right;
    Size leftTop, rightTop, leftBottom, rightBottom;
};

struct MessageBoxInput {
    MessageFrameSizes frame;
    // Each line's label size once auto-sized, in the order MessageLines gives.
    std::vector<Size> lines;
    // The OK button (id 200); 0 x 0 when the skin has none.
    Size button;
    Bounds owner;
};

struct MessageBoxLayout {
    std::vector<Point> labels;  // top-left of each line's label
    int textWidth = 0;
    int textBottom = 0;
    Size client;
    Point button;
    Point form;  // the borderless form's Left and Top
    // The background image: from the top-left corner's size to the client's
    // right and bottom edges, retiled after the resize.
    Bounds background;
    // The stretched edges: top and bottom the full width, left and right
    // between them.
    Bounds top, bottom, left, right;
    Point leftTop, rightTop, leftBottom, rightBottom;
};

MessageBoxLayout LayoutMessageBox(const MessageBoxInput& in);

// The lines that get labels, from the lines the wrapping text control
// reports: its final line is left out when empty (an empty text, or a text
// ending with a line break), as that line shows nothing.
std::vector<std::string> MessageLines(std::vector<std::string> controlLines);

// SetButtons(flags): the OK button is shown when bit 0 is set.
inline bool MessageBoxShowsOk(int flags) { return (flags & 1) != 0; }

}  // namespace kb::loader
