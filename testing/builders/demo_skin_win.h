// The demo disc's skin, as a publisher's disc carries one: the loader's
// "skin\Reader.*" and "skin\Common.*" files (definitions, button lists and
// archives of bitmaps and region data), drawn here with the platform's own
// text and shape drawing so every button and dialog says what it does.
#pragma once

#include <cstdint>
#include <string>

namespace kb::testing::disc {

// What the demo's driver looks for on the screen (0xRRGGBB).
// The outline of every caption button.
constexpr uint32_t kDemoButtonEdgeRgb = 0x1B3A5C;
// The progress window's bar: its place in the window and its colours.
constexpr int kDemoBarLeft = 20, kDemoBarTop = 88, kDemoBarWidth = 280, kDemoBarHeight = 20;
constexpr uint32_t kDemoBarRgb = 0x5CB860, kDemoBarBackRgb = 0xFFFFFF;
// The main window's list view of a session, in its page, and the page's place.
constexpr int kDemoPageTop = 84;

// Writes Reader.def, Reader.btn, Reader.arc, Common.def, Common.btn and
// Common.arc into skinFolder (an existing folder, Windows path syntax); the
// archives' entries are staged in stageFolder (an existing folder). False
// when a file could not be drawn or written.
bool WriteDemoSkin(const std::string& skinFolder, const std::string& stageFolder);

}  // namespace kb::testing::disc
