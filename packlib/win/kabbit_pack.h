// Kabbit.dll, the pack library: the exports that write packs, code caller buffers,
// split huge files and convert paths. Conventions as in kabbit.h: zero-terminated
// single-byte ANSI strings, every buffer the caller's, negative PACKERR_ codes.
#pragma once
#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

// Waits. Appends sourceFolder joined with entryName to the pack at packPath
// (made by CreateNew), with the password the pack was made with (6 to 255
// characters). compress FALSE: a plain entry named entryName, followed by the
// source's attributes and times. compress TRUE: the file compressed into the
// temporary container "kabbit.cmp" in the working folder (SetWorkingDir; else the
// temp folder), stored as entryName + ".cmp"; with an empty entryName the whole
// sourceFolder (with or without a trailing backslash) becomes the entry
// <folder name>.cmp, its records named from the folder's own name on. Returns 0
// once the worker has started, or an error; poll GetProgress until
// PACKPROGRESS_DONE or an error. A plain job cannot be stopped (it finishes, then
// posts WM_PACK_STOPPED if asked to stop); a compressed one can below 50.
// Results: PACKERR_OPEN_PACKED_FILE, PACKERR_ILLEGAL_PACKED_FILE, the password
// check's codes, PACKERR_FILE_NAME_TOO_LONG (entryName over 250 bytes, a stored
// name over 254), PACKERR_INVALID_PARAMETER (an entryName that is absolute or
// leaves its folder), PACKERR_PATH_TOO_LONG (a path over 259 characters),
// PACKERR_FILE_IO (no such source; a read or write failed), PACKERR_NO_COMPRESS_FOLDER,
// PACKERR_OPEN_SOURCE_FILE, PACKERR_FILE_TOO_BIG (over 4,000,000,000 bytes),
// PACKERR_NO_FILE_FOUND (an empty folder), PACKERR_OPEN_DESTINATION_FILE (an old
// temporary container, held by another process, can be neither deleted nor
// emptied), PACKERR_CREATE_KEY, PACKERR_CREATE_THREAD and the compression codes. A job that fails or is stopped
// leaves the pack byte for byte as it was.
int WINAPI Pack(const char* packPath, const char* sourceFolder, const char* entryName, const char* password,
                BOOL compress);

// Waits. As Pack with an empty entry name and compress TRUE, leaving out the first
// count names of the NameList excluded (each a path relative to folder; an empty
// name ends the list). compress FALSE: PACKERR_NO_COMPRESS_FOLDER.
int WINAPI PackPartFolder(const char* packPath, const char* folder, const char* excluded, int count,
                          const char* password, BOOL compress);

// Waits. Builds only the temporary container (see GetPreCompressFileName): from
// baseFolder joined with relativeName (one record named relativeName), or, for an
// empty relativeName, from the whole baseFolder less the excluded names (records
// named from the folder's own name on). An empty baseFolder does nothing and gives
// 0. Without waitAndDiscard it returns once the worker has started and the
// container stays for the caller; with it, it waits for the job, deletes the
// container and returns the job's error or 0. Results as Pack's, without the pack
// and password codes.
int WINAPI PreCompress(const char* baseFolder, const char* relativeName, const char* excluded, int count,
                       BOOL waitAndDiscard);

// Never waits. Writes the temporary container's full path into buffer (260 bytes):
// at most 259 characters and the zero.
void WINAPI GetPreCompressFileName(char* buffer);

// Never waits. force TRUE: from the next job on, a source file that cannot be
// opened while compressing is skipped and listed (GetErrorFileNames) instead of
// failing the job. Returns the flag as now set, 0 or 1.
int WINAPI ForceCompleteCompress(BOOL force);

// Never waits. With the force flag clear: empties the list of skipped files,
// leaves buffer alone and returns 0. Set: writes the skipped paths of the latest
// job as a NameList (each name and its zero, then one more zero) into buffer
// (size bytes) and returns 0, or PACKERR_NAME_BUFFER_OVERFLOW when they do not fit
// (nothing promised about buffer then), PACKERR_NULL_BUFFER for a null buffer.
int WINAPI GetErrorFileNames(char* buffer, int size);

// Does not wait for a running job, and must not be called while one runs.
// Codes length bytes of data with the password (read up to its zero, never past
// passwordLength bytes; passwordLength must be 6 to 255). Coding twice restores
// the data, so EncryptBufferData and DecryptBufferData do the same.
// synchronous TRUE: data are coded in place on return. FALSE: the bytes are taken
// at once and coded on a worker (progress through GetProgress; Stop ends it and
// leaves no result); data stay unchanged; fetch the result with GetCodedData.
// Results: 0; PACKERR_NULL_BUFFER (null data or password, length 0);
// PACKERR_INVALID_PARAMETER (negative length); PACKERR_PASSWORD_TOO_SHORT /
// PACKERR_PASSWORD_TOO_LONG; PACKERR_NOT_ENOUGH_MEMORY; PACKERR_CREATE_KEY (empty
// password); PACKERR_CREATE_THREAD.
int WINAPI EncryptBufferData(BYTE* data, int length, const char* password, int passwordLength, BOOL synchronous);
int WINAPI DecryptBufferData(BYTE* data, int length, const char* password, int passwordLength, BOOL synchronous);

// Waits for the buffer worker, then copies the result of the latest asynchronous
// buffer job into buffer (size bytes) and frees it. PACKERR_NULL_BUFFER: null
// buffer, size 0, or no result waiting (none made, fetched already, failed or
// stopped); PACKERR_NOT_ENOUGH_MEMORY: size below the result's length (the result
// is kept).
int WINAPI GetCodedData(BYTE* buffer, int size);

// Never waits. Splits the file at path into parts files path.prt00, path.prt01 ...
// (1 to 100): part i holds L / parts bytes from i * (L / parts) on, the last also
// the rest. Existing part files are replaced. Returns parts, or
// PACKERR_INVALID_PARAMETER, PACKERR_PATH_TOO_LONG, PACKERR_OPEN_SOURCE_FILE,
// PACKERR_OPEN_DESTINATION_FILE, PACKERR_NOT_ENOUGH_MEMORY, PACKERR_FILE_IO.
int WINAPI SplitHugeFile(const char* path, int parts);

// Never waits. Joins the first count names of the NameList partNames into
// destination (created, or replaced whole once the join is complete: it is
// written to a temporary file beside destination first). On any failure
// destination is as it was and every part stays; with deleteParts the parts are
// deleted once the join is in place. A count above the names in the list is
// PACKERR_OPEN_SOURCE_FILE. Returns 0, or PACKERR_INVALID_PARAMETER (count below
// 1), PACKERR_NULL_BUFFER, PACKERR_OPEN_DESTINATION_FILE (also for a destination
// that is one of the parts, however spelled), PACKERR_OPEN_SOURCE_FILE,
// PACKERR_NOT_ENOUGH_MEMORY, PACKERR_FILE_IO.
int WINAPI UnSplitHugeFile(const char* partNames, int count, BOOL deleteParts, const char* destination);

// Never waits. Converts path in place into one relative file name: \ / , ; * ? " <
// > | become _ % ^ = + $ ~ [ ] ! and ':' a backslash; a byte from 0x80 to 0x9F or
// 0xE0 to 0xFF and the byte after it are kept. Never passes the terminating zero.
// Returns that lead byte when path ends with a double-byte character, else 0.
int WINAPI ConvertFilePath(char* path);

#ifdef __cplusplus
}
#endif
