// Arkstow.dll: the exported functions, each forwarding to the portable core,
// which resets the error context and keeps every exception inside.
#include <windows.h>

#include "archive/ach_scramble.h"
#include "archive/arkstow_api.h"
#include "archive/api.h"

extern "C" {

int ARKSTOW_CALL GetCount(const char* archive, int* slotCount, int* maxNameLength) {
    return ark::api::GetCount(archive, slotCount, maxNameLength);
}
int ARKSTOW_CALL GetName(const char* archive, int index, char* buffer, int bufferSize) {
    return ark::api::GetName(archive, index, buffer, bufferSize);
}
int ARKSTOW_CALL GetInfo(const char* archive, int index, TAchFileInfo* info) {
    return ark::api::GetInfo(archive, index, info);
}
int ARKSTOW_CALL LoadByIndex(const char* archive, int index, ArkMemStream* stream) {
    return ark::api::LoadByIndex(archive, index, stream);
}
int ARKSTOW_CALL LoadByName(const char* archive, const char* name, ArkMemStream* stream) {
    return ark::api::LoadByName(archive, name, stream);
}
int ARKSTOW_CALL SaveByIndex(const char* archive, int index, const char* destFile) {
    return ark::api::SaveByIndex(archive, index, destFile);
}
int ARKSTOW_CALL SaveByName(const char* archive, const char* name, const char* destFile) {
    return ark::api::SaveByName(archive, name, destFile);
}
int ARKSTOW_CALL SaveAll(const char* archive, const char* destFolder) {
    return ark::api::SaveAll(archive, destFolder);
}
int ARKSTOW_CALL Find(const char* archive, const char* name) { return ark::api::Find(archive, name); }
int ARKSTOW_CALL MemCopy(const char* archive, const char* name, void* buffer, int offset, int length) {
    return ark::api::MemCopy(archive, name, buffer, offset, length);
}

}  // extern "C"

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    // The pack library bound for scrambled bodies: freed with this library,
    // left to the system when the whole process ends.
    if (reason == DLL_PROCESS_DETACH) ark::AchCipher().Unload(reserved != nullptr);
    return TRUE;
}
