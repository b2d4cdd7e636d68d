// Test program of the skin toolkit's windows: a borderless form shaped and
// dragged by the "Rm" skin beside the program, with the image buttons of its
// button list, a gauge partly under a panel, and its state in its caption for
// the UI driver: "clicks=C downs=D ups=U cursor=K dragging=G moves=M
// missing99=N stopped=S" (K: the screen cursor's number, 0 default, 2 size-all).
#include <windows.h>

#include <cstdio>
#include <vector>

#include "loader/bindings.h"
#include "loader/skin/skin_def.h"
#include "loader/skin/win/application.h"
#include "loader/skin/win/controls.h"
#include "loader/skin/win/image_button.h"
#include "loader/skin/win/rgn_wnd.h"
#include "loader/win/folders_win.h"
#include "loader/win/profile_win.h"

using namespace kb::loader;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (!ui::App().Initialize("SkinDemo")) return 1;
    const std::string programDir = GetProgramDir();
    SkinFiles files;
    files.programDir = programDir;
    files.open = [](const std::string& path) { return OpenPrivateProfile(path); };
    files.fileExists = [](const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; };
    const TSkinDef def("Rm", files);

    ui::Form form("TfrmSkinDemo");
    form.SetBounds(100, 100, 50, 50);
    if (!form.Create()) return 2;
    TArkstow archive;
    archive.OpenArchive(SkinArchivePath("Rm", files));

    TCImage background(&form);
    background.autoSize = true;
    background.SetVisible(true);
    background.LoadFromArchive(archive, def.GetBgName("Rm") + ".bmp");
    form.SetClientSize(background.Width(), background.Height());

    TRgnWnd region(form);
    if (!def.GetBgRegion("Rm").empty()) {
        std::vector<std::uint8_t> bytes;
        if (archive.LoadToStream(def.GetBgRegion("Rm") + ".rgn", bytes)) region.SetRegionFromStream(&bytes);
    }
    int moves = 0;
    if (def.GetBgMove("Rm") != 0) {
        region.RouteMouseOf(background);
        auto follow = background.onMouseMove;
        background.onMouseMove = [&moves, follow](ui::Control& sender, unsigned shift, int x, int y) {
            follow(sender, shift, x, y);
            ++moves;
        };
    }

    ui::Gauge gauge(&form);
    gauge.SetBounds(10, 100, 100, 16);
    gauge.SetBorder(false);
    gauge.SetColors(RGB(255, 255, 255), RGB(0, 0, 255), RGB(0, 0, 0));
    gauge.SetProgress(50);
    ui::Panel panel;
    panel.SetBounds(80, 90, 40, 40);
    panel.Create(form);
    panel.SetColor(0x00CCCC);

    TCImageButtonList buttons;
    buttons.fileName = SkinButtonListName("Rm");
    buttons.folder = programDir + "\\skin";
    buttons.form = &form;
    buttons.LoadFromFile(archive);
    int clicks = 0, downs = 0, ups = 0;
    buttons.SetEvents([&](ui::Control&, ui::MouseButton, unsigned, int, int) { ++downs; },
                      [&](ui::Control&, ui::MouseButton, unsigned, int, int) { ++ups; },
                      [&](ui::Control&) { ++clicks; });
    for (int id : {10, 11})
        if (TCImageButton* b = buttons.FindButton(id)) b->SetVisible(true);
    const bool missing99 = buttons.FindButton(99) == nullptr;

    ui::Timer status;
    status.SetInterval(20);
    status.onTimer = [&](ui::Timer&) {
        char caption[200];
        std::snprintf(caption, sizeof caption, "clicks=%d downs=%d ups=%d cursor=%d dragging=%d moves=%d missing99=%d stopped=%d",
                      clicks, downs, ups, static_cast<int>(ui::App().ScreenCursor()), region.Dragging() ? 1 : 0,
                      moves, missing99 ? 1 : 0, buttons.StoppedAt());
        if (form.Caption() != caption) form.SetCaption(caption);
    };
    status.SetEnabled(true);
    form.Show();
    ui::App().Run();
    status.SetEnabled(false);
    buttons.Clear();
    ui::App().Shutdown();
    return 0;
}
