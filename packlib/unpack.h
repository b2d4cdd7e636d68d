// The unpack job: its parameter block and the buffered output file the worker
// writes. The worker itself is CKabbitApp::RunUnpackWorker (unpack.cpp).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "shared/base/fs.h"
#include "packlib/pack_format.h"

namespace kb::pack {

// An unpack reads, decodes and writes this many bytes at a time: a whole
// number of chunks.
constexpr size_t kCopyBatchSize = 64 * 1024;

// Writes a new file; every failure is kept and reported by Close.
class OutputFile {
public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    OutputFile(OutputFile&&) = default;
    OutputFile& operator=(OutputFile&&) = default;

    // Creates path, truncating an existing file.
    bool Create(const std::string& path);
    bool IsOpen() const { return file_.IsOpen(); }
    // False once any write of the file has failed.
    bool Write(const void* data, size_t size);
    // Closes; false when anything was not written.
    bool Close();

private:
    fs::File file_;
    bool failed_ = false;
};

// The parameter block of plain pack and unpack jobs; filled on the caller's thread
// before the worker starts, owned by the worker while it runs.
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
    // The password of the job, taken on the caller's thread.
    char password[256] = {};
    // Folders this job created for the entry's folder part, outermost first.
    std::vector<std::string> createdFolders;
};

}  // namespace kb::pack
