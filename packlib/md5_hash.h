// MD5 of a password for the digest-key mode of a pack header. Windows computes it
// through the CryptoAPI; the native build through OpenSSL's libcrypto.
#pragma once
#include <cstdint>

namespace kb {

// Algorithm id of MD5 in the CryptoAPI (CALG_MD5).
constexpr uint32_t kCalgMd5 = 0x8003;
constexpr uint32_t kMd5DigestSize = 16;

class CMd5Hash {
public:
    CMd5Hash() = default;
    CMd5Hash(const CMd5Hash&) = delete;
    CMd5Hash& operator=(const CMd5Hash&) = delete;

    // Hashes the bytes of text up to its terminating zero with the given algorithm.
    // out: caller's buffer of outLength bytes; all outLength bytes are cleared first.
    // outLength: in, the size of out; out, on success, the digest length (16 for MD5).
    // Returns false for a null or empty text (out cleared, outLength kept, LastError
    // unchanged), and for a failing call: LastError() then holds the platform error
    // code (on Windows GetLastError; natively the same codes: NTE_BAD_ALGID for an
    // algorithm other than MD5, ERROR_MORE_DATA with outLength set to the digest
    // length when out is too small, ERROR_INVALID_PARAMETER for a null out, NTE_FAIL
    // when the library fails). Never throws.
    bool ComputeHash(uint32_t algorithm, const char* text, uint8_t* out, uint32_t& outLength);

    // The platform error code of the last failed call; 0 until a call fails.
    uint32_t LastError() const { return lastError_; }

private:
    uint32_t lastError_ = 0;
};

}  // namespace kb
