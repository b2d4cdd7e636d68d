// The loader's four skinned dialogs: the progress window (modeless, one
// cancel button), the skinned message box, the password question and the
// overwrite question. Each is a borderless form whose window class is its
// form name, so other programs find it; its look comes from a TSkin.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "loader/dialogs/dialog_rules.h"
#include "loader/settings.h"
#include "loader/skin/win/controls.h"
#include "loader/skin/win/skin_win.h"

namespace kb::loader {

// Numbered message n of the loader's message file.
using MessageText = std::function<std::string(int n)>;

// What every dialog takes: its owner (null: the application's window; the
// dialog is then centred on the screen), the messages, the skin files and
// the shared fonts.
struct DialogContext {
    ui::Form* owner = nullptr;
    MessageText messages;
    SkinFiles files;
    SkinFontSettings fonts;
};
// The running program's context: its skin files and the shared fonts.
DialogContext ProgramDialogContext(ui::Form* owner, MessageText messages);

class TfrmProgress : public ui::Form {
public:
    explicit TfrmProgress(const DialogContext& context);
    ~TfrmProgress() override;

    void SetNotifyWindow(HWND window) { notifyWindow_ = window; }
    void SetMessageText(const std::string& text);
    void SetProgress(int percent);
    // While no cancel was pressed: shows or hides button 30.
    void SetCancelVisible(bool visible);

    TSkin& Skin() { return *skin_; }
    ui::Gauge& Bar() { return ggBar_; }

private:
    void CancelClick(ui::Control& sender);

    ui::Image imgBg_;
    ui::Gauge ggBar_;
    ui::Memo memMessage_;
    std::unique_ptr<TSkin> skin_;
    HWND notifyWindow_ = nullptr;
    ProgressCancel cancel_;
};

class TfrmGrpDlg : public ui::Form {
public:
    explicit TfrmGrpDlg(const DialogContext& context);
    ~TfrmGrpDlg() override;

    void SetMessage(const std::string& text);
    // Bit 0: the OK button (200) is shown.
    void SetButtons(int flags);
    const std::vector<std::unique_ptr<ui::Label>>& LineLabels() const { return lineLabels_; }

private:
    void Layout();
    std::vector<std::string> MemoLines() const;

    DialogContext context_;
    ui::Image imgBg_, imgTop_, imgBottom_, imgLeft_, imgRight_;
    ui::Image imgLeftTop_, imgRightTop_, imgLeftBottom_, imgRightBottom_;
    ui::Memo memMsg_;
    std::unique_ptr<TSkin> skin_;
    std::vector<std::unique_ptr<ui::Label>> lineLabels_;
    std::string messageText_;
    KeyUpGuard keys_;
};

// Shows text in a skinned message box owned by owner and waits until it is closed.
void ShowSkinnedMessage(const DialogContext& context, const std::string& text);

class TfrmPassword : public ui::Form {
public:
    explicit TfrmPassword(const DialogContext& context);
    ~TfrmPassword() override;

    // Set before showing: the text the entry must equal, and the running
    // count of wrong entries (read it back afterwards).
    std::string expectedPassword;
    int wrongCount = 0;

    ui::Edit& PasswordEdit() { return edtPassword_; }

private:
    void ButtonClick(ui::Control& sender);
    void CheckEntry();

    DialogContext context_;
    ui::Image imgBg_;
    ui::Edit edtPassword_;
    std::unique_ptr<TSkin> skin_;
    FirstKeyUpGuard firstKeyUp_;
};

class TfrmOverWrite : public ui::Form {
public:
    explicit TfrmOverWrite(const DialogContext& context);
    ~TfrmOverWrite() override;

    void SetFileName(const std::string& text);
    // Modes 1, 2 and 3; any other value changes nothing.
    void SetMode(int mode);

private:
    void ButtonClick(ui::Control& sender);

    ui::Image imgBg_;
    ui::Memo memFileName_;
    std::unique_ptr<TSkin> skin_;
    int enterResult_ = kModalNone;
    int escResult_ = kModalNone;
    KeyUpGuard keys_;
};

}  // namespace kb::loader
