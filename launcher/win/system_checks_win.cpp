#include "launcher/win/system_checks_win.h"

#include "launcher/edition.h"
#include "launcher/ini_text.h"
#include "launcher/message_table.h"
#include "launcher/win/os_version_win.h"

namespace kb::launcher {
namespace {

constexpr int kEraserProbes = 20;
constexpr DWORD kEraserProbeIntervalMs = 2000;
constexpr char kLauncherTitle[] = "Dremlin";

bool IsRunning(const ProgramProbe& probe) {
    return IsProgramRunning(probe.mutex, probe.windowClass, probe.windowTitle);
}

// Holds spec in mutex; true when it was free.
bool Hold(CNamedMutex& mutex, const MutexSpec& spec) {
    mutex.Setup(spec.name, spec.windowClass.c_str(), spec.windowTitle.c_str());
    return !mutex.Acquire();
}

}  // namespace

CSystemChecks::~CSystemChecks() {
    ReleaseEditionMutex();
    ReleaseLauncherMutexes();
    ReleaseOwnMutex();
}

bool CSystemChecks::HoldOwnMutex() {
    if (IsRunning(kProbeLauncherItself)) return false;
    return Hold(m_mutexOwn, OwnMutexSpec());
}

bool CSystemChecks::WaitForEraser() {
    for (int i = 0; i < kEraserProbes; ++i) {
        if (!IsRunning(kProbeEraser)) return true;
        Sleep(kEraserProbeIntervalMs);
    }
    return false;
}

bool CSystemChecks::CheckConflictingPrograms() {
    const ConflictPlan plan = ConflictPlanFor(m_nTargetApp);
    bool running = IsRunning(kProbeLauncherFamily);
    if (!running) {
        for (const ProgramProbe& probe : plan.probes) {
            if (running && plan.stopAtFirst) break;
            // Every probe of a group runs, so each running program's window comes forward.
            if (IsRunning(probe)) running = true;
        }
    }
    if (!running) return true;
    const std::string text = FormatOneArg(messages_.GetMessageText(kMsgAppRunning), plan.messageName);
    MessageBoxA(owner_, text.c_str(), kLauncherTitle, MB_ICONERROR);
    return false;
}

bool CSystemChecks::HoldLauncherMutexes() {
    return Hold(m_mutexLauncherLocal, LauncherLocalMutexSpec()) && Hold(m_mutexLauncherGlobal, LauncherGlobalMutexSpec());
}

void CSystemChecks::ReleaseLauncherMutexes() {
    m_mutexLauncherGlobal.Release();
    m_mutexLauncherLocal.Release();
}

bool CSystemChecks::HoldEditionMutex() {
    const std::optional<MutexSpec> spec = EditionMutexSpec(m_nTargetApp, UseGlobalNamespace());
    if (!spec) return true;
    // Setup lets go of a handle still held from before, so the probe does
    // not find this launcher's own mutex and no handle is lost.
    return Hold(m_mutexEdition, *spec);
}

}  // namespace kb::launcher
