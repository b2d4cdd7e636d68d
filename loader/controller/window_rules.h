// The main window's fixed rules as data: its own window messages, the error
// kinds, the skin buttons, the timer, the window position and the unpack
// passwords of the index and control packs.
#pragma once
#include <cstdint>
#include <optional>

// WM_LOADER_CANCEL, the modal results and the overwrite modes are the dialogs'.
#include "loader/dialogs/dialog_rules.h"

namespace kb::loader {

// Posted to the main window by the loader itself, the kind in WParam.
constexpr uint32_t WM_LOADER_ERROR = 0x500;
// Posted by a session's folder tree on mouse-down and mouse-up.
constexpr uint32_t WM_LOADER_FOCUSLIST = 0x501;

// The error kinds the loader posts.
constexpr int kErrorIndexUnpack = 2;    // the disc index could not be unpacked
constexpr int kErrorControlUnpack = 4;  // a session's control file could not be unpacked
constexpr int kErrorPackJob = 5;        // the pack library failed during an export
constexpr int kErrorFreeSpace = 8;      // not enough free space at the destination

// What a WM_LOADER_ERROR kind shows (a numbered message in the plain message
// dialog) and whether the program then ends; none for a kind outside 1 to 9.
struct ErrorKindAction {
    int message;
    bool terminate;
};
std::optional<ErrorKindAction> ErrorKindActionOf(uintptr_t kind);

// Skin buttons.
constexpr int kQuitButton = 10;
constexpr int kExportButton = 11;
constexpr int kFirstTabButton = 101;  // session 1; session n is 100 + n
constexpr int kLastTabButton = 120;
constexpr int kWriterButton = 121;
// Images of a tab button.
constexpr int kTabImageCurrent = 0;
constexpr int kTabImageOther = 1;

enum class ButtonAction { None, Quit, StartExport, SelectSession, StartWriter };
struct ButtonClick {
    ButtonAction action = ButtonAction::None;
    int session = 0;  // SelectSession: 1 to 20
};
// What a click on skin button id does.
ButtonClick SkinButtonClickOf(int id);
// Whether a mouse-up on button id gives it the look of a tab that is not
// current (a tab button other than the current session's).
bool TabLooksOtherOnMouseUp(int id, int currentSession);

// The timer that drives the sequences, one state per tick.
constexpr int kTimerIntervalMs = 10;

// The window's left (or top): given, or centred when given is -2000 (halves
// truncated toward zero).
int WindowCoordinate(int given, int screenExtent, int windowExtent);

// The password of the disc's index and control packs for an edition.
const char* FixedUnpackPassword(int edition);

// Unpack attempts of the index or a control file after the first one.
constexpr int kUnpackRetries = 10;

}  // namespace kb::loader
