// Kabbit.dll loaded by name, as its callers load it: a real worker thread, real
// file times and attributes, WM_PACK_STOPPED to a real window, the CryptoAPI digest.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <string>

#include "frame_test_support.h"
#include "testing/builders/pack_builder.h"
#include "packlib/win/kabbit.h"
#include "shared/pack_errors.h"
#include "testing/kit/deadline.h"

namespace {

using kb::testing::BuilderEntry;
using kb::testing::PackBuilder;

// A new thread of this process stops here, before its start routine, while the
// gate is armed: the thread-attach callback runs first on every new thread. It
// holds the library's worker before its first chunk without any timing.
std::atomic<bool> g_gateArmed{false};
HANDLE g_gateHeld = nullptr;
HANDLE g_gateOpen = nullptr;

void NTAPI GateCallback(PVOID, DWORD reason, PVOID) {
    if (reason != DLL_THREAD_ATTACH || !g_gateArmed.exchange(false)) return;
    SetEvent(g_gateHeld);
    WaitForSingleObject(g_gateOpen, INFINITE);
}

extern "C" __attribute__((section(".CRT$XLY"), used)) const PIMAGE_TLS_CALLBACK g_gateCallback = GateCallback;

struct Api {
    HMODULE dll = nullptr;
    decltype(&::GetType) getType = nullptr;
    decltype(&::UnPack) unPack = nullptr;
    decltype(&::EnumFiles) enumFiles = nullptr;
    decltype(&::GetProgress) getProgress = nullptr;
    decltype(&::CreateNew) createNew = nullptr;
    decltype(&::GetFileCount) getFileCount = nullptr;
    decltype(&::GetTotalSize) getTotalSize = nullptr;
    decltype(&::GetFileInfo) getFileInfo = nullptr;
    decltype(&::Stop) stop = nullptr;
    decltype(&::SetWorkingDir) setWorkingDir = nullptr;

    template <typename F>
    void Bind(F& f, const char* name) {
        f = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
        EXPECT_NE(reinterpret_cast<void*>(f), nullptr) << name;
    }
    Api() {
        dll = LoadLibraryA("Kabbit.dll");
        if (!dll) return;
        Bind(getType, "GetType");
        Bind(unPack, "UnPack");
        Bind(enumFiles, "EnumFiles");
        Bind(getProgress, "GetProgress");
        Bind(createNew, "CreateNew");
        Bind(getFileCount, "GetFileCount");
        Bind(getTotalSize, "GetTotalSize");
        Bind(getFileInfo, "GetFileInfo");
        Bind(stop, "Stop");
        Bind(setWorkingDir, "SetWorkingDir");
    }
    ~Api() {
        if (dll) FreeLibrary(dll);
    }
    // Polls the job as callers do until it reports done or an error.
    int PollToEnd() {
        const ULONGLONG deadline = GetTickCount64() + kb::testing::kStateDeadlineMs;
        for (;;) {
            const int p = getProgress(nullptr);
            if (p < 0 || p == PACKPROGRESS_DONE) return p;
            if (GetTickCount64() > deadline) {
                ADD_FAILURE() << "the job did not end within the deadline; progress " << p;
                return p;
            }
            Sleep(5);
        }
    }
};

class KabbitDll : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(api.dll, nullptr) << "Kabbit.dll";
        out = dir / "out";
        ASSERT_TRUE(kb::fs::CreateFolder(out));
    }
    Api api;
    kb::testing::TempDir dir;
    std::string out;
};

TEST_F(KabbitDll, UnpacksOnAWorkerWithTimesAndAttributes) {
    const std::string pack = dir / "e.pck";
    PackBuilder b;
    b.Encrypted(33);
    BuilderEntry e;
    e.name = "sub\\b.txt";
    e.data = kb::testing::Pattern(5000, 3);
    e.attributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE;
    b.Add("a.txt", "first").Add(e);
    ASSERT_TRUE(b.WriteTo(pack));

    BYTE version = 0, flags = 0;
    EXPECT_EQ(api.getType(pack.c_str(), &version, &flags), 0);
    EXPECT_EQ(version, 0x50);
    EXPECT_EQ(flags, PACKFLAG_PASSWORD | PACKFLAG_ENCRYPTED);
    EXPECT_EQ(api.getFileCount(pack.c_str(), "secret1"), 2);
    EXPECT_EQ(api.getTotalSize(pack.c_str(), "secret1"), 5005);

    ASSERT_EQ(api.unPack(pack.c_str(), out.c_str(), "SUB\\B.TXT", "secret1"), 0);
    ASSERT_EQ(api.PollToEnd(), PACKPROGRESS_DONE);
    const std::string path = out + "\\SUB\\B.TXT";
    EXPECT_EQ(kb::testing::ReadAll(path), e.data);
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data));
    auto ft = [](const FILETIME& t) { return (uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    EXPECT_EQ(ft(data.ftLastWriteTime), kb::testing::kLastWriteTime);
    EXPECT_EQ(data.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(KabbitDll, CreateNewThenListThroughTheExports) {
    const std::string pack = dir / "n.pck";
    ASSERT_EQ(api.createNew(pack.c_str(), "secret1", TRUE, 12), 0);
    EXPECT_EQ(api.createNew(pack.c_str(), "secret1", TRUE, 12), kb::PACKERR_OPEN_PACKED_FILE);
    EXPECT_EQ(api.getFileCount(pack.c_str(), "secret1"), 0);
    char names[4] = "xyz";
    BYTE flags[1001];
    DWORD sizes[1];
    EXPECT_EQ(api.enumFiles(pack.c_str(), names, sizeof names, flags, sizes, sizeof sizes, "secret1"), 0);
    EXPECT_EQ(names[0], 0);
    char name[260];
    int size = sizeof name, length = 0;
    EXPECT_EQ(api.getFileInfo(pack.c_str(), 0, name, &size, &length, "secret1"), kb::PACKERR_ILLEGAL_INDEX);
    api.setWorkingDir("C:\\");
}

TEST_F(KabbitDll, DigestModeHeaderIsCheckedThroughTheCryptoApi) {
    const std::string pack = dir / "d.pck";
    ASSERT_TRUE(PackBuilder().Encrypted(5).DigestMode().Add("a.txt", "d").WriteTo(pack));
    EXPECT_EQ(api.getFileCount(pack.c_str(), "secret1"), 1);
}

LRESULT CALLBACK CountingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PACK_STOPPED) {
        auto* count = reinterpret_cast<int*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (wp == 0 && lp == 0) ++*count;
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

TEST_F(KabbitDll, StoppedJobPostsToARealWindow) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = CountingProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "KabbitDllTestSink";
    RegisterClassA(&wc);
    HWND sink = CreateWindowA(wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(sink, nullptr);
    int stopped = 0;
    SetWindowLongPtrA(sink, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&stopped));

    const std::string pack = dir / "s.pck";
    ASSERT_TRUE(PackBuilder().Add("big.bin", std::string(8 * 1024, 'z')).WriteTo(pack));
    g_gateHeld = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    g_gateOpen = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    g_gateArmed = true;
    ASSERT_EQ(api.unPack(pack.c_str(), out.c_str(), "big.bin", "secret1"), 0);
    // The worker waits before its first chunk.
    ASSERT_EQ(WaitForSingleObject(g_gateHeld, kb::testing::kStateDeadlineMs), WAIT_OBJECT_0)
        << "the worker thread never started";
    EXPECT_TRUE(api.stop(sink));
    SetEvent(g_gateOpen);

    const ULONGLONG deadline = GetTickCount64() + kb::testing::kStateDeadlineMs;
    MSG msg;
    for (;;) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        const ULONGLONG now = GetTickCount64();
        if (stopped != 0 || now >= deadline) break;
        // Wakes for messages already queued too, not only for ones that arrive later.
        MsgWaitForMultipleObjectsEx(0, nullptr, DWORD(deadline - now), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
    EXPECT_EQ(stopped, 1) << "WM_PACK_STOPPED did not reach the window within the deadline";
    // The stop is seen after the first chunk: (1 + 1) x 100 / (8 + 1).
    EXPECT_EQ(api.getProgress(nullptr), 22);
    // The next export waits for the worker, which has deleted its partial output.
    EXPECT_EQ(api.getFileCount(pack.c_str(), "secret1"), 1);
    EXPECT_FALSE(kb::fs::Exists(out + "\\big.bin"));
    DestroyWindow(sink);
    CloseHandle(g_gateHeld);
    CloseHandle(g_gateOpen);
}

TEST_F(KabbitDll, UnloadDuringAJobKeepsTheWorkerAlive) {
    // A job long enough to be running when its caller lets go of the library.
    const std::string data = kb::testing::Pattern(16 * 1024 * 1024, 5);
    const std::string pack = dir / "u.pck";
    ASSERT_TRUE(PackBuilder().Encrypted(7).Add("x.bin", data).WriteTo(pack));
    g_gateHeld = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    g_gateOpen = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    g_gateArmed = true;
    ASSERT_EQ(api.unPack(pack.c_str(), out.c_str(), "x.bin", "secret1"), 0);
    // The worker's thread exists and has not begun the job. It holds the loader
    // lock at the gate, so the library is freed just after the gate opens: the
    // caller's FreeLibrary is then due long before a 16 MiB job can end.
    ASSERT_EQ(WaitForSingleObject(g_gateHeld, kb::testing::kStateDeadlineMs), WAIT_OBJECT_0)
        << "the worker thread never started";
    SetEvent(g_gateOpen);
    FreeLibrary(api.dll);
    api.dll = nullptr;
    EXPECT_NE(GetModuleHandleA("Kabbit.dll"), nullptr) << "the job ended before the library was freed";
    // The worker finishes its job (a crash here would end the test program), then
    // the last reference goes with it.
    const ULONGLONG deadline = GetTickCount64() + kb::testing::kStateDeadlineMs;
    while (GetModuleHandleA("Kabbit.dll") && GetTickCount64() < deadline) Sleep(5);
    EXPECT_EQ(GetModuleHandleA("Kabbit.dll"), nullptr) << "the worker kept the library past the deadline";
    EXPECT_TRUE(kb::testing::ReadAll(out + "\\x.bin") == data);
    CloseHandle(g_gateHeld);
    CloseHandle(g_gateOpen);
}

}  // namespace
