// The packing, buffer, split and path exports through the real Kabbit.dll, loaded
// by its full path as callers load it: real threads, share modes and file times.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "packlib/tests/pack_test_support.h"
#include "packlib/win/kabbit.h"
#include "packlib/win/kabbit_pack.h"
#include "packlib/win/kabbit_zip.h"
#include "shared/pack_errors.h"
#include "testing/kit/deadline.h"

namespace {

using namespace kb;  // the PACKERR_ codes
using kb::packtest::Pattern;
using kb::packtest::ReadAll;
using kb::packtest::WriteWholeFile;

constexpr char kPassword[] = "dll-password";

// How long a test waits for a worker to reach a point before it fails.
constexpr DWORD kDeadlineMs = 30000;

// A new thread of this process holds here, before its start routine, while the
// gate is armed: the thread-attach callback runs first on every new thread. It
// holds the library's worker before its first step without any timing.
std::atomic<bool> g_gateArmed{false};
HANDLE g_gateHeld = CreateEventA(nullptr, TRUE, FALSE, nullptr);
HANDLE g_gateOpen = CreateEventA(nullptr, TRUE, FALSE, nullptr);

void NTAPI GateCallback(PVOID, DWORD reason, PVOID) {
    if (reason != DLL_THREAD_ATTACH || !g_gateArmed.exchange(false)) return;
    SetEvent(g_gateHeld);
    WaitForSingleObject(g_gateOpen, INFINITE);
}

extern "C" __attribute__((section(".CRT$XLY"), used)) const PIMAGE_TLS_CALLBACK g_gateCallback = GateCallback;

// Arms the gate for the next thread started; opens it at the latest when it goes.
class ThreadGate {
public:
    ThreadGate() {
        ResetEvent(g_gateHeld);
        ResetEvent(g_gateOpen);
        g_gateArmed = true;
    }
    ~ThreadGate() {
        g_gateArmed = false;
        Open();
    }
    ThreadGate(const ThreadGate&) = delete;
    ThreadGate& operator=(const ThreadGate&) = delete;
    bool WaitHeld() { return WaitForSingleObject(g_gateHeld, kDeadlineMs) == WAIT_OBJECT_0; }
    void Open() { SetEvent(g_gateOpen); }
};

// A message-only window that counts WM_PACK_STOPPED.
class StopSink {
public:
    StopSink() {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "KabbitDllPackStopSink";
        RegisterClassA(&wc);
        window = CreateWindowA(wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&stopped));
    }
    ~StopSink() { DestroyWindow(window); }
    StopSink(const StopSink&) = delete;
    StopSink& operator=(const StopSink&) = delete;
    // Pumps messages until a WM_PACK_STOPPED has come; false at the deadline.
    bool WaitForStopped() {
        const DWORD start = GetTickCount();
        while (stopped == 0) {
            const DWORD spent = GetTickCount() - start;
            if (spent >= kDeadlineMs) return false;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, kDeadlineMs - spent, QS_ALLINPUT);
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        }
        return true;
    }
    HWND window = nullptr;
    int stopped = 0;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_PACK_STOPPED) {
            ++*reinterpret_cast<int*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
            return 0;
        }
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
};

// The names in a folder, sorted.
std::vector<std::string> Listing(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = data.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

uint64_t FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

struct Api {
    HMODULE dll = nullptr;
    decltype(&::CreateNew) createNew = nullptr;
    decltype(&::UnPack) unPack = nullptr;
    decltype(&::EnumFiles) enumFiles = nullptr;
    decltype(&::GetProgress) getProgress = nullptr;
    decltype(&::SetWorkingDir) setWorkingDir = nullptr;
    decltype(&::Pack) pack = nullptr;
    decltype(&::PackPartFolder) packPartFolder = nullptr;
    decltype(&::PreCompress) preCompress = nullptr;
    decltype(&::GetPreCompressFileName) getPreCompressFileName = nullptr;
    decltype(&::ForceCompleteCompress) forceCompleteCompress = nullptr;
    decltype(&::GetErrorFileNames) getErrorFileNames = nullptr;
    decltype(&::EncryptBufferData) encryptBufferData = nullptr;
    decltype(&::DecryptBufferData) decryptBufferData = nullptr;
    decltype(&::GetCodedData) getCodedData = nullptr;
    decltype(&::SplitHugeFile) splitHugeFile = nullptr;
    decltype(&::UnSplitHugeFile) unSplitHugeFile = nullptr;
    decltype(&::ConvertFilePath) convertFilePath = nullptr;
    decltype(&::GetType) getType = nullptr;
    decltype(&::Stop) stop = nullptr;
    decltype(&::EnumFilesInZipPkg) enumFilesInZipPkg = nullptr;

    template <typename F>
    void Bind(F& f, const char* name) {
        f = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
        EXPECT_NE(reinterpret_cast<void*>(f), nullptr) << name;
    }
    Api() {
        char self[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, self, MAX_PATH);
        std::string path(self);
        path = path.substr(0, path.find_last_of('\\') + 1) + "Kabbit.dll";
        dll = LoadLibraryA(path.c_str());
        EXPECT_NE(dll, nullptr) << path;
        if (!dll) return;
        Bind(createNew, "CreateNew");
        Bind(unPack, "UnPack");
        Bind(enumFiles, "EnumFiles");
        Bind(getProgress, "GetProgress");
        Bind(setWorkingDir, "SetWorkingDir");
        Bind(pack, "Pack");
        Bind(packPartFolder, "PackPartFolder");
        Bind(preCompress, "PreCompress");
        Bind(getPreCompressFileName, "GetPreCompressFileName");
        Bind(forceCompleteCompress, "ForceCompleteCompress");
        Bind(getErrorFileNames, "GetErrorFileNames");
        Bind(encryptBufferData, "EncryptBufferData");
        Bind(decryptBufferData, "DecryptBufferData");
        Bind(getCodedData, "GetCodedData");
        Bind(splitHugeFile, "SplitHugeFile");
        Bind(unSplitHugeFile, "UnSplitHugeFile");
        Bind(convertFilePath, "ConvertFilePath");
        Bind(getType, "GetType");
        Bind(stop, "Stop");
        Bind(enumFilesInZipPkg, "EnumFilesInZipPkg");
    }
    ~Api() {
        if (dll) FreeLibrary(dll);
    }
    // Polls as callers do until the job reports done or an error.
    int PollToEnd(int started) {
        if (started < 0) return started;
        const ULONGLONG deadline = GetTickCount64() + kb::testing::kStateDeadlineMs;
        for (;;) {
            const int p = getProgress(nullptr);
            if (p < 0 || p == PACKPROGRESS_DONE) return p;
            if (GetTickCount64() > deadline) {
                ADD_FAILURE() << "the job did not end within the deadline; progress " << p;
                return p;
            }
            Sleep(2);
        }
    }
};

class KabbitDllPack : public kb::packtest::TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        ASSERT_NE(api_.dll, nullptr);
        ASSERT_TRUE(kb::fs::CreateFolder(P("work")));
        api_.setWorkingDir((P("work") + "\\").c_str());
    }
    Api api_;
};

TEST_F(KabbitDllPack, PacksAndReadsBack) {
    ASSERT_TRUE(kb::fs::CreateFolder(P("src")));
    ASSERT_TRUE(kb::fs::CreateFolder(P("src\\a")));
    ASSERT_TRUE(WriteWholeFile(P("src\\a\\b.txt"), Pattern(4000, 5)));
    ASSERT_TRUE(WriteWholeFile(P("src\\x.txt"), "x"));
    const std::string pack = P("p.pck");
    ASSERT_EQ(api_.createNew(pack.c_str(), kPassword, TRUE, 9), 0);
    EXPECT_EQ(api_.PollToEnd(api_.pack(pack.c_str(), P("src").c_str(), "a\\b.txt", kPassword, FALSE)),
              PACKPROGRESS_DONE);
    EXPECT_EQ(api_.PollToEnd(api_.pack(pack.c_str(), P("src").c_str(), "a\\b.txt", kPassword, TRUE)),
              PACKPROGRESS_DONE);
    EXPECT_EQ(api_.PollToEnd(api_.packPartFolder(pack.c_str(), (P("src") + "\\").c_str(), "x.txt\0", 1,
                                                 kPassword, TRUE)),
              PACKPROGRESS_DONE);
    EXPECT_EQ(api_.PollToEnd(api_.packPartFolder(pack.c_str(), P("src").c_str(), nullptr, 0, kPassword, FALSE)),
              PACKERR_NO_COMPRESS_FOLDER);

    char names[1024] = {};
    BYTE flags[1001] = {};
    DWORD sizes[16] = {};
    ASSERT_EQ(api_.enumFiles(pack.c_str(), names, sizeof names, flags, sizes, sizeof sizes, kPassword), 3);
    // Each name and its zero, then one more zero.
    EXPECT_EQ(std::string(names, 29), std::string("a\\b.txt\0a\\b.txt.cmp\0src.cmp\0", 29));
    EXPECT_EQ(flags[0], 0);
    EXPECT_EQ(flags[1], 1);
    EXPECT_EQ(flags[2], 1);

    ASSERT_TRUE(kb::fs::CreateFolder(P("out")));
    EXPECT_EQ(api_.PollToEnd(api_.unPack(pack.c_str(), P("out").c_str(), "a\\b.txt", kPassword)), PACKPROGRESS_DONE);
    EXPECT_TRUE(ReadAll(P("out\\a\\b.txt")) == ReadAll(P("src\\a\\b.txt")));

    char name[MAX_PATH + 8];
    api_.getPreCompressFileName(name);
    EXPECT_EQ(std::string(name), P("work") + "\\kabbit.cmp");
    EXPECT_FALSE(kb::fs::Exists(name));
    EXPECT_EQ(api_.preCompress(P("src").c_str(), "a\\b.txt", nullptr, 0, FALSE), 0);
    EXPECT_EQ(api_.PollToEnd(0), PACKPROGRESS_DONE);
    EXPECT_TRUE(kb::fs::Exists(name));
    const std::string kept = ReadAll(name);
    // A discarding pre-compression works in a file of its own: the kept one stays.
    EXPECT_EQ(api_.preCompress(P("src").c_str(), "a\\b.txt", nullptr, 0, TRUE), 0);
    EXPECT_TRUE(ReadAll(name) == kept);
}

TEST_F(KabbitDllPack, ForceFlagWithARealLock) {
    ASSERT_TRUE(kb::fs::CreateFolder(P("set")));
    ASSERT_TRUE(WriteWholeFile(P("set\\a.txt"), "a"));
    ASSERT_TRUE(WriteWholeFile(P("set\\locked.txt"), "locked"));
    const std::string pack = P("p.pck");
    ASSERT_EQ(api_.createNew(pack.c_str(), kPassword, FALSE, 1), 0);
    HANDLE lock = CreateFileA(P("set\\locked.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    EXPECT_EQ(api_.forceCompleteCompress(TRUE), 1);
    EXPECT_EQ(api_.PollToEnd(api_.pack(pack.c_str(), P("set").c_str(), "", kPassword, TRUE)), PACKPROGRESS_DONE);
    char list[512];
    ASSERT_EQ(api_.getErrorFileNames(list, sizeof list), 0);
    EXPECT_EQ(std::string(list), P("set\\locked.txt"));
    EXPECT_EQ(list[std::strlen(list) + 1], '\0');
    EXPECT_EQ(api_.forceCompleteCompress(FALSE), 0);
    EXPECT_EQ(api_.PollToEnd(api_.pack(pack.c_str(), P("set").c_str(), "", kPassword, TRUE)),
              PACKERR_OPEN_SOURCE_FILE);
    CloseHandle(lock);
}

TEST_F(KabbitDllPack, BufferCoding) {
    std::vector<BYTE> original(1025);
    for (size_t i = 0; i < original.size(); ++i) original[i] = static_cast<BYTE>(i * 13);
    auto coded = original;
    ASSERT_EQ(api_.encryptBufferData(coded.data(), 1025, "Qorvend", 7, TRUE), 0);
    EXPECT_NE(coded, original);
    auto restored = coded;
    ASSERT_EQ(api_.decryptBufferData(restored.data(), 1025, "Qorvend", 7, TRUE), 0);
    EXPECT_EQ(restored, original);

    auto input = original;
    ASSERT_EQ(api_.encryptBufferData(input.data(), 1025, "Qorvend", 7, FALSE), 0);
    std::vector<BYTE> fetched(1025);
    EXPECT_EQ(api_.getCodedData(fetched.data(), 1024), PACKERR_NOT_ENOUGH_MEMORY);
    ASSERT_EQ(api_.getCodedData(fetched.data(), 1025), 0);
    EXPECT_EQ(fetched, coded);
    EXPECT_EQ(input, original);
    EXPECT_EQ(api_.getCodedData(fetched.data(), 1025), PACKERR_NULL_BUFFER);
    EXPECT_EQ(api_.encryptBufferData(input.data(), 1025, "Qorve", 5, TRUE), PACKERR_PASSWORD_TOO_SHORT);
    EXPECT_EQ(api_.encryptBufferData(nullptr, 1025, "Qorvend", 7, TRUE), PACKERR_NULL_BUFFER);
}

TEST_F(KabbitDllPack, SplitJoinAndConvert) {
    const std::string file = P("f.bin");
    ASSERT_TRUE(WriteWholeFile(file, "0123456789"));
    ASSERT_EQ(api_.splitHugeFile(file.c_str(), 3), 3);
    EXPECT_EQ(ReadAll(file + ".prt02"), "6789");
    const std::string list = file + ".prt00" + '\0' + file + ".prt01" + '\0' + file + ".prt02" + '\0' + '\0';
    ASSERT_EQ(api_.unSplitHugeFile(list.c_str(), 3, TRUE, P("joined.bin").c_str()), 0);
    EXPECT_EQ(ReadAll(P("joined.bin")), "0123456789");
    EXPECT_FALSE(kb::fs::Exists(file + ".prt00"));
    EXPECT_EQ(api_.splitHugeFile(file.c_str(), 0), PACKERR_INVALID_PARAMETER);

    char path[] = "C:\\dir\\f?.txt";
    EXPECT_EQ(api_.convertFilePath(path), 0);
    EXPECT_STREQ(path, "C\\_dir_f$.txt");
}

// Stops below 50 of a single-file compressed Pack and of both forms of
// PreCompress, each asked for while the worker holds before its first step: the
// job ends where the stop caught it, without an entry or a container, and posts.
TEST_F(KabbitDllPack, StopsBelowFiftyOfSingleFilesAndPreCompression) {
    ASSERT_TRUE(kb::fs::CreateFolder(P("set")));
    ASSERT_TRUE(kb::fs::CreateFolder(P("set\\sub")));
    for (const char* name : {"a.txt", "b.txt", "c.txt", "sub\\d.txt"})
        ASSERT_TRUE(WriteWholeFile(P("set\\") + name, Pattern(3000, static_cast<unsigned>(std::strlen(name)))));
    const std::string pack = P("p.pck");
    ASSERT_EQ(api_.createNew(pack.c_str(), kPassword, TRUE, 5), 0);
    const std::string original = ReadAll(pack);
    char container[MAX_PATH + 8];
    api_.getPreCompressFileName(container);
    const std::string set = P("set");
    struct Case {
        const char* what;
        std::function<int()> start;
        int progress;
    };
    const Case cases[] = {
        // The one block is compressed, then the stop is seen before anything is appended.
        {"Pack of one file", [&] { return api_.pack(pack.c_str(), set.c_str(), "a.txt", kPassword, TRUE); }, 50},
        {"PreCompress of one file", [&] { return api_.preCompress(set.c_str(), "a.txt", nullptr, 0, FALSE); }, 50},
        // Seen after the first of four files: 1 x 100 / 4.
        {"PreCompress of a folder", [&] { return api_.preCompress(set.c_str(), "", nullptr, 0, FALSE); }, 25},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StopSink sink;
        ASSERT_NE(sink.window, nullptr);
        {
            ThreadGate gate;
            ASSERT_EQ(c.start(), 0);
            ASSERT_TRUE(gate.WaitHeld()) << "the worker did not reach the gate";
            EXPECT_TRUE(api_.stop(sink.window));
        }
        ASSERT_TRUE(sink.WaitForStopped()) << "no WM_PACK_STOPPED";
        BYTE version = 0, flags = 0;
        EXPECT_EQ(api_.getType(pack.c_str(), &version, &flags), 0);  // waits for the worker's end
        EXPECT_EQ(api_.getProgress(nullptr), c.progress);
        EXPECT_EQ(sink.stopped, 1);
        EXPECT_TRUE(ReadAll(pack) == original);
        EXPECT_FALSE(kb::fs::Exists(container));
    }
}

// A file at the container's name held by another process, with or without write
// sharing: the job works in a file of its own, so the held file is neither
// emptied nor lent to the entry, and the entry holds only its own record.
TEST_F(KabbitDllPack, AHeldFileAtTheContainersNameLendsNothing) {
    ASSERT_TRUE(kb::fs::CreateFolder(P("set")));
    ASSERT_TRUE(WriteWholeFile(P("set\\a.txt"), Pattern(3000, 1)));
    ASSERT_TRUE(WriteWholeFile(P("set\\b.txt"), Pattern(2000, 2)));
    const std::string pack = P("p.pck");
    char container[MAX_PATH + 8];
    api_.getPreCompressFileName(container);
    for (DWORD share : {DWORD{FILE_SHARE_READ | FILE_SHARE_WRITE}, DWORD{FILE_SHARE_READ}}) {
        SCOPED_TRACE((share & FILE_SHARE_WRITE) ? "held with write sharing" : "held");
        DeleteFileA(pack.c_str());
        ASSERT_EQ(api_.createNew(pack.c_str(), kPassword, TRUE, 5), 0);
        ASSERT_EQ(api_.PollToEnd(api_.preCompress(P("set").c_str(), "b.txt", nullptr, 0, FALSE)), PACKPROGRESS_DONE);
        const std::string old = ReadAll(container);
        HANDLE holder = CreateFileA(container, GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(holder, INVALID_HANDLE_VALUE);
        EXPECT_EQ(api_.PollToEnd(api_.pack(pack.c_str(), P("set").c_str(), "a.txt", kPassword, TRUE)),
                  PACKPROGRESS_DONE);
        CloseHandle(holder);
        EXPECT_TRUE(ReadAll(container) == old);
        char names[256] = {};
        DWORD sizes[4] = {};
        EXPECT_EQ(api_.enumFilesInZipPkg(pack.c_str(), "a.txt.cmp", names, sizeof names, sizes, sizeof sizes,
                                         kPassword),
                  1);
        EXPECT_STREQ(names, "a.txt");
    }
}

TEST_F(KabbitDllPack, JoinNeverDamagesItsDestinationOrAPart) {
    const std::string file = P("a long name.bin");
    ASSERT_TRUE(WriteWholeFile(file, "0123456789"));
    ASSERT_EQ(api_.splitHugeFile(file.c_str(), 3), 3);
    const std::string parts[] = {file + ".prt00", file + ".prt01", file + ".prt02"};
    auto expectParts = [&] {
        EXPECT_EQ(ReadAll(parts[0]), "012");
        EXPECT_EQ(ReadAll(parts[1]), "345");
        EXPECT_EQ(ReadAll(parts[2]), "6789");
    };
    ASSERT_TRUE(WriteWholeFile(P("joined.bin"), "the user's own"));
    const std::vector<std::string> before = Listing(dir_);

    // A part that is missing: the user's file stays, nothing is left beside it.
    const std::string missing = parts[0] + '\0' + P("gone.prt") + '\0' + parts[2] + '\0' + '\0';
    EXPECT_EQ(api_.unSplitHugeFile(missing.c_str(), 3, TRUE, P("joined.bin").c_str()), PACKERR_OPEN_SOURCE_FILE);
    EXPECT_EQ(ReadAll(P("joined.bin")), "the user's own");
    EXPECT_EQ(Listing(dir_), before);
    expectParts();

    // The destination is a part, named by its short name or in other letters.
    char shortName[MAX_PATH] = {};
    ASSERT_GT(GetShortPathNameA(parts[1].c_str(), shortName, MAX_PATH), 0u);
    EXPECT_NE(std::string(shortName), parts[1]);
    std::string upper = parts[1];
    for (char& ch : upper)
        if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
    const std::string list = parts[0] + '\0' + parts[1] + '\0' + parts[2] + '\0' + '\0';
    for (const std::string& destination : {std::string(shortName), upper}) {
        SCOPED_TRACE(destination);
        EXPECT_EQ(api_.unSplitHugeFile(list.c_str(), 3, TRUE, destination.c_str()), PACKERR_OPEN_DESTINATION_FILE);
        expectParts();
        EXPECT_EQ(Listing(dir_), before);
    }

    // A whole join replaces the user's file only once it is complete.
    ASSERT_EQ(api_.unSplitHugeFile(list.c_str(), 3, TRUE, P("joined.bin").c_str()), 0);
    EXPECT_EQ(ReadAll(P("joined.bin")), "0123456789");
    EXPECT_EQ(Listing(dir_), (std::vector<std::string>{"a long name.bin", "joined.bin", "work"}));
}

// Runs only through the test entry kabbit_dll_pack_full_disk, which starts this
// program under a file size limit (the write past it fails as on a full disc).
class KabbitDllPackFullDisk : public KabbitDllPack {};

// Whole bytes this process may write into one file: it writes until a write fails.
uint64_t ProbeFileSizeLimit(const std::string& scratch, uint64_t most) {
    HANDLE h = CreateFileA(scratch.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 0;
    const std::vector<char> block(256 * 1024, 'p');
    uint64_t written = 0;
    DWORD n = 0;
    while (written < most && WriteFile(h, block.data(), static_cast<DWORD>(block.size()), &n, nullptr) && n == block.size())
        written += n;
    CloseHandle(h);
    DeleteFileA(scratch.c_str());
    return written;
}

TEST_F(KabbitDllPackFullDisk, FailureInTheAppendPhaseCutsThePackBack) {
    constexpr uint64_t kMiB = 1024 * 1024;
    const uint64_t limit = ProbeFileSizeLimit(P("probe.bin"), 64 * kMiB);
    ASSERT_LT(limit, 64 * kMiB) << "no file size limit: run through the test entry kabbit_dll_pack_full_disk";
    ASSERT_GE(limit, 4 * kMiB);
    // The pack ends 1 MiB short of the limit; the container of 2 MiB fits in its
    // own file but not after the pack's end.
    ASSERT_TRUE(kb::fs::CreateFolder(P("src")));
    ASSERT_TRUE(WriteWholeFile(P("src\\fill.bin"), std::string(static_cast<size_t>(limit - kMiB), 'f')));
    ASSERT_TRUE(WriteWholeFile(P("src\\big.bin"), Pattern(static_cast<size_t>(2 * kMiB), 9)));
    const std::string pack = P("p.pck");
    ASSERT_EQ(api_.createNew(pack.c_str(), kPassword, FALSE, 1), 0);
    ASSERT_EQ(api_.PollToEnd(api_.pack(pack.c_str(), P("src").c_str(), "fill.bin", kPassword, FALSE)),
              PACKPROGRESS_DONE);
    const std::string original = ReadAll(pack);
    ASSERT_EQ(api_.PollToEnd(api_.pack(pack.c_str(), P("src").c_str(), "big.bin", kPassword, TRUE)), PACKERR_FILE_IO);
    EXPECT_EQ(FileSize(pack), original.size());
    EXPECT_TRUE(ReadAll(pack) == original);
    char names[64] = {};
    BYTE flags[1001] = {};
    DWORD sizes[4] = {};
    EXPECT_EQ(api_.enumFiles(pack.c_str(), names, sizeof names, flags, sizes, sizeof sizes, kPassword), 1);
}

}  // namespace
