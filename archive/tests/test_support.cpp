#include "archive/tests/test_support.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "shared/base/dbcs.h"
#include "shared/base/strutils.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace ark::testing {
namespace stdfs = std::filesystem;

bool UseShiftJis() {
#ifndef _WIN32
    kb::platform::SetAnsiCodePageForTesting(932);
#endif
    return kb::platform::IsLeadByte(0x81) && kb::platform::IsLeadByte(0x95) && !kb::platform::IsLeadByte(0x41);
}

void UseSingleByte() {
#ifndef _WIN32
    kb::platform::SetAnsiCodePageForTesting(1252);
#endif
}

std::string NativePath(const std::string& path) {
#ifdef _WIN32
    return path;
#else
    std::string p = path;
    for (size_t i = 0; i < p.size(); i += kb::CharLengthAt(p, i))
        if (p[i] == '\\') p[i] = '/';
    return p;
#endif
}

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    std::error_code ec;
    stdfs::path base = stdfs::temp_directory_path(ec);
    if (ec) base = ".";
#ifdef _WIN32
    const unsigned long pid = GetCurrentProcessId();
#else
    const unsigned long pid = static_cast<unsigned long>(getpid());
#endif
    for (;;) {
        stdfs::path p = base / ("ark-test-" + std::to_string(pid) + "-" + std::to_string(counter++));
        if (stdfs::create_directory(p, ec)) {
            path_ = p.string();
            break;
        }
    }
#ifdef _WIN32
    for (char& c : path_)
        if (c == '/') c = '\\';
#endif
}

TempDir::~TempDir() {
    std::error_code ec;
    // Read-only files left by a test would block the removal on Windows.
    for (auto it = stdfs::recursive_directory_iterator(NativePath(path_), ec);
         !ec && it != stdfs::recursive_directory_iterator(); it.increment(ec))
        stdfs::permissions(it->path(), stdfs::perms::owner_write, stdfs::perm_options::add, ec);
    stdfs::remove_all(NativePath(path_), ec);
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

RecordingSink::RecordingSink() : previous_(kb::SetMessageSink(this)) {}
RecordingSink::~RecordingSink() { kb::SetMessageSink(previous_); }

bool ReadWholeFile(const std::string& path, std::string& bytes) {
    std::ifstream in(NativePath(path), std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), {});
    return true;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(NativePath(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

bool FileExists(const std::string& path) {
#ifdef _WIN32
    // The A-function: double-byte names in the ANSI code page.
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
#endif
    std::error_code ec;
    return stdfs::exists(NativePath(path), ec);
}

}  // namespace ark::testing
