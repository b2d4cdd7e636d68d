// Kabbit.dll's exports as C++ types: kb::kabbit::<Name> with kOrdinal, kName
// and Fn, from shared/kabbit_exports.inc.
#pragma once
#include "shared/export_list.h"

namespace kb::kabbit {
KB_EXPORT_ARGUMENT_TYPES
#define KB_EXPORT KB_EXPORT_DECLARE
#include "shared/kabbit_exports.inc"
#undef KB_EXPORT
}  // namespace kb::kabbit
