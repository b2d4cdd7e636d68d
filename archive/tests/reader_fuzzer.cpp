// Feeds one archive image to every reading routine: no overrun, no huge
// allocation, no write outside the destination folder, and LoadByName through
// the name index gives what the walk over the slots gives.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include <unistd.h>

#include "archive/api.h"
#include "archive/name_index.h"
#include "shared/base/message_sink.h"

namespace {

class QuietSink final : public kb::MessageSink {
public:
    void Show(const char*, const char*) override {}
};

struct Workspace {
    std::filesystem::path root;
    Workspace() {
        root = std::filesystem::temp_directory_path() / ("ark-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(root / "log");
        setenv("TMP", (root / "log").c_str(), 1);
        static QuietSink sink;
        kb::SetMessageSink(&sink);
    }
};

int KB_WINAPI Resize(ArkMemStream* s, uint32_t size) {
    auto* memory = static_cast<std::string*>(s->ctx);
    memory->assign(size, '\0');
    s->data = memory->data();
    s->size = size;
    return 0;
}

uint64_t BeforeEverything() { return 0; }
uint64_t LongAfter() { return UINT64_MAX / 2; }

int LoadByNameWith(ark::StampClock clock, const std::string& archive, const std::string& name, std::string& body) {
    ark::SetStampClockForTesting(clock);
    ArkMemStream stream{nullptr, 0, 0, &body, &Resize};
    const int r = ark::api::LoadByName(archive.c_str(), name.c_str(), &stream);
    ark::SetStampClockForTesting(nullptr);
    return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Workspace ws;
    const std::string archive = (ws.root / "f.ach").string();
    const std::string dest = (ws.root / "out").string();
    if (std::FILE* f = std::fopen(archive.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    int slots = 0, longest = 0;
    const int count = ark::api::GetCount(archive.c_str(), &slots, &longest);
    char name[4097];
    std::string names[] = {"a.txt", "A", ""};
    if (count > 0 && ark::api::GetName(archive.c_str(), 0, name, 4096) == 0) names[2] = name;
    for (const std::string& wanted : names) {
        // Each input is a new file whose stamp need not differ from the last one's.
        ark::LastNameIndex().Clear();
        std::string walked, built, reused;
        const int r = LoadByNameWith(&BeforeEverything, archive, wanted, walked);
        if (LoadByNameWith(&LongAfter, archive, wanted, built) != r ||
            LoadByNameWith(&LongAfter, archive, wanted, reused) != r || built != walked || reused != walked)
            __builtin_trap();
    }
    ark::LastNameIndex().Clear();
    TAchFileInfo info;
    for (int i = 0; i < (count > 4 ? 4 : count); ++i) {
        ark::api::GetName(archive.c_str(), i, name, 4096);
        ark::api::GetInfo(archive.c_str(), i, &info);
        std::string memory;
        ArkMemStream stream{nullptr, 0, 0, &memory, &Resize};
        ark::api::LoadByIndex(archive.c_str(), i, &stream);
    }
    std::string memory;
    ArkMemStream stream{nullptr, 0, 0, &memory, &Resize};
    ark::api::LoadByName(archive.c_str(), "a.txt", &stream);
    ark::api::Find(archive.c_str(), "A");
    char bytes[16];
    ark::api::MemCopy(archive.c_str(), "a.txt", bytes, 1, 8);
    std::error_code ec;
    std::filesystem::remove_all(dest, ec);
    ark::api::SaveAll(archive.c_str(), dest.c_str());
    // Everything extracted must lie inside dest.
    for (auto it = std::filesystem::recursive_directory_iterator(ws.root, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        const std::string p = it->path().string();
        if (p.rfind(dest, 0) != 0 && p != archive && p.rfind((ws.root / "log").string(), 0) != 0) __builtin_trap();
    }
    return 0;
}
