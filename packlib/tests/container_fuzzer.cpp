// Feeds arbitrary bytes to the container reader as a container file: counting,
// listing, finding and expanding every record must end in a result, never a
// crash, and write nothing outside the destination folder.
#include <cstdint>
#include <cstdlib>
#include <unistd.h>
#include <string>
#include <vector>

#include "packlib/file_codec.h"
#include "shared/base/fs.h"
#include "testing/kit/wipe_path.h"

namespace {

const std::string& WorkFolder() {
    static const std::string folder = kb::fs::TempFolder() + "kbc_fuzz_" + std::to_string(static_cast<long>(::getpid()));
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string work = WorkFolder();
    kb::testing::WipePath(work);
    if (!kb::fs::CreateFolder(work) || !kb::fs::CreateFolder(work + "\\out")) std::abort();
    const std::string container = work + "\\in.cmp";
    {
        kb::fs::File f = kb::fs::File::Open(container, kb::fs::Access::Write, kb::fs::Disposition::CreateAlways,
                                            kb::fs::Share::None);
        if (!f.IsOpen() || !f.Write(data, size)) std::abort();
    }
    kb::pack::CFileCodec codec;
    codec.SetSleepForTesting([](unsigned) {});
    const int count = codec.CountZipPkgRecords(container);
    {
        kb::fs::File f = kb::fs::File::Open(container, kb::fs::Access::Read, kb::fs::Disposition::OpenExisting,
                                            kb::fs::Share::Read);
        std::vector<std::string> names;
        std::vector<uint32_t> sizes;
        const int listed = codec.ListZipPkgRecords(f, &names, &sizes);
        if (listed >= 0 && static_cast<size_t>(listed) != names.size()) std::abort();
        f.Seek(0, kb::fs::Origin::Begin);
        codec.FindZipPkgRecord(f, "\\a");
    }
    for (int i = 0; i < (count > 4 ? 4 : count) + 1; ++i) codec.ExtractFromZipPkg(container, work + "\\out", static_cast<uint32_t>(i));
    // Only the container and the destination folder may be in the work folder.
    std::vector<kb::fs::DirEntry> entries;
    kb::fs::ListFolder(work, &entries);
    for (const auto& e : entries)
        if (e.name != "in.cmp" && e.name != "out") std::abort();
    kb::testing::WipePath(work);
    return 0;
}
