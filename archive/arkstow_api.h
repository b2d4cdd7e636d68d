// archive/: the archive and component server's portable core (reading, writing,
// the scrambled form, component installation, the runtime-module install),
// each platform half beside its concern as *_win.cpp or *_posix.cpp.
// Arkstow.dll's entry points are in win/, the tests in tests/. It may use
// shared/; the pack library is bound at run time (shared/tkabbit.h), never linked.
//
// Arkstow.dll: the C interface a caller sees (result codes, the entry
// information block, the caller-owned memory stream, the exported functions).
#pragma once
#include <stdint.h>

#include "shared/winapi.h"

// Result codes. 0 or more is success (LoadByName and Find give an entry index,
// GetCount a count, MemCopy a position); negative codes are failures.
enum ARKSTOWRET {
    ARKSTOWRET_OK = 0,
    ARKSTOWRET_NOT_FOUND = -1,
    ARKSTOWRET_OPEN_FAILED = -10,
    ARKSTOWRET_BAD_INDEX = -20,
    ARKSTOWRET_BUFFER_TOO_SMALL = -21,
    // A stored entry name that would leave the destination folder (absolute,
    // drive-qualified, a ".." component, empty): nothing is written for it.
    ARKSTOWRET_UNSAFE_NAME = -22,
    // A negative offset or length given to MemCopy: the buffer is not touched.
    ARKSTOWRET_BAD_ARGUMENT = -23,
    ARKSTOWRET_ARCHIVE_FULL = -30,
    ARKSTOWRET_SOURCE_OPEN_FAILED = -31,
    ARKSTOWRET_SOURCE_INFO_FAILED = -32,
    ARKSTOWRET_STREAM_CREATE_FAILED = -50,
    ARKSTOWRET_STREAM_ALLOC_FAILED = -51,
    ARKSTOWRET_STREAM_SIZE_FAILED = -52,
    ARKSTOWRET_STREAM_WRITE_FAILED = -53,
    ARKSTOWRET_STREAM_LOAD_FAILED = -54,
    ARKSTOWRET_SAVE_FAILED = -55,
    ARKSTOWRET_REGISTER_DLL_MISSING = -60,
    ARKSTOWRET_TEMP_PATH_FAILED = -61,
    ARKSTOWRET_SYSTEM_DIR_FAILED = -62,
    ARKSTOWRET_COPY_FAILED = -63,
    ARKSTOWRET_REGISTER_FAILED = -64,
    ARKSTOWRET_SOURCE_TIME_FAILED = -66,
    ARKSTOWRET_TARGET_ACCESS_FAILED = -67,
    ARKSTOWRET_ATTRIBUTES_FAILED = -68,
    ARKSTOWRET_INSTALLER_NOT_FOUND = -69,
    ARKSTOWRET_ALREADY_SCRAMBLED = -70,
    ARKSTOWRET_ENCRYPT_FAILED = -71,
    ARKSTOWRET_DECRYPT_FAILED = -72,
    ARKSTOWRET_COMPARE_FILE_FAILED = -80,
    ARKSTOWRET_CLIB_ERROR = -100,  // "ArkstowErr.log" in the temp folder tells what failed
    ARKSTOWRET_NO_MEMORY = -101,
    ARKSTOWRET_NEED_REBOOT = 5,
    ARKSTOWRET_NEED_LOGOFF = 6,
    ARKSTOWRET_DONE_NOW = 256,
};

// The 32-byte information block of an entry, as stored in bytes 8 to 39 of its
// slot: size, file attributes, creation, last-access and last-write FILETIMEs
// (each as low and high 32-bit halves).
struct TAchFileInfo {
    uint32_t size;
    uint32_t attributes;
    uint32_t creationLow, creationHigh;
    uint32_t lastAccessLow, lastAccessHigh;
    uint32_t lastWriteLow, lastWriteHigh;
};
#ifdef __cplusplus
static_assert(sizeof(TAchFileInfo) == 32, "the information block is part of the archive format");
#endif

// A memory stream that belongs to the caller. The library calls resize(stream,
// size) once with the body's size; the caller (re)allocates its memory, sets
// data and size, and returns 0 (nonzero: the load fails with -52). The library
// then copies the body into data (data null while size > 0: -54) and sets
// position to 0. The library never frees or keeps the memory; ctx is the
// caller's own.
struct ArkMemStream {
    void* data;
    uint32_t size;
    uint32_t position;
    void* ctx;
    int(KB_WINAPI* resize)(struct ArkMemStream* stream, uint32_t newSize);
};

#ifdef _WIN32
#ifdef __cplusplus
extern "C" {
#endif
// Every function clears the error context first. An archive is opened for each
// call and closed before it returns; no function of this group changes it.

// Number of used entries (slots from 0 up to the first free one), or a code.
// slotCount (may be null) gets the archive's slot count; maxNameLength (may be
// null) the longest used name in bytes without its terminator. Both are 0 first.
int KB_WINAPI GetCount(const char* archive, int* slotCount, int* maxNameLength);
// Copies entry index's name and terminator into buffer, which must hold
// bufferSize + 1 bytes. -20 bad index, -21 name longer than bufferSize
// (buffer untouched).
int KB_WINAPI GetName(const char* archive, int index, char* buffer, int bufferSize);
// Copies entry index's 32-byte information block into *info.
int KB_WINAPI GetInfo(const char* archive, int index, TAchFileInfo* info);
// Loads entry index's body into the caller's stream: exactly the body, position 0.
int KB_WINAPI LoadByIndex(const char* archive, int index, ArkMemStream* stream);
// As LoadByIndex for the first entry whose name equals name, ignoring the case of
// single-byte ASCII letters; its index, -1 when none, or a code.
int KB_WINAPI LoadByName(const char* archive, const char* name, ArkMemStream* stream);
// Extracts entry index to destFile (folders created, a read-only file replaced),
// then applies the archived times and attributes. 0 or a code; -55 also when
// destFile is the archive itself under any name, which is then left as it was.
int KB_WINAPI SaveByIndex(const char* archive, int index, const char* destFile);
// As SaveByIndex for the entry LoadByName finds; -1 when none has the name.
int KB_WINAPI SaveByName(const char* archive, const char* name, const char* destFile);
// Extracts every used entry under destFolder by its stored name, going on past
// failures; 0, or the code of the last failure. A name that would leave
// destFolder is refused with -22, one that would land on the archive itself
// with -55.
int KB_WINAPI SaveAll(const char* archive, const char* destFolder);
// Index of the first entry whose name equals name by the system's
// case-insensitive comparison; -1 when none, or for an empty or scrambled archive.
int KB_WINAPI Find(const char* archive, const char* name);
// Copies length raw bytes of the named entry's body, from offset on, into
// buffer; returns offset + length. The caller keeps offset + length within the
// entry's size. -1 not found, -23 negative offset or length.
int KB_WINAPI MemCopy(const char* archive, const char* name, void* buffer, int offset, int length);

// Writing. An archive written by these functions is plain; EncryptAchFile makes
// the scrambled copy. -22 also refuses a name the readers could not take back.

// Writes an empty archive of slotCount zeroed slots, replacing any file there.
// -10: slotCount below 0 or above 53,687,091 (nothing written), or no file can
// be made; -100: a write failed.
int KB_WINAPI CreateNew(const char* archive, int slotCount);
// Appends sourceFile as storedName into the next free slot, with its size,
// attributes and times. -30 no free slot; -70 a scrambled archive; -22 an
// empty name, one of 4,096 bytes or more, or one leaving a folder; -10 the
// archive cannot be opened; -32 the source's information cannot be read, it is
// 4 GiB or more, or the archive would pass 2^31 - 1 bytes; -31 the source
// cannot be opened; -100 a file call failed. Nothing is written before a
// refusal; after a failed write the archive is put back as far as possible.
int KB_WINAPI Add(const char* archive, const char* sourceFile, const char* storedName);
// Removes entry index, or every entry whose name equals name ignoring case (0
// also when none does), by rebuilding the archive through "tmp.ach" in a
// private folder made in the temp folder; the remaining entries keep their order,
// information and the slot count, and the result is plain. The archive is
// replaced only by a complete, checked copy: any failure (-20 bad index, the
// count's codes, -61 no temp folder, or the failing step's code) leaves it as
// it was. No other file of the temp folder is touched.
int KB_WINAPI RemoveByIndex(const char* archive, int index);
int KB_WINAPI RemoveByName(const char* archive, const char* name);
// Writes the scrambled copy of plainArchive to scrambledArchive, which is
// replaced only when the copy is complete. -10 the source is missing or both
// name one file; -70 the source is scrambled; -71 the pack library's buffer
// coding is missing or failed; -22 a name holding the byte 0xFF; -101 no
// memory; -100 a file call failed or the source's layout does not hold.
int KB_WINAPI EncryptAchFile(const char* plainArchive, const char* scrambledArchive);

// Components and runtime modules. Each resets the error context first; a null
// archive path gives -10, a null folder, file name or message counts as "".

// Installs every entry of archive into the system folder's "TQZDisc" as a
// component. allowInstall nonzero allows copying; olderPolicy 64 lets an older
// archive copy replace an installed plain file; reserved has no effect. 0; 6 an
// install is needed but not allowed (files before it stay installed); -22 an
// entry name that would leave the install or temp folder; -60 "Register.dll" or
// one of its functions missing; -61, -62, -63, -64, -66, -67; the count's, name
// and extraction codes.
int KB_WINAPI RegisterAllEx(const char* archive, int allowInstall, int olderPolicy, int reserved);
// RegisterAllEx with olderPolicy 1 and reserved 0.
int KB_WINAPI RegisterAll(const char* archive, int allowInstall);
// Passes mode to the registration library, which stays loaded until the next
// RegisterAll or RegisterAllEx ends. 0 or -60.
int KB_WINAPI SetRegCmpMode(int mode);
// Passes the comparison file's name to the registration library, which stays
// loaded. 0; -80 the library rejected it; -60.
int KB_WINAPI SetRegCmpFile(const char* fileName);
// Brings the runtime modules of archive up to date in the system folder through
// the installer "Halvorin.exe" of cdFolder: 0 nothing to do; 256 the installer
// ran; 5 it runs after a restart (RunOnce set, rebootMessage shown on the NT
// family); 6 a log-off or an allowed install is needed; -22, -61, -62, -68, -69
// (the installer is not in cdFolder), -100 ("ArkstowErr.log" tells which call
// failed); the count's, name and extraction codes.
int KB_WINAPI InstallVBRM(const char* archive, const char* cdFolder, int allowInstall, const char* rebootMessage);
#ifdef __cplusplus
}
#endif
#endif
