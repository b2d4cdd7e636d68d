#include "loader/dialogs/message_box_layout.h"

#include <algorithm>

namespace kb::loader {

MessageBoxLayout LayoutMessageBox(const MessageBoxInput& in) {
    const MessageFrameSizes& f = in.frame;
    MessageBoxLayout out;

    const int labelLeft = f.left.width + kMessageMargin;
    const int firstTop = f.top.height + kMessageMargin;
    int widest = 0;
    for (size_t i = 0; i < in.lines.size(); ++i) {
        out.labels.push_back({labelLeft, firstTop + kMessageLineStep * static_cast<int>(i)});
        widest = std::max(widest, in.lines[i].width);
    }
    out.textWidth = std::max(widest, kMessageMinTextWidth);
    out.textBottom = firstTop;
    if (!in.lines.empty()) out.textBottom = std::max(firstTop, out.labels.back().y + in.lines.back().height);

    out.client.width = f.left.width + out.textWidth + f.right.width + 2 * kMessageMargin;
    out.button = {(out.client.width - in.button.width) / 2, out.textBottom + kMessageMargin};
    out.client.height = out.button.y + in.button.height + kMessageMargin;
    out.form = CentreOnOwnerAfterResize(in.owner, out.client);

    const int cw = out.client.width, ch = out.client.height;
    out.background = {f.leftTop.width, f.leftTop.height, std::max(0, cw - f.leftTop.width),
                      std::max(0, ch - f.leftTop.height)};
    const int sideHeight = std::max(0, ch - f.top.height - f.bottom.height);
    out.top = {0, 0, cw, f.top.height};
    out.bottom = {0, ch - f.bottom.height, cw, f.bottom.height};
    out.left = {0, f.top.height, f.left.width, sideHeight};
    out.right = {cw - f.right.width, f.top.height, f.right.width, sideHeight};
    out.leftTop = {0, 0};
    out.rightTop = {cw - f.rightTop.width, 0};
    out.leftBottom = {0, ch - f.leftBottom.height};
    out.rightBottom = {cw - f.rightBottom.width, ch - f.rightBottom.height};
    return out;
}

std::vector<std::string> MessageLines(std::vector<std::string> controlLines) {
    if (!controlLines.empty() && controlLines.back().empty()) controlLines.pop_back();
    return controlLines;
}

}  // namespace kb::loader
