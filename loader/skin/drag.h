// Moving a borderless window by dragging its background: the arithmetic of
// the region window. Pure: the host gives and sets the window's position and
// the application-wide cursor.
#pragma once
#include <algorithm>
#include <cstdint>
#include <limits>

namespace kb::loader {

class DragHost {
public:
    virtual ~DragHost() = default;
    virtual int Left() const = 0;
    virtual int Top() const = 0;
    virtual void MoveTo(int left, int top) = 0;
    // true: the size-all cursor for the whole application; false: the default cursor.
    virtual void SetSizeAllCursor(bool on) = 0;
};

// Points are in the background image's coordinates, which move with the
// window: after each step the saved position is the window's new one and
// the press point stays under the mouse, so the window follows without
// drift. Positions are not clamped to the screen.
class RegionDrag {
public:
    explicit RegionDrag(DragHost& host) : host_(host) {}

    // Starts (or restarts, from the window's current position) a drag.
    void BeginDrag(int x, int y) {
        host_.SetSizeAllCursor(true);
        dragging_ = true;
        savedLeft_ = host_.Left();
        savedTop_ = host_.Top();
        downX_ = x;
        downY_ = y;
    }

    // While dragging, moves the window by the mouse's offset from the press
    // point; otherwise nothing.
    void DragMove(int x, int y) {
        if (!dragging_) return;
        host_.MoveTo(Offset(savedLeft_, x, downX_), Offset(savedTop_, y, downY_));
        savedLeft_ = host_.Left();
        savedTop_ = host_.Top();
    }

    // A move as the window reports it: with no mouse button held the drag
    // has ended where its release was not seen (released outside the window
    // or with a button the window did not capture), so it ends here instead
    // of moving the window.
    void MouseMove(int x, int y, bool anyButtonDown) {
        if (dragging_ && !anyButtonDown)
            EndDrag();
        else
            DragMove(x, y);
    }

    // Ends any drag and restores the default cursor (also without a drag).
    void EndDrag() {
        dragging_ = false;
        host_.SetSizeAllCursor(false);
    }

    bool Dragging() const { return dragging_; }

private:
    static int Offset(int saved, int at, int down) {
        const std::int64_t v = std::int64_t{saved} + at - down;
        return static_cast<int>(std::clamp<std::int64_t>(v, std::numeric_limits<int>::min(),
                                                          std::numeric_limits<int>::max()));
    }

    DragHost& host_;
    bool dragging_ = false;
    int savedLeft_ = 0;
    int savedTop_ = 0;
    int downX_ = 0;
    int downY_ = 0;
};

}  // namespace kb::loader
