// What the loader's skinned dialogs decide, apart from their windows: modal
// results, centring, the password check, the overwrite question's modes, the
// key-up guards and the progress window's cancel and gauge.
#pragma once
#include <bitset>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kb::loader {

// Modal results (the dialog framework's numbering).
constexpr int kModalNone = 0;
constexpr int kModalOk = 1;
constexpr int kModalCancel = 2;
constexpr int kModalAbort = 3;  // give up (password) / OK of the message box
constexpr int kModalYes = 6;
constexpr int kModalNo = 7;
constexpr int kModalYesToAll = 10;

constexpr uint8_t kKeyEnter = 13;
constexpr uint8_t kKeyEscape = 27;

// Posted by the progress window, both parameters 0, when the user cancels.
constexpr uint32_t WM_LOADER_CANCEL = 0x600;

// Numbered messages of the dialogs.
constexpr int kMsgOverwriteCaption = 301;
constexpr int kMsgPasswordCaption = 302;
constexpr int kMsgWrongPassword = 303;
constexpr int kMsgProgressCaption = 304;
constexpr int kMsgPasswordGiveUp = 800;

// Button ids.
constexpr int kBtnPasswordOk = 20;
constexpr int kBtnPasswordCancel = 21;
constexpr int kBtnProgressCancel = 30;
constexpr int kBtnOverwriteYes = 40;
constexpr int kBtnOverwriteYesToAll = 41;
constexpr int kBtnOverwriteNo = 42;
constexpr int kBtnOverwriteCancel = 43;
constexpr int kBtnOverwriteLastYes = 44;
constexpr int kBtnOverwriteLastNo = 45;
constexpr int kBtnMessageOk = 200;

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};
struct Size {
    int width = 0;
    int height = 0;
    bool operator==(const Size&) const = default;
};
struct Bounds {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Bounds&) const = default;
};

// Where a dialog of size goes on its owner, as each dialog's creation does:
// Owner.Left + Owner.Width div 2 - Width div 2 (likewise Top).
Point CentreOnOwner(const Bounds& owner, Size size);
// The message box's centring after it has sized itself:
// Owner.Left + (Owner.Width - Width) div 2 (likewise Top). Differs from
// CentreOnOwner by at most one pixel for odd sizes.
Point CentreOnOwnerAfterResize(const Bounds& owner, Size size);

// --- Password dialog ---------------------------------------------------------

struct PasswordCheck {
    bool accepted = false;         // modal result 1
    bool showWrongMessage = false;  // message 303 in the skinned message box
    bool clearEntry = false;
    bool showGiveUpMessage = false;  // message 800 in the plain message dialog, after 303
    int modalResult = kModalNone;    // 0: the dialog stays open
};

// Checks entry against expected (exact bytes, case-sensitive). A wrong entry
// counts into wrongCount (the caller's running count across openings); at 3
// or more the user has given up (result 3).
PasswordCheck CheckPassword(std::string_view entry, std::string_view expected, int& wrongCount);

// --- Overwrite question -------------------------------------------------------

constexpr int kOverwriteLastFile = 1;
constexpr int kOverwriteMoreFiles = 2;
constexpr int kOverwriteReadOnly = 3;

struct OverwriteMode {
    int buttonGroup = 0;  // for the skin's SetButtonGroup("Rw", group)
    int enterResult = kModalNone;
    int escResult = kModalNone;
    bool secondBackground = false;  // LoadBackground("RwBg2")
    bool hideFileName = false;
};

// The settings of mode 1, 2 or 3; none for any other mode (nothing changes).
std::optional<OverwriteMode> OverwriteModeFor(int mode);

// The modal result of a click on button id; 0 for an id that answers nothing.
int OverwriteButtonResult(int buttonId);

// --- Key-up guards ------------------------------------------------------------

// Acts on a key-up only when the key's key-down arrived while the dialog was
// shown, so the release of a key pressed before it appeared (the Enter that
// confirmed the previous step) never answers it.
class KeyUpGuard {
public:
    // The dialog is shown: keys held before now do not count.
    void Reset() { down_.reset(); }
    void KeyDown(uint8_t key) { down_.set(key); }
    // True when this key-up is to be acted on.
    bool KeyUp(uint8_t key);

private:
    std::bitset<256> down_;
};

// The password dialog's rule: the first key-up after showing is ignored,
// whatever the key.
class FirstKeyUpGuard {
public:
    void Reset() { ignoreNext_ = true; }
    bool KeyUp() {
        const bool act = !ignoreNext_;
        ignoreNext_ = false;
        return act;
    }

private:
    bool ignoreNext_ = true;
};

// --- Progress window -----------------------------------------------------------

// The cancel button of the progress window: reported once, then gone.
class ProgressCancel {
public:
    bool Allowed() const { return allowed_; }
    // A click on buttonId: true when it is the first cancel (post
    // WM_LOADER_CANCEL to the notify window and hide the button).
    bool Click(int buttonId);
    // The cancel button's new visibility for SetCancelVisible(visible), or
    // none when it is to stay as it is (after a cancel, or already so).
    std::optional<bool> SetVisible(bool visible, bool currentlyVisible) const;

private:
    bool allowed_ = true;
};

// The gauge's position for percent: kept within 0 to 100.
int GaugePosition(int percent);
// Width in pixels of the bar's filled part for position in an inner width.
int GaugeFillWidth(int position, int innerWidth);
// The text centred on the bar: the position followed by "%".
std::string GaugeText(int position);

}  // namespace kb::loader
