// UnPack and its worker: the entry is found and its output file created on the
// caller's thread; the worker copies and decodes the data in 1024-byte chunks and
// restores the file's times and attributes.
#include "packlib/unpack.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "packlib/access_check.h"
#include "packlib/kabbit_app.h"
#include "packlib/pack_index.h"
#include "packlib/path_routines.h"
#include "packlib/unpack_compressed.h"
#include "shared/pack_errors.h"

namespace kb::pack {

namespace {

// Whether an existing file may be replaced now: what truncating it in place
// would have refused is refused.
bool IsReplaceable(const std::string& path) {
    uint32_t attributes = 0;
    if (!fs::GetAttributes(path, &attributes)) return true;  // not there: nothing to replace
    if (attributes & (fs::kAttrDirectory | fs::kAttrReadOnly | fs::kAttrHidden | fs::kAttrSystem)) return false;
    return fs::File::Open(path, fs::Access::Write, fs::Disposition::OpenExisting, fs::Share::Read).IsOpen();
}

}  // namespace

bool OutputFile::Create(const std::string& path) {
    file_ = fs::File::Open(path, fs::Access::Write, fs::Disposition::CreateAlways, fs::Share::Read);
    failed_ = false;
    written_ = file_.IsOpen() ? path : std::string();
    target_.clear();
    return file_.IsOpen();
}

bool OutputFile::CreateReplacing(const std::string& target) {
    failed_ = false;
    written_.clear();
    target_.clear();
    file_ = fs::File();
    if (!IsReplaceable(target)) return false;
    file_ = fs::CreateFileBeside(target, &written_, fs::Access::Write, fs::Share::Read);
    if (!file_.IsOpen()) return false;
    target_ = target;
    return true;
}

bool OutputFile::Write(const void* data, size_t size) {
    if (failed_ || !file_.IsOpen()) return false;
    if (size > 0 && !file_.Write(data, size)) failed_ = true;
    return !failed_;
}

bool OutputFile::Close() {
    if (!file_.IsOpen()) return !failed_;
    // No flush of the disk cache: it would cost a disk round trip per entry,
    // and the container copy is deleted right after.
    const bool closed = file_.Close();
    if (!closed) failed_ = true;
    return !failed_;
}

bool OutputFile::Commit() {
    const bool written = Close();
    if (target_.empty()) return written;
    if (!written || !fs::RenameFile(written_, target_, true)) {
        Discard();
        return false;
    }
    written_.clear();
    target_.clear();
    return true;
}

void OutputFile::Discard() {
    file_.Close();
    if (!written_.empty()) fs::RemoveFile(written_);
    written_.clear();
    target_.clear();
}

CUnpackJobs::CUnpackJobs(JobState& state, CFileCodec& codec) : state_(state), codec_(codec) {
    key_.reset(new (std::nothrow) CBufferCipher);
    if (!key_) state_.SetLastError(PACKERR_NOT_ENOUGH_MEMORY);
}

CUnpackJobs::~CUnpackJobs() { state_.WaitForWorkersAtEnd(); }

int CUnpackJobs::UnPack(const char* packPath, const char* destFolder, const char* entryName, const char* password) {
    std::lock_guard<std::mutex> lock(state_.Mutex());
    state_.WaitForWorkersLocked();
    bool workerStarted = false;
    UnpackOptions options;
    options.sizeLimit = nextLimit_.exchange(0);
    return StartLocked(packPath, destFolder, entryName, password, options, &workerStarted);
}

int CUnpackJobs::StartLocked(const char* packPath, const char* destFolder, const char* entryName,
                             const char* password, const UnpackOptions& options, bool* workerStarted) {
    *workerStarted = false;
    state_.SetJobKind(PACKJOB_UNPACK, false);

    const std::string pack = packPath ? packPath : "";
    const std::string dest = destFolder ? destFolder : "";
    const std::string name = entryName ? entryName : "";
    // A name that leaves the destination never creates or writes anything; nor does
    // a missing destination, which would put the file at the root of the drive.
    if (!IsSafeName(name, kRelativeNameOptions) || dest.empty()) return PACKERR_INVALID_PARAMETER;
    if (!key_) return PACKERR_NOT_ENOUGH_MEMORY;  // the key object could not be made at load

    UnpackBlock job;
    if (const int err = CheckAccess(pack, password, state_.System(), &job.pack)) return err;
    if (const int err = ReopenForWalk(pack, &job.pack, &job.rounds)) return err;
    EntryHeader entry;
    const int found = FindEntry(pack, job.pack, job.rounds, name, &entry);
    if (found < 0) return found;
    if (found == 0) return PACKERR_FILE_NOT_FOUND;
    if (!IsSafeName(entry.name, kRelativeNameOptions)) return PACKERR_ILLEGAL_PACKED_FILE;
    if (options.sizeLimit != 0 && entry.dataLength > options.sizeLimit) return PACKERR_FILE_TOO_BIG;

    if (!BuildEntryPath(dest, name, &job.outputPath)) return PACKERR_PATH_TOO_LONG;
    for (const std::string& folder : EntryFolderPaths(dest, name))
        if (fs::CreateFolder(folder)) job.createdFolders.push_back(folder);
    auto undoFolders = [&job] {
        for (auto it = job.createdFolders.rbegin(); it != job.createdFolders.rend(); ++it) fs::RemoveFolder(*it);
    };
    // A compressed entry's output is the container copy, expanded by the worker.
    if (!(entry.compressed ? CreateContainerCopy(&job) : job.output.CreateReplacing(job.outputPath))) {
        undoFolders();
        return PACKERR_OPEN_DESTINATION_FILE;
    }

    job.entryIndex = entry.index;
    job.dataLength = entry.dataLength;
    job.destFolder = dest;
    job.entryName = name;
    job.compressed = entry.compressed;
    job.options = options;
    // The worker codes with the password as it was at the call.
    const size_t pwLength = password ? strnlen(password, sizeof job.password - 1) : 0;
    std::memcpy(job.password, password ? password : "", pwLength);
    job_ = std::move(job);

    const int result = state_.StartWorkerLocked(&CUnpackJobs::WorkerMain, this);
    if (result == PACKERR_CREATE_THREAD) {
        // Nothing of the job stays: the empty output and the folders made for it go.
        job_.output.Discard();
        job_.pack.Close();
        for (auto it = job_.createdFolders.rbegin(); it != job_.createdFolders.rend(); ++it) fs::RemoveFolder(*it);
    } else {
        *workerStarted = true;
    }
    return result;
}

void CUnpackJobs::WorkerMain(void* self) {
    auto* jobs = static_cast<CUnpackJobs*>(self);
    try {
        jobs->RunWorker();
    } catch (...) {
        // Only allocation can throw here; a plain entry's old file stays as it was.
        if (jobs->job_.compressed)
            jobs->job_.output.Close();
        else
            jobs->job_.output.Discard();
        jobs->job_.pack.Close();
        jobs->state_.SetLastError(PACKERR_NOT_ENOUGH_MEMORY);
    }
}

void CUnpackJobs::RunWorker() {
    UnpackBlock& job = job_;
    if (job.rounds != 0 && !(keyBuilt_ && keyRounds_ == job.rounds && keyPassword_ == job.password)) {
        keyBuilt_ = false;
        key_->SetPassword(job.password);
        keyBuilt_ = key_->BuildDataKey(job.rounds);
        if (keyBuilt_) {
            keyRounds_ = job.rounds;
            keyPassword_ = job.password;
        }
    }
    if (job.rounds != 0 && !keyBuilt_) {
        job.output.Close();
        job.pack.Close();
        state_.SetLastError(PACKERR_CREATE_KEY);
        return;
    }
    bool stopped = false;
    CopyEntryData(job, &stopped);
    if (state_.LastError() < 0) {
        // A container copy stays as far as it was written; a plain entry's old
        // file stays as it was, and nothing of the new one.
        if (job.compressed)
            job.output.Close();
        else
            job.output.Discard();
        job.pack.Close();
    } else if (job.compressed) {
        FinishCompressedEntry(job, stopped);
    } else if (stopped) {
        job.output.Discard();
        job.pack.Close();
        state_.PostStopped(WM_PACK_STOPPED);
    } else {
        const int err = FinishPlainEntry(job);
        if (err < 0)
            state_.SetLastError(err);
        else
            state_.SetProgress(PACKPROGRESS_DONE);
    }
}

// Copies DataLength bytes in 1024-byte chunks, decoding each when the pack is
// encrypted; progress (m + 1) x scale / (N + 1), m the whole KiB done so far.
// Chunks are read and written a batch at a time and decoded where they were
// read, so no byte is copied between buffers on its way.
void CUnpackJobs::CopyEntryData(UnpackBlock& job, bool* stopped) {
    const uint64_t total = job.dataLength;
    const uint64_t wholeKiB = total / kChunkSize;
    const int scale = job.compressed ? 50 : 100;
    // Not zeroed: every byte is read before it is written.
    const std::unique_ptr<uint8_t[]> batch(new uint8_t[kCopyBatchSize]);
    uint64_t done = 0;
    uint32_t chunk = 0;
    while (done < total) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(kCopyBatchSize, total - done));
        const size_t got = job.pack.Read(batch.get(), want);
        size_t used = 0;
        bool shortRead = false;
        while (used < want) {
            const size_t n = std::min(kChunkSize, want - used);
            if (got - used < n) {
                shortRead = true;  // the chunks before this one still go out
                break;
            }
            if (job.rounds != 0) key_->CodeEntryChunk(batch.get() + used, n, job.entryIndex, chunk);
            used += n;
            done += n;
            state_.SetProgress(static_cast<int>((done / kChunkSize + 1) * scale / (wholeKiB + 1)));
            state_.ReportChunk(chunk++);
            if (state_.StopRequested()) {
                *stopped = true;
                break;
            }
        }
        if (!job.output.Write(batch.get(), used) || shortRead) {
            state_.SetLastError(PACKERR_FILE_IO);
            return;
        }
        if (*stopped) return;
    }
}

// Reads the trailer, closes the output and gives it the source's times and
// attributes.
int CUnpackJobs::FinishPlainEntry(UnpackBlock& job) {
    uint8_t trailer[kTrailerSize];
    const bool haveTrailer = job.pack.ReadExact(trailer, sizeof trailer);
    job.pack.Close();
    if (!haveTrailer) {
        job.output.Discard();
        return PACKERR_FILE_IO;
    }
    if (!job.output.Commit()) return PACKERR_FILE_IO;

    fs::FileTimes times;
    times.creation = ReadLe64(trailer + kTrailerCreationOffset);
    times.lastAccess = ReadLe64(trailer + kTrailerLastAccessOffset);
    times.lastWrite = ReadLe64(trailer + kTrailerLastWriteOffset);
    fs::File file = fs::File::Open(job.outputPath, fs::Access::Write, fs::Disposition::OpenExisting, fs::Share::Read);
    if (!file.IsOpen() || !file.SetTimes(times) || !file.Close()) return PACKERR_FILE_IO;
    const uint32_t attributes = ReadLe32(trailer + kTrailerAttributesOffset) & fs::kAttrSettable;
    if (!fs::SetAttributes(job.outputPath, attributes)) return PACKERR_FILE_IO;
    return 0;
}

}  // namespace kb::pack
