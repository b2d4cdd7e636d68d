#include "loader/controller/window_rules.h"

#include "loader/controller/command_line.h"

namespace kb::loader {

std::optional<ErrorKindAction> ErrorKindActionOf(uintptr_t kind) {
    static constexpr ErrorKindAction kKinds[9] = {
        {1, true}, {2, true}, {4, true}, {5, true}, {6, false}, {7, false}, {8, false}, {9, false}, {3, true},
    };
    if (kind < 1 || kind > 9) return std::nullopt;
    return kKinds[kind - 1];
}

ButtonClick SkinButtonClickOf(int id) {
    if (id == kQuitButton) return {ButtonAction::Quit, 0};
    if (id == kExportButton) return {ButtonAction::StartExport, 0};
    if (id >= kFirstTabButton && id <= kLastTabButton) return {ButtonAction::SelectSession, id - 100};
    if (id == kWriterButton) return {ButtonAction::StartWriter, 0};
    return {};
}

bool TabLooksOtherOnMouseUp(int id, int currentSession) {
    return id >= kFirstTabButton && id <= kLastTabButton && id - 100 != currentSession;
}

int WindowCoordinate(int given, int screenExtent, int windowExtent) {
    return given == kCentred ? screenExtent / 2 - windowExtent / 2 : given;
}

const char* FixedUnpackPassword(int edition) {
    return edition == 1 ? "MervoLKTQ_DeskPlume_5208" : "HarrowbeckTilden_Quill_6482";
}

}  // namespace kb::loader
