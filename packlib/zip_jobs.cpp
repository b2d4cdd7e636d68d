// EnumFilesInZipPkg and UnPackSubFile: an unpack that keeps the container copy
// unexpanded, then a listing of its records or the expansion of one of them.
#include <cstring>
#include <vector>

#include "packlib/kabbit_app.h"
#include "packlib/path_routines.h"
#include "packlib/unpack_compressed.h"
#include "shared/pack_errors.h"

namespace kb::pack {
namespace {

std::string Str(const char* s) { return s ? s : ""; }

}  // namespace

int CKabbitApp::EnumFilesInZipPkg(const char* packPath, const char* entryName, char* names, int namesSize,
                                  uint32_t* sizes, int sizesBytes, const char* password) {
    std::lock_guard<std::mutex> lock(jobMutex_);
    // Wait before setting the one-shot options: the previous unpack's end puts
    // them back to their defaults.
    WaitForPreviousWorkerLocked();
    const std::string name = Str(entryName);
    if (name.empty()) return PACKERR_NO_FILE_FOUND;
    if (!IsContainerEntryName(name)) return PACKERR_NOT_COMPRESSED_FILE;
    if (!names || !sizes) return PACKERR_NULL_BUFFER;

    std::string folder = WorkingDir();
    if (folder.empty()) folder = fs::TempFolder();
    keepUnexpanded_ = true;
    discardCopy_ = false;
    bool started = false;
    const int err = StartUnpackLocked(packPath, folder.c_str(), entryName, password, &started);
    if (err < 0 || !started) {
        if (started) {
            WaitForPreviousWorkerLocked();
            DiscardCopy(unpack_.outputPath, folder, name);
        }
        ResetUnpackOptions();
        return err < 0 ? err : PACKERR_FILE_IO;
    }
    WaitForPreviousWorkerLocked();
    const std::string copy = unpack_.outputPath;
    // The copy goes whatever the listing gives.
    struct Discard {
        CKabbitApp* app;
        const std::string& copy;
        const std::string& folder;
        const std::string& name;
        ~Discard() { app->DiscardCopy(copy, folder, name); }
    } discard{this, copy, folder, name};

    // A copy that failed or was stopped is not listed as if it were whole.
    if (const int e = lastError_; e < 0) return e;
    if (progress_ != PACKPROGRESS_KEPT) return PACKERR_FILE_IO;

    fs::File container = fs::File::Open(copy, fs::Access::Read, fs::Disposition::OpenExisting, fs::Share::Read);
    if (!container.IsOpen()) return PACKERR_FILE_IO;
    std::vector<std::string> recordNames;
    std::vector<uint32_t> recordSizes;
    const int count = zip_.codec.ListZipPkgRecords(container, &recordNames, &recordSizes);
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

int CKabbitApp::UnPackSubFile(const char* packPath, const char* destFolder, const char* entryName,
                              const char* subFileName, const char* password) {
    std::lock_guard<std::mutex> lock(jobMutex_);
    WaitForPreviousWorkerLocked();
    const std::string name = Str(entryName);
    // Only a container can hold sub-files; a plain entry's output would be parsed
    // and then deleted.
    if (!IsContainerEntryName(name)) return PACKERR_NOT_COMPRESSED_FILE;
    const std::string dest = Str(destFolder);
    std::string copyPath;
    if (!BuildEntryPath(dest, name, &copyPath)) return PACKERR_PATH_TOO_LONG;

    keepUnexpanded_ = true;
    discardCopy_ = false;
    bool started = false;
    const int err = StartUnpackLocked(packPath, destFolder, entryName, password, &started);
    if (err < 0 || !started) {
        // Only a copy this call made is deleted: a failure before the worker
        // created none, and the file under that name is the user's.
        if (started) {
            WaitForPreviousWorkerLocked();
            zip_.codec.DeleteFileRetry(unpack_.outputPath);
        }
        ResetUnpackOptions();
        return err < 0 ? err : PACKERR_FILE_IO;
    }

    zip_.subFile.destFolder = dest;
    zip_.subFile.subFileName = Str(subFileName);
    zip_.subFile.copyPath = unpack_.outputPath;
    zip_.subFile.unpackWorker = worker_.get();
    zip_.subWorker = sys_.StartThread(&CKabbitApp::SubFileWorkerMain, this);
    if (!zip_.subWorker) {
        // The unpack keeps its copy for a worker that never came: take it away.
        WaitForPreviousWorkerLocked();
        zip_.codec.DeleteFileRetry(zip_.subFile.copyPath);
        lastError_ = PACKERR_CREATE_THREAD;
        return PACKERR_CREATE_THREAD;
    }
    zip_.subWorker->Wait(100);
    const int e = lastError_;
    return e < 0 ? e : 0;
}

void CKabbitApp::WaitForSubFileWorkerLocked() {
    if (!zip_.subWorker) return;
    if (!zip_.subWorker->IsCurrent()) zip_.subWorker->Wait(sys::kInfinite);
    zip_.subWorker.reset();
}

void CKabbitApp::SubFileWorkerMain(void* app) {
    auto* self = static_cast<CKabbitApp*>(app);
    try {
        self->RunSubFileWorker();
    } catch (...) {
        // Only allocation can throw here.
        self->zip_.codec.DeleteFileRetry(self->zip_.subFile.copyPath);
        self->lastError_ = PACKERR_NOT_ENOUGH_MEMORY;
    }
}

void CKabbitApp::RunSubFileWorker() {
    SubFileBlock& job = zip_.subFile;
    // The unpack's end, not a progress value, decides: a stopped or failed unpack
    // never reaches the kept state, and this worker must not outlive it.
    job.unpackWorker->Wait(sys::kInfinite);
    if (lastError_ < 0 || progress_ != PACKPROGRESS_KEPT) {
        zip_.codec.DeleteFileRetry(job.copyPath);
        return;
    }
    // A stop asked for after the copy: the unpack could not see it any more.
    if (stop_) {
        zip_.codec.DeleteFileRetry(job.copyPath);
        PostStopped();
        return;
    }

    int result = 0;
    fs::File container = fs::File::Open(job.copyPath, fs::Access::Read, fs::Disposition::OpenExisting, fs::Share::Read);
    if (!container.IsOpen()) {
        result = PACKERR_FILE_IO;
    } else {
        const int index = zip_.codec.FindZipPkgRecord(container, job.subFileName);
        container.Close();
        if (index == -1) {
            result = PACKERR_NO_FILE_FOUND;
        } else if (index < 0) {
            result = index;  // a damaged container
        } else {
            CodecHooks hooks;
            hooks.setCurrentName = [this](const std::string& n) { SetCurrentName(n.c_str()); };
            const int r = zip_.codec.ExtractFromZipPkg(job.copyPath, job.destFolder, static_cast<uint32_t>(index),
                                                       hooks);
            // A name that leaves the destination keeps its own code.
            if (r == PACKERR_ILLEGAL_PACKED_FILE)
                result = r;
            else if (r < 0)
                result = PACKERR_UNCOMPRESSION;
        }
    }
    zip_.codec.DeleteFileRetry(job.copyPath);
    if (result < 0)
        lastError_ = result;
    else if (stop_)
        PostStopped();  // the record is written; the job ends as stopped
    else
        progress_ = PACKPROGRESS_DONE;
}

}  // namespace kb::pack
