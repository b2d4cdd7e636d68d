// The instance guard's platform steps: named mutexes, top-level windows and
// the plain message box.
#pragma once
#include "loader/instance_guard.h"

namespace kb::loader {

class WinGuardSystem final : public GuardSystem {
public:
    bool UseGlobalNamespace() override;
    MutexResult MakeMutex(const std::string& name) override;
    void CloseMutex(void* handle) override;
    void* FindTopWindow(const std::string& windowClass, const std::string& title) override;
    bool IsMinimized(void* window) override;
    void Restore(void* window) override;
    void BringToFront(void* window) override;
    // Through the message sink: a box titled as the loader's, with an OK button.
    void ShowMessage(const std::string& text) override;
};

}  // namespace kb::loader
