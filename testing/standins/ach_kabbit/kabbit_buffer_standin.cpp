// A Kabbit.dll stand-in for the archive server's scrambled archives: its
// synchronous buffer coding codes for real (the pack cipher's data key of 126
// passes, 1024-byte chunks by their index from the start of the buffer), with
// the same argument checks; every other function the binding looks up is
// present, so no missing-function report appears, and refuses with -1.
#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "packlib/buffer_cipher.h"
#include "shared/kabbit_exports.h"
#include "shared/pack_errors.h"

namespace {

int CodeBuffer(BYTE* data, int length, const char* password, int passwordLength, BOOL synchronous) {
    if (length <= 0 || !data || !password) return kb::PACKERR_NULL_BUFFER;
    if (passwordLength < 6) return kb::PACKERR_PASSWORD_TOO_SHORT;
    if (passwordLength > 255) return kb::PACKERR_PASSWORD_TOO_LONG;
    if (!synchronous) return kb::PACKERR_INVALID_PARAMETER;  // only the synchronous form is stood in for
    kb::CBufferCipher cipher(password);
    if (!cipher.BuildDataKey(kb::CBufferCipher::kBufferJobPasses)) return kb::PACKERR_CREATE_KEY;
    const size_t n = static_cast<size_t>(length), chunk = kb::CBufferCipher::kMaxChunkSize;
    for (size_t at = 0, index = 0; at < n; at += chunk, ++index)
        if (!cipher.CodeBufferChunk(data + at, n - at < chunk ? n - at : chunk, static_cast<uint32_t>(index)))
            return kb::PACKERR_CREATE_KEY;
    return 0;
}

}  // namespace

extern "C" {

int WINAPI EncryptBufferData(BYTE* data, int length, const char* password, int passwordLength, BOOL synchronous) {
    return CodeBuffer(data, length, password, passwordLength, synchronous);
}
int WINAPI DecryptBufferData(BYTE* data, int length, const char* password, int passwordLength, BOOL synchronous) {
    return CodeBuffer(data, length, password, passwordLength, synchronous);
}

// Present only so that the binding finds every name; never called by the archive server.
int WINAPI StandinRefuses() { return -1; }

}  // extern "C"

KB_EXPORT_CHECK_PROTOTYPE(kb::kabbit, EncryptBufferData)
KB_EXPORT_CHECK_PROTOTYPE(kb::kabbit, DecryptBufferData)
