// What the Windows side of the archive file seams share beyond archive/core/fs.h.
#pragma once
#include <windows.h>

#include <cstdint>

namespace ark::fs {

// The index of the open file h on its volume; false when the system cannot
// tell it. Cheap, unlike GetFileInformationByHandle under Wine.
bool FileIndex(HANDLE h, uint64_t& index);

}  // namespace ark::fs
