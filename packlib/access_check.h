// The access check that every export reading entries of a pack runs first: the
// password length rule, the comparison with the header in its two modes, and the
// throttle step that follows a comparison.
#pragma once
#include <cstddef>
#include <string>

#include "packlib/pack_format.h"
#include "packlib/sys.h"

namespace kb::pack {

constexpr size_t kMinPasswordLength = 6;
constexpr size_t kMaxPasswordLength = 255;

// 0 when password's length is 6 to 255, else PACKERR_PASSWORD_TOO_SHORT or
// PACKERR_PASSWORD_TOO_LONG. A null password counts as empty; at most 256 bytes
// of it are looked at.
int CheckPasswordLength(const char* password);

// Returns 0 when the pack may be read with password:
// - PACKERR_OPEN_PACKED_FILE when the pack cannot be opened (checked first);
// - the password length rule, for every pack;
// - a pack without PACKFLAG_PASSWORD, or whose header cannot be read in full,
//   passes with no throttle step (nothing was compared);
// - normal mode: the decoded PasswordField must hold exactly password and a zero
//   within its 256 bytes; digest mode: the digest field made from password must
//   equal all 256 stored bytes. A mismatch runs the throttle's failure step (it
//   sleeps on this thread) and gives PACKERR_WRONG_PASSWORD; a match runs its
//   success step;
// - PACKERR_CREATE_KEY, with no throttle step, when the digest cannot be made.
// The pack is only read. When it passes and keep is given, *keep is the pack as
// the check opened it, so that the export goes on with the very file it checked
// without opening it again.
int CheckAccess(const std::string& packPath, const char* password, sys::Sys& sys, PackReader* keep = nullptr);

}  // namespace kb::pack
