// The wait-for-disc dialog in this process with a volume query the test
// controls: the answer decides the result, the text blinks while the query
// runs, keys change nothing, and a dialog closed while the worker still asks
// leaves the worker a state of its own, freed when the worker ends.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "launcher/tests/launcher_win_test_support.h"
#include "launcher/win/resource.h"
#include "launcher/win/wait_disc_dlg_win.h"
#include "testing/uidriver/ui_driver.h"

namespace kb::launcher {
namespace {

using testing::kDeadlineMs;
using testing::WaitUntil;

// A volume query that answers only when the test lets it, and tells when the
// worker has started asking.
class HeldQuery {
public:
    HeldQuery() : asked_(CreateEventA(nullptr, TRUE, FALSE, nullptr)), answer_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~HeldQuery() {
        CloseHandle(asked_);
        CloseHandle(answer_);
    }
    // The function the dialog runs on its worker; it keeps token alive for as
    // long as the dialog's probe holds it.
    VolumeQuery Function(std::shared_ptr<int> token) {
        return [this, token](const std::string& root) {
            root_ = root;
            SetEvent(asked_);
            WaitForSingleObject(answer_, INFINITE);
            return result_.load();
        };
    }
    bool WaitAsked() { return WaitForSingleObject(asked_, kDeadlineMs) == WAIT_OBJECT_0; }
    void Answer(bool result) {
        result_ = result;
        SetEvent(answer_);
    }
    std::string root_;

private:
    HANDLE asked_;
    HANDLE answer_;
    std::atomic<bool> result_{false};
};

HWND WaitForDialog() {
    uidriver::WindowQuery query;
    query.windowClass = "#32770";
    query.pid = GetCurrentProcessId();
    return uidriver::WaitForTopWindow(query, kDeadlineMs);
}

TEST(WaitDiscDialog, TheAnswerOfTheQueryIsTheResult) {
    for (const bool answer : {true, false}) {
        std::atomic<bool> asked{false};
        CWaitDiscDlg dialog(nullptr, [&](const std::string& root) {
            asked = root == "E:\\";
            return answer;
        });
        dialog.SetDrive('E');
        dialog.SetText("Waiting");
        const ULONGLONG start = GetTickCount64();
        EXPECT_EQ(dialog.DoModal(), answer ? IDOK : IDCANCEL);
        const ULONGLONG took = GetTickCount64() - start;
        EXPECT_TRUE(asked) << "the root asked is the letter and \":\\\"";
        // The query starts after half a second, the first poll a second later.
        EXPECT_GE(took, 1400u);
    }
}

TEST(WaitDiscDialog, TheTextBlinksWhileTheQueryRunsAndKeysChangeNothing) {
    HeldQuery query;
    CWaitDiscDlg dialog(nullptr, query.Function(std::make_shared<int>()));
    dialog.SetDrive('R');
    dialog.SetText("Insert the disc");
    std::atomic<int> changes{0};
    std::atomic<bool> stillOpenAfterKeys{false};
    std::thread user([&] {
        HWND window = WaitForDialog();
        if (!window || !query.WaitAsked()) return query.Answer(false);
        HWND text = uidriver::FindChild(window, IDC_STATIC_WAIT_TEXT);
        bool visible = IsWindowVisible(text) != FALSE;
        auto countChanges = [&](int until) {
            return WaitUntil([&] {
                const bool now = IsWindowVisible(text) != FALSE;
                if (now != visible) {
                    visible = now;
                    ++changes;
                }
                return changes >= until;
            });
        };
        countChanges(1);
        testing::PressKey(window, VK_ESCAPE);
        testing::PressKey(window, VK_RETURN);
        // Two more changes: the loop has long since taken the keys.
        countChanges(3);
        stillOpenAfterKeys = IsWindow(window) && uidriver::TextOf(text) == "Insert the disc";
        query.Answer(true);
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    user.join();
    EXPECT_EQ(query.root_, "R:\\");
    EXPECT_GE(changes.load(), 3);
    EXPECT_TRUE(stillOpenAfterKeys);
}

TEST(WaitDiscDialog, ClosedWhileTheWorkerAsksItEndsAsACancelAndTheWorkerFreesTheState) {
    HeldQuery query;
    auto token = std::make_shared<int>();
    std::weak_ptr<int> state = token;
    {
        CWaitDiscDlg dialog(nullptr, query.Function(std::move(token)));
        dialog.SetDrive('R');
        dialog.SetText("Insert the disc");
        std::thread user([&] {
            HWND window = WaitForDialog();
            if (window && query.WaitAsked()) uidriver::AskToClose(window);
        });
        EXPECT_EQ(dialog.DoModal(), IDCANCEL);
        user.join();
        EXPECT_FALSE(state.expired()) << "the worker still asks and holds its reference";
    }
    // The dialog is gone; the worker now ends with an answer nobody reads.
    query.Answer(true);
    EXPECT_TRUE(WaitUntil([&] { return state.expired(); })) << "the shared state outlives its last holder";
}

}  // namespace
}  // namespace kb::launcher
