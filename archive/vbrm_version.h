// Version texts of runtime modules: the comparison of two FileVersion strings
// and the bounded copy of a FileVersion read from a module.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace ark::vbrm {

// Results of CompareVersions, as status bits of a module.
constexpr int kInstalledOlder = 0x0010;
constexpr int kVersionsSame = 0x0020;
constexpr int kInstalledNewer = 0x0040;

// Number of parts a version string is split into at "."; later parts are ignored.
constexpr int kVersionParts = 8;

// Compares the installed copy's version with the archive copy's: each string is
// split at "." into at most 8 parts, a part's value is its leading decimal
// digits (0 when none; saturated when too large), missing parts are 0. The first
// part that differs decides. kInstalledOlder, kVersionsSame or kInstalledNewer.
int CompareVersions(std::string_view installed, std::string_view archive);

// A module's FileVersion is copied into a 64-byte field: at most this many
// bytes, never splitting a double-byte character.
constexpr size_t kVersionTextMax = 63;
std::string BoundVersionText(std::string_view text);

// "%04x%04x" of a version resource's first translation (language, code page).
std::string FormatTranslation(unsigned language, unsigned codePage);

}  // namespace ark::vbrm
