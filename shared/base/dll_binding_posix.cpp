#include <dlfcn.h>

#include "shared/base/dll_binding.h"

namespace kb {
namespace {

class PosixLibrary final : public DynamicLibrary {
public:
    explicit PosixLibrary(void* handle) : handle_(handle) {}
    ~PosixLibrary() override { dlclose(handle_); }
    void* Symbol(const char* name) const override { return dlsym(handle_, name); }

private:
    void* handle_;
};

}  // namespace

std::unique_ptr<DynamicLibrary> DynamicLibrary::Load(const std::string& fullPath) {
    void* handle = dlopen(fullPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) return nullptr;
    return std::make_unique<PosixLibrary>(handle);
}

std::string BesideThisModule(const std::string& fileName) {
    Dl_info info{};
    std::string self = dladdr(reinterpret_cast<void*>(&BesideThisModule), &info) && info.dli_fname
                           ? info.dli_fname
                           : "";
    return self.substr(0, self.size() - FileNameOf(self).size()) + fileName;
}

std::string SystemLibraryPath(const std::string& fileName) { return fileName; }

}  // namespace kb
