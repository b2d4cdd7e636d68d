// The exported functions of Kabbit.dll that look inside compressed entries: each
// forwards to the one controller and lets no C++ exception out.
#include <new>

#include "packlib/win/export_guard.h"
#include "packlib/kabbit_app.h"
#include "packlib/win/kabbit_zip.h"
#include "shared/pack_errors.h"

namespace {

using kb::pack::Guarded;

}  // namespace

extern "C" {

int WINAPI EnumFilesInZipPkg(const char* packPath, const char* entryName, char* names, int namesSize,
                             DWORD* sizes, int sizesBytes, const char* password) {
    static_assert(sizeof(DWORD) == sizeof(uint32_t));
    return Guarded([&] {
        return kb::pack::TheApp().EnumFilesInZipPkg(packPath, entryName, names, namesSize,
                                                    reinterpret_cast<uint32_t*>(sizes), sizesBytes, password);
    });
}

int WINAPI UnPackSubFile(const char* packPath, const char* destFolder, const char* entryName,
                         const char* subFileName, const char* password) {
    return Guarded(
        [&] { return kb::pack::TheApp().UnPackSubFile(packPath, destFolder, entryName, subFileName, password); });
}

}  // extern "C"
