// kb_bench: throughput of the pack library and the archive reader, each measured
// side by side with the floor the platform itself sets (zlib in memory, a plain
// file copy, plain file reads) in the same run. Run by hand; never a test.
//
//   kb_bench [--size MiB] [--reps N] [--dir FOLDER] [--only 1,2,3,4,5]
//                                                       the ratios (64 MiB, 3 runs)
//   kb_bench --big-pack [--big-size MiB] [--dir FOLDER] the big compressed entry
//   kb_bench --big-unpack [--dir FOLDER]                unpacks it, peak memory
//   kb_bench --table [--counts 250,1000,4000] [--reps N] [--dir FOLDER] [--only-entries]
//                                                       many small files, per file
//
// A ratio is the floor's time divided by the library's, best run of each: 1.0
// means the library is as fast as the floor. The library is driven through its
// portable core, the code Kabbit.dll and Arkstow.dll run.
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "archive/ach_writer.h"
#include "archive/api.h"
#include "packlib/buffer_cipher.h"
#include "packlib/file_codec.h"
#include "shared/base/fs.h"
#include "packlib/kabbit_app.h"
#include "packlib/pack_jobs.h"
#include "bench_util.h"
#include "files_table.h"
#include "peak_memory.h"
#include "shared/pack_errors.h"
#include "testing/kit/wipe_path.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = kb::fs;
using kb::pack::CKabbitApp;
using kb::pack::CPackJobs;

constexpr char kPassword[] = "kb6pwd";  // six characters
constexpr int kRounds = 255;
constexpr size_t kSegmentSize = 64 * 1024;
constexpr size_t kContainerBlock = 524288;      // the container's block in its block mode
constexpr uint64_t kSingleBlockBound = 0x3000000;  // above it the container always uses blocks
constexpr int kArchiveEntries = 2000;

using kb::bench::Fail;
using kb::bench::FreshFolder;
using kb::bench::Join;
using kb::bench::Require;

// ---- The corpus: deterministic, segment by segment, so it can be streamed. ----

uint64_t NextRandom(uint64_t& state) {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// Segment s: 7 of every 10 are text-like (words, numbers, punctuation, lines),
// the other 3 random bytes.
void FillSegment(uint64_t s, uint8_t* out, size_t n) {
    static const char* const kWords[] = {
        "the",     "disc",    "reader",  "session", "export",  "file",    "folder",   "pack",
        "entry",   "name",    "window",  "skin",    "archive", "module",  "progress", "stop",
        "of",      "and",     "to",      "a",       "in",      "is",      "for",      "with",
        "Windows", "system",  "user",    "data",    "block",   "chunk",   "password", "length"};
    constexpr size_t kWordCount = sizeof kWords / sizeof kWords[0];
    uint64_t state = s * 0x2545F4914F6CDD1Dull + 12345;
    size_t i = 0;
    if (s % 10 >= 7) {
        while (i < n) {
            uint64_t r = NextRandom(state);
            for (int b = 0; b < 8 && i < n; ++b, r >>= 8) out[i++] = static_cast<uint8_t>(r);
        }
        return;
    }
    while (i < n) {
        const uint64_t r = NextRandom(state);
        char word[32];
        int len;
        if (r % 13 == 0)
            len = std::snprintf(word, sizeof word, "%u", static_cast<unsigned>((r >> 8) % 100000));
        else
            len = std::snprintf(word, sizeof word, "%s", kWords[(r >> 8) % kWordCount]);
        const char sep = (r >> 32) % 11 == 0 ? '\n' : (r >> 32) % 7 == 0 ? ',' : ' ';
        for (int k = 0; k < len && i < n; ++k) out[i++] = static_cast<uint8_t>(word[k]);
        if (i < n) out[i++] = static_cast<uint8_t>(sep);
    }
}

// Bytes [offset, offset + n) of the corpus; offset a multiple of the segment size.
void FillCorpus(uint64_t offset, uint8_t* out, size_t n) {
    std::vector<uint8_t> segment(kSegmentSize);
    size_t done = 0;
    for (uint64_t s = offset / kSegmentSize; done < n; ++s) {
        const size_t take = std::min(kSegmentSize, n - done);
        FillSegment(s, out + done, take);
        done += take;
    }
}

void WriteCorpusFile(const std::string& path, uint64_t size) {
    fs::File f = fs::File::Open(path, fs::Access::Write, fs::Disposition::CreateAlways, fs::Share::Read);
    Require(f.IsOpen(), "cannot create " + path);
    std::vector<uint8_t> piece(16 * kSegmentSize);
    for (uint64_t done = 0; done < size;) {
        const size_t take = static_cast<size_t>(std::min<uint64_t>(piece.size(), size - done));
        FillCorpus(done, piece.data(), take);
        Require(f.Write(piece.data(), take), "cannot write " + path);
        done += take;
    }
    Require(f.Close(), "cannot close " + path);
}

// True when the file holds exactly the corpus's first size bytes.
bool FileIsCorpus(const std::string& path, uint64_t size) {
    fs::File f = fs::File::Open(path, fs::Access::Read, fs::Disposition::OpenExisting, fs::Share::Read);
    uint64_t actual = 0;
    if (!f.IsOpen() || !f.Size(&actual) || actual != size) return false;
    std::vector<uint8_t> want(16 * kSegmentSize), got(want.size());
    for (uint64_t done = 0; done < size;) {
        const size_t take = static_cast<size_t>(std::min<uint64_t>(want.size(), size - done));
        FillCorpus(done, want.data(), take);
        if (!f.ReadExact(got.data(), take) || std::memcmp(want.data(), got.data(), take) != 0) return false;
        done += take;
    }
    return true;
}

std::vector<uint8_t> ReadWhole(const std::string& path) {
    fs::File f = fs::File::Open(path, fs::Access::Read, fs::Disposition::OpenExisting, fs::Share::Read);
    uint64_t size = 0;
    Require(f.IsOpen() && f.Size(&size), "cannot open " + path);
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    Require(f.ReadExact(bytes.data(), bytes.size()), "cannot read " + path);
    return bytes;
}

// ---- Timing ----

double Seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

struct Pair {
    double floor = 1e300;
    double library = 1e300;
};

void Nothing() {}

// Runs the floor and the library one after the other, reps times, and keeps the
// best time of each: both see the same cache and the same machine load. The
// setup steps (removing the last run's output) run before each clock starts.
template <typename Floor, typename Library, typename FloorSetup = void (*)(), typename LibrarySetup = void (*)()>
Pair SideBySide(int reps, Floor&& floor, Library&& library, FloorSetup&& floorSetup = Nothing,
                LibrarySetup&& librarySetup = Nothing) {
    Pair best;
    for (int i = 0; i < reps; ++i) {
        floorSetup();
        auto t = Clock::now();
        floor();
        best.floor = std::min(best.floor, Seconds(t));
        librarySetup();
        t = Clock::now();
        library();
        best.library = std::min(best.library, Seconds(t));
    }
    return best;
}

double MiBps(uint64_t bytes, double seconds) { return static_cast<double>(bytes) / (1024.0 * 1024.0) / seconds; }

void PrintRatio(const char* what, const char* floorName, const Pair& p, uint64_t bytes, double target) {
    const double ratio = p.floor / p.library;
    std::printf("%s\n", what);
    std::printf("    library %8.3f s %9.1f MiB/s | %s %8.3f s %9.1f MiB/s | ratio %.2f", p.library,
                MiBps(bytes, p.library), floorName, p.floor, MiBps(bytes, p.floor), ratio);
    if (target > 0) std::printf(" (target >= %.2f: %s)", target, ratio >= target ? "met" : "MISSED");
    std::printf("\n");
    std::fflush(stdout);
}

// ---- The library's jobs ----

// Waits for the job and requires it to have finished cleanly.
void FinishJob(CKabbitApp& app, int started, const std::string& what) {
    if (started != 0) Fail(what + ": " + kb::PackErrorText(started));
    app.WaitForWorker();
    const int progress = app.GetProgress(nullptr);
    if (progress != kb::PACKPROGRESS_DONE)
        Fail(what + ": ended at " + std::to_string(progress) +
             (progress < 0 ? std::string(" (") + kb::PackErrorText(progress) + ")" : std::string()));
}

void NewEncryptedPack(CKabbitApp& app, const std::string& pack) {
    kb::testing::WipePath(pack);
    const int r = app.CreateNew(pack.c_str(), kPassword, true, kRounds);
    if (r != 0) Fail("CreateNew: " + std::string(kb::PackErrorText(r)));
}

// The container blocks of data as the codec cuts them (one block up to the
// single-block bound, 512 KiB blocks beyond it), each compressed by zlib.
std::vector<std::vector<uint8_t>> CompressBlocks(const std::vector<uint8_t>& data, size_t blockSize) {
    std::vector<std::vector<uint8_t>> blocks;
    for (size_t at = 0; at < data.size(); at += blockSize) {
        const size_t n = std::min(blockSize, data.size() - at);
        uLongf outLen = compressBound(static_cast<uLong>(n));
        std::vector<uint8_t> out(outLen);
        Require(compress(out.data(), &outLen, data.data() + at, static_cast<uLong>(n)) == Z_OK, "zlib compress");
        out.resize(outLen);
        blocks.push_back(std::move(out));
    }
    return blocks;
}

struct Options {
    uint64_t sizeMiB = 64;
    uint64_t bigMiB = 1024;
    int reps = 3;
    std::string dir;
    std::string only;  // the measurements to run, e.g. "1,3"; empty for all
    std::vector<int> counts{250, 1000, 4000};
    bool entriesOnly = false;  // --table: only the floor, the packing and the N entries
    bool Want(int k) const { return only.empty() || only.find(char('0' + k)) != std::string::npos; }
    enum class Mode { Ratios, BigPack, BigUnpack, Table } mode = Mode::Ratios;
};

void CopyFile64K(const std::string& from, const std::string& to) {
    fs::File in = fs::File::Open(from, fs::Access::Read, fs::Disposition::OpenExisting, fs::Share::Read);
    fs::File out = fs::File::Open(to, fs::Access::Write, fs::Disposition::CreateAlways, fs::Share::Read);
    Require(in.IsOpen() && out.IsOpen(), "copy: cannot open");
    std::vector<uint8_t> buffer(64 * 1024);
    for (;;) {
        size_t got = 0;
        Require(in.Read(buffer.data(), buffer.size(), &got), "copy: read");
        if (got == 0) break;
        Require(out.Write(buffer.data(), got), "copy: write");
    }
    Require(out.Close(), "copy: close");
}

int RunRatios(const Options& opt, const std::string& work) {
    const uint64_t size = opt.sizeMiB * 1024 * 1024;
    Require(size > 0 && size <= 3000ull * 1024 * 1024, "--size must be 1 to 3000 MiB");
    const std::string src = Join(work, "src"), out = Join(work, "out"), tmp = Join(work, "tmp");
    FreshFolder(src);
    FreshFolder(out);
    FreshFolder(tmp);
    const std::string corpusPath = Join(src, "corpus.bin");
    std::vector<uint8_t> corpus(static_cast<size_t>(size));
    FillCorpus(0, corpus.data(), corpus.size());
    WriteCorpusFile(corpusPath, size);
    std::printf("corpus: %llu MiB (70%% text-like, 30%% random), best of %d runs each\n\n",
                static_cast<unsigned long long>(opt.sizeMiB), opt.reps);

    CKabbitApp app;
    CPackJobs& jobs = app.Packing();
    app.SetWorkingDir((tmp + "\\").c_str());

    const bool blocked = 2.02 * static_cast<double>(size) + 26 >= static_cast<double>(kSingleBlockBound);
    const size_t blockSize = blocked ? kContainerBlock : corpus.size();
    std::vector<std::vector<uint8_t>> blocks;

    // (3) Packing as a compressed entry of an encrypted pack; (1) needs its pack.
    const std::string cpack = Join(work, "compressed.pck");
    if (opt.Want(1) || opt.Want(3)) {
    Pair p3 = SideBySide(
        opt.reps, [&] { blocks = CompressBlocks(corpus, blockSize); },
        [&] {
            FinishJob(app, jobs.Pack(cpack.c_str(), src.c_str(), "corpus.bin", kPassword, true), "Pack compressed");
        },
        Nothing, [&] { NewEncryptedPack(app, cpack); });
    if (opt.Want(3)) PrintRatio("(3) pack as a compressed entry, encrypted pack R = 255", "zlib compress", p3, size, 0.85);
    }

    // (1) Unpacking that compressed entry into a folder.
    const std::string outFile = Join(out, "corpus.bin");
    if (opt.Want(1)) {
    std::vector<uint8_t> expanded(corpus.size());
    auto floor1 = [&] {
        size_t at = 0;
        for (const auto& b : blocks) {
            uLongf n = static_cast<uLongf>(std::min(blockSize, expanded.size() - at));
            Require(uncompress(expanded.data() + at, &n, b.data(), static_cast<uLong>(b.size())) == Z_OK,
                    "zlib uncompress");
            at += n;
        }
    };
    const int probe = app.UnPack(cpack.c_str(), out.c_str(), "corpus.bin.cmp", kPassword);
    app.WaitForWorker();
    if (probe == 0) {
        Require(app.GetProgress(nullptr) == kb::PACKPROGRESS_DONE, "UnPack compressed did not finish");
        Require(FileIsCorpus(outFile, size), "UnPack compressed: output differs from the source");
        Pair p1 = SideBySide(
            opt.reps, floor1,
            [&] {
                FinishJob(app, app.UnPack(cpack.c_str(), out.c_str(), "corpus.bin.cmp", kPassword),
                          "UnPack compressed");
            },
            Nothing, [&] { kb::testing::WipePath(outFile); });
        PrintRatio("(1) unpack a compressed entry of an encrypted pack (R = 255) into a folder", "zlib uncompress",
                   p1, size, 0.8);
    } else {
        std::printf("(1) UnPack of a compressed entry is refused (%s): measuring the container expansion alone\n",
                    kb::PackErrorText(probe));
        kb::pack::CFileCodec codec;
        std::string container = Join(tmp, "corpus.cmp"), skipped;
        kb::testing::WipePath(container);
        Require(codec.CompressToZipPkg(corpusPath, src, &container, "", &skipped) == 0, "CompressToZipPkg");
        kb::testing::WipePath(outFile);
        Require(codec.ExpandZipPkg(container, out, {}) == 0, "ExpandZipPkg");
        Require(FileIsCorpus(outFile, size), "ExpandZipPkg: output differs from the source");
        Pair p1 = SideBySide(
            opt.reps, floor1, [&] { Require(codec.ExpandZipPkg(container, out, {}) == 0, "ExpandZipPkg"); }, Nothing,
            [&] { kb::testing::WipePath(outFile); });
        PrintRatio("(1') container expansion only (no pack copy phase, no cipher)", "zlib uncompress", p1, size, 0.8);
        kb::testing::WipePath(container);
    }
    kb::testing::WipePath(outFile);
    Require(expanded == corpus, "zlib round trip differs");
    }
    kb::testing::WipePath(cpack);

    // (2) Unpacking a plain entry of an encrypted pack.
    if (opt.Want(2)) {
    const std::string ppack = Join(work, "plain.pck");
    NewEncryptedPack(app, ppack);
    FinishJob(app, jobs.Pack(ppack.c_str(), src.c_str(), "corpus.bin", kPassword, false), "Pack plain");
    const std::string copyFile = Join(out, "copy.bin");
    Pair p2 = SideBySide(
        opt.reps, [&] { CopyFile64K(corpusPath, copyFile); },
        [&] { FinishJob(app, app.UnPack(ppack.c_str(), out.c_str(), "corpus.bin", kPassword), "UnPack plain"); },
        [&] { kb::testing::WipePath(copyFile); }, [&] { kb::testing::WipePath(outFile); });
    Require(FileIsCorpus(outFile, size), "UnPack plain: output differs from the source");
    PrintRatio("(2) unpack a plain entry of an encrypted pack (R = 255)", "file copy 64 KiB", p2, size, 0.5);
    kb::testing::WipePath(outFile);
    kb::testing::WipePath(copyFile);
    kb::testing::WipePath(ppack);
    }

    // (4) The data key for R = 255 and a six-character password.
    if (opt.Want(4)) {
        kb::CBufferCipher cipher(kPassword);
        constexpr int kBuilds = 50;
        double best = 1e300, total = 0;
        for (int i = 0; i < kBuilds; ++i) {
            const auto t = Clock::now();
            Require(cipher.BuildDataKey(kRounds), "BuildDataKey");
            const double s = Seconds(t);
            best = std::min(best, s);
            total += s;
        }
        std::printf("(4) data key, R = 255, 6-character password (%zu bytes): best %.3f ms, mean %.3f ms over %d\n",
                    cipher.DataKeySize(), best * 1e3, total / kBuilds * 1e3, kBuilds);
    }

    // (5) An archive of small entries read by name, against the same bytes in files.
    if (opt.Want(5)) {
        const std::string files = Join(work, "small");
        FreshFolder(files);
        const std::string archive = Join(work, "small.ach");
        Require(ark::CreateArchive(archive, kArchiveEntries) == 0, "CreateArchive");
        std::vector<std::string> names;
        uint64_t state = 77, bytes = 0, offset = 0;
        for (int i = 0; i < kArchiveEntries; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "e%04d.bin", i);
            names.push_back(name);
            const size_t n = 256 + static_cast<size_t>(NextRandom(state) % 8000);
            if (offset + n > corpus.size()) offset = 0;
            const std::string path = Join(files, name);
            fs::File f = fs::File::Open(path, fs::Access::Write, fs::Disposition::CreateAlways, fs::Share::Read);
            Require(f.IsOpen() && f.Write(corpus.data() + offset, std::min<size_t>(n, corpus.size())) && f.Close(),
                    "small file");
            offset += n;
            bytes += std::min<size_t>(n, corpus.size());
            Require(ark::AddEntry(archive, path, name) == 0, "AddEntry " + path);
        }
        struct Sink {
            std::vector<uint8_t> data;
            uint64_t total = 0;
        } sink;
        ArkMemStream stream{};
        stream.ctx = &sink;
        stream.resize = [](ArkMemStream* s, uint32_t newSize) -> int {
            auto* k = static_cast<Sink*>(s->ctx);
            k->data.resize(newSize);
            s->data = k->data.data();
            s->size = newSize;
            return 0;
        };
        uint64_t fileTotal = 0;
        Pair p5 = SideBySide(
            opt.reps,
            [&] {
                fileTotal = 0;
                for (const std::string& name : names) fileTotal += ReadWhole(Join(files, name)).size();
            },
            [&] {
                sink.total = 0;
                for (const std::string& name : names) {
                    const int r = ark::api::LoadByName(archive.c_str(), name.c_str(), &stream);
                    Require(r >= 0, "LoadByName " + name + ": " + std::to_string(r));
                    sink.total += stream.size;
                }
            });
        Require(fileTotal == bytes && sink.total == bytes, "small entries: byte counts differ");
        // One entry compared byte for byte, the last one read.
        Require(sink.data == ReadWhole(Join(files, names.back())), "LoadByName: body differs from the file");
        PrintRatio("(5) 2,000 small archive entries by LoadByName", "2,000 plain files", p5, bytes, 0);
        kb::testing::WipePath(files);
        kb::testing::WipePath(archive);
    }
    return 0;
}

std::string BigFolder(const std::string& work) { return Join(work, "big"); }

int RunBigPack(const Options& opt, const std::string& work) {
    const uint64_t size = opt.bigMiB * 1024 * 1024;
    Require(size > 0 && size <= 3800ull * 1024 * 1024, "--big-size must be 1 to 3800 MiB");
    const std::string big = BigFolder(work), src = Join(big, "src"), tmp = Join(big, "tmp");
    FreshFolder(big);
    FreshFolder(src);
    FreshFolder(tmp);
    const std::string source = Join(src, "big.bin");
    WriteCorpusFile(source, size);
    CKabbitApp app;
    CPackJobs& jobs = app.Packing();
    app.SetWorkingDir((tmp + "\\").c_str());
    const std::string pack = Join(big, "big.pck");
    NewEncryptedPack(app, pack);
    auto t = Clock::now();
    FinishJob(app, jobs.Pack(pack.c_str(), src.c_str(), "big.bin", kPassword, true), "Pack compressed");
    const double packSeconds = Seconds(t);
    uint64_t packSize = 0;
    fs::GetSize(pack, &packSize);
    kb::testing::WipePath(source);
    std::printf("big pack: %llu MiB source, pack %llu bytes, packed in %.1f s (%.1f MiB/s), peak resident %.1f MiB\n",
                static_cast<unsigned long long>(opt.bigMiB), static_cast<unsigned long long>(packSize), packSeconds,
                MiBps(size, packSeconds), static_cast<double>(kb::bench::PeakResidentBytes()) / (1024.0 * 1024.0));
    return 0;
}

int RunBigUnpack(const std::string& work) {
    const std::string big = BigFolder(work), out = Join(big, "out"), pack = Join(big, "big.pck");
    Require(fs::Exists(pack), "no big pack: run --big-pack first");
    FreshFolder(out);
    const double before = static_cast<double>(kb::bench::PeakResidentBytes()) / (1024.0 * 1024.0);
    CKabbitApp app;
    const auto t = Clock::now();
    FinishJob(app, app.UnPack(pack.c_str(), out.c_str(), "big.bin.cmp", kPassword), "UnPack compressed");
    const double seconds = Seconds(t);
    const double peak = static_cast<double>(kb::bench::PeakResidentBytes()) / (1024.0 * 1024.0);
    const std::string outFile = Join(out, "big.bin");
    uint64_t size = 0;
    Require(fs::GetSize(outFile, &size), "no output");
    Require(FileIsCorpus(outFile, size), "output differs from the source");
    std::printf("UnPack of the compressed entry: %llu MiB in %.1f s (%.1f MiB/s); peak resident %.1f MiB "
                "(%.1f MiB before) (bound 128 MiB: %s)\n",
                static_cast<unsigned long long>(size >> 20), seconds, MiBps(size, seconds), peak, before,
                peak < 128 ? "met" : "MISSED");
    kb::testing::WipePath(out);
    return 0;
}

Options Parse(int argc, char** argv) {
    Options opt;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) Fail("missing value after " + a);
            return argv[++i];
        };
        if (a == "--size")
            opt.sizeMiB = std::strtoull(value().c_str(), nullptr, 10);
        else if (a == "--big-size")
            opt.bigMiB = std::strtoull(value().c_str(), nullptr, 10);
        else if (a == "--reps")
            opt.reps = std::max(1, std::atoi(value().c_str()));
        else if (a == "--only")
            opt.only = value();
        else if (a == "--dir")
            opt.dir = value();
        else if (a == "--big-pack")
            opt.mode = Options::Mode::BigPack;
        else if (a == "--big-unpack")
            opt.mode = Options::Mode::BigUnpack;
        else if (a == "--table")
            opt.mode = Options::Mode::Table;
        else if (a == "--only-entries")
            opt.entriesOnly = true;
        else if (a == "--counts") {
            opt.counts.clear();
            const std::string list = value();
            for (size_t at = 0; at < list.size();) {
                const size_t comma = std::min(list.find(',', at), list.size());
                const int n = std::atoi(list.substr(at, comma - at).c_str());
                if (n < 1) Fail("--counts takes counts of 1 or more, e.g. 250,1000,4000");
                opt.counts.push_back(n);
                at = comma + 1;
            }
        }
        else
            Fail("unknown argument " + a +
                 "\nusage: kb_bench [--size MiB] [--reps N] [--dir FOLDER] [--only 1,2,3,4,5] | --big-pack [--big-size MiB] | --big-unpack | --table [--counts 250,1000,4000] [--only-entries]");
    }
    return opt;
}

}  // namespace

int main(int argc, char** argv) {
    const Options opt = Parse(argc, argv);
    const std::string root = opt.dir.empty() ? fs::TempFolder() : opt.dir;
    const std::string work = Join(root, "kb_bench_work");
    if (!fs::Exists(work)) Require(fs::CreateFolder(work), "cannot create " + work);
    switch (opt.mode) {
    case Options::Mode::BigPack:
        return RunBigPack(opt, work);
    case Options::Mode::BigUnpack:
        return RunBigUnpack(work);
    case Options::Mode::Table:
        return kb::bench::RunFilesTable(work, opt.counts, opt.reps, opt.entriesOnly);
    case Options::Mode::Ratios:
        break;
    }
    const int r = RunRatios(opt, work);
    kb::testing::WipePath(Join(work, "src"));
    kb::testing::WipePath(Join(work, "out"));
    kb::testing::WipePath(Join(work, "tmp"));
    return r;
}
