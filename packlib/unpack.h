// The unpack job: UnPack, its parameter block, the output file its worker writes
// and the expansion of compressed entries (unpack.cpp, unpack_compressed.cpp).
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "packlib/buffer_cipher.h"
#include "packlib/file_codec.h"
#include "shared/base/fs.h"
#include "packlib/job_state.h"
#include "packlib/pack_format.h"

namespace kb::pack {

// An unpack reads, decodes and writes this many bytes at a time: a whole
// number of chunks.
constexpr size_t kCopyBatchSize = 64 * 1024;

// Writes a file; every failure is kept and reported by Close or Commit. A file
// that replaces one of the user's is written beside it under a private name and
// moved into place only once complete, so a failed or stopped write leaves the
// old file as it was.
class OutputFile {
public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    OutputFile(OutputFile&&) = default;
    OutputFile& operator=(OutputFile&&) = default;

    // Creates path, truncating an existing file: a work file of our own.
    bool Create(const std::string& path);
    // Starts target's new contents under a private name beside it. False, with
    // nothing created, when target could not be replaced now (a folder, a
    // read-only, hidden or system file, one open without write sharing) or the
    // private file cannot be created.
    bool CreateReplacing(const std::string& target);
    bool IsOpen() const { return file_.IsOpen(); }
    // False once any write of the file has failed.
    bool Write(const void* data, size_t size);
    // Closes; false when anything was not written. A replacing file stays under
    // its private name until Commit or Discard.
    bool Close();
    // Closes and, for a replacing file, moves it into place. False when anything
    // was not written or the move failed; nothing written then stays.
    bool Commit();
    // Closes and deletes what was written (a replacing file's private file; the
    // file itself when made by Create). The target of a replacing file is untouched.
    void Discard();

private:
    fs::File file_;
    bool failed_ = false;
    std::string written_;  // where the bytes go
    std::string target_;   // the file replaced by Commit; empty for Create
};

// How an unpack ends with a compressed entry. The listing and sub-file jobs keep
// the container copy unexpanded for themselves.
struct UnpackOptions {
    bool keepUnexpanded = false;  // the copy phase ends the job, at PACKPROGRESS_KEPT
    bool discardCopy = true;      // the copy goes once it is expanded
    // The most bytes the unpack may put into the destination: the entry's data
    // and, for a compressed entry, what its records declare besides; 0 none.
    uint64_t sizeLimit = 0;
};

// The parameter block of an unpack; filled on the caller's thread before the
// worker starts, owned by the worker while it runs.
struct UnpackBlock {
    uint8_t rounds = 0;
    PackReader pack;  // positioned at the entry's data
    OutputFile output;
    uint32_t entryIndex = 0;
    uint32_t dataLength = 0;
    std::string destFolder;
    std::string entryName;
    std::string outputPath;
    bool compressed = false;
    UnpackOptions options;
    // The password of the job, taken on the caller's thread.
    char password[256] = {};
    // Folders this job created for the entry's folder part, outermost first.
    std::vector<std::string> createdFolders;
};

// Called on the worker after each progress change of a container's expansion, so
// tests can hold or stop a job at a given progress.
using ExpandHook = void (*)(void* context, int progress);

class CUnpackJobs {
public:
    // The key object workers code with is made here; when it cannot be, the last
    // error becomes PACKERR_NOT_ENOUGH_MEMORY and every unpack fails with it.
    CUnpackJobs(JobState& state, CFileCodec& codec);
    // Waits for a running worker: it may be this job's.
    ~CUnpackJobs();
    CUnpackJobs(const CUnpackJobs&) = delete;
    CUnpackJobs& operator=(const CUnpackJobs&) = delete;

    // The export; kabbit.h tells its contract.
    int UnPack(const char* packPath, const char* destFolder, const char* entryName, const char* password);
    // The size limit of the next UnPack alone (UnpackOptions::sizeLimit); it is
    // taken, and back to none, as soon as that UnPack is called.
    void SetUnpackLimit(uint64_t bytes) { nextLimit_.store(bytes); }

    // The UnPack steps after the one-job wait: job kind, access check, entry,
    // output, worker. *workerStarted tells whether a worker ran (its output exists).
    int StartLocked(const char* packPath, const char* destFolder, const char* entryName, const char* password,
                    const UnpackOptions& options, bool* workerStarted);
    // The output of the latest unpack: for a compressed entry, its container copy.
    // Set before its worker starts and never changed by it.
    const std::string& OutputPath() const { return job_.outputPath; }
    // Deletes a container copy and the folders the latest unpack created for it.
    void DiscardCopy(const std::string& copyPath, const std::string& destFolder, const std::string& entryName);

    void SetExpandHookForTesting(ExpandHook hook, void* context);

private:
    static void WorkerMain(void* self);
    void RunWorker();
    void CopyEntryData(UnpackBlock& job, bool* stopped);
    int FinishPlainEntry(UnpackBlock& job);
    void FinishCompressedEntry(UnpackBlock& job, bool stopped);
    CodecHooks ExpandHooks();

    JobState& state_;
    CFileCodec& codec_;
    std::unique_ptr<CBufferCipher> key_;
    // What key_'s data key was built from; used by the worker only. It depends
    // on nothing else, so the next job with the same password and rounds keeps it.
    bool keyBuilt_ = false;
    uint8_t keyRounds_ = 0;
    std::string keyPassword_;
    UnpackBlock job_;
    std::atomic<uint64_t> nextLimit_{0};
    std::atomic<ExpandHook> expandHook_{nullptr};
    std::atomic<void*> expandHookContext_{nullptr};
};

}  // namespace kb::pack
