// What the Windows side of the file seam offers beyond shared/base/fs.h.
#pragma once
#include <windows.h>

#include <cstdint>

namespace kb::fs {

// The index of the open file h on its volume; false when the system cannot
// tell it. Cheap, unlike GetFileInformationByHandle under Wine.
bool FileIndex(HANDLE h, uint64_t& index);

}  // namespace kb::fs
