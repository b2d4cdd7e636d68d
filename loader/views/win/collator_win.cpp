#include "loader/views/win/collator_win.h"

#include <windows.h>

namespace kb::loader {

Collator LstrcmpCollator() {
    return [](const std::string& a, const std::string& b) { return lstrcmpA(a.c_str(), b.c_str()); };
}

}  // namespace kb::loader
