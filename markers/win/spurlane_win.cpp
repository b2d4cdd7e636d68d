// Spurlane.dll: has an administrator-mode install step left its markers here?
#include "markers/marker_search.h"
#include "markers/system_marker_view.h"
#include "shared/spurlane_exports.h"

#include <windows.h>

// Both exports take no arguments, keep nothing between calls and start no threads.
// Each builds its list of marker folders anew: the fixed drives C: to Y:, then the
// visible profile folders' "Local Settings\Temp\", each with "TQZDisc\".

// 1 when a file "AdminForInst" lies in one of the marker folders, else 0 (also when
// a search fails).
extern "C" int WINAPI IsExistInstKey() {
    return kb::markers::SystemMarkerExists(kb::markers::kInstMarker) ? 1 : 0;
}

// 1 when a file "AdminForNeedReboot" lies in one of the marker folders, else 0 (also
// when a search fails).
extern "C" int WINAPI IsExistNeedRebootKey() {
    return kb::markers::SystemMarkerExists(kb::markers::kNeedRebootMarker) ? 1 : 0;
}

// Every export's prototype is its export list entry, calling convention included.
#define KB_EXPORT(ordinal, ret, name, args) KB_EXPORT_CHECK_PROTOTYPE(kb::spurlane, name)
#include "shared/spurlane_exports.inc"
#undef KB_EXPORT
