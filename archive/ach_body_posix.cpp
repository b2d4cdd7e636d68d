// The native build has no pack library to load: every body chunk fails until
// a test installs its own coding.
#include "archive/ach_scramble.h"

namespace ark {

std::unique_ptr<BodyCodingLibrary> MakePlatformBodyCodingLibrary() { return nullptr; }

}  // namespace ark
