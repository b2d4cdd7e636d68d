// Kabbit.dll, the pack library: the exports that look inside a compressed entry
// (a container whose name ends in ".cmp"). Conventions as in kabbit.h:
// zero-terminated single-byte ANSI strings, every buffer the caller's, negative
// PACKERR_ codes.
#pragma once
#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

// Waits, also for the copy it makes. Lists the files of the compressed entry
// entryName: the entry is copied into the working folder (SetWorkingDir; else the
// temp folder), its records are listed and the copy is deleted, whatever the
// result. names (namesSize bytes) receives each record's stored name and its zero,
// then one more zero; sizes (sizesBytes bytes) receives each file's length.
// Returns the number of files, or: PACKERR_NO_FILE_FOUND (an empty entryName, or
// a container without records), PACKERR_NOT_COMPRESSED_FILE (entryName does not
// end in ".cmp"; the pack is not opened), PACKERR_NULL_BUFFER,
// PACKERR_NAME_BUFFER_OVERFLOW, PACKERR_SIZE_BUFFER_OVERFLOW (the buffers then
// hold what was written before), the codes of UnPack (the copy's), and
// PACKERR_UNCOMPRESSION or PACKERR_ILLEGAL_PACKED_FILE for a damaged container.
// GetProgress then reports 51 (the copy was kept for the listing).
int WINAPI EnumFilesInZipPkg(const char* packPath, const char* entryName, char* names, int namesSize,
                             DWORD* sizes, int sizesBytes, const char* password);

// Waits. Writes the one file stored as subFileName (matched exactly, case
// included) of the compressed entry entryName into destFolder, on worker
// threads: the entry is copied into destFolder (under a temporary name when a
// file named entryName is already there, which is never replaced), the record is
// expanded with its times and attributes, and the copy is deleted. Returns once
// the workers have started (0) or failed at once; poll GetProgress until
// PACKPROGRESS_DONE or an error. PACKERR_NOT_COMPRESSED_FILE (entryName does not
// end in ".cmp"), PACKERR_PATH_TOO_LONG, the codes of UnPack; through GetProgress
// also PACKERR_FILE_IO, PACKERR_NO_FILE_FOUND (no such file in the container),
// PACKERR_UNCOMPRESSION (a damaged container, or the file cannot be written) and
// PACKERR_ILLEGAL_PACKED_FILE (a stored name that would leave destFolder). Stop
// works as for UnPack.
int WINAPI UnPackSubFile(const char* packPath, const char* destFolder, const char* entryName,
                         const char* subFileName, const char* password);

#ifdef __cplusplus
}
#endif
