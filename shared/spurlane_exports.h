// Spurlane.dll's exports as C++ types: kb::spurlane::<Name> with kOrdinal,
// kName and Fn, from shared/spurlane_exports.inc.
#pragma once
#include "shared/export_list.h"

namespace kb::spurlane {
KB_EXPORT_ARGUMENT_TYPES
#define KB_EXPORT KB_EXPORT_DECLARE
#include "shared/spurlane_exports.inc"
#undef KB_EXPORT
}  // namespace kb::spurlane
