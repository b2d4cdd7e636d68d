#include "loader/views/tests/ui_test_support.h"

#include "shared/platform/dbcs.h"

namespace kb::loader::testing {

bool UseCodePage932() {
#ifndef _WIN32
    kb::platform::SetAnsiCodePageForTesting(932);
#endif
    return kb::platform::IsLeadByte(0x81) && kb::platform::IsLeadByte(0x95) && !kb::platform::IsLeadByte(0x41);
}

void UseSingleByteCodePage() {
#ifndef _WIN32
    kb::platform::SetAnsiCodePageForTesting(1252);
#endif
}

}  // namespace kb::loader::testing
