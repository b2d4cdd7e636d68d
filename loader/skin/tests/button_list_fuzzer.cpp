// Any bytes as a button list: no overrun, and the records kept are exactly
// those before the line that stopped the list.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "loader/skin/button_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    const kb::loader::ButtonListFile list = kb::loader::ParseButtonList(in);
    if (!list.hasColor && !list.buttons.empty()) std::abort();
    if (list.stoppedAt == 1 && list.hasColor) std::abort();
    if (list.stoppedAt > 1 && list.buttons.size() != static_cast<std::size_t>(list.stoppedAt - 2)) std::abort();
    if (list.stoppedAt == 0 && !list.stoppedLine.empty()) std::abort();
    for (const auto& b : list.buttons)
        if (kb::loader::FindButtonSpec(list, b.id) == nullptr) std::abort();
    return 0;
}
