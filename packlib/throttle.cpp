// The password-attack throttle on the global atom table.
#include "packlib/throttle.h"

namespace kb::pack {

std::string PasswordThrottle::StepName(uint32_t n) { return std::string(kBaseName) + std::to_string(n); }

void PasswordThrottle::Failure() {
    if (!sys_.GlobalAtomExists(kBaseName)) {
        sys_.AddGlobalAtom(kBaseName);
        sys_.AddGlobalAtom(StepName(2).c_str());
        sys_.Sleep(1000);
        return;
    }
    for (uint32_t n = 1; n < kStepBound; n *= 2) {
        const std::string step = StepName(n);
        if (!sys_.GlobalAtomExists(step.c_str())) continue;
        sys_.DeleteGlobalAtom(step.c_str());
        sys_.Sleep(n * 1000u);  // at most 4,194,304,000 ms: fits 32 bits
        sys_.AddGlobalAtom(StepName(n > kKeepStepAbove ? n : 2 * n).c_str());
        return;
    }
    sys_.DeleteGlobalAtom(kBaseName);
}

void PasswordThrottle::Success() {
    if (!sys_.GlobalAtomExists(kBaseName)) return;
    sys_.DeleteGlobalAtom(kBaseName);
    for (uint32_t n = 1; n < kStepBound; n *= 2) {
        const std::string step = StepName(n);
        if (sys_.GlobalAtomExists(step.c_str())) {
            sys_.DeleteGlobalAtom(step.c_str());
            return;
        }
    }
}

}  // namespace kb::pack
