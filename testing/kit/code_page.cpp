#include "testing/kit/code_page.h"

#include "shared/base/dbcs.h"

namespace kb::testing {

bool UseCodePage932() {
#ifndef _WIN32
    kb::platform::SetAnsiCodePageForTesting(932);
#endif
    return kb::platform::IsLeadByte(0x81) && kb::platform::IsLeadByte(0x95) && !kb::platform::IsLeadByte(0x41);
}

bool UseSingleByteCodePage() {
#ifndef _WIN32
    kb::platform::SetAnsiCodePageForTesting(1252);
#endif
    for (int byte = 0x80; byte <= 0xFF; ++byte)
        if (kb::platform::IsLeadByte(static_cast<unsigned char>(byte))) return false;
    return true;
}

}  // namespace kb::testing
