// Keeps C++ exceptions inside Kabbit.dll: every export runs its body through this.
#pragma once

#include <new>

#include "shared/pack_errors.h"

namespace kb::pack {

template <typename F>
int Guarded(F&& body) {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return kb::PACKERR_NOT_ENOUGH_MEMORY;
    } catch (...) {
        return kb::PACKERR_FILE_IO;
    }
}

}  // namespace kb::pack
