// Exec and ExecWait with a child program; ExecWait's sleeps, window and mouse
// steps are recorded, and the child ends when the test says so, never by the clock.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shared/base/dll_binding.h"
#include "shared/base/exec.h"
#include "testing/kit/file_io.h"
#include "testing/kit/temp_folder.h"

namespace {

using kb::testing::ReadWholeFile;
using kb::testing::TempDir;

std::string Child() { return kb::BesideThisModule("standins\\exec_child\\exec_child.exe"); }

struct Recorder {
    std::vector<std::string> events;
    int sleeps = 0;
    int releaseAfter = 0;  // the 500 ms wait after which the child is let go
    HANDLE release = nullptr;
};

kb::ExecWaitSteps RecordingSteps(Recorder& r) {
    kb::ExecWaitSteps s;
    s.ctx = &r;
    s.pumpMessages = [](void* c) { static_cast<Recorder*>(c)->events.push_back("pump"); };
    s.sleepMs = [](void* c, unsigned ms) {
        auto* r = static_cast<Recorder*>(c);
        r->events.push_back("sleep" + std::to_string(ms));
        if (++r->sleeps >= r->releaseAfter) {
            SetEvent(r->release);
            Sleep(10);  // gives the child time to end; the count of waits does not depend on it
        }
    };
    s.hideForm = [](void* c, void*) { static_cast<Recorder*>(c)->events.push_back("hide"); };
    s.setCursor = [](void* c, int x, int y) {
        static_cast<Recorder*>(c)->events.push_back("cursor " + std::to_string(x) + "," + std::to_string(y));
    };
    s.leftButton = [](void* c, bool down) { static_cast<Recorder*>(c)->events.push_back(down ? "down" : "up"); };
    return s;
}

class ExecTest : public ::testing::Test {
protected:
    void SetUp() override {
        eventName = "ark-exec-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name();
        recorder.release = CreateEventA(nullptr, TRUE, FALSE, eventName.c_str());
        ASSERT_NE(recorder.release, nullptr);
    }
    void TearDown() override {
        SetEvent(recorder.release);
        CloseHandle(recorder.release);
    }
    std::string Command() const {
        std::string command = "\"";
        command.append(Child()).append("\" \"").append(dir / "marker.txt").append("\" ").append(eventName);
        return command;
    }
    TempDir dir;
    std::string eventName;
    Recorder recorder;
};

TEST_F(ExecTest, ExecWaitWithAFormClicksOnceAfterTwiceTheSeconds) {
    recorder.releaseAfter = 8;
    HWND form = reinterpret_cast<HWND>(static_cast<intptr_t>(0x1234));
    ASSERT_TRUE(kb::ExecWait(Command(), SW_SHOWNORMAL, form, 1, RecordingSteps(recorder)));
    std::vector<std::string> expected = {"pump",   "sleep500",  "pump",     "sleep500", "pump", "sleep500",
                                         "hide",   "cursor 0,0", "sleep500", "down",     "sleep500", "up",
                                         "sleep500"};
    ASSERT_GE(recorder.events.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(recorder.events.begin(), recorder.events.begin() + expected.size()), expected);
    int hides = 0;
    for (const auto& e : recorder.events) hides += e == "hide";
    EXPECT_EQ(hides, 1);
    std::string marker;
    ASSERT_TRUE(ReadWholeFile(dir / "marker.txt", marker));
    EXPECT_EQ(marker, "started done");  // ExecWait returned after the child ended
}

TEST_F(ExecTest, ExecWaitWithoutAFormNeverTouchesTheDesktop) {
    recorder.releaseAfter = 2;
    ASSERT_TRUE(kb::ExecWait(Command(), SW_HIDE, nullptr, 0, RecordingSteps(recorder)));
    for (const auto& e : recorder.events) EXPECT_TRUE(e == "pump" || e == "sleep500") << e;
    std::string marker;
    ASSERT_TRUE(ReadWholeFile(dir / "marker.txt", marker));
    EXPECT_EQ(marker, "started done");
}

TEST_F(ExecTest, ProgramsThatCannotStartGiveFalse) {
    std::string missing = "\"";
    missing.append(dir / "no-such-program.exe").append("\"");
    EXPECT_FALSE(kb::Exec(missing, SW_SHOWNORMAL));
    EXPECT_FALSE(kb::ExecWait(missing, SW_SHOWNORMAL, nullptr, 0, RecordingSteps(recorder)));
    EXPECT_TRUE(recorder.events.empty());
}

TEST_F(ExecTest, ExecStartsTheProgramAndReturns) {
    ASSERT_TRUE(kb::Exec(Command(), SW_SHOWNORMAL));
    // The child waits for the event, so it has not ended; let it go and wait for its marker.
    SetEvent(recorder.release);
    std::string marker;
    for (int i = 0; i < 600 && marker != "started done"; ++i) {
        Sleep(50);
        ReadWholeFile(dir / "marker.txt", marker);
    }
    EXPECT_EQ(marker, "started done");
}

}  // namespace
