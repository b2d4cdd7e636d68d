#include "shared/base/dll_binding.h"

#include "shared/base/message_sink.h"
#include "shared/base/strutils.h"

namespace kb {

std::unique_ptr<DynamicLibrary> LoadSystemLibrary(const std::string& fileName) {
    const std::string path = SystemLibraryPath(fileName);
    return path.empty() ? nullptr : DynamicLibrary::Load(path);
}

DllBinding::DllBinding(const std::string& fullPath, std::span<const WantedFunction> wanted,
                       const BindingReport& report)
    : library_(DynamicLibrary::Load(fullPath)) {
    Bind(FileNameOf(fullPath), wanted, report);
}

DllBinding::DllBinding(std::unique_ptr<DynamicLibrary> library, const std::string& fileName,
                       std::span<const WantedFunction> wanted, const BindingReport& report)
    : library_(std::move(library)) {
    Bind(fileName, wanted, report);
}

void DllBinding::Bind(const std::string& fileName, std::span<const WantedFunction> wanted,
                      const BindingReport& report) {
    functions_.assign(wanted.size(), nullptr);
    if (!library_ && !report.reportWhenNotLoaded) return;
    for (size_t i = 0; i < wanted.size(); ++i) {
        if (library_) functions_[i] = library_->Symbol(wanted[i].name);
        if (!functions_[i]) {
            std::string text = std::string(wanted[i].name) + "() not found in " + fileName;
            if (wanted[i].reportWithPeriod) text += '.';
            ShowMessage(report.title, text.c_str());
        }
    }
}

std::string FileNameOf(const std::string& path) {
    size_t start = 0;
    for (size_t i = 0; i < path.size(); i += CharLengthAt(path, i))
        if (path[i] == '\\' || path[i] == '/') start = i + 1;
    return path.substr(start);
}

}  // namespace kb
