#include <windows.h>

#include "shared/base/dll_binding.h"
#include "shared/base/paths.h"
#include "shared/base/strutils.h"

namespace kb {
namespace {

class WinLibrary final : public DynamicLibrary {
public:
    explicit WinLibrary(HMODULE module) : module_(module) {}
    ~WinLibrary() override { FreeLibrary(module_); }
    void* Symbol(const char* name) const override {
        return reinterpret_cast<void*>(GetProcAddress(module_, name));
    }

private:
    HMODULE module_;
};

}  // namespace

std::unique_ptr<DynamicLibrary> DynamicLibrary::Load(const std::string& fullPath) {
    // The altered search order finds the library's own dependencies beside it.
    HMODULE module = LoadLibraryExA(fullPath.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module) return nullptr;
    return std::make_unique<WinLibrary>(module);
}

std::string BesideThisModule(const std::string& fileName) {
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&BesideThisModule), &self);
    char path[MAX_PATH + 1] = {};
    DWORD n = GetModuleFileNameA(self, path, MAX_PATH);
    std::string folder(path, n < MAX_PATH ? n : 0);
    return folder.substr(0, folder.size() - FileNameOf(folder).size()) + fileName;
}

std::string SystemLibraryPath(const std::string& fileName) {
    char folder[MAX_PATH + 1] = {};
    const UINT n = GetSystemDirectoryA(folder, MAX_PATH);
    if (n == 0 || n > MAX_PATH) return std::string();  // loads nothing rather than searching
    return AddTrailingBackslash(std::string(folder, n)) + fileName;
}

}  // namespace kb
