// Helpers of the writing and scrambling tests: a body coding that follows the
// pack library's synchronous buffer coding step for step, source files with
// fixed times, and small archive builders.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "archive/ach_scramble.h"
#include "archive/arkstow_api.h"

namespace ark::testing {

// What the fake pack library saw and is to do.
struct BodyCodingLog {
    struct Call {
        bool encrypt;
        int length;
        std::string password;
        int passwordLength;
        int synchronous;
    };
    std::vector<Call> calls;
    int failAtCall = -1;  // that call (0-based) returns an error
};

// The synchronous buffer coding of data in place (its own inverse): the
// password up to its zero as the key, a data key of 126 passes, then
// 1024-byte chunks coded by their index from the start of the buffer.
bool ReferenceCodeBuffer(uint8_t* data, size_t length, const char* password);

// Binds the process-wide cipher to a fake "Kabbit.dll" whose buffer exports
// check their arguments as the pack library does and code through
// ReferenceCodeBuffer (or, with bufferExports false, a library without those
// two exports), and installs the cipher as the readers' form; at the end the
// binding is dropped and the previous form restored.
class ScopedBodyCoding {
public:
    explicit ScopedBodyCoding(bool bufferExports = true);
    ~ScopedBodyCoding();
    ScopedBodyCoding(const ScopedBodyCoding&) = delete;
    ScopedBodyCoding& operator=(const ScopedBodyCoding&) = delete;
    BodyCodingLog& log() { return log_; }

private:
    BodyCodingLog log_;
    BodyCodingLog* previousLog_;
    ScrambledForm* previousForm_;
};

// A fixed FILETIME for test files (2009-02-13), distinct per k.
uint64_t FixedFiletime(int k);

// Writes bytes to path and gives it FixedFiletime(k) as all three times.
bool MakeSourceFile(const std::string& path, const std::string& bytes, int k);

// bytes as lowercase hex, for readable failures.
std::string Hex(const std::string& bytes);

// A pattern of n bytes that differs with seed.
std::string Pattern(size_t n, int seed);

struct EntrySpec {
    std::string name;
    std::string body;
    int timeK;  // FixedFiletime(timeK) for all three times
};

// CreateNew(capacity) at archive, then Add of each entry from a source file
// made in sourceFolder. Returns the first nonzero result.
int BuildPlainArchive(const std::string& archive, int capacity, const std::vector<EntrySpec>& entries,
                      const std::string& sourceFolder);

// The whole of the file at path; a file that cannot be read fails the test.
std::string ReadAll(const std::string& path);

// A caller stream's resize that keeps the bytes in the std::string at ctx.
int KB_WINAPI ResizeString(ArkMemStream* stream, uint32_t size);

}  // namespace ark::testing
