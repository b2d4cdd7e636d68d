#include "archive/tests/ach_test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

#include "archive/ach_api.h"
#include "shared/base/fs.h"
#include "packlib/buffer_cipher.h"
#include "shared/base/dll_binding.h"
#include "shared/kabbit_exports.h"
#include "shared/pack_errors.h"
#include "shared/tkabbit.h"
#include "testing/kit/file_io.h"

namespace ark::testing {

namespace fs = kb::fs;

bool ReferenceCodeBuffer(uint8_t* data, size_t length, const char* password) {
    kb::CBufferCipher cipher(password);
    if (!cipher.BuildDataKey(kb::CBufferCipher::kBufferJobPasses)) return false;
    const size_t chunk = kb::CBufferCipher::kMaxChunkSize;
    for (size_t i = 0, index = 0; i < length; i += chunk, ++index) {
        const size_t n = length - i < chunk ? length - i : chunk;
        if (!cipher.CodeBufferChunk(data + i, n, static_cast<uint32_t>(index))) return false;
    }
    return true;
}

namespace {

BodyCodingLog* g_log = nullptr;

int Code(bool encrypt, kb::winapi::BYTE* data, int length, const char* password, int passwordLength,
         kb::winapi::BOOL synchronous) {
    if (!g_log) return kb::PACKERR_NULL_BUFFER;
    const int callIndex = static_cast<int>(g_log->calls.size());
    g_log->calls.push_back({encrypt, length, password ? password : "", passwordLength, synchronous});
    if (length <= 0 || !data || !password) return kb::PACKERR_NULL_BUFFER;
    if (passwordLength < 6) return kb::PACKERR_PASSWORD_TOO_SHORT;
    if (passwordLength > 255) return kb::PACKERR_PASSWORD_TOO_LONG;
    if (callIndex == g_log->failAtCall) return kb::PACKERR_CREATE_KEY;
    return ReferenceCodeBuffer(data, static_cast<size_t>(length), password)
               ? 0
               : kb::PACKERR_CREATE_KEY;
}
int KB_WINAPI FakeEncrypt(kb::winapi::BYTE* d, int n, const char* pw, int pwLength, kb::winapi::BOOL sync) {
    return Code(true, d, n, pw, pwLength, sync);
}
int KB_WINAPI FakeDecrypt(kb::winapi::BYTE* d, int n, const char* pw, int pwLength, kb::winapi::BOOL sync) {
    return Code(false, d, n, pw, pwLength, sync);
}
int KB_WINAPI NeverCalled() { return -1; }

class FakePackLibrary final : public kb::DynamicLibrary {
public:
    explicit FakePackLibrary(bool bufferExports) : bufferExports_(bufferExports) {}
    void* Symbol(const char* name) const override {
        const std::string n = name;
        if (n == kb::kabbit::EncryptBufferData::kName)
            return bufferExports_ ? kb::ExportAddress<kb::kabbit::EncryptBufferData>(&FakeEncrypt) : nullptr;
        if (n == kb::kabbit::DecryptBufferData::kName)
            return bufferExports_ ? kb::ExportAddress<kb::kabbit::DecryptBufferData>(&FakeDecrypt) : nullptr;
        return reinterpret_cast<void*>(&NeverCalled);
    }

private:
    bool bufferExports_;
};

}  // namespace

ScopedBodyCoding::ScopedBodyCoding(bool bufferExports)
    : previousLog_(std::exchange(g_log, &log_)), previousForm_(SetScrambledForm(&AchCipher())) {
    AchCipher().SetBinding(
        std::make_unique<kb::TKabbit>(std::make_unique<FakePackLibrary>(bufferExports), "Kabbit.dll"));
}

ScopedBodyCoding::~ScopedBodyCoding() {
    AchCipher().Reset();
    SetScrambledForm(previousForm_);
    g_log = previousLog_;
}

uint64_t FixedFiletime(int k) { return 128790000000000000ULL + uint64_t(k) * 10000000ULL * 3600; }

bool MakeSourceFile(const std::string& path, const std::string& bytes, int k) {
    if (!kb::testing::WriteWholeFile(path, bytes)) return false;
    fs::FileTimes times;
    times.creation = times.lastAccess = times.lastWrite = FixedFiletime(k);
    return fs::SetTimes(path, times);
}

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string Pattern(size_t n, int seed) {
    std::string out(n, '\0');
    uint32_t x = 2463534242u ^ static_cast<uint32_t>(seed);
    for (auto& c : out) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x);
    }
    return out;
}


int BuildPlainArchive(const std::string& archive, int capacity, const std::vector<EntrySpec>& entries,
                      const std::string& sourceFolder) {
    if (int r = api::CreateNew(archive.c_str(), capacity)) return r;
    int n = 0;
    for (const auto& e : entries) {
        const std::string source = sourceFolder + "\\src" + std::to_string(n++);
        if (!MakeSourceFile(source, e.body, e.timeK)) return -1000;
        if (int r = api::Add(archive.c_str(), source.c_str(), e.name.c_str())) return r;
    }
    return 0;
}

std::string ReadAll(const std::string& path) {
    std::string bytes;
    EXPECT_TRUE(kb::testing::ReadWholeFile(path, bytes)) << path;
    return bytes;
}

int KB_WINAPI ResizeString(ArkMemStream* stream, uint32_t size) {
    auto* target = static_cast<std::string*>(stream->ctx);
    target->assign(size, '\0');
    stream->data = target->data();
    stream->size = size;
    return 0;
}

}  // namespace ark::testing
