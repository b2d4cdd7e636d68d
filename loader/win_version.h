// The loader's Windows version code, a pure function of the version data.
#pragma once
#include "shared/base/version.h"

namespace kb::loader {

// 1 95, 2 95 OSR2, 3 98, 5 98 SE, 4 Me, 10 NT 3.5, 11 NT 3.51, 20 NT 4,
// 30 2000, 40 XP and later 5.x, 0 another major version on Win32s, -1 a failed
// query and everything else (NT 6.0 and later included).
int GetWinVersionCode(const WindowsVersionData& data);

}  // namespace kb::loader
