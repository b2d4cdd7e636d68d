// A launcher folder as a disc carries it, for the tests of Dremlin.exe:
// the program, the archive server, "Dremlin.ini" with marker messages
// ("M<n> ...") and the edition's module and skin archives written by the
// project's archive writer, the module archive holding the loader, the eraser
// and the driver-install manager. With the real loader, the module archive
// holds it with its libraries and messages and the skin archive its skin, as
// the loader's own rig lays out its folder.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "testing/kit/temp_folder.h"

namespace kb::launcher::testing {

// The loader put into the module archive, beside the test program. The real
// loader replaces the stand-in here and nowhere else.
inline constexpr char kLoaderFile[] = "standins\\lumar\\LumarForUtil.exe";
// What the loader's stand-in writes to KB_STANDIN_LOG, and under which name.
inline constexpr char kLoaderRecordName[] = "Lumar";

struct LauncherFolderOptions {
    explicit LauncherFolderOptions(int targetApp = 103, bool withLoader = true)
        : targetApp(targetApp), withLoader(withLoader) {}
    int targetApp;
    bool withLoader;  // false: the module archive has no loader, so its start fails
    bool realLoader = false;  // the real LumarForUtil.exe in place of the stand-in
    // Where the folder is written (an existing folder that is left in place);
    // empty: a temp folder of its own, removed with it.
    std::string at;
    // "Dremlin.ini" as given (its own TargetApp); empty: the marker messages.
    std::string settings;
    // A splash bitmap "Splash.bmp" beside the program when not empty.
    std::string splashBmp;
    // The real loader's messages that are not markers.
    std::map<int, std::string> loaderTexts;
    // With the real loader: a folder holding the skin's files ("Reader.def",
    // ...) to pack in place of the fixture skin; empty: the fixture skin.
    std::string skinFolder;
    // With the real loader: text added at the end of its "Message.Ini".
    std::string messageIniTail;
};

class LauncherFolder {
public:
    explicit LauncherFolder(const LauncherFolderOptions& options);
    bool ok() const { return ok_; }
    std::string Exe() const { return folder_ + "\\Dremlin.exe"; }
    const std::string& folder() const { return folder_; }

private:
    std::unique_ptr<kb::testing::TempDir> own_;
    kb::testing::TempDir stage_;
    std::string folder_;
    bool ok_ = false;
};

// The launcher's work folder: the temp folder followed by "QZDiscUtil".
std::string WorkFolder();

}  // namespace kb::launcher::testing
