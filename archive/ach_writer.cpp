#include "archive/ach_writer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "archive/ach_scramble.h"
#include "archive/frame.h"
#include "archive/layout.h"
#include "archive/name_index.h"
#include "archive/names.h"
#include "archive/reader.h"
#include "shared/base/fs.h"

namespace ark {

namespace fs = kb::fs;

namespace {

// Body bytes of the writers pass through this buffer; calls come one at a time.
uint8_t g_writeBuffer[kChunkSize];

RebuildFault& Fault() {
    static RebuildFault fault;
    return fault;
}

bool Injected(RebuildStep step, int entry) { return Fault() && Fault()(step, entry); }

void Split(uint64_t t, uint32_t& low, uint32_t& high) {
    low = static_cast<uint32_t>(t);
    high = static_cast<uint32_t>(t >> 32);
}

// A name the readers take back whole and extract safely: shorter than their
// 4,096-byte limit (terminator included) and not leaving a folder.
bool IsStorableName(const char* name) {
    if (!name) return false;
    const size_t length = std::strlen(name);
    return length < kNameReadLimit && IsSafeName(std::string_view(name, length));
}

// A file name in path's folder that does not exist yet, for a copy that is
// put in place of path only once it is complete.
std::string UnusedNameBeside(const std::string& path) {
    for (int k = 0; k < 1000; ++k) {
        std::string candidate = path + "~" + std::to_string(k) + ".tmp";
        if (!fs::Exists(candidate)) return candidate;
    }
    return path + "~.tmp";
}

// Opened as the C runtime's "rb" opens: others may go on reading and writing it.
fs::File OpenForReading(const std::string& path) {
    return fs::File::Open(path, fs::Access::Read, fs::Disposition::OpenExisting, fs::Share::ReadWrite);
}

uint64_t FileLength(const std::string& path) {
    uint64_t length = 0;
    fs::File in = OpenForReading(path);
    return in.IsOpen() && in.Size(&length) ? length : UINT64_MAX;
}

// Closes a file written by a writer, its bytes on the disc first.
bool FlushAndClose(fs::File& file) {
    bool ok = file.Flush();
    return file.Close() && ok;
}

// What an added file brings: its full 64-bit size, attributes and times, read
// while it is held open without sharing.
struct SourceInfo {
    uint64_t size = 0;
    uint32_t attributes = 0;
    fs::FileTimes times;
};

bool ReadSourceInfo(const std::string& path, SourceInfo& info) {
    if (!fs::GetAttributes(path, &info.attributes)) return false;
    fs::File f = fs::File::Open(path, fs::Access::Read, fs::Disposition::OpenExisting, fs::Share::None);
    return f.IsOpen() && f.Size(&info.size) && f.GetTimes(&info.times);
}

}  // namespace

RebuildFault SetRebuildFaultForTesting(RebuildFault fault) { return std::exchange(Fault(), std::move(fault)); }

int CreateArchive(const std::string& archive, int slotCount) {
    Server().Enter("_CreateNew");
    NameIndexWriteGuard writing;
    // A negative count would read as the scrambled form; a larger one puts the
    // end of the table past 32-bit offsets.
    if (slotCount < 0 || slotCount > kMaxSlotCount) return ARKSTOWRET_OPEN_FAILED;
    fs::File out = fs::File::Open(archive, fs::Access::Write, fs::Disposition::CreateAlways, fs::Share::None);
    if (!out.IsOpen()) return ARKSTOWRET_OPEN_FAILED;
    auto fail = [&](const char* clibFunction) {
        Server().RecordFailure(clibFunction, archive, ARKSTOWRET_CLIB_ERROR);
        out.Close();
        return ARKSTOWRET_CLIB_ERROR;
    };
    uint8_t header[kHeaderSize];
    WriteLe32(header, static_cast<uint32_t>(slotCount));
    if (!out.Write(header, sizeof header)) return fail("_putw");
    std::memset(g_writeBuffer, 0, sizeof g_writeBuffer);
    uint64_t left = kSlotSize * static_cast<uint64_t>(slotCount);
    while (left > 0) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(left, sizeof g_writeBuffer));
        if (!out.Write(g_writeBuffer, n)) return fail("fwrite");
        left -= n;
    }
    if (!out.Close()) return Server().ClibFailure("fclose", archive);
    return 0;
}

int AddEntry(const std::string& archive, const std::string& sourceFile, const char* storedName) {
    Server().Enter("_Add");
    NameIndexWriteGuard writing;
    int capacity = 0;
    bool scrambled = false;
    const int used = CountEntries(archive, &capacity, nullptr, &scrambled);
    if (used < 0) return used;
    if (used >= capacity) return ARKSTOWRET_ARCHIVE_FULL;
    // Plain records appended to a scrambled archive would break it.
    if (scrambled) return ARKSTOWRET_ALREADY_SCRAMBLED;
    if (!IsStorableName(storedName)) return ARKSTOWRET_UNSAFE_NAME;
    const size_t nameLength = std::strlen(storedName);

    // Others may read it meanwhile, never write it.
    fs::File file = fs::File::Open(archive, fs::Access::ReadWrite, fs::Disposition::OpenExisting, fs::Share::Read);
    if (!file.IsOpen()) return ARKSTOWRET_OPEN_FAILED;
    auto fail = [&](const char* clibFunction, const std::string& target) {
        return Server().ClibFailure(clibFunction, target);
    };
    uint64_t end = 0;
    if (!file.Seek(0, fs::Origin::End)) return fail("fseek", archive);
    if (!file.Tell(&end)) return fail("fgetpos", archive);
    const int64_t slotPosition = static_cast<int64_t>(SlotPosition(static_cast<uint64_t>(used)));
    if (!file.Seek(slotPosition, fs::Origin::Begin)) return fail("fsetpos<1>", archive);

    SourceInfo source;
    if (!ReadSourceInfo(sourceFile, source)) return ARKSTOWRET_SOURCE_INFO_FAILED;
    // The slot holds a 32-bit size and 32-bit offsets: a larger source or
    // archive would be stored cut short or at a wrapped offset.
    if (source.size > UINT32_MAX || end + nameLength + 1 + source.size > kMaxArchiveEnd)
        return ARKSTOWRET_SOURCE_INFO_FAILED;
    // Opened before anything is written, so a source that cannot be read
    // leaves the archive as it was.
    fs::File in = OpenForReading(sourceFile);
    if (!in.IsOpen()) return ARKSTOWRET_SOURCE_OPEN_FAILED;

    uint8_t previous[kSlotSize];
    if (!file.ReadExact(previous, sizeof previous)) return fail("fread", archive);
    if (!file.Seek(slotPosition, fs::Origin::Begin)) return fail("fsetpos<1>", archive);

    Slot slot;
    slot.nameOffset = static_cast<int32_t>(end);
    slot.bodyOffset = static_cast<int32_t>(end + nameLength + 1);
    slot.info.size = static_cast<uint32_t>(source.size);
    slot.info.attributes = source.attributes;
    Split(source.times.creation, slot.info.creationLow, slot.info.creationHigh);
    Split(source.times.lastAccess, slot.info.lastAccessLow, slot.info.lastAccessHigh);
    Split(source.times.lastWrite, slot.info.lastWriteLow, slot.info.lastWriteHigh);
    uint8_t record[kSlotSize];
    FormatSlot(slot, record);

    // After a failed write the record and the length are put back (best effort).
    auto failWritten = [&](const char* clibFunction, const std::string& target) {
        const int r = fail(clibFunction, target);
        if (file.Seek(slotPosition, fs::Origin::Begin) && file.Write(previous, sizeof previous)) file.SetSize(end);
        return r;
    };
    if (!file.Write(record, sizeof record)) return failWritten("fwrite<1>", archive);
    if (!file.Seek(static_cast<int64_t>(end), fs::Origin::Begin)) return failWritten("fsetpos<2>", archive);
    if (!file.Write(storedName, nameLength + 1)) return failWritten("fwrite<2>", archive);
    uint64_t copied = 0;
    while (copied < source.size) {
        // Never more than the recorded size, even when the source has grown.
        const size_t want = static_cast<size_t>(std::min<uint64_t>(source.size - copied, sizeof g_writeBuffer));
        size_t got = 0;
        if (!in.Read(g_writeBuffer, want, &got) || got == 0) return failWritten("fread", sourceFile);
        if (!file.Write(g_writeBuffer, got)) return failWritten("fwrite<3>", archive);
        copied += got;
    }
    in.Close();
    if (!FlushAndClose(file)) {
        const int r = fail("fclose", archive);
        fs::File again = fs::File::Open(archive, fs::Access::ReadWrite, fs::Disposition::OpenExisting, fs::Share::Read);
        if (again.IsOpen()) {
            if (again.Seek(slotPosition, fs::Origin::Begin) && again.Write(previous, sizeof previous))
                again.SetSize(end);
            FlushAndClose(again);
        }
        return r;
    }
    return 0;
}

namespace {

// Everything a rebuild makes outside the archive, removed whatever happens:
// the private folder holds the temporary archive and the extracted entries.
struct RebuildFiles {
    std::string privateFolder;
    std::string beside;  // the copy beside the archive, once made
    ~RebuildFiles() {
        if (!beside.empty()) {
            fs::SetAttributes(beside, fs::kAttrNormal);
            fs::RemoveFile(beside);
        }
        if (!privateFolder.empty()) fs::RemoveTree(privateFolder);
    }
};

// removeIndex >= 0: that entry goes; otherwise every entry named removeName.
int Rebuild(const std::string& archive, int removeIndex, const char* removeName) {
    const std::string temp = fs::TempFolder();
    if (temp.empty()) return ARKSTOWRET_TEMP_PATH_FAILED;
    int capacity = 0;
    const int count = CountEntries(archive, &capacity, nullptr);
    if (count < 0) return count;
    if (!removeName && (removeIndex < 0 || removeIndex >= count)) return ARKSTOWRET_BAD_INDEX;

    RebuildFiles files;
    // The temporary archive and the extracted entries live in a folder of our
    // own, never over a file of the user's in the temp folder.
    files.privateFolder = fs::CreatePrivateFolder(temp, "~ach");
    if (files.privateFolder.empty() || Injected(RebuildStep::PrivateFolder, -1))
        return Server().ClibFailure("CreateDirectory", temp);

    const std::string temporary = JoinPath(files.privateFolder, "tmp.ach");
    if (int r = CreateArchive(temporary, capacity)) return r;
    if (Injected(RebuildStep::CreateTemporary, -1)) return Server().ClibFailure("fwrite", temporary);

    const std::string extracted = JoinPath(files.privateFolder, "entry");
    int kept = 0;
    for (int i = 0; i < count; ++i) {
        char name[kNameReadLimit + 1];
        if (int r = ReadName(archive, i, name, static_cast<int>(kNameReadLimit))) return r;
        if (Injected(RebuildStep::ReadName, i)) return Server().ClibFailure("fread", archive);
        const bool removed = removeName ? EqualIgnoringCaseLocale(name, removeName) : i == removeIndex;
        if (removed) continue;
        if (int r = SaveEntryByIndex(archive, i, extracted)) return r;
        if (Injected(RebuildStep::Extract, i)) return Server().ClibFailure("fwrite", extracted);
        if (int r = AddEntry(temporary, extracted, name)) return r;
        if (Injected(RebuildStep::Append, i)) return Server().ClibFailure("fwrite<3>", temporary);
        fs::SetAttributes(extracted, fs::kAttrNormal);
        if (!fs::RemoveFile(extracted) || Injected(RebuildStep::DeleteExtracted, i))
            return Server().ClibFailure("DeleteFile", extracted);
        ++kept;
    }

    // A complete copy in the archive's own folder, checked, then moved over
    // the archive in one step: a failure on the way leaves the archive as it was.
    const std::string beside = UnusedNameBeside(archive);
    const std::string copyTarget = temporary + " -> " + beside;
    const bool copied = fs::CopyToNewFile(temporary, beside);
    if (copied) files.beside = beside;
    if (!copied || Injected(RebuildStep::CopyBeside, -1)) return Server().ClibFailure("CopyFile", copyTarget);
    int besideCapacity = -1;
    const int besideCount = CountEntries(beside, &besideCapacity, nullptr);
    if (besideCount != kept || besideCapacity != capacity || FileLength(beside) != FileLength(temporary) ||
        Injected(RebuildStep::Verify, -1))
        return Server().ClibFailure("CopyFile", copyTarget);

    uint32_t attributes = 0;
    const bool hadAttributes = fs::GetAttributes(archive, &attributes);
    fs::SetAttributes(archive, fs::kAttrNormal);
    if (Injected(RebuildStep::Replace, -1) || !fs::MoveIntoPlace(beside, archive)) {
        if (hadAttributes) fs::SetAttributes(archive, attributes);
        return Server().ClibFailure("MoveFileEx", beside + " -> " + archive);
    }
    files.beside.clear();
    return 0;
}

}  // namespace

int RemoveEntryByIndex(const std::string& archive, int index) {
    Server().Enter("_RemoveByIndex");
    NameIndexWriteGuard writing;
    return Rebuild(archive, index, nullptr);
}

int RemoveEntriesByName(const std::string& archive, const char* name) {
    Server().Enter("_RemoveByName");
    NameIndexWriteGuard writing;
    if (!name) return ARKSTOWRET_BAD_ARGUMENT;
    return Rebuild(archive, -1, name);
}

int ScrambleArchive(const std::string& plain, const std::string& scrambled) {
    Server().Enter("_EncryptAchFile");
    NameIndexWriteGuard writing;
    if (!fs::Exists(plain)) return ARKSTOWRET_OPEN_FAILED;
    // Onto itself the copy would replace the only plain archive.
    if (fs::SameFileOrPath(plain, scrambled)) return ARKSTOWRET_OPEN_FAILED;
    fs::File src = OpenForReading(plain);
    uint64_t srcLength = 0;
    if (!src.IsOpen() || !src.Size(&srcLength)) return Server().ClibFailure("new TFileStream<1>", plain);

    // Written beside the destination and moved into place only when complete.
    std::string staging = UnusedNameBeside(scrambled);
    fs::File dst = fs::File::Open(staging, fs::Access::Write, fs::Disposition::CreateNew, fs::Share::None);
    if (!dst.IsOpen()) return Server().ClibFailure("new TFileStream<2>", scrambled);
    struct Staging {
        std::string path;
        fs::File* file;
        ~Staging() {
            if (path.empty()) return;
            file->Close();
            fs::RemoveFile(path);
        }
    } guard{staging, &dst};

    auto readFail = [&](const char* step) { return Server().ClibFailure(step, plain); };
    auto writeFail = [&](const char* step) { return Server().ClibFailure(step, scrambled); };

    uint8_t header[kHeaderSize];
    if (!src.ReadExact(header, sizeof header)) return readFail("Read<1>");
    const int32_t slotCount = static_cast<int32_t>(ReadLe32(header));
    if (slotCount < 0) return ARKSTOWRET_ALREADY_SCRAMBLED;
    WriteLe32(header, static_cast<uint32_t>(ScrambledHeader(slotCount)));
    if (!dst.Write(header, sizeof header)) return writeFail("Write<1>");

    // The table must lie inside the source before it is allocated.
    const uint64_t tableEnd = SlotPosition(static_cast<uint64_t>(slotCount));
    if (tableEnd > srcLength) return readFail("Read<2>");
    std::vector<std::array<uint8_t, kSlotSize>> table;
    try {
        table.resize(static_cast<size_t>(slotCount));
    } catch (const std::bad_alloc&) {
        return ARKSTOWRET_NO_MEMORY;
    }
    for (int32_t s = 0; s < slotCount; ++s) {
        auto& plainRecord = table[static_cast<size_t>(s)];
        if (!src.ReadExact(plainRecord.data(), kSlotSize)) return readFail("Read<2>");
        uint8_t record[kSlotSize];
        std::memcpy(record, plainRecord.data(), kSlotSize);
        AchCipher().ScrambleSlot(record, static_cast<uint32_t>(s));
        if (!dst.Write(record, kSlotSize)) return writeFail("Write<2>");
    }

    // Names and bodies follow the table in slot order, each body right after
    // its name; anything else is not an archive this copy can carry.
    uint64_t position = tableEnd;
    for (const auto& plainRecord : table) {
        uint8_t record[kSlotSize];
        std::memcpy(record, plainRecord.data(), kSlotSize);
        const Slot slot = ParseSlot(record);
        if (slot.IsFree()) break;
        const int64_t nameBytes = int64_t(slot.bodyOffset) - int64_t(slot.nameOffset);
        if (slot.nameOffset < 0 || uint64_t(slot.nameOffset) != position || nameBytes < 1 ||
            nameBytes > int64_t(kNameReadLimit))
            return readFail("Read<3>");
        char name[kNameReadLimit];
        const size_t n = static_cast<size_t>(nameBytes);
        if (!src.ReadExact(name, n) || std::memchr(name, 0, n) != name + n - 1) return readFail("Read<3>");
        // Inverted, 0xFF becomes a zero byte and would cut the name short.
        if (std::memchr(name, 0xFF, n - 1)) return ARKSTOWRET_UNSAFE_NAME;
        InvertNameBytes(name, n);
        if (!dst.Write(name, n)) return writeFail("Write<3>");
        uint64_t left = slot.info.size;
        while (left > 0) {
            const size_t chunk = static_cast<size_t>(std::min<uint64_t>(left, sizeof g_writeBuffer));
            if (!src.ReadExact(g_writeBuffer, chunk)) return readFail("Read<4>");
            if (!AchCipher().EncryptBody(g_writeBuffer, chunk)) return ARKSTOWRET_ENCRYPT_FAILED;
            if (!dst.Write(g_writeBuffer, chunk)) return writeFail("Write<4>");
            left -= chunk;
        }
        position += n + slot.info.size;
    }
    src.Close();
    if (!FlushAndClose(dst)) return writeFail("fclose");
    if (!fs::MoveIntoPlace(staging, scrambled))
        return Server().ClibFailure("MoveFileEx", staging + " -> " + scrambled);
    guard.path.clear();
    return 0;
}

}  // namespace ark
