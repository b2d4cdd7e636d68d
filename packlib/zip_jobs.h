// The listing and sub-file jobs: an unpack that keeps the container copy
// unexpanded, then a listing of its records or the expansion of one of them.
#pragma once
#include <cstdint>
#include <string>

#include "packlib/file_codec.h"
#include "packlib/job_state.h"
#include "packlib/sys.h"
#include "packlib/unpack.h"

namespace kb::pack {

class CZipJobs {
public:
    CZipJobs(JobState& state, CFileCodec& codec, CUnpackJobs& unpack);
    // Waits for a running worker: it may be the sub-file worker.
    ~CZipJobs();
    CZipJobs(const CZipJobs&) = delete;
    CZipJobs& operator=(const CZipJobs&) = delete;

    // The exports; kabbit_zip.h tells each one's contract.
    int EnumFilesInZipPkg(const char* packPath, const char* entryName, char* names, int namesSize,
                          uint32_t* sizes, int sizesBytes, const char* password);
    int UnPackSubFile(const char* packPath, const char* destFolder, const char* entryName,
                      const char* subFileName, const char* password);

private:
    // The sub-file worker's block, filled on the caller's thread.
    struct SubFileBlock {
        std::string destFolder;
        std::string subFileName;
        std::string copyPath;                 // the unpack's container copy
        sys::Thread* unpackWorker = nullptr;  // waited for to its end
    };

    static void SubFileWorkerMain(void* self);
    void RunSubFileWorker();

    JobState& state_;
    CFileCodec& codec_;
    CUnpackJobs& unpack_;
    SubFileBlock subFile_;
};

}  // namespace kb::pack
