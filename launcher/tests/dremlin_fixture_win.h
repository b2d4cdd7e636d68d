// A launcher folder as a disc carries it, for the tests of Dremlin.exe:
// the program, the archive server, "Dremlin.ini" with marker messages
// ("M<n> ...") and the edition's module and skin archives written by the
// project's archive writer, the module archive holding the loader, the eraser
// and the driver-install manager.
#pragma once

#include <string>

#include "testing/kit/temp_folder.h"

namespace kb::launcher::testing {

// The loader put into the module archive, beside the test program. The real
// loader replaces the stand-in here and nowhere else.
inline constexpr char kLoaderFile[] = "standins\\lumar\\LumarForUtil.exe";
// What the loader's stand-in writes to KB_STANDIN_LOG, and under which name.
inline constexpr char kLoaderRecordName[] = "Lumar";

struct LauncherFolderOptions {
    int targetApp = 103;
    bool withLoader = true;  // false: the module archive has no loader, so its start fails
};

class LauncherFolder {
public:
    explicit LauncherFolder(const LauncherFolderOptions& options);
    bool ok() const { return ok_; }
    std::string Exe() const { return dir_ / "Dremlin.exe"; }
    const std::string& folder() const { return dir_.path(); }

private:
    kb::testing::TempDir dir_;
    bool ok_ = false;
};

// The launcher's work folder: the temp folder followed by "QZDiscUtil".
std::string WorkFolder();

}  // namespace kb::launcher::testing
