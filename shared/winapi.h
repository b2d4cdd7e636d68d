// The calling convention of the system's DLL exports and the few Win32 argument
// types their signatures use, spelt without <windows.h> so that portable code
// (bindings, their fakes, the archive's stream callback) shares the export
// lists' signatures. Windows-only code writes WINAPI; on Windows each name here
// is the very type or convention <windows.h> gives, which the DLLs' export
// sources check against their prototypes.
#pragma once

#ifdef _WIN32
#define KB_WINAPI __stdcall
#else
#define KB_WINAPI
#endif

#ifdef __cplusplus
#include <cstdint>

// <windows.h> declares HWND as a pointer to this (STRICT handles).
struct HWND__;

namespace kb::winapi {

using BOOL = int;
using BYTE = unsigned char;
#ifdef _WIN32
using DWORD = unsigned long;  // 32 bits on Windows
#else
using DWORD = std::uint32_t;
#endif
using HWND = ::HWND__*;
static_assert(sizeof(DWORD) == 4, "sizes arrays are 32-bit values");

}  // namespace kb::winapi
#endif
