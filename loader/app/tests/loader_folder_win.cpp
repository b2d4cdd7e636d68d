#include "loader/app/tests/loader_folder_win.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <set>

#include "archive/ach_writer.h"
#include "loader/skin/tests/skin_fixture_win.h"
#include "testing/uidriver/ui_driver.h"

namespace kb::loader::testing {
namespace {

// Every message the loader shows, so none comes out empty.
constexpr int kMessages[] = {1,   2,   3,   4,   5,   6,   7,   8,   9,   10,  11,  201, 202, 203, 208, 301, 302,
                             303, 304, 800, 900, 901, 902, 903, 904, 905, 906, 907, 908, 909, 910, 911, 912, 999};

// 0x00RRGGBB as a definition file's platform colour number ($BBGGRR).
std::string Def(uint32_t rgb) {
    char text[16];
    std::snprintf(text, sizeof text, "$%06X", ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF));
    return text;
}

std::string Part(const char* name, int left, int top, int width, int height, const std::string& extra = "") {
    return std::string("[") + name + "]\r\nLeft=" + std::to_string(left) + "\r\nTop=" + std::to_string(top) +
           "\r\nWidth=" + std::to_string(width) + "\r\nHeight=" + std::to_string(height) + "\r\n" + extra;
}

std::string ButtonLine(const std::string& image, int left, int top, int id) {
    return image + "u," + image + "d," + std::to_string(left) + "," + std::to_string(top) + ",0," + std::to_string(id) +
           "\r\n";
}

struct Button {
    int id, left, top;
    uint32_t color;
};

const Button kReaderButtons[] = {
    {10, 10, 410, 0xC03030},  {11, 60, 410, 0x30A030},  {121, 110, 410, 0x808080},  // quit, export, writer
    {20, 10, 8, 0x30A030},    {21, 60, 8, 0xC03030},                                 // password: OK, cancel
    {30, 270, 80, kProgressCancelRgb},                                               // progress: cancel
    {40, 10, 8, 0x30A030},    {41, 60, 8, 0x2060C0},    {42, 110, 8, 0xC0A020},      // overwrite: yes, all, no
    {43, 160, 8, 0xC03030},   {44, 10, 8, 0x30A030},    {45, 60, 8, 0xC0A020},       // cancel; yes, no
};

bool WriteArchive(const std::string& archive, const std::string& stage,
                  std::vector<std::pair<std::string, std::string>> entries, const std::set<std::string>& leaveOut) {
    std::erase_if(entries, [&](const auto& entry) { return leaveOut.count(entry.first) > 0; });
    if (ark::CreateArchive(archive, static_cast<int>(entries.size())) != 0) return false;
    for (const auto& [name, bytes] : entries) {
        const std::string staged = stage + "\\" + name;
        if (!WriteFileBytes(staged, bytes) || ark::AddEntry(archive, staged, name.c_str()) != 0) return false;
    }
    return true;
}

bool WriteSkin(const std::string& skin, const std::string& parts, const std::set<std::string>& leaveOut) {
    const std::string text = "BgColor=" + Def(0xFFFFFF) + "\r\nFgColor=" + Def(0) + "\r\n";
    const std::string readerDef =
        "[RmBg]\r\nName=bg\r\nMove=1\r\n" + Part("RmPageView", 0, 40, 640, 360, "Name=pview\r\n") +
        Part("RmPageWork", 0, 40, 640, 360, "Name=pwork\r\n") + Part("RmPageInit", 0, 40, 640, 360, "Name=pinit\r\n") + Part("RmStatus", 200, 410, 300, 16) + Part("RmVolume", 10, 5, 200, 16) +
        Part("RmSize", 300, 5, 200, 16) + Part("RmListView", 10, 30, 300, 320) + Part("RmTreeView", 320, 30, 300, 320) +
        "[RpBg]\r\nName=rpbg\r\n" + Part("RpPassword", 10, 50, 280, 22, text) + "[RsBg]\r\nName=rsbg\r\n" +
        Part("RsFileName", 10, 36, 300, 36, text) +
        Part("RsBar", 10, 80, 250, 18, "BgColor=" + Def(0xFFFFFF) + "\r\nFgColor=" + Def(0x2060C0) + "\r\nFontColor=0\r\n") +
        "[RwBg]\r\nName=rwbg\r\n[RwBg2]\r\nName=rwbg2\r\n" + Part("RwFileName", 10, 36, 340, 60, text);
    std::string readerBtn = "$FF00FF\r\n";
    std::vector<std::pair<std::string, std::string>> reader = {
        // The pages are drawn at their own size, as the skin's page parts are.
        {"bg.bmp", SolidBmp(640, 480, kBackgroundRgb)},  {"pview.bmp", SolidBmp(640, 360, kPageViewRgb)},
        {"pwork.bmp", SolidBmp(640, 360, kPageWorkRgb)},  {"pinit.bmp", SolidBmp(640, 360, kPageInitRgb)},
        {"rpbg.bmp", SolidBmp(300, 110, 0x993366)},
        {"rsbg.bmp", SolidBmp(320, 110, 0x336699)}, {"rwbg.bmp", SolidBmp(360, 110, 0x669933)},
        {"rwbg2.bmp", SolidBmp(360, 110, 0x669933)}, {"tab0.bmp", SolidBmp(28, 20, 0xFF0000)},
        {"tab1.bmp", SolidBmp(28, 20, 0x00FF00)}};
    for (const Button& b : kReaderButtons) {
        const std::string image = "b" + std::to_string(b.id);
        readerBtn += ButtonLine(image, b.left, b.top, b.id);
        reader.push_back({image + "u.bmp", SolidBmp(40, 20, b.color)});
        reader.push_back({image + "d.bmp", SolidBmp(40, 20, 0xFFFFFF)});
    }
    for (int n = 1; n <= 20; ++n)
        readerBtn += "tab0,tab1," + std::to_string(10 + 30 * (n - 1)) + ",445,0," + std::to_string(100 + n) + "\r\n";

    const char* frames[] = {"CdTop", "CdBottom", "CdLeft", "CdRight", "CdLeftTop", "CdRightTop", "CdLeftBottom",
                            "CdRightBottom"};
    std::string commonDef = "[CdBg]\r\nName=cdbg\r\n[CdFrame]\r\nWidth=8\r\nHeight=8\r\n";
    std::vector<std::pair<std::string, std::string>> common = {{"cdbg.bmp", SolidBmp(8, 8, 0xE8E8F0)},
                                                               {"b200u.bmp", SolidBmp(60, 24, 0x30A030)},
                                                               {"b200d.bmp", SolidBmp(60, 24, 0xFFFFFF)}};
    for (const char* f : frames) {
        commonDef += std::string("[") + f + "]\r\nName=" + f + "\r\n";
        common.push_back({std::string(f) + ".bmp", SolidBmp(8, 8, 0x203060)});
    }
    commonDef += "[CdText]\r\nBgColor=" + Def(0xFFFFFF) + "\r\nFgColor=" + Def(0) + "\r\n";

    return WriteFileBytes(skin + "\\Reader.def", readerDef) && WriteFileBytes(skin + "\\Reader.btn", readerBtn) &&
           WriteArchive(skin + "\\Reader.arc", parts, reader, leaveOut) && WriteFileBytes(skin + "\\Common.def", commonDef) &&
           WriteFileBytes(skin + "\\Common.btn", "$FF00FF\r\n" + ButtonLine("b200", 0, 0, 200)) &&
           WriteArchive(skin + "\\Common.arc", parts, common, leaveOut);
}

}  // namespace

std::vector<LoaderFile> StageLoaderFiles(const std::string& binDir, const std::string& stage,
                                         const std::map<int, std::string>& texts,
                                         const std::set<std::string>& leaveOut) {
    std::vector<LoaderFile> files;
    for (const char* program : {"LumarForUtil.exe", "Kabbit.dll", "Arkstow.dll", "Spurlane.dll"})
        files.push_back({program, binDir + "\\" + program});
    files.push_back({"Kellmark.dll", binDir + "\\standins\\kellmark_complete\\Kellmark.dll"});

    std::string ini = "[Loader]\r\n";
    for (int n : kMessages) {
        char key[16];
        std::snprintf(key, sizeof key, "Message%.3d", n);
        const auto text = texts.find(n);
        ini += std::string(key) + "=" + (text != texts.end() ? text->second : "M" + std::to_string(n)) + "\r\n";
    }
    const std::string skin = stage + "\\skin", parts = stage + "\\parts";
    for (const std::string& folder : {skin, parts})
        if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return {};
    if (!WriteFileBytes(stage + "\\Message.Ini", ini) || !WriteSkin(skin, parts, leaveOut)) return {};
    files.push_back({"Message.Ini", stage + "\\Message.Ini"});
    for (const char* name : {"Reader.def", "Reader.btn", "Reader.arc", "Common.def", "Common.btn", "Common.arc"})
        files.push_back({std::string("skin\\") + name, skin + "\\" + name});
    return files;
}

bool WriteLoaderFolder(const std::string& binDir, const std::string& program, const std::string& stage,
                       const std::set<std::string>& leaveOut) {
    const std::vector<LoaderFile> files = StageLoaderFiles(binDir, stage, {}, leaveOut);
    if (files.empty()) return false;
    if (!CreateDirectoryA((program + "\\skin").c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
    for (const LoaderFile& file : files)
        if (leaveOut.count(file.name) == 0 && !CopyFileA(file.source.c_str(), (program + "\\" + file.name).c_str(), FALSE)) return false;
    return true;
}

bool IsSkinFile(const LoaderFile& file) { return file.name.rfind("skin\\", 0) == 0; }

HWND SessionList(HWND mainWindow, int listId) {
    for (HWND page = FindWindowExA(mainWindow, nullptr, "TPanel", nullptr); page;
         page = FindWindowExA(mainWindow, page, "TPanel", nullptr))
        if (HWND list = kb::uidriver::FindChild(page, listId)) return list;
    return nullptr;
}

}  // namespace kb::loader::testing
