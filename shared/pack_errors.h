// Pack error codes and the one text table that every pack-library binding uses.
#pragma once
#include <cstdint>

namespace kb {

// A pack error is a 32-bit value with the top bit set, returned as a negative int.
constexpr int PackErr(uint32_t value) { return static_cast<int>(value); }

constexpr int PACKERR_OPEN_PACKED_FILE = PackErr(0x80000010);
constexpr int PACKERR_OPEN_SOURCE_FILE = PackErr(0x80000011);
constexpr int PACKERR_OPEN_DESTINATION_FILE = PackErr(0x80000012);
constexpr int PACKERR_CREATE_DIRECTORY = PackErr(0x80000013);  // text only
constexpr int PACKERR_ILLEGAL_PACKED_FILE = PackErr(0x80000020);
constexpr int PACKERR_FILE_NOT_FOUND = PackErr(0x80000021);
constexpr int PACKERR_PASSWORD_NOT_SET = PackErr(0x80000030);
constexpr int PACKERR_PROTECTED_BY_PASSWORD = PackErr(0x80000031);  // text only
constexpr int PACKERR_WRONG_PASSWORD = PackErr(0x80000032);
constexpr int PACKERR_PASSWORD_TOO_LONG = PackErr(0x80000033);
constexpr int PACKERR_PASSWORD_TOO_SHORT = PackErr(0x80000034);
constexpr int PACKERR_NAME_BUFFER_OVERFLOW = PackErr(0x80000040);
constexpr int PACKERR_SIZE_BUFFER_OVERFLOW = PackErr(0x80000041);
constexpr int PACKERR_ILLEGAL_INDEX = PackErr(0x80000042);
constexpr int PACKERR_FILE_NAME_TOO_LONG = PackErr(0x80000043);
constexpr int PACKERR_PATH_TOO_LONG = PackErr(0x80000044);
constexpr int PACKERR_NOT_ENOUGH_MEMORY = PackErr(0x80000050);
constexpr int PACKERR_FILE_IO = PackErr(0x80000100);
constexpr int PACKERR_MAKE_FSSPEC = PackErr(0x80000200);       // text only
constexpr int PACKERR_FSP_GET_FILE_SIZE = PackErr(0x80000201);  // text only
constexpr int PACKERR_NO_FILE_FOUND = PackErr(0x80000202);
constexpr int PACKERR_COMPRESSION = PackErr(0x80000203);
constexpr int PACKERR_UNCOMPRESSION = PackErr(0x80000204);
constexpr int PACKERR_INVALID_PARAMETER = PackErr(0x80000220);
constexpr int PACKERR_FILE_NAME_TOO_LONG_2 = PackErr(0x80000221);  // text only
constexpr int PACKERR_CREATE_KEY = PackErr(0x80000222);
constexpr int PACKERR_FILE_TOO_BIG = PackErr(0x80000223);
constexpr int PACKERR_CREATE_THREAD = PackErr(0x80000225);
constexpr int PACKERR_NULL_BUFFER = PackErr(0x80000226);
constexpr int PACKERR_NO_COMPRESS_FOLDER = PackErr(0x80000230);
constexpr int PACKERR_NOT_COMPRESSED_FILE = PackErr(0x80000231);

constexpr int kPackErrorCount = 31;

// The text of a pack error code, byte for byte as callers show it;
// "Unknown error." for any value not in the table (including 0 and positives).
const char* PackErrorText(int code);

}  // namespace kb
