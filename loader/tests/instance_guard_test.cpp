// The single-instance guard's decisions over a recording platform.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "loader/instance_guard.h"

namespace kb::loader {
namespace {

class FakeGuardSystem final : public GuardSystem {
public:
    bool global = true;
    bool createFails = false;
    bool exists = false;
    bool windowFound = true;
    bool minimized = false;
    std::vector<std::string> calls;

    bool UseGlobalNamespace() override { return global; }
    MutexResult MakeMutex(const std::string& name) override {
        calls.push_back("create " + name);
        if (createFails) return {};
        return {reinterpret_cast<void*>(uintptr_t{++handles}), exists};
    }
    void CloseMutex(void* handle) override {
        calls.push_back("close " + std::to_string(reinterpret_cast<uintptr_t>(handle)));
    }
    void* FindTopWindow(const std::string& cls, const std::string& title) override {
        calls.push_back("find " + cls + "/" + title);
        return windowFound ? reinterpret_cast<void*>(uintptr_t{0x55}) : nullptr;
    }
    bool IsMinimized(void*) override { return minimized; }
    void Restore(void*) override { calls.push_back("restore"); }
    void BringToFront(void*) override { calls.push_back("front"); }
    void ShowMessage(const std::string& text) override { calls.push_back("message " + text); }

private:
    uintptr_t handles = 0;
};

using Calls = std::vector<std::string>;

TEST(InstanceGuard, EachPathOfTheGuard) {
    const struct {
        const char* what;
        bool global, createFails, exists, windowFound, minimized;
        bool another;
        Calls calls;
    } rows[] = {
        {"first instance", true, false, false, true, false, false,
         {"create Global\\TARVEL_WIN_LOADER"}},
        {"before NT 5: no namespace", false, false, false, true, false, false, {"create TARVEL_WIN_LOADER"}},
        {"running, window shown", true, false, true, true, false, true,
         {"create Global\\TARVEL_WIN_LOADER", "close 1", "find TApplication/Sorvex", "front"}},
        {"running, window minimised", true, false, true, true, true, true,
         {"create Global\\TARVEL_WIN_LOADER", "close 1", "find TApplication/Sorvex", "restore", "front"}},
        {"running in another session", true, false, true, false, false, true,
         {"create Global\\TARVEL_WIN_LOADER", "close 1", "find TApplication/Sorvex",
          "message Another user is using this application."}},
        {"mutex refused", true, true, false, true, false, true,
         {"create Global\\TARVEL_WIN_LOADER", "message Another user is using this application."}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        FakeGuardSystem sys;
        sys.global = r.global;
        sys.createFails = r.createFails;
        sys.exists = r.exists;
        sys.windowFound = r.windowFound;
        sys.minimized = r.minimized;
        {
            InstanceGuard guard(sys);
            guard.InitInstanceGuard(kLoaderMutex, kLoaderWindowClass, kLoaderWindowTitle);
            EXPECT_EQ(guard.IsAnotherInstanceRunning(), r.another);
            EXPECT_EQ(guard.Holding(), !r.another);
            EXPECT_EQ(sys.calls, r.calls);
        }
        // The held mutex is closed with the guard, and nothing else is.
        Calls after = r.calls;
        if (!r.another) after.push_back("close 1");
        EXPECT_EQ(sys.calls, after);
    }
}

TEST(InstanceGuard, ReleaseClosesTheHeldMutexOnce) {
    FakeGuardSystem sys;
    InstanceGuard guard(sys);
    guard.InitInstanceGuard("M", "C", "T");
    ASSERT_FALSE(guard.IsAnotherInstanceRunning());
    guard.ReleaseInstanceGuard();
    guard.ReleaseInstanceGuard();
    EXPECT_EQ(sys.calls, (Calls{"create Global\\M", "close 1"}));
}

}  // namespace
}  // namespace kb::loader
