// The one seam through which the loader reads ini files: the Windows side asks
// the platform's private-profile functions, the portable tests an in-memory table.
#pragma once
#include <functional>
#include <memory>
#include <string>

namespace kb::loader {

// String values come back as the platform gives them: no unquoting or trimming
// of our own, at most kProfileValueLimit bytes.
class ProfileReader {
public:
    virtual ~ProfileReader() = default;
    // The value of key in section, or defaultValue when either is absent.
    virtual std::string ReadString(const std::string& section, const std::string& key,
                                   const std::string& defaultValue) const = 0;
};

constexpr size_t kProfileValueLimit = 2047;

// Opens a reader on an ini file; a missing file gives a reader that answers
// every default (as the platform does).
using ProfileOpener = std::function<std::unique_ptr<ProfileReader>(const std::string& path)>;

// A profile integer after leading blanks: decimal, or hexadecimal after "$"
// or "0x" (either case), optionally signed, within 32 bits (hexadecimal up to
// 8 digits, taken as the 32-bit pattern). False for anything else, value
// untouched.
bool ParseProfileInteger(const std::string& text, int& value);

// The integer value of key, defaultValue when absent or not a number.
int ReadProfileInteger(const ProfileReader& reader, const std::string& section, const std::string& key,
                       int defaultValue);

}  // namespace kb::loader
