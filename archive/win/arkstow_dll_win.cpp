// Arkstow.dll: the exported functions, each forwarding to the portable core,
// which resets the error context and keeps every exception inside.
#include <windows.h>

#include "archive/ach_scramble.h"
#include "archive/arkstow_api.h"
#include "archive/api.h"
#include "shared/arkstow_exports.h"

extern "C" {

int WINAPI GetCount(const char* archive, int* slotCount, int* maxNameLength) {
    return ark::api::GetCount(archive, slotCount, maxNameLength);
}
int WINAPI GetName(const char* archive, int index, char* buffer, int bufferSize) {
    return ark::api::GetName(archive, index, buffer, bufferSize);
}
int WINAPI GetInfo(const char* archive, int index, TAchFileInfo* info) {
    return ark::api::GetInfo(archive, index, info);
}
int WINAPI LoadByIndex(const char* archive, int index, ArkMemStream* stream) {
    return ark::api::LoadByIndex(archive, index, stream);
}
int WINAPI LoadByName(const char* archive, const char* name, ArkMemStream* stream) {
    return ark::api::LoadByName(archive, name, stream);
}
int WINAPI SaveByIndex(const char* archive, int index, const char* destFile) {
    return ark::api::SaveByIndex(archive, index, destFile);
}
int WINAPI SaveByName(const char* archive, const char* name, const char* destFile) {
    return ark::api::SaveByName(archive, name, destFile);
}
int WINAPI SaveAll(const char* archive, const char* destFolder) {
    return ark::api::SaveAll(archive, destFolder);
}
int WINAPI Find(const char* archive, const char* name) { return ark::api::Find(archive, name); }
int WINAPI MemCopy(const char* archive, const char* name, void* buffer, int offset, int length) {
    return ark::api::MemCopy(archive, name, buffer, offset, length);
}

}  // extern "C"

// Every export's prototype is its export list entry, calling convention included.
#define KB_EXPORT(ordinal, ret, name, args) KB_EXPORT_CHECK_PROTOTYPE(kb::arkstow, name)
#include "shared/arkstow_exports.inc"
#undef KB_EXPORT

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    // The pack library bound for scrambled bodies: freed with this library,
    // left to the system when the whole process ends.
    if (reason == DLL_PROCESS_DETACH) ark::AchCipher().Unload(reserved != nullptr);
    return TRUE;
}
