// How an export list (shared/<dll>_exports.inc, lines of
// KB_EXPORT(ordinal, return type, Name, (arguments))) becomes C++: one struct per
// export in the list's namespace, carrying its ordinal, its name and its
// function-pointer type, and the check that a DLL's prototypes are the list's.
#pragma once
#include <type_traits>

#include "shared/winapi.h"

// The Win32 argument types a list may name, inside the list's namespace.
#define KB_EXPORT_ARGUMENT_TYPES \
    using ::kb::winapi::BOOL;    \
    using ::kb::winapi::BYTE;    \
    using ::kb::winapi::DWORD;   \
    using ::kb::winapi::HWND;

#define KB_EXPORT_DECLARE(ordinal, ret, name, args)  \
    struct name {                                    \
        static constexpr unsigned kOrdinal = ordinal; \
        static constexpr const char kName[] = #name;  \
        using Fn = ret(KB_WINAPI*) args;              \
    };

// For a DLL's export source, after its prototypes: the function ::name has
// exactly the signature and calling convention of its entry in list namespace ns.
#define KB_EXPORT_CHECK_PROTOTYPE(ns, name)                               \
    static_assert(std::is_same_v<decltype(&::name), ns::name::Fn>,       \
                  "the prototype of " #name " differs from its export list entry");
