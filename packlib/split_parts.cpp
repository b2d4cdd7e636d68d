// Split parts: streaming copies between a huge file and its numbered parts.
#include "packlib/split_parts.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <vector>

#include "shared/base/fs.h"
#include "packlib/path_routines.h"
#include "shared/pack_errors.h"

namespace kb {
namespace {

// Large enough that parts of any size copy quickly, small enough for a 32-bit process.
constexpr size_t kCopyBufferSize = 1024 * 1024;

std::unique_ptr<uint8_t[]> AllocateCopyBuffer() {
    return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[kCopyBufferSize]);
}

// Copies exactly count bytes from in to out. A short read or a failed write is
// PACKERR_FILE_IO.
int CopyBytes(fs::File& in, fs::File& out, uint64_t count, uint8_t* buffer) {
    while (count > 0) {
        const size_t want = count < kCopyBufferSize ? static_cast<size_t>(count) : kCopyBufferSize;
        if (!in.ReadExact(buffer, want)) return PACKERR_FILE_IO;
        if (!out.Write(buffer, want)) return PACKERR_FILE_IO;
        count -= want;
    }
    return 0;
}

// Copies in to its end into out.
int CopyToEnd(fs::File& in, fs::File& out, uint8_t* buffer) {
    for (;;) {
        size_t got = 0;
        if (!in.Read(buffer, kCopyBufferSize, &got)) return PACKERR_FILE_IO;
        if (got == 0) return 0;
        if (!out.Write(buffer, got)) return PACKERR_FILE_IO;
    }
}

// An existing file that a finished copy may replace: a file we can open for
// writing now, not a folder.
bool IsReplaceable(const std::string& path) {
    return fs::File::Open(path, fs::Access::Write, fs::Disposition::OpenExisting, fs::Share::All).IsOpen();
}

// Appends the parts to out, every one of them opened before any byte is copied, then
// flushes out. A count above the number of names is PACKERR_OPEN_SOURCE_FILE.
int JoinParts(const std::vector<std::string>& partNames, size_t count, fs::File& out) {
    for (const std::string& partName : partNames) {
        if (!fs::File::Open(partName, fs::Access::Read, fs::Disposition::OpenExisting, fs::Share::Read).IsOpen())
            return PACKERR_OPEN_SOURCE_FILE;
    }
    if (partNames.size() < count) return PACKERR_OPEN_SOURCE_FILE;
    auto buffer = AllocateCopyBuffer();
    if (!buffer) return PACKERR_NOT_ENOUGH_MEMORY;
    for (const std::string& partName : partNames) {
        fs::File in = fs::File::Open(partName, fs::Access::Read, fs::Disposition::OpenExisting, fs::Share::Read);
        if (!in.IsOpen()) return PACKERR_OPEN_SOURCE_FILE;
        if (const int rc = CopyToEnd(in, out, buffer.get()); rc != 0) return rc;
    }
    return out.Flush() && out.Close() ? 0 : PACKERR_FILE_IO;
}

}  // namespace

std::string SplitPartName(const std::string& path, int index) {
    char suffix[8];
    std::snprintf(suffix, sizeof suffix, ".prt%02d", index % kMaxSplitParts);
    return path + suffix;
}

int SplitHugeFile(const char* path, int parts) {
    if (parts < 1 || parts > kMaxSplitParts) return PACKERR_INVALID_PARAMETER;
    const std::string source = path ? path : "";
    if (SplitPartName(source, 0).size() > kMaxPathLength) return PACKERR_PATH_TOO_LONG;

    fs::File in = fs::File::Open(source, fs::Access::Read, fs::Disposition::OpenExisting, fs::Share::Read);
    if (!in.IsOpen()) return PACKERR_OPEN_SOURCE_FILE;
    uint64_t length = 0;
    if (!in.Size(&length)) return PACKERR_FILE_IO;
    const uint64_t partSize = length / static_cast<uint64_t>(parts);

    auto buffer = AllocateCopyBuffer();
    if (!buffer) return PACKERR_NOT_ENOUGH_MEMORY;

    // Every part is written under a temporary name beside it and the set is
    // moved into place only once all of it is written, so a failed split
    // leaves the parts of an earlier one as they were, never a mix of both.
    std::vector<std::string> names, temporaries;
    for (int i = 0; i < parts; ++i) {
        names.push_back(SplitPartName(source, i));
        if (fs::Exists(names.back()) && !IsReplaceable(names.back())) return PACKERR_OPEN_DESTINATION_FILE;
    }
    struct Written {
        std::vector<std::string>& paths;
        bool kept = false;
        ~Written() {
            if (!kept)
                for (const std::string& path : paths) fs::RemoveFile(path);
        }
    } written{temporaries};
    for (int i = 0; i < parts; ++i) {
        std::string temporary;
        fs::File out = fs::CreateFileBeside(names[static_cast<size_t>(i)], &temporary);
        if (!out.IsOpen()) return PACKERR_OPEN_DESTINATION_FILE;
        temporaries.push_back(temporary);
        const int rc = (i + 1 < parts) ? CopyBytes(in, out, partSize, buffer.get())
                                       : CopyToEnd(in, out, buffer.get());
        if (rc != 0) return rc;
        if (!out.Flush() || !out.Close()) return PACKERR_FILE_IO;
    }
    for (size_t i = 0; i < names.size(); ++i) {
        if (!fs::MoveIntoPlace(temporaries[i], names[i])) {
            // Parts already moved are this call's: they go with the temporaries.
            for (size_t j = 0; j < i; ++j) temporaries[j] = names[j];
            return PACKERR_OPEN_DESTINATION_FILE;
        }
    }
    written.kept = true;
    return parts;
}

int UnSplitHugeFile(const char* names, int count, bool deleteParts, const char* destination) {
    if (count < 1) return PACKERR_INVALID_PARAMETER;
    if (names == nullptr) return PACKERR_NULL_BUFFER;

    // The names are taken before anything is written, stopping at the list's end.
    std::vector<std::string> partNames;
    const char* name = names;
    for (int i = 0; i < count && *name != '\0'; ++i) {
        partNames.emplace_back(name);
        name += partNames.back().size() + 1;
    }

    // The user's destination is only ever replaced whole, by a finished join: it
    // must be replaceable, and it must not be a part the join still has to read.
    const std::string target = destination ? destination : "";
    if (fs::Exists(target)) {
        if (!IsReplaceable(target)) return PACKERR_OPEN_DESTINATION_FILE;
        for (const std::string& partName : partNames) {
            if (fs::SameFile(partName, target)) return PACKERR_OPEN_DESTINATION_FILE;
        }
    }
    std::string temporary;
    fs::File out = fs::CreateFileBeside(target, &temporary);
    if (!out.IsOpen()) return PACKERR_OPEN_DESTINATION_FILE;
    const int rc = JoinParts(partNames, static_cast<size_t>(count), out);
    out.Close();
    if (rc != 0 || !fs::RenameFile(temporary, target, true)) {
        fs::RemoveFile(temporary);
        return rc != 0 ? rc : PACKERR_OPEN_DESTINATION_FILE;
    }

    if (deleteParts) {
        for (const std::string& partName : partNames) fs::RemoveFile(partName);
    }
    return 0;
}

}  // namespace kb
