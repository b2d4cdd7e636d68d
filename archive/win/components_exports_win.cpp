// Arkstow.dll: the component and runtime-module exports, forwarding to the
// portable functions with the Windows system.
#include <windows.h>

#include "archive/arkstow_api.h"
#include "archive/components_api.h"

extern "C" {

int WINAPI RegisterAll(const char* archive, int allowInstall) {
    return ark::components::api::RegisterAll(ark::components::WindowsSystem(), archive, allowInstall);
}
int WINAPI InstallVBRM(const char* archive, const char* cdFolder, int allowInstall, const char* rebootMessage) {
    return ark::components::api::InstallVBRM(ark::components::WindowsSystem(), archive, cdFolder, allowInstall,
                                             rebootMessage);
}
int WINAPI RegisterAllEx(const char* archive, int allowInstall, int olderPolicy, int reserved) {
    return ark::components::api::RegisterAllEx(ark::components::WindowsSystem(), archive, allowInstall, olderPolicy,
                                               reserved);
}
int WINAPI SetRegCmpMode(int mode) {
    return ark::components::api::SetRegCmpMode(ark::components::WindowsSystem(), mode);
}
int WINAPI SetRegCmpFile(const char* fileName) {
    return ark::components::api::SetRegCmpFile(ark::components::WindowsSystem(), fileName);
}

}  // extern "C"
