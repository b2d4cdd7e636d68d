// DeleteFolderTree on a work folder holding a link to a folder outside it, or
// being one: the link goes (where the system can remove it), the folder it
// leads to keeps every file and every attribute.
#include <windows.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include <cstdio>
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

// A junction at link to the folder target (an absolute path), through the
// platform's own call.
bool MakeJunction(const std::string& link, const std::string& target) {
    if (!CreateDirectoryA(link.c_str(), nullptr)) return false;
    HANDLE h = CreateFileA(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        RemoveDirectoryA(link.c_str());
        return false;
    }
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

// Runs a program of the host system under Wine with its arguments.
void RunHost(std::string command) {
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        std::fprintf(stderr, "cannot run %s: %lu\n", command.c_str(), GetLastError());
        return;
    }
    WaitForSingleObject(pi.hProcess, 30000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

// The path of a file of this machine as the host system names it, under Wine;
// empty elsewhere.
std::string HostPath(const std::string& path) {
    using Fn = char*(CDECL*)(LPCWSTR);
    const auto toUnix = reinterpret_cast<Fn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix) return {};
    const std::wstring wide(path.begin(), path.end());
    char* unix = toUnix(wide.c_str());
    if (!unix) return {};
    const std::string result = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

// Wine 8 makes neither junctions (FSCTL_SET_REPARSE_POINT: not supported) nor
// symbolic links (CreateSymbolicLinkA makes nothing), but shows a folder
// link of the host system as a reparse point: there the host's ln makes it.
bool MakeHostLink(const std::string& link, const std::string& target) {
    const std::string hostLink = HostPath(link), hostTarget = HostPath(target);
    if (hostLink.empty() || hostTarget.empty()) return false;
    RunHost("Z:\\bin\\ln -s \"" + hostTarget + "\" \"" + hostLink + "\"");
    // Wine cannot wait for a host program: wait for the link instead.
    for (int i = 0; i < 1000 && GetFileAttributesA(link.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(10);
    return true;
}

// Removes a folder link left behind, by the host's rm where Windows calls cannot.
void RemoveLink(const std::string& link) {
    if (RemoveDirectoryA(link.c_str())) return;
    const std::string host = HostPath(link);
    if (host.empty()) return;
    RunHost("Z:\\bin\\rm \"" + host + "\"");
    for (int i = 0; i < 1000 && GetFileAttributesA(link.c_str()) != INVALID_FILE_ATTRIBUTES; ++i) Sleep(10);
}

bool IsLink(const std::string& path) {
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT) && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// A link at link to the folder target that leads there, made the first way
// that works on this system; false when none does.
bool MakeFolderLink(const std::string& link, const std::string& target, const std::string& probe) {
    auto leads = [&] { return IsLink(link) && Exists(link + "\\" + probe); };
    if (MakeJunction(link, target) && leads()) return true;
    RemoveDirectoryA(link.c_str());
    if (CreateSymbolicLinkA(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) && leads()) return true;
    RemoveDirectoryA(link.c_str());
    return MakeHostLink(link, target) && leads();
}

constexpr DWORD kOutsideAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;

// A folder outside the work folder, with a read-only and hidden file in a
// read-only and hidden folder: what a link may lead to.
struct Outside {
    TempDir dir;
    std::vector<std::string> paths() const { return {dir.path(), dir / "sub", dir / "sub\\deep.txt"}; }
    std::vector<DWORD> attributes;  // as the platform keeps them (Wine keeps no read-only folder)
    bool Make() {
        if (!WriteWholeFile(dir / "keep.txt", "keep") || !CreateDirectoryA((dir / "sub").c_str(), nullptr) ||
            !WriteWholeFile(dir / "sub\\deep.txt", "deep"))
            return false;
        for (const std::string& path : paths()) {
            if (!SetFileAttributesA(path.c_str(), kOutsideAttributes)) return false;
            attributes.push_back(GetFileAttributesA(path.c_str()));
            if (!(attributes.back() & FILE_ATTRIBUTE_HIDDEN)) return false;
        }
        return true;
    }
    void ExpectUntouched() {
        EXPECT_TRUE(Exists(dir / "keep.txt"));
        EXPECT_TRUE(Exists(dir / "sub\\deep.txt"));
        for (size_t i = 0; i < paths().size(); ++i)
            EXPECT_EQ(GetFileAttributesA(paths()[i].c_str()), attributes[i]) << paths()[i];
    }
    ~Outside() {
        for (const std::string& path : paths()) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
};

TEST(DeleteFolderTree, ALinkInsideIsRemovedWithoutEnteringItOrTouchingItsTarget) {
    Outside outside;
    ASSERT_TRUE(outside.Make());
    TempDir parent;
    const std::string work = parent / "QZDiscUtil";
    ASSERT_TRUE(CreateDirectoryA(work.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((work + "\\Skin").c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFile(work + "\\Skin\\a.txt", "a"));
    // A read-only file of the work folder's own is removed too.
    ASSERT_TRUE(WriteWholeFile(work + "\\ro.txt", "ro"));
    ASSERT_TRUE(SetFileAttributesA((work + "\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    const std::string link = work + "\\link";
    ASSERT_TRUE(MakeFolderLink(link, outside.dir.path(), "keep.txt"))
        << "no link could be made: " << HostPath(link) << " to " << HostPath(outside.dir.path()) << " attributes "
        << GetFileAttributesA(link.c_str());

    DeleteFolderTree(work);

    outside.ExpectUntouched();
    EXPECT_FALSE(Exists(work + "\\Skin"));
    EXPECT_FALSE(Exists(work + "\\ro.txt"));
    // Windows removes a junction as a folder; Wine 8 cannot remove a host
    // link at all, and then it stays, with the work folder around it.
    if (!Exists(link)) {
        EXPECT_FALSE(Exists(work));
    }
    RemoveLink(link);
}

// The work folder itself replaced by a link: nothing is removed through it.
TEST(DeleteFolderTree, AWorkFolderThatIsALinkIsRefused) {
    Outside outside;
    ASSERT_TRUE(outside.Make());
    TempDir parent;
    const std::string work = parent / "QZDiscUtil";
    ASSERT_TRUE(MakeFolderLink(work, outside.dir.path(), "keep.txt"))
        << "no link could be made: " << HostPath(work) << " to " << HostPath(outside.dir.path()) << " attributes "
        << GetFileAttributesA(work.c_str());

    DeleteFolderTree(work);

    outside.ExpectUntouched();
    EXPECT_TRUE(Exists(outside.dir / "keep.txt"));
    EXPECT_TRUE(IsLink(work));
    RemoveLink(work);
}

}  // namespace
}  // namespace kb::launcher
