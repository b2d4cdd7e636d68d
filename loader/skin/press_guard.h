// The image button's press rules: what each mouse event of the framework
// shows and raises, with a guard against quick repeated presses. Pure: the
// Windows side feeds it the events and draws what it answers.
#pragma once
#include <cstdint>
#include <functional>
#include <utility>

namespace kb::loader {

// Milliseconds since the system started, wrapping after about 49.7 days
// (the platform's tick count in production, a fake clock in tests).
using TickSource = std::function<std::uint32_t()>;

// A press within this many milliseconds after the button's last release
// (or at exactly this many) is refused.
constexpr std::uint32_t kPressGuardMs = 500;

// Image indexes of a button: 0 normal, 1 pressed, 2 an optional third image
// that no press rule shows.
constexpr int kImageNormal = 0;
constexpr int kImagePressed = 1;

// One button's state. The framework delivers for a click: down, click (only
// released over the button, left button only), up; for a double click:
// down, click, up, double-click, down, up.
class PressGuard {
public:
    explicit PressGuard(TickSource ticks) : ticks_(std::move(ticks)) {}

    // What the button does for an event: the image to show (-1 leaves it)
    // and whether the button raises its own event of that kind.
    struct Reaction {
        int showImage = -1;
        bool raise = false;
    };

    // Accepted only when no double click is pending and more than
    // kPressGuardMs passed since the last release (unsigned difference, so
    // right across the tick wrap): image 1, pressed, raised.
    Reaction MouseDown() {
        if (ignoreNextUp_ || static_cast<std::uint32_t>(ticks_() - lastUpTick_) <= kPressGuardMs) return {};
        pressed_ = true;
        return {kImagePressed, true};
    }

    // Raised only for an accepted press.
    bool Click() const { return pressed_; }

    // Every release sets the release time. A pending double click is
    // cleared (nothing raised); else an accepted press ends: image 0, raised.
    Reaction MouseUp() {
        lastUpTick_ = ticks_();
        if (!ignoreNextUp_ && pressed_) {
            pressed_ = false;
            return {kImageNormal, true};
        }
        ignoreNextUp_ = false;
        return {};
    }

    // The next press and release are ignored; the double-click event itself
    // is never raised.
    void DoubleClick() { ignoreNextUp_ = true; }

    bool Pressed() const { return pressed_; }
    bool IgnoreNextUp() const { return ignoreNextUp_; }
    std::uint32_t LastUpTick() const { return lastUpTick_; }

private:
    TickSource ticks_;
    bool pressed_ = false;
    bool ignoreNextUp_ = false;
    std::uint32_t lastUpTick_ = 0;
};

}  // namespace kb::loader
