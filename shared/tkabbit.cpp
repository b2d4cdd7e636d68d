#include "shared/tkabbit.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "shared/base/fs.h"
#include "shared/base/paths.h"
#include "shared/base/strutils.h"
#include "shared/kabbit_exports.h"
#include "shared/pack_errors.h"

namespace kb {

const WantedFunction kTKabbitFunctions[static_cast<size_t>(KabbitFn::Count)] = {
#define KB_BIND(name, withPeriod) {kabbit::name::kName, withPeriod},
#include "shared/tkabbit_functions.inc"
#undef KB_BIND
};

namespace {

// The Kabbit.dll export behind each bound function: naming one that is not in
// the export list does not compile.
template <KabbitFn>
struct BoundExport;
#define KB_BIND(name, withPeriod)              \
    template <>                                \
    struct BoundExport<KabbitFn::name> {       \
        using type = kabbit::name;             \
    };
#include "shared/tkabbit_functions.inc"
#undef KB_BIND

constexpr const char* kDefaultPassword = "TARVEL";
constexpr size_t kMinPassword = 6;
constexpr size_t kProgressNameBuffer = 260;
constexpr size_t kConvertBuffer = 522;
constexpr size_t kPreCompressPathBuffer = 256;
constexpr size_t kPreCompressNameBuffer = 260;  // the library writes up to 260 bytes
constexpr size_t kErrorNamesStep = 32768;
constexpr size_t kErrorNamesLimit = 2 * 1024 * 1024;  // 64 steps: thousands of full paths
constexpr size_t kEnumNamesBuffer = 131072;
constexpr size_t kEnumValuesBuffer = 8192;

std::vector<char> BuildNameList(const std::vector<std::string>& names) {
    std::vector<char> list;
    for (const auto& n : names) {
        list.insert(list.end(), n.begin(), n.end());
        list.push_back('\0');
    }
    list.push_back('\0');
    if (names.empty()) list.push_back('\0');  // an empty list is two zero bytes
    return list;
}

// Names of a NameList in a buffer of size bytes; never reads past it.
std::vector<std::string> ParseNameList(const char* buffer, size_t size, size_t maxNames) {
    std::vector<std::string> names;
    size_t i = 0;
    while (i < size && buffer[i] != '\0' && names.size() < maxNames) {
        std::string name = GetString(buffer + i, size - i);
        i += name.size() + 1;
        names.push_back(std::move(name));
    }
    return names;
}

void DefaultPause() { std::this_thread::sleep_for(std::chrono::milliseconds(1)); }

}  // namespace

TKabbit::TKabbit() : TKabbit(BesideThisModule("Kabbit.dll")) {}

TKabbit::TKabbit(const std::string& fullPath)
    : binding_(fullPath, kTKabbitFunctions, BindingReport{"Arkstow", false}) {}

TKabbit::TKabbit(std::unique_ptr<DynamicLibrary> library, const std::string& fileName)
    : binding_(std::move(library), fileName, kTKabbitFunctions, BindingReport{"Arkstow", false}) {}

TKabbit::~TKabbit() = default;

template <KabbitFn F>
auto TKabbit::Fn() const {
    return binding_.Get<typename BoundExport<F>::type::Fn>(static_cast<size_t>(F));
}

const char* TKabbit::PasswordArg() const {
    return password.size() < kMinPassword ? kDefaultPassword : password.c_str();
}

void TKabbit::SetWorkingDir(const std::string& folder) {
    fs::CreateFolderTree(folder);
    const std::string withDelimiter = AddTrailingBackslash(folder);
    if (auto f = Fn<KabbitFn::SetWorkingDir>()) f(withDelimiter.c_str());
    workingFolder_ = folder;
}

int TKabbit::Pack(const std::string& src, const std::string& dst, bool compress) {
    if (packPath.empty()) return -1;
    auto f = Fn<KabbitFn::Pack>();
    if (!f) return -1;
    return f(packPath.c_str(), src.c_str(), dst.c_str(), PasswordArg(), compress ? 1 : 0);
}

int TKabbit::PackPartFolder(const std::string& folder, const std::vector<std::string>& files, bool compress) {
    if (packPath.empty()) return -1;
    auto f = Fn<KabbitFn::PackPartFolder>();
    if (!f) return -1;
    excludeList_ = BuildNameList(files);
    return f(packPath.c_str(), folder.c_str(), excludeList_.data(), static_cast<int>(files.size()), PasswordArg(),
             compress ? 1 : 0);
}

int TKabbit::UnPack(const std::string& folder, const std::string& entry) {
    if (packPath.empty()) return -1;
    auto f = Fn<KabbitFn::UnPack>();
    if (!f) return -1;
    const std::string stored = entry + ".cmp";
    return f(packPath.c_str(), folder.c_str(), stored.c_str(), PasswordArg());
}

int TKabbit::GetProgress() {
    std::string ignored;
    return GetProgress(ignored);
}

int TKabbit::GetProgress(std::string& currentName) {
    currentName.clear();
    auto f = Fn<KabbitFn::GetProgress>();
    if (!f) return -1;
    char name[kProgressNameBuffer + 1] = {};
    const int r = f(name);
    currentName = GetString(name, kProgressNameBuffer);
    return r;
}

int TKabbit::CreateNew(int a, int b) {
    auto f = Fn<KabbitFn::CreateNew>();
    if (!f) return -1;
    return f(packPath.c_str(), PasswordArg(), a, b);
}

int TKabbit::ConvertFilePath(std::string& path) {
    auto f = Fn<KabbitFn::ConvertFilePath>();
    if (!f) return -1;
    if (path.size() >= kConvertBuffer) return PACKERR_PATH_TOO_LONG;
    char buffer[kConvertBuffer] = {};
    std::memcpy(buffer, path.data(), path.size());
    const int r = f(buffer);
    path = GetString(buffer, kConvertBuffer);
    return r;
}

bool TKabbit::Stop(void* window) {
    auto f = Fn<KabbitFn::Stop>();
    return f && f(static_cast<winapi::HWND>(window)) != 0;
}

int TKabbit::PreCompress(const std::string& src, const std::string& dst, const std::vector<std::string>* exclude) {
    auto f = Fn<KabbitFn::PreCompress>();
    if (!f) return -1;
    if (src.size() >= kPreCompressPathBuffer || dst.size() >= kPreCompressPathBuffer) return PACKERR_PATH_TOO_LONG;
    excludeList_ = BuildNameList(exclude ? *exclude : std::vector<std::string>{});
    char srcBuffer[kPreCompressPathBuffer] = {};
    char dstBuffer[kPreCompressPathBuffer] = {};
    std::memcpy(srcBuffer, src.data(), src.size());
    std::memcpy(dstBuffer, dst.data(), dst.size());
    return f(srcBuffer, dstBuffer, excludeList_.data(), exclude ? static_cast<int>(exclude->size()) : 0, 0);
}

void TKabbit::FreeExcludeFileListBuf() {
    excludeList_.clear();
    excludeList_.shrink_to_fit();
}

int TKabbit::EncryptBufferData(void* buffer, int length) {
    auto f = Fn<KabbitFn::EncryptBufferData>();
    if (!f) return -1;
    const char* pw = PasswordArg();
    return f(static_cast<winapi::BYTE*>(buffer), length, pw, static_cast<int>(std::strlen(pw)), 1);
}

int TKabbit::DecryptBufferData(void* buffer, int length) {
    auto f = Fn<KabbitFn::DecryptBufferData>();
    if (!f) return -1;
    const char* pw = PasswordArg();
    return f(static_cast<winapi::BYTE*>(buffer), length, pw, static_cast<int>(std::strlen(pw)), 1);
}

std::string TKabbit::GetPreCompressFileName() {
    auto f = Fn<KabbitFn::GetPreCompressFileName>();
    if (!f) return {};
    char buffer[kPreCompressNameBuffer + 1] = {};
    f(buffer);
    return GetString(buffer, kPreCompressNameBuffer);
}

int TKabbit::ForceCompleteCompress(bool force) {
    auto f = Fn<KabbitFn::ForceCompleteCompress>();
    if (!f) return -1;
    return f(force ? 1 : 0);
}

int TKabbit::GetErrorFileNames(std::vector<std::string>& list) {
    list.clear();
    auto f = Fn<KabbitFn::GetErrorFileNames>();
    if (!f) return -1;
    // Grows only while the library says the buffer is too small, and only up
    // to a bound: any other code ends the call.
    std::vector<char> buffer(kErrorNamesStep, '\0');
    int r = f(buffer.data(), static_cast<int>(buffer.size()));
    while (r == PACKERR_NAME_BUFFER_OVERFLOW && buffer.size() + kErrorNamesStep <= kErrorNamesLimit) {
        buffer.assign(buffer.size() + kErrorNamesStep, '\0');
        r = f(buffer.data(), static_cast<int>(buffer.size()));
    }
    if (r == 0) list = ParseNameList(buffer.data(), buffer.size(), buffer.size());
    return r;
}

int TKabbit::GetTypeBytes(uint8_t& version, uint8_t& flags) {
    auto f = Fn<KabbitFn::GetType>();
    if (!f) return -1;
    version = flags = 0;
    return f(packPath.c_str(), &version, &flags);
}

int TKabbit::GetMajorVar() {
    uint8_t version = 0, flags = 0;
    if (int r = GetTypeBytes(version, flags)) return r;
    return version >> 4;
}

int TKabbit::GetMinorVar() {
    uint8_t version = 0, flags = 0;
    if (int r = GetTypeBytes(version, flags)) return r;
    return version & 0x0F;
}

int TKabbit::GetFileType() {
    uint8_t version = 0, flags = 0;
    if (int r = GetTypeBytes(version, flags)) return r;
    return flags;
}

int TKabbit::WaitForJob() {
    if (!Has(KabbitFn::GetProgress)) return -1;
    for (;;) {
        const int progress = GetProgress();
        if (progress > 100) return 0;
        if (progress < 0) return progress;
        (pollPause ? pollPause : DefaultPause)();
    }
}

int TKabbit::KabbitFile(const std::string& src, const std::string& dst) {
    // A job that could not be watched is not started.
    if (packPath.empty() || !Has(KabbitFn::GetProgress)) return -1;
    int r = Pack(src, dst, true);
    if (r == PACKERR_NOT_ENOUGH_MEMORY) r = Pack(src, dst, false);
    if (r != 0) return r;
    return WaitForJob();
}

int TKabbit::UnKabbit(const std::string& folder, const std::string& entry) {
    if (!Has(KabbitFn::GetProgress)) return -1;
    if (int r = UnPack(folder, entry)) return r;
    return WaitForJob();
}

int64_t TKabbit::EnumFileNames(std::vector<std::string>& names, std::vector<uint32_t>& sizes) {
    names.clear();
    sizes.clear();
    if (packPath.empty()) return -1;
    auto f = Fn<KabbitFn::EnumFiles>();
    if (!f) return -1;
    std::vector<char> nameBuffer(kEnumNamesBuffer, '\0');
    std::vector<winapi::BYTE> flagBuffer(kEnumValuesBuffer, 0);
    std::vector<winapi::DWORD> sizeBuffer(kEnumValuesBuffer / sizeof(winapi::DWORD), 0);
    const int n = f(packPath.c_str(), nameBuffer.data(), static_cast<int>(nameBuffer.size()), flagBuffer.data(),
                    sizeBuffer.data(), static_cast<int>(kEnumValuesBuffer), PasswordArg());
    if (n < 0) return -1;
    const size_t count = std::min<size_t>(static_cast<size_t>(n), sizeBuffer.size());
    names = ParseNameList(nameBuffer.data(), nameBuffer.size(), count);
    int64_t total = 0;
    for (size_t i = 0; i < names.size(); ++i) {
        sizes.push_back(sizeBuffer[i]);
        total += sizeBuffer[i];
    }
    return total;
}

const char* TKabbit::GetErrorString(int code) { return PackErrorText(code); }

}  // namespace kb
