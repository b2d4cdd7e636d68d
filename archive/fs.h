// File-system seam of the archive core: the few file operations the core needs,
// on Windows-syntax paths ("\" separators; the native build maps them to "/").
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace ark::fs {

// File attribute bits as Windows stores them.
constexpr uint32_t kAttrReadOnly = 0x01;
constexpr uint32_t kAttrNormal = 0x80;

// What tells one state of a file from another without reading it: which file
// on which volume (Windows leaves the volume to the path), its length, and its
// last-write and change times (FILETIME units). The change time moves with every change of the contents or times,
// and unlike the last-write time a writer cannot set it back.
struct FileStamp {
    uint64_t volume = 0;
    uint64_t fileId = 0;
    uint64_t size = 0;
    uint64_t lastWrite = 0;
    uint64_t change = 0;
    bool operator==(const FileStamp&) const = default;
};

// The clock the file system stamps files by, in FILETIME units.
uint64_t CurrentTime();

// A file opened for reading as untranslated bytes.
class InFile {
public:
    virtual ~InFile() = default;
    static std::unique_ptr<InFile> Open(const std::string& path);
    // Bytes actually read; 0 at the end or on an error.
    virtual size_t Read(void* data, size_t size) = 0;
    // Reads at position without needing a seek first; the position afterwards
    // is unspecified. Bytes actually read.
    virtual size_t ReadAt(uint64_t position, void* data, size_t size) = 0;
    virtual bool Seek(uint64_t position) = 0;
    virtual bool Tell(uint64_t& position) = 0;
    // Length of the file when it was opened.
    virtual uint64_t Length() const = 0;
    // The file's stamp, as it stood when the file was opened or since; false
    // when the system cannot tell it.
    virtual bool Stamp(FileStamp& stamp) = 0;
};

// A file created (or truncated) for writing.
class OutFile {
public:
    virtual ~OutFile() = default;
    static std::unique_ptr<OutFile> Create(const std::string& path);
    // False when fewer than size bytes were written.
    virtual bool Write(const void* data, size_t size) = 0;
    // Flushes and closes; false when that fails. Called at most once.
    virtual bool Close() = 0;
};

struct FileTimes {
    uint64_t creation = 0;    // FILETIME values: 100 ns since 1601-01-01 UTC
    uint64_t lastAccess = 0;
    uint64_t lastWrite = 0;
};

bool Exists(const std::string& path);
bool CreateFolder(const std::string& path);
bool RemoveFile(const std::string& path);
bool GetAttributes(const std::string& path, uint32_t& attributes);
bool SetAttributes(const std::string& path, uint32_t attributes);
bool SetTimes(const std::string& path, const FileTimes& times);
bool GetTimes(const std::string& path, FileTimes& times);

}  // namespace ark::fs
