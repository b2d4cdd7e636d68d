// Test program of the skinned dialogs: shows one of them over a plain owner
// window ("TfrmDialogsDemo") from the skin and "Message.Ini" beside the
// program, and ends with the answer as its exit code.
//   password EXPECTED COUNT  exit: result + 100 * wrong count afterwards
//   overwrite MODE [NAME]    exit: result
//   message TEXT             exit: result
//   progress PERCENT         modeless; exit 0x600 once the cancel button reported
//                            (0x601: the window had been closed by then)
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "loader/dialogs/win/dialogs_win.h"
#include "loader/msg_ini.h"
#include "loader/skin/win/application.h"
#include "loader/win/folders_win.h"
#include "loader/win/profile_win.h"

using namespace kb::loader;

namespace {

// Ends the run when the progress window's cancel arrives.
class OwnerForm : public ui::Form {
public:
    OwnerForm() : ui::Form("TfrmDialogsDemo") {}
    bool cancelled = false;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_LOADER_CANCEL) {
            cancelled = true;
            ui::App().Terminate();
            return 0;
        }
        return ui::Form::HandleMessage(message, wParam, lParam);
    }
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    std::vector<std::string> args(__argv + 1, __argv + __argc);
    if (args.empty()) return 1;
    if (!ui::App().Initialize("DialogsDemo")) return 1;
    TMsgIni messages([](const std::string& path) { return OpenPrivateProfile(path); });
    messages.SetIniFile(GetProgramDir() + "\\Message.Ini");
    messages.SetKind(2);
    SkinFonts().charset = DEFAULT_CHARSET;
    SkinFonts().name = "Tahoma";
    SkinFonts().size = 9;

    OwnerForm owner;
    owner.SetBounds(0, 0, 800, 600);
    owner.Create();
    owner.SetColor(0x404040);
    owner.Show();
    ui::App().SetMainForm(&owner);
    const DialogContext context =
        ProgramDialogContext(&owner, [&messages](int n) { return messages.ReadMessage(n); });

    int code = 1;
    const std::string& what = args[0];
    if (what == "password" && args.size() >= 3) {
        TfrmPassword dialog(context);
        dialog.expectedPassword = args[1];
        dialog.wrongCount = std::atoi(args[2].c_str());
        const int result = dialog.ShowModal();
        code = result + 100 * dialog.wrongCount;
    } else if (what == "overwrite" && args.size() >= 2) {
        TfrmOverWrite dialog(context);
        dialog.SetFileName(args.size() >= 3 ? args[2] : "");
        dialog.SetMode(std::atoi(args[1].c_str()));
        code = dialog.ShowModal();
    } else if (what == "message" && args.size() >= 2) {
        TfrmGrpDlg box(context);
        box.SetMessage(args[1]);
        box.SetButtons(1);
        code = box.ShowModal();
    } else if (what == "progress" && args.size() >= 2) {
        TfrmProgress progress(context);
        progress.SetNotifyWindow(owner.Handle());
        progress.SetMessageText("C:\\out\\file.txt");
        progress.SetProgress(std::atoi(args[1].c_str()));
        progress.SetCancelVisible(true);
        progress.Show();
        ui::App().Run();
        code = owner.cancelled ? static_cast<int>(WM_LOADER_CANCEL) + (progress.Visible() ? 0 : 1) : 0;
    }
    ui::App().Shutdown();
    return code;
}
