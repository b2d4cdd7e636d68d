// The exports that write a pack header or read a pack on the caller's thread,
// inside the one-job protocol but without a worker: CreateNew, GetType,
// GetFileCount, GetTotalSize, EnumFiles and GetFileInfo.
#pragma once
#include <cstdint>

#include "packlib/job_state.h"

namespace kb::pack {

// EnumFiles writes the flag of entry i at min(i, kLastFlagIndex): the caller's
// flag buffer holds kLastFlagIndex + 1 bytes.
constexpr uint32_t kLastFlagIndex = 1000;

class CEnumJobs {
public:
    explicit CEnumJobs(JobState& state) : state_(state) {}
    CEnumJobs(const CEnumJobs&) = delete;
    CEnumJobs& operator=(const CEnumJobs&) = delete;

    // The exports; kabbit.h tells each one's contract. Strings may be null (empty).
    int CreateNew(const char* packPath, const char* password, bool encrypted, int rounds);
    int GetType(const char* packPath, uint8_t* version, uint8_t* flags);
    int GetFileCount(const char* packPath, const char* password);
    int GetTotalSize(const char* packPath, const char* password);
    int EnumFiles(const char* packPath, char* names, int namesSize, uint8_t* flags, uint32_t* sizes,
                  int sizesBytes, const char* password);
    int GetFileInfo(const char* packPath, int index, char* name, int* nameSize, int* dataLength,
                    const char* password);

private:
    // GetFileCount and GetTotalSize: the one-job wait, the access check, the walk.
    int CountAfterAccessCheck(const char* packPath, const char* password, uint32_t* count, uint64_t* total);

    JobState& state_;
};

}  // namespace kb::pack
