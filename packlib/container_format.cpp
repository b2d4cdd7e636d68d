// Record layout and the pure rules of the compressed container.
#include "packlib/container_format.h"

#include "shared/base/dbcs.h"

namespace kb::pack {
namespace {

size_t CharLength(const std::string& s, size_t i) {
    return (platform::IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

void EncodeZipPkgStatus(const ZipPkgStatus& s, uint8_t out[kZipPkgStatusSize]) {
    PutU32(out + kZipPkgStatusCreation, s.creation);
    PutU32(out + kZipPkgStatusLastWrite, s.lastWrite);
    PutU32(out + kZipPkgStatusLastAccess, s.lastAccess);
    PutU32(out + kZipPkgStatusSizeField, static_cast<uint32_t>(s.size));
    out[kZipPkgStatusAttributes] = s.attributes;
    out[kZipPkgStatusAttributes + 1] = 0;
    out[kZipPkgStatusAttributes + 2] = 0;
    out[kZipPkgStatusAttributes + 3] = 0;
}

ZipPkgStatus DecodeZipPkgStatus(const uint8_t in[kZipPkgStatusSize]) {
    ZipPkgStatus s;
    s.creation = GetU32(in + kZipPkgStatusCreation);
    s.lastWrite = GetU32(in + kZipPkgStatusLastWrite);
    s.lastAccess = GetU32(in + kZipPkgStatusLastAccess);
    s.size = static_cast<int32_t>(GetU32(in + kZipPkgStatusSizeField));
    s.attributes = in[kZipPkgStatusAttributes];
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

bool IsSafeRecordName(const std::string& name) {
    if (name.empty() || name.size() > kMaxRecordName) return false;
    if (name.find('\0') != std::string::npos || name.find(':') != std::string::npos) return false;
    size_t i = 0;
    if (IsSeparator(name[0])) {
        i = 1;
        // "\\server\share" and "\\?\..." name other roots.
        if (i >= name.size() || IsSeparator(name[i])) return false;
    }
    std::string part;
    for (; i <= name.size();) {
        if (i == name.size() || (CharLength(name, i) == 1 && IsSeparator(name[i]))) {
            if (part.empty() || part.find_first_not_of(". ") == std::string::npos) return false;
            part.clear();
            ++i;
            continue;
        }
        const size_t n = CharLength(name, i);
        part.append(name, i, n);
        i += n;
    }
    return true;
}

bool EndsWithBackslash(const std::string& s) {
    size_t last = std::string::npos;
    for (size_t i = 0; i < s.size(); i += CharLength(s, i)) last = i;
    return last != std::string::npos && s[last] == '\\' && CharLength(s, last) == 1;
}

std::string JoinRecordPath(const std::string& folder, const std::string& recordName) {
    const bool folderHas = EndsWithBackslash(folder);
    const bool nameHas = !recordName.empty() && recordName[0] == '\\';
    if (folderHas && nameHas) return folder.substr(0, folder.size() - 1) + recordName;
    if (folderHas || nameHas) return folder + recordName;
    return folder + "\\" + recordName;
}

}  // namespace kb::pack
