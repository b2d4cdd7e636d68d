// The version gate under the Windows versions a prefix can report. The checks
// that meet other programs (own mutex, family programs, the eraser wait, the
// launcher and edition mutexes) are tested on Dremlin.exe itself.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "testing/kit/file_io.h"
#include "testing/kit/temp_folder.h"
#include "launcher/tests/launcher_win_test_support.h"
#include "launcher/win/named_mutex_win.h"
#include "launcher/win/os_version_win.h"
#include "testing/uidriver/ui_driver.h"

namespace kb::launcher {
namespace {

using kb::testing::ReadWholeFile;
using kb::testing::TempDir;
using kb::testing::WriteWholeFile;
using testing::BesideTest;
using testing::Child;
using testing::HolderSpec;
using testing::kDeadlineMs;

std::string Host() { return BesideTest("launcher_host.exe"); }

// The prefix reports version for one program name only, while it lives.
class AppVersion {
public:
    AppVersion(const std::string& exeName, const char* version)
        : key_("Software\\Wine\\AppDefaults\\" + exeName) {
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) ==
            ERROR_SUCCESS) {
            ok_ = RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                                 static_cast<DWORD>(strlen(version) + 1)) == ERROR_SUCCESS;
            RegCloseKey(key);
        }
    }
    ~AppVersion() { RegDeleteKeyA(HKEY_CURRENT_USER, key_.c_str()); }
    bool ok() const { return ok_; }

private:
    std::string key_;
    bool ok_ = false;
};

TEST(VersionGate, OnlyAWorkstationOfVersion6OrLaterPasses) {
    struct Row {
        const char* version;   // null: the prefix's own, Windows 7
        const char* expected;  // code, gate, version
    };
    // Wine 8 reports a server product type for a program set to "win7" by
    // name, so Windows 7 is the prefix's own setting here.
    const Row rows[] = {
        {nullptr, "60000000 1 6.1\n"},
        {"vista", "60000000 1 6.0\n"},
        {"win2008", "60000004 0 6.0\n"},
        {"winxp", "20000800 0 5.1\n"},
    };
    TempDir dir;
    for (const Row& row : rows) {
        // A copy of the host under a name of its own: the prefix's setting for
        // every other program stays as it is.
        const std::string label = row.version ? row.version : "prefix";
        const std::string name = "gate_" + label + "_" + std::to_string(GetCurrentProcessId()) + ".exe";
        ASSERT_TRUE(CopyFileA(Host().c_str(), (dir / name).c_str(), FALSE));
        std::unique_ptr<AppVersion> setting;
        if (row.version) {
            setting = std::make_unique<AppVersion>(name, row.version);
            ASSERT_TRUE(setting->ok());
        }
        const std::string out = dir / (label + ".txt");
        Child host(dir / name, "version \"" + out + "\"");
        DWORD code = 99;
        ASSERT_TRUE(host.WaitExit(kDeadlineMs, code)) << label;
        EXPECT_EQ(code, 0u);
        std::string text;
        ASSERT_TRUE(ReadWholeFile(out, text)) << label;
        EXPECT_EQ(text, row.expected) << label;
    }
}

}  // namespace
}  // namespace kb::launcher
