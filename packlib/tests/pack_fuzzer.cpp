// Feeds arbitrary bytes to the pack readers as a pack file: the access check,
// the entry walk, listing and unpacking every listed entry must end in a result,
// never a crash, and write nothing outside the destination folder.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "shared/base/fs.h"
#include "packlib/kabbit_app.h"
#include "testing/kit/wipe_path.h"

namespace {

// Real threads, no waits: the throttle would otherwise sleep for every guess.
class NoSleepSys : public kb::sys::Sys {
public:
    void Sleep(uint32_t) override {}
};

const std::string& WorkFolder() {
    static const std::string folder =
        kb::fs::TempFolder() + "kbp_fuzz_" + std::to_string(static_cast<long>(::getpid()));
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string work = WorkFolder();
    kb::testing::WipePath(work);
    if (!kb::fs::CreateFolder(work) || !kb::fs::CreateFolder(work + "\\out")) std::abort();
    const std::string pack = work + "\\in.pck";
    {
        kb::fs::File f =
            kb::fs::File::Open(pack, kb::fs::Access::Write, kb::fs::Disposition::CreateAlways, kb::fs::Share::None);
        if (!f.IsOpen() || !f.Write(data, size)) std::abort();
    }
    static NoSleepSys sys;
    kb::pack::CKabbitApp app(sys);
    const char* password = "fixture1";
    app.GetFileCount(pack.c_str(), password);
    app.GetTotalSize(pack.c_str(), password);
    std::vector<char> names(4096);
    std::vector<uint8_t> flags(1001);
    std::vector<uint32_t> sizes(64);
    const int n = app.EnumFiles(pack.c_str(), names.data(), static_cast<int>(names.size()), flags.data(),
                                sizes.data(), static_cast<int>(sizes.size() * 4), password);
    for (int i = 0; i < 3; ++i) {
        char name[260];
        int nameSize = sizeof name;
        int length = 0;
        app.GetFileInfo(pack.c_str(), i, name, &nameSize, &length, password);
    }
    const std::string out = work + "\\out";
    for (const char* p = names.data(); n > 0 && *p; p += std::string(p).size() + 1) {
        app.UnPack(pack.c_str(), out.c_str(), p, password);
        app.WaitForWorker();
    }
    // Only the pack and the destination folder may be in the work folder.
    std::vector<kb::fs::DirEntry> entries;
    kb::fs::ListFolder(work, &entries);
    for (const auto& e : entries)
        if (e.name != "in.pck" && e.name != "out") std::abort();
    return 0;
}
