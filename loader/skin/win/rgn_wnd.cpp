#include "loader/skin/win/rgn_wnd.h"

#include <cstring>

#include "shared/image/region.h"

namespace kb::loader {

TRgnWnd::TRgnWnd(ui::Form& form) : form_(form) {}

TRgnWnd::~TRgnWnd() {
    // A drag cut short by the window's end leaves no size-all cursor behind.
    if (drag_.Dragging()) drag_.EndDrag();
}

HRGN TRgnWnd::CreateRegionFromStream(const std::vector<std::uint8_t>& stream) {
    kb::image::RegionCheck check;
    if (!kb::image::ValidateRegionData(stream.data(), stream.size(), check)) return nullptr;
    // An aligned copy of exactly the checked block: the platform reads no further.
    std::vector<std::uint32_t> block((check.byteCount + 3) / 4);
    std::memcpy(block.data(), stream.data() + check.offset, check.byteCount);
    return ExtCreateRegion(nullptr, check.byteCount, reinterpret_cast<const RGNDATA*>(block.data()));
}

void TRgnWnd::SetRegionFromStream(const std::vector<std::uint8_t>* stream) {
    if (!stream) return;
    HRGN region = CreateRegionFromStream(*stream);
    if (!region) return;
    regionHandle_ = region;
    // An accepted region is the window's now: the platform frees it.
    if (!SetWindowRgn(form_.Handle(), region, TRUE)) refused_.Reset(region);
}

void TRgnWnd::RouteMouseOf(ui::Control& background) {
    background.onMouseDown = [this](ui::Control&, ui::MouseButton, unsigned, int x, int y) { BeginDrag(x, y); };
    background.onMouseMove = [this](ui::Control&, unsigned shift, int x, int y) {
        drag_.MouseMove(x, y, (shift & (ui::kLeftDown | ui::kRightDown | ui::kMiddleDown)) != 0);
    };
    background.onMouseUp = [this](ui::Control&, ui::MouseButton, unsigned, int, int) { EndDrag(); };
}

void TRgnWnd::MoveTo(int left, int top) { form_.SetBounds(left, top, form_.Width(), form_.Height()); }

void TRgnWnd::SetSizeAllCursor(bool on) {
    ui::App().SetScreenCursor(on ? ui::Cursor::SizeAll : ui::Cursor::Default);
}

}  // namespace kb::loader
