// exec_child <marker file> [event name]: writes "started" to the marker, waits
// (at most a minute) for the named event when one is given, then appends
// " done" and ends with exit code 7.
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    if (std::FILE* f = std::fopen(argv[1], "wb")) {
        std::fputs("started", f);
        std::fclose(f);
    }
    if (argc >= 3) {
        HANDLE event = OpenEventA(SYNCHRONIZE, FALSE, argv[2]);
        if (event) {
            WaitForSingleObject(event, 60000);
            CloseHandle(event);
        }
    }
    if (std::FILE* f = std::fopen(argv[1], "ab")) {
        std::fputs(" done", f);
        std::fclose(f);
    }
    return 7;
}
