// The program folder of the real LumarForUtil.exe, for the loader's
// end-to-end tests and the benchmarks that run it: the loader and its
// libraries, the Kellmark stand-in, "Message.Ini" (MessageNNN=MNNN) and a
// fixture skin. Skin buttons: 10 (quit), 11 (export), 101..120 (session
// tabs), 121 (writer); the dialogs' 20/21 (password OK, cancel), 30
// (progress cancel), 40..45 (overwrite).
#pragma once
#include <string>

namespace kb::loader::testing {

// Fills program (an existing, empty folder) with the files above, the
// programs copied from binDir; stage is an existing scratch folder. False
// when a file could not be copied or written.
bool WriteLumarFolder(const std::string& binDir, const std::string& program, const std::string& stage);

}  // namespace kb::loader::testing
