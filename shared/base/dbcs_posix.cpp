#include "shared/base/dbcs.h"

#include <atomic>

namespace kb::platform {
namespace {
std::atomic<int> g_codePage{1252};
}

bool IsLeadByte(unsigned char c) {
    if (g_codePage.load(std::memory_order_relaxed) == 932)
        return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    return false;
}

void SetAnsiCodePageForTesting(int codePage) { g_codePage.store(codePage); }

}  // namespace kb::platform
