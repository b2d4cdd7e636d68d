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

#ifdef _WIN32
#define ARKSTOW_CALL __stdcall
#else
#define ARKSTOW_CALL
#endif

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
    int(ARKSTOW_CALL* resize)(struct ArkMemStream* stream, uint32_t newSize);
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
int ARKSTOW_CALL GetCount(const char* archive, int* slotCount, int* maxNameLength);
// Copies entry index's name and terminator into buffer, which must hold
// bufferSize + 1 bytes. -20 bad index, -21 name longer than bufferSize
// (buffer untouched).
int ARKSTOW_CALL GetName(const char* archive, int index, char* buffer, int bufferSize);
// Copies entry index's 32-byte information block into *info.
int ARKSTOW_CALL GetInfo(const char* archive, int index, TAchFileInfo* info);
// Loads entry index's body into the caller's stream: exactly the body, position 0.
int ARKSTOW_CALL LoadByIndex(const char* archive, int index, ArkMemStream* stream);
// As LoadByIndex for the first entry whose name equals name, ignoring the case of
// single-byte ASCII letters; its index, -1 when none, or a code.
int ARKSTOW_CALL LoadByName(const char* archive, const char* name, ArkMemStream* stream);
// Extracts entry index to destFile (folders created, a read-only file replaced),
// then applies the archived times and attributes. 0 or a code.
int ARKSTOW_CALL SaveByIndex(const char* archive, int index, const char* destFile);
// As SaveByIndex for the entry LoadByName finds; -1 when none has the name.
int ARKSTOW_CALL SaveByName(const char* archive, const char* name, const char* destFile);
// Extracts every used entry under destFolder by its stored name, going on past
// failures; 0, or the code of the last failure. A name that would leave
// destFolder is refused with -22.
int ARKSTOW_CALL SaveAll(const char* archive, const char* destFolder);
// Index of the first entry whose name equals name by the system's
// case-insensitive comparison; -1 when none, or for an empty or scrambled archive.
int ARKSTOW_CALL Find(const char* archive, const char* name);
// Copies length raw bytes of the named entry's body, from offset on, into
// buffer; returns offset + length. The caller keeps offset + length within the
// entry's size. -1 not found, -23 negative offset or length.
int ARKSTOW_CALL MemCopy(const char* archive, const char* name, void* buffer, int offset, int length);

// Writing. An archive written by these functions is plain; EncryptAchFile makes
// the scrambled copy. -22 also refuses a name the readers could not take back.

// Writes an empty archive of slotCount zeroed slots, replacing any file there.
// -10: slotCount below 0 or above 53,687,091 (nothing written), or no file can
// be made; -100: a write failed.
int ARKSTOW_CALL CreateNew(const char* archive, int slotCount);
// Appends sourceFile as storedName into the next free slot, with its size,
// attributes and times. -30 no free slot; -70 a scrambled archive; -22 an
// empty name, one of 4,096 bytes or more, or one leaving a folder; -10 the
// archive cannot be opened; -32 the source's information cannot be read, it is
// 4 GiB or more, or the archive would pass 2^31 - 1 bytes; -31 the source
// cannot be opened; -100 a file call failed. Nothing is written before a
// refusal; after a failed write the archive is put back as far as possible.
int ARKSTOW_CALL Add(const char* archive, const char* sourceFile, const char* storedName);
// Removes entry index, or every entry whose name equals name ignoring case (0
// also when none does), by rebuilding the archive through "tmp.ach" and a
// private folder in the temp folder; the remaining entries keep their order,
// information and the slot count, and the result is plain. The archive is
// replaced only by a complete, checked copy: any failure (-20 bad index, the
// count's codes, -61 no temp folder, or the failing step's code) leaves it as
// it was. No other file of the temp folder is touched.
int ARKSTOW_CALL RemoveByIndex(const char* archive, int index);
int ARKSTOW_CALL RemoveByName(const char* archive, const char* name);
// Writes the scrambled copy of plainArchive to scrambledArchive, which is
// replaced only when the copy is complete. -10 the source is missing or both
// name one file; -70 the source is scrambled; -71 the pack library's buffer
// coding is missing or failed; -22 a name holding the byte 0xFF; -101 no
// memory; -100 a file call failed or the source's layout does not hold.
int ARKSTOW_CALL EncryptAchFile(const char* plainArchive, const char* scrambledArchive);
#ifdef __cplusplus
}
#endif
#endif
