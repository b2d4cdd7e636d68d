#include "archive/components_api.h"

#include <string>

#include "archive/frame.h"
#include "archive/register_run.h"
#include "archive/vbrm_run.h"

namespace ark::components::api {
namespace {
std::string Text(const char* s) { return s ? std::string(s) : std::string(); }
}  // namespace

int RegisterAllEx(System& sys, const char* archive, int allowInstall, int olderPolicy, int reserved) {
    return RunExport(
        [&] { return components::RegisterAllEx(sys, Text(archive), allowInstall != 0, olderPolicy, reserved); });
}

int RegisterAll(System& sys, const char* archive, int allowInstall) {
    return RegisterAllEx(sys, archive, allowInstall, 1, 0);
}

int SetRegCmpMode(System& sys, int mode) {
    return RunExport([&] { return components::SetRegCmpMode(sys, mode); });
}

int SetRegCmpFile(System& sys, const char* fileName) {
    return RunExport([&] { return components::SetRegCmpFile(sys, Text(fileName)); });
}

int InstallVBRM(System& sys, const char* archive, const char* cdFolder, int allowInstall, const char* rebootMessage) {
    return RunExport([&] {
        return vbrm::InstallVBRM(sys, Text(archive), Text(cdFolder), allowInstall != 0, Text(rebootMessage));
    });
}

}  // namespace ark::components::api
