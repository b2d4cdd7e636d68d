// Kellmark.dll stand-in, the outside driver-install manager. Answers come from
// the environment of the process that loads it, so a test chooses them before
// it starts the program under test:
//   KB_KELLMARK_ADMIN        IsAdministrator's result (default 0), decimal or 0x hex
//   KB_KELLMARK_ENVIRONMENT  CheckEnvironment's result (default 1)
// Each call is appended as "Kellmark|<call>" to the file KB_STANDIN_LOG names;
// CheckEnvironment records its request as "<int32>|<launcher path>|<ini path>".
#include <windows.h>

#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int EnvInt(const char* name, int fallback) {
    char value[64] = {};
    const DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    if (n == 0 || n >= sizeof value) return fallback;
    return static_cast<int>(std::strtol(value, nullptr, 0));
}

void Record(const std::string& call) {
    char path[MAX_PATH] = {};
    const DWORD n = GetEnvironmentVariableA("KB_STANDIN_LOG", path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    if (std::FILE* f = std::fopen(path, "ab")) {
        std::fprintf(f, "Kellmark|%s\n", call.c_str());
        std::fclose(f);
    }
}

}  // namespace

extern "C" {

BOOL WINAPI IsAdministrator() {
    Record("IsAdministrator");
    return EnvInt("KB_KELLMARK_ADMIN", 0);
}

void WINAPI SetActions(int actions) { Record("SetActions|" + std::to_string(actions)); }

int WINAPI CheckEnvironment(const void* request) {
    if (!request) {
        Record("CheckEnvironment|null");
    } else {
        // 524 bytes: an int32, then two zero-terminated paths of 260 bytes each.
        const char* bytes = static_cast<const char*>(request);
        int32_t flags = 0;
        std::memcpy(&flags, bytes, sizeof flags);
        Record("CheckEnvironment|" + std::to_string(flags) + "|" + std::string(bytes + 4, strnlen(bytes + 4, 260)) +
               "|" + std::string(bytes + 264, strnlen(bytes + 264, 260)));
    }
    return EnvInt("KB_KELLMARK_ENVIRONMENT", 1);
}

}  // extern "C"
