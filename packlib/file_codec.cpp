// CFileCodec: container records written with zlib's compress, read back with
// uncompress, every stored length checked before it is used.
#include "packlib/file_codec.h"

#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <new>
#include <thread>

#include "packlib/block_expander.h"
#include "packlib/container_format.h"
#include "packlib/folder_walk.h"
#include "packlib/path_routines.h"
#include "packlib/split_parts.h"
#include "shared/pack_errors.h"

namespace kb::pack {
namespace {

constexpr unsigned kDeleteRetryPauseMs = 100;
constexpr int kDeleteRetryPauses = 50;  // about 5 seconds

std::unique_ptr<uint8_t[]> Allocate(size_t n) {
    return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[n == 0 ? 1 : n]);
}

uint32_t SecondsOrZero(uint64_t fileTime) {
    if (fileTime < fs::kUnixEpochFileTime) return 0;
    const uint64_t s = (fileTime - fs::kUnixEpochFileTime) / fs::kFileTimeTicksPerSecond;
    return s > UINT32_MAX ? 0 : static_cast<uint32_t>(s);
}

// What both container readers share: the logical position within the
// container's length, and the little-endian fields read through the reader's
// own Read, which never passes that length.
template <class Reader>
class BoundedFields {
public:
    uint64_t Position() const { return pos_; }
    uint64_t Size() const { return size_; }
    bool AtEnd() const { return pos_ >= size_; }
    uint64_t Remaining() const { return pos_ < size_ ? size_ - pos_ : 0; }
    bool U32(uint32_t* v) {
        uint8_t b[4];
        if (!static_cast<Reader&>(*this).Read(b, 4)) return false;
        *v = ReadLe32(b);
        return true;
    }
    bool U8(uint8_t* v) { return static_cast<Reader&>(*this).Read(v, 1); }

protected:
    uint64_t pos_ = 0;
    uint64_t size_ = 0;
};

// A reader bounded by the container's length, so no stored length can take it
// past the end or into a huge allocation.
class BoundedReader : public BoundedFields<BoundedReader> {
public:
    explicit BoundedReader(fs::File& f) : f_(f) {}
    bool Init() { return f_.Tell(&pos_) && f_.Size(&size_); }
    bool Read(void* p, size_t n) {
        if (n > Remaining() || !f_.ReadExact(p, n)) return false;
        pos_ += n;
        return true;
    }
    bool Skip(uint64_t n) {
        if (n > Remaining() || !f_.Seek(static_cast<int64_t>(n), fs::Origin::Current)) return false;
        pos_ += n;
        return true;
    }
    bool SeekTo(uint64_t p) {
        if (p > size_ || !f_.Seek(static_cast<int64_t>(p), fs::Origin::Begin)) return false;
        pos_ = p;
        return true;
    }

private:
    fs::File& f_;
};

// The same bounds over a read-ahead window, for a walk that goes through a
// container once from its start: a record's head and its small blocks come
// from the window, a skip or a read past it moves on without reading what lies
// between, and nothing passed is read again. The file's own position is left
// wherever the window ends.
class BufferedReader : public BoundedFields<BufferedReader> {
public:
    explicit BufferedReader(fs::File& f) : f_(f) {}
    bool Init() {
        if (!f_.Tell(&pos_) || !f_.Size(&size_)) return false;
        window_.reset(new (std::nothrow) uint8_t[kWindow]);
        filePos_ = pos_;
        return window_ != nullptr;
    }
    bool Read(void* p, size_t n) {
        if (n > Remaining()) return false;
        auto* out = static_cast<uint8_t*>(p);
        while (n > 0) {
            if (InWindow() == 0) {
                if (n >= kWindow) {  // a large block goes straight to its buffer
                    if (!SeekFile(pos_) || !f_.ReadExact(out, n)) return false;
                    filePos_ += n;
                    pos_ += n;
                    return true;
                }
                if (!Fill()) return false;
            }
            const size_t take = std::min<size_t>(n, InWindow());
            std::memcpy(out, window_.get() + (pos_ - windowStart_), take);
            out += take;
            pos_ += take;
            n -= take;
        }
        return true;
    }
    bool Skip(uint64_t n) {
        if (n > Remaining()) return false;
        pos_ += n;
        return true;
    }
    bool SeekTo(uint64_t p) {
        if (p > size_) return false;
        pos_ = p;
        return true;
    }

private:
    static constexpr size_t kWindow = 64 * 1024;
    // Bytes of the window at and after the logical position.
    size_t InWindow() const {
        return pos_ >= windowStart_ && pos_ < windowStart_ + windowLength_
                   ? static_cast<size_t>(windowStart_ + windowLength_ - pos_)
                   : 0;
    }
    bool SeekFile(uint64_t p) {
        if (p == filePos_) return true;
        if (!f_.Seek(static_cast<int64_t>(p), fs::Origin::Begin)) return false;
        filePos_ = p;
        return true;
    }
    bool Fill() {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(kWindow, Remaining()));
        windowLength_ = 0;
        if (!SeekFile(pos_)) return false;
        windowStart_ = pos_;
        if (!f_.ReadExact(window_.get(), want)) return false;
        filePos_ += want;
        windowLength_ = want;
        return true;
    }

    fs::File& f_;
    std::unique_ptr<uint8_t[]> window_;
    uint64_t filePos_ = 0;
    uint64_t windowStart_ = 0;
    size_t windowLength_ = 0;
};

enum class Walk { Record, End, Damaged, BadName };

struct RecordHead {
    std::string name;
    ZipPkgStatus status;
    uint32_t fileLength = 0;
    uint8_t mode = kBlockModeSingle;
};

int WalkError(Walk w) { return w == Walk::BadName ? PACKERR_ILLEGAL_PACKED_FILE : PACKERR_UNCOMPRESSION; }

// Reads one record's head up to its first block; the name is read or skipped.
template <class Reader>
Walk ReadHead(Reader& r, RecordHead* head, bool readName) {
    if (r.AtEnd()) return Walk::End;
    uint32_t nameLength = 0;
    if (!r.U32(&nameLength)) return Walk::Damaged;
    // Bounds: what remains of the container, then the longest name a path can hold.
    if (nameLength > r.Remaining()) return Walk::Damaged;
    if (nameLength == 0 || nameLength > kMaxPathLength) return Walk::BadName;
    if (readName) {
        head->name.assign(nameLength, '\0');
        if (!r.Read(head->name.data(), nameLength)) return Walk::Damaged;
    } else if (!r.Skip(nameLength)) {
        return Walk::Damaged;
    }
    uint8_t status[kZipPkgStatusSize];
    if (!r.Read(status, sizeof status)) return Walk::Damaged;
    head->status = DecodeZipPkgStatus(status);
    if (!r.U32(&head->fileLength) || head->fileLength > kZipPkgMaxFileLength) return Walk::Damaged;
    head->mode = kBlockModeSingle;
    if (head->fileLength != 0) {
        uint8_t mode = 0;
        if (!r.U8(&mode)) return Walk::Damaged;
        head->mode = mode == 0 ? kBlockModeSingle : kBlockModeBlocks;
    }
    return Walk::Record;
}

// Bounds of block k of a record: what remains, and the room the writer gives it.
template <class Reader>
bool BlockLengthFits(const RecordHead& head, uint32_t blockLength, const Reader& r) {
    if (blockLength > r.Remaining() || blockLength == 0) return false;
    if (head.mode == kBlockModeSingle)
        return head.fileLength <= kZipPkgMaxSingleBlockFile && blockLength <= ZipPkgBlockLimit(head.fileLength);
    return blockLength <= kZipPkgBlockRoom;
}

// Moves past the blocks of a record whose head was just read, checking each length.
template <class Reader>
Walk SkipBlocks(Reader& r, const RecordHead& head) {
    if (head.fileLength == 0) return Walk::Record;
    const uint32_t count = head.mode == kBlockModeSingle ? 1 : ZipPkgBlockCount(head.fileLength);
    for (uint32_t k = 0; k < count; ++k) {
        uint32_t length = 0;
        if (!r.U32(&length) || !BlockLengthFits(head, length, r) || !r.Skip(length)) return Walk::Damaged;
    }
    return Walk::Record;
}

template <class Reader>
Walk SkipRecord(Reader& r, RecordHead* head, bool readName) {
    const Walk w = ReadHead(r, head, readName);
    if (w != Walk::Record) return w;
    return SkipBlocks(r, *head);
}

// Passes n records: Record when all were passed, End when the container ended
// at a record boundary first.
Walk SkipRecords(BoundedReader& r, uint32_t n) {
    RecordHead head;
    for (uint32_t i = 0; i < n; ++i) {
        const Walk w = SkipRecord(r, &head, false);
        if (w != Walk::Record) return w;
    }
    return Walk::Record;
}

void Report(const std::function<void(int)>& f, int v) {
    if (f) f(v);
}

bool Stopped(const CodecHooks& hooks) { return hooks.stopRequested && hooks.stopRequested(); }

}  // namespace

CFileCodec::CFileCodec() = default;
CFileCodec::~CFileCodec() = default;

void CFileCodec::SetSleepForTesting(std::function<void(unsigned)> sleep) { sleep_ = std::move(sleep); }

bool CFileCodec::DeleteFileRetry(const std::string& path) {
    if (!fs::Exists(path)) return false;
    uint32_t attributes = 0;
    if (fs::GetAttributes(path, &attributes) && (attributes & fs::kAttrReadOnly))
        fs::SetAttributes(path, attributes & fs::kAttrSettable & ~fs::kAttrReadOnly);
    // Another process may hold the file a while; only our own temporary files come
    // here, so after the bound the job goes on without the delete.
    for (int pauses = 0;; ++pauses) {
        if (fs::RemoveFile(path) || !fs::Exists(path)) return true;
        if (pauses >= kDeleteRetryPauses) return false;
        if (sleep_)
            sleep_(kDeleteRetryPauseMs);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(kDeleteRetryPauseMs));
    }
}

int CFileCodec::CompressToZipPkg(const std::string& sourcePath, const std::string& baseFolder,
                                 std::string* containerPath, const std::string& extension,
                                 std::string* skippedName, const CodecHooks& hooks) {
    return Compress(sourcePath, baseFolder, containerPath, extension, skippedName, false, hooks);
}

int CFileCodec::CompressToZipPkgJob(CompressJob* job, const CodecHooks& hooks) {
    if (hooks.setCurrentName) hooks.setCurrentName(job->sourcePath);
    return Compress(job->sourcePath, job->recordName, &job->containerPath, job->extension, nullptr, true, hooks);
}

// nameSource is the base folder (folder variant) or the record name (job variant).
int CFileCodec::Compress(const std::string& sourcePath, const std::string& nameSource,
                         std::string* containerPath, const std::string& extension,
                         std::string* skippedName, bool job, const CodecHooks& hooks) {
    auto finish = [&](int result) {
        Report(hooks.setLastError, result);
        return result;
    };
    if (skippedName) skippedName->clear();
    if (sourcePath.empty()) return finish(PACKERR_OPEN_SOURCE_FILE);

    fs::File source = fs::File::Open(sourcePath, fs::Access::Read, fs::Disposition::OpenExisting, fs::Share::None);
    if (!source.IsOpen()) {
        const bool named = !containerPath->empty() && fs::Exists(*containerPath);
        if (job || !force_) {
            if (named) DeleteFileRetry(*containerPath);
            return finish(PACKERR_OPEN_SOURCE_FILE);
        }
        if (skippedName) *skippedName = sourcePath;
        return finish(0);
    }

    std::string container = *containerPath;
    if (container.empty()) container = sourcePath + "." + (extension.empty() ? std::string("cmp") : extension);
    if (container.size() > kMaxPathLength) return finish(PACKERR_PATH_TOO_LONG);
    fs::File out = fs::File::Open(container, fs::Access::Write, fs::Disposition::OpenAlways, fs::Share::None);
    if (!out.IsOpen()) return finish(PACKERR_OPEN_DESTINATION_FILE);

    uint64_t sourceSize = 0, containerSize = 0;
    if (!source.Size(&sourceSize) || !out.Size(&containerSize)) return finish(PACKERR_FILE_IO);
    if (sourceSize > kZipPkgMaxFileLength || containerSize > kZipPkgMaxFileLength) return finish(PACKERR_FILE_TOO_BIG);
    if (!out.Seek(0, fs::Origin::End)) return finish(PACKERR_FILE_IO);
    const uint32_t fileLength = static_cast<uint32_t>(sourceSize);

    std::string recordName;
    if (job) {
        recordName = StripDrivePart(nameSource);
    } else if (!MakeRecordName(sourcePath, nameSource, &recordName)) {
        return finish(PACKERR_INVALID_PARAMETER);
    }
    // Never write a record that a reader would have to refuse.
    if (!IsSafeName(recordName, kRecordNameOptions)) return finish(PACKERR_INVALID_PARAMETER);

    // What the file status cannot give is stored as 0 ("leave unchanged").
    ZipPkgStatus status;
    fs::FileTimes times;
    if (source.GetTimes(&times)) {
        status.creation = SecondsOrZero(times.creation);
        status.lastWrite = SecondsOrZero(times.lastWrite);
        status.lastAccess = SecondsOrZero(times.lastAccess);
    }
    status.size = static_cast<int32_t>(fileLength);
    uint32_t attributes = 0;
    if (fs::GetAttributes(sourcePath, &attributes)) status.attributes = static_cast<uint8_t>(attributes & 0xFF);

    std::string head(4 + recordName.size() + kZipPkgStatusSize + 4, '\0');
    auto* h = reinterpret_cast<uint8_t*>(head.data());
    WriteLe32(h, static_cast<uint32_t>(recordName.size()));
    head.replace(4, recordName.size(), recordName);
    EncodeZipPkgStatus(status, h + 4 + recordName.size());
    WriteLe32(h + 4 + recordName.size() + kZipPkgStatusSize, fileLength);
    if (!out.Write(head.data(), head.size())) return finish(PACKERR_FILE_IO);

    if (fileLength != 0) {
        const fs::MemoryStatus memory = fs::GetMemoryStatus();
        const uint8_t mode = ChooseBlockMode(fileLength, memory.availablePhysical, memory.availableVirtual);
        const size_t inputRoom = mode == kBlockModeSingle ? fileLength : kZipPkgBlockSize;
        const size_t outputRoom = static_cast<size_t>(ZipPkgBlockLimit(inputRoom));
        auto input = Allocate(inputRoom);
        auto output = Allocate(outputRoom);
        if (!input || !output) return finish(PACKERR_NOT_ENOUGH_MEMORY);
        if (!out.Write(&mode, 1)) return finish(PACKERR_FILE_IO);

        uint64_t done = 0;
        while (done < fileLength) {
            const size_t n = static_cast<size_t>(std::min<uint64_t>(inputRoom, fileLength - done));
            if (!source.ReadExact(input.get(), n)) return finish(PACKERR_FILE_IO);
            uLongf packed = static_cast<uLongf>(outputRoom);
            if (compress(output.get(), &packed, input.get(), static_cast<uLong>(n)) != Z_OK)
                return finish(PACKERR_COMPRESSION);
            uint8_t length[4];
            WriteLe32(length, static_cast<uint32_t>(packed));
            if (!out.Write(length, 4) || !out.Write(output.get(), packed)) return finish(PACKERR_FILE_IO);
            done += n;
            if (job) Report(hooks.setProgress, CompressProgress(done, fileLength));
            if (job && mode == kBlockModeBlocks && n == kZipPkgBlockSize && Stopped(hooks)) {
                source.Close();
                out.Close();
                DeleteFileRetry(container);
                return finish(kCodecStopped);
            }
        }
    }
    if (!out.Close()) return finish(PACKERR_FILE_IO);
    source.Close();
    *containerPath = fs::FullPath(container);
    if (job) Report(hooks.setProgress, 50);
    return finish(0);
}

int CFileCodec::ExtractFromZipPkg(const std::string& containerPath, const std::string& destFolder,
                                  uint32_t recordIndex, const CodecHooks& hooks) {
    return Extract(containerPath, destFolder, recordIndex, false, hooks);
}

int CFileCodec::ExtractFromZipPkgJob(const std::string& containerPath, const std::string& destFolder,
                                     uint32_t recordIndex, const CodecHooks& hooks) {
    return Extract(containerPath, destFolder, recordIndex, true, hooks);
}

namespace {

// Where a record's bytes go: straight into a new file when nothing is in the
// way, else into a file of our own beside the one in the way, which is replaced
// only once the record is complete. So a failure or a stop leaves a user's file
// as it was and nothing of the new one.
class RecordOutput {
public:
    explicit RecordOutput(std::string target) : target_(std::move(target)) {}
    ~RecordOutput() { Discard(); }
    RecordOutput(const RecordOutput&) = delete;
    RecordOutput& operator=(const RecordOutput&) = delete;

    int Open() {
        uint32_t attributes = 0;
        if (fs::GetAttributes(target_, &attributes) && (attributes & fs::kAttrDirectory))
            return PACKERR_OPEN_DESTINATION_FILE;
        fs::Error error = fs::Error::None;
        file_ = fs::File::Open(target_, fs::Access::ReadWrite, fs::Disposition::CreateNew, fs::Share::None, &error);
        if (file_.IsOpen()) {
            path_ = target_;
            return 0;
        }
        file_ = fs::CreateFileBeside(target_, &path_, fs::Access::ReadWrite, fs::Share::None);
        if (!file_.IsOpen()) return PACKERR_OPEN_DESTINATION_FILE;
        beside_ = true;
        return 0;
    }
    fs::File& File() { return file_; }

    // Closes the complete file, gives it its times and puts it in place.
    int Finish(const fs::FileTimes& times) {
        if (!file_.Close()) return PACKERR_FILE_IO;
        if (times.creation || times.lastAccess || times.lastWrite) fs::SetTimes(path_, times);
        if (beside_ && !fs::MoveIntoPlace(path_, target_)) {
            // A read-only, hidden or system file in the way refuses to be replaced.
            uint32_t attributes = 0;
            if (!fs::GetAttributes(target_, &attributes) || (attributes & fs::kAttrDirectory) ||
                !fs::SetAttributes(target_, 0))
                return PACKERR_OPEN_DESTINATION_FILE;
            if (!fs::MoveIntoPlace(path_, target_)) {
                fs::SetAttributes(target_, attributes & fs::kAttrSettable);
                return PACKERR_OPEN_DESTINATION_FILE;
            }
        }
        path_.clear();
        return 0;
    }
    void Discard() {
        if (path_.empty()) return;
        file_.Close();
        fs::RemoveFile(path_);
        path_.clear();
    }

private:
    std::string target_;
    std::string path_;  // what we wrote into, until it is in place
    fs::File file_;
    bool beside_ = false;
};

// Writes the record whose head was just read from r into folder. job: the worker
// variant's progress and stop (a stop also deletes the container, closed first).
template <class Reader>
int WriteRecord(CFileCodec& codec, Reader& r, fs::File& container, const std::string& containerPath,
                const RecordHead& head, const std::string& folder, bool job, const CodecHooks& hooks) {
    const std::string outPath = JoinPath(folder, head.name);
    if (outPath.size() > kMaxPathLength) return PACKERR_PATH_TOO_LONG;
    CreateFolderPath(head.name, outPath);

    RecordOutput output(outPath);
    if (const int rc = output.Open()) return rc;
    fs::File& out = output.File();

    if (head.fileLength != 0 && head.mode == kBlockModeSingle) {
        const size_t inputRoom = static_cast<size_t>(ZipPkgBlockLimit(head.fileLength));
        auto input = Allocate(inputRoom);
        auto expandedBytes = Allocate(head.fileLength);
        if (!input || !expandedBytes) return PACKERR_NOT_ENOUGH_MEMORY;
        uint32_t length = 0;
        if (!r.U32(&length) || !BlockLengthFits(head, length, r) || length > inputRoom ||
            !r.Read(input.get(), length))
            return PACKERR_UNCOMPRESSION;
        uLongf expanded = static_cast<uLongf>(head.fileLength);
        if (uncompress(expandedBytes.get(), &expanded, input.get(), static_cast<uLong>(length)) != Z_OK ||
            expanded != head.fileLength)
            return PACKERR_UNCOMPRESSION;
        if (!out.Write(expandedBytes.get(), head.fileLength)) return PACKERR_FILE_IO;
        if (job) Report(hooks.setProgress, hooks.getProgress ? hooks.getProgress() + 50 : 100);
    } else if (head.fileLength != 0) {
        // Blocks are read ahead and expand on helper threads; they are written,
        // reported and checked for a stop one by one in order, as they come back.
        const uint32_t count = ZipPkgBlockCount(head.fileLength);
        BlockExpander expander(kZipPkgBlockRoom, kZipPkgBlockSize);
        if (!expander.Start(BlockExpander::HelpersFor(count))) return PACKERR_NOT_ENOUGH_MEMORY;
        uint32_t read = 0;
        uint32_t written = 0;
        bool readFailed = false;  // reported once the blocks before it are written
        while (written < count) {
            if (!readFailed && read < count && read - written < expander.Depth()) {
                uint32_t length = 0;
                if (!r.U32(&length) || !BlockLengthFits(head, length, r) || length > kZipPkgBlockRoom ||
                    !r.Read(expander.Input(read), length)) {
                    readFailed = true;
                    continue;
                }
                expander.Submit(read, length, ZipPkgBlockExpandedSize(head.fileLength, read));
                ++read;
                continue;
            }
            if (written == read) return PACKERR_UNCOMPRESSION;  // the read that failed
            const uint8_t* data = expander.Take(written);
            if (!data) return PACKERR_UNCOMPRESSION;
            if (!out.Write(data, ZipPkgBlockExpandedSize(head.fileLength, written))) return PACKERR_FILE_IO;
            ++written;
            if (!job) continue;
            Report(hooks.setProgress, ExtractProgress(written - 1, count));
            if (Stopped(hooks)) {
                expander.Stop();
                output.Discard();
                container.Close();
                codec.DeleteFileRetry(containerPath);
                return kCodecStopped;
            }
        }
    }

    const fs::FileTimes times{head.status.creation ? fs::FileTimeFromUnixSeconds(head.status.creation) : 0,
                              head.status.lastAccess ? fs::FileTimeFromUnixSeconds(head.status.lastAccess) : 0,
                              head.status.lastWrite ? fs::FileTimeFromUnixSeconds(head.status.lastWrite) : 0};
    if (const int rc = output.Finish(times)) return rc;
    // Attributes last: a read-only file would refuse its times afterwards.
    fs::SetAttributes(outPath, head.status.attributes & kZipPkgAttributeMask);
    return 0;
}

}  // namespace

int CFileCodec::Extract(const std::string& containerPath, const std::string& destFolder, uint32_t recordIndex,
                        bool job, const CodecHooks& hooks) {
    auto finish = [&](int result) {
        Report(hooks.setLastError, result);
        return result;
    };
    if (containerPath.empty()) return finish(PACKERR_OPEN_SOURCE_FILE);
    fs::File container = fs::File::Open(containerPath, fs::Access::Read, fs::Disposition::OpenExisting, fs::Share::Read);
    if (!container.IsOpen()) return finish(PACKERR_OPEN_SOURCE_FILE);
    BoundedReader r(container);
    if (!r.Init()) return finish(PACKERR_FILE_IO);
    if (r.Size() == 0) return finish(PACKERR_FILE_IO);

    const Walk skipped = SkipRecords(r, recordIndex);
    if (skipped == Walk::End) return finish(0);
    if (skipped != Walk::Record) return finish(WalkError(skipped));
    if (r.AtEnd()) return finish(0);

    RecordHead head;
    const Walk w = ReadHead(r, &head, true);
    if (w != Walk::Record) return finish(WalkError(w));
    if (hooks.setCurrentName) hooks.setCurrentName(head.name);
    if (!IsSafeName(head.name, kRecordNameOptions)) return finish(PACKERR_ILLEGAL_PACKED_FILE);

    // Check the whole record's layout before anything is created.
    const uint64_t blocksStart = r.Position();
    if (SkipBlocks(r, head) != Walk::Record) return finish(PACKERR_UNCOMPRESSION);
    if (!r.SeekTo(blocksStart)) return finish(PACKERR_FILE_IO);

    const std::string folder = destFolder.empty() ? fs::CurrentFolder() : destFolder;
    return finish(WriteRecord(*this, r, container, containerPath, head, folder, job, hooks));
}

int CFileCodec::ExtractNamedFromZipPkg(const std::string& containerPath, const std::string& destFolder,
                                       const std::string& name, bool* found, const CodecHooks& hooks) {
    *found = false;
    fs::File container = fs::File::Open(containerPath, fs::Access::Read, fs::Disposition::OpenExisting, fs::Share::Read);
    if (containerPath.empty() || !container.IsOpen()) return PACKERR_FILE_IO;
    BufferedReader r(container);
    if (!r.Init()) return PACKERR_FILE_IO;
    RecordHead head;
    for (int index = 0;; ++index) {
        const Walk w = ReadHead(r, &head, true);
        if (w == Walk::End) return -1;
        if (w != Walk::Record) return WalkError(w);
        const uint64_t blocksStart = r.Position();
        // The search passes the found record's blocks too, checking their layout.
        if (SkipBlocks(r, head) != Walk::Record) return WalkError(Walk::Damaged);
        if (head.name == name) {
            *found = true;
            auto finish = [&](int result) {
                Report(hooks.setLastError, result);
                return result;
            };
            if (hooks.setCurrentName) hooks.setCurrentName(head.name);
            if (!IsSafeName(head.name, kRecordNameOptions)) return finish(PACKERR_ILLEGAL_PACKED_FILE);
            if (!r.SeekTo(blocksStart)) return finish(PACKERR_FILE_IO);
            const std::string folder = destFolder.empty() ? fs::CurrentFolder() : destFolder;
            return finish(WriteRecord(*this, r, container, containerPath, head, folder, false, hooks));
        }
        if (index == INT32_MAX) return -1;
    }
}

int CFileCodec::CountZipPkgRecords(const std::string& containerPath) {
    fs::File container = fs::File::Open(containerPath, fs::Access::Read, fs::Disposition::OpenExisting, fs::Share::Read);
    if (containerPath.empty() || !container.IsOpen()) return PACKERR_OPEN_SOURCE_FILE;
    BoundedReader r(container);
    if (!r.Init()) return PACKERR_FILE_IO;
    int count = 0;
    RecordHead head;
    for (;;) {
        const Walk w = SkipRecord(r, &head, false);
        if (w == Walk::End) return count;
        if (w != Walk::Record) return WalkError(w);
        if (count == INT32_MAX) return PACKERR_UNCOMPRESSION;
        ++count;
    }
}

int CFileCodec::ListZipPkgRecords(fs::File& container, std::vector<std::string>* names,
                                  std::vector<uint32_t>* sizes) {
    BoundedReader r(container);
    if (!r.Init()) return PACKERR_FILE_IO;
    int count = 0;
    RecordHead head;
    try {
        for (;;) {
            const Walk w = SkipRecord(r, &head, true);
            if (w == Walk::End) return count;
            if (w != Walk::Record) return WalkError(w);
            if (!IsSafeName(head.name, kRecordNameOptions)) return PACKERR_ILLEGAL_PACKED_FILE;
            if (count == INT32_MAX) return PACKERR_UNCOMPRESSION;
            names->push_back(head.name);
            sizes->push_back(head.fileLength);
            ++count;
        }
    } catch (const std::bad_alloc&) {
        return PACKERR_NOT_ENOUGH_MEMORY;
    }
}

int CFileCodec::FindZipPkgRecord(fs::File& container, const std::string& name) {
    BoundedReader r(container);
    if (!r.Init()) return PACKERR_FILE_IO;
    RecordHead head;
    for (int index = 0;; ++index) {
        const Walk w = SkipRecord(r, &head, true);
        if (w == Walk::End) return -1;
        if (w != Walk::Record) return WalkError(w);
        if (head.name == name) return index;
        if (index == INT32_MAX) return -1;
    }
}

bool CFileCodec::SkipZipPkgRecords(fs::File& container, uint32_t n) {
    BoundedReader r(container);
    if (!r.Init()) return false;
    return SkipRecords(r, n) == Walk::Record;
}

int CFileCodec::ExpandZipPkg(const std::string& containerPath, const std::string& destFolder,
                             const CodecHooks& hooks, const std::optional<std::string>& entryScope) {
    if (containerPath.empty()) return PACKERR_OPEN_SOURCE_FILE;
    // Held open, readable by others only, from the first look to the last record.
    fs::File container = fs::File::Open(containerPath, fs::Access::Read, fs::Disposition::OpenExisting, fs::Share::Read);
    if (!container.IsOpen()) return PACKERR_OPEN_SOURCE_FILE;
    BufferedReader r(container);
    if (!r.Init()) return PACKERR_FILE_IO;

    // Every head first, the blocks passed over: the whole layout, every name and
    // what the records declare are known before anything is written.
    int n = 0;
    uint64_t declared = 0;  // at most INT32_MAX x 4,000,000,000: no overflow
    RecordHead head;
    for (;;) {
        const Walk w = SkipRecord(r, &head, true);
        if (w == Walk::End) break;
        if (w != Walk::Record) return WalkError(w);
        if (!IsSafeName(head.name, kRecordNameOptions)) return PACKERR_ILLEGAL_PACKED_FILE;
        if (entryScope && !RecordBelongsTo(head.name, *entryScope)) return PACKERR_ILLEGAL_PACKED_FILE;
        if (n == INT32_MAX) return PACKERR_UNCOMPRESSION;
        ++n;
        declared += head.fileLength;
    }
    if (n == 0) return 0;
    if (hooks.admitDeclared)
        if (const int refused = hooks.admitDeclared(declared)) return refused;

    // Then one pass, each record written as it is met.
    const std::string folder = destFolder.empty() ? fs::CurrentFolder() : destFolder;
    if (!r.SeekTo(0)) return PACKERR_FILE_IO;
    for (int i = 0; i < n; ++i) {
        const Walk w = ReadHead(r, &head, true);
        if (w != Walk::Record) {
            Report(hooks.setLastError, WalkError(w));
            return WalkError(w);
        }
        if (hooks.setCurrentName) hooks.setCurrentName(head.name);
        int result = PACKERR_ILLEGAL_PACKED_FILE;
        if (IsSafeName(head.name, kRecordNameOptions))
            result = WriteRecord(*this, r, container, containerPath, head, folder, n == 1, hooks);
        Report(hooks.setLastError, result);
        if (n == 1 || result < 0) return result;
        Report(hooks.setProgress, static_cast<int>(50 + (50 * (int64_t{i} + 1)) / (int64_t{n} + 1)));
        if (Stopped(hooks)) return kCodecStopped;
    }
    return 0;
}

int CFileCodec::CompressFolderToZipPkg(const std::string& folder, const std::string& baseFolder,
                                       const std::vector<std::string>& excluded, const std::string& skipPath,
                                       std::string* containerPath, int scale, std::vector<std::string>* skipped,
                                       const CodecHooks& hooks) {
    std::vector<std::string> files;
    try {
        CollectFolderFiles(folder, &files, excluded);
    } catch (const std::bad_alloc&) {
        return PACKERR_NOT_ENOUGH_MEMORY;
    }
    if (files.empty()) return PACKERR_NO_FILE_FOUND;
    const uint64_t n = files.size();
    for (uint64_t i = 0; i < n; ++i) {
        const std::string& path = files[i];
        if (hooks.setCurrentName) hooks.setCurrentName(path);
        if (path != skipPath) {
            std::string skippedName;
            const int result = CompressToZipPkg(path, baseFolder, containerPath, "", &skippedName, hooks);
            if (result < 0) return result;
            if (!skippedName.empty() && skipped) skipped->push_back(skippedName);
        }
        Report(hooks.setProgress, static_cast<int>((i + 1) * static_cast<uint64_t>(scale) / n));
        if (Stopped(hooks)) {
            if (!containerPath->empty()) DeleteFileRetry(*containerPath);
            return kCodecStopped;
        }
    }
    if (hooks.setCurrentName) hooks.setCurrentName(std::string());
    return 0;
}

}  // namespace kb::pack
