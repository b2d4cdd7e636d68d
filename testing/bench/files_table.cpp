// kb_bench --table: the cost per file of exporting many small files, at several
// counts side by side, so that a cost growing with the count shows as a row
// that grows. Files of 1 to 16 KiB, an encrypted pack of rounds 7.
#include "files_table.h"

#include "bench_util.h"
#include "peak_memory.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "packlib/kabbit_app.h"
#include "packlib/pack_jobs.h"
#include "packlib/sys.h"
#include "shared/base/fs.h"
#include "shared/pack_errors.h"
#include "testing/kit/wipe_path.h"

namespace kb::bench {
namespace {

using Clock = std::chrono::steady_clock;
using pack::CKabbitApp;

constexpr char kPassword[] = "kb6pwd";
constexpr int kTableRounds = 7;
constexpr char kFolderName[] = "files";
// The sub-files taken from the container of each count, spread over it.
constexpr int kSubFileCalls = 8;
// A password-protected (AES-256) zip of the same 4,000 files, extracted by a
// user's usual tool natively.
constexpr double kZipPeerPerFile = 440e-6;

double Seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

uint64_t Next(uint64_t& state) {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

struct SourceFile {
    std::string name;
    std::vector<uint8_t> bytes;
};

// n files of 1 to 16 KiB, text-like with a random tail, named f00000.txt on.
std::vector<SourceFile> MakeFiles(int n) {
    static const char kText[] = "the quick brown fox jumps over the lazy dog 0123456789\r\n";
    std::vector<SourceFile> files(static_cast<size_t>(n));
    uint64_t state = 31;
    for (int i = 0; i < n; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "f%05d.txt", i);
        SourceFile& f = files[static_cast<size_t>(i)];
        f.name = name;
        f.bytes.resize(1024 + Next(state) % (15 * 1024 + 1));
        for (size_t k = 0; k < f.bytes.size(); ++k)
            f.bytes[k] = k < f.bytes.size() * 7 / 10 ? static_cast<uint8_t>(kText[(k + i) % (sizeof kText - 1)])
                                                      : static_cast<uint8_t>(Next(state));
    }
    return files;
}

const fs::FileTimes kTimes{0x01D0000000000000ull, 0x01D0000000000001ull, 0x01D0000000000002ull};

// The time of each call of a case over all its runs. Their median is what one
// call costs while the machine lets it run: on a busy machine a call that
// waits for another thread (a worker's start, its end) may lose its processor
// for a whole time slice of another process, and the longer a run, the less
// its mean escapes those calls, so a run's mean grows with N where no call
// costs more.
struct Calls {
    std::vector<double> seconds;
    template <typename Call>
    void Time(Call&& call) {
        const auto t = Clock::now();
        call();
        seconds.push_back(Seconds(t));
    }
    double Median() const {
        if (seconds.empty()) return 0;
        std::vector<double> v = seconds;
        std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
        return v[v.size() / 2];
    }
};

// The floor: each file written with plain open, write, close and set-time.
void WritePlain(const std::vector<SourceFile>& files, const std::string& folder, Calls* calls = nullptr) {
    for (const SourceFile& f : files) {
        auto write = [&] {
            fs::File out = fs::File::Open(Join(folder, f.name), fs::Access::Write, fs::Disposition::CreateAlways,
                                          fs::Share::Read);
            Require(out.IsOpen() && out.Write(f.bytes.data(), f.bytes.size()) && out.SetTimes(kTimes) && out.Close(),
                    "floor: cannot write " + f.name);
        };
        if (calls)
            calls->Time(write);
        else
            write();
    }
}

// A pack written within its file system's time step is walked from its first
// entry by every UnPack, as its stamp could still hide a later change; a
// session's pack on a disc is long past it. Waits until the pack is past it, so
// that every count measures the same path.
void WaitPastTimeStep(const std::string& path) {
    fs::FileTimes times;
    Require(fs::GetTimes(path, &times), "cannot read the times of " + path);
    constexpr uint64_t kSecond = 10'000'000;  // FILETIME units
    // Whole seconds: a file system that keeps only seconds (FAT keeps two).
    const uint64_t step = times.lastWrite % kSecond == 0 ? 4 * kSecond : kSecond / 2;
    while (fs::CurrentTime() < times.lastWrite + step) std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

void Finish(CKabbitApp& app, int started, const std::string& what) {
    if (started != 0) Fail(what + ": " + PackErrorText(started));
    app.WaitForWorker();
    const int progress = app.GetProgress(nullptr);
    if (progress != PACKPROGRESS_DONE) Fail(what + ": ended at " + std::to_string(progress));
}

bool SameBytes(const std::string& path, const std::vector<uint8_t>& want) {
    fs::File f = fs::File::Open(path, fs::Access::Read, fs::Disposition::OpenExisting, fs::Share::Read);
    uint64_t size = 0;
    if (!f.IsOpen() || !f.Size(&size) || size != want.size()) return false;
    std::vector<uint8_t> got(want.size());
    return f.ReadExact(got.data(), got.size()) && got == want;
}

void RequireAll(const std::vector<SourceFile>& files, const std::string& folder, const std::string& what) {
    for (const SourceFile& f : files)
        Require(SameBytes(Join(folder, f.name), f.bytes), what + ": " + f.name + " differs from its source");
}

// The wall time of a run and the processor time all threads spent in it: under
// load the wall time also holds the waits for a processor, the processor time
// only what the work itself costs.
struct Timing {
    double wall = 0;
    double cpu = 0;
};

Timing operator/(Timing t, double n) { return {t.wall / n, t.cpu / n}; }

// Best of reps (least wall time): setup (not timed) then body (timed).
template <typename Setup, typename Body>
Timing Best(int reps, Setup&& setup, Body&& body) {
    Timing best{1e300, 0};
    for (int r = 0; r < reps; ++r) {
        setup();
        const double cpu = ProcessCpuSeconds();
        const auto t = Clock::now();
        body();
        const Timing run{Seconds(t), ProcessCpuSeconds() - cpu};
        if (run.wall < best.wall) best = run;
    }
    return best;
}

struct Row {
    int n = 0;
    Timing floor, records, entries, packing, subFile, worker;
    // Medians of single calls (per file for the floor).
    double floorCall = 0, entryCall = 0, workerCall = 0;
};

Row MeasureCount(int n, int reps, const std::string& work, bool entriesOnly) {
    Row row;
    row.n = n;
    const std::vector<SourceFile> files = MakeFiles(n);
    const std::string src = Join(work, "tsrc"), folder = Join(src, kFolderName), out = Join(work, "tout"),
                      tmp = Join(work, "ttmp");
    FreshFolder(src);
    FreshFolder(folder);
    FreshFolder(tmp);
    WritePlain(files, folder);

    CKabbitApp app;
    app.SetWorkingDir((tmp + "\\").c_str());
    const std::string plainPack = Join(work, "table_plain.pck"), folderPack = Join(work, "table_folder.pck");

    Calls floorCalls;
    row.floor = Best(reps, [&] { FreshFolder(out); }, [&] { WritePlain(files, out, &floorCalls); }) / n;
    row.floorCall = floorCalls.Median();

    // What every job costs before any work: a worker started, waited for up to
    // 100 ms as the frame does, then to its end; the body does nothing.
    if (!entriesOnly) {
        Calls workerCalls;
        row.worker = Best(
                         reps, [] {},
                         [&] {
                             for (int i = 0; i < n; ++i)
                                 workerCalls.Time([&] {
                                     std::unique_ptr<sys::Thread> t = app.System().StartThread([](void*) {}, nullptr);
                                     Require(t != nullptr, "cannot start a thread");
                                     t->Wait(100);
                                     t->Wait(sys::kInfinite);
                                 });
                         }) /
                     n;
        row.workerCall = workerCalls.Median();
    }

    // Packing N entries, one Pack each, into a new pack.
    row.packing = Best(
                      reps,
                      [&] {
                          testing::WipePath(plainPack);
                          Require(app.CreateNew(plainPack.c_str(), kPassword, true, kTableRounds) == 0, "CreateNew");
                      },
                      [&] {
                          for (const SourceFile& f : files)
                              Finish(app, app.Packing().Pack(plainPack.c_str(), folder.c_str(), f.name.c_str(),
                                                             kPassword, false),
                                     "Pack " + f.name);
                      }) /
                  n;

    // N entries, one UnPack each.
    WaitPastTimeStep(plainPack);
    Calls entryCalls;
    row.entries = Best(
                      reps, [&] { FreshFolder(out); },
                      [&] {
                          for (const SourceFile& f : files)
                              entryCalls.Time([&] {
                                  Finish(app, app.UnPack(plainPack.c_str(), out.c_str(), f.name.c_str(), kPassword),
                                         "UnPack " + f.name);
                              });
                      }) /
                  n;
    row.entryCall = entryCalls.Median();
    RequireAll(files, out, "UnPack of plain entries");
    auto wipeAll = [&] {
        testing::WipePath(src);
        testing::WipePath(out);
        testing::WipePath(tmp);
        testing::WipePath(plainPack);
        testing::WipePath(folderPack);
    };
    if (entriesOnly) {
        wipeAll();
        return row;
    }

    // One compressed entry of N records.
    testing::WipePath(folderPack);
    Require(app.CreateNew(folderPack.c_str(), kPassword, true, kTableRounds) == 0, "CreateNew");
    Finish(app, app.Packing().Pack(folderPack.c_str(), folder.c_str(), "", kPassword, true), "Pack folder");
    const std::string entry = std::string(kFolderName) + ".cmp";
    row.records = Best(
                      reps, [&] { FreshFolder(out); },
                      [&] { Finish(app, app.UnPack(folderPack.c_str(), out.c_str(), entry.c_str(), kPassword), "UnPack " + entry); }) /
                  n;
    RequireAll(files, Join(out, kFolderName), "UnPack of the folder's entry");

    // UnPackSubFile of records spread over the container: per call.
    std::vector<const SourceFile*> picked;
    for (int k = 0; k < kSubFileCalls; ++k) picked.push_back(&files[static_cast<size_t>((n - 1) * (k + 1) / kSubFileCalls)]);
    const std::string sub = Join(out, "sub");
    row.subFile = Best(
                      reps, [&] { FreshFolder(out); FreshFolder(sub); },
                      [&] {
                          for (const SourceFile* f : picked) {
                              const std::string record = std::string("\\") + kFolderName + "\\" + f->name;
                              Finish(app,
                                     app.UnPackSubFile(folderPack.c_str(), sub.c_str(), entry.c_str(), record.c_str(),
                                                       kPassword),
                                     "UnPackSubFile " + record);
                          }
                      }) /
                  kSubFileCalls;
    for (const SourceFile* f : picked)
        Require(SameBytes(Join(Join(sub, kFolderName), f->name), f->bytes), "UnPackSubFile: " + f->name + " differs");

    wipeAll();
    return row;
}


std::string Cell(const Timing& t, double scale = 1e6) {
    char text[64];
    std::snprintf(text, sizeof text, "%.1f (cpu %.1f)", t.wall * scale, t.cpu * scale);
    return text;
}

std::string Times(double ratio) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1fx", ratio);
    return text;
}

// Whether the work folder's files give stamps the pack library can keep an
// index by: where they do not (tmpfs under Wine gives no volume) every call
// walks the pack.
void SayWhatTheStampsAllow(const std::string& work) {
    const std::string probe = Join(work, "stamp.tmp");
    fs::FileStamp stamp;
    bool stamped = false;
    {
        fs::File f = fs::File::Open(probe, fs::Access::Write, fs::Disposition::CreateAlways, fs::Share::Read);
        stamped = f.IsOpen() && f.Stamp(&stamp);
    }
    testing::WipePath(probe);
    if (!stamped || stamp.change == 0)
        std::printf("NOTE: the work folder's files give no stamp with a change time here: no pack index is kept, "
                    "every call walks the pack (under Wine use a folder on a disk, not tmpfs)\n");
}

}  // namespace

int RunFilesTable(const std::string& work, const std::vector<int>& counts, int reps, bool entriesOnly) {
    SayWhatTheStampsAllow(work);
    std::printf("files of 1-16 KiB, encrypted pack R = %d, best of %d; us per file (per call for UnPackSubFile), "
                "wall (processor time of all threads); x = wall / floor's wall; median call: the median of the "
                "single calls' wall times over all runs (per file for the floor)\n",
                kTableRounds, reps);
    // Only the floor, the packing and the N entries: a shorter run to profile.
    if (entriesOnly)
        std::printf("| N | floor | N entries, one UnPack each | x | packing N entries | median call: floor | N entries | x |\n"
                    "|---|---|---|---|---|---|---|---|\n");
    else
        std::printf("| N | floor | one entry, N records | x | N entries, one UnPack each | x | packing N entries | "
                    "UnPackSubFile per call | per record | a bare worker | median call: floor | N entries | x | a bare worker |\n"
                    "|---|---|---|---|---|---|---|---|---|---|---|---|---|---|\n");
    std::fflush(stdout);
    std::vector<Row> rows;
    for (int n : counts) {
        rows.push_back(MeasureCount(n, reps, work, entriesOnly));
        const Row& r = rows.back();
        if (entriesOnly)
            std::printf("| %d | %s | %s | %s | %s | %.1f | %.1f | %s |\n", r.n, Cell(r.floor).c_str(),
                        Cell(r.entries).c_str(), Times(r.entries.wall / r.floor.wall).c_str(), Cell(r.packing).c_str(),
                        r.floorCall * 1e6, r.entryCall * 1e6, Times(r.entryCall / r.floorCall).c_str());
        else
            std::printf("| %d | %s | %s | %s | %s | %s | %s | %s | %.3f | %s | %.1f | %.1f | %s | %.1f |\n", r.n,
                        Cell(r.floor).c_str(), Cell(r.records).c_str(), Times(r.records.wall / r.floor.wall).c_str(),
                        Cell(r.entries).c_str(), Times(r.entries.wall / r.floor.wall).c_str(), Cell(r.packing).c_str(),
                        Cell(r.subFile).c_str(), r.subFile.wall * 1e6 / r.n, Cell(r.worker).c_str(), r.floorCall * 1e6,
                        r.entryCall * 1e6, Times(r.entryCall / r.floorCall).c_str(), r.workerCall * 1e6);
        std::fflush(stdout);
    }
    if (rows.size() >= 2) {
        const Row& a = rows.front();
        const Row& b = rows.back();
        if (entriesOnly)
            std::printf("growth N = %d -> %d (per file, wall): floor %.2fx | entries %.2fx | packing %.2fx | median "
                        "call: floor %.2fx, entries %.2fx\n",
                        a.n, b.n, b.floor.wall / a.floor.wall, b.entries.wall / a.entries.wall,
                        b.packing.wall / a.packing.wall, b.floorCall / a.floorCall, b.entryCall / a.entryCall);
        else
            std::printf("growth N = %d -> %d (per file, wall): floor %.2fx | records %.2fx | entries %.2fx | packing "
                        "%.2fx | UnPackSubFile per record %.2fx | median call: floor %.2fx, entries %.2fx, bare worker "
                        "%.2fx\n",
                        a.n, b.n, b.floor.wall / a.floor.wall, b.records.wall / a.records.wall,
                        b.entries.wall / a.entries.wall, b.packing.wall / a.packing.wall,
                        (b.subFile.wall / b.n) / (a.subFile.wall / a.n), b.floorCall / a.floorCall,
                        b.entryCall / a.entryCall, b.workerCall / a.workerCall);
    }
    if (!entriesOnly)
        std::printf("zip peer (AES-256 zip of 4,000 such files, natively): %.0f us per file\n", kZipPeerPerFile * 1e6);
    return 0;
}

}  // namespace kb::bench
