// TRgnWnd: gives a skinned form the outline of its region data and moves it
// while its background is dragged with any mouse button.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "loader/skin/drag.h"
#include "loader/skin/win/controls.h"
#include "shared/win/handles.h"

namespace kb::loader {

class TRgnWnd : private DragHost {
public:
    explicit TRgnWnd(ui::Form& form);
    ~TRgnWnd() override;
    TRgnWnd(const TRgnWnd&) = delete;
    TRgnWnd& operator=(const TRgnWnd&) = delete;

    // A region of the stored region data (byte count, then the block); null
    // for a count of 0 and for data that is short, oversized or inconsistent
    // (checked before the platform sees it) or that the platform refuses.
    // The caller owns the region.
    static HRGN CreateRegionFromStream(const std::vector<std::uint8_t>& stream);
    // No stream, or no region from it: the window keeps its shape. Otherwise
    // the window gets the region, which from then on is the window's.
    void SetRegionFromStream(const std::vector<std::uint8_t>* stream);
    // The region this object created last (the window's, or a refused one it still owns).
    HRGN RegionHandle() const { return regionHandle_; }

    void BeginDrag(int x, int y) { drag_.BeginDrag(x, y); }
    void DragMove(int x, int y) { drag_.DragMove(x, y); }
    void EndDrag() { drag_.EndDrag(); }
    bool Dragging() const { return drag_.Dragging(); }

    // The background's mouse events drive the drag: a press of any button
    // begins it, moves follow it, a release ends it; a move without any
    // button held ends a drag whose release was never seen.
    void RouteMouseOf(ui::Control& background);

private:
    int Left() const override { return form_.Left(); }
    int Top() const override { return form_.Top(); }
    void MoveTo(int left, int top) override;
    void SetSizeAllCursor(bool on) override;

    ui::Form& form_;
    HRGN regionHandle_ = nullptr;
    kb::win::ScopedRegion refused_;
    RegionDrag drag_{*this};
};

}  // namespace kb::loader
