#include "launcher/win/platform_win.h"

#include "launcher/win/admin_win.h"
#include "launcher/win/os_version_win.h"
#include "launcher/win/settings_win.h"
#include "launcher/win/wait_disc_dlg_win.h"

namespace kb::launcher {

std::string WinSystemPlatform::TempFolder() { return GetTempFolder(); }

bool WinSystemPlatform::IsExistingFile(const std::string& path) { return kb::launcher::IsExistingFile(path); }

std::string WinSystemPlatform::ReadIniString(const std::string& path, std::string_view section, std::string_view key,
                                             std::string_view defaultText) {
    return kb::launcher::ReadIniString(path, std::string(section).c_str(), std::string(key).c_str(),
                                       std::string(defaultText).c_str());
}

OsVersionFacts WinSystemPlatform::QueryOsVersion() { return QueryOsVersionFacts(); }

bool WinSystemPlatform::IsProgramRunning(const ProgramProbe& probe) {
    return kb::launcher::IsProgramRunning(probe.mutex, probe.windowClass, probe.windowTitle);
}

bool WinSystemPlatform::AcquireMutex(MutexSlot slot, const MutexSpec& spec) {
    CNamedMutex& mutex = Slot(slot);
    mutex.Setup(spec.name, spec.windowClass.c_str(), spec.windowTitle.c_str());
    return !mutex.Acquire();
}

void WinSystemPlatform::ReleaseMutex(MutexSlot slot) { Slot(slot).Release(); }

void WinSystemPlatform::Sleep(int milliseconds) { ::Sleep(static_cast<DWORD>(milliseconds)); }

bool WinSystemPlatform::IsUserAdmin() { return kb::launcher::IsUserAdmin(); }

bool WinSystemPlatform::WaitForDisc(char drive, const std::string& text) {
    CWaitDiscDlg dialog(reinterpret_cast<HWND>(static_cast<intptr_t>(OwnerWindow())));
    dialog.SetDrive(drive);
    dialog.SetText(text);
    return dialog.DoModal() == IDOK;
}

CNamedMutex& WinSystemPlatform::Slot(MutexSlot slot) {
    return const_cast<CNamedMutex&>(static_cast<const WinSystemPlatform*>(this)->Slot(slot));
}

const CNamedMutex& WinSystemPlatform::Slot(MutexSlot slot) const {
    switch (slot) {
    case MutexSlot::kOwn:
        return own_;
    case MutexSlot::kLauncherLocal:
        return launcherLocal_;
    case MutexSlot::kLauncherGlobal:
        return launcherGlobal_;
    default:
        return edition_;
    }
}

}  // namespace kb::launcher
