// The Windows parts of the launcher's platform that the settings file, the
// system checks and the wait-for-disc dialog give; the main dialog adds the
// rest (drives, archives, disc, starts and its own window).
#pragma once

#include <windows.h>

#include "launcher/sequencer.h"
#include "launcher/win/named_mutex_win.h"

namespace kb::launcher {

class WinSystemPlatform : public LauncherPlatform {
public:
    std::string TempFolder() override;
    bool IsExistingFile(const std::string& path) override;
    std::string ReadIniString(const std::string& path, std::string_view section, std::string_view key,
                              std::string_view defaultText) override;
    OsVersionFacts QueryOsVersion() override;
    bool IsProgramRunning(const ProgramProbe& probe) override;
    bool AcquireMutex(MutexSlot slot, const MutexSpec& spec) override;
    void ReleaseMutex(MutexSlot slot) override;
    void Sleep(int milliseconds) override;
    bool IsUserAdmin() override;
    // The wait-for-disc dialog owned by the main window (OwnerWindow).
    bool WaitForDisc(char drive, const std::string& text) override;

    bool MutexHeld(MutexSlot slot) const { return Slot(slot).Held(); }

private:
    CNamedMutex& Slot(MutexSlot slot);
    const CNamedMutex& Slot(MutexSlot slot) const;

    // In the order the way out releases them.
    CNamedMutex edition_, launcherGlobal_, launcherLocal_, own_;
};

}  // namespace kb::launcher
