// Record layout and the pure rules of the compressed container.
#include "packlib/container_format.h"

namespace kb::pack {

void EncodeZipPkgStatus(const ZipPkgStatus& s, uint8_t out[kZipPkgStatusSize]) {
    WriteLe32(out + kZipPkgStatusCreation, s.creation);
    WriteLe32(out + kZipPkgStatusLastWrite, s.lastWrite);
    WriteLe32(out + kZipPkgStatusLastAccess, s.lastAccess);
    WriteLe32(out + kZipPkgStatusSizeField, static_cast<uint32_t>(s.size));
    out[kZipPkgStatusAttributes] = s.attributes;
    out[kZipPkgStatusAttributes + 1] = 0;
    out[kZipPkgStatusAttributes + 2] = 0;
    out[kZipPkgStatusAttributes + 3] = 0;
}

ZipPkgStatus DecodeZipPkgStatus(const uint8_t in[kZipPkgStatusSize]) {
    static_assert(kZipPkgStatusCreation == 0 && kZipPkgStatusLastWrite == 4 && kZipPkgStatusLastAccess == 8 &&
                  kZipPkgStatusSizeField == 12 && kZipPkgStatusAttributes == 16);
    ZipPkgStatus s;
    ByteReader r(in, kZipPkgStatusSize);
    r.U32(&s.creation);
    r.U32(&s.lastWrite);
    r.U32(&s.lastAccess);
    r.I32(&s.size);
    r.U8(&s.attributes);
    return s;
}

uint32_t ZipPkgBlockCount(uint32_t fileLength) {
    return fileLength / kZipPkgBlockSize + (fileLength % kZipPkgBlockSize ? 1 : 0);
}

uint32_t ZipPkgBlockExpandedSize(uint32_t fileLength, uint32_t k) {
    const uint64_t start = uint64_t{k} * kZipPkgBlockSize;
    if (start >= fileLength) return 0;
    const uint64_t rest = fileLength - start;
    return rest < kZipPkgBlockSize ? static_cast<uint32_t>(rest) : kZipPkgBlockSize;
}

uint64_t ZipPkgBlockLimit(uint64_t inputLength) { return 13 + (inputLength * 101) / 100; }

uint8_t ChooseBlockMode(uint64_t fileLength, uint64_t availablePhysical, uint64_t availableVirtual) {
    const uint64_t estimate = (fileLength * 202) / 100 + 26;
    uint64_t room = availablePhysical + availableVirtual / 200;
    if (room < availablePhysical) room = UINT64_MAX;
    return (estimate < room && estimate < kZipPkgSingleBlockLimit) ? kBlockModeSingle : kBlockModeBlocks;
}

int CompressProgress(uint64_t inputDone, uint64_t fileLength) {
    if (fileLength == 0 || inputDone >= fileLength) return 50;
    return static_cast<int>(inputDone * 50 / fileLength);
}

int ExtractProgress(uint64_t k, uint64_t n) {
    if (n == 0) return 100;
    return static_cast<int>(50 + (50 * k + 50) / n);
}

std::string StripDrivePart(const std::string& name) {
    const size_t first = name.find(':');
    if (first == std::string::npos) return name;
    if (name.find(':', 1) == std::string::npos) return name;  // only at the very start
    return name.substr(first + 1);
}

bool MakeRecordName(const std::string& sourcePath, const std::string& baseFolder, std::string* name) {
    if (baseFolder.size() >= sourcePath.size()) return false;
    std::string rest = StripDrivePart(sourcePath.substr(baseFolder.size()));
    if (rest.empty()) return false;
    *name = std::move(rest);
    return true;
}

}  // namespace kb::pack
