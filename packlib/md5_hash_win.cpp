#include "packlib/md5_hash.h"

#include <windows.h>
#include <wincrypt.h>

#include <cstring>

namespace kb {

bool CMd5Hash::ComputeHash(uint32_t algorithm, const char* text, uint8_t* out, uint32_t& outLength) {
    if (out != nullptr)
        std::memset(out, 0, outLength);
    if (text == nullptr || text[0] == '\0')
        return false;
    if (out == nullptr) {
        lastError_ = ERROR_INVALID_PARAMETER;
        return false;
    }
    const size_t textLength = std::strlen(text);
    if (textLength > MAXDWORD) {
        lastError_ = ERROR_INVALID_PARAMETER;
        return false;
    }

    HCRYPTPROV provider = 0;
    if (!CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) {
        lastError_ = GetLastError();
        return false;
    }
    HCRYPTHASH hash = 0;
    bool ok = false;
    DWORD length = outLength;
    if (!CryptCreateHash(provider, algorithm, 0, 0, &hash)) {
        lastError_ = GetLastError();
    } else {
        if (!CryptHashData(hash, reinterpret_cast<const BYTE*>(text), static_cast<DWORD>(textLength), 0) ||
            !CryptGetHashParam(hash, HP_HASHVAL, out, &length, 0)) {
            lastError_ = GetLastError();
            // A too-small area reports the length it needs.
            if (lastError_ == ERROR_MORE_DATA)
                outLength = length;
        } else {
            outLength = length;
            ok = true;
        }
        CryptDestroyHash(hash);
    }
    CryptReleaseContext(provider, 0);
    return ok;
}

}  // namespace kb
