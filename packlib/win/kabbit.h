// packlib/win/: Kabbit.dll itself, its public headers and its exports, each a
// thin forward into the portable core in packlib/; nothing else depends on it.
//
// Kabbit.dll, the pack library: the exported functions of this release. Callers
// load the library by name and look each function up by name (ordinals are fixed
// in shared/kabbit_exports.inc). Strings are zero-terminated single-byte ANSI
// strings; every buffer belongs to the caller. Failures are negative PACKERR_ codes
// (shared/pack_errors.h). Functions marked "waits" first wait, without limit, for
// the worker of the previous job; those taking a password accept 6 to 255
// characters, also for packs written without one, and a wrong one sleeps on the
// calling thread (1, 2, 4 ... seconds in a row, shared by all processes) before
// PACKERR_WRONG_PASSWORD comes back.
#pragma once
#include <windows.h>

#include "shared/messages.h"

// GetProgress: the job has finished (every file closed, times and attributes set).
using kb::PACKPROGRESS_DONE;
// Posted, both parameters 0, to the window given to Stop when a stopped job ends.
using kb::WM_PACK_STOPPED;
static_assert(WM_PACK_STOPPED == WM_USER + 300);

#ifdef __cplusplus
extern "C" {
#endif

enum {
    // Plain TypeFlags bits reported by GetType.
    PACKFLAG_PASSWORD = 0x01,
    PACKFLAG_ENCRYPTED = 0x02,
    PACKFLAG_DIGESTKEY = 0x04
};

// Waits. *version = FormatVersion (0x50) and *flags = the plain TypeFlags, both 0
// first. No password check. PACKERR_OPEN_PACKED_FILE (cannot open),
// PACKERR_FILE_IO (under 2 bytes), PACKERR_NULL_BUFFER (null out pointer).
int WINAPI GetType(const char* packPath, BYTE* version, BYTE* flags);

// Waits. Unpacks the entry named entryName (matched without regard to the case of
// A-Z) into destFolder on a worker thread; returns once the worker has started
// (0) or failed at once. Poll GetProgress until PACKPROGRESS_DONE or an error.
// Folders of the entry's folder part are created under destFolder; an existing
// output file is overwritten. entryName must stay inside destFolder (no ".." or
// "." component, no ':', not starting with two backslashes, not empty; one leading
// backslash is allowed), else PACKERR_INVALID_PARAMETER and nothing is touched.
// Other results: the password check's, PACKERR_FILE_NOT_FOUND,
// PACKERR_PATH_TOO_LONG (output path over 259 characters),
// PACKERR_OPEN_DESTINATION_FILE, PACKERR_ILLEGAL_PACKED_FILE (damaged pack),
// PACKERR_FILE_IO, PACKERR_CREATE_THREAD (nothing left behind). A compressed
// entry is first copied to destFolder joined with entryName (progress 0 to 50;
// under a temporary name in the same folder when a file of that name is already
// there, which is never replaced), then its container is expanded into
// destFolder (above 50), every file with its times and attributes, and the copy
// deleted; a damaged container gives PACKERR_UNCOMPRESSION or, for a stored
// name that would leave destFolder, PACKERR_ILLEGAL_PACKED_FILE. A stopped job
// deletes its partial output (or the copy; files already expanded stay) and
// posts WM_PACK_STOPPED; a failed one leaves the output, or the copy when the
// failure came before the expansion, as far as it was written.
int WINAPI UnPack(const char* packPath, const char* destFolder, const char* entryName, const char* password);

// Waits. Lists the entries: names (namesSize bytes) receives each name and its
// zero, then one more zero; flags (1001 bytes) byte min(i, 1000) is 1 for a
// compressed entry; sizes (sizesBytes bytes) receives each entry's data length.
// Returns the number of entries, PACKERR_NAME_BUFFER_OVERFLOW,
// PACKERR_SIZE_BUFFER_OVERFLOW, PACKERR_NULL_BUFFER or the password check's code;
// on failure the buffers hold what was written before it.
int WINAPI EnumFiles(const char* packPath, char* names, int namesSize, BYTE* flags, DWORD* sizes, int sizesBytes,
                     const char* password);

// Never waits. The job's ProgressValue: 0 to 100 while it runs, PACKPROGRESS_DONE
// when finished, or its negative error (then currentName, if given, is ""). Else
// currentName (260 bytes, or null) receives the file the job works on.
int WINAPI GetProgress(char* currentName);

// Waits. Writes a new pack header to packPath, a missing or empty file: the
// password in clear, or when encrypted coded after rounds (1 to 255) passes.
// PACKERR_PASSWORD_TOO_SHORT / _TOO_LONG, PACKERR_INVALID_PARAMETER (rounds),
// PACKERR_OPEN_PACKED_FILE (cannot open, or the file is not empty: it is left as it
// is), PACKERR_FILE_IO (a write failed; part of the header may remain).
int WINAPI CreateNew(const char* packPath, const char* password, BOOL encrypted, int rounds);

// Waits. The number of entries, or the password check's or walk's error.
int WINAPI GetFileCount(const char* packPath, const char* password);

// Waits. The sum of the entries' data lengths; PACKERR_FILE_TOO_BIG when it passes
// 0x7FFFFFFF; or the password check's or walk's error.
int WINAPI GetTotalSize(const char* packPath, const char* password);

// Waits. Entry index (from 0): *dataLength receives its data length and name
// (*nameSize bytes) its name. When *nameSize is too small it becomes the size
// needed and PACKERR_NAME_BUFFER_OVERFLOW comes back (the data length is still
// written). PACKERR_ILLEGAL_INDEX for an index outside the entries; on other
// failures nothing is written.
int WINAPI GetFileInfo(const char* packPath, int index, char* name, int* nameSize, int* dataLength,
                       const char* password);

// Never waits. Asks the running job to stop and records window for
// WM_PACK_STOPPED. FALSE when the progress is 100 or more (nothing recorded) or
// when the job cannot be stopped any more; TRUE otherwise.
BOOL WINAPI Stop(HWND window);

// Never waits. The folder (at most 259 characters, with a trailing backslash)
// where the library makes its working copies; "" means the user's temp folder.
void WINAPI SetWorkingDir(const char* folder);

// Never waits. Bounds the next UnPack alone (back to no bound once that UnPack
// is called): the entry's data and, for a compressed entry, the sizes its
// records declare may put at most limitHigh x 2^32 + limitLow bytes in all into
// the destination, else the unpack fails with PACKERR_FILE_TOO_BIG before
// anything of it is written (its container copy is discarded). 0 is no bound.
void WINAPI SetUnpackLimit(DWORD limitLow, DWORD limitHigh);

#ifdef __cplusplus
}
#endif
