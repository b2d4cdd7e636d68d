// The loader's single-instance guard: a named mutex, and the running
// instance's application window brought forward when the name is taken.
#pragma once
#include <string>

namespace kb::loader {

// The platform steps the guard takes (CreateMutexA, FindWindowA and the rest).
class GuardSystem {
public:
    struct MutexResult {
        void* handle = nullptr;  // null: the creation failed
        bool alreadyExisted = false;
    };
    virtual ~GuardSystem() = default;
    // "Global\" in front of mutex names (NT platform, major version 5 or above).
    virtual bool UseGlobalNamespace() = 0;
    virtual MutexResult MakeMutex(const std::string& name) = 0;
    virtual void CloseMutex(void* handle) = 0;
    // A top-level window of that class and title, or null.
    virtual void* FindTopWindow(const std::string& windowClass, const std::string& title) = 0;
    virtual bool IsMinimized(void* window) = 0;
    virtual void Restore(void* window) = 0;
    virtual void BringToFront(void* window) = 0;
    virtual void ShowMessage(const std::string& text) = 0;
};

constexpr char kAnotherUserText[] = "Another user is using this application.";

// The loader's own identity.
constexpr char kLoaderMutex[] = "TARVEL_WIN_LOADER";
constexpr char kLoaderWindowClass[] = "TApplication";
constexpr char kLoaderWindowTitle[] = "Sorvex";

class InstanceGuard {
public:
    explicit InstanceGuard(GuardSystem& system) : system_(system) {}
    ~InstanceGuard() { ReleaseInstanceGuard(); }
    InstanceGuard(const InstanceGuard&) = delete;
    InstanceGuard& operator=(const InstanceGuard&) = delete;

    // Stores the three names; no mutex is held.
    void InitInstanceGuard(const std::string& mutexName, const std::string& windowClass,
                           const std::string& windowTitle);
    // False: this instance now holds the mutex and may run. True: another
    // instance holds it; its window has been brought forward or, when it
    // cannot be found or the mutex cannot be made, "Another user is using this
    // application." has been shown.
    bool IsAnotherInstanceRunning();
    // Closes the held mutex, if any.
    void ReleaseInstanceGuard();

    bool Holding() const { return mutex_ != nullptr; }

private:
    GuardSystem& system_;
    std::string mutexName_, windowClass_, windowTitle_;
    void* mutex_ = nullptr;
};

}  // namespace kb::loader
