// Reads the export table of a PE image file (DLL) without loading it.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kb::testing {

struct PeExport {
    std::string name;  // empty for an export by ordinal only
    uint32_t ordinal = 0;
    bool operator==(const PeExport&) const = default;
};

// Parses the named exports of a PE image held in memory. Returns nothing when the
// image is malformed; every offset is checked against the image size.
std::optional<std::vector<PeExport>> ReadPeExports(const std::vector<uint8_t>& image);

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path);

}  // namespace kb::testing
