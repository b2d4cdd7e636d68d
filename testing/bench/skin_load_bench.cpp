// skin_load_bench: the loader's skin load on an archive of many entries, run
// by hand (never a test). The loader's archive binding lists the archive as
// it does for every skinned window (the count with the longest name, then each
// entry's name) and loads a few entries by name. On Windows the binding loads
// Arkstow.dll beside this program, as the loader does; natively it calls the
// archive server's exports in this process.
//
//   skin_load_bench [--entries N] [--reps R] [--dir FOLDER]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "loader/bindings.h"
#include "shared/base/fs.h"
#include "shared/base/paths.h"
#include "testing/builders/ach_builder.h"

#ifndef _WIN32
#include "archive/api.h"
#endif

namespace {

using Clock = std::chrono::steady_clock;
using kb::loader::TArkstow;

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "skin_load_bench: %s\n", what.c_str());
    std::exit(1);
}

#ifndef _WIN32
// The archive server's exports, in this process.
class InProcessArkstow final : public kb::DynamicLibrary {
public:
    void* Symbol(const char* name) const override {
        if (std::strcmp(name, "GetCount") == 0) return reinterpret_cast<void*>(&ark::api::GetCount);
        if (std::strcmp(name, "GetName") == 0) return reinterpret_cast<void*>(&ark::api::GetName);
        if (std::strcmp(name, "LoadByName") == 0) return reinterpret_cast<void*>(&ark::api::LoadByName);
        return nullptr;  // reported by the binding, never called here
    }
};
#endif

std::unique_ptr<TArkstow> Binding() {
#ifdef _WIN32
    return std::make_unique<TArkstow>();
#else
    return std::make_unique<TArkstow>(std::make_unique<InProcessArkstow>());
#endif
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    int entries = 16000, reps = 3;
    std::string dir = kb::fs::TempFolder();
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--entries") entries = std::atoi(argv[i + 1]);
        else if (a == "--reps") reps = std::atoi(argv[i + 1]);
        else if (a == "--dir") dir = argv[i + 1];
        else Fail("unknown option " + a);
    }
    if (entries <= 0 || reps <= 0 || dir.empty()) Fail("bad options");

    // A skin archive of small bitmaps' worth of bytes, written from the layout.
    ark::testing::AchBuilder builder(entries);
    for (int i = 0; i < entries; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "btn%05d.bmp", i);
        builder.Add(name, std::string(64 + i % 200, static_cast<char>('a' + i % 26)));
    }
    const std::string archive = kb::AddTrailingBackslash(dir) + "skin_load_bench.arc";
    {
        const std::string image = builder.Build();
        kb::fs::File f = kb::fs::File::Open(archive, kb::fs::Access::Write, kb::fs::Disposition::CreateAlways,
                                            kb::fs::Share::Read);
        if (!f.IsOpen() || !f.Write(image.data(), image.size()) || !f.Close()) Fail("cannot write " + archive);
    }
    // The loader reads skins the launcher extracted a while before.
    std::this_thread::sleep_for(std::chrono::seconds(4));

    const std::vector<std::string> wanted = {"btn00000.bmp", "BTN07999.BMP", "btn" + std::to_string(entries - 1),
                                             "missing.bmp"};
    double best = 1e300;
    for (int r = 0; r < reps; ++r) {
        const auto start = Clock::now();
        std::unique_ptr<TArkstow> binding = Binding();
        binding->OpenArchive(archive);
        if (binding->LastResult() != 0 || binding->EntryCount() != entries ||
            static_cast<int>(binding->EntryNames().size()) != entries)
            Fail("the archive was not listed whole: " + std::to_string(binding->EntryNames().size()) + " names");
        std::vector<uint8_t> bytes;
        for (const std::string& name : wanted) binding->LoadToStream(name, bytes);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        best = std::min(best, seconds);
        std::printf("run %d: %.3f s\n", r + 1, seconds);
    }
    std::printf("skin load, %d entries: best %.3f s of %d (%.1f us an entry)\n", entries, best, reps,
                best / entries * 1e6);
    kb::fs::RemoveFile(archive);
    return 0;
}
