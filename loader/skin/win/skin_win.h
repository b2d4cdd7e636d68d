// TSkin: the one object a loader form makes to take its look from the skin
// files beside the program: background (with region and drag), the frame
// images of the message box, image buttons, and the named parts applied to
// the form's controls on request. Making a skin always completes; a piece
// that cannot be read is simply missing.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "loader/bindings.h"
#include "loader/settings.h"
#include "loader/skin/skin_def.h"
#include "loader/skin/skin_resources.h"
#include "loader/skin/skin_rules.h"
#include "loader/skin/win/controls.h"
#include "loader/skin/win/image_button.h"
#include "loader/skin/win/rgn_wnd.h"
#include "shared/win/dib.h"

namespace kb::loader {

// The skin files of the running program: its folder, the platform's profile
// reader and file test.
SkinFiles ProgramSkinFiles();

// The bitmap bytes decoded by the checked BMP decoder; empty when they are
// no bitmap it accepts.
kb::win::DibBitmap DecodeSkinBitmap(const std::vector<std::uint8_t>& bytes);

class TSkin {
public:
    // Builds the skin of form for prefix ("Rm", "Rp", "Rs", "Rw", "Cd", ...);
    // bgImage is the form's background image. useRegion allows the window
    // region. binding: the archive binding of this skin (null: "Arkstow.dll"
    // beside the program), kept until the skin goes.
    TSkin(ui::Form& form, ui::Image& bgImage, std::string prefix, bool useRegion,
          const SkinFiles& files = ProgramSkinFiles(), const SkinFontSettings& fonts = SkinFonts(),
          std::unique_ptr<TArkstow> binding = nullptr);
    ~TSkin();
    TSkin(const TSkin&) = delete;
    TSkin& operator=(const TSkin&) = delete;

    const std::string& Prefix() const { return resources_->Prefix(); }

    // The form's image button with this id; null when the button list has none.
    TCImageButton* GetButton(int id) const;
    // Every image button gets these handlers (an empty one clears that event).
    void SetButtonEvents(const ui::Control::MouseEvent& onMouseDown, const ui::Control::MouseEvent& onMouseUp,
                         const ui::Control::NotifyEvent& onClick);
    // "Rw" groups 1 and 2 show and hide the overwrite buttons; ids the form
    // lacks are skipped; another part is reported.
    void SetButtonGroup(std::string_view part, int group);

    void SetLabel(ui::Label& label, std::string_view part);
    void SetEdit(ui::Edit& edit, std::string_view part);
    void SetMemo(ui::Memo& memo, std::string_view part);
    void SetGauge(ui::Gauge& gauge, std::string_view part);
    void SetTreeView(ui::TreeView& tree, std::string_view part);
    void SetListView(ui::ListView& list, std::string_view part);
    void SetImagePart(ui::Image& image, std::string_view part);
    void SetPanel(ui::Panel& panel, ui::Image& image, std::string_view part);

    // "RwBg"/"RwBg2": image's picture := that background from the reader
    // skin archive as it is now (kept when the entry is missing); any other
    // part does nothing.
    void LoadBackground(ui::Image& image, std::string_view part);
    uint32_t GetColor(std::string_view part, int index) const { return resources_->GetColor(part, index); }
    // Message box skins: tiles the background again over image at its
    // present size (after the form has resized).
    void RetileBackground(ui::Image& image);

    // What the skin made, for the forms that use it.
    TRgnWnd& RegionWindow() { return *rgnWnd_; }
    const TCImageButtonList& Buttons() const { return buttons_; }
    // The hidden button skinned memos hand the focus to; null when it could not be made.
    HWND FocusSink() const { return focusSink_ ? focusSink_->WindowHandle() : nullptr; }
    const kb::win::DibBitmap& FrameImage(int index) const { return frames_[static_cast<size_t>(index)]; }

private:
    SkinApply Plan(SkinOp op, std::string_view part, const ui::Control& control) const;
    static void SetBoundsOf(ui::Control& control, const ControlBounds& b);
    void Tile(ui::Image& image);

    ui::Form& form_;
    SkinFontSettings fonts_;
    std::unique_ptr<TSkinDef> def_;
    std::unique_ptr<SkinDefParts> parts_;
    TArkstow* archive_ = nullptr;  // owned by resources_
    std::unique_ptr<SkinResources> resources_;
    std::unique_ptr<TRgnWnd> rgnWnd_;
    TCImageButtonList buttons_;
    std::array<kb::win::DibBitmap, 8> frames_;
    std::vector<std::uint8_t> bgBytes_;  // message box: tiled again on each resize
    std::unique_ptr<ui::PushButton> focusSink_;
    std::vector<HWND> sinkingMemos_;
};

}  // namespace kb::loader
