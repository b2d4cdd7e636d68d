// Feeds any bytes to the settings-text routines: the first byte chooses the
// code page, the rest splits at the first zero byte into text and argument.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "launcher/ini_text.h"
#include "shared/base/dbcs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    kb::platform::SetAnsiCodePageForTesting((data[0] & 1) ? 932 : 1252);
    std::string_view all(reinterpret_cast<const char*>(data + 1), size - 1);
    size_t zero = all.find('\0');
    std::string_view text = all.substr(0, zero);
    std::string_view arg = zero == std::string_view::npos ? std::string_view() : all.substr(zero + 1);

    std::string out = kb::launcher::FormatOneArg(text, arg);
    // The argument goes in at most once, and the rest never grows.
    if (out.size() > text.size() + arg.size()) std::abort();
    std::string plain = kb::launcher::UnquoteIniValue(text);
    if (plain.size() > text.size()) std::abort();
    (void)kb::launcher::IniValueToInt(text);
    return 0;
}
