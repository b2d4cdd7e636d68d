#include "packlib/md5_hash.h"

#include <openssl/evp.h>

#include <cstring>

namespace kb {
namespace {
// The CryptoAPI's codes for the same failures, so callers see one set of values.
constexpr uint32_t kErrorInvalidParameter = 87;
constexpr uint32_t kErrorMoreData = 234;
constexpr uint32_t kNteBadAlgId = 0x80090008;
constexpr uint32_t kNteFail = 0x80090020;
}  // namespace

bool CMd5Hash::ComputeHash(uint32_t algorithm, const char* text, uint8_t* out, uint32_t& outLength) {
    if (out != nullptr)
        std::memset(out, 0, outLength);
    if (text == nullptr || text[0] == '\0')
        return false;
    if (algorithm != kCalgMd5) {
        lastError_ = kNteBadAlgId;
        return false;
    }
    if (out == nullptr) {
        lastError_ = kErrorInvalidParameter;
        return false;
    }
    if (outLength < kMd5DigestSize) {
        outLength = kMd5DigestSize;
        lastError_ = kErrorMoreData;
        return false;
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digestLength = 0;
    if (EVP_Digest(text, std::strlen(text), digest, &digestLength, EVP_md5(), nullptr) != 1 ||
        digestLength != kMd5DigestSize) {
        lastError_ = kNteFail;
        return false;
    }
    std::memcpy(out, digest, kMd5DigestSize);
    outLength = kMd5DigestSize;
    return true;
}

}  // namespace kb
