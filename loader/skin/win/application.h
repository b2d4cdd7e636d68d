// The loader's application object: the message loop, termination, the hidden
// owner window (class "TApplication", titled with the application title) that
// other programs find, the screen-wide cursor and the timers' window.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>

#include "shared/win/window.h"

namespace kb::loader::ui {

class Form;
class Timer;

// Cursors a control or the whole screen can show.
enum class Cursor { Default, Arrow, SizeAll, HourGlass, HandPoint, IBeam };
HCURSOR CursorHandle(Cursor cursor);

constexpr char kApplicationClass[] = "TApplication";

class Application : private kb::win::Window {
public:
    static Application& Instance();

    // Creates the hidden owner window titled title. False when it cannot be made.
    bool Initialize(const std::string& title);
    HWND Handle() const { return kb::win::Window::Handle(); }
    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& title);

    // The form whose closing ends the run; the first form shown when none is set.
    Form* MainForm() const { return mainForm_; }
    void SetMainForm(Form* form) { mainForm_ = form; }

    // Runs the message loop until the application terminates.
    void Run();
    // Asks every message loop, modal ones included, to end.
    void Terminate();
    bool Terminated() const { return terminated_; }
    // Handles the messages waiting now, then returns.
    void ProcessMessages();
    // Handles one message (waiting for one when wait is true). Key preview of
    // forms happens here. False when there was none or the loop must end.
    bool HandleMessage(bool wait);

    // The screen-wide cursor: any but Default overrides every control's cursor.
    Cursor ScreenCursor() const { return screenCursor_; }
    void SetScreenCursor(Cursor cursor);

    // Timers run on the application's window.
    UINT_PTR AddTimer(Timer* timer, UINT interval);
    void RemoveTimer(UINT_PTR id);

    // Ends the window (tests and program end); a new Initialize may follow.
    void Shutdown();

private:
    Application() = default;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Restores the main form when minimised and makes the window the user can
    // answer (the modal one that is up, else the main form) the foreground.
    void BringMainFormForward();

    std::string title_;
    Form* mainForm_ = nullptr;
    bool terminated_ = false;
    Cursor screenCursor_ = Cursor::Default;
    UINT_PTR nextTimerId_ = 1;
    std::map<UINT_PTR, Timer*> timers_;
};

inline Application& App() { return Application::Instance(); }

// A periodic call on the user-interface thread; disabled until Enabled(true).
class Timer {
public:
    Timer() = default;
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    void SetInterval(UINT milliseconds);
    UINT Interval() const { return interval_; }
    // False when the platform gives no timer (or the application has no window).
    bool SetEnabled(bool enabled);
    bool Enabled() const { return id_ != 0; }

    std::function<void(Timer&)> onTimer;

private:
    friend class Application;
    UINT interval_ = 1000;
    UINT_PTR id_ = 0;
};

}  // namespace kb::loader::ui
