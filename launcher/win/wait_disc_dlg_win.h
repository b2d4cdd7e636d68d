// The wait-for-disc dialog: one blinking line of text while a worker thread
// asks Windows for the volume information of the drive's root.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "shared/win/dialog.h"
#include "shared/win/handles.h"

namespace kb::launcher {

constexpr UINT_PTR TIMER_WAIT_START = 111111;
constexpr UINT_PTR TIMER_WAIT_POLL = 111112;
constexpr UINT kWaitStartDelayMs = 500;
constexpr UINT kWaitPollMs = 1000;

// Whether the root answers a volume query; the default asks
// GetVolumeInformationA.
using VolumeQuery = std::function<bool(const std::string& root)>;
bool QueryVolume(const std::string& root);

class CWaitDiscDlg final : public kb::win::Dialog {
public:
    explicit CWaitDiscDlg(HWND parent, VolumeQuery query = &QueryVolume);
    ~CWaitDiscDlg() override;

    void SetDrive(char letter);
    void SetText(const std::string& text);
    // Runs the dialog from the launcher's template; IDOK when the disc
    // answered, IDCANCEL otherwise.
    INT_PTR DoModal();

    // What the worker and the dialog share. The worker holds its own
    // reference, so a dialog that ends while the worker still asks leaves it
    // nothing to write into but this, and whichever lets go last frees it.
    struct Probe {
        std::string root;
        VolumeQuery query;
        volatile LONG result = 0;  // nonzero once the query succeeded
    };

protected:
    bool OnInitDialog() override;
    void OnTimer(UINT_PTR id) override;
    void OnOK() override {}
    bool PreTranslateMessage(MSG& msg) override;

private:
    void StartWorker();
    void PollWorker();
    static DWORD WINAPI QueryVolumeProc(LPVOID param);

    HWND parent_;
    VolumeQuery query_;
    HWND textControl_ = nullptr;
    std::string root_;
    std::string text_;
    std::shared_ptr<Probe> probe_;
    kb::win::ScopedKernelHandle worker_;
    bool textShown_ = true;
};

}  // namespace kb::launcher
