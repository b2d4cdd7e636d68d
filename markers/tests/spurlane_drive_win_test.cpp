// Spurlane.dll with a marker folder on Y:, the last drive letter it examines.
// Run by spurlane_drive_test.sh, which maps Y: to a fresh folder for the run.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

std::string BesideThisProgram(const char* name) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string dir(self);
    dir.resize(dir.find_last_of('\\') + 1);
    return dir + name;
}

using Query = int(WINAPI*)();

Query Bind(HMODULE dll, const char* name) {
    return reinterpret_cast<Query>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
}

TEST(SpurlaneDriveY, FindsMarkerFilesAtTheRootOfAFixedDrive) {
    ASSERT_EQ(GetDriveTypeA("Y:\\"), static_cast<UINT>(DRIVE_FIXED)) << "Y: is not mapped as a fixed drive";
    for (char letter = 'D'; letter <= 'X'; ++letter) {
        std::string root = std::string(1, letter) + ":\\";
        if (GetDriveTypeA(root.c_str()) == DRIVE_FIXED) GTEST_SKIP() << root << " is mapped as a fixed drive too";
    }
    HMODULE dll = LoadLibraryA(BesideThisProgram("Spurlane.dll").c_str());
    ASSERT_NE(dll, nullptr);
    Query inst = Bind(dll, "IsExistInstKey");
    Query reboot = Bind(dll, "IsExistNeedRebootKey");
    ASSERT_TRUE(inst && reboot);
    ASSERT_EQ(inst(), 0) << "the prefix already holds an install marker";
    ASSERT_EQ(reboot(), 0) << "the prefix already holds a need-reboot marker";

    // The runner made Y:\TQZDisc and removes the whole folder afterwards.
    const struct {
        const char* path;
        bool folder;
        int inst;
        int reboot;
    } steps[] = {
        {"Y:\\TQZDisc\\AdminForInst", true, 0, 0},
        {"Y:\\TQZDisc\\AdminForNeedReboot", false, 0, 1},
        {"Y:\\TQZDisc\\AdminForInst", false, 1, 1},
    };
    RemoveDirectoryA("Y:\\TQZDisc\\AdminForInst");
    for (const auto& s : steps) {
        SCOPED_TRACE(s.path);
        if (s.folder) {
            ASSERT_TRUE(CreateDirectoryA(s.path, nullptr)) << GetLastError();
        } else {
            // Replaces a folder of the same name made by an earlier step.
            RemoveDirectoryA(s.path);
            HANDLE h = CreateFileA(s.path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
            ASSERT_NE(h, INVALID_HANDLE_VALUE) << GetLastError();
            CloseHandle(h);
        }
        EXPECT_EQ(inst(), s.inst);
        EXPECT_EQ(reboot(), s.reboot);
    }
    FreeLibrary(dll);
}

}  // namespace
