// The marker search over this machine's drives and profile folders.
#pragma once

namespace kb::markers {

// True when a file named markerName lies in one of the machine's marker folders.
// No dialog is shown for a drive that is not ready; any failure counts as no hit.
bool SystemMarkerExists(const char* markerName) noexcept;

}  // namespace kb::markers
