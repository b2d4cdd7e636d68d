// LumarForUtil.exe exporting as a user meets it: rows clicked in the session
// list, the notice confirmed, the password typed into the password dialog,
// the destination chosen in the shell's folder picker, the overwrite question
// and the progress window answered with their buttons. The disc is the
// "export" layout in the CD-ROM drive named by KB_CDROM_LETTER; the files it
// was made from lie under KB_DISC_SOURCES.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "loader/app/tests/lumar_rig_win.h"
#include "loader/controller/loader_controller.h"
#include "loader/instance_guard.h"
#include "loader/skin/press_guard.h"
#include "loader/skin/tests/skin_fixture_win.h"
#include "shared/pack_errors.h"
#include "testing/kit/file_io.h"
#include "testing/uidriver/ui_driver.h"

namespace {

namespace fx = kb::loader::testing;
namespace ui = kb::uidriver;
using fx::PumpUntil;
using kb::testing::Listing;
using kb::testing::ReadAll;

// The export layouts' disc password and their only session's list.
constexpr char kDiscPassword[] = "Export-Disc-Password";
constexpr int kListId = 1001;

// How long a window of the loader may take to answer a sent message: its
// user-interface thread waits on nothing longer than a timer tick.
constexpr UINT kAnswerMs = 1000;

// Skin buttons of the dialogs.
constexpr int kPasswordOk = 20, kProgressCancel = 30;
constexpr int kYes = 40, kYesToAll = 41, kNo = 42, kCancel = 43, kLastYes = 44, kLastNo = 45;

std::string Msg(int n) { return "M" + std::to_string(n); }

void Key(HWND w, WORD key, bool down) { PostMessageA(w, down ? WM_KEYDOWN : WM_KEYUP, key, down ? 1 : 0xC0000001); }
void Press(HWND w, WORD key) {
    Key(w, key, true);
    Key(w, key, false);
}

HWND EditOf(HWND form) { return ui::FindChildOfClass(form, "Edit"); }
std::string TextIn(HWND form) {
    HWND edit = EditOf(form);
    return edit ? ui::TextOf(edit) : std::string("<no text>");
}

// Times to the second (what the pack keeps) and the attributes a pack carries.
struct Stamp {
    bool found = false;
    ULONGLONG seconds = 0;
    DWORD attributes = 0;
};
Stamp StampOf(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return {};
    const ULONGLONG t = (ULONGLONG(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    return {true, t / 10000000,
            data.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                     FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_DIRECTORY)};
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class Export : public fx::LumarRig {
protected:
    void SetUp() override {
        LumarRig::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        const char* sources = getenv("KB_DISC_SOURCES");
        ASSERT_TRUE(sources && *sources) << "KB_DISC_SOURCES is not set";
        sources_ = std::string(sources) + "\\Session01\\src";
        ASSERT_TRUE(Exists(sources_ + "\\single.txt")) << sources_;

        // The rig's skin and messages cover the dialogs and the export.
    }

    // Starts the loader and waits for its session list with rows.
    void Open() {
        loader_ = Start();
        window_ = ui::WaitForTopWindow({"TfrmMain", "", loader_.dwProcessId}, 30000);
        ASSERT_NE(window_, nullptr);
        // The row of Files.lst that points above the destination is refused
        // when the list is read, and the user is told so.
        const auto refused = ui::WaitForMessageBox(kb::loader::kLoaderWindowTitle, loader_.dwProcessId, 30000);
        ASSERT_TRUE(refused.has_value()) << "no word about the refused row";
        EXPECT_EQ(refused->text, kb::loader::UnsafeRowsText(1));
        ASSERT_TRUE(ui::AnswerMessageBox(refused->window, IDOK));
        ASSERT_TRUE(PumpUntil([&] {
            list_ = SessionList(window_, kListId);
            return list_ && IsWindowVisible(list_) && SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0) > 0 &&
                   IsWindowEnabled(window_);
        })) << [&] {
            std::string seen = "the session list was not shown; windows:";
            for (HWND w : ui::FindTopWindows({"", "", loader_.dwProcessId, false}))
                seen += " [" + ui::ClassOf(w) + " '" + ui::TextOf(w) + "' " + TextIn(w) + " " + ui::TextOf(GetDlgItem(w, 0xFFFF)) + "]";
            return seen;
        }();
    }

    int RowOf(const std::string& caption) {
        const std::vector<std::string> rows = ui::ListViewTexts(list_);
        const auto at = std::find(rows.begin(), rows.end(), caption);
        return at == rows.end() ? -1 : static_cast<int>(at - rows.begin());
    }

    std::vector<int> SelectedRows() {
        std::vector<int> rows;
        for (int i = -1; (i = static_cast<int>(SendMessageA(list_, LVM_GETNEXTITEM, i, LVNI_SELECTED))) >= 0;)
            rows.push_back(i);
        return rows;
    }

    // Clicks the rows named (Ctrl held from the second on) until the list
    // shows exactly them selected and the export button is there.
    void Select(const std::vector<std::string>& captions) {
        std::vector<int> wanted;
        for (size_t i = 0; i < captions.size(); ++i) {
            const int row = RowOf(captions[i]);
            ASSERT_GE(row, 0) << captions[i];
            ASSERT_TRUE(ui::ClickListRow(list_, row, i > 0));
            wanted.push_back(row);
        }
        std::sort(wanted.begin(), wanted.end());
        HWND exportButton = ui::FindChild(window_, 11);
        ASSERT_NE(exportButton, nullptr);
        ASSERT_TRUE(PumpUntil([&] { return SelectedRows() == wanted && IsWindowVisible(exportButton); }))
            << "the selection did not reach the loader";
    }

    HWND Dialog(const char* formClass) {
        return ui::WaitForTopWindow({formClass, "", loader_.dwProcessId}, 30000);
    }

    // Export pressed with the rows selected: confirms the notice, types the
    // password when asked, and chooses dest in the folder picker.
    // One row may be double-clicked instead.
    void BeginExport(const std::vector<std::string>& captions, const std::string& dest, bool asksPassword,
                     bool doubleClick = false) {
        if (doubleClick) {
            ASSERT_EQ(captions.size(), 1u);
            ASSERT_TRUE(ui::DoubleClickListRow(list_, RowOf(captions[0])));
        } else {
            ASSERT_NO_FATAL_FAILURE(Select(captions));
            // The button refuses a press within kPressGuardMs of its last
            // release, which it takes only once the dialogs its press opened
            // have closed; a user choosing files again takes longer.
            PumpUntil([&] { return GetTickCount() - exportEnded_ > kb::loader::kPressGuardMs + 50; });
            ASSERT_TRUE(ui::Click(ui::FindChild(window_, 11)));
        }
        const auto notice = ui::WaitForMessageBox(kb::loader::kLoaderWindowTitle, loader_.dwProcessId, 30000);
        ASSERT_TRUE(notice.has_value()) << "no notice before the export" << [&] {
            std::string seen = "; enabled " + std::to_string(IsWindowEnabled(window_)) + " export visible " +
                               std::to_string(IsWindowVisible(ui::FindChild(window_, 11))) + "; windows:";
            for (HWND w : ui::FindTopWindows({"", "", loader_.dwProcessId, false}))
                seen += " [" + ui::ClassOf(w) + " '" + ui::TextOf(w) + "' vis " + std::to_string(IsWindowVisible(w)) + "]";
            return seen;
        }();
        EXPECT_EQ(notice->text, Msg(912));
        ASSERT_TRUE(ui::AnswerMessageBox(notice->window, IDOK));
        ASSERT_TRUE(PumpUntil([&] { return !IsWindow(notice->window); }));
        if (asksPassword) {
            const HWND password = Dialog("TfrmPassword");
            ASSERT_NE(password, nullptr) << "no password dialog";
            EXPECT_EQ(ui::TextOf(password), Msg(302));
            ASSERT_TRUE(ui::TypeText(EditOf(password), kDiscPassword));
            ASSERT_TRUE(PumpUntil([&] { return ui::TextOf(EditOf(password)) == kDiscPassword; }));
            ui::SaveWindowPng(password, fx::ProgramFolder() + "\\lumar_export_password.png");
            ASSERT_TRUE(ui::Click(ui::FindChild(password, kPasswordOk)));
        }
        const HWND picker = Dialog("#32770");
        ASSERT_NE(picker, nullptr) << "no folder picker";
        ASSERT_TRUE(ui::ChooseFolder(picker, dest)) << "the picker never showed " << dest;
    }

    // The skinned message box that ends an export: its text, then closed with Enter.
    std::string EndMessage(const char* shot = nullptr) {
        HWND box = nullptr;
        std::string unexpected;
        PumpUntil([&] {
            for (HWND w : ui::FindTopWindows({"TfrmOverWrite", "", loader_.dwProcessId}))
                unexpected = "an overwrite question: " + TextIn(w);
            box = ui::FindTopWindows({"TfrmGrpDlg", "", loader_.dwProcessId}).empty()
                      ? nullptr
                      : ui::FindTopWindows({"TfrmGrpDlg", "", loader_.dwProcessId}).front();
            return box != nullptr || !unexpected.empty();
        });
        if (!unexpected.empty()) return unexpected;
        if (!box) return "<no message>";
        const std::string text = TextIn(box);
        if (shot) ui::SaveWindowPng(box, fx::ProgramFolder() + "\\" + shot);
        Press(box, VK_RETURN);
        PumpUntil([&] { return !IsWindow(box); });
        PumpUntil([&] { return IsWindowEnabled(window_) != FALSE; });
        exportEnded_ = GetTickCount();
        return text;
    }

    // The overwrite question: its file name, the buttons of its mode shown,
    // and answered with button.
    void Answer(const std::string& fileName, int mode, int button) {
        const HWND question = Dialog("TfrmOverWrite");
        ASSERT_NE(question, nullptr) << "no overwrite question about " << fileName;
        EXPECT_EQ(TextIn(question), fileName);
        const std::vector<int> shown = mode == 1 ? std::vector<int>{kLastYes, kLastNo}
                                                 : std::vector<int>{kYes, kYesToAll, kNo, kCancel};
        for (int id : shown) EXPECT_TRUE(IsWindowVisible(ui::FindChild(question, id))) << "button " << id;
        ASSERT_TRUE(ui::Click(ui::FindChild(question, button)));
        ASSERT_TRUE(PumpUntil([&] { return !IsWindow(question); }));
    }

    // The exported file equals its source: bytes, time and attributes.
    void ExpectSameAsSource(const std::string& dest, const std::string& relative) {
        SCOPED_TRACE(relative);
        const std::string source = sources_ + "\\" + relative, target = dest + "\\" + relative;
        const Stamp s = StampOf(source), t = StampOf(target);
        ASSERT_TRUE(s.found && t.found);
        EXPECT_EQ(t.seconds, s.seconds);
        EXPECT_EQ(t.attributes, s.attributes);
        if (!(s.attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            EXPECT_TRUE(ReadAll(target) == ReadAll(source));
        }
    }

    // Ends the loader with its quit button (no eraser lies beside it).
    void Quit() {
        ASSERT_TRUE(ui::Click(ui::FindChild(window_, 10)));
        const auto box = ui::WaitForMessageBox(kb::loader::kLoaderWindowTitle, loader_.dwProcessId, 30000);
        if (box) ui::AnswerMessageBox(box->window, IDOK);
        ASSERT_TRUE(PumpUntil([&] { return fx::Exited(loader_.hProcess); }));
    }

    std::string sources_;
    DWORD exportEnded_ = GetTickCount() - kb::loader::kPressGuardMs - 51;
    PROCESS_INFORMATION loader_{};
    HWND window_ = nullptr, list_ = nullptr;
};

TEST_F(Export, FolderAndFileThenOverwriteAnswersThenCancelMidEntry) {
    ASSERT_NO_FATAL_FAILURE(Open());
    // The row that points above the destination is not in the list.
    std::vector<std::string> rows = ui::ListViewTexts(list_);
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, (std::vector<std::string>{"Folder", "big.bin", "second.txt", "single.txt"}));

    const std::string out = temp_.path() + "\\out", outCancel = temp_.path() + "\\cancel";
    ASSERT_TRUE(CreateDirectoryA(out.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(outCancel.c_str(), nullptr));

    // One folder and one file.
    ASSERT_NO_FATAL_FAILURE(BeginExport({"Folder", "single.txt"}, out, true));
    EXPECT_EQ(EndMessage("lumar_export_finished.png"), Msg(908));
    EXPECT_EQ(Listing(out), (std::vector<std::string>{"Folder", "single.txt"}));
    EXPECT_EQ(Listing(out + "\\Folder"), (std::vector<std::string>{"Sub", "one.txt"}));
    EXPECT_EQ(Listing(out + "\\Folder\\Sub"), (std::vector<std::string>{"two.bin"}));
    for (const char* file : {"single.txt", "Folder\\one.txt", "Folder\\Sub\\two.bin"})
        ExpectSameAsSource(out, file);

    // The overwrite question: the folder first (four buttons), the last row
    // with two. Each answer shows in which files were written.
    const std::string one = out + "\\Folder\\one.txt", single = out + "\\single.txt";
    const std::string oneSource = ReadAll(sources_ + "\\Folder\\one.txt");
    const std::string singleSource = ReadAll(sources_ + "\\single.txt");
    const std::string folderQuestion = out + "\\Folder" + Msg(900);
    auto makeOld = [&] {
        ASSERT_TRUE(kb::testing::WriteWholeFile(one, "old"));
        ASSERT_TRUE(kb::testing::WriteWholeFile(single, "old"));
    };
    struct Case {
        int folderAnswer, lastAnswer;  // lastAnswer 0: not asked
        const char* end;
        bool folderWritten, fileWritten;
    } cases[] = {
        {kNo, kLastYes, "M908", false, true},  // no skips only that entry
        {kYesToAll, 0, "M908", true, true},    // nothing more is asked
        {kYes, kLastNo, "M910", true, false},  // no on the last row cancels
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("folder answer " + std::to_string(c.folderAnswer));
        ASSERT_NO_FATAL_FAILURE(makeOld());
        ASSERT_NO_FATAL_FAILURE(BeginExport({"Folder", "single.txt"}, out, false));
        ASSERT_NO_FATAL_FAILURE(Answer(folderQuestion, 2, c.folderAnswer));
        if (c.lastAnswer) {
            ASSERT_NO_FATAL_FAILURE(Answer(single, 1, c.lastAnswer));
        }
        EXPECT_EQ(EndMessage(), c.end);
        EXPECT_EQ(ReadAll(one), c.folderWritten ? oneSource : "old");
        EXPECT_EQ(ReadAll(single), c.fileWritten ? singleSource : "old");
    }

    // A cancel while the large entry unpacks leaves nothing of it behind, and
    // the user's own file that it was to replace as it was; the export starts
    // with a double-click on its row.
    const std::string oldBig = outCancel + "\\big.bin";
    ASSERT_TRUE(kb::testing::WriteWholeFile(oldBig, "the user's own big.bin"));
    ASSERT_NO_FATAL_FAILURE(BeginExport({"big.bin"}, outCancel, false, true));
    ASSERT_NO_FATAL_FAILURE(Answer(oldBig, 1, kLastYes));
    const HWND progress = Dialog("TfrmProgress");
    ASSERT_NE(progress, nullptr);
    const HWND cancel = ui::FindChild(progress, kProgressCancel);
    ASSERT_NE(cancel, nullptr);
    ASSERT_TRUE(PumpUntil([&] {
        return IsWindowVisible(cancel) && TextIn(progress).find("big.bin") != std::string::npos;
    })) << TextIn(progress);
    const DWORD seen = GetTickCount();
    ASSERT_TRUE(ui::Click(cancel));
    ui::SaveWindowPng(progress, fx::ProgramFolder() + "\\lumar_export_progress.png");
    // The cancel reaches the running job (904 while it copies, 906 while it
    // unpacks); 909 would mean the job had already ended.
    std::string during;
    ASSERT_TRUE(PumpUntil([&] {
        during = IsWindow(progress) ? TextIn(progress) : during;
        return during == Msg(904) || during == Msg(906) || during == Msg(909) || !IsWindow(progress);
    })) << "progress text: " << during;
    EXPECT_TRUE(during == Msg(904) || during == Msg(906))
        << "the cancel came after the job: " << during << " " << GetTickCount() - seen << " ms after the entry showed";
    EXPECT_EQ(EndMessage(), Msg(910));
    EXPECT_EQ(Listing(outCancel), std::vector<std::string>{"big.bin"});
    EXPECT_EQ(ReadAll(oldBig), "the user's own big.bin");

    // Nothing was written beside the destinations.
    EXPECT_FALSE(Exists(temp_.path() + "\\evil.txt"));
    EXPECT_FALSE(Exists(temp_.path() + "\\out\\..\\evil.txt"));
    ASSERT_NO_FATAL_FAILURE(Quit());
}

// The large entry's container holds it in many blocks, each expanded on its
// own: exported whole, every byte and its stamp are the source's.
TEST_F(Export, AnEntryOfManyBlocksExportsWhole) {
    ASSERT_NO_FATAL_FAILURE(Open());
    const std::string out = temp_.path() + "\\whole";
    ASSERT_TRUE(CreateDirectoryA(out.c_str(), nullptr));
    ASSERT_NO_FATAL_FAILURE(BeginExport({"big.bin"}, out, true));
    EXPECT_EQ(EndMessage(), Msg(908));
    EXPECT_EQ(Listing(out), std::vector<std::string>{"big.bin"});
    ExpectSameAsSource(out, "big.bin");
    ASSERT_NO_FATAL_FAILURE(Quit());
}

// While the library's worker copies the large entry's data, the progress
// window goes on painting and answering: its cancel button shows the skin's
// image (a few points sampled, never the whole picture compared) and a
// message sent to the window comes back within a short bound, again and
// again through the copy.
TEST_F(Export, TheProgressWindowPaintsAndAnswersWhileTheLargeEntryCopies) {
    ASSERT_NO_FATAL_FAILURE(Open());
    const std::string out = temp_.path() + "\\painting";
    ASSERT_TRUE(CreateDirectoryA(out.c_str(), nullptr));
    ASSERT_NO_FATAL_FAILURE(BeginExport({"big.bin"}, out, true));
    const HWND progress = Dialog("TfrmProgress");
    ASSERT_NE(progress, nullptr);
    const HWND cancel = ui::FindChild(progress, kProgressCancel);
    ASSERT_NE(cancel, nullptr);

    // Answers WM_NULL within the bound; false for a window that does not.
    const auto answers = [&] {
        DWORD_PTR ignored = 0;
        return SendMessageTimeoutA(progress, WM_NULL, 0, 0, SMTO_NORMAL, kAnswerMs, &ignored) != 0;
    };
    const std::string copying = "big.bin" + Msg(903);
    const auto inCopy = [&] { return answers() && TextIn(progress) == copying; };
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(cancel) && inCopy(); })) << TextIn(progress);

    // The button's points as the screen shows them, inside its edges.
    const auto buttonShows = [&](std::vector<uint32_t>& px, int& width, int& height) {
        if (!ui::CaptureWindow(progress, px, width, height)) return false;
        RECT form{}, button{};
        GetWindowRect(progress, &form);
        GetWindowRect(cancel, &button);
        const int left = button.left - form.left, top = button.top - form.top;
        const int w = button.right - button.left, h = button.bottom - button.top;
        if (w < 8 || h < 8 || left < 0 || top < 0 || left + w > width || top + h > height) return false;
        const POINT points[] = {{2, 2}, {w - 3, 2}, {w / 2, h / 2}, {2, h - 3}, {w - 3, h - 3}};
        for (const POINT& p : points)
            if ((px[static_cast<size_t>(top + p.y) * width + left + p.x] & 0xFFFFFF) != fx::kProgressCancelRgb)
                return false;
        return true;
    };
    std::vector<uint32_t> shot;
    int shotWidth = 0, shotHeight = 0;
    bool painted = false, stillCopying = true;
    PumpUntil([&] {
        if (!inCopy()) {
            stillCopying = false;
            return true;
        }
        painted = buttonShows(shot, shotWidth, shotHeight);
        return painted;
    });
    if (!shot.empty()) ui::WritePng(fx::ProgramFolder() + "\\lumar_export_progress_copy.png", shot, shotWidth, shotHeight);
    EXPECT_TRUE(painted) << (stillCopying ? "the copy went on" : "the copy ended") << " with the cancel button unpainted";

    // It keeps answering while the copy goes on.
    int answered = 0, asked = 0;
    for (const DWORD end = GetTickCount() + 2000; GetTickCount() < end && TextIn(progress) == copying; Sleep(50)) {
        ++asked;
        if (answers()) ++answered;
    }
    EXPECT_EQ(answered, asked) << "the progress window did not answer within " << kAnswerMs << " ms";

    ASSERT_TRUE(ui::Click(cancel));
    EXPECT_EQ(EndMessage(), Msg(910));
    ASSERT_NO_FATAL_FAILURE(Quit());
}

// The "crafted-export" disc: its pack, written byte by byte, holds in
// single.txt.cmp also \Folder\one.txt and a read-only \victim.txt. After
// the answer no about the folder, the file's entry may write single.txt and
// nothing else: the whole entry is refused before anything is written, the
// user is told why, and neither the folder's file nor victim.txt is touched.
using CraftedExport = Export;

TEST_F(CraftedExport, AnEntryWritesNothingTheUserWasNotAskedAbout) {
    ASSERT_NO_FATAL_FAILURE(Open());
    std::vector<std::string> rows = ui::ListViewTexts(list_);
    std::sort(rows.begin(), rows.end());
    ASSERT_EQ(rows, (std::vector<std::string>{"Folder", "single.txt"}));
    const std::string out = temp_.path() + "\\crafted", one = out + "\\Folder\\one.txt";
    ASSERT_TRUE(CreateDirectoryA(out.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((out + "\\Folder").c_str(), nullptr));
    ASSERT_TRUE(kb::testing::WriteWholeFile(one, "the user's one.txt"));

    ASSERT_NO_FATAL_FAILURE(BeginExport({"Folder", "single.txt"}, out, true));
    ASSERT_NO_FATAL_FAILURE(Answer(out + "\\Folder" + Msg(900), 2, kNo));
    // The library's word for the refused entry, then the export's failure.
    const auto refused = ui::WaitForMessageBox(kb::loader::kLoaderWindowTitle, loader_.dwProcessId, 30000);
    ASSERT_TRUE(refused.has_value()) << "no word about the refused entry";
    EXPECT_EQ(refused->text, kb::PackErrorText(kb::PACKERR_ILLEGAL_PACKED_FILE));
    ASSERT_TRUE(ui::AnswerMessageBox(refused->window, IDOK));
    const auto failed = ui::WaitForMessageBox(kb::loader::kLoaderWindowTitle, loader_.dwProcessId, 30000);
    ASSERT_TRUE(failed.has_value()) << "no word about the failed export";
    EXPECT_EQ(failed->text, Msg(6));
    ASSERT_TRUE(ui::AnswerMessageBox(failed->window, IDOK));
    ASSERT_TRUE(PumpUntil([&] { return IsWindowEnabled(window_) != FALSE; }));

    EXPECT_EQ(ReadAll(one), "the user's one.txt");
    EXPECT_EQ(Listing(out), std::vector<std::string>{"Folder"});
    EXPECT_EQ(Listing(out + "\\Folder"), std::vector<std::string>{"one.txt"});
    EXPECT_FALSE(Exists(out + "\\victim.txt"));
    ASSERT_NO_FATAL_FAILURE(Quit());
}

TEST_F(Export, ThreeWrongPasswordsEndTheLoader) {
    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_NO_FATAL_FAILURE(Select({"single.txt"}));
    ASSERT_TRUE(ui::Click(ui::FindChild(window_, 11)));
    const auto notice = ui::WaitForMessageBox(kb::loader::kLoaderWindowTitle, loader_.dwProcessId, 30000);
    ASSERT_TRUE(notice.has_value());
    ASSERT_TRUE(ui::AnswerMessageBox(notice->window, IDOK));
    const HWND password = Dialog("TfrmPassword");
    ASSERT_NE(password, nullptr);
    for (int attempt = 1; attempt <= 3; ++attempt) {
        SCOPED_TRACE(attempt);
        const std::string wrong = "wrong-" + std::to_string(attempt);
        ASSERT_TRUE(ui::TypeText(EditOf(password), wrong));
        ASSERT_TRUE(PumpUntil([&] { return ui::TextOf(EditOf(password)) == wrong; }));
        ASSERT_TRUE(ui::Click(ui::FindChild(password, kPasswordOk)));
        const HWND box = Dialog("TfrmGrpDlg");
        ASSERT_NE(box, nullptr) << "no word about the wrong password";
        EXPECT_EQ(TextIn(box), Msg(303));
        Press(box, VK_RETURN);
        ASSERT_TRUE(PumpUntil([&] { return !IsWindow(box); }));
        // The button refuses a press that follows its last release within
        // kPressGuardMs; a user reading the message takes longer.
        const DWORD closed = GetTickCount();
        PumpUntil([&] { return GetTickCount() - closed > kb::loader::kPressGuardMs + 50; });
    }
    const auto giveUp = ui::WaitForMessageBox("", loader_.dwProcessId, 30000);
    ASSERT_TRUE(giveUp.has_value());
    EXPECT_EQ(giveUp->text, Msg(800));
    ASSERT_TRUE(ui::AnswerMessageBox(giveUp->window, IDOK));
    // The loader ends without asking for a folder.
    bool picker = false;
    ASSERT_TRUE(PumpUntil([&] {
        for (HWND w : ui::FindTopWindows({"#32770", "", loader_.dwProcessId})) {
            if (GetDlgItem(w, 0xFFFF)) ui::AnswerMessageBox(w, IDOK);  // the word about the missing eraser
            picker = picker || ui::FindChildOfClass(w, "SysTreeView32") != nullptr;
        }
        return fx::Exited(loader_.hProcess);
    }));
    EXPECT_FALSE(picker);
}

}  // namespace
