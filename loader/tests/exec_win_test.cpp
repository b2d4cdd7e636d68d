// Starting the loader's outside programs: the stand-ins of the eraser and the
// writer started by Exec from a folder with a blank in its name, the bounded
// wait for a program that never becomes idle, the hand-off answer and the
// held mutex and window.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "testing/kit/temp_folder.h"
#include "testing/kit/file_io.h"
#include "loader/win/platform_win.h"
#include "loader/work_folder.h"
#include "shared/base/dll_binding.h"
#include "shared/base/exec.h"

namespace kb::loader {
namespace {

using kb::testing::ReadWholeFile;
using kb::testing::TempDir;

using Clock = std::chrono::steady_clock;

template <class Predicate>
bool WaitFor(Predicate p, std::chrono::milliseconds limit = std::chrono::seconds(30)) {
    const auto deadline = Clock::now() + limit;
    while (!p()) {
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

struct Start {
    std::string name;
    DWORD pid = 0;
    std::string commandLine;
};

// The stand-ins' record: one "<Name>|<pid>|<command line>" line per start.
std::vector<Start> Starts(const std::string& log) {
    std::string text;
    std::vector<Start> starts;
    if (!ReadWholeFile(log, text)) return starts;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        const size_t a = line.find('|'), b = line.find('|', a + 1);
        if (a == std::string::npos || b == std::string::npos) continue;
        starts.push_back({line.substr(0, a), static_cast<DWORD>(std::stoul(line.substr(a + 1, b - a - 1))),
                          line.substr(b + 1)});
    }
    return starts;
}

void EndProcess(DWORD pid) {
    if (HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid)) {
        TerminateProcess(h, 1);
        WaitForSingleObject(h, 10000);
        CloseHandle(h);
    }
}

bool ProcessEnds(DWORD pid) {
    HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (!h) return true;
    const bool ended = WaitForSingleObject(h, 30000) == WAIT_OBJECT_0;
    CloseHandle(h);
    return ended;
}

class ExecStandIns : public ::testing::Test {
protected:
    void SetUp() override {
        folder = dir / "Program Files Q";
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
        for (const char* name : {"delvane\\Delvane.Exe", "scrivane\\Scrivane.Exe"}) {
            const std::string from = BesideThisModule(std::string("standins\\") + name);
            const std::string to = folder + "\\" + std::string(name).substr(std::string(name).find('\\') + 1);
            ASSERT_TRUE(CopyFileA(from.c_str(), to.c_str(), TRUE)) << from;
        }
        SetEnvironmentVariableA("KB_STANDIN_LOG", log.c_str());
    }
    void TearDown() override {
        for (const char* v : {"KB_STANDIN_LOG", "KB_STANDIN_HOLD", "KB_STANDIN_BUSY", "KB_STANDIN_SILENT"})
            SetEnvironmentVariableA(v, nullptr);
        for (const Start& s : Starts(log)) EndProcess(s.pid);
    }
    TempDir dir;
    std::string folder;
    std::string log = dir / "starts.txt";
};

TEST_F(ExecStandIns, AQuotedProgramPathWithABlankStartsTheEraser) {
    const std::string eraser = GetEraserPath(folder);
    const std::string line = ProgramCommandLine(eraser, "/E:" + folder + " /E:C:\\QZTemp /W:4 /X:2");
    ASSERT_TRUE(Exec(line, SW_SHOW));
    ASSERT_TRUE(WaitFor([&] { return !Starts(log).empty(); }));
    const std::vector<Start> starts = Starts(log);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].name, "Delvane");
    EXPECT_EQ(starts[0].commandLine, line);
    EXPECT_TRUE(ProcessEnds(starts[0].pid));
}

TEST_F(ExecStandIns, AProgramThatCannotStartGivesFalse) {
    EXPECT_FALSE(Exec(ProgramCommandLine(folder + "\\Missing.Exe", ""), SW_SHOW));
}

TEST_F(ExecStandIns, TheWaitForABusyProgramEndsAtItsLimitAndGoesOnAsStarted) {
    SetEnvironmentVariableA("KB_STANDIN_BUSY", "Delvane");
    const auto begin = Clock::now();
    ASSERT_TRUE(kb::Exec(ProgramCommandLine(GetEraserPath(folder), "/W:4"), SW_SHOW, 300));
    EXPECT_LT(Clock::now() - begin, std::chrono::seconds(20));
    ASSERT_TRUE(WaitFor([&] { return !Starts(log).empty(); }));
    HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, Starts(log)[0].pid);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(WaitForSingleObject(h, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the program still runs";
    CloseHandle(h);
    EXPECT_EQ(kExecIdleWaitMs, 30000u);
}

// A window on this thread that notes the hand-off answer.
class Caller {
public:
    Caller() {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = &DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "LoaderExecTestCaller";
        RegisterClassA(&wc);
        window = CreateWindowExA(0, wc.lpszClassName, "caller", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                 wc.hInstance, nullptr);
    }
    ~Caller() { DestroyWindow(window); }
    bool HandOffArrives(std::chrono::milliseconds limit) {
        const auto deadline = Clock::now() + limit;
        while (Clock::now() < deadline) {
            MSG msg;
            while (PeekMessageA(&msg, window, 0, 0, PM_REMOVE))
                if (msg.message == 0x1403) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    HWND window = nullptr;
};

TEST_F(ExecStandIns, TheWriterAnswersTheHandOffUnlessToldToStaySilent) {
    Caller caller;
    const std::string h = std::to_string(reinterpret_cast<uintptr_t>(caller.window));
    ASSERT_TRUE(Exec(ProgramCommandLine(folder + "\\Scrivane.Exe", "/D:Q /H:" + h), SW_SHOW));
    EXPECT_TRUE(caller.HandOffArrives(std::chrono::seconds(30)));

    SetEnvironmentVariableA("KB_STANDIN_SILENT", "scrivane");
    ASSERT_TRUE(Exec(ProgramCommandLine(folder + "\\Scrivane.Exe", "/D:Q /H:" + h), SW_SHOW));
    ASSERT_TRUE(WaitFor([&] { return Starts(log).size() == 2; }));
    EXPECT_TRUE(ProcessEnds(Starts(log)[1].pid));
    EXPECT_FALSE(caller.HandOffArrives(std::chrono::milliseconds(200)));
}

TEST_F(ExecStandIns, HeldProgramsShowTheirMutexAndWindowUntilTheWindowCloses) {
    SetEnvironmentVariableA("KB_STANDIN_HOLD", "Delvane,Scrivane");
    ASSERT_TRUE(Exec(ProgramCommandLine(GetEraserPath(folder), "/W:4 /X:2"), SW_SHOW));
    ASSERT_TRUE(Exec(ProgramCommandLine(folder + "\\Scrivane.Exe", "/D:Q"), SW_SHOW));
    const struct {
        const char* mutex;
        const char* windowClass;
        const char* title;
    } held[] = {{"Global\\QZDelvane", "CQZApplication", "QZEraser"},
                {"Global\\TARVEL_WIN_WRITER", "TApplication", "Scrivane"}};
    for (const auto& p : held) {
        SCOPED_TRACE(p.title);
        HWND window = nullptr;
        ASSERT_TRUE(WaitFor([&] { return (window = FindWindowA(p.windowClass, p.title)) != nullptr; }));
        HANDLE m = OpenMutexA(SYNCHRONIZE, FALSE, p.mutex);
        EXPECT_NE(m, nullptr);
        if (m) CloseHandle(m);
        PostMessageA(window, WM_CLOSE, 0, 0);
    }
    for (const Start& s : Starts(log)) EXPECT_TRUE(ProcessEnds(s.pid)) << s.name;
    HANDLE m = OpenMutexA(SYNCHRONIZE, FALSE, "Global\\QZDelvane");
    EXPECT_EQ(m, nullptr);
    if (m) CloseHandle(m);
}

}  // namespace
}  // namespace kb::loader
