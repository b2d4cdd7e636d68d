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

constexpr int kExportDir = 0;
constexpr int kImportDir = 1;
constexpr int kDelayImportDir = 13;
constexpr uint32_t kImportDescriptorSize = 20;
constexpr uint32_t kDelayDescriptorSize = 32;
constexpr uint32_t kDelayAttrRva = 1;  // delay descriptors of old linkers hold addresses, not RVAs
// More descriptors than any real image holds: a table without its terminator stops here.
constexpr uint32_t kMaxDescriptors = 4096;

// The headers every table reader needs: the data directories and the sections.
class Image {
public:
    explicit Image(const std::vector<uint8_t>& b) : r(b) {}

    bool Parse() {
        uint32_t peOff = 0, sig = 0;
        if (!r.U32(kDosLfanewOffset, peOff) || !r.U32(peOff, sig) || sig != kPeSignature) return false;
        uint16_t nSections = 0, optSize = 0, magic = 0;
        const uint64_t fileHeader = uint64_t(peOff) + 4;
        if (!r.U16(fileHeader + 2, nSections) || !r.U16(fileHeader + 16, optSize)) return false;
        const uint64_t opt = fileHeader + kFileHeaderSize;
        if (!r.U16(opt, magic)) return false;
        uint32_t nDirs = 0;
        if (magic == kOptionalMagic32) {
            dataDir_ = opt + kDataDirOffset32;
            uint32_t base = 0;
            if (!r.U32(opt + 28, base) || !r.U32(dataDir_ - 4, nDirs)) return false;
            imageBase_ = base;
        } else if (magic == kOptionalMagic64) {
            dataDir_ = opt + kDataDirOffset64;
            uint32_t lo = 0, hi = 0;
            if (!r.U32(opt + 24, lo) || !r.U32(opt + 28, hi) || !r.U32(dataDir_ - 4, nDirs)) return false;
            imageBase_ = uint64_t(hi) << 32 | lo;
        } else {
            return false;
        }
        nDirs_ = nDirs;
        const uint64_t secTable = opt + optSize;
        for (uint16_t i = 0; i < nSections; ++i) {
            Section s{};
            const uint64_t h = secTable + uint64_t(i) * kSectionHeaderSize;
            if (!r.U32(h + 8, s.vsize) || !r.U32(h + 12, s.va) || !r.U32(h + 16, s.rawSize) || !r.U32(h + 20, s.raw))
                return false;
            sections_.push_back(s);
        }
        return true;
    }

    // The RVA of a data directory, 0 when the image has none.
    bool Dir(int index, uint32_t& rva) const {
        rva = 0;
        if (uint32_t(index) >= nDirs_) return true;
        return r.U32(dataDir_ + uint64_t(index) * 8, rva);
    }

    std::optional<uint64_t> ToOffset(uint32_t rva) const {
        for (const auto& s : sections_) {
            const uint32_t span = s.vsize ? s.vsize : s.rawSize;
            if (rva >= s.va && uint64_t(rva) < uint64_t(s.va) + span) return uint64_t(s.raw) + (rva - s.va);
        }
        return std::nullopt;
    }

    bool NameAt(uint32_t rva, std::string& s) const {
        auto off = ToOffset(rva);
        return off && r.CStr(*off, s);
    }

    uint64_t ImageBase() const { return imageBase_; }

    Reader r;

private:
    uint64_t dataDir_ = 0;
    uint32_t nDirs_ = 0;
    uint64_t imageBase_ = 0;
    std::vector<Section> sections_;
};

}  // namespace

std::optional<std::vector<PeExport>> ReadPeExports(const std::vector<uint8_t>& image) {
    Image pe(image);
    uint32_t expRva = 0;
    if (!pe.Parse() || !pe.Dir(kExportDir, expRva)) return std::nullopt;
    const Reader& r = pe.r;

    std::vector<PeExport> out;
    if (expRva == 0) return out;
    auto dir = pe.ToOffset(expRva);
    if (!dir) return std::nullopt;
    uint32_t base = 0, nFunctions = 0, nNames = 0, namesRva = 0, ordsRva = 0;
    if (!r.U32(*dir + 16, base) || !r.U32(*dir + 20, nFunctions) || !r.U32(*dir + 24, nNames) ||
        !r.U32(*dir + 32, namesRva) || !r.U32(*dir + 36, ordsRva))
        return std::nullopt;
    auto names = pe.ToOffset(namesRva);
    auto ords = pe.ToOffset(ordsRva);
    if (nNames && (!names || !ords)) return std::nullopt;
    for (uint32_t i = 0; i < nNames; ++i) {
        uint32_t nameRva = 0;
        uint16_t idx = 0;
        if (!r.U32(*names + uint64_t(i) * 4, nameRva) || !r.U16(*ords + uint64_t(i) * 2, idx))
            return std::nullopt;
        if (idx >= nFunctions) return std::nullopt;
        PeExport e;
        if (!pe.NameAt(nameRva, e.name)) return std::nullopt;
        e.ordinal = base + idx;
        out.push_back(std::move(e));
    }
    return out;
}

std::optional<std::vector<PeImport>> ReadPeImports(const std::vector<uint8_t>& image) {
    Image pe(image);
    uint32_t impRva = 0, delayRva = 0;
    if (!pe.Parse() || !pe.Dir(kImportDir, impRva) || !pe.Dir(kDelayImportDir, delayRva)) return std::nullopt;
    const Reader& r = pe.r;

    std::vector<PeImport> out;
    if (impRva != 0) {
        auto table = pe.ToOffset(impRva);
        if (!table) return std::nullopt;
        for (uint32_t i = 0;; ++i) {
            if (i == kMaxDescriptors) return std::nullopt;
            const uint64_t d = *table + uint64_t(i) * kImportDescriptorSize;
            uint32_t lookup = 0, nameRva = 0, thunks = 0;
            if (!r.U32(d, lookup) || !r.U32(d + 12, nameRva) || !r.U32(d + 16, thunks)) return std::nullopt;
            if (lookup == 0 && nameRva == 0 && thunks == 0) break;
            PeImport e;
            if (!pe.NameAt(nameRva, e.dll)) return std::nullopt;
            out.push_back(std::move(e));
        }
    }
    if (delayRva != 0) {
        auto table = pe.ToOffset(delayRva);
        if (!table) return std::nullopt;
        for (uint32_t i = 0;; ++i) {
            if (i == kMaxDescriptors) return std::nullopt;
            const uint64_t d = *table + uint64_t(i) * kDelayDescriptorSize;
            uint32_t attributes = 0, name = 0;
            if (!r.U32(d, attributes) || !r.U32(d + 4, name)) return std::nullopt;
            if (name == 0) break;
            uint64_t nameRva = name;
            if (!(attributes & kDelayAttrRva)) {
                if (name < pe.ImageBase()) return std::nullopt;
                nameRva = name - pe.ImageBase();
            }
            if (nameRva > UINT32_MAX) return std::nullopt;
            PeImport e;
            e.delayed = true;
            if (!pe.NameAt(uint32_t(nameRva), e.dll)) return std::nullopt;
            out.push_back(std::move(e));
        }
    }
    return out;
}

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

}  // namespace kb::testing
