// Arkstow.dll: the writing exports, each forwarding to the portable core, and
// the scrambled form installed for every reader as the library loads.
#include <windows.h>

#include "archive/ach_api.h"
#include "archive/ach_scramble.h"
#include "archive/arkstow_api.h"

namespace {
// Only a pointer is set here: the pack library is bound at the first body, not
// under the loader lock.
[[maybe_unused]] const bool g_scrambledFormInstalled = (ark::InstallAchCipher(), true);
}  // namespace

extern "C" {

int WINAPI CreateNew(const char* archive, int slotCount) { return ark::api::CreateNew(archive, slotCount); }
int WINAPI Add(const char* archive, const char* sourceFile, const char* storedName) {
    return ark::api::Add(archive, sourceFile, storedName);
}
int WINAPI RemoveByIndex(const char* archive, int index) { return ark::api::RemoveByIndex(archive, index); }
int WINAPI RemoveByName(const char* archive, const char* name) {
    return ark::api::RemoveByName(archive, name);
}
int WINAPI EncryptAchFile(const char* plainArchive, const char* scrambledArchive) {
    return ark::api::EncryptAchFile(plainArchive, scrambledArchive);
}

}  // extern "C"
