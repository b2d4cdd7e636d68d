// The password-attack throttle: a sequence of global atoms that makes each wrong
// password in a row wait twice as long as the one before, in every process.
#pragma once
#include <cstdint>
#include <string>

#include "packlib/sys.h"

namespace kb::pack {

class PasswordThrottle {
public:
    static constexpr const char* kBaseName = "KabbitPreventPasswordAttacking";
    // N runs 1, 2, 4 ... while below this bound; the longest wait is 4,194,304 s.
    static constexpr uint32_t kStepBound = 4294968;
    // Above this N the step keeps B+N instead of moving to B+2N.
    static constexpr uint32_t kKeepStepAbove = 2147482;

    explicit PasswordThrottle(sys::Sys& sys) : sys_(sys) {}

    // After a wrong password: the first one adds B and B+2 and sleeps 1 second;
    // later ones find the first B+N, delete it, sleep N seconds and add B+2N (B+N
    // again once N is above 2,147,482). B alone, with no B+N, is deleted.
    void Failure();

    // After a right password: when B exists, deletes it and the first B+N.
    void Success();

    static std::string StepName(uint32_t n);

private:
    sys::Sys& sys_;
};

}  // namespace kb::pack
