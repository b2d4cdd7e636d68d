// Packing: appending files and folders to a pack as plain or compressed entries,
// pre-compression into the temporary container, and the force-flag bookkeeping.
// Every job runs inside the one-job protocol and reports through the job state's
// progress, last error, current name and stop request.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "packlib/buffer_cipher.h"
#include "packlib/file_codec.h"
#include "shared/base/fs.h"
#include "packlib/job_state.h"

namespace kb::pack {

// The temporary container's file name in the working folder, as
// GetPreCompressFileName reports it. Only a PreCompress that keeps its
// container writes there (moved into place when complete); every job builds
// its container in a new file of its own beside it, which goes with the job.
constexpr char kPreCompressFileName[] = "kabbit.cmp";

class CPackJobs {
public:
    CPackJobs(JobState& state, CFileCodec& codec);
    // Waits for a running worker: it may be one of these jobs.
    ~CPackJobs();
    CPackJobs(const CPackJobs&) = delete;
    CPackJobs& operator=(const CPackJobs&) = delete;

    // Pack: appends the source folder joined with entryName to the pack at packPath.
    // compress clear: a plain entry named entryName (data coded when the pack is
    // enciphered, then the 32-byte trailer of attributes and times); compress set: a
    // compressed entry entryName + ".cmp", or, for an empty entryName, the whole
    // source folder as the entry <folder name>.cmp whose records are named relative
    // to the folder's parent (a trailing backslash on the folder changes nothing);
    // every file of the folder is packed, whatever an earlier job excluded.
    // Waits for the previous job, then returns once the worker has started (0) or
    // failed at once; poll GetProgress. Results: PACKERR_OPEN_PACKED_FILE,
    // PACKERR_ILLEGAL_PACKED_FILE (under 526 bytes or damaged), the password check's
    // codes, PACKERR_FILE_NAME_TOO_LONG (entryName over 250 bytes, or a stored
    // compressed name over 254), PACKERR_INVALID_PARAMETER (an entryName that is
    // absolute or leaves its folder: "..", ':', two leading backslashes), PACKERR_PATH_TOO_LONG (the source or the temporary
    // container path over 259), PACKERR_FILE_IO (no such source), PACKERR_NO_COMPRESS_FOLDER
    // (a folder without compression), PACKERR_OPEN_SOURCE_FILE, PACKERR_FILE_TOO_BIG
    // (over 4,000,000,000 bytes), PACKERR_CREATE_KEY, PACKERR_CREATE_THREAD, and the
    // codec's codes. A job that fails or is stopped before its entry is complete
    // leaves the pack byte for byte as it was.
    int Pack(const char* packPath, const char* sourceFolder, const char* entryName, const char* password,
             bool compress);

    // PackPartFolder: the folder, less the count names of the NameList excluded
    // (each joined to the folder; an empty name ends the list), as one compressed
    // entry, as Pack with an empty entry name. compress clear:
    // PACKERR_NO_COMPRESS_FOLDER.
    int PackPartFolder(const char* packPath, const char* folder, const char* excluded, int count,
                       const char* password, bool compress);

    // PreCompress: builds the temporary container from baseFolder joined with
    // relativeName (one record named relativeName), or for an empty relativeName
    // from the whole base folder (records named relative to its parent), less the
    // excluded names. An empty baseFolder does nothing and gives 0. With
    // waitAndDiscard the call waits for the job, deletes the container and returns
    // the job's error, if any; otherwise the container stays for the caller.
    int PreCompress(const char* baseFolder, const char* relativeName, const char* excluded, int count,
                    bool waitAndDiscard);

    // Writes the temporary container's full path into out (260 bytes): at most 259
    // characters and the zero.
    void GetPreCompressFileName(char* out);

    // Sets the force flag (a source that cannot be opened during compression is
    // skipped and listed instead of failing the job); returns it as now set.
    int ForceCompleteCompress(bool force);

    // Force flag clear: empties the list of skipped files and returns 0, out
    // untouched. Set: writes the list as a NameList into out (size bytes) and keeps
    // it; PACKERR_NAME_BUFFER_OVERFLOW when it does not fit, PACKERR_NULL_BUFFER for
    // a null out.
    int GetErrorFileNames(char* out, int size);

    // The temporary container's full path (may pass 259 characters).
    std::string PreCompressFilePath() const;

    // Called on the worker after every progress change of these jobs, so tests can
    // hold a job at a given progress. Null removes it.
    using ProgressHook = void (*)(void* context, int progress);
    void SetProgressHookForTesting(ProgressHook hook, void* context);

private:
    enum class Kind { Plain, CompressFile, CompressFolder, PreCompressFile, PreCompressFolder };

    // Everything a worker needs, filled on the caller's thread.
    struct Job {
        Kind kind = Kind::Plain;
        uint8_t rounds = 0;
        uint32_t entryIndex = 0;
        char password[256] = {};
        std::string packPath;
        fs::File pack;              // positioned at its end
        uint64_t packLength = 0;    // where a failed job cuts the pack back to
        fs::File source;            // plain entries
        std::string sourcePath;     // file, or folder to walk
        uint32_t dataLength = 0;    // plain entries
        std::string baseFolder;     // record names are relative to it
        std::string recordName;     // single-file container
        std::string storedName;     // the entry's name in the pack
        std::string containerPath;  // the job's own container, a new file beside the published name
        std::string publishAs;      // a kept PreCompress container is moved here when complete
        std::vector<std::string> excluded;
    };

    int PackLocked(const std::string& packPath, const std::string& sourceFolder, const std::string& entryName,
                   const char* password, bool compress, bool partFolder);
    int OpenPackForAppend(const std::string& packPath, Job* job);
    int StartJobLocked(Job* job);
    void FillExclusions(const std::string& folder, const char* excluded, int count);

    static void WorkerMain(void* self);
    void RunWorker();
    int RunPlain(Job& job);
    int RunCompressed(Job& job, bool* stopped);
    int RunPreCompress(Job& job, bool* stopped);
    int AppendContainer(Job& job, int keyError);
    int MakeDataKey(const Job& job, int keyError, CBufferCipher** key);
    int CopyCoded(Job& job, CBufferCipher* key, fs::File& source, uint64_t length, int progressBase,
                  int progressSpan);
    CodecHooks Hooks();
    void SetProgress(int progress);
    void AddSkipped(const std::vector<std::string>& names);

    JobState& state_;
    CFileCodec& codec_;  // the library's one codec
    Job job_;  // the running job's block; the worker owns it while it runs
    std::atomic<bool> force_{false};
    std::vector<std::string> exclusions_;
    // The data key of the last job, kept while password and R stay (worker only).
    std::unique_ptr<CBufferCipher> dataKey_;
    uint8_t dataKeyRounds_ = 0;
    std::string dataKeyPassword_;
    std::mutex skippedMutex_;
    std::vector<std::string> skipped_;  // the error-file-name list
    std::atomic<ProgressHook> progressHook_{nullptr};
    std::atomic<void*> progressHookContext_{nullptr};
};

}  // namespace kb::pack
