// Password check against a pack header, followed by the throttle step.
#include "packlib/access_check.h"

#include <cstring>

#include "packlib/buffer_cipher.h"
#include "packlib/pack_format.h"
#include "packlib/throttle.h"
#include "shared/pack_errors.h"

namespace kb::pack {

int CheckPasswordLength(const char* password) {
    const size_t length = password ? strnlen(password, kMaxPasswordLength + 1) : 0;
    if (length > kMaxPasswordLength) return PACKERR_PASSWORD_TOO_LONG;
    if (length < kMinPasswordLength) return PACKERR_PASSWORD_TOO_SHORT;
    return 0;
}

int CheckAccess(const std::string& packPath, const char* password, sys::Sys& sys, PackReader* keep) {
    PackReader pack;
    if (!pack.Open(packPath)) return PACKERR_OPEN_PACKED_FILE;
    if (const int err = CheckPasswordLength(password)) return err;
    // The header is all this check reads.
    pack.LimitReadAhead(kHeaderSize);

    auto pass = [&] {
        if (keep) *keep = std::move(pack);
        return 0;
    };

    uint8_t header[kHeaderSize];
    if (!pack.ReadExact(header, 2)) return pass();
    const uint8_t flags = static_cast<uint8_t>(~header[kFlagsOffset]);
    if (!(flags & PACKFLAG_PASSWORD)) return pass();
    // The operation itself reports a short header when it reads it.
    if (!pack.ReadExact(header + 2, kHeaderSize - 2)) return pass();
    if (!keep) pack.Close();

    const uint8_t rounds = RoundsOfHeader(header);
    const uint8_t* stored = header + kPasswordFieldOffset;
    CBufferCipher cipher;
    bool match = false;
    if (flags & PACKFLAG_DIGESTKEY) {
        uint8_t field[kPasswordFieldSize] = {};
        std::memcpy(field, password, std::strlen(password));  // 6 to 255 bytes and a zero
        if (!cipher.MakeDigestPasswordField(field, rounds)) return PACKERR_CREATE_KEY;
        match = std::memcmp(field, stored, kPasswordFieldSize) == 0;
    } else {
        uint8_t field[kPasswordFieldSize];
        std::memcpy(field, stored, kPasswordFieldSize);
        if (rounds) cipher.CodePasswordField(field, rounds);
        // A field with no zero in its 256 bytes never matches.
        const size_t length = std::strlen(password);
        match = field[length] == 0 && std::memcmp(field, password, length) == 0;
    }

    PasswordThrottle throttle(sys);
    if (!match) {
        pack.Close();  // not held through the throttle's sleep
        throttle.Failure();
        return PACKERR_WRONG_PASSWORD;
    }
    throttle.Success();
    return pass();
}

}  // namespace kb::pack
