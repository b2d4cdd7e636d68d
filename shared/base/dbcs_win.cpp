#include "shared/base/dbcs.h"

#include <windows.h>

namespace kb::platform {

bool IsLeadByte(unsigned char c) { return IsDBCSLeadByte(c) != FALSE; }

}  // namespace kb::platform
