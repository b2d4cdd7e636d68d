#include "loader/dialogs/dialog_rules.h"

#include <algorithm>

namespace kb::loader {

Point CentreOnOwner(const Bounds& owner, Size size) {
    return {owner.left + owner.width / 2 - size.width / 2, owner.top + owner.height / 2 - size.height / 2};
}

Point CentreOnOwnerAfterResize(const Bounds& owner, Size size) {
    return {owner.left + (owner.width - size.width) / 2, owner.top + (owner.height - size.height) / 2};
}

PasswordCheck CheckPassword(std::string_view entry, std::string_view expected, int& wrongCount) {
    PasswordCheck c;
    if (entry == expected) {
        c.accepted = true;
        c.modalResult = kModalOk;
        return c;
    }
    c.showWrongMessage = true;
    c.clearEntry = true;
    ++wrongCount;
    if (wrongCount >= 3) {
        c.showGiveUpMessage = true;
        c.modalResult = kModalAbort;
    }
    return c;
}

std::optional<OverwriteMode> OverwriteModeFor(int mode) {
    switch (mode) {
        case kOverwriteLastFile: return OverwriteMode{2, kModalYes, kModalNo, false, false};
        case kOverwriteMoreFiles: return OverwriteMode{1, kModalYesToAll, kModalCancel, false, false};
        case kOverwriteReadOnly: return OverwriteMode{2, kModalYes, kModalNo, true, true};
        default: return std::nullopt;
    }
}

int OverwriteButtonResult(int buttonId) {
    switch (buttonId) {
        case kBtnOverwriteYes:
        case kBtnOverwriteLastYes: return kModalYes;
        case kBtnOverwriteYesToAll: return kModalYesToAll;
        case kBtnOverwriteNo:
        case kBtnOverwriteLastNo: return kModalNo;
        case kBtnOverwriteCancel: return kModalCancel;
        default: return kModalNone;
    }
}

bool KeyUpGuard::KeyUp(uint8_t key) {
    const bool seen = down_.test(key);
    down_.reset(key);
    return seen;
}

bool ProgressCancel::Click(int buttonId) {
    if (buttonId != kBtnProgressCancel || !allowed_) return false;
    allowed_ = false;
    return true;
}

std::optional<bool> ProgressCancel::SetVisible(bool visible, bool currentlyVisible) const {
    if (!allowed_ || visible == currentlyVisible) return std::nullopt;
    return visible;
}

int GaugePosition(int percent) { return std::clamp(percent, 0, 100); }

int GaugeFillWidth(int position, int innerWidth) {
    if (innerWidth <= 0) return 0;
    return static_cast<int>(static_cast<int64_t>(GaugePosition(position)) * innerWidth / 100);
}

std::string GaugeText(int position) { return std::to_string(GaugePosition(position)) + "%"; }

}  // namespace kb::loader
