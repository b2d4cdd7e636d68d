// The skinned dialogs as a user meets them: the test program dialogs_demo
// shows one dialog from a program folder with fixture skins and a message
// file; the test types, clicks and presses keys from outside, then reads the
// answer from the program's exit code and samples the window's pixels.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "archive/ach_writer.h"
#include "loader/skin/tests/skin_fixture_win.h"
#include "testing/kit/temp_folder.h"
#include "testing/uidriver/ui_driver.h"

namespace {

using kb::testing::TempDir;
namespace fx = kb::loader::testing;
namespace ui = kb::uidriver;

// Screen colours (0x00RRGGBB); the definition files hold platform colour numbers (0x00BBGGRR).
constexpr uint32_t kProgressBg = 0x336699, kPasswordBg = 0x993366, kOverwriteBg = 0x669933, kOverwriteBg2 = 0x202080;
constexpr uint32_t kBarBack = 0xFFFFFF, kBarFore = 0xFF0000;
constexpr uint32_t kTileA = 0xC0C0FF, kTileB = 0x8080E0;
constexpr uint32_t kCornerLT = 0x00FF00, kCornerRB = 0xFF00FF, kEdge = 0x000080;

std::string BinDir() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir = path;
    return dir.substr(0, dir.find_last_of('\\'));
}

template <class Done>
bool WaitFor(Done done, DWORD timeoutMs = 20000) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(15);
    }
    return true;
}

int WriteArchive(const std::string& archive, const std::string& stage,
                 const std::vector<std::pair<std::string, std::string>>& entries) {
    int rc = ark::CreateArchive(archive, static_cast<int>(entries.size()));
    for (const auto& [name, bytes] : entries) {
        if (rc != 0) return rc;
        const std::string staged = stage + "\\" + name;
        if (!fx::WriteFileBytes(staged, bytes)) return -1;
        rc = ark::AddEntry(archive, staged, name.c_str());
    }
    return rc;
}

// 0x00RRGGBB as the definition file's platform colour number.
std::string Def(uint32_t rgb) {
    char text[16];
    std::snprintf(text, sizeof text, "$%06X",
                  ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF));
    return text;
}

std::string Button(const char* image, int left, int top, int id) {
    return std::string(image) + "u," + image + "d," + std::to_string(left) + "," + std::to_string(top) + ",0," +
           std::to_string(id) + "\r\n";
}

uint32_t ButtonColor(int id) { return 0x100000u * static_cast<uint32_t>(id % 16) + 0x40 + static_cast<uint32_t>(id); }

class Dialogs : public ::testing::Test {
protected:
    void SetUp() override {
        program_ = temp_.path() + "\\prog";
        const std::string stage = temp_.path() + "\\stage";
        for (const std::string& dir : {program_, program_ + "\\skin", stage})
            ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr)) << dir;
        for (const char* file : {"dialogs_demo.exe", "Arkstow.dll"})
            ASSERT_TRUE(CopyFileA((BinDir() + "\\" + file).c_str(), (program_ + "\\" + file).c_str(), FALSE)) << file;
        ASSERT_TRUE(fx::WriteFileBytes(program_ + "\\Message.Ini",
                                       "[Loader]\r\nMessage301=Overwrite?\r\nMessage302=Password\r\n"
                                       "Message303=Wrong password\r\nMessage304=Exporting\r\n"
                                       "Message800=Too many wrong passwords\r\n"));
        const std::string text = "BgColor=" + Def(0xFFFFFF) + "\r\nFgColor=" + Def(0) + "\r\n";
        ASSERT_TRUE(fx::WriteFileBytes(
            program_ + "\\skin\\Reader.def",
            "[RpBg]\r\nName=rpbg\r\n[RpPassword]\r\nLeft=10\r\nTop=10\r\nWidth=180\r\nHeight=20\r\n" + text +
                "[RsBg]\r\nName=rsbg\r\n[RsFileName]\r\nLeft=10\r\nTop=10\r\nWidth=300\r\nHeight=40\r\n" + text +
                "[RsBar]\r\nLeft=10\r\nTop=60\r\nWidth=200\r\nHeight=20\r\nBgColor=" + Def(kBarBack) +
                "\r\nFgColor=" + Def(kBarFore) + "\r\nFontColor=0\r\n" +
                "[RwBg]\r\nName=rwbg\r\n[RwBg2]\r\nName=rwbg2\r\n"
                "[RwFileName]\r\nLeft=10\r\nTop=10\r\nWidth=300\r\nHeight=40\r\n" + text));
        std::string readerButtons = "$FF00FF\r\n" + Button("b20", 10, 50, 20) + Button("b21", 60, 50, 21) +
                                    Button("b30", 250, 60, 30);
        for (int i = 0; i < 4; ++i) readerButtons += Button(("b" + std::to_string(40 + i)).c_str(), 10 + 50 * i, 80, 40 + i);
        readerButtons += Button("b44", 10, 80, 44) + Button("b45", 60, 80, 45);
        ASSERT_TRUE(fx::WriteFileBytes(program_ + "\\skin\\Reader.btn", readerButtons));
        std::vector<std::pair<std::string, std::string>> reader = {
            {"rpbg.bmp", fx::SolidBmp(200, 90, kPasswordBg)},
            {"rsbg.bmp", fx::SolidBmp(320, 100, kProgressBg)},
            {"rwbg.bmp", fx::SolidBmp(320, 110, kOverwriteBg)},
            {"rwbg2.bmp", fx::SolidBmp(320, 110, kOverwriteBg2)}};
        for (int id : {20, 21, 30, 40, 41, 42, 43, 44, 45}) {
            const std::string b = "b" + std::to_string(id);
            reader.push_back({b + "u.bmp", fx::SolidBmp(40, 20, ButtonColor(id))});
            reader.push_back({b + "d.bmp", fx::SolidBmp(40, 20, 0xFFFFFF)});
        }
        ASSERT_EQ(WriteArchive(program_ + "\\skin\\Reader.arc", stage, reader), 0);

        std::string common = "[CdBg]\r\nName=cdbg\r\n[CdFrame]\r\nWidth=8\r\nHeight=8\r\n";
        const char* frames[] = {"CdTop", "CdBottom", "CdLeft", "CdRight", "CdLeftTop", "CdRightTop", "CdLeftBottom", "CdRightBottom"};
        for (const char* f : frames) common += std::string("[") + f + "]\r\nName=" + f + "\r\n";
        common += "[CdText]\r\nBgColor=0\r\nFgColor=" + Def(0x000000) + "\r\n";
        ASSERT_TRUE(fx::WriteFileBytes(program_ + "\\skin\\Common.def", common));
        ASSERT_TRUE(fx::WriteFileBytes(program_ + "\\skin\\Common.btn", "$FF00FF\r\n" + Button("b200", 0, 0, 200)));
        std::vector<std::pair<std::string, std::string>> commonArc = {
            {"cdbg.bmp", fx::Bmp24(3, 2, [](int x, int) { return x == 0 ? kTileA : kTileB; })},
            {"b200u.bmp", fx::SolidBmp(60, 24, ButtonColor(200))},
            {"b200d.bmp", fx::SolidBmp(60, 24, 0xFFFFFF)}};
        for (const char* f : frames) {
            const std::string name = f;
            const uint32_t c = name == "CdLeftTop" ? kCornerLT : name == "CdRightBottom" ? kCornerRB
                             : name.size() <= 8                        ? kEdge
                                                                       : 0x808000;
            commonArc.push_back({name + ".bmp", fx::SolidBmp(8, 8, c)});
        }
        ASSERT_EQ(WriteArchive(program_ + "\\skin\\Common.arc", stage, commonArc), 0);
    }

    void TearDown() override {
        if (process_.hProcess) {
            if (WaitForSingleObject(process_.hProcess, 0) != WAIT_OBJECT_0) {
                ADD_FAILURE() << "the test program was still running";
                TerminateProcess(process_.hProcess, 1);
                WaitForSingleObject(process_.hProcess, 5000);
            }
            CloseHandle(process_.hThread);
            CloseHandle(process_.hProcess);
        }
    }

    // Starts the demo and waits for the dialog of className.
    HWND Start(const std::string& arguments, const char* className) {
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        std::string command = "\"" + program_ + "\\dialogs_demo.exe\" " + arguments;
        if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, program_.c_str(), &si,
                            &process_)) {
            ADD_FAILURE() << "the test program did not start: " << GetLastError();
            return nullptr;
        }
        HWND w = ui::WaitForTopWindow({className, "", process_.dwProcessId}, 30000);
        if (!w) {
            DWORD code = 0;
            GetExitCodeProcess(process_.hProcess, &code);
            ADD_FAILURE() << "no " << className << "; the program's exit code: " << code;
            for (HWND top : ui::FindTopWindows({"", "", process_.dwProcessId, false}))
                ADD_FAILURE() << "window " << ui::ClassOf(top) << " '" << ui::TextOf(top) << "' visible "
                              << IsWindowVisible(top);
        }
        return w;
    }

    // The program's exit code once it has ended; -1 when it did not end.
    int ExitCode() {
        if (WaitForSingleObject(process_.hProcess, 20000) != WAIT_OBJECT_0) return -1;
        DWORD code = 0;
        GetExitCodeProcess(process_.hProcess, &code);
        return static_cast<int>(code);
    }
    bool Running() { return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }

    static uint32_t PixelAt(HWND w, int x, int y) {
        std::vector<uint32_t> px;
        int width = 0, height = 0;
        if (!ui::CaptureWindow(w, px, width, height) || x >= width || y >= height) return 0xFFFFFFFF;
        return px[static_cast<size_t>(y) * width + x] & 0xFFFFFF;
    }
    static bool PixelBecomes(HWND w, int x, int y, uint32_t rgb) {
        return WaitFor([&] { return PixelAt(w, x, y) == rgb; });
    }
    static void Key(HWND w, WORD key, bool down) {
        PostMessageA(w, down ? WM_KEYDOWN : WM_KEYUP, key, down ? 1 : 0xC0000001);
    }
    static void Press(HWND w, WORD key) {
        Key(w, key, true);
        Key(w, key, false);
    }
    // A named callback: a lambda has no stdcall form on 32-bit Windows.
    static BOOL CALLBACK FindVisibleEdit(HWND child, LPARAM out) {
        if (ui::ClassOf(child) == "Edit" && IsWindowVisible(child)) {
            *reinterpret_cast<HWND*>(out) = child;
            return FALSE;
        }
        return TRUE;
    }
    static HWND EditOf(HWND form) {
        HWND found = nullptr;
        EnumChildWindows(form, &FindVisibleEdit, reinterpret_cast<LPARAM>(&found));
        return found;
    }
    void Shot(HWND w, const std::string& name) { EXPECT_TRUE(ui::SaveWindowPng(w, BinDir() + "\\" + name + ".png")); }

    TempDir temp_;
    std::string program_;
    PROCESS_INFORMATION process_ = {};
};

// Keys and characters are posted, so the program sees them in this order.
void PostText(HWND edit, const std::string& text) {
    for (char c : text) PostMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 1);
}

TEST_F(Dialogs, PasswordIgnoresTheFirstReleaseWhateverTheKey) {
    for (WORD stray : {WORD(VK_RETURN), WORD(VK_ESCAPE)}) {
        SCOPED_TRACE(stray);
        HWND w = Start("password secret 0", "TfrmPassword");
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(ui::TextOf(w), "Password");
        ASSERT_TRUE(PixelBecomes(w, 195, 85, kPasswordBg));
        ASSERT_TRUE(PixelBecomes(w, 30, 60, ButtonColor(20)));
        HWND edit = EditOf(w);
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(GetWindowLongA(edit, GWL_STYLE) & ES_PASSWORD, ES_PASSWORD);
        // The release of the key that led here: acted on, an empty entry
        // would be wrong (a message box) or the dialog cancelled.
        Key(edit, stray, false);
        PostText(edit, "secret");
        if (stray == VK_RETURN) {
            ASSERT_TRUE(WaitFor([&] { return ui::TextOf(edit) == "secret"; }));
            Shot(w, "dialog_password");
        }
        Press(edit, VK_RETURN);
        EXPECT_EQ(ExitCode(), 1);
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
        process_ = {};
    }
}

TEST_F(Dialogs, PasswordThirdWrongEntryGivesUp) {
    HWND w = Start("password secret 2", "TfrmPassword");
    ASSERT_NE(w, nullptr);
    HWND edit = EditOf(w);
    ASSERT_NE(edit, nullptr);
    ASSERT_TRUE(ui::TypeText(edit, "SECRET"));  // only the case differs
    ASSERT_TRUE(ui::Click(ui::FindChild(w, 20)));
    HWND box = ui::WaitForTopWindow({"TfrmGrpDlg", "", process_.dwProcessId}, 20000);
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(PixelBecomes(box, 0, 0, kCornerLT));
    Shot(box, "dialog_message_wrong_password");
    Press(box, VK_RETURN);
    const auto plain = ui::WaitForMessageBox("DialogsDemo", process_.dwProcessId, 20000);
    ASSERT_TRUE(plain.has_value());
    EXPECT_EQ(plain->text, "Too many wrong passwords");
    EXPECT_EQ(ui::TextOf(edit), "");
    ASSERT_TRUE(ui::AnswerMessageBox(plain->window, IDOK));
    EXPECT_EQ(ExitCode(), 3 + 100 * 3);
}

TEST_F(Dialogs, PasswordEscapeAndCancel) {
    HWND w = Start("password secret 0", "TfrmPassword");
    ASSERT_NE(w, nullptr);
    HWND edit = EditOf(w);
    ASSERT_NE(edit, nullptr);
    ASSERT_TRUE(PixelBecomes(w, 195, 85, kPasswordBg));
    Press(edit, VK_ESCAPE);  // its release is the first: ignored
    Press(edit, VK_ESCAPE);
    EXPECT_EQ(ExitCode(), 2);
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
    process_ = {};

    w = Start("password secret 1", "TfrmPassword");
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(ui::Click(ui::FindChild(w, 21)));
    EXPECT_EQ(ExitCode(), 2 + 100 * 1);
}

struct OverwriteCase {
    const char* arguments;
    int button;   // 0: a key
    WORD key;
    int result;
};

TEST_F(Dialogs, OverwriteAnswers) {
    const OverwriteCase cases[] = {
        {"overwrite 2 C:\\out\\a.txt", 40, 0, 6},  {"overwrite 2 C:\\out\\a.txt", 41, 0, 10},
        {"overwrite 2 C:\\out\\a.txt", 42, 0, 7},  {"overwrite 2 C:\\out\\a.txt", 43, 0, 2},
        {"overwrite 1 C:\\out\\a.txt", 44, 0, 6},  {"overwrite 1 C:\\out\\a.txt", 45, 0, 7},
        {"overwrite 2 C:\\out\\a.txt", 0, VK_RETURN, 10}, {"overwrite 2 C:\\out\\a.txt", 0, VK_ESCAPE, 2},
        {"overwrite 1 C:\\out\\a.txt", 0, VK_RETURN, 6},  {"overwrite 3", 0, VK_ESCAPE, 7},
    };
    for (const OverwriteCase& c : cases) {
        SCOPED_TRACE(std::string(c.arguments) + " button " + std::to_string(c.button) + " key " + std::to_string(c.key));
        HWND w = Start(c.arguments, "TfrmOverWrite");
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(ui::TextOf(w), "Overwrite?");
        const bool readOnly = std::string(c.arguments) == "overwrite 3";
        ASSERT_TRUE(PixelBecomes(w, 315, 105, readOnly ? kOverwriteBg2 : kOverwriteBg));
        if (c.button) {
            HWND b = ui::FindChild(w, c.button);
            ASSERT_NE(b, nullptr);
            ASSERT_TRUE(IsWindowVisible(b));
            ASSERT_TRUE(PixelBecomes(w, (c.button >= 44 ? 10 + 50 * (c.button - 44) : 10 + 50 * (c.button - 40)) + 20,
                                     90, ButtonColor(c.button)));
            if (c.button == 41) Shot(w, "dialog_overwrite_more_files");
            ASSERT_TRUE(ui::Click(b));
        } else {
            // A release whose press the question never saw answers nothing.
            Key(w, c.key, false);
            Press(w, c.key);
        }
        if (readOnly) Shot(w, "dialog_overwrite_read_only");
        EXPECT_EQ(ExitCode(), c.result);
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
        process_ = {};
    }
}

TEST_F(Dialogs, OverwriteStrayReleaseKeepsTheQuestionOpen) {
    HWND w = Start("overwrite 2 C:\\out\\a.txt", "TfrmOverWrite");
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(PixelBecomes(w, 315, 105, kOverwriteBg));
    Key(w, VK_RETURN, false);
    // The form handles its keys in order: once a later click has been
    // answered, the stray release before it was handled and ignored.
    ASSERT_TRUE(ui::Click(ui::FindChild(w, 42)));
    EXPECT_EQ(ExitCode(), 7);
}

TEST_F(Dialogs, MessageBoxFrameTilesAndAnswers) {
    HWND w = Start("\"message\" \"First line\r\nSecond line\"", "TfrmGrpDlg");
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(PixelBecomes(w, 0, 0, kCornerLT));
    RECT r = {};
    GetWindowRect(w, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    // Frame 8 + margin 16 + at least 128 of text + 16 + 8.
    EXPECT_GE(width, 8 + 128 + 8 + 32);
    EXPECT_EQ(PixelAt(w, width - 1, height - 1), kCornerRB);
    EXPECT_EQ(PixelAt(w, width / 2, 2), kEdge);
    // The background tiles from the top-left corner's size: columns 8, 11, ... show the tile's first column.
    EXPECT_EQ(PixelAt(w, 8 + 3, 9), kTileA);
    EXPECT_EQ(PixelAt(w, 8 + 4, 9), kTileB);
    // Centred on the 800 x 600 owner.
    EXPECT_NEAR(r.left + width / 2, 400, 1);
    HWND ok = ui::FindChild(w, 200);
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(IsWindowVisible(ok));
    Shot(w, "dialog_message");
    Press(w, VK_RETURN);
    EXPECT_EQ(ExitCode(), 3);
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
    process_ = {};

    w = Start("message Hello", "TfrmGrpDlg");
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(PixelBecomes(w, 0, 0, kCornerLT));
    ASSERT_TRUE(ui::Click(ui::FindChild(w, 200)));
    EXPECT_EQ(ExitCode(), 3);
}

TEST_F(Dialogs, ProgressGaugeAndCancel) {
    struct {
        int percent;
        int x;
        uint32_t color;
    } cases[] = {{0, 10 + 20, kBarBack}, {40, 10 + 60, kBarFore}, {40, 10 + 120, kBarBack}, {100, 10 + 190, kBarFore}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.percent);
        HWND w = Start("progress " + std::to_string(c.percent), "TfrmProgress");
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(ui::TextOf(w), "Exporting");
        ASSERT_TRUE(PixelBecomes(w, 315, 95, kProgressBg));
        EXPECT_TRUE(PixelBecomes(w, c.x, 61, c.color));
        Shot(w, "dialog_progress_" + std::to_string(c.percent));
        // The user cannot close it: the program reports 0x601 when the
        // window was hidden by the time its cancel arrived.
        ASSERT_TRUE(ui::AskToClose(w));
        HWND cancel = ui::FindChild(w, 30);
        ASSERT_NE(cancel, nullptr);
        ASSERT_TRUE(ui::Click(cancel));
        EXPECT_EQ(ExitCode(), 0x600);
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
        process_ = {};
    }
}

}  // namespace
