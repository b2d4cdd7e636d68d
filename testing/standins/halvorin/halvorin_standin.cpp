// Stand-in of the outside runtime-module installer "Halvorin.exe" for tests.
// When KB_HALVORIN_LOG is set it appends "command line: <its command line>\n"
// to that file and copies the task file "Halvorin.tsk" beside it, as it was
// when the program ran, to the same name followed by ".tsk" (no copy when there
// is no task file). It exits with the code in KB_HALVORIN_EXIT (default 0).
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
}  // namespace

int main() {
    const std::string log = Env("KB_HALVORIN_LOG");
    if (!log.empty()) {
        char self[MAX_PATH];
        const DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
        std::string task(self, n < MAX_PATH ? n : 0);
        task = task.substr(0, task.find_last_of('\\') + 1) + "Halvorin.tsk";
        if (std::FILE* out = std::fopen(log.c_str(), "ab")) {
            std::fprintf(out, "command line: %s\n", GetCommandLineA());
            std::fclose(out);
        }
        CopyFileA(task.c_str(), (log + ".tsk").c_str(), FALSE);
    }
    const std::string code = Env("KB_HALVORIN_EXIT");
    return code.empty() ? 0 : std::atoi(code.c_str());
}
