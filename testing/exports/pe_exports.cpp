#include "pe_exports.h"

#include <fstream>
#include <iterator>

namespace kb::testing {
namespace {

constexpr uint32_t kDosLfanewOffset = 0x3C;
constexpr uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr uint32_t kFileHeaderSize = 20;
constexpr uint16_t kOptionalMagic32 = 0x10B;
constexpr uint16_t kOptionalMagic64 = 0x20B;
constexpr uint32_t kDataDirOffset32 = 96;
constexpr uint32_t kDataDirOffset64 = 112;
constexpr uint32_t kSectionHeaderSize = 40;

class Reader {
public:
    explicit Reader(const std::vector<uint8_t>& b) : b_(b) {}
    bool U16(uint64_t off, uint16_t& v) const {
        if (off + 2 > b_.size()) return false;
        v = uint16_t(b_[off] | (b_[off + 1] << 8));
        return true;
    }
    bool U32(uint64_t off, uint32_t& v) const {
        if (off + 4 > b_.size()) return false;
        v = uint32_t(b_[off]) | uint32_t(b_[off + 1]) << 8 | uint32_t(b_[off + 2]) << 16 |
            uint32_t(b_[off + 3]) << 24;
        return true;
    }
    bool CStr(uint64_t off, std::string& s) const {
        s.clear();
        for (uint64_t i = off; i < b_.size(); ++i) {
            if (b_[i] == 0) return true;
            s.push_back(char(b_[i]));
        }
        return false;
    }

private:
    const std::vector<uint8_t>& b_;
};

struct Section {
    uint32_t va, vsize, raw, rawSize;
};

}  // namespace

std::optional<std::vector<PeExport>> ReadPeExports(const std::vector<uint8_t>& image) {
    Reader r(image);
    uint32_t peOff = 0, sig = 0;
    if (!r.U32(kDosLfanewOffset, peOff) || !r.U32(peOff, sig) || sig != kPeSignature)
        return std::nullopt;
    uint16_t nSections = 0, optSize = 0, magic = 0;
    const uint64_t fileHeader = uint64_t(peOff) + 4;
    if (!r.U16(fileHeader + 2, nSections) || !r.U16(fileHeader + 16, optSize)) return std::nullopt;
    const uint64_t opt = fileHeader + kFileHeaderSize;
    if (!r.U16(opt, magic)) return std::nullopt;
    uint64_t dataDir = 0;
    if (magic == kOptionalMagic32) dataDir = opt + kDataDirOffset32;
    else if (magic == kOptionalMagic64) dataDir = opt + kDataDirOffset64;
    else return std::nullopt;
    uint32_t expRva = 0, expSize = 0;
    if (!r.U32(dataDir, expRva) || !r.U32(dataDir + 4, expSize)) return std::nullopt;

    std::vector<Section> sections;
    const uint64_t secTable = opt + optSize;
    for (uint16_t i = 0; i < nSections; ++i) {
        Section s{};
        const uint64_t h = secTable + uint64_t(i) * kSectionHeaderSize;
        if (!r.U32(h + 8, s.vsize) || !r.U32(h + 12, s.va) || !r.U32(h + 16, s.rawSize) ||
            !r.U32(h + 20, s.raw))
            return std::nullopt;
        sections.push_back(s);
    }
    auto toOffset = [&](uint32_t rva) -> std::optional<uint64_t> {
        for (const auto& s : sections) {
            const uint32_t span = s.vsize ? s.vsize : s.rawSize;
            if (rva >= s.va && uint64_t(rva) < uint64_t(s.va) + span)
                return uint64_t(s.raw) + (rva - s.va);
        }
        return std::nullopt;
    };

    std::vector<PeExport> out;
    if (expRva == 0) return out;
    auto dir = toOffset(expRva);
    if (!dir) return std::nullopt;
    uint32_t base = 0, nFunctions = 0, nNames = 0, namesRva = 0, ordsRva = 0;
    if (!r.U32(*dir + 16, base) || !r.U32(*dir + 20, nFunctions) || !r.U32(*dir + 24, nNames) ||
        !r.U32(*dir + 32, namesRva) || !r.U32(*dir + 36, ordsRva))
        return std::nullopt;
    auto names = toOffset(namesRva);
    auto ords = toOffset(ordsRva);
    if (nNames && (!names || !ords)) return std::nullopt;
    for (uint32_t i = 0; i < nNames; ++i) {
        uint32_t nameRva = 0;
        uint16_t idx = 0;
        if (!r.U32(*names + uint64_t(i) * 4, nameRva) || !r.U16(*ords + uint64_t(i) * 2, idx))
            return std::nullopt;
        if (idx >= nFunctions) return std::nullopt;
        auto nameOff = toOffset(nameRva);
        PeExport e;
        if (!nameOff || !r.CStr(*nameOff, e.name)) return std::nullopt;
        e.ordinal = base + idx;
        out.push_back(std::move(e));
    }
    return out;
}

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

}  // namespace kb::testing
