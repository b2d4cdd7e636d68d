// The exported functions of Kabbit.dll: each forwards to the one controller and
// lets no C++ exception out.
#include "packlib/win/kabbit.h"

#include <new>

#include "packlib/win/export_guard.h"
#include "packlib/kabbit_app.h"
#include "packlib/win/kabbit_pack.h"
#include "packlib/win/kabbit_zip.h"
#include "shared/kabbit_exports.h"
#include "shared/pack_errors.h"

namespace {

using kb::pack::TheApp;

// Made when the library loads, so that a failure to make its objects shows at
// the first call.
[[maybe_unused]] kb::pack::CKabbitApp& g_app = TheApp();

using kb::pack::Guarded;

}  // namespace

extern "C" {

int WINAPI GetType(const char* packPath, BYTE* version, BYTE* flags) {
    return Guarded([&] { return TheApp().GetType(packPath, version, flags); });
}

int WINAPI UnPack(const char* packPath, const char* destFolder, const char* entryName, const char* password) {
    return Guarded([&] { return TheApp().UnPack(packPath, destFolder, entryName, password); });
}

int WINAPI EnumFiles(const char* packPath, char* names, int namesSize, BYTE* flags, DWORD* sizes, int sizesBytes,
                     const char* password) {
    static_assert(sizeof(DWORD) == sizeof(uint32_t));
    return Guarded([&] {
        return TheApp().EnumFiles(packPath, names, namesSize, flags, reinterpret_cast<uint32_t*>(sizes), sizesBytes,
                                  password);
    });
}

int WINAPI GetProgress(char* currentName) {
    return Guarded([&] { return TheApp().GetProgress(currentName); });
}

int WINAPI CreateNew(const char* packPath, const char* password, BOOL encrypted, int rounds) {
    return Guarded([&] { return TheApp().CreateNew(packPath, password, encrypted != FALSE, rounds); });
}

int WINAPI GetFileCount(const char* packPath, const char* password) {
    return Guarded([&] { return TheApp().GetFileCount(packPath, password); });
}

int WINAPI GetTotalSize(const char* packPath, const char* password) {
    return Guarded([&] { return TheApp().GetTotalSize(packPath, password); });
}

int WINAPI GetFileInfo(const char* packPath, int index, char* name, int* nameSize, int* dataLength,
                       const char* password) {
    return Guarded([&] { return TheApp().GetFileInfo(packPath, index, name, nameSize, dataLength, password); });
}

BOOL WINAPI Stop(HWND window) {
    try {
        return TheApp().Stop(reinterpret_cast<uintptr_t>(window)) ? TRUE : FALSE;
    } catch (...) {
        return FALSE;
    }
}

void WINAPI SetWorkingDir(const char* folder) {
    Guarded([&] {
        TheApp().SetWorkingDir(folder);
        return 0;
    });
}

void WINAPI SetUnpackLimit(DWORD limitLow, DWORD limitHigh) {
    Guarded([&] {
        TheApp().SetUnpackLimit(uint64_t{limitHigh} << 32 | limitLow);
        return 0;
    });
}

}  // extern "C"

// Every export's prototype is its export list entry, calling convention included.
#define KB_EXPORT(ordinal, ret, name, args) KB_EXPORT_CHECK_PROTOTYPE(kb::kabbit, name)
#include "shared/kabbit_exports.inc"
#undef KB_EXPORT
