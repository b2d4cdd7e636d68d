// The Windows version as the launcher asks for it, and the gates on it.
#pragma once

#include <cstdint>

#include "launcher/version_code.h"

namespace kb::launcher {

// What GetVersionExA reports: the extended record (156 bytes) first, the
// basic one (148 bytes) when that fails.
OsVersionFacts QueryOsVersionFacts();
// The version code of this system (-1 when the version cannot be read).
int32_t GetOsVersionCode();
// NT family, major version 5 or more.
bool UseGlobalNamespace();

}  // namespace kb::launcher
