#include "loader/instance_guard.h"

namespace kb::loader {

void InstanceGuard::InitInstanceGuard(const std::string& mutexName, const std::string& windowClass,
                                      const std::string& windowTitle) {
    mutexName_ = mutexName;
    windowClass_ = windowClass;
    windowTitle_ = windowTitle;
}

bool InstanceGuard::IsAnotherInstanceRunning() {
    // One mutex for every logged-on user of the machine.
    const std::string name = system_.UseGlobalNamespace() ? "Global\\" + mutexName_ : mutexName_;
    const GuardSystem::MutexResult m = system_.MakeMutex(name);
    if (!m.handle) {
        system_.ShowMessage(kAnotherUserText);
        return true;
    }
    if (m.alreadyExisted) {
        system_.CloseMutex(m.handle);
        if (void* window = system_.FindTopWindow(windowClass_, windowTitle_)) {
            if (system_.IsMinimized(window)) system_.Restore(window);
            system_.BringToFront(window);
        } else {
            // The holder runs in another logon session.
            system_.ShowMessage(kAnotherUserText);
        }
        return true;
    }
    ReleaseInstanceGuard();
    mutex_ = m.handle;
    return false;
}

void InstanceGuard::ReleaseInstanceGuard() {
    if (mutex_) system_.CloseMutex(mutex_);
    mutex_ = nullptr;
}

}  // namespace kb::loader
