// The component and runtime-module exports as portable functions over a
// System: each resets the error context first and keeps every exception
// inside. Arkstow.dll forwards its exports here with the Windows system; tests
// call them with their own. A null archive path gives -10; a null folder,
// file name or message counts as an empty string.
#pragma once
#include "archive/components_system.h"

namespace ark::components::api {

// Installs every entry of archive into the system folder's "TQZDisc" as a
// component. allowInstall nonzero allows copying; olderPolicy 64 lets an older
// archive copy replace an installed plain file; reserved has no effect.
// Entries are extracted into a private folder made in the temp folder and
// removed with everything in it at the end; no other file there is touched.
// 0; 6 an install is needed but not allowed (files before it stay installed);
// -22 an entry name that would leave the install or extraction folder; -60
// "Register.dll" or one of its functions missing; -61, -62, -63, -64, -66,
// -67; -100 the private folder cannot be made; the count's, name and
// extraction codes.
int RegisterAllEx(System& sys, const char* archive, int allowInstall, int olderPolicy, int reserved);
// RegisterAllEx with olderPolicy 1 and reserved 0.
int RegisterAll(System& sys, const char* archive, int allowInstall);
// Passes mode to the registration library, which stays loaded until the next
// RegisterAll or RegisterAllEx ends. 0 or -60.
int SetRegCmpMode(System& sys, int mode);
// Passes the comparison file's name to the registration library, which stays
// loaded. 0; -80 the library rejected it; -60.
int SetRegCmpFile(System& sys, const char* fileName);
// Brings the runtime modules of archive up to date in the system folder
// through the installer "Halvorin.exe" of cdFolder: 0 nothing to do; 256 the
// installer ran; 5 it runs after a restart (RunOnce set, rebootMessage shown
// on the NT family); 6 a log-off or an allowed install is needed; -22, -61,
// -62, -68, -69 (the installer is not in cdFolder), -100 ("ArkstowErr.log"
// tells which call failed: a copy, the installer's start, the task file or the
// RunOnce key); the count's, name and extraction codes.
int InstallVBRM(System& sys, const char* archive, const char* cdFolder, int allowInstall, const char* rebootMessage);

}  // namespace ark::components::api
