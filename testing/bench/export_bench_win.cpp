// export_bench: the loader's export measured against the pack library doing
// the same unpacking on its own, and the loader's window thread watched while
// it exports. Run by hand under Wine through export_bench.sh; never a test.
//
//   export_bench [--rounds N] [--password P] [--session N] [--loader-args "..."]
//                [--events FILE]   the loader's log of each round as FILE.<round>.csv
//                [--sources FOLDER] the disc builder's work folder: the exports are
//                                   also compared with SessionNN\src there
//
// The disc is the CD-ROM drive named by KB_CDROM_LETTER. The session is
// SessionNN (default: the one whose Files.lst totals most); every top-level
// entry of it is exported, once per round:
//   direct  Kabbit.dll through the loader's own binding, one UnPack after the
//           other, polled every millisecond, into a fresh folder;
//   loader  the real LumarForUtil.exe driven as a user drives it (rows
//           clicked, export, the notice, the password, the folder picker),
//           timed from the picker's OK to the finished message.
// Both results are compared byte for byte. A hook library set on the loader's
// window thread logs each WM_TIMER it takes and each text set there, which
// gives the longest gap between two timer messages over the whole export and
// while the largest entry unpacks (bracketed by the progress texts that name it).
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "loader/app/tests/loader_folder_win.h"
#include "loader/bindings.h"
#include "loader/instance_guard.h"
#include "loader/session/files_lst.h"
#include "shared/base/fs.h"
#include "testing/bench/timer_log_win.h"
#include "testing/kit/file_io.h"
#include "testing/kit/temp_folder.h"
#include "testing/kit/wipe_path.h"
#include "testing/uidriver/ui_driver.h"

namespace {

namespace ui = kb::uidriver;
using kb::bench::TimerLog;

constexpr char kBenchPassword[] = "Bench-Disc-Password";
constexpr int kQuitButton = 10, kExportButton = 11, kPasswordOk = 20;
constexpr DWORD kDialogDeadlineMs = 30000;
constexpr DWORD kExportDeadlineMs = 30 * 60 * 1000;

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "export_bench: %s\n", what.c_str());
    std::exit(1);
}

void Require(bool ok, const std::string& what) {
    if (!ok) Fail(what);
}

double Seconds(int64_t counts) {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(counts) / static_cast<double>(f.QuadPart);
}

int64_t Now() {
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return c.QuadPart;
}

using kb::uidriver::PumpUntil;

// ---- The session on the disc ----

struct Entry {
    std::string caption;
    int64_t size = 0;
    int32_t rule = 0;
};

struct Session {
    int number = 0;
    int place = 0;  // the loader's numbering: its place among the disc's sessions
    std::string pack;
    std::vector<Entry> entries;
    std::vector<std::string> folders;  // folder rows of Files.lst, without the trailing backslash
    std::map<std::string, int64_t> files;  // file rows of Files.lst: path, size
    int64_t total = 0;
};

std::string SessionFolder(const std::string& drive, int number) {
    char name[16];
    std::snprintf(name, sizeof name, "\\Session%.2d", number);
    return drive + name;
}

bool ReadSession(const std::string& drive, int number, Session& s) {
    const std::string folder = SessionFolder(drive, number);
    std::string text;
    if (!kb::loader::ReadFilesLstText(folder + "\\Files.lst", text)) return false;
    s = {};
    s.number = number;
    kb::loader::ReadFilesLstRows(text, [&](const kb::loader::FilesLstRow& row) {
        if (row.kind > 1) {
            s.entries.push_back({row.path, row.size, row.field4});
            s.total += row.size;
        } else if (row.kind == 1 && !row.path.empty()) {
            s.folders.push_back(row.path.substr(0, row.path.size() - 1));
        } else if (row.kind == 0) {
            s.files[row.path] = row.size;
        }
    });
    // The content pack: the one file beside Control.pck and Files.lst.
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    do {
        const std::string name = found.cFileName;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        if (lstrcmpiA(name.c_str(), "Control.pck") == 0 || lstrcmpiA(name.c_str(), "Files.lst") == 0) continue;
        s.pack = folder + "\\" + name;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return !s.pack.empty() && !s.entries.empty();
}

Session ChooseSession(const std::string& drive, int wanted) {
    Session best;
    int place = 0;
    for (int n = 1; n <= 20; ++n) {
        if (GetFileAttributesA((SessionFolder(drive, n) + "\\Control.pck").c_str()) == INVALID_FILE_ATTRIBUTES)
            continue;
        ++place;
        Session s;
        if (!ReadSession(drive, n, s)) continue;
        s.place = place;
        if (wanted ? n == wanted : s.total > best.total) best = s;
    }
    Require(best.number != 0, "no session to export on " + drive);
    return best;
}

// ---- The pack library on its own ----

// Up to this many entries each get a line of their own; a session of more
// gets its slowest entry.
constexpr size_t kEntriesListed = 10;

double DirectExport(const Session& s, const std::string& password, const std::string& dest,
                    const std::string& work) {
    kb::loader::TKabbit kabbit;
    Require(kabbit.Has(kb::loader::KabbitFn::UnPack), "Kabbit.dll beside the benchmark lacks UnPack");
    kabbit.SetWorkingDir(work);
    kabbit.packPath = s.pack;
    kabbit.packPassword = password;
    const int64_t start = Now();
    // The folders of the entries are made first, as the loader makes them.
    for (const std::string& folder : s.folders) {
        for (size_t at = 0; (at = folder.find('\\', at)) != std::string::npos; ++at)
            CreateDirectoryA((dest + "\\" + folder.substr(0, at)).c_str(), nullptr);
        CreateDirectoryA((dest + "\\" + folder).c_str(), nullptr);
    }
    const bool listed = s.entries.size() <= kEntriesListed;
    double slowest = 0;
    const Entry* slowestEntry = nullptr;
    for (const Entry& e : s.entries) {
        if (e.rule == 1) continue;
        const int rc = kabbit.UnPack(dest + "\\", e.caption);
        Require(rc == 0, "UnPack " + e.caption + ": " + kb::loader::TKabbit::GetErrorString(rc));
        const int64_t entryStart = Now();
        int64_t secondHalf = 0;  // the library reports 51 and more once its copy is made
        int p = 0;
        while ((p = kabbit.GetProgress()) >= 0 && p < 100) {
            if (p > 50 && !secondHalf) secondHalf = Now();
            Sleep(1);
        }
        Require(p >= 100, "unpacking " + e.caption + ": " + kb::loader::TKabbit::GetErrorString(p));
        const int64_t entryEnd = Now();
        if (!secondHalf) secondHalf = entryEnd;
        if (Seconds(entryEnd - entryStart) > slowest) {
            slowest = Seconds(entryEnd - entryStart);
            slowestEntry = &e;
        }
        if (listed)
            std::printf("  direct \"%s\": %.2f s (to 50 %%: %.2f s, after: %.2f s)\n", e.caption.c_str(),
                        Seconds(entryEnd - entryStart), Seconds(secondHalf - entryStart),
                        Seconds(entryEnd - secondHalf));
    }
    const double seconds = Seconds(Now() - start);
    if (!listed && slowestEntry)
        std::printf("  direct: %zu entries in %.2f s, %.2f ms each; the slowest \"%s\" %.2f ms\n", s.entries.size(),
                    seconds, seconds * 1000.0 / static_cast<double>(s.entries.size()), slowestEntry->caption.c_str(),
                    slowest * 1000.0);
    return seconds;
}

// ---- Comparing the two results ----

void ListFiles(const std::string& root, const std::string& relative, std::vector<std::string>& out) {
    WIN32_FIND_DATAA found;
    const std::string folder = relative.empty() ? root : root + "\\" + relative;
    const HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        const std::string path = relative.empty() ? name : relative + "\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out.push_back(path + "\\");
            ListFiles(root, path, out);
        } else {
            out.push_back(path);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

bool SameBytes(const std::string& a, const std::string& b) {
    namespace fs = kb::fs;
    fs::File fa = fs::File::Open(a, fs::Access::Read, fs::Disposition::OpenExisting, fs::Share::Read);
    fs::File fb = fs::File::Open(b, fs::Access::Read, fs::Disposition::OpenExisting, fs::Share::Read);
    uint64_t sa = 0, sb = 0;
    if (!fa.IsOpen() || !fb.IsOpen() || !fa.Size(&sa) || !fb.Size(&sb) || sa != sb) return false;
    std::vector<char> ba(1 << 20), bb(1 << 20);
    for (uint64_t done = 0; done < sa;) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(ba.size(), sa - done));
        if (!fa.ReadExact(ba.data(), n) || !fb.ReadExact(bb.data(), n) || std::memcmp(ba.data(), bb.data(), n) != 0)
            return false;
        done += n;
    }
    return true;
}

// The number of files, when both folders hold the same names and bytes and
// every file of the session's list is there with its listed size.
size_t CompareTrees(const Session& s, const std::string& a, const std::string& b) {
    std::vector<std::string> la, lb;
    ListFiles(a, "", la);
    ListFiles(b, "", lb);
    std::sort(la.begin(), la.end());
    std::sort(lb.begin(), lb.end());
    Require(la == lb, "the loader's export and the library's hold different names (" + std::to_string(la.size()) +
                          " and " + std::to_string(lb.size()) + ")");
    size_t files = 0;
    for (const std::string& path : la) {
        if (path.back() == '\\') continue;
        Require(SameBytes(a + "\\" + path, b + "\\" + path), "the two exports differ in " + path);
        ++files;
    }
    for (const auto& [path, size] : s.files) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        Require(GetFileAttributesExA((a + "\\" + path).c_str(), GetFileExInfoStandard, &data) != FALSE,
                path + " was not exported");
        const int64_t actual = (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        Require(actual == size, path + " holds " + std::to_string(actual) + " bytes, not " + std::to_string(size));
    }
    return files;
}

// ---- The loader driven from outside ----

HWND EditOf(HWND form) { return ui::FindChildOfClass(form, "Edit"); }

void PressEnter(HWND w) {
    PostMessageA(w, WM_KEYDOWN, VK_RETURN, 1);
    PostMessageA(w, WM_KEYUP, VK_RETURN, 0xC0000001);
}

class Loader {
public:
    Loader(const std::string& program, const std::string& drive, const std::string& extra) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "ExportBenchCaller";
        RegisterClassA(&wc);
        caller_ = CreateWindowA(wc.lpszClassName, "caller", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                wc.hInstance, nullptr);
        std::string command = "\"" + program + "\\LumarForUtil.exe\" /D:" + drive +
                              " /H:" + std::to_string(reinterpret_cast<intptr_t>(caller_));
        if (!extra.empty()) command += " " + extra;
        STARTUPINFOA si{};
        si.cb = sizeof si;
        Require(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, program.c_str(), &si,
                               &process_),
                "cannot start " + command);
    }
    ~Loader() {
        if (process_.hProcess) {
            if (WaitForSingleObject(process_.hProcess, 0) != WAIT_OBJECT_0) {
                TerminateProcess(process_.hProcess, 1);
                WaitForSingleObject(process_.hProcess, 5000);
            }
            CloseHandle(process_.hThread);
            CloseHandle(process_.hProcess);
        }
        if (caller_) DestroyWindow(caller_);
    }
    Loader(const Loader&) = delete;
    Loader& operator=(const Loader&) = delete;

    DWORD Pid() const { return process_.dwProcessId; }
    HWND Window() const { return window_; }
    bool Ended() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0; }

    HWND WaitForMainWindow() {
        PumpUntil([&] { return (window_ = ui::WaitForTopWindow({"TfrmMain", "", Pid()}, 50)) != nullptr || Ended(); },
                  kDialogDeadlineMs);
        Require(window_ != nullptr, "the loader showed no main window");
        return window_;
    }

    HWND List(int listId) const {
        for (HWND page = FindWindowExA(window_, nullptr, "TPanel", nullptr); page;
             page = FindWindowExA(window_, page, "TPanel", nullptr))
            if (HWND list = ui::FindChild(page, listId)) return list;
        return nullptr;
    }

    // The session's list shown with rows and the window enabled.
    HWND OpenSession(int place) {
        const int listId = 1000 + place;
        HWND list = nullptr;
        auto shown = [&] {
            list = List(listId);
            return list && IsWindowVisible(list) && SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) > 0 &&
                   IsWindowEnabled(window_);
        };
        if (!PumpUntil(shown, 5000)) {
            const HWND tab = ui::FindChild(window_, 100 + place);
            Require(tab != nullptr, "no tab for session place " + std::to_string(place));
            Require(PumpUntil([&] { return IsWindowVisible(tab) && IsWindowEnabled(window_); }, kDialogDeadlineMs),
                    "the session tab never showed");
            Require(ui::Click(tab), "cannot click the session tab");
            Require(PumpUntil(shown, kDialogDeadlineMs), "the session's list never showed");
        }
        return list;
    }

    HWND WaitFor(const char* formClass, DWORD timeoutMs = kDialogDeadlineMs) {
        HWND w = nullptr;
        PumpUntil([&] { return (w = ui::WaitForTopWindow({formClass, "", Pid()}, 20)) != nullptr || Ended(); },
                  timeoutMs);
        return w;
    }

private:
    PROCESS_INFORMATION process_{};
    HWND caller_ = nullptr;
    HWND window_ = nullptr;
};

std::vector<int> SelectedRows(HWND list) {
    std::vector<int> rows;
    for (int i = -1; (i = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, i, LVNI_SELECTED))) >= 0;)
        rows.push_back(i);
    return rows;
}

// Every row selected by clicks, the export pressed, the notice confirmed, the
// password typed when asked and dest chosen. The time the picker's OK went.
int64_t BeginLoaderExport(Loader& loader, HWND list, const std::string& password, const std::string& dest) {
    const int rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    std::vector<int> all;
    for (int i = 0; i < rows; ++i) all.push_back(i);
    // The first row clicked as a user clicks it, then every row selected at
    // once: a list of thousands of rows holds most of them out of view.
    Require(ui::ClickListRow(list, 0), "cannot click the first row");
    Require(PumpUntil([&] { return SelectedRows(list) == std::vector<int>{0}; }, kDialogDeadlineMs),
            "the first row's click did not reach the loader");
    if (rows > 1) Require(ui::SelectAllListRows(list), "cannot select the rows");
    const HWND exportButton = ui::FindChild(loader.Window(), kExportButton);
    Require(exportButton != nullptr, "no export button");
    // The loader makes its export list and folder tree once the changes have come.
    const int64_t selecting = Now();
    DWORD said = GetTickCount();
    const bool taken = PumpUntil(
        [&] {
            const std::vector<int> selected = SelectedRows(list);
            if (GetTickCount() - said > 10000) {
                said = GetTickCount();
                std::printf("  waiting for the selection: %zu of %d rows selected, export button %s\n",
                            selected.size(), rows, IsWindowVisible(exportButton) ? "shown" : "hidden");
                std::fflush(stdout);
            }
            return selected == all && IsWindowVisible(exportButton);
        },
        kExportDeadlineMs);
    Require(taken, "the selection did not reach the loader");
    if (rows > 1)
        std::printf("  the loader took the selection of %d rows in %.2f s\n", rows, Seconds(Now() - selecting));
    Require(ui::Click(exportButton), "cannot click export");

    const auto notice = ui::WaitForMessageBox(kb::loader::kLoaderWindowTitle, loader.Pid(), kDialogDeadlineMs);
    Require(notice.has_value(), "no notice before the export");
    Require(ui::AnswerMessageBox(notice->window, IDOK), "cannot confirm the notice");
    Require(PumpUntil([&] { return !IsWindow(notice->window); }, kDialogDeadlineMs), "the notice stayed");

    // The password is asked once per run; later rounds go straight to the picker.
    HWND picker = nullptr, passwordForm = nullptr;
    PumpUntil(
        [&] {
            passwordForm = ui::WaitForTopWindow({"TfrmPassword", "", loader.Pid()}, 10);
            picker = ui::WaitForTopWindow({"#32770", "", loader.Pid()}, 10);
            return passwordForm || picker;
        },
        kDialogDeadlineMs);
    if (passwordForm) {
        const HWND edit = EditOf(passwordForm);
        Require(edit && ui::TypeText(edit, password), "cannot type the password");
        Require(PumpUntil([&] { return ui::TextOf(edit) == password; }, kDialogDeadlineMs), "the password was not taken");
        Require(ui::Click(ui::FindChild(passwordForm, kPasswordOk)), "cannot press the password's OK");
        picker = loader.WaitFor("#32770");
    }
    Require(picker != nullptr, "no folder picker");
    Require(ui::ChooseFolder(picker, dest), "the picker never showed " + dest);
    return Now();
}

// The finished message's text, once the loader shows it; closed with Enter.
std::string WaitForFinish(Loader& loader, int64_t& at) {
    HWND box = nullptr;
    PumpUntil(
        [&] {
            if (!ui::FindTopWindows({"TfrmOverWrite", "", loader.Pid()}).empty()) Fail("an overwrite question came");
            const std::vector<HWND> found = ui::FindTopWindows({"TfrmGrpDlg", "", loader.Pid()});
            if (!found.empty()) box = found.front();
            return box != nullptr || loader.Ended();
        },
        kExportDeadlineMs);
    at = Now();
    Require(box != nullptr, "the export never finished");
    const HWND edit = EditOf(box);
    const std::string text = edit ? ui::TextOf(edit) : std::string();
    PressEnter(box);
    Require(PumpUntil([&] { return !IsWindow(box) && IsWindowEnabled(loader.Window()); }, kDialogDeadlineMs),
            "the finished message stayed");
    return text;
}

// ---- The timer log ----

class TimerLogBlock {
public:
    TimerLogBlock() {
        mapping_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(TimerLog),
                                      kb::bench::kTimerLogName);
        Require(mapping_ != nullptr, "cannot make the timer log");
        log_ = static_cast<TimerLog*>(MapViewOfFile(mapping_, FILE_MAP_WRITE, 0, 0, 0));
        Require(log_ != nullptr, "cannot map the timer log");
    }
    ~TimerLogBlock() {
        UnmapViewOfFile(log_);
        CloseHandle(mapping_);
    }
    TimerLogBlock(const TimerLogBlock&) = delete;
    TimerLogBlock& operator=(const TimerLogBlock&) = delete;

    void Start() {
        InterlockedExchange(&log_->recording, 0);
        InterlockedExchange(&log_->count, 0);
        InterlockedExchange(&log_->recording, 1);
    }
    std::vector<kb::bench::TimerLogEvent> Stop() {
        InterlockedExchange(&log_->recording, 0);
        Sleep(50);  // a hook call already past its check finishes its event
        const LONG n = std::min<LONG>(static_cast<LONG>(log_->count), static_cast<LONG>(kb::bench::kTimerLogCapacity));
        return {log_->events, log_->events + n};
    }

private:
    HANDLE mapping_ = nullptr;
    TimerLog* log_ = nullptr;
};

class Hooks {
public:
    explicit Hooks(DWORD thread) {
        library_ = LoadLibraryA((kb::uidriver::ProgramFolder() + "\\export_bench_hook.dll").c_str());
        Require(library_ != nullptr, "cannot load export_bench_hook.dll");
        const auto getMessage = reinterpret_cast<HOOKPROC>(
            reinterpret_cast<void*>(GetProcAddress(library_, "KbBenchGetMessage")));
        const auto callWndProc = reinterpret_cast<HOOKPROC>(
            reinterpret_cast<void*>(GetProcAddress(library_, "KbBenchCallWndProc")));
        Require(getMessage && callWndProc, "the hook library lacks its functions");
        getMessage_ = SetWindowsHookExA(WH_GETMESSAGE, getMessage, library_, thread);
        callWndProc_ = SetWindowsHookExA(WH_CALLWNDPROC, callWndProc, library_, thread);
        Require(getMessage_ && callWndProc_, "cannot set the hooks on the loader's thread");
    }
    ~Hooks() {
        if (getMessage_) UnhookWindowsHookEx(getMessage_);
        if (callWndProc_) UnhookWindowsHookEx(callWndProc_);
        if (library_) FreeLibrary(library_);
    }
    Hooks(const Hooks&) = delete;
    Hooks& operator=(const Hooks&) = delete;

private:
    HMODULE library_ = nullptr;
    HHOOK getMessage_ = nullptr, callWndProc_ = nullptr;
};

struct Gaps {
    size_t ticks = 0;
    double longestMs = 0;
    int64_t longestEnd = 0;  // the time of the message that ended the longest gap
    int64_t first = 0;       // the time of the first message
};

// The timer messages in [from, to] and the longest time between two of them.
Gaps TimerGaps(const std::vector<kb::bench::TimerLogEvent>& events, int64_t from, int64_t to) {
    Gaps g;
    int64_t last = 0;
    for (const auto& e : events) {
        if (e.kind != kb::bench::kEventTimer || e.counter < from || e.counter > to) continue;
        if (g.ticks++ == 0) g.first = e.counter;
        else if (Seconds(e.counter - last) * 1000.0 > g.longestMs) {
            g.longestMs = Seconds(e.counter - last) * 1000.0;
            g.longestEnd = e.counter;
        }
        last = e.counter;
    }
    return g;
}

struct Span {
    int64_t start = 0, end = 0;
    bool seen = false;  // both ends found
};

// The time the loader works on each entry, in one walk of the log: from the
// first progress text naming it to the first later text naming another entry
// or the finish (message 907).
std::vector<Span> EntrySpans(const std::vector<kb::bench::TimerLogEvent>& events, const Session& s, int64_t from) {
    std::unordered_map<std::string, std::vector<size_t>> byCaption;
    for (size_t i = 0; i < s.entries.size(); ++i) byCaption[s.entries[i].caption].push_back(i);
    std::vector<Span> spans(s.entries.size());
    std::vector<size_t> open, named;
    for (const auto& e : events) {
        if (e.kind != kb::bench::kEventText || e.counter < from) continue;
        // The entries the text names: those whose caption begins it.
        named.clear();
        const size_t length = strnlen(e.text, sizeof e.text);
        for (size_t n = 1; n <= length; ++n) {
            const auto hit = byCaption.find(std::string(e.text, n));
            if (hit != byCaption.end()) named.insert(named.end(), hit->second.begin(), hit->second.end());
        }
        const bool finish = std::strcmp(e.text, "M907") == 0;
        open.erase(std::remove_if(open.begin(), open.end(),
                                  [&](size_t i) {
                                      const bool ends = finish || (!named.empty() && std::find(named.begin(), named.end(), i) == named.end());
                                      if (ends) {
                                          spans[i].end = e.counter;
                                          spans[i].seen = true;
                                      }
                                      return ends;
                                  }),
                   open.end());
        for (size_t i : named) {
            if (spans[i].start) continue;
            spans[i].start = e.counter;
            open.push_back(i);
        }
    }
    return spans;
}

// The log as CSV: milliseconds from the picker's OK, "timer" or "text" and the text.
void WriteEvents(const std::string& path, const std::vector<kb::bench::TimerLogEvent>& events, int64_t from) {
    FILE* f = std::fopen(path.c_str(), "w");
    Require(f != nullptr, "cannot write " + path);
    for (const auto& e : events)
        std::fprintf(f, "%.3f,%s,\"%s\"\n", Seconds(e.counter - from) * 1000.0,
                     e.kind == kb::bench::kEventTimer ? "timer" : "text", e.text);
    std::fclose(f);
}

// The time of the first text equal to text after from; 0 when none.
int64_t TextAt(const std::vector<kb::bench::TimerLogEvent>& events, const char* text, int64_t from) {
    for (const auto& e : events)
        if (e.kind == kb::bench::kEventText && e.counter >= from && std::strcmp(e.text, text) == 0) return e.counter;
    return 0;
}

struct Round {
    double direct = 0, loader = 0;
    double working = 0;  // the loader from its first timer message to its finishing text (message 907)
    Gaps whole, largest;
    bool largestSeen = false;
};

std::string Format(double v, int decimals) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = 1, sessionNumber = 0;
    std::string password = kBenchPassword, loaderArgs, eventsFile, sources;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--rounds" && hasValue) rounds = std::max(1, std::atoi(argv[++i]));
        else if (a == "--password" && hasValue) password = argv[++i];
        else if (a == "--session" && hasValue) sessionNumber = std::atoi(argv[++i]);
        else if (a == "--loader-args" && hasValue) loaderArgs = argv[++i];
        else if (a == "--events" && hasValue) eventsFile = argv[++i];
        else if (a == "--sources" && hasValue) sources = argv[++i];
        else {
            std::fprintf(stderr,
                         "usage: export_bench [--rounds N] [--password P] [--session N] [--loader-args \"...\"] [--events FILE]\n"
                         "                    [--sources FOLDER]\n");
            return 2;
        }
    }
    const char* letter = std::getenv("KB_CDROM_LETTER");
    Require(letter && *letter, "KB_CDROM_LETTER names no drive; run it through export_bench.sh");
    const std::string drive = std::string(1, letter[0]) + ":";

    const Session session = ChooseSession(drive, sessionNumber);
    const Entry* largest = &session.entries.front();
    for (const Entry& e : session.entries)
        if (e.size > largest->size) largest = &e;
    std::printf("disc %s, Session%.2d (the loader's session %d): %zu entries, %.1f MiB, pack %s\n", drive.c_str(),
                session.number, session.place, session.entries.size(), session.total / 1048576.0,
                session.pack.c_str());
    std::printf("largest entry \"%s\": %.1f MiB\n", largest->caption.c_str(), largest->size / 1048576.0);
    std::fflush(stdout);

    kb::testing::TempDir temp;
    const std::string program = temp / "prog", stage = temp / "stage", work = temp / "work";
    for (const std::string& folder : {program, stage, work})
        Require(CreateDirectoryA(folder.c_str(), nullptr) != FALSE, "cannot create " + folder);
    Require(kb::loader::testing::WriteLoaderFolder(kb::uidriver::ProgramFolder(), program, stage), "cannot write the loader's folder");

    TimerLogBlock log;
    Loader loader(program, drive, loaderArgs);
    loader.WaitForMainWindow();
    const Hooks hooks(GetWindowThreadProcessId(loader.Window(), nullptr));
    const HWND list = loader.OpenSession(session.place);

    std::vector<Round> results;
    for (int r = 1; r <= rounds; ++r) {
        Round round;
        const std::string direct = temp / ("direct" + std::to_string(r));
        const std::string exported = temp / ("loader" + std::to_string(r));
        Require(CreateDirectoryA(direct.c_str(), nullptr) && CreateDirectoryA(exported.c_str(), nullptr),
                "cannot create the destinations");
        round.direct = DirectExport(session, password, direct, work);

        log.Start();
        const int64_t from = BeginLoaderExport(loader, list, password, exported);
        int64_t to = 0;
        const std::string text = WaitForFinish(loader, to);
        const std::vector<kb::bench::TimerLogEvent> events = log.Stop();
        if (TimerGaps(events, from, to).ticks == 0)
            Fail("the hook logged no timer message: Wine did not run it in the loader");
        Require(text == "M908", "the export ended with \"" + text + "\", not the finished message");
        round.loader = Seconds(to - from);
        round.whole = TimerGaps(events, from, to);
        const std::vector<Span> spans = EntrySpans(events, session, from);
        const Span& largestSpan = spans[static_cast<size_t>(largest - session.entries.data())];
        round.largestSeen = largestSpan.seen;
        if (round.largestSeen) round.largest = TimerGaps(events, largestSpan.start, largestSpan.end);
        // Where the loader's time went: the picker closing until the export's
        // timer starts, the export's own work, and closing the progress
        // window until the finished message shows.
        const int64_t finishing = TextAt(events, "M907", from);
        Require(round.whole.ticks > 0 && finishing > round.whole.first, "the log holds no export");
        round.working = Seconds(finishing - round.whole.first);
        std::printf("  loader: %.2f s until its first timer message, %.2f s working (ratio %.3f), %.2f s from "
                    "the last progress text to the finished message; the longest gap ended %.2f s after the OK\n",
                    Seconds(round.whole.first - from), round.working, round.working / round.direct,
                    Seconds(to - finishing), Seconds(round.whole.longestEnd - from));

        if (!eventsFile.empty()) WriteEvents(eventsFile + "." + std::to_string(r) + ".csv", events, from);

        const size_t files = CompareTrees(session, direct, exported);
        if (!sources.empty()) {
            char src[32];
            std::snprintf(src, sizeof src, "\\Session%.2d\\src", session.number);
            CompareTrees(session, sources + src, direct);
        }
        std::printf("round %d: direct %.2f s, loader %.2f s, ratio %.3f; %zu files equal%s; timer messages %zu, "
                    "longest gap %.1f ms over the export; ",
                    r, round.direct, round.loader, round.loader / round.direct, files,
                    sources.empty() ? "" : " and equal to the sources", round.whole.ticks,
                    round.whole.longestMs);
        std::printf("while each entry unpacked:");
        const bool listed = session.entries.size() <= kEntriesListed;
        size_t seen = 0, over = 0, ticks = 0;
        double spanSeconds = 0, longest = 0;
        const Entry* longestEntry = nullptr;
        for (size_t i = 0; i < session.entries.size(); ++i) {
            const Entry& e = session.entries[i];
            if (!spans[i].seen) continue;
            const Gaps g = TimerGaps(events, spans[i].start, spans[i].end);
            ++seen;
            ticks += g.ticks;
            spanSeconds += Seconds(spans[i].end - spans[i].start);
            if (g.longestMs > 100) ++over;
            if (!longestEntry || g.longestMs > longest) {
                longest = g.longestMs;
                longestEntry = &e;
            }
            if (listed)
                std::printf(" \"%s\" %.1f ms (%zu messages in %.2f s)", e.caption.c_str(), g.longestMs, g.ticks,
                            Seconds(spans[i].end - spans[i].start));
        }
        if (!listed && longestEntry)
            std::printf(" %zu entries seen, %.2f ms and %.1f timer messages each; the longest gap %.1f ms "
                        "(\"%s\"); %zu entries with a gap over 100 ms",
                        seen, spanSeconds * 1000.0 / static_cast<double>(seen),
                        static_cast<double>(ticks) / static_cast<double>(seen), longest,
                        longestEntry->caption.c_str(), over);
        std::printf("\n");
        if (!round.largestSeen) std::printf("  the largest entry's span was not seen\n");
        std::fflush(stdout);
        results.push_back(round);
        kb::testing::WipePath(direct);
        kb::testing::WipePath(exported);
    }

    // The loader quits as a user quits it; without an eraser beside it, it says so first.
    const HWND quit = ui::FindChild(loader.Window(), kQuitButton);
    if (quit && ui::Click(quit)) {
        if (const auto box = ui::WaitForMessageBox(kb::loader::kLoaderWindowTitle, loader.Pid(), kDialogDeadlineMs))
            ui::AnswerMessageBox(box->window, IDOK);
        PumpUntil([&] { return loader.Ended(); }, kDialogDeadlineMs);
    }

    auto bestOf = [&](auto field) {
        double best = field(results.front()), worst = best;
        for (const Round& r : results) {
            best = std::min(best, field(r));
            worst = std::max(worst, field(r));
        }
        return std::make_pair(best, worst);
    };
    const auto d = bestOf([](const Round& r) { return r.direct; });
    const auto l = bestOf([](const Round& r) { return r.loader; });
    const auto q = bestOf([](const Round& r) { return r.loader / r.direct; });
    const auto w = bestOf([](const Round& r) { return r.working / r.direct; });
    const auto g = bestOf([](const Round& r) { return r.largestSeen ? r.largest.longestMs : r.whole.longestMs; });
    const auto a = bestOf([](const Round& r) { return r.whole.longestMs; });
    std::printf("\nover %d round(s), best (worst):\n", rounds);
    std::printf("  direct unpacking        %s s (%s)\n", Format(d.first, 2).c_str(), Format(d.second, 2).c_str());
    std::printf("  export through loader   %s s (%s)\n", Format(l.first, 2).c_str(), Format(l.second, 2).c_str());
    std::printf("  ratio loader/direct     %s (%s)   target at most 1.25\n", Format(q.first, 3).c_str(),
                Format(q.second, 3).c_str());
    std::printf("  ratio of its work alone %s (%s)   first timer message to the finishing text\n",
                Format(w.first, 3).c_str(), Format(w.second, 3).c_str());
    std::printf("  longest timer gap       %s ms (%s)   while \"%s\" unpacked; target at most 100 ms\n",
                Format(g.first, 1).c_str(), Format(g.second, 1).c_str(), largest->caption.c_str());
    std::printf("  longest timer gap       %s ms (%s)   over the whole export\n", Format(a.first, 1).c_str(),
                Format(a.second, 1).c_str());
    std::printf("  (the gaps are between WM_TIMER messages the loader's window thread took, logged by a hook in it)\n");
    return 0;
}
