// Reads the export and import tables of a PE image file without loading it.
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

struct PeImport {
    std::string dll;       // as the image names it
    bool delayed = false;  // from the delay-load table: needed at the first call
    bool operator==(const PeImport&) const = default;
};

// The DLLs a PE image held in memory binds through its import and delay-load
// tables, in table order. Returns nothing when the image is malformed.
std::optional<std::vector<PeImport>> ReadPeImports(const std::vector<uint8_t>& image);

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path);

}  // namespace kb::testing
