// Packing jobs: entries appended to a pack, plain or through the temporary
// container, and pre-compression. A job that does not complete its entry cuts the
// pack back to its former length.
#include "packlib/pack_jobs.h"

#include <cstring>
#include <new>

#include "packlib/access_check.h"
#include "packlib/buffer_cipher.h"
#include "packlib/kabbit_app.h"
#include "packlib/pack_format.h"
#include "packlib/pack_index.h"
#include "packlib/path_routines.h"
#include "shared/pack_errors.h"
#include "shared/base/dbcs.h"

namespace kb::pack {
namespace {

// A stored compressed name is the given name (at most 250 bytes) and ".cmp"; a
// folder's own name may be longer, so the final name is checked too.
constexpr size_t kMaxCompressedStoredName = 254;
constexpr char kContainerSuffix[] = ".cmp";

std::string Str(const char* s) { return s ? s : ""; }

// Position just past the last single-byte backslash of s, or npos; a trail byte
// equal to 0x5C is never taken for one.
size_t LastBackslash(const std::string& s) {
    size_t found = std::string::npos;
    for (size_t i = 0; i < s.size(); i += CharLengthAt(s, i))
        if (s[i] == '\\' && CharLengthAt(s, i) == 1) found = i;
    return found;
}

// "C:\d\" and "C:\d" name the same folder; a drive root keeps its backslash.
std::string WithoutTrailingBackslash(const std::string& folder) {
    const size_t last = LastBackslash(folder);
    if (last == std::string::npos || last + 1 != folder.size() || folder.size() == 1) return folder;
    if (folder.size() == 3 && folder[1] == ':') return folder;
    return folder.substr(0, last);
}

// The folder up to its last backslash: record names of a folder job start with the
// folder's own name.
std::string ParentFolder(const std::string& folder) {
    const size_t last = LastBackslash(folder);
    return last == std::string::npos ? std::string() : folder.substr(0, last);
}

// Appends to a pack through a large buffer: the format works in 1024-byte chunks,
// the disk need not.
class Appender {
public:
    explicit Appender(fs::File& file) : file_(file) { buffer_.reserve(kBufferSize); }
    bool Write(const void* data, size_t size) {
        const auto* bytes = static_cast<const uint8_t*>(data);
        if (buffer_.size() + size > kBufferSize && !Flush()) return false;
        buffer_.insert(buffer_.end(), bytes, bytes + size);
        return true;
    }
    bool Flush() {
        const bool ok = buffer_.empty() || file_.Write(buffer_.data(), buffer_.size());
        buffer_.clear();
        return ok;
    }

private:
    static constexpr size_t kBufferSize = 64 * 1024;
    fs::File& file_;
    std::vector<uint8_t> buffer_;
};

// EntryFlags, NameLength, EntryName and DataLength, coded when rounds is not 0.
std::vector<uint8_t> EntryHeaderBytes(bool compressed, const std::string& name, uint32_t dataLength,
                                      uint8_t rounds, uint32_t entryIndex) {
    CBufferCipher codec;
    std::vector<uint8_t> out(kEntryFlagsSize, 0);
    if (compressed) out[0] = kEntryCompressedBit;
    uint8_t field[kLengthFieldSize];
    WriteLe32(field, static_cast<uint32_t>(name.size()));
    if (rounds != 0) codec.CodeLengthField(field, rounds, entryIndex);
    out.insert(out.end(), field, field + kLengthFieldSize);
    std::vector<char> coded(name.begin(), name.end());
    coded.push_back('\0');
    if (rounds != 0) codec.EncodeEntryName(coded.data(), rounds, entryIndex);
    out.insert(out.end(), coded.begin(), coded.end() - 1);
    WriteLe32(field, dataLength);
    if (rounds != 0) codec.CodeLengthField(field, rounds, entryIndex);
    out.insert(out.end(), field, field + kLengthFieldSize);
    return out;
}


// The pack must open for appending and hold at least a header.
int CheckPackForAppend(const std::string& packPath, fs::File* out, uint64_t* length) {
    fs::File pack = fs::File::Open(packPath, fs::Access::Write, fs::Disposition::OpenExisting, fs::Share::Read);
    if (!pack.IsOpen()) return PACKERR_OPEN_PACKED_FILE;
    if (!pack.Size(length)) return PACKERR_FILE_IO;
    if (*length < kHeaderSize) return PACKERR_ILLEGAL_PACKED_FILE;
    if (out) {
        if (!pack.Seek(0, fs::Origin::End)) return PACKERR_FILE_IO;
        *out = std::move(pack);
    }
    return 0;
}

// The job's own container: a new, empty file beside the published name,
// private to the job, so that neither a user's file of that name nor
// another process's job is ever emptied, deleted or mixed into this one.
int CreateWorkContainer(const std::string& published, std::string* path) {
    fs::File file = fs::CreateFileBeside(published, path);
    if (!file.IsOpen()) return PACKERR_OPEN_DESTINATION_FILE;
    if (path->size() > kMaxPathLength) {
        file.Close();
        fs::RemoveFile(*path);
        return PACKERR_PATH_TOO_LONG;
    }
    return file.Close() ? 0 : PACKERR_FILE_IO;
}

}  // namespace

CPackJobs::CPackJobs(JobState& state, CFileCodec& codec) : state_(state), codec_(codec) {}

CPackJobs::~CPackJobs() { state_.WaitForWorkersAtEnd(); }

void CPackJobs::SetProgressHookForTesting(ProgressHook hook, void* context) {
    progressHookContext_ = context;
    progressHook_ = hook;
}

void CPackJobs::SetProgress(int progress) {
    state_.SetProgress(progress);
    if (ProgressHook hook = progressHook_.load()) hook(progressHookContext_.load(), progress);
}

CodecHooks CPackJobs::Hooks() {
    CodecHooks hooks;
    hooks.setProgress = [this](int p) { SetProgress(p); };
    hooks.getProgress = [this] { return state_.Progress(); };
    hooks.stopRequested = [this] { return state_.StopRequested(); };
    hooks.setCurrentName = [this](const std::string& name) { state_.SetCurrentName(name.c_str()); };
    return hooks;
}

void CPackJobs::AddSkipped(const std::vector<std::string>& names) {
    std::lock_guard<std::mutex> lock(skippedMutex_);
    skipped_.insert(skipped_.end(), names.begin(), names.end());
}

std::string CPackJobs::PreCompressFilePath() const {
    std::string folder = state_.WorkingDir();
    if (folder.empty()) folder = fs::TempFolder();
    return AddTrailingBackslash(folder) + kPreCompressFileName;
}

void CPackJobs::GetPreCompressFileName(char* out) {
    if (out == nullptr) return;
    const std::string path = PreCompressFilePath();
    const size_t n = path.size() < kMaxPathLength ? path.size() : kMaxPathLength;
    std::memcpy(out, path.data(), n);
    out[n] = '\0';
}

int CPackJobs::ForceCompleteCompress(bool force) {
    // The codec takes the flag when the next job starts, never under a running one.
    force_ = force;
    return force ? 1 : 0;
}

int CPackJobs::GetErrorFileNames(char* out, int size) {
    std::lock_guard<std::mutex> lock(skippedMutex_);
    if (!force_) {
        skipped_.clear();
        return 0;
    }
    if (out == nullptr) return PACKERR_NULL_BUFFER;
    size_t needed = 1;
    for (const auto& name : skipped_) needed += name.size() + 1;
    if (size < 0 || needed > static_cast<size_t>(size)) return PACKERR_NAME_BUFFER_OVERFLOW;
    char* p = out;
    for (const auto& name : skipped_) {
        std::memcpy(p, name.c_str(), name.size() + 1);
        p += name.size() + 1;
    }
    *p = '\0';
    return 0;
}

void CPackJobs::FillExclusions(const std::string& folder, const char* excluded, int count) {
    exclusions_.clear();
    if (excluded == nullptr) return;
    const std::string prefix = AddTrailingBackslash(folder);
    const char* name = excluded;
    for (int i = 0; i < count && *name != '\0'; ++i) {
        const size_t n = std::strlen(name);
        exclusions_.push_back(prefix + std::string(name, n));
        name += n + 1;
    }
}

int CPackJobs::Pack(const char* packPath, const char* sourceFolder, const char* entryName, const char* password,
                    bool compress) {
    std::lock_guard<std::mutex> lock(state_.Mutex());
    state_.WaitForWorkersLocked();
    state_.SetJobKind(PACKJOB_PACK, compress);
    return PackLocked(Str(packPath), Str(sourceFolder), Str(entryName), password, compress, false);
}

int CPackJobs::PackPartFolder(const char* packPath, const char* folder, const char* excluded, int count,
                              const char* password, bool compress) {
    std::lock_guard<std::mutex> lock(state_.Mutex());
    state_.WaitForWorkersLocked();
    state_.ClearStopRequest();
    state_.SetCurrentName("");
    FillExclusions(Str(folder), excluded, count);
    state_.SetJobKind(PACKJOB_PACK, compress);
    if (!compress) return PACKERR_NO_COMPRESS_FOLDER;
    return PackLocked(Str(packPath), Str(folder), std::string(), password, compress, true);
}

int CPackJobs::PackLocked(const std::string& packPath, const std::string& sourceFolder,
                          const std::string& entryName, const char* password, bool compress, bool partFolder) {
    uint64_t length = 0;
    if (const int err = CheckPackForAppend(packPath, nullptr, &length)) return err;
    if (const int err = CheckAccess(packPath, password, state_.System())) return err;
    if (entryName.size() > kMaxStoredNameLength) return PACKERR_FILE_NAME_TOO_LONG;
    // A stored name that leaves the destination folder would be refused by every
    // reader: such a pack is never written.
    if (!entryName.empty() && !IsSafeName(entryName, kRelativeNameOptions)) return PACKERR_INVALID_PARAMETER;
    {
        std::lock_guard<std::mutex> skippedLock(skippedMutex_);
        skipped_.clear();
    }

    job_ = Job();
    Job& job = job_;
    job.packPath = packPath;
    // The entry count is the new entry's index.
    uint64_t total = 0;
    if (const int err = CountEntriesIndexed(packPath, &job.entryIndex, &total, &job.rounds)) return err;
    const size_t pwLength = password ? strnlen(password, sizeof job.password - 1) : 0;
    if (pwLength) std::memcpy(job.password, password, pwLength);

    if (!compress) {
        if (!BuildEntryPath(sourceFolder, entryName, &job.sourcePath)) return PACKERR_PATH_TOO_LONG;
        uint32_t attributes = 0;
        if (!fs::GetAttributes(job.sourcePath, &attributes)) return PACKERR_FILE_IO;
        if (attributes & fs::kAttrDirectory) return PACKERR_NO_COMPRESS_FOLDER;
        job.source = fs::File::Open(job.sourcePath, fs::Access::Read, fs::Disposition::OpenExisting, fs::Share::Read);
        if (!job.source.IsOpen()) return PACKERR_OPEN_SOURCE_FILE;
        uint64_t size = 0;
        if (!job.source.Size(&size)) return PACKERR_FILE_IO;
        // Checked before anything is appended: a refused source leaves the pack alone.
        if (size > kMaxDataLength) return PACKERR_FILE_TOO_BIG;
        job.dataLength = static_cast<uint32_t>(size);
        job.storedName = entryName;
        job.kind = Kind::Plain;
        if (const int err = CheckPackForAppend(packPath, &job.pack, &job.packLength)) return err;
        const auto header = EntryHeaderBytes(false, job.storedName, job.dataLength, job.rounds, job.entryIndex);
        if (!job.pack.Write(header.data(), header.size())) {
            job.pack.SetSize(job.packLength);
            job.pack.Close();
            return PACKERR_FILE_IO;
        }
        return StartJobLocked(&job);
    }

    const std::string published = PreCompressFilePath();
    if (published.size() > kMaxPathLength) return PACKERR_PATH_TOO_LONG;
    // The published container's name is never a pack or a source of a job.
    if (fs::SameFileOrPath(packPath, published)) return PACKERR_OPEN_PACKED_FILE;
    if (!entryName.empty()) {
        if (!BuildEntryPath(sourceFolder, entryName, &job.sourcePath)) return PACKERR_PATH_TOO_LONG;
        if (fs::SameFileOrPath(job.sourcePath, published)) return PACKERR_OPEN_SOURCE_FILE;
        job.kind = Kind::CompressFile;
        job.recordName = entryName;
        job.storedName = entryName + kContainerSuffix;
    } else {
        job.kind = Kind::CompressFolder;
        job.sourcePath = WithoutTrailingBackslash(sourceFolder);
        job.baseFolder = ParentFolder(job.sourcePath);
        job.storedName = GetFileNamePart(job.sourcePath) + kContainerSuffix;
        // Only PackPartFolder leaves files out: the exclusions of an earlier job
        // would silently drop files from a whole-folder Pack.
        if (partFolder) job.excluded = exclusions_;
        job.excluded.push_back(published);
    }
    if (job.storedName.size() > kMaxCompressedStoredName) return PACKERR_FILE_NAME_TOO_LONG;
    codec_.SetForce(force_);
    if (const int err = CreateWorkContainer(published, &job.containerPath)) return err;
    // A walk of the working folder finds the job's own file: never a record.
    job.excluded.push_back(job.containerPath);
    if (const int err = CheckPackForAppend(packPath, &job.pack, &job.packLength)) {
        fs::RemoveFile(job.containerPath);
        return err;
    }
    return StartJobLocked(&job);
}

int CPackJobs::PreCompress(const char* baseFolder, const char* relativeName, const char* excluded, int count,
                           bool waitAndDiscard) {
    std::lock_guard<std::mutex> lock(state_.Mutex());
    state_.WaitForWorkersLocked();
    state_.SetJobKind(PACKJOB_NONE, false);
    const std::string base = Str(baseFolder);
    const std::string relative = Str(relativeName);
    if (base.empty()) return 0;
    state_.ClearStopRequest();
    state_.SetCurrentName("");
    FillExclusions(base, excluded, count);

    if (relative.size() > kMaxStoredNameLength) return PACKERR_FILE_NAME_TOO_LONG;
    if (!relative.empty() && !IsSafeName(relative, kRelativeNameOptions)) return PACKERR_INVALID_PARAMETER;
    job_ = Job();
    Job& job = job_;
    if (relative.empty()) {
        job.kind = Kind::PreCompressFolder;
        job.sourcePath = WithoutTrailingBackslash(base);
        job.baseFolder = ParentFolder(job.sourcePath);
        job.excluded = exclusions_;
    } else {
        if (!BuildEntryPath(base, relative, &job.sourcePath)) return PACKERR_PATH_TOO_LONG;
        job.kind = Kind::PreCompressFile;
        job.recordName = relative;
    }
    const std::string published = PreCompressFilePath();
    if (published.size() > kMaxPathLength) return PACKERR_PATH_TOO_LONG;
    if (job.kind == Kind::PreCompressFile && fs::SameFileOrPath(job.sourcePath, published))
        return PACKERR_OPEN_SOURCE_FILE;
    job.excluded.push_back(published);
    codec_.SetForce(force_);
    {
        std::lock_guard<std::mutex> skippedLock(skippedMutex_);
        skipped_.clear();
    }
    // Built in the job's own file; only a finished container kept for the
    // caller is moved to the published name.
    if (const int err = CreateWorkContainer(published, &job.containerPath)) return err;
    job.excluded.push_back(job.containerPath);
    if (!waitAndDiscard) job.publishAs = published;

    if (const int err = StartJobLocked(&job); err < 0) return err;
    if (!waitAndDiscard) return 0;
    state_.WaitForWorkersLocked();
    codec_.DeleteFileRetry(job_.containerPath);
    const int err = state_.LastError();
    return err < 0 ? err : 0;
}

int CPackJobs::StartJobLocked(Job* job) {
    const int rc = state_.StartWorkerLocked(&CPackJobs::WorkerMain, this);
    if (rc == PACKERR_CREATE_THREAD) {
        // The worker never ran: undo what the caller's thread appended or made.
        if (job->pack.IsOpen()) {
            job->pack.SetSize(job->packLength);
            job->pack.Close();
        }
        if (!job->containerPath.empty()) fs::RemoveFile(job->containerPath);
    }
    return rc;
}

void CPackJobs::WorkerMain(void* self) {
    auto* jobs = static_cast<CPackJobs*>(self);
    try {
        jobs->RunWorker();
    } catch (...) {
        // Only allocation can throw here; the pack goes back to what it was.
        Job& job = jobs->job_;
        job.source.Close();
        if (job.pack.IsOpen()) {
            job.pack.SetSize(job.packLength);
            job.pack.Close();
        }
        if (!job.containerPath.empty()) jobs->codec_.DeleteFileRetry(job.containerPath);
        jobs->state_.SetLastError(PACKERR_NOT_ENOUGH_MEMORY);
    }
}

void CPackJobs::RunWorker() {
    Job& job = job_;
    bool stopped = false;
    int rc = 0;
    switch (job.kind) {
        case Kind::Plain:
            rc = RunPlain(job);
            break;
        case Kind::CompressFile:
        case Kind::CompressFolder:
            rc = RunCompressed(job, &stopped);
            break;
        case Kind::PreCompressFile:
        case Kind::PreCompressFolder:
            rc = RunPreCompress(job, &stopped);
            break;
    }
    job.source.Close();
    if (rc < 0 || stopped) {
        if (job.pack.IsOpen()) {
            // The entry is not complete: the pack goes back to what it was.
            job.pack.SetSize(job.packLength);
            job.pack.Close();
        }
        if (rc < 0) state_.SetLastError(rc);
    }
    // The job's own container never outlives it, but for one moved into place.
    if (job.containerPath != job.publishAs && fs::Exists(job.containerPath))
        codec_.DeleteFileRetry(job.containerPath);
    job.pack.Close();
    // The pack's index learns the entry this job appended, so the next append
    // need not count the entries again.
    if (rc == 0 && !stopped && (job.kind == Kind::Plain || job.kind == Kind::CompressFile ||
                                job.kind == Kind::CompressFolder))
        NoteAppended(job.packPath, job.packLength, job.entryIndex);
    if (stopped) state_.PostStopped(WM_PACK_STOPPED);
}

// A cipher holding the job's password with the data key of R passes; null when the
// pack is not enciphered (R = 0: entry data are stored as they are). The key
// depends only on the password and R, so the last one built is kept for the
// jobs that follow with the same two.
int CPackJobs::MakeDataKey(const Job& job, int keyError, CBufferCipher** key) {
    *key = nullptr;
    if (job.rounds == 0) return 0;
    if (!(dataKey_ && dataKeyRounds_ == job.rounds && dataKeyPassword_ == job.password)) {
        dataKey_.reset();
        dataKeyPassword_.clear();
        dataKey_.reset(new (std::nothrow) CBufferCipher(job.password));
        if (!dataKey_) return PACKERR_NOT_ENOUGH_MEMORY;
        if (!dataKey_->BuildDataKey(job.rounds)) {
            dataKey_.reset();
            return keyError;
        }
        dataKeyRounds_ = job.rounds;
        dataKeyPassword_ = job.password;
    }
    *key = dataKey_.get();
    return 0;
}

int CPackJobs::CopyCoded(Job& job, CBufferCipher* key, fs::File& source, uint64_t length, int progressBase,
                         int progressSpan) {
    Appender out(job.pack);
    uint8_t chunk[kChunkSize];
    const uint64_t wholeKiB = length / kChunkSize;
    uint64_t done = 0;
    for (uint32_t index = 0; done < length; ++index) {
        const size_t n = length - done < kChunkSize ? static_cast<size_t>(length - done) : kChunkSize;
        // A source that shrank under the job is a short read.
        if (!source.ReadExact(chunk, n)) return PACKERR_FILE_IO;
        if (key) key->CodeEntryChunk(chunk, n, job.entryIndex, index);
        if (!out.Write(chunk, n)) return PACKERR_FILE_IO;
        done += n;
        const uint64_t m = done / kChunkSize;
        SetProgress(progressBase + static_cast<int>((m + 1) * static_cast<uint64_t>(progressSpan) / (wholeKiB + 1)));
        state_.ReportChunk(index);
    }
    return out.Flush() ? 0 : PACKERR_FILE_IO;
}

int CPackJobs::RunPlain(Job& job) {
    CBufferCipher* key = nullptr;
    if (const int err = MakeDataKey(job, PACKERR_CREATE_KEY, &key)) return err;
    if (const int err = CopyCoded(job, key, job.source, job.dataLength, 0, 100)) return err;
    job.source.Close();

    // FileStampTrailer: 4 bytes 0, attributes, creation, last access, last write.
    uint32_t attributes = 0;
    fs::FileTimes times;
    if (!fs::GetAttributes(job.sourcePath, &attributes) || !fs::GetTimes(job.sourcePath, &times))
        return PACKERR_FILE_IO;
    uint8_t trailer[kTrailerSize] = {};
    WriteLe32(trailer + kTrailerAttributesOffset, attributes);
    const uint64_t stamps[] = {times.creation, times.lastAccess, times.lastWrite};
    const size_t offsets[] = {kTrailerCreationOffset, kTrailerLastAccessOffset, kTrailerLastWriteOffset};
    for (int i = 0; i < 3; ++i) {
        WriteLe32(trailer + offsets[i], static_cast<uint32_t>(stamps[i]));
        WriteLe32(trailer + offsets[i] + 4, static_cast<uint32_t>(stamps[i] >> 32));
    }
    if (!job.pack.Write(trailer, sizeof trailer) || !job.pack.Flush() || !job.pack.Close()) return PACKERR_FILE_IO;
    // The plain pack ignores a stop request: the entry is finished, the stop reported.
    if (state_.StopRequested()) {
        state_.PostStopped(WM_PACK_STOPPED);
    } else {
        SetProgress(PACKPROGRESS_DONE);
    }
    return 0;
}

int CPackJobs::RunCompressed(Job& job, bool* stopped) {
    const CodecHooks hooks = Hooks();
    int keyError = PACKERR_CREATE_KEY;
    if (job.kind == Kind::CompressFile) {
        CompressJob compress{job.sourcePath, job.containerPath, std::string(), job.recordName};
        const int rc = codec_.CompressToZipPkgJob(&compress, hooks);
        if (rc == kCodecStopped) {
            *stopped = true;
            return 0;
        }
        if (rc < 0) return rc;
        job.containerPath = compress.containerPath;
    } else {
        if (job.sourcePath.empty()) return PACKERR_FILE_IO;
        std::vector<std::string> skipped;
        const int rc = codec_.CompressFolderToZipPkg(job.sourcePath, job.baseFolder, job.excluded,
                                                     job.containerPath, &job.containerPath, 50, &skipped, hooks);
        AddSkipped(skipped);
        if (rc == kCodecStopped) {
            *stopped = true;
            return 0;
        }
        if (rc < 0) return rc;
        SetProgress(50);
        state_.SetCurrentName("");
        keyError = PACKERR_FILE_IO;
    }
    // A stop that came while the last block was compressed is honoured here.
    if (state_.StopRequested()) {
        codec_.DeleteFileRetry(job.containerPath);
        *stopped = true;
        return 0;
    }
    if (const int err = AppendContainer(job, keyError)) return err;
    codec_.DeleteFileRetry(job.containerPath);
    SetProgress(PACKPROGRESS_DONE);
    // A stop asked for in the append phase was refused; it is still reported.
    if (state_.StopRequested()) state_.PostStopped(WM_PACK_STOPPED);
    return 0;
}

int CPackJobs::AppendContainer(Job& job, int keyError) {
    fs::File container =
        fs::File::Open(job.containerPath, fs::Access::Read, fs::Disposition::OpenExisting, fs::Share::Read);
    if (!container.IsOpen()) return PACKERR_FILE_IO;
    uint64_t length = 0;
    if (!container.Size(&length)) return PACKERR_FILE_IO;
    if (length > kMaxDataLength) return PACKERR_FILE_TOO_BIG;
    CBufferCipher* key = nullptr;
    if (const int err = MakeDataKey(job, keyError, &key)) return err;
    const auto header =
        EntryHeaderBytes(true, job.storedName, static_cast<uint32_t>(length), job.rounds, job.entryIndex);
    if (!job.pack.Write(header.data(), header.size())) return PACKERR_FILE_IO;
    if (const int err = CopyCoded(job, key, container, length, 50, 50)) return err;
    container.Close();
    if (!job.pack.Flush() || !job.pack.Close()) return PACKERR_FILE_IO;
    return 0;
}

int CPackJobs::RunPreCompress(Job& job, bool* stopped) {
    const CodecHooks hooks = Hooks();
    if (job.kind == Kind::PreCompressFile) {
        CompressJob compress{job.sourcePath, job.containerPath, std::string(), job.recordName};
        const int rc = codec_.CompressToZipPkgJob(&compress, hooks);
        if (rc == kCodecStopped) {
            *stopped = true;
            return 0;
        }
        if (rc < 0) return rc;
        if (state_.StopRequested()) {
            codec_.DeleteFileRetry(job.containerPath);
            *stopped = true;
            return 0;
        }
    } else {
        std::vector<std::string> skipped;
        const int rc = codec_.CompressFolderToZipPkg(job.sourcePath, job.baseFolder, job.excluded,
                                                     job.containerPath, &job.containerPath, 100, &skipped, hooks);
        AddSkipped(skipped);
        if (rc == kCodecStopped) {
            *stopped = true;
            return 0;
        }
        if (rc < 0) return rc;
    }
    // A container kept for the caller goes where the exported name says,
    // before the caller can see the job done.
    if (!job.publishAs.empty()) {
        if (!fs::MoveIntoPlace(job.containerPath, job.publishAs)) return PACKERR_OPEN_DESTINATION_FILE;
        job.containerPath = job.publishAs;
    }
    state_.SetCurrentName("");
    SetProgress(PACKPROGRESS_DONE);
    return 0;
}

}  // namespace kb::pack
