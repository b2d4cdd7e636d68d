// The rig's own check, run by with_cdrom.sh: the sample disc is a CD-ROM drive
// that the loader's pack binding reads, and the UI driver reads, captures and
// answers a message box of another process.
// rig_smoke_test --show-box <title> <text> shows one box and ends;
// rig_smoke_test --show-form shows a window with an edit (id 100) and a button
// (id 101) whose click shows the edit's text in a box titled "Form", then ends.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "testing/kit/run_all_tests.h"
#include "testing/kit/temp_folder.h"
#include "testing/kit/file_io.h"
#include "loader/bindings.h"
#include "shared/base/dll_binding.h"
#include "shared/base/dbcs.h"
#include "testing/builders/disc_builder.h"
#include "testing/uidriver/ui_driver.h"

namespace {

using kb::testing::ReadWholeFile;
using kb::testing::TempDir;

std::string DiscRoot() {
    const char* letter = std::getenv("KB_CDROM_LETTER");
    return letter && *letter ? std::string(1, letter[0]) + ":\\" : std::string();
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TEST(RigSmoke, TheSampleDiscIsACdRomThatTheLoadersPackBindingReads) {
    const std::string root = DiscRoot();
    ASSERT_FALSE(root.empty()) << "run by with_cdrom.sh, which sets KB_CDROM_LETTER";
    EXPECT_EQ(GetDriveTypeA(root.c_str()), static_cast<UINT>(DRIVE_CDROM));
    for (const char* file : {"Sessions.Pck", "Session01\\Control.pck", "Session01\\Files.lst", "Session01\\Archive",
                             "Session03\\Control.pck", "Session03\\Data.pck"})
        EXPECT_TRUE(Exists(root + file)) << file;
    EXPECT_FALSE(Exists(root + "Session02"));
    if (kb::platform::IsLeadByte(0x95)) {
        std::string list;
        ASSERT_TRUE(ReadWholeFile(root + "Session01\\Files.lst", list));
        EXPECT_NE(list.find("\x95\x5C\\\x83\x5C.txt,19,0\r\n"), std::string::npos);
    }

    // The loader's first step on a disc: "Sessions.ini" out of "Sessions.Pck".
    TempDir temp;
    kb::loader::TKabbit k;
    k.packPath = root + "Sessions.Pck";
    k.packPassword = kb::testing::disc::kIndexPasswordEditions02;
    ASSERT_EQ(k.UnPack(temp.path() + "\\", "Sessions.ini"), 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    int progress = 0;
    while ((progress = k.GetProgress()) >= 0 && progress < 100 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(progress, 101);
    std::string ini;
    ASSERT_TRUE(ReadWholeFile(temp / "Sessions.ini", ini));
    EXPECT_EQ(ini, "[General]\r\nPassword=Sample-Disc-Password\r\n");
}

// Runs a program with its standard output into a file; its exit code.
DWORD RunCapturing(std::string commandLine, const std::string& outFile) {
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE out = CreateFileA(outFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE) return 99;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = out;
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi = {};
    DWORD code = 98;
    if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        WaitForSingleObject(pi.hProcess, 60000);
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    CloseHandle(out);
    return code;
}

TEST(RigSmoke, TheUiDriverReadsCapturesAndAnswersAnotherProcesssMessageBox) {
    const std::string text = "Another user is using this application.";
    std::string line = "\"" + kb::BesideThisModule("rig_smoke_test.exe") + "\" --show-box Sorvex \"" + text + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION child = {};
    ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &child));
    const std::string pid = std::to_string(child.dwProcessId);
    const std::string driver = "\"" + kb::BesideThisModule("uidriver.exe") + "\" ";
    TempDir dir;

    // Found from outside, by class, title and process.
    ASSERT_EQ(RunCapturing(driver + "find #32770 Sorvex --pid " + pid + " --timeout 30000", dir / "hwnd.txt"), 0u);
    std::string hwndText;
    ASSERT_TRUE(ReadWholeFile(dir / "hwnd.txt", hwndText));
    HWND box = reinterpret_cast<HWND>(static_cast<uintptr_t>(std::stoull(hwndText)));
    ASSERT_TRUE(IsWindow(box));

    // A screenshot for a person to look at; a few pixels checked here.
    CreateDirectoryA(kb::BesideThisModule("screenshots").c_str(), nullptr);
    const std::string png = kb::BesideThisModule("screenshots\\rig_smoke_message_box.png");
    ASSERT_EQ(RunCapturing(driver + "shot " + hwndText + " \"" + png + "\"", dir / "shot.txt"), 0u);
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(png, bytes));
    ASSERT_GT(bytes.size(), 33u);
    EXPECT_EQ(bytes.substr(0, 8), "\x89PNG\r\n\x1a\n");
    RECT r;
    ASSERT_TRUE(GetWindowRect(box, &r));
    auto be32 = [&](size_t at) {
        return (uint32_t(uint8_t(bytes[at])) << 24) | (uint32_t(uint8_t(bytes[at + 1])) << 16) |
               (uint32_t(uint8_t(bytes[at + 2])) << 8) | uint32_t(uint8_t(bytes[at + 3]));
    };
    EXPECT_EQ(be32(16), static_cast<uint32_t>(r.right - r.left));
    EXPECT_EQ(be32(20), static_cast<uint32_t>(r.bottom - r.top));
    std::vector<uint32_t> pixels;
    int width = 0, height = 0;
    ASSERT_TRUE(kb::uidriver::CaptureWindow(box, pixels, width, height));
    POINT inside = {4, 4};
    ClientToScreen(box, &inside);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const uint32_t expected = (uint32_t(GetRValue(face)) << 16) | (uint32_t(GetGValue(face)) << 8) | GetBValue(face);
    EXPECT_EQ(pixels[size_t(inside.y - r.top) * width + size_t(inside.x - r.left)] & 0xFFFFFF, expected);

    // Read and answered.
    ASSERT_EQ(RunCapturing(driver + "msgbox --title Sorvex --pid " + pid + " --timeout 30000 --answer ok",
                           dir / "text.txt"),
              0u);
    std::string seen;
    ASSERT_TRUE(ReadWholeFile(dir / "text.txt", seen));
    EXPECT_EQ(seen, text);
    EXPECT_EQ(WaitForSingleObject(child.hProcess, 30000), static_cast<DWORD>(WAIT_OBJECT_0)) << "the box stays open";
    DWORD code = 0;
    GetExitCodeProcess(child.hProcess, &code);
    EXPECT_EQ(code, static_cast<DWORD>(IDOK));
    TerminateProcess(child.hProcess, 1);  // only if it is still there
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
}

TEST(RigSmoke, TheUiDriverTypesIntoAnEditAndClicksAButtonOfAnotherProcess) {
    std::string line = "\"" + kb::BesideThisModule("rig_smoke_test.exe") + "\" --show-form";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION child = {};
    ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &child));
    const std::string pid = std::to_string(child.dwProcessId);
    const std::string driver = "\"" + kb::BesideThisModule("uidriver.exe") + "\" ";
    TempDir dir;
    ASSERT_EQ(RunCapturing(driver + "find RigSmokeForm - --pid " + pid + " --timeout 30000", dir / "hwnd.txt"), 0u);
    std::string form;
    ASSERT_TRUE(ReadWholeFile(dir / "hwnd.txt", form));
    EXPECT_EQ(RunCapturing(driver + "type " + form + " 100 \"typed text\"", dir / "out.txt"), 0u);
    EXPECT_EQ(RunCapturing(driver + "click " + form + " 101", dir / "out.txt"), 0u);
    EXPECT_EQ(RunCapturing(driver + "click " + form + " 999", dir / "out.txt"), 1u);  // no such child
    ASSERT_EQ(RunCapturing(driver + "msgbox --title Form --pid " + pid + " --timeout 30000 --answer ok",
                           dir / "text.txt"),
              0u);
    std::string seen;
    ASSERT_TRUE(ReadWholeFile(dir / "text.txt", seen));
    EXPECT_EQ(seen, "typed text");
    EXPECT_EQ(WaitForSingleObject(child.hProcess, 30000), static_cast<DWORD>(WAIT_OBJECT_0));
    TerminateProcess(child.hProcess, 1);  // only if it is still there
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
}

LRESULT CALLBACK FormProc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_COMMAND && LOWORD(wp) == 101 && HIWORD(wp) == BN_CLICKED) {
        char text[256] = {};
        GetDlgItemTextA(window, 100, text, sizeof text);
        MessageBoxA(window, text, "Form", MB_OK);
        DestroyWindow(window);
        return 0;
    }
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(window, message, wp, lp);
}

int ShowForm() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &FormProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "RigSmokeForm";
    RegisterClassA(&wc);
    HWND form = CreateWindowExA(0, wc.lpszClassName, "Rig form", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 300, 150,
                                nullptr, nullptr, wc.hInstance, nullptr);
    CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 10, 200, 24, form,
                    reinterpret_cast<HMENU>(100), wc.hInstance, nullptr);
    CreateWindowExA(0, "BUTTON", "Show", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 50, 80, 28, form,
                    reinterpret_cast<HMENU>(101), wc.hInstance, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--show-box") == 0) return MessageBoxA(nullptr, argv[3], argv[2], MB_OK);
    if (argc == 2 && std::strcmp(argv[1], "--show-form") == 0) return ShowForm();
    return kb::testing::RunAllTests(argc, argv);
}
