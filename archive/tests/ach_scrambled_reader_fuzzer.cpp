// Hostile archives, scrambled or plain, through every reader, the scrambled
// copy and the removal rebuild. The body coding is a cheap position-keyed XOR:
// what is fuzzed is the handling of the file, not the pack cipher.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/ach_api.h"
#include "archive/ach_scramble.h"
#include "archive/api.h"
#include "shared/base/dll_binding.h"
#include "shared/kabbit_exports.h"
#include "shared/base/message_sink.h"
#include "shared/tkabbit.h"

namespace {

int KB_WINAPI XorCode(kb::winapi::BYTE* data, int n, const char*, int, kb::winapi::BOOL) {
    for (int i = 0; i < n; ++i) data[i] ^= static_cast<uint8_t>(i * 31 + 7);
    return 0;
}

class XorPackLibrary final : public kb::DynamicLibrary {
public:
    void* Symbol(const char* name) const override {
        const std::string n = name;
        if (n == kb::kabbit::EncryptBufferData::kName) return kb::ExportAddress<kb::kabbit::EncryptBufferData>(&XorCode);
        if (n == kb::kabbit::DecryptBufferData::kName) return kb::ExportAddress<kb::kabbit::DecryptBufferData>(&XorCode);
        return nullptr;
    }
};

class QuietSink final : public kb::MessageSink {
public:
    void Show(const char*, const char*) override {}
};

int KB_WINAPI Resize(ArkMemStream* stream, uint32_t size) {
    auto* v = static_cast<std::vector<uint8_t>*>(stream->ctx);
    v->assign(size, 0);
    stream->data = v->data();
    stream->size = size;
    return 0;
}

struct Setup {
    std::string dir;
    QuietSink sink;
    Setup() {
        dir = (std::filesystem::temp_directory_path() / ("ach-fuzz-" + std::to_string(getpid()))).string();
        std::filesystem::create_directories(dir);
        setenv("TMP", dir.c_str(), 1);
        kb::SetMessageSink(&sink);
        ark::AchCipher().SetBinding(std::make_unique<kb::TKabbit>(std::make_unique<XorPackLibrary>(), "Kabbit.dll"));
        ark::InstallAchCipher();
        // The cipher leaves a binding it still holds to the system; drop it first.
        std::atexit([] { ark::AchCipher().Reset(); });
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Setup setup;
    const std::string archive = setup.dir + "/in.ach";
    {
        std::FILE* f = std::fopen(archive.c_str(), "wb");
        if (!f) return 0;
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    const char* a = archive.c_str();
    int slots = 0, longest = 0;
    const int count = ark::api::GetCount(a, &slots, &longest);
    std::vector<uint8_t> body;
    ArkMemStream stream{nullptr, 0, 0, &body, Resize};
    for (int i = 0; i < count && i < 4; ++i) {
        char name[4097];
        if (ark::api::GetName(a, i, name, 4096) == 0) ark::api::LoadByName(a, name, &stream);
        TAchFileInfo info;
        ark::api::GetInfo(a, i, &info);
        ark::api::LoadByIndex(a, i, &stream);
    }
    ark::api::Find(a, "a.txt");
    const std::string out = setup.dir + "/out";
    ark::api::SaveAll(a, out.c_str());
    ark::api::EncryptAchFile(a, (setup.dir + "/s.ach").c_str());
    ark::api::RemoveByIndex(a, 0);
    std::error_code ec;
    std::filesystem::remove_all(out, ec);
    std::filesystem::remove(setup.dir + "/s.ach", ec);
    return 0;
}
