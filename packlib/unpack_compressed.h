// Compressed entries of an unpack: the container copy, its expansion, and the
// state of the listing and sub-file jobs that keep the copy unexpanded.
// The controller's parts of it are CKabbitApp members (unpack_compressed.cpp,
// zip_jobs.cpp).
#pragma once
#include <atomic>
#include <memory>
#include <string>

#include "packlib/file_codec.h"
#include "packlib/sys.h"
#include "packlib/unpack.h"

namespace kb::pack {

// Creates the output of a compressed entry: the container copy at
// job->outputPath. A file the user already has under that name is never
// replaced: the copy then takes a free temporary name in the same folder, and
// job->outputPath becomes that name. False when no copy could be created.
bool CreateContainerCopy(UnpackBlock* job);

// True when name ends in ".cmp", compared without regard to case.
bool IsContainerEntryName(const std::string& name);

// The sub-file worker's block, filled on the caller's thread.
struct SubFileBlock {
    std::string destFolder;
    std::string subFileName;
    std::string copyPath;              // the unpack's container copy
    sys::Thread* unpackWorker = nullptr;  // waited for to its end
};

// Called on the worker after each progress change of the expansion phase, so
// tests can hold or stop a job at a given progress.
using ExpandHook = void (*)(void* context, int progress);

// What the controller keeps for compressed entries.
struct ZipState {
    CFileCodec codec;
    std::unique_ptr<sys::Thread> subWorker;
    SubFileBlock subFile;
    std::atomic<ExpandHook> expandHook{nullptr};
    std::atomic<void*> expandHookContext{nullptr};
};

}  // namespace kb::pack
