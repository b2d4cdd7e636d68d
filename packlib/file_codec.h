// CFileCodec: writes, reads, lists and expands compressed containers (ZipPkg).
//
// Results are 0 or a negative PACKERR_ code (shared/pack_errors.h); the job
// variants return kCodecStopped (2) when a stop request ended them. A container
// that is cut short or damaged is PACKERR_UNCOMPRESSION, never success; a stored
// name that would leave the destination folder is PACKERR_ILLEGAL_PACKED_FILE.
// The codec knows nothing of pack files or ciphers; the job state it reports
// (progress, current file name, last error, stop request) belongs to the caller
// and reaches it through CodecHooks.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "shared/base/fs.h"

namespace kb::pack {

// A job ended by a stop request; not an error.
constexpr int kCodecStopped = 2;

// How a job reports to its caller. Every member may be empty.
struct CodecHooks {
    std::function<void(int)> setProgress;                  // ProgressValue
    std::function<int()> getProgress;                      // read back (extraction adds 50)
    std::function<bool()> stopRequested;                   // polled between blocks
    std::function<void(const std::string&)> setCurrentName;
    std::function<void(int)> setLastError;                 // where the job leaves its result
    // Once every head of a container is read and before anything is written:
    // the sum of its records' FileLengths, what the expansion will write. A
    // non-zero result refuses the container with that code.
    std::function<int(uint64_t declaredTotal)> admitDeclared;
};

struct CompressJob {
    std::string sourcePath;
    std::string containerPath;  // in: the container or ""; out: its full path
    std::string extension;      // for the default container name ("" gives "cmp")
    std::string recordName;     // the name to store (the ':' rule applies)
};

class CFileCodec {
public:
    CFileCodec();
    virtual ~CFileCodec();
    CFileCodec(const CFileCodec&) = delete;
    CFileCodec& operator=(const CFileCodec&) = delete;

    // While set, a source that cannot be opened is skipped and handed back.
    void SetForce(bool force) { force_ = force; }
    bool Force() const { return force_; }

    // Tests replace the 100 ms pause of DeleteFileRetry.
    void SetSleepForTesting(std::function<void(unsigned milliseconds)> sleep);

    // Appends one record for sourcePath, named by sourcePath less its first
    // baseFolder.size() bytes. *containerPath: the container to append to, or ""
    // for sourcePath + "." + extension (".cmp" for an empty extension); created when
    // absent. On success it receives the container's full path. *skippedName is
    // cleared, and receives sourcePath when the force flag skipped it (result 0).
    // The result is also given to hooks.setLastError. On a failure after the
    // container was opened, the partial record stays (the caller discards the
    // container); a source that cannot be opened without the force flag deletes an
    // existing named container.
    int CompressToZipPkg(const std::string& sourcePath, const std::string& baseFolder,
                         std::string* containerPath, const std::string& extension,
                         std::string* skippedName, const CodecHooks& hooks = {});

    // The single-file worker body: stores job.recordName, sets the current name to
    // the source, drives the progress from 0 to 50, polls the stop request after
    // each full block (a stop deletes the container and gives kCodecStopped), and
    // leaves its result in the last error. No force handling.
    int CompressToZipPkgJob(CompressJob* job, const CodecHooks& hooks);

    // Writes record recordIndex (from 0) of the container into destFolder ("" is
    // the current directory), creating its folders; the record's times, then its
    // attributes (read-only, hidden, system, archive) are restored. An index at or
    // past the number of records writes nothing and gives 0. A read-only, hidden
    // or system file in the way is overwritten once those attributes are cleared.
    // A file in the way is replaced only by the complete record: on any failure it
    // stays as it was and nothing of the new one is left. The current name receives the
    // record's name.
    int ExtractFromZipPkg(const std::string& containerPath, const std::string& destFolder,
                          uint32_t recordIndex, const CodecHooks& hooks = {});

    // The worker variant: progress from 50 to 100, stop polled after each block (a
    // stop deletes the partial output and the container and gives kCodecStopped),
    // result left in the last error.
    int ExtractFromZipPkgJob(const std::string& containerPath, const std::string& destFolder,
                             uint32_t recordIndex, const CodecHooks& hooks);

    // FindZipPkgRecord over the whole container, then ExtractFromZipPkg of the
    // record it finds, in one walk that reads nothing twice. *found tells which of
    // the two gave the result: not found, it is FindZipPkgRecord's (-1 when no
    // record has the name) or PACKERR_FILE_IO when the container cannot be opened;
    // found, it is ExtractFromZipPkg's.
    int ExtractNamedFromZipPkg(const std::string& containerPath, const std::string& destFolder,
                               const std::string& name, bool* found, const CodecHooks& hooks = {});

    // Number of records; PACKERR_OPEN_SOURCE_FILE when the container cannot be
    // opened, PACKERR_UNCOMPRESSION when it is cut short or damaged.
    int CountZipPkgRecords(const std::string& containerPath);

    // From the current position to the end: each record's name and FileLength.
    // Result: the number of records, PACKERR_NOT_ENOUGH_MEMORY, or an error for a
    // damaged container (the lists then hold the records before it).
    int ListZipPkgRecords(fs::File& container, std::vector<std::string>* names,
                          std::vector<uint32_t>* sizes);

    // Index of the first record (from the current position) whose name equals name
    // exactly; -1 when none does; another negative code for a damaged container.
    int FindZipPkgRecord(fs::File& container, const std::string& name);

    // Moves past the next n records; true when n were passed (n = 0 at once).
    bool SkipZipPkgRecords(fs::File& container, uint32_t n);

    // Expands a whole container into destFolder as the unpack worker does: one
    // record through ExtractFromZipPkgJob (progress 50 to 100); several record by
    // record with progress 50 + 50 (i + 1) / (n + 1) after each and the stop polled
    // between them. Result 0, kCodecStopped, or the first record's error (the
    // records written before it stay). The container itself is left to the caller.
    // The container is read once, front to back, after a first walk over its heads:
    // a damaged layout, a name that may not be written or a declared total that
    // hooks.admitDeclared refuses stops the whole container before anything is
    // written. Every record writes exactly the FileLength its head declares. A
    // file in the way is replaced only by a complete record; on any failure or
    // stop it stays as it was. With an entryScope (the pack entry's name less
    // ".cmp"), a record that does not belong to it (RecordBelongsTo) refuses the
    // whole container the same way: an entry writes only the file or the folder
    // it is named after.
    int ExpandZipPkg(const std::string& containerPath, const std::string& destFolder,
                     const CodecHooks& hooks, const std::optional<std::string>& entryScope = std::nullopt);

    // Compresses every file under folder (less excluded and less skipPath, the
    // container itself when it lies inside) into *containerPath, names relative to
    // baseFolder, as the folder workers do: progress (i + 1) x scale / n and the
    // current name per file, the stop polled after each (a stop deletes the
    // container and gives kCodecStopped). Skipped sources (force flag) are appended
    // to skipped. No file: PACKERR_NO_FILE_FOUND. Does not set the last error.
    int CompressFolderToZipPkg(const std::string& folder, const std::string& baseFolder,
                               const std::vector<std::string>& excluded, const std::string& skipPath,
                               std::string* containerPath, int scale, std::vector<std::string>* skipped,
                               const CodecHooks& hooks);

    // False when path does not exist; otherwise clears its read-only attribute and
    // deletes it, retrying every 100 ms while it still exists, for about 5 seconds;
    // true when it is gone.
    bool DeleteFileRetry(const std::string& path);

private:
    int Compress(const std::string& sourcePath, const std::string& recordName, std::string* containerPath,
                 const std::string& extension, std::string* skippedName, bool job, const CodecHooks& hooks);
    int Extract(const std::string& containerPath, const std::string& destFolder, uint32_t recordIndex,
                bool job, const CodecHooks& hooks);

    bool force_ = false;
    std::function<void(unsigned)> sleep_;
};

}  // namespace kb::pack
