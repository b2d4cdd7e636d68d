// How LumarForUtil.exe ends, as a user meets it: the loader started by a
// caller window of this test with a disc without sessions in the CD-ROM drive
// named by KB_CDROM_LETTER, the eraser and writer stand-ins under their real
// names beside it, recording how they were started.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "loader/app/tests/lumar_rig_win.h"
#include "loader/instance_guard.h"
#include "loader/win/folders_win.h"
#include "testing/uidriver/ui_driver.h"

namespace {

namespace fx = kb::loader::testing;
namespace ui = kb::uidriver;
using fx::PumpUntil;

constexpr int kQuitButton = 10;
constexpr int kExportButton = 11;
constexpr int kFirstTab = 101;
constexpr int kLastTab = 120;
constexpr int kWriterButton = 121;

// The fixture skin's status label, in window coordinates.
constexpr RECT kStatusRect = {200, 410, 500, 426};

std::string TempFolder() {
    char path[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, path);
    return path;
}

// The loader's record of its work folder's base, read as a string; empty when none.
std::string ReadWorkFolderRecord() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kb::loader::kWorkFolderKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return {};
    char value[MAX_PATH + 1] = {};
    DWORD type = 0, size = MAX_PATH;
    const LONG r = RegQueryValueExA(key, kb::loader::kWorkFolderValue, nullptr, &type, reinterpret_cast<BYTE*>(value),
                                    &size);
    RegCloseKey(key);
    return r == ERROR_SUCCESS && type == REG_SZ ? std::string(value) : std::string();
}

// Writes the record, or removes it for an empty base.
bool WriteWorkFolderRecord(const std::string& base) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kb::loader::kWorkFolderKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    const LONG r = base.empty() ? RegDeleteValueA(key, kb::loader::kWorkFolderValue)
                                : RegSetValueExA(key, kb::loader::kWorkFolderValue, 0, REG_SZ,
                                                 reinterpret_cast<const BYTE*>(base.c_str()),
                                                 static_cast<DWORD>(base.size() + 1));
    RegCloseKey(key);
    return r == ERROR_SUCCESS;
}

BOOL CALLBACK CountListView(HWND child, LPARAM count) {
    if (ui::ClassOf(child) == "SysListView32") ++*reinterpret_cast<int*>(count);
    return TRUE;
}

int ListViewsUnder(HWND window) {
    int count = 0;
    EnumChildWindows(window, &CountListView, reinterpret_cast<LPARAM>(&count));
    return count;
}

bool Near(uint32_t argb, uint32_t rgb) {
    for (int shift : {0, 8, 16}) {
        const int a = static_cast<int>((argb >> shift) & 0xFF), b = static_cast<int>((rgb >> shift) & 0xFF);
        if (a - b > 2 || b - a > 2) return false;
    }
    return true;
}

class LoaderEnds : public fx::LumarRig {
protected:
    void SetUp() override {
        LumarRig::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        for (const char* standin : {"delvane\\Delvane.Exe", "scrivane\\Scrivane.Exe"}) {
            const std::string from = fx::ProgramFolder() + "\\standins\\" + standin;
            const std::string name = from.substr(from.find_last_of('\\'));
            ASSERT_TRUE(CopyFileA(from.c_str(), (program_ + name).c_str(), FALSE)) << from;
        }
        log_ = temp_.path() + "\\calls.log";
        // Inherited by the loader and, through it, by the stand-ins it starts.
        ASSERT_TRUE(SetEnvironmentVariableA("KB_STANDIN_LOG", log_.c_str()));
        savedRecord_ = ReadWorkFolderRecord();
    }

    void TearDown() override {
        LumarRig::TearDown();
        SetEnvironmentVariableA("KB_STANDIN_LOG", nullptr);
        WriteWorkFolderRecord(savedRecord_);
    }

    // The command lines the stand-in name recorded, in order.
    std::vector<std::string> Calls(const std::string& name) const {
        std::vector<std::string> calls;
        std::FILE* f = std::fopen(log_.c_str(), "rb");
        if (!f) return calls;
        char line[4096];
        while (std::fgets(line, sizeof line, f)) {
            std::string text = line;
            while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
            if (text.rfind(name + "|", 0) != 0) continue;
            const size_t bar = text.find('|', name.size() + 1);
            if (bar != std::string::npos) calls.push_back(text.substr(bar + 1));
        }
        std::fclose(f);
        return calls;
    }

    // The main window of process once start-up has ended: enabled, with the
    // quit button shown.
    HWND WaitUntilReady(const PROCESS_INFORMATION& process) {
        const HWND window = ui::WaitForTopWindow({"TfrmMain", "", process.dwProcessId}, 30000);
        if (!window) return nullptr;
        const bool ready = PumpUntil([&] {
            const HWND quit = ui::FindChild(window, kQuitButton);
            return IsWindowEnabled(window) && quit && IsWindowVisible(quit);
        });
        return ready ? window : nullptr;
    }

    std::string log_;
    std::string savedRecord_;
};

TEST_F(LoaderEnds, ADiscWithoutSessionsShowsTheEmptyPageAndQuitStartsTheEraser) {
    // The run starts in a work folder of the test's choosing; the start then
    // records the temp folder for the next run, so a folder worked out again at
    // exit would be another one.
    const std::string base = temp_.path() + "\\work\\";
    ASSERT_TRUE(CreateDirectoryA(base.c_str(), nullptr));
    ASSERT_TRUE(WriteWorkFolderRecord(base));

    const PROCESS_INFORMATION loader = Start();
    const HWND window = WaitUntilReady(loader);
    ASSERT_NE(window, nullptr) << "the loader did not end its start-up";
    // The caller is told of the end of start-up though no session was found.
    ASSERT_TRUE(PumpUntil([&] { return Handoffs() > 0; })) << "no hand-off message";
    EXPECT_EQ(ReadWorkFolderRecord(), TempFolder());

    // Quit is the only button; no tab, no export, no writer, no list.
    for (int id : {kExportButton, kWriterButton}) {
        const HWND button = ui::FindChild(window, id);
        EXPECT_TRUE(button == nullptr || !IsWindowVisible(button)) << "button " << id;
    }
    for (int id = kFirstTab; id <= kLastTab; ++id) {
        const HWND tab = ui::FindChild(window, id);
        EXPECT_TRUE(tab == nullptr || !IsWindowVisible(tab)) << "tab " << id;
    }
    EXPECT_EQ(ListViewsUnder(window), 0);

    // The empty page fills the page area, and the status says nothing.
    std::vector<uint32_t> pixels;
    int width = 0, height = 0;
    const auto at = [&](int x, int y) { return pixels[static_cast<size_t>(y * width + x)]; };
    const bool painted = PumpUntil(
        [&] {
            pixels.clear();
            return ui::CaptureWindow(window, pixels, width, height) && width >= 640 && height >= 420 &&
                   Near(at(320, 210), fx::kPageInitRgb) && Near(at(5, 45), fx::kPageInitRgb) &&
                   Near(at(634, 374), fx::kPageInitRgb);
        },
        10000);
    ui::SaveWindowPng(window, fx::ProgramFolder() + "\\lumar_empty_disc.png");
    ASSERT_TRUE(painted) << "the empty page is not shown";
    const uint32_t statusColour = at(kStatusRect.left, kStatusRect.top);
    EXPECT_TRUE(Near(statusColour, fx::kBackgroundRgb)) << std::hex << statusColour;
    for (int y = kStatusRect.top; y < kStatusRect.bottom; ++y)
        for (int x = kStatusRect.left; x < kStatusRect.right; ++x)
            ASSERT_EQ(at(x, y), statusColour) << "the status shows something at " << x << "," << y;

    // Quit: the loader ends and the eraser beside it is started with the
    // loader's folder (which lies under the temp folder) and the work folder
    // of the start.
    ASSERT_EQ(program_.rfind(TempFolder(), 0), 0u) << program_;
    ASSERT_TRUE(ui::Click(ui::FindChild(window, kQuitButton)));
    std::optional<ui::MessageBoxSeen> box;
    ASSERT_TRUE(PumpUntil([&] {
        if (fx::Exited(loader.hProcess)) return true;
        box = ui::WaitForMessageBox(kb::loader::kLoaderWindowTitle, loader.dwProcessId, 0);
        return box.has_value();
    })) << "the loader did not end";
    if (box) ui::AnswerMessageBox(box->window, IDOK);
    ASSERT_FALSE(box.has_value()) << "the loader said \"" << box->text << "\" at its end";
    const std::string expected = "\"" + program_ + "\\Delvane.Exe\" /E:" + program_ + " /E:" + base +
                                 "QZTemp /W:4 /X:2";
    ASSERT_TRUE(PumpUntil([&] { return !Calls("Delvane").empty(); }, 10000)) << "the eraser was not started";
    EXPECT_EQ(Calls("Delvane"), std::vector<std::string>{expected});
    EXPECT_TRUE(Calls("Scrivane").empty());
    EXPECT_EQ(Handoffs(), 1);
}

TEST_F(LoaderEnds, TheWriterButtonHandsOverAndTheLoaderEndsOnTheWritersHandOffWithoutTheEraser) {
    const PROCESS_INFORMATION loader = Start();
    const HWND window = WaitUntilReady(loader);
    ASSERT_NE(window, nullptr) << "the loader did not end its start-up";
    ASSERT_TRUE(PumpUntil([&] { return Handoffs() > 0; })) << "no hand-off message";
    RECT bounds;
    ASSERT_TRUE(GetWindowRect(window, &bounds));

    // The writer's button is hidden from the end of start-up on; its click
    // reaches the loader all the same.
    const HWND writer = ui::FindChild(window, kWriterButton);
    ASSERT_NE(writer, nullptr);
    ASSERT_TRUE(ui::Click(writer));

    // The writer stand-in posts WM_HANDOFF_CLOSE to the window named by its
    // "/H:" as soon as it runs; that message ends the loader.
    ASSERT_TRUE(PumpUntil([&] { return fx::Exited(loader.hProcess); })) << "the loader did not end";
    const std::string expected = "\"" + program_ + "\\Scrivane.Exe\" /D:" + drive_.substr(0, 1) +
                                 " /H:" + std::to_string(reinterpret_cast<intptr_t>(window)) +
                                 " /X:" + std::to_string(bounds.left) + " /Y:" + std::to_string(bounds.top);
    EXPECT_EQ(Calls("Scrivane"), std::vector<std::string>{expected});
    EXPECT_TRUE(Calls("Delvane").empty()) << "the eraser was started after the writer";
    // The writer answered the loader, not the loader's caller.
    EXPECT_EQ(Handoffs(), 1);
}

// Writer mode on the real program: "/S:SCRIVANE" (any case) shows no window,
// starts the writer with the drive, the caller and the position it was
// given, tells the caller and ends without the eraser.
TEST_F(LoaderEnds, WriterModeStartsTheWriterTellsTheCallerAndEnds) {
    const PROCESS_INFORMATION loader = Start("/S:scrivane /X:5 /Y:7");
    ASSERT_TRUE(PumpUntil([&] { return fx::Exited(loader.hProcess); })) << "the loader did not end";
    DWORD code = 1;
    ASSERT_TRUE(GetExitCodeProcess(loader.hProcess, &code));
    EXPECT_EQ(code, 0u);
    const std::string expected = "\"" + program_ + "\\Scrivane.Exe\" /D:" + drive_.substr(0, 1) +
                                 " /H:" + std::to_string(reinterpret_cast<intptr_t>(caller_)) + " /X:5 /Y:7";
    ASSERT_TRUE(PumpUntil([&] { return !Calls("Scrivane").empty(); }, 10000)) << "the writer was not started";
    EXPECT_EQ(Calls("Scrivane"), std::vector<std::string>{expected});
    // The loader's own word and the writer's answer, both to the caller.
    EXPECT_TRUE(PumpUntil([&] { return Handoffs() == 2; }, 10000)) << Handoffs();
    EXPECT_TRUE(Calls("Delvane").empty()) << "the eraser was started in writer mode";
}

}  // namespace
