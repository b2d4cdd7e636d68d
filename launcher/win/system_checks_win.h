// The launcher's system checks that hold state: its own single-instance
// mutex, the wait for a running eraser, the programs of the family that must
// not run beside the edition, and the launcher-family and edition mutexes
// held until the launcher ends.
#pragma once

#include <windows.h>

#include "launcher/win/named_mutex_win.h"
#include "launcher/win/settings_win.h"

namespace kb::launcher {

class CSystemChecks {
public:
    // owner: the main window, owner of message 3's box; messages: the
    // launcher's table, read when a message is shown.
    CSystemChecks(HWND owner, const CMessageTable& messages) : owner_(owner), messages_(messages) {}
    // Releases in the order the launcher's way out does: edition, launcher
    // family, own.
    ~CSystemChecks();
    CSystemChecks(const CSystemChecks&) = delete;
    CSystemChecks& operator=(const CSystemChecks&) = delete;

    void SetTargetApp(int targetApp) { m_nTargetApp = targetApp; }

    // No when another launcher runs (its window has been brought forward);
    // else the own mutex is held.
    bool HoldOwnMutex();
    void ReleaseOwnMutex() { m_mutexOwn.Release(); }
    // Up to 20 probes for the eraser, 2 seconds apart; yes as soon as one
    // finds none, no after the 20th found one still running.
    bool WaitForEraser();
    // No, after message 3 with the edition's program name, when a program of
    // the family runs that must not run beside the edition.
    bool CheckConflictingPrograms();
    // Both "Local\" and "Global\" launcher-family mutexes; no when one is taken.
    bool HoldLauncherMutexes();
    void ReleaseLauncherMutexes();
    // The edition's own mutex (editions 100 and 103); yes with nothing held
    // for the others. Holding it again keeps no second handle.
    bool HoldEditionMutex();
    void ReleaseEditionMutex() { m_mutexEdition.Release(); }

    bool EditionMutexHeld() const { return m_mutexEdition.Held(); }

private:
    HWND owner_;
    const CMessageTable& messages_;
    int m_nTargetApp = 0;
    CNamedMutex m_mutexEdition;
    CNamedMutex m_mutexLauncherGlobal;
    CNamedMutex m_mutexLauncherLocal;
    CNamedMutex m_mutexOwn;
};

}  // namespace kb::launcher
