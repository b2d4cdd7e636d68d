// Table-driven binding of a run-time library: load it by full path, look up
// each wanted function by name, report each missing one through the message
// sink ("<Name>() not found in <file name>", with or without a final period)
// and go on. A missing function stays null, so its caller can fail cleanly.
#pragma once
#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace kb {

// A loaded library (the platform seam: LoadLibrary/GetProcAddress/FreeLibrary,
// dlopen natively). Freed when destroyed.
class DynamicLibrary {
public:
    virtual ~DynamicLibrary() = default;
    // Null when the file cannot be loaded. Never searches: fullPath is used as given.
    static std::unique_ptr<DynamicLibrary> Load(const std::string& fullPath);
    virtual void* Symbol(const char* name) const = 0;
};

struct WantedFunction {
    const char* name;
    bool reportWithPeriod = true;  // the report ends with "." after the file name
};

struct BindingReport {
    const char* title;              // message title
    bool reportWhenNotLoaded = false;  // a library that does not load: report every function too
};

class DllBinding {
public:
    DllBinding(const std::string& fullPath, std::span<const WantedFunction> wanted, const BindingReport& report);
    // With a library loaded elsewhere (null: not loaded); fileName is used in reports.
    DllBinding(std::unique_ptr<DynamicLibrary> library, const std::string& fileName,
               std::span<const WantedFunction> wanted, const BindingReport& report);
    DllBinding(const DllBinding&) = delete;
    DllBinding& operator=(const DllBinding&) = delete;

    bool Loaded() const { return library_ != nullptr; }
    // The function at position i of the wanted table, null when missing.
    void* Function(size_t i) const { return i < functions_.size() ? functions_[i] : nullptr; }
    // A function outside the wanted table, looked up without any report; null
    // when missing or the library is not loaded.
    void* Unreported(const char* name) const { return library_ ? library_->Symbol(name) : nullptr; }
    template <class F>
    F Get(size_t i) const {
        return reinterpret_cast<F>(Function(i));
    }

private:
    void Bind(const std::string& fileName, std::span<const WantedFunction> wanted, const BindingReport& report);
    std::unique_ptr<DynamicLibrary> library_;
    std::vector<void*> functions_;
};

// The address a library would give for export E (an entry of an export list,
// shared/<dll>_exports.h), taken from a function that must have E's exact
// signature: for stand-in libraries in tests.
template <class E>
void* ExportAddress(typename E::Fn fn) {
    return reinterpret_cast<void*>(fn);
}

// The file name part of a path (after the last single-byte "\" or "/").
std::string FileNameOf(const std::string& path);

// fileName in the folder of the module (DLL or program) that holds this code.
std::string BesideThisModule(const std::string& fileName);

// fileName in the system folder, where a library of Windows' own is loaded
// from: never the program's folder or the current one, where anybody may put a
// file of that name. Natively fileName itself.
std::string SystemLibraryPath(const std::string& fileName);

// fileName loaded from the system folder; null when it cannot be.
std::unique_ptr<DynamicLibrary> LoadSystemLibrary(const std::string& fileName);

}  // namespace kb
