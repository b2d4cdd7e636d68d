#include "testing/kit/temp_folder.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "shared/base/fs.h"
#include "testing/kit/file_io.h"
#include "testing/kit/wipe_path.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace kb::testing {

namespace {
unsigned long ProcessId() {
#ifdef _WIN32
    return GetCurrentProcessId();
#else
    return static_cast<unsigned long>(getpid());
#endif
}
}  // namespace

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    // The process id keeps the test programs CTest runs side by side apart.
    const std::string base = fs::TempFolder() + "kb" + std::to_string(ProcessId()) + "-";
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const std::string candidate = base + std::to_string(counter++);
        if (fs::CreateFolder(candidate)) {
            path_ = candidate;
            return;
        }
    }
    ADD_FAILURE() << "cannot make a folder under " << fs::TempFolder();
}

TempDir::~TempDir() {
    if (path_.empty()) return;
    WipePath(path_);
#ifndef _WIN32
    // A name holding a literal "\" natively (a trail byte of a test's double-byte
    // name, read back in a single-byte code page) is beyond the seam's reach.
    std::error_code ec;
    std::filesystem::remove_all(NativePath(path_), ec);
#endif
}

namespace {
bool GetEnv(const char* name, std::string& value) {
    const char* v = std::getenv(name);
    if (!v) return false;
    value = v;
    return true;
}
void SetEnv(const char* name, const std::string* value) {
#ifdef _WIN32
    SetEnvironmentVariableA(name, value ? value->c_str() : nullptr);
    _putenv_s(name, value ? value->c_str() : "");
#else
    if (value)
        setenv(name, value->c_str(), 1);
    else
        unsetenv(name);
#endif
}
}  // namespace

ScopedTempFolder::ScopedTempFolder(const std::string& folder) {
    hadTmp_ = GetEnv("TMP", oldTmp_);
    hadTemp_ = GetEnv("TEMP", oldTemp_);
    const std::string native = NativePath(folder);
    SetEnv("TMP", &native);
    SetEnv("TEMP", &native);
}

ScopedTempFolder::~ScopedTempFolder() {
    SetEnv("TMP", hadTmp_ ? &oldTmp_ : nullptr);
    SetEnv("TEMP", hadTemp_ ? &oldTemp_ : nullptr);
}

}  // namespace kb::testing
