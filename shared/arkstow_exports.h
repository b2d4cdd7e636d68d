// Arkstow.dll's exports as C++ types: kb::arkstow::<Name> with kOrdinal, kName
// and Fn, from shared/arkstow_exports.inc.
#pragma once
#include "shared/export_list.h"

// Defined by the archive server's interface (archive/arkstow_api.h); pointers
// to them are all a signature needs.
struct TAchFileInfo;
struct ArkMemStream;

namespace kb::arkstow {
KB_EXPORT_ARGUMENT_TYPES
#define KB_EXPORT KB_EXPORT_DECLARE
#include "shared/arkstow_exports.inc"
#undef KB_EXPORT
}  // namespace kb::arkstow
