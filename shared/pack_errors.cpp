#include "pack_errors.h"

namespace kb {
namespace {

struct PackErrorEntry {
    int code;
    const char* text;
};

// Texts are the system's own, odd spellings and missing periods included.
constexpr PackErrorEntry kPackErrors[] = {
    {PACKERR_OPEN_PACKED_FILE, "Cannot open packed file."},
    {PACKERR_OPEN_SOURCE_FILE, "Cannot open source file."},
    {PACKERR_OPEN_DESTINATION_FILE, "Cannot open destination file."},
    {PACKERR_CREATE_DIRECTORY, "Cannot create directory."},
    {PACKERR_ILLEGAL_PACKED_FILE, "Illegal packed file."},
    {PACKERR_FILE_NOT_FOUND, "File not found in packed file."},
    {PACKERR_PASSWORD_NOT_SET, "Password was not set."},
    {PACKERR_PROTECTED_BY_PASSWORD, "Protected by password."},
    {PACKERR_WRONG_PASSWORD, "Password is wrong."},
    {PACKERR_PASSWORD_TOO_LONG, "Password is too long."},
    {PACKERR_PASSWORD_TOO_SHORT, "Password is too short."},
    {PACKERR_NAME_BUFFER_OVERFLOW, "File name buffer overflow."},
    {PACKERR_SIZE_BUFFER_OVERFLOW, "File size buffer overflow."},
    {PACKERR_ILLEGAL_INDEX, "Illegal index."},
    {PACKERR_FILE_NAME_TOO_LONG, "Too long file name."},
    {PACKERR_PATH_TOO_LONG, "Too long path name."},
    {PACKERR_NOT_ENOUGH_MEMORY, "Not Enough memory"},
    {PACKERR_FILE_IO, "File I/O error."},
    {PACKERR_MAKE_FSSPEC, "Cannot make FsSpec file."},
    {PACKERR_FSP_GET_FILE_SIZE, "FspGetFileSize error."},
    {PACKERR_NO_FILE_FOUND, "No file found error."},
    {PACKERR_COMPRESSION, "Compression error."},
    {PACKERR_UNCOMPRESSION, "Uncompression error."},
    {PACKERR_INVALID_PARAMETER, "Invalid paramater"},
    {PACKERR_FILE_NAME_TOO_LONG_2, "Too long file name error"},
    {PACKERR_CREATE_KEY, "Create key error"},
    {PACKERR_FILE_TOO_BIG, "Too big file size"},
    {PACKERR_CREATE_THREAD, "Cannot create thread."},
    {PACKERR_NULL_BUFFER, "Null buffer pointer."},
    {PACKERR_NO_COMPRESS_FOLDER, "Cannot pack folder with no compression."},
    {PACKERR_NOT_COMPRESSED_FILE, "Not compressed file."},
};
static_assert(sizeof(kPackErrors) / sizeof(kPackErrors[0]) == kPackErrorCount);

}  // namespace

const char* PackErrorText(int code) {
    for (const auto& e : kPackErrors)
        if (e.code == code) return e.text;
    return "Unknown error.";
}

}  // namespace kb
