// LumarForUtil.exe on a disc whose "Sessions.Pck" (about two megabytes)
// declares a "Sessions.ini" of 2,000,000,000 bytes (the "huge-index" disc in
// the CD-ROM drive named by KB_CDROM_LETTER): the start-up refuses it as an
// index that cannot be unpacked (message 2) and writes nothing large into the
// work folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "loader/app/tests/lumar_rig_win.h"
#include "loader/instance_guard.h"
#include "loader/session/disc_layout.h"
#include "testing/uidriver/ui_driver.h"

namespace {

namespace fx = kb::loader::testing;
namespace ui = kb::uidriver;
using fx::PumpUntil;

// The folder the loader's start wrote into the registry for its work.
std::string WorkBase() {
    char value[MAX_PATH + 1] = {};
    DWORD size = sizeof value - 1;
    if (RegGetValueA(HKEY_CURRENT_USER, "Software\\TovanMMP\\Solmir", "WriteTempPath", RRF_RT_REG_SZ, nullptr, value,
                     &size) != ERROR_SUCCESS)
        return {};
    return value;
}

// Bytes of every file under folder, and the largest one.
void Measure(const std::string& folder, uint64_t* total, uint64_t* largest) {
    WIN32_FIND_DATAA f;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &f);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = f.cFileName;
        if (name == "." || name == "..") continue;
        if (f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            Measure(folder + "\\" + name, total, largest);
            continue;
        }
        const uint64_t size = uint64_t{f.nFileSizeHigh} << 32 | f.nFileSizeLow;
        *total += size;
        if (size > *largest) *largest = size;
    } while (FindNextFileA(h, &f));
    FindClose(h);
}

using LoaderOnAHugeIndex = fx::LumarRig;

TEST_F(LoaderOnAHugeIndex, TheIndexIsRefusedWithMessage2AndNothingLargeIsWritten) {
    const PROCESS_INFORMATION loader = Start();
    const auto box = ui::WaitForMessageBox(kb::loader::kLoaderWindowTitle, loader.dwProcessId, 60000);
    ASSERT_TRUE(box.has_value()) << "no message for the index";
    EXPECT_EQ(box->text, "M2");

    // While the message is up: what the start put into the work folder.
    const std::string base = WorkBase();
    ASSERT_FALSE(base.empty());
    uint64_t total = 0, largest = 0;
    Measure(base + "QZTemp", &total, &largest);
    EXPECT_LE(largest, kb::loader::kControlFileLimit);
    EXPECT_LE(total, kb::loader::kControlFileLimit);

    ASSERT_TRUE(ui::AnswerMessageBox(box->window, IDOK));
    // Then it ends (no eraser beside this loader: message 999).
    const auto end = ui::WaitForMessageBox(kb::loader::kLoaderWindowTitle, loader.dwProcessId, 30000);
    ASSERT_TRUE(end.has_value());
    EXPECT_EQ(end->text, "M999");
    ASSERT_TRUE(ui::AnswerMessageBox(end->window, IDOK));
    ASSERT_TRUE(PumpUntil([&] { return fx::Exited(loader.hProcess); }));
    // The index's failure ends the loader before its caller hears of it.
    EXPECT_EQ(Handoffs(), 0);
}

}  // namespace
