#include "loader/bindings.h"

#include <algorithm>

#include "archive/arkstow_api.h"
#include "shared/base/fs.h"
#include "shared/base/paths.h"
#include "shared/base/message_sink.h"
#include "shared/pack_errors.h"
#include "shared/base/strutils.h"
#include "loader/path_csv.h"

#ifdef _WIN32
#define KB_LIBRARY_CALL __stdcall
#else
#define KB_LIBRARY_CALL
#endif

namespace kb::loader {

const WantedFunction kKabbitFunctions[static_cast<size_t>(KabbitFn::Count)] = {
    {"CreateNew"},      {"EnumFiles"},     {"GetType"},        {"Pack"},
    {"PackPartFolder", false},             {"UnPack"},         {"GetProgress"},
    {"ConvertFilePath"},                   {"GetFileCount"},   {"GetTotalSize"},
    {"GetFileInfo"},    {"Stop"},          {"PreCompress"},    {"GetPreCompressFileName", false},
    {"SetWorkingDir"},  {"ForceCompleteCompress"},             {"GetErrorFileNames"},
};

const WantedFunction kArkstowFunctions[static_cast<size_t>(ArkstowFn::Count)] = {
    {"CreateNew"},   {"GetCount"},   {"GetName"},    {"GetInfo"},    {"Add"},
    {"LoadByIndex"}, {"LoadByName"}, {"SaveByIndex"}, {"SaveByName"}, {"SaveAll"},
};

const WantedFunction kSpurlaneFunctions[static_cast<size_t>(SpurlaneFn::Count)] = {
    {"IsExistInstKey"},
    {"IsExistNeedRebootKey"},
};

namespace {

using SetWorkingDirFn = void(KB_LIBRARY_CALL*)(const char* folder);
using UnPackFn = int(KB_LIBRARY_CALL*)(const char* pack, const char* folder, const char* entry, const char* password);
using SetUnpackLimitFn = void(KB_LIBRARY_CALL*)(uint32_t limitLow, uint32_t limitHigh);
using GetProgressFn = int(KB_LIBRARY_CALL*)(char* name);
using StopFn = int(KB_LIBRARY_CALL*)(void* window);
using GetCountFn = int(KB_LIBRARY_CALL*)(const char* archive, int* slotCount, int* maxNameLength);
using GetNameFn = int(KB_LIBRARY_CALL*)(const char* archive, int index, char* buffer, int bufferSize);
using LoadByNameFn = int(KB_LIBRARY_CALL*)(const char* archive, const char* name, ArkMemStream* stream);
using QueryFn = int(KB_LIBRARY_CALL*)();

constexpr size_t kMinPassword = 6;
constexpr size_t kProgressNameLength = kMaxPathLength;
// Archive names are far shorter; a count beyond this is not a name length.
constexpr int kMaxNameLength = 65536;

const BindingReport kReportAlways{kLoaderTitle, true};
const BindingReport kReportWhenLoaded{kLoaderTitle, false};

int KB_LIBRARY_CALL ResizeVector(ArkMemStream* stream, uint32_t size) {
    auto* bytes = static_cast<std::vector<uint8_t>*>(stream->ctx);
    try {
        bytes->assign(size, 0);
    } catch (...) {
        return 1;
    }
    stream->data = bytes->data();
    stream->size = size;
    stream->position = 0;
    return 0;
}

}  // namespace

TKabbit::TKabbit() : TKabbit(DynamicLibrary::Load(BesideThisModule("Kabbit.dll"))) {}

TKabbit::TKabbit(std::unique_ptr<DynamicLibrary> library)
    : binding_(std::move(library), "Kabbit.dll", kKabbitFunctions, kReportAlways),
      setUnpackLimit_(binding_.Unreported("SetUnpackLimit")) {}

void TKabbit::SetUnpackLimit(uint64_t bytes) {
    if (auto f = reinterpret_cast<SetUnpackLimitFn>(setUnpackLimit_))
        f(static_cast<uint32_t>(bytes), static_cast<uint32_t>(bytes >> 32));
}

void TKabbit::SetWorkingDir(const std::string& folder) {
    if (!fs::FolderExists(folder)) fs::CreateFolder(folder);  // a failure shows when the library uses it
    if (auto f = Fn<SetWorkingDirFn>(KabbitFn::SetWorkingDir)) f(IncludeTrailingBackslash(folder).c_str());
    workingFolder_ = folder;
}

int TKabbit::UnPack(const std::string& destFolder, const std::string& entry) {
    if (packPath.empty()) return -1;
    auto f = Fn<UnPackFn>(KabbitFn::UnPack);
    if (!f) return -1;
    const std::string password = packPassword.size() < kMinPassword ? kDefaultPackPassword : packPassword;
    return f(packPath.c_str(), destFolder.c_str(), (entry + ".cmp").c_str(), password.c_str());
}

int TKabbit::GetProgress() {
    std::string ignored;
    return GetProgress(ignored);
}

int TKabbit::GetProgress(std::string& name) {
    name.clear();
    auto f = Fn<GetProgressFn>(KabbitFn::GetProgress);
    if (!f) return -1;
    // Cleared before every call, so a stale name never comes back.
    char buffer[kProgressNameLength + 2] = {};
    const int progress = f(buffer);
    name = GetString(buffer, kProgressNameLength);
    return progress;
}

bool TKabbit::Stop(void* window) {
    auto f = Fn<StopFn>(KabbitFn::Stop);
    return f && f(window) != 0;
}

std::string TKabbit::GetErrorString(int code) { return PackErrorText(code); }

TArkstow::TArkstow() : TArkstow(DynamicLibrary::Load(BesideThisModule("Arkstow.dll"))) {}

TArkstow::TArkstow(std::unique_ptr<DynamicLibrary> library)
    : binding_(std::move(library), "Arkstow.dll", kArkstowFunctions, kReportAlways) {}

void TArkstow::OpenArchive(const std::string& path) {
    entryNames_.clear();
    entryCount_ = 0;
    archivePath_.clear();
    auto getCount = Fn<GetCountFn>(ArkstowFn::GetCount);
    auto getName = Fn<GetNameFn>(ArkstowFn::GetName);
    int maxNameLength = 0;
    lastResult_ = getCount ? getCount(path.c_str(), nullptr, &maxNameLength) : -1;
    if (lastResult_ < 0) return;
    entryCount_ = lastResult_;
    if (getName && maxNameLength >= 0 && maxNameLength <= kMaxNameLength) {
        // The library writes up to maxNameLength + 1 bytes from the second byte on.
        std::vector<char> buffer(static_cast<size_t>(maxNameLength) + 2);
        for (int i = 0; i < entryCount_; ++i) {
            std::fill(buffer.begin(), buffer.end(), '\0');
            if (getName(path.c_str(), i, buffer.data() + 1, maxNameLength) < 0) continue;
            entryNames_.push_back(GetString(buffer.data() + 1, static_cast<size_t>(maxNameLength) + 1));
        }
    }
    archivePath_ = path;
    lastResult_ = 0;
}

bool TArkstow::LoadToStream(const std::string& name, std::vector<uint8_t>& bytes) {
    auto loadByName = Fn<LoadByNameFn>(ArkstowFn::LoadByName);
    if (!loadByName) {
        lastResult_ = -1;
        return false;
    }
    std::vector<uint8_t> loaded;
    ArkMemStream stream{nullptr, 0, 0, &loaded, &ResizeVector};
    lastResult_ = loadByName(archivePath_.c_str(), name.c_str(), &stream);
    if (lastResult_ < 0) return false;
    bytes = std::move(loaded);
    return true;
}

bool TArkstow::LoadGraphic(const std::string& name, Graphic& graphic) {
    std::vector<uint8_t> bytes;
    return LoadToStream(name, bytes) && graphic.LoadFromBytes(bytes);
}

TSpurlane::TSpurlane() : TSpurlane(DynamicLibrary::Load(BesideThisModule("Spurlane.dll"))) {}

// The searcher's reports name no file: "... not found in dll.".
TSpurlane::TSpurlane(std::unique_ptr<DynamicLibrary> library)
    : binding_(std::move(library), "dll", kSpurlaneFunctions, kReportWhenLoaded) {}

bool TSpurlane::IsExistInstKey() {
    auto f = binding_.Get<QueryFn>(static_cast<size_t>(SpurlaneFn::IsExistInstKey));
    return f && f() != 0;
}

bool TSpurlane::IsExistNeedRebootKey() {
    auto f = binding_.Get<QueryFn>(static_cast<size_t>(SpurlaneFn::IsExistNeedRebootKey));
    return f && f() != 0;
}

int KellmarkIsAdministrator(const std::string& libraryPath) {
    return KellmarkIsAdministrator(libraryPath, &DynamicLibrary::Load);
}

int KellmarkIsAdministrator(const std::string& libraryPath, LibraryLoad load) {
    const std::string path = libraryPath.empty() ? BesideThisModule("Kellmark.dll") : libraryPath;
    std::unique_ptr<DynamicLibrary> library = load(path);
    if (!library) {
        ShowMessage(kLoaderTitle, "Cannot load Kellmark.dll");
        return -1;
    }
    auto isAdministrator = reinterpret_cast<QueryFn>(library->Symbol("IsAdministrator"));
    if (!isAdministrator) {
        ShowMessage(kLoaderTitle, "IsAdministrator() not found in Kellmark.dll");
        return -1;
    }
    // Only the low byte carries the answer.
    return (isAdministrator() & 0xFF) != 0 ? 1 : 0;
}

AdminAnswer KellmarkAdminAnswer() {
    return AdminAnswer([] { return KellmarkIsAdministrator(""); });
}

}  // namespace kb::loader
