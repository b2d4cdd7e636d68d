// Skin images and image buttons: TCImage (a windowless picture loaded from a
// skin archive), TCImageButton (a button of up to three bitmaps with a guard
// against quick repeated presses; a child window whose control id is its
// button id, so the UI driver finds it) and TCImageButtonList (every button of
// a button list file, built on one form).
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "loader/bindings.h"
#include "loader/skin/button_images.h"
#include "loader/skin/button_list.h"
#include "loader/skin/press_guard.h"
#include "loader/skin/win/controls.h"
#include "shared/win/dib.h"

namespace kb::loader {

constexpr char kImageButtonClass[] = "TCImageButton";

// A picture read by the checked BMP decoder; a file it refuses is not loaded.
class DibGraphic : public Graphic {
public:
    bool LoadFromBytes(const std::vector<std::uint8_t>& bytes) override;
    kb::win::DibBitmap bitmap;
};

// The bitmap of entry in archive: empty when the archive does not hold it or
// it is no bitmap the decoder accepts.
kb::win::DibBitmap LoadArchiveBitmap(TArkstow& archive, const std::string& entry);

// The platform's tick count.
TickSource SystemTicks();

// A picture of the skin archive on a form; every image a button adds is read
// through one.
class TCImage : public ui::Image {
public:
    // Invisible, with a 0 x 0 picture.
    explicit TCImage(ui::WinControl* parent = nullptr);
    // The picture := the entry's bitmap (0 x 0 when it cannot be loaded).
    void LoadFromArchive(TArkstow& archive, const std::string& entry);
};

class TCImageButton : public ui::WinControl {
public:
    // A hidden child window of parent showing the hand cursor; ticks: the
    // guard's clock.
    explicit TCImageButton(ui::WinControl& parent, TickSource ticks = SystemTicks());
    ~TCImageButton() override;

    int ButtonId() const { return buttonId_; }
    // Also the control id of the button's window.
    void SetButtonId(int id);
    int ImageIndex() const { return images_.Shown(); }
    const kb::win::DibBitmap& Picture() const { return picture_; }
    bool Pressed() const { return guard_.Pressed(); }
    bool IgnoreNextUp() const { return guard_.IgnoreNextUp(); }
    std::uint32_t LastUpTick() const { return guard_.LastUpTick(); }

    // Appends the entry's bitmap, read into a passing TCImage on the
    // button's parent, to the images (the size rule of ButtonImages).
    void AddImage(TArkstow& archive, const std::string& entry);
    void AddBitmap(kb::win::DibBitmap bitmap);
    // Shows image n (the button takes its size) unless n is shown already; an
    // n the list does not hold draws nothing but is shown from then on.
    void SetImageIndex(int n);
    void DrawBitmap(const kb::win::DibBitmap& bitmap, bool resize);
    void SetTransparentColor(COLORREF color, bool transparent);

    // The press rules.
    void MouseDown(ui::MouseButton button, unsigned shift, int x, int y) override;
    void MouseUp(ui::MouseButton button, unsigned shift, int x, int y) override;
    void Click() override;
    void DblClick() override;

protected:
    void PaintContent(kb::win::DibBitmap& buffer, int x, int y) override;

private:
    void Show(const PressGuard::Reaction& reaction);

    int buttonId_ = 0;
    PressGuard guard_;
    ButtonImages<kb::win::DibBitmap> images_;
    kb::win::DibBitmap picture_;
    bool transparent_ = false;
    COLORREF transparentColor_ = 0;
};

class TCImageButtonList {
public:
    TCImageButtonList() = default;
    ~TCImageButtonList() { Clear(); }
    TCImageButtonList(const TCImageButtonList&) = delete;
    TCImageButtonList& operator=(const TCImageButtonList&) = delete;

    std::string fileName;            // "Common.btn", "Reader.btn" or "Writer.btn"
    std::string folder;              // the skin folder
    ui::WinControl* form = nullptr;  // parent of every button
    TickSource ticks = SystemTicks();

    // Builds a hidden button per line of the file, images from archive. No
    // file: no buttons. A line whose integer does not convert ends the list
    // there; the buttons before it stay (StoppedAt tells the line).
    void LoadFromFile(TArkstow& archive);
    void Clear();
    // The first button in file order with this id; null when the file defines none.
    TCImageButton* FindButton(int id) const;
    void SetEvents(const ui::Control::MouseEvent& onMouseDown, const ui::Control::MouseEvent& onMouseUp,
                   const ui::Control::NotifyEvent& onClick);
    size_t Count() const { return buttons_.size(); }
    TCImageButton* At(size_t index) const { return buttons_[index].get(); }
    // The usable line whose integer did not convert; 0 when the file was read whole.
    int StoppedAt() const { return stoppedAt_; }

private:
    std::vector<std::unique_ptr<TCImageButton>> buttons_;
    int stoppedAt_ = 0;
};

}  // namespace kb::loader
