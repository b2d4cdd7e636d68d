// EnumFilesInZipPkg and UnPackSubFile: an unpack that keeps the container copy
// unexpanded, then a listing of its records or the expansion of one of them.
#include "packlib/zip_jobs.h"

#include <cstring>
#include <vector>

#include "packlib/kabbit_app.h"
#include "packlib/path_routines.h"
#include "packlib/unpack_compressed.h"
#include "shared/pack_errors.h"

namespace kb::pack {
namespace {

std::string Str(const char* s) { return s ? s : ""; }

// The unpack these jobs start: the copy is theirs to list or take one record from.
constexpr UnpackOptions kKeepCopy{true, false};

}  // namespace

CZipJobs::CZipJobs(JobState& state, CFileCodec& codec, CUnpackJobs& unpack)
    : state_(state), codec_(codec), unpack_(unpack) {}

CZipJobs::~CZipJobs() { state_.WaitForWorkersAtEnd(); }

int CZipJobs::EnumFilesInZipPkg(const char* packPath, const char* entryName, char* names, int namesSize,
                                uint32_t* sizes, int sizesBytes, const char* password) {
    std::lock_guard<std::mutex> lock(state_.Mutex());
    state_.WaitForWorkersLocked();
    const std::string name = Str(entryName);
    if (name.empty()) return PACKERR_NO_FILE_FOUND;
    if (!IsContainerEntryName(name)) return PACKERR_NOT_COMPRESSED_FILE;
    if (!names || !sizes) return PACKERR_NULL_BUFFER;

    std::string folder = state_.WorkingDir();
    if (folder.empty()) folder = fs::TempFolder();
    bool started = false;
    const int err = unpack_.StartLocked(packPath, folder.c_str(), entryName, password, kKeepCopy, &started);
    if (err < 0 || !started) {
        if (started) {
            state_.WaitForWorkersLocked();
            unpack_.DiscardCopy(unpack_.OutputPath(), folder, name);
        }
        return err < 0 ? err : PACKERR_FILE_IO;
    }
    state_.WaitForWorkersLocked();
    const std::string copy = unpack_.OutputPath();
    // The copy goes whatever the listing gives.
    struct Discard {
        CUnpackJobs& unpack;
        const std::string& copy;
        const std::string& folder;
        const std::string& name;
        ~Discard() { unpack.DiscardCopy(copy, folder, name); }
    } discard{unpack_, copy, folder, name};

    // A copy that failed or was stopped is not listed as if it were whole.
    if (const int e = state_.LastError(); e < 0) return e;
    if (state_.Progress() != PACKPROGRESS_KEPT) return PACKERR_FILE_IO;

    fs::File container = fs::File::Open(copy, fs::Access::Read, fs::Disposition::OpenExisting, fs::Share::Read);
    if (!container.IsOpen()) return PACKERR_FILE_IO;
    std::vector<std::string> recordNames;
    std::vector<uint32_t> recordSizes;
    const int count = codec_.ListZipPkgRecords(container, &recordNames, &recordSizes);
    container.Close();
    if (count < 0) return count;
    if (count == 0) return PACKERR_NO_FILE_FOUND;

    // Each name and its zero must leave room for the final zero.
    const int64_t nameRoom = static_cast<int64_t>(namesSize) - 1;
    int64_t used = 0;
    for (size_t i = 0; i < recordNames.size(); ++i) {
        const std::string& n = recordNames[i];
        if (used + static_cast<int64_t>(n.size()) + 1 > nameRoom) return PACKERR_NAME_BUFFER_OVERFLOW;
        std::memcpy(names + used, n.c_str(), n.size() + 1);
        used += static_cast<int64_t>(n.size()) + 1;
        if (4 * (static_cast<int64_t>(i) + 1) > static_cast<int64_t>(sizesBytes)) return PACKERR_SIZE_BUFFER_OVERFLOW;
        sizes[i] = recordSizes[i];
    }
    names[used] = 0;
    return count;
}

int CZipJobs::UnPackSubFile(const char* packPath, const char* destFolder, const char* entryName,
                            const char* subFileName, const char* password) {
    std::lock_guard<std::mutex> lock(state_.Mutex());
    state_.WaitForWorkersLocked();
    const std::string name = Str(entryName);
    // Only a container can hold sub-files; a plain entry's output would be parsed
    // and then deleted.
    if (!IsContainerEntryName(name)) return PACKERR_NOT_COMPRESSED_FILE;
    const std::string dest = Str(destFolder);
    std::string copyPath;
    if (!BuildEntryPath(dest, name, &copyPath)) return PACKERR_PATH_TOO_LONG;

    bool started = false;
    const int err = unpack_.StartLocked(packPath, destFolder, entryName, password, kKeepCopy, &started);
    if (err < 0 || !started) {
        // Only a copy this call made is deleted: a failure before the worker
        // created none, and the file under that name is the user's.
        if (started) {
            state_.WaitForWorkersLocked();
            codec_.DeleteFileRetry(unpack_.OutputPath());
        }
        return err < 0 ? err : PACKERR_FILE_IO;
    }

    subFile_.destFolder = dest;
    subFile_.subFileName = Str(subFileName);
    subFile_.copyPath = unpack_.OutputPath();
    subFile_.unpackWorker = state_.LatestWorkerLocked();
    if (!state_.AddWorkerLocked(&CZipJobs::SubFileWorkerMain, this)) {
        // The unpack keeps its copy for a worker that never came: take it away.
        state_.WaitForWorkersLocked();
        codec_.DeleteFileRetry(subFile_.copyPath);
        state_.SetLastError(PACKERR_CREATE_THREAD);
        return PACKERR_CREATE_THREAD;
    }
    return state_.AwaitEarlyErrorLocked();
}

void CZipJobs::SubFileWorkerMain(void* self) {
    auto* jobs = static_cast<CZipJobs*>(self);
    try {
        jobs->RunSubFileWorker();
    } catch (...) {
        // Only allocation can throw here.
        jobs->codec_.DeleteFileRetry(jobs->subFile_.copyPath);
        jobs->state_.SetLastError(PACKERR_NOT_ENOUGH_MEMORY);
    }
}

void CZipJobs::RunSubFileWorker() {
    SubFileBlock& job = subFile_;
    // The unpack's end, not a progress value, decides: a stopped or failed unpack
    // never reaches the kept state, and this worker must not outlive it.
    job.unpackWorker->Wait(sys::kInfinite);
    if (state_.LastError() < 0 || state_.Progress() != PACKPROGRESS_KEPT) {
        codec_.DeleteFileRetry(job.copyPath);
        return;
    }
    // A stop asked for after the copy: the unpack could not see it any more.
    if (state_.StopRequested()) {
        codec_.DeleteFileRetry(job.copyPath);
        state_.PostStopped(WM_PACK_STOPPED);
        return;
    }

    // The record is found and written in one walk over the copy.
    CodecHooks hooks;
    hooks.setCurrentName = [this](const std::string& n) { state_.SetCurrentName(n.c_str()); };
    bool found = false;
    const int r = codec_.ExtractNamedFromZipPkg(job.copyPath, job.destFolder, job.subFileName, &found, hooks);
    int result = 0;
    if (!found)
        result = r == -1 ? PACKERR_NO_FILE_FOUND : r;  // unreadable or damaged before the record
    else if (r == PACKERR_ILLEGAL_PACKED_FILE)
        result = r;  // a name that leaves the destination keeps its own code
    else if (r < 0)
        result = PACKERR_UNCOMPRESSION;
    codec_.DeleteFileRetry(job.copyPath);
    if (result < 0)
        state_.SetLastError(result);
    else if (state_.StopRequested())
        state_.PostStopped(WM_PACK_STOPPED);  // the record is written; the job ends as stopped
    else
        state_.SetProgress(PACKPROGRESS_DONE);
}

}  // namespace kb::pack
