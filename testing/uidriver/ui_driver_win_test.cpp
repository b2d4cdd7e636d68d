// The UI driver looks at another program's windows as they are, without
// waiting for the program: a program between its messages (asleep, or waiting
// on another program) is still found, and its windows' captions read. An
// answered box is gone when the answer returns.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shared/base/exec.h"
#include "testing/kit/deadline.h"
#include "testing/uidriver/ui_driver.h"

namespace kb::uidriver {
namespace {

constexpr char kClass[] = "KbDriverProbe";
constexpr char kTitle[] = "A caption to look for";

// The holder stand-in with a window of kClass and kTitle, ended by its id.
class Holder {
public:
    Holder() {
        const std::string line = "\"" + ProgramFolder() + "\\standins\\holder\\holder.exe\" --window " + kClass +
                                 " \"" + kTitle + "\"";
        if (!Exec(line, SW_SHOWNORMAL, 0)) return;
        window_ = WaitForTopWindow({kClass, "", 0}, kb::testing::kStateDeadlineMs);
        DWORD pid = 0;
        if (window_) GetWindowThreadProcessId(window_, &pid);
        if (pid) process_ = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
        pid_ = process_ ? pid : 0;
    }
    ~Holder() {
        if (!process_) return;
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, kb::testing::kStateDeadlineMs);
        CloseHandle(process_);
    }
    Holder(const Holder&) = delete;
    Holder& operator=(const Holder&) = delete;
    DWORD Pid() const { return pid_; }
    HWND Window() const { return window_; }

private:
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
    HWND window_ = nullptr;
};

// A look made on a thread of its own, so that one that waits for the stopped
// program fails here instead of stopping the test with it.
struct Look {
    DWORD pid;
    std::vector<HWND> found;
    std::string title;
    HWND window;
};

DWORD WINAPI LookFor(void* param) {
    auto* look = static_cast<Look*>(param);
    look->found = FindTopWindows({kClass, kTitle, look->pid});
    look->title = TitleOf(look->window);
    return 0;
}

TEST(UiDriver, AProgramWhoseThreadIsStoppedIsFoundByItsWindowsCaption) {
    // Found by its class alone, which asks nothing of the program.
    Holder holder;
    ASSERT_NE(holder.Pid(), 0u);
    HWND window = holder.Window();
    // Its thread stopped: a message sent to it now is never answered.
    HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, GetWindowThreadProcessId(window, nullptr));
    ASSERT_TRUE(thread);
    ASSERT_NE(SuspendThread(thread), static_cast<DWORD>(-1));

    Look look{holder.Pid(), {}, {}, window};
    HANDLE looking = CreateThread(nullptr, 0, &LookFor, &look, 0, nullptr);
    ASSERT_TRUE(looking);
    // A look that does not wait is over in moments; one that waits would
    // never end while the thread is held.
    const DWORD waited = WaitForSingleObject(looking, 30000);
    ResumeThread(thread);
    CloseHandle(thread);
    WaitForSingleObject(looking, INFINITE);
    CloseHandle(looking);
    ASSERT_EQ(waited, WAIT_OBJECT_0) << "the look waited for the stopped program";
    ASSERT_EQ(look.found.size(), 1u);
    EXPECT_EQ(look.found[0], window);
    EXPECT_EQ(look.title, kTitle);
}

DWORD WINAPI ShowBox(void*) { return static_cast<DWORD>(MessageBoxA(nullptr, "A question", "KbAnswerProbe", MB_OKCANCEL)); }

struct Answer {
    HWND box;
    bool gone = false;
};

DWORD WINAPI AnswerIt(void* param) {
    auto* answer = static_cast<Answer*>(param);
    answer->gone = AnswerMessageBox(answer->box, IDCANCEL);
    return 0;
}

// An answered box has gone when the answer returns, so the next look for a
// box of its program never finds it again.
TEST(UiDriver, AnAnswerReturnsOnceTheBoxHasGone) {
    HANDLE asking = CreateThread(nullptr, 0, &ShowBox, nullptr, 0, nullptr);
    ASSERT_TRUE(asking);
    const auto box = WaitForMessageBox("KbAnswerProbe", GetCurrentProcessId(), kb::testing::kStateDeadlineMs);
    ASSERT_TRUE(box.has_value());
    // The box's thread held: the answer cannot be handled yet.
    HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, GetWindowThreadProcessId(box->window, nullptr));
    ASSERT_TRUE(thread);
    ASSERT_NE(SuspendThread(thread), static_cast<DWORD>(-1));
    Answer answer{box->window};
    HANDLE answering = CreateThread(nullptr, 0, &AnswerIt, &answer, 0, nullptr);
    ASSERT_TRUE(answering);
    const DWORD early = WaitForSingleObject(answering, 500);
    ResumeThread(thread);
    CloseHandle(thread);
    EXPECT_EQ(early, static_cast<DWORD>(WAIT_TIMEOUT)) << "the answer returned while the box was still there";
    WaitForSingleObject(answering, INFINITE);
    CloseHandle(answering);
    EXPECT_TRUE(answer.gone);
    EXPECT_FALSE(IsWindow(box->window) && IsWindowVisible(box->window));
    WaitForSingleObject(asking, INFINITE);
    DWORD result = 0;
    GetExitCodeThread(asking, &result);
    CloseHandle(asking);
    EXPECT_EQ(result, static_cast<DWORD>(IDCANCEL));
}

// A caption longer than a first guess of its length comes back whole.
TEST(UiDriver, TitleOfReadsALongCaptionWhole) {
    const std::string caption(700, 'x');
    HWND window = CreateWindowExA(0, "STATIC", caption.c_str(), WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(window);
    EXPECT_EQ(TitleOf(window), caption);
    DestroyWindow(window);
}

}  // namespace
}  // namespace kb::uidriver
