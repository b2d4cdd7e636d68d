// Feeds arbitrary bytes to the session lists as a Files.lst, for each edition:
// the reading ends, and no unsafe path ever reaches a list.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "loader/session/sessions.h"
#include "loader/session/tests/session_test_support.h"
#include "shared/base/fs.h"

namespace {

const std::string& ListPath() {
    static const std::string path =
        kb::fs::TempFolder() + "kb_fileslst_fuzz_" + std::to_string(static_cast<long>(::getpid())) + ".lst";
    return path;
}

void Check(const kb::loader::SessionRecord& record) {
    for (const kb::loader::ListRow& row : record.fullList->Rows())
        if (!kb::loader::IsSafeEntryPath(row.caption)) std::abort();
    if (record.fileList.size() > record.fullList->Rows().size()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        kb::fs::File f = kb::fs::File::Open(ListPath(), kb::fs::Access::Write, kb::fs::Disposition::CreateAlways,
                                            kb::fs::Share::None);
        if (!f.IsOpen() || !f.Write(data, size)) std::abort();
    }
    kb::loader::TSessionS sessions{kb::loader::testing::ByteSortedLists()};
    auto icons = [](const std::string&) { return 0; };
    sessions.LoadFileList(1, ListPath(), icons, "size");
    Check(sessions.Session(1));
    sessions.LoadFileListForEdition1(2, ListPath(), icons);
    Check(sessions.Session(2));
    kb::fs::RemoveFile(ListPath());
    return 0;
}
