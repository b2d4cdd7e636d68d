#include "launcher/tests/dremlin_fixture_win.h"

#include <windows.h>

#include "archive/ach_writer.h"
#include "launcher/edition.h"
#include "launcher/tests/launcher_win_test_support.h"
#include "launcher/win/settings_win.h"
#include "loader/app/tests/loader_folder_win.h"
#include "testing/kit/file_io.h"

namespace kb::launcher::testing {
namespace {

// Every message a marker of its own; 3, 7 and 8 carry the edition name.
constexpr char kSettings[] =
    "[Initial]\r\nTargetApp=%d\r\nMsgForPrepare=Preparing\r\nFailToSplash=No splash\r\n"
    "[Dialog]\r\nComment=M0 comment\r\nButtonTitle=M1 Run\r\n"
    "[Message]\r\nInvalidOs=M2\r\nAppRunning=M3 %%s\r\nFailMutex=M4\r\nNoCdRomDrive=M5\r\n"
    "NoDiscInserted=M6\r\nInvalidDisc=M7 %%s\r\nNoDataWritten=M8 %%s\r\nFailToRetrieveSkin=M9\r\n"
    "FailToRunApp=M10\r\nEreserRunning=M11\r\nFailDriverCheck=M12\r\nNeedDriverInstall=M13\r\n"
    "DownloadSiteUrl=M14\r\nWaitingAppRun=M15\r\n";

bool WriteArchive(const std::string& archive, const std::vector<std::pair<std::string, std::string>>& entries) {
    if (ark::CreateArchive(archive, static_cast<int>(entries.size())) != 0) return false;
    for (const auto& [stored, source] : entries)
        if (ark::AddEntry(archive, source, stored.c_str()) != 0) return false;
    return true;
}

}  // namespace

std::string WorkFolder() { return GetTempFolder() + "QZDiscUtil"; }

LauncherFolder::LauncherFolder(const LauncherFolderOptions& options) {
    if (options.at.empty()) own_ = std::make_unique<kb::testing::TempDir>();
    folder_ = own_ ? own_->path() : options.at;
    const std::string dir = folder_ + "\\";
    if (!CopyFileA(BesideTest("Dremlin.exe").c_str(), Exe().c_str(), FALSE)) return;
    if (!CopyFileA(BesideTest("Arkstow.dll").c_str(), (dir + "Arkstow.dll").c_str(), FALSE)) return;
    std::string settings = options.settings;
    if (settings.empty()) {
        char text[sizeof kSettings + 16];
        std::snprintf(text, sizeof text, kSettings, options.targetApp);
        settings = text;
    }
    if (!kb::testing::WriteWholeFile(dir + "Dremlin.ini", settings)) return;
    if (!options.splashBmp.empty() && !kb::testing::WriteWholeFile(dir + "Splash.bmp", options.splashBmp)) return;
    const std::optional<EditionArchives> archives = SelectArchives(options.targetApp, GetUserDefaultLangID());
    if (archives) {
        std::vector<std::pair<std::string, std::string>> module = {
            {"Delvane.exe", BesideTest("standins\\delvane\\Delvane.Exe")},
        };
        std::vector<std::pair<std::string, std::string>> skin;
        if (options.withLoader && options.realLoader) {
            const std::string bin = BesideTest("");
            const std::vector<kb::loader::testing::LoaderFile> files =
                kb::loader::testing::StageLoaderFiles(bin.substr(0, bin.size() - 1), stage_.path(), options.loaderTexts);
            if (files.empty()) return;
            for (const auto& file : files) {
                std::string source = file.source;
                if (kb::loader::testing::IsSkinFile(file) && !options.skinFolder.empty())
                    source = options.skinFolder + file.name.substr(file.name.find('\\'));
                if (file.name == "Message.Ini" && !options.messageIniTail.empty()) {
                    std::string ini;
                    if (!kb::testing::ReadWholeFile(source, ini) ||
                        !kb::testing::WriteWholeFile(source, ini + options.messageIniTail))
                        return;
                }
                (kb::loader::testing::IsSkinFile(file) ? skin : module).push_back({file.name, source});
            }
        } else {
            module.push_back({"Kellmark.dll", BesideTest("standins\\kellmark_complete\\Kellmark.dll")});
            if (options.withLoader) module.push_back({"LumarForUtil.exe", BesideTest(kLoaderFile)});
            if (!kb::testing::WriteWholeFile(stage_ / "skin-source.txt", "skin")) return;
            skin.push_back({"Skin\\Skin.txt", stage_ / "skin-source.txt"});
        }
        if (!WriteArchive(dir + archives->module, module)) return;
        if (!archives->skin.empty() && !WriteArchive(dir + archives->skin, skin)) return;
    }
    ok_ = true;
}

}  // namespace kb::launcher::testing
