// Whether the user is an administrator: a member of the built-in
// Administrators group by name, found through NetApi32.dll bound at run time.
#pragma once

#include <string>

namespace kb::launcher {

// Yes before the NT family (a version code below 0x20000100, -1 included).
// On NT: yes when a group of the process token looks up to the name of
// S-1-5-32-544 (group attributes are not looked at). No when NetApi32.dll or
// one of its two functions is missing (after a message box without owner and
// caption naming it), when a name cannot be looked up, or when the token
// cannot be read.
bool IsUserAdmin();

}  // namespace kb::launcher
