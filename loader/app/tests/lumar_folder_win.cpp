#include "loader/app/tests/lumar_folder_win.h"

#include <windows.h>

#include <cstdio>

#include "loader/skin/tests/skin_fixture_win.h"

namespace kb::loader::testing {
namespace {

// Every message the loader's sequences show, so none comes out empty.
constexpr int kMessages[] = {1,   2,   3,   4,   5,   6,   7,   8,   9,   10,  11,  201, 202, 203,
                             208, 301, 302, 303, 304, 800, 900, 901, 902, 903, 904, 905, 906, 907,
                             908, 909, 910, 911, 912, 999};

std::string ButtonList() {
    std::string btn = "$FF00FF\r\n";
    auto line = [&](int x, int y, int id) {
        btn += "tab0,tab1," + std::to_string(x) + "," + std::to_string(y) + ",0," + std::to_string(id) + "\r\n";
    };
    line(10, 400, 10);
    line(60, 400, 11);
    for (int n = 1; n <= 20; ++n) line(10 + 30 * (n - 1), 10, 100 + n);
    line(110, 400, 121);
    // The dialogs' buttons, in a strip of their own forms.
    int x = 5;
    for (int id : {20, 21, 30, 40, 41, 42, 43, 44, 45}) {
        line(x, 90, id);
        x += 35;
    }
    return btn;
}

}  // namespace

bool WriteLumarFolder(const std::string& binDir, const std::string& program, const std::string& stage) {
    if (!CreateDirectoryA((program + "\\skin").c_str(), nullptr)) return false;
    for (const char* file : {"LumarForUtil.exe", "Kabbit.dll", "Arkstow.dll", "Spurlane.dll"})
        if (!CopyFileA((binDir + "\\" + file).c_str(), (program + "\\" + file).c_str(), FALSE)) return false;
    if (!CopyFileA((binDir + "\\standins\\kellmark_complete\\Kellmark.dll").c_str(),
                   (program + "\\Kellmark.dll").c_str(), FALSE))
        return false;
    std::string ini = "[Loader]\r\n";
    for (int n : kMessages) {
        char key[16];
        std::snprintf(key, sizeof key, "Message%.3d", n);
        ini += std::string(key) + "=M" + std::to_string(n) + "\r\n";
    }
    return WriteFileBytes(program + "\\Message.Ini", ini) &&
           WriteFileBytes(program + "\\skin\\Reader.def",
                          "[RmBg]\r\nName=bg\r\nMove=1\r\n"
                          "[RmPageView]\r\nName=pview\r\nLeft=0\r\nTop=40\r\nWidth=640\r\nHeight=340\r\n"
                          "[RmPageWork]\r\nName=pwork\r\nLeft=0\r\nTop=40\r\nWidth=640\r\nHeight=340\r\n"
                          "[RmPageInit]\r\nName=pinit\r\nLeft=0\r\nTop=40\r\nWidth=640\r\nHeight=340\r\n"
                          "[RmStatus]\r\nLeft=200\r\nTop=400\r\nWidth=200\r\nHeight=16\r\n"
                          "[RmVolume]\r\nLeft=10\r\nTop=5\r\nWidth=200\r\nHeight=16\r\n"
                          "[RmSize]\r\nLeft=300\r\nTop=5\r\nWidth=200\r\nHeight=16\r\n"
                          "[RmListView]\r\nLeft=10\r\nTop=30\r\nWidth=300\r\nHeight=300\r\n"
                          "[RmTreeView]\r\nLeft=320\r\nTop=30\r\nWidth=300\r\nHeight=300\r\n"
                          "[RpBg]\r\nName=dlg\r\n[RpPassword]\r\nLeft=10\r\nTop=10\r\nWidth=180\r\nHeight=20\r\n"
                          "[RsBg]\r\nName=dlg\r\n[RsFileName]\r\nLeft=10\r\nTop=10\r\nWidth=300\r\nHeight=40\r\n"
                          "[RsBar]\r\nLeft=10\r\nTop=60\r\nWidth=200\r\nHeight=20\r\n"
                          "[RwBg]\r\nName=dlg\r\n[RwBg2]\r\nName=dlg\r\n"
                          "[RwFileName]\r\nLeft=10\r\nTop=10\r\nWidth=300\r\nHeight=40\r\n") &&
           WriteFileBytes(program + "\\skin\\Reader.btn", ButtonList()) &&
           WriteSkinArchive(program, stage,
                            {{"bg.bmp", SolidBmp(640, 440, kBackgroundRgb)},
                             {"pview.bmp", SolidBmp(64, 34, kPageViewRgb)},
                             {"pwork.bmp", SolidBmp(64, 34, kPageWorkRgb)},
                             {"pinit.bmp", SolidBmp(64, 34, kPageInitRgb)},
                             {"tab0.bmp", SolidBmp(28, 20, 0xFF0000)},
                             {"tab1.bmp", SolidBmp(28, 20, 0x00FF00)},
                             {"dlg.bmp", SolidBmp(330, 120, 0x669933)}}) == 0;
}

}  // namespace kb::loader::testing
