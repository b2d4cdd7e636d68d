// A dialog from a resource template, run modally the way a dialog framework
// runs it: created modeless with its owner disabled, driven by a message loop
// of its own in which PreTranslateMessage sees every message, Escape included,
// before the dialog manager turns it into a command.
#pragma once

#include <windows.h>

namespace kb::win {

class Dialog {
public:
    Dialog() = default;
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Creates the dialog from template templateId of module with owner (may be
    // null), disables the owner while it runs and runs the loop until End.
    // Returns End's result; -1 when the dialog could not be created or was
    // destroyed without End. A WM_QUIT seen by the loop ends it and is posted
    // again for the caller's loop.
    INT_PTR RunModal(HINSTANCE module, int templateId, HWND owner);
    // Ends RunModal with result once the current message has been handled.
    void End(INT_PTR result);
    HWND Handle() const { return window_; }

protected:
    // After the dialog manager's initialisation; true lets it set the focus.
    virtual bool OnInitDialog() { return true; }
    virtual void OnTimer(UINT_PTR /*id*/) {}
    // A WM_COMMAND other than IDOK and IDCANCEL; true when handled.
    virtual bool OnCommand(int /*id*/, int /*code*/, HWND /*control*/) { return false; }
    virtual void OnOK() { End(IDOK); }
    virtual void OnCancel() { End(IDCANCEL); }
    // Each message of the loop before the dialog manager; true swallows it.
    virtual bool PreTranslateMessage(MSG& /*msg*/) { return false; }
    // Every message sent to the dialog but WM_INITDIALOG, before the handlers
    // above; true with result set answers it.
    virtual bool OnMessage(UINT /*message*/, WPARAM /*wp*/, LPARAM /*lp*/, INT_PTR& /*result*/) { return false; }

private:
    static INT_PTR CALLBACK Proc(HWND window, UINT message, WPARAM wp, LPARAM lp);
    INT_PTR Handle(UINT message, WPARAM wp, LPARAM lp);

    HWND window_ = nullptr;
    bool ending_ = false;
    INT_PTR result_ = -1;
};

}  // namespace kb::win
