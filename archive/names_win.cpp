#include <windows.h>

#include "archive/names.h"

namespace ark {

bool EqualIgnoringCaseLocale(const char* a, const char* b) { return lstrcmpiA(a, b) == 0; }

}  // namespace ark
