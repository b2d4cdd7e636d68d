// Stand-in of the outside registration library "Register.dll" for tests. Each
// call appends "<function>|<argument>\n" to the file named by
// KB_REGISTER_LOG (when set) and answers what the test configured:
//   KB_REGISTER_ISREGISTERED  answer of IsRegistered (default 0)
//   KB_REGISTER_REGISTER      answer of Register (default 1)
//   KB_REGISTER_CMPFILE       answer of SetCompareModeFileName (default 0)
// The variant built with KB_REGISTER_PARTIAL lacks SetCompareModeFileName.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string Env(const char* name) {
    char buffer[1024];
    const DWORD n = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    return (n > 0 && n < sizeof buffer) ? std::string(buffer, n) : std::string();
}

int Answer(const char* name, int fallback) {
    const std::string v = Env(name);
    return v.empty() ? fallback : std::atoi(v.c_str());
}

void Record(const char* function, const std::string& argument) {
    const std::string log = Env("KB_REGISTER_LOG");
    if (log.empty()) return;
    if (std::FILE* f = std::fopen(log.c_str(), "ab")) {
        std::fprintf(f, "%s|%s\n", function, argument.c_str());
        std::fclose(f);
    }
}

}  // namespace

extern "C" {

__declspec(dllexport) int WINAPI IsRegistered(const char* path) {
    Record("IsRegistered", path ? path : "");
    return Answer("KB_REGISTER_ISREGISTERED", 0);
}
__declspec(dllexport) int WINAPI Register(const char* path) {
    Record("Register", path ? path : "");
    return Answer("KB_REGISTER_REGISTER", 1);
}
__declspec(dllexport) int WINAPI SetCompareMode(int mode) {
    Record("SetCompareMode", std::to_string(mode));
    return 0;
}
#ifndef KB_REGISTER_PARTIAL
__declspec(dllexport) int WINAPI SetCompareModeFileName(const char* fileName) {
    Record("SetCompareModeFileName", fileName ? fileName : "");
    return Answer("KB_REGISTER_CMPFILE", 0);
}
#endif

}  // extern "C"

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
