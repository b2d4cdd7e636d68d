// The program folder of the real LumarForUtil.exe, for the loader's
// end-to-end tests and the benchmarks that run it: the loader and its
// libraries, the Kellmark stand-in, "Message.Ini" (MessageNNN=MNNN) and a
// fixture skin. Skin buttons: 10 (quit), 11 (export), 101..120 (session
// tabs), 121 (writer); the dialogs' 20/21 (password OK, cancel), 30
// (progress cancel), 40..45 (overwrite).
#pragma once
#include <cstdint>
#include <string>

namespace kb::loader::testing {

// The fixture skin's colours (0xRRGGBB): the window's background and the
// three pages, each filling the page area (0, 40)-(640, 380) of the window.
constexpr uint32_t kBackgroundRgb = 0x3366CC;
constexpr uint32_t kPageViewRgb = 0x339966;
constexpr uint32_t kPageWorkRgb = 0x996633;
constexpr uint32_t kPageInitRgb = 0xCCCC33;

// Fills program (an existing, empty folder) with the files above, the
// programs copied from binDir; stage is an existing scratch folder. False
// when a file could not be copied or written.
bool WriteLumarFolder(const std::string& binDir, const std::string& program, const std::string& stage);

}  // namespace kb::loader::testing
