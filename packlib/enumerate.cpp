// The exports that write a header or read a pack without starting a worker:
// CreateNew, GetType, GetFileCount, GetTotalSize, EnumFiles and GetFileInfo.
#include "packlib/enumerate.h"

#include <cstring>

#include "packlib/access_check.h"
#include "packlib/buffer_cipher.h"
#include "packlib/header_salt.h"
#include "packlib/pack_format.h"
#include "shared/pack_errors.h"

namespace kb::pack {
namespace {

std::string Str(const char* s) { return s ? s : ""; }

// CHeaderSalt reads its clock through a plain function; this one asks the Sys of
// the CreateNew running on this thread.
thread_local sys::Sys* t_clockSys = nullptr;
int64_t SaltClock() { return t_clockSys ? t_clockSys->NowSeconds() : CHeaderSalt::SystemSeconds(); }

}  // namespace

int CEnumJobs::CreateNew(const char* packPath, const char* password, bool encrypted, int rounds) {
    std::lock_guard<std::mutex> lock(state_.Mutex());
    state_.WaitForWorkersLocked();
    if (const int err = CheckPasswordLength(password)) return err;
    if (rounds < 1 || rounds > 255) return PACKERR_INVALID_PARAMETER;

    uint8_t header[kHeaderSize] = {};
    header[kVersionOffset] = kFormatVersion;
    const uint8_t flags = PACKFLAG_PASSWORD | (encrypted ? PACKFLAG_ENCRYPTED : 0);
    header[kFlagsOffset] = static_cast<uint8_t>(~flags);
    std::memset(header + kReservedOffset, kReservedByte, kReservedSize);
    std::memcpy(header + kPasswordFieldOffset, password, std::strlen(password));
    if (encrypted) {
        t_clockSys = &state_.System();
        CHeaderSalt salt(SaltClock);
        salt.MakePositionSalt(header + kSaltOffset);
        salt.MakeRoundsBlock(header + kRoundsBlockOffset, header + kSaltOffset, static_cast<uint8_t>(rounds));
        t_clockSys = nullptr;
        CBufferCipher cipher;
        cipher.CodePasswordField(header + kPasswordFieldOffset, static_cast<uint32_t>(rounds));
    }

    fs::File file = fs::File::Open(Str(packPath), fs::Access::Write, fs::Disposition::OpenAlways, fs::Share::Read);
    if (!file.IsOpen()) return PACKERR_OPEN_PACKED_FILE;
    // A second header behind existing data would be read as an entry: an existing
    // pack (or any other file) is left as it is.
    uint64_t size = 0;
    if (!file.Size(&size) || size != 0) return PACKERR_OPEN_PACKED_FILE;
    if (!file.Write(header, sizeof header) || !file.Flush()) return PACKERR_FILE_IO;
    if (!file.Close()) return PACKERR_FILE_IO;
    return 0;
}

int CEnumJobs::GetType(const char* packPath, uint8_t* version, uint8_t* flags) {
    std::lock_guard<std::mutex> lock(state_.Mutex());
    state_.WaitForWorkersLocked();
    if (!version || !flags) return PACKERR_NULL_BUFFER;
    *version = 0;
    *flags = 0;
    PackReader pack;
    if (!pack.Open(Str(packPath))) return PACKERR_OPEN_PACKED_FILE;
    uint8_t bytes[2];
    if (!pack.ReadExact(bytes, sizeof bytes)) return PACKERR_FILE_IO;
    *version = bytes[kVersionOffset];
    *flags = static_cast<uint8_t>(~bytes[kFlagsOffset]);
    return 0;
}

int CEnumJobs::CountAfterAccessCheck(const char* packPath, const char* password, uint32_t* count, uint64_t* total) {
    std::lock_guard<std::mutex> lock(state_.Mutex());
    state_.WaitForWorkersLocked();
    if (const int err = CheckAccess(Str(packPath), password, state_.System())) return err;
    return CountEntries(Str(packPath), count, total);
}

int CEnumJobs::GetFileCount(const char* packPath, const char* password) {
    uint32_t count = 0;
    uint64_t total = 0;
    if (const int err = CountAfterAccessCheck(packPath, password, &count, &total)) return err;
    // Each entry takes at least 48 bytes, so a count always fits an int.
    return static_cast<int>(count);
}

int CEnumJobs::GetTotalSize(const char* packPath, const char* password) {
    uint32_t count = 0;
    uint64_t total = 0;
    if (const int err = CountAfterAccessCheck(packPath, password, &count, &total)) return err;
    // A sum past the int range would read like an error code.
    if (total > 0x7FFFFFFF) return PACKERR_FILE_TOO_BIG;
    return static_cast<int>(total);
}

int CEnumJobs::EnumFiles(const char* packPath, char* names, int namesSize, uint8_t* flags, uint32_t* sizes,
                         int sizesBytes, const char* password) {
    std::lock_guard<std::mutex> lock(state_.Mutex());
    state_.WaitForWorkersLocked();
    if (!names || !flags || !sizes) return PACKERR_NULL_BUFFER;
    if (namesSize < 1) return PACKERR_NAME_BUFFER_OVERFLOW;
    names[0] = 0;
    if (const int err = CheckAccess(Str(packPath), password, state_.System())) return err;

    PackReader pack;
    uint8_t rounds = 0;
    if (const int err = OpenForWalk(Str(packPath), &pack, &rounds)) return err;
    EntryWalker walker(pack, rounds);
    EntryHeader entry;
    size_t used = 0;
    uint32_t count = 0;
    for (;;) {
        const int r = walker.Next(&entry);
        if (r < 0) return r;
        if (r == 0) break;
        flags[entry.index < kLastFlagIndex ? entry.index : kLastFlagIndex] = entry.compressed ? 1 : 0;
        // The name, its zero and the final zero must fit.
        if (used + entry.name.size() + 1 > static_cast<size_t>(namesSize) - 1) return PACKERR_NAME_BUFFER_OVERFLOW;
        std::memcpy(names + used, entry.name.c_str(), entry.name.size() + 1);
        used += entry.name.size() + 1;
        if (4 * (static_cast<uint64_t>(entry.index) + 1) > static_cast<uint64_t>(sizesBytes < 0 ? 0 : sizesBytes))
            return PACKERR_SIZE_BUFFER_OVERFLOW;
        sizes[entry.index] = entry.dataLength;
        if (const int err = walker.SkipBody(entry)) return err;
        ++count;
    }
    names[used] = 0;
    return static_cast<int>(count);
}

int CEnumJobs::GetFileInfo(const char* packPath, int index, char* name, int* nameSize, int* dataLength,
                           const char* password) {
    std::lock_guard<std::mutex> lock(state_.Mutex());
    state_.WaitForWorkersLocked();
    if (!nameSize || !dataLength) return PACKERR_NULL_BUFFER;
    if (const int err = CheckAccess(Str(packPath), password, state_.System())) return err;
    uint32_t count = 0;
    uint64_t total = 0;
    if (const int err = CountEntries(Str(packPath), &count, &total)) return err;
    if (index < 0 || static_cast<uint32_t>(index) >= count) return PACKERR_ILLEGAL_INDEX;

    PackReader pack;
    uint8_t rounds = 0;
    if (const int err = OpenForWalk(Str(packPath), &pack, &rounds)) return err;
    EntryWalker walker(pack, rounds);
    EntryHeader entry;
    for (;;) {
        const int r = walker.Next(&entry);
        if (r < 0) return r;
        if (r == 0) return PACKERR_ILLEGAL_PACKED_FILE;
        if (entry.index == static_cast<uint32_t>(index)) break;
        if (const int err = walker.SkipBody(entry)) return err;
    }
    const int needed = static_cast<int>(entry.name.size()) + 1;
    if (static_cast<size_t>(needed) > kPathBufferSize) return PACKERR_NAME_BUFFER_OVERFLOW;
    if (*nameSize >= needed && !name) return PACKERR_NULL_BUFFER;
    // The stored length is up to 4,000,000,000: the int carries its 32 bits.
    *dataLength = static_cast<int>(entry.dataLength);
    if (*nameSize < needed) {
        *nameSize = needed;
        return PACKERR_NAME_BUFFER_OVERFLOW;
    }
    std::memcpy(name, entry.name.c_str(), static_cast<size_t>(needed));
    return 0;
}

}  // namespace kb::pack
