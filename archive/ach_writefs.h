// The file operations the archive writers need beyond the readers' seam
// (archive/fs.h): an existing file opened for reading and writing, files
// created only where none exists, the source information of an added file,
// private folders, and the copy and replace of a finished archive. Windows-
// syntax paths ("\" separators; the native build maps them to "/").
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "archive/fs.h"

namespace ark::wfs {

// An existing file opened for reading and writing untranslated bytes.
class RwFile {
public:
    virtual ~RwFile() = default;
    static std::unique_ptr<RwFile> Open(const std::string& path);
    // Bytes actually read; 0 at the end or on an error.
    virtual size_t Read(void* data, size_t size) = 0;
    // False when fewer than size bytes were written.
    virtual bool Write(const void* data, size_t size) = 0;
    virtual bool Seek(uint64_t position) = 0;
    virtual bool SeekEnd() = 0;
    virtual bool Tell(uint64_t& position) = 0;
    // Cuts the file at length (the position is left undefined).
    virtual bool Truncate(uint64_t length) = 0;
    // Flushes and closes; false when that fails. Called at most once.
    virtual bool Close() = 0;
};

// Creates path for writing only when nothing of that name exists.
std::unique_ptr<fs::OutFile> CreateNewFile(const std::string& path);

// What an added file brings: its full 64-bit size, attributes and times, read
// while it is held open without sharing.
struct SourceInfo {
    uint64_t size = 0;
    uint32_t attributes = 0;
    fs::FileTimes times;
};
bool ReadSourceInfo(const std::string& path, SourceInfo& info);

// Copies from to a file that must not exist yet.
bool CopyToNewFile(const std::string& from, const std::string& to);

// Puts from in place of to in one step (to replaced when it exists; from is
// gone afterwards). On failure to is as it was.
bool MoveIntoPlace(const std::string& from, const std::string& to);

// Creates a new, empty folder under parent (with or without a trailing
// backslash) whose name starts with prefix; its path, empty on failure.
std::string CreatePrivateFolder(const std::string& parent, const std::string& prefix);

// Removes a folder and everything in it, read-only files included. Best effort.
void RemoveTree(const std::string& folder);

// True when both paths name the same file: the same file on disc when both
// exist, else the same full path (letter case ignored on Windows).
bool SameFile(const std::string& a, const std::string& b);

// The folder part of path up to and including its last separator; empty when
// there is none.
std::string FolderOf(const std::string& path);

}  // namespace ark::wfs
