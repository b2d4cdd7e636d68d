// Compressed entries of an unpack: the container copy the worker expands. The
// worker's part of it is CUnpackJobs (unpack_compressed.cpp).
#pragma once
#include <string>

#include "packlib/unpack.h"

namespace kb::pack {

// Creates the output of a compressed entry: the container copy at
// job->outputPath. A file the user already has under that name is never
// replaced: the copy then takes a free temporary name in the same folder, and
// job->outputPath becomes that name. False when no copy could be created.
bool CreateContainerCopy(UnpackBlock* job);

// True when name ends in ".cmp", compared without regard to case.
bool IsContainerEntryName(const std::string& name);

}  // namespace kb::pack
