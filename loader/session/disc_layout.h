// What the loader reads from a disc before it shows anything: the file and
// folder names of the disc layout and the password type.
#pragma once
#include <cstdint>
#include <string>

#include "loader/profile.h"

namespace kb::loader {

// Sessions live in the root folders "Session01" to "Session20"; numbers may
// have gaps.
constexpr int kMaxSessions = 20;

// At the disc root: the index pack holding the disc-wide password.
constexpr char kSessionsPck[] = "Sessions.Pck";
constexpr char kSessionsIni[] = "Sessions.ini";
// At the disc root, optional: "PasswordType\PasswordType.Ini" [Password] Type.
constexpr char kPasswordTypeFolder[] = "PasswordType";
constexpr char kPasswordTypeIni[] = "PasswordType.Ini";
// In each session folder: the control pack, the file list and (named by the
// control file) the content pack.
constexpr char kControlPck[] = "Control.pck";
constexpr char kControlIni[] = "Control.ini";
constexpr char kFilesLst[] = "Files.lst";

// The most bytes the unpack of "Sessions.ini" or "Control.ini" may write, its
// container copy included: each is a few lines of ini text, so 1 MiB is far
// beyond any honest one, and bounds what a disc can make the loader write into
// its work folder before any window shows. A larger one is refused, before
// anything of it is written, as a control file that cannot be unpacked.
constexpr uint64_t kControlFileLimit = 1024 * 1024;

// "Session%.2d" of n.
std::string SessionFolderName(int n);

// A copy of text with every byte 'a' to 'z' turned into 'A' to 'Z', all
// other bytes unchanged (trail bytes included: only ever compared with ASCII).
std::string UpperCaseAnsi(const std::string& text);

// SINGLE: one content password for the disc (from "Sessions.ini"); MULTI: one
// per session (from each "Control.ini").
enum class PasswordType { Single, Multi };

// The disc's password type, read anew on every call from driveRoot (a drive
// letter and a colon), "\PasswordType\PasswordType.Ini": "MULTI" in any letter
// case is MULTI; any other value, no value or no file is SINGLE.
PasswordType ReadPasswordType(const std::string& driveRoot, const ProfileOpener& open);
bool IsMultiPassword(const std::string& driveRoot, const ProfileOpener& open);

}  // namespace kb::loader
