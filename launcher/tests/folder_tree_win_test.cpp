// DeleteFolderTree on a work folder holding a link to a folder outside it:
// the link goes, the folder it points to keeps every file.
#include <windows.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "launcher/win/work_folder_win.h"
#include "testing/kit/file_io.h"
#include "testing/kit/temp_folder.h"

namespace kb::launcher {
namespace {

using kb::testing::TempDir;
using kb::testing::WriteWholeFile;

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A junction at link to the folder target (an absolute path).
bool MakeJunction(const std::string& link, const std::string& target) {
    if (!CreateDirectoryA(link.c_str(), nullptr)) return false;
    HANDLE h = CreateFileA(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const std::wstring substitute = L"\\??\\" + std::wstring(target.begin(), target.end());
    const std::wstring print(target.begin(), target.end());
    const size_t pathBytes = (substitute.size() + 1 + print.size() + 1) * sizeof(wchar_t);
    std::vector<char> buffer(8 + 8 + pathBytes);
    auto put16 = [&](size_t at, size_t v) {
        const uint16_t x = static_cast<uint16_t>(v);
        std::memcpy(&buffer[at], &x, 2);
    };
    const uint32_t tag = IO_REPARSE_TAG_MOUNT_POINT;
    std::memcpy(&buffer[0], &tag, 4);
    put16(4, 8 + pathBytes);
    put16(8, 0);
    put16(10, substitute.size() * sizeof(wchar_t));
    put16(12, (substitute.size() + 1) * sizeof(wchar_t));
    put16(14, print.size() * sizeof(wchar_t));
    std::memcpy(&buffer[16], substitute.c_str(), (substitute.size() + 1) * sizeof(wchar_t));
    std::memcpy(&buffer[16 + (substitute.size() + 1) * sizeof(wchar_t)], print.c_str(), (print.size() + 1) * sizeof(wchar_t));
    DWORD returned = 0;
    const BOOL ok = DeviceIoControl(h, FSCTL_SET_REPARSE_POINT, buffer.data(), static_cast<DWORD>(buffer.size()), nullptr,
                                    0, &returned, nullptr);
    CloseHandle(h);
    if (!ok) RemoveDirectoryA(link.c_str());
    return ok != FALSE;
}

TEST(DeleteFolderTree, ALinkInsideIsRemovedWithoutEnteringIt) {
    TempDir outside, parent;
    ASSERT_TRUE(WriteWholeFile(outside / "keep.txt", "keep"));
    ASSERT_TRUE(CreateDirectoryA((outside / "sub").c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFile(outside / "sub\\deep.txt", "deep"));
    const std::string work = parent / "QZDiscUtil";
    ASSERT_TRUE(CreateDirectoryA(work.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((work + "\\Skin").c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFile(work + "\\Skin\\a.txt", "a"));
    // A read-only file is removed too.
    ASSERT_TRUE(WriteWholeFile(work + "\\ro.txt", "ro"));
    ASSERT_TRUE(SetFileAttributesA((work + "\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    const std::string link = work + "\\link";
    // A link that does not lead outside would prove nothing.
    bool linked = MakeJunction(link, outside.path()) && Exists(link + "\\keep.txt");
    if (!linked) {
        RemoveDirectoryA(link.c_str());
        linked = CreateSymbolicLinkA(link.c_str(), outside.path().c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) &&
                 Exists(link + "\\keep.txt");
    }
    if (!linked) GTEST_SKIP() << "this prefix makes no link that leads to another folder";

    DeleteFolderTree(work);

    EXPECT_FALSE(Exists(work));
    EXPECT_TRUE(Exists(outside / "keep.txt"));
    EXPECT_TRUE(Exists(outside / "sub\\deep.txt"));
    EXPECT_TRUE(Exists(outside / "sub"));
}

}  // namespace
}  // namespace kb::launcher
