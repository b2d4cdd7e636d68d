#include "launcher/win/wait_disc_dlg_win.h"

#include "launcher/win/resource.h"

namespace kb::launcher {

bool QueryVolume(const std::string& root) {
    char volumeName[260] = {};
    DWORD maxComponent = 0, flags = 0;
    return GetVolumeInformationA(root.c_str(), volumeName, sizeof volumeName, nullptr, &maxComponent, &flags, nullptr,
                                 0) != FALSE;
}

CWaitDiscDlg::CWaitDiscDlg(HWND parent, VolumeQuery query) : parent_(parent), query_(std::move(query)) {}

// A worker still running keeps its own reference to the probe; closing the
// thread handle does not stop it.
CWaitDiscDlg::~CWaitDiscDlg() = default;

void CWaitDiscDlg::SetDrive(char letter) { root_ = std::string(1, letter) + ":\\"; }

void CWaitDiscDlg::SetText(const std::string& text) { text_ = text; }

INT_PTR CWaitDiscDlg::DoModal() { return RunModal(GetModuleHandleA(nullptr), IDD_WAIT_DISC, parent_); }

bool CWaitDiscDlg::OnInitDialog() {
    textControl_ = GetDlgItem(Handle(), IDC_STATIC_WAIT_TEXT);
    SetWindowTextA(textControl_, text_.c_str());
    probe_.reset();
    SetTimer(Handle(), TIMER_WAIT_START, kWaitStartDelayMs, nullptr);
    return true;
}

void CWaitDiscDlg::OnTimer(UINT_PTR id) {
    if (id == TIMER_WAIT_START) {
        KillTimer(Handle(), TIMER_WAIT_START);
        StartWorker();
    } else if (id == TIMER_WAIT_POLL) {
        PollWorker();
    }
}

bool CWaitDiscDlg::PreTranslateMessage(MSG& msg) { return msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE; }

void CWaitDiscDlg::StartWorker() {
    probe_ = std::make_shared<Probe>();
    probe_->root = root_;
    probe_->query = query_;
    auto workerRef = std::make_unique<std::shared_ptr<Probe>>(probe_);
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, &QueryVolumeProc, workerRef.get(), CREATE_SUSPENDED, &id);
    if (!thread) {
        probe_.reset();
        End(IDCANCEL);
        return;
    }
    workerRef.release();  // the worker frees it
    worker_.Reset(thread);
    ResumeThread(thread);
    SetTimer(Handle(), TIMER_WAIT_POLL, kWaitPollMs, nullptr);
}

DWORD WINAPI CWaitDiscDlg::QueryVolumeProc(LPVOID param) {
    const std::unique_ptr<std::shared_ptr<Probe>> ref(static_cast<std::shared_ptr<Probe>*>(param));
    Probe& probe = **ref;
    const bool answered = probe.query && probe.query(probe.root);
    InterlockedExchange(&probe.result, answered ? 1 : 0);
    return 0;
}

void CWaitDiscDlg::PollWorker() {
    if (!worker_) return;
    const DWORD wait = WaitForSingleObject(worker_.Get(), 0);
    if (wait == WAIT_TIMEOUT) {
        textShown_ = !textShown_;
        ShowWindow(textControl_, textShown_ ? SW_SHOW : SW_HIDE);
        return;
    }
    KillTimer(Handle(), TIMER_WAIT_POLL);
    if (wait == WAIT_FAILED) Sleep(3000);
    // After a failed wait the worker may still run: it keeps the probe alive
    // itself, and the answer is what it had given so far.
    const bool answered = InterlockedCompareExchange(&probe_->result, 0, 0) != 0;
    worker_.Reset();
    probe_.reset();
    End(answered ? IDOK : IDCANCEL);
}

}  // namespace kb::launcher
