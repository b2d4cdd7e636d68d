// A pack library that only records what it is called with: each call appends
// "Name|arg|..." and a newline; StandinTakeCalls hands the record over and
// clears it. Results are fixed: 0, progress done, three listed entries.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "shared/kabbit_exports.h"
#include "shared/messages.h"

namespace {
std::string g_calls;
void Record(const std::string& line) { g_calls += line + "\n"; }
std::string S(const char* s) { return s ? s : "(null)"; }
std::string N(long long v) { return std::to_string(v); }
}  // namespace

extern "C" {

int WINAPI CreateNew(const char* pack, const char* pw, BOOL a, int b) {
    Record("CreateNew|" + S(pack) + "|" + S(pw) + "|" + N(a) + "|" + N(b));
    return 0;
}
int WINAPI EnumFiles(const char* pack, char* names, int namesSize, BYTE*, DWORD* sizes, int sizesSize,
                     const char* pw) {
    Record("EnumFiles|" + S(pack) + "|" + N(namesSize) + "|" + N(sizesSize) + "|" + S(pw));
    std::memcpy(names, "a\0b\0c\0", 7);
    sizes[0] = 1;
    sizes[1] = 2;
    sizes[2] = 3;
    return 3;
}
int WINAPI GetType(const char* pack, BYTE* version, BYTE* flags) {
    Record("GetType|" + S(pack));
    *version = 0x11;
    *flags = 0;
    return 0;
}
int WINAPI Pack(const char* pack, const char* src, const char* entry, const char* pw, BOOL compress) {
    Record("Pack|" + S(pack) + "|" + S(src) + "|" + S(entry) + "|" + S(pw) + "|" + N(compress));
    return 0;
}
int WINAPI PackPartFolder(const char* pack, const char* folder, const char*, int count, const char* pw,
                          BOOL compress) {
    Record("PackPartFolder|" + S(pack) + "|" + S(folder) + "|" + N(count) + "|" + S(pw) + "|" + N(compress));
    return 0;
}
int WINAPI UnPack(const char* pack, const char* folder, const char* entry, const char* pw) {
    Record("UnPack|" + S(pack) + "|" + S(folder) + "|" + S(entry) + "|" + S(pw));
    return 0;
}
int WINAPI GetProgress(char* name) {
    if (name) std::strcpy(name, "done.txt");
    return kb::PACKPROGRESS_DONE;
}
int WINAPI ConvertFilePath(char* path) {
    Record("ConvertFilePath|" + S(path));
    return 0;
}
int WINAPI GetFileCount(const char*, const char*) { return 0; }
int WINAPI GetTotalSize(const char*, const char*) { return 0; }
int WINAPI GetFileInfo(const char*, int, char*, int*, int*, const char*) { return 0; }
BOOL WINAPI Stop(HWND) { return TRUE; }
int WINAPI PreCompress(const char* base, const char* name, const char*, int count, BOOL wait) {
    Record("PreCompress|" + S(base) + "|" + S(name) + "|" + N(count) + "|" + N(wait));
    return 0;
}
void WINAPI GetPreCompressFileName(char* buffer) { std::strcpy(buffer, "kabbit.cmp"); }
void WINAPI SetWorkingDir(const char* folder) { Record("SetWorkingDir|" + S(folder)); }
int WINAPI EncryptBufferData(BYTE*, int length, const char* pw, int pwLength, BOOL sync) {
    Record("EncryptBufferData|" + N(length) + "|" + S(pw) + "|" + N(pwLength) + "|" + N(sync));
    return 0;
}
int WINAPI DecryptBufferData(BYTE*, int length, const char* pw, int pwLength, BOOL sync) {
    Record("DecryptBufferData|" + N(length) + "|" + S(pw) + "|" + N(pwLength) + "|" + N(sync));
    return 0;
}
int WINAPI ForceCompleteCompress(BOOL force) { return force ? 1 : 0; }
int WINAPI GetErrorFileNames(char* buffer, int size) {
    Record("GetErrorFileNames|" + N(size));
    std::memcpy(buffer, "x\0\0", 3);
    return 0;
}

// Copies the record (cut to size - 1 bytes) and clears it; its full length.
int WINAPI StandinTakeCalls(char* buffer, int size) {
    const int n = static_cast<int>(g_calls.size());
    if (buffer && size > 0) {
        const int copy = n < size - 1 ? n : size - 1;
        std::memcpy(buffer, g_calls.data(), copy);
        buffer[copy] = 0;
    }
    g_calls.clear();
    return n;
}

}  // extern "C"

// Each function the binding looks up has its export list signature.
#define KB_BIND(name, withPeriod) KB_EXPORT_CHECK_PROTOTYPE(kb::kabbit, name)
#include "shared/tkabbit_functions.inc"
#undef KB_BIND
