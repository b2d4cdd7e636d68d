#include "loader/skin/win/image_button.h"

#include <set>
#include <sstream>

#include "loader/bindings.h"
#include "shared/base/message_sink.h"
#include "shared/image/bmp.h"
#include "shared/win/handles.h"

namespace kb::loader {
namespace {

// The whole file, or nothing when it cannot be read.
bool ReadFileBytes(const std::string& path, std::string& bytes) {
    kb::win::ScopedFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size;
    // Button lists are a few lines; anything near 2 GiB is no button list.
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart > 0x7FFFFFFF) return false;
    bytes.assign(static_cast<size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!bytes.empty() && (!ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) ||
                           got != bytes.size()))
        return false;
    return true;
}

// Every window of the program reads its skin's button list again: a bad
// line is reported the first time only.
void ReportBadLine(const std::string& path, const std::string& text, int usable) {
    static std::set<std::string> reported;
    if (!reported.insert(path).second) return;
    ShowMessage(kLoaderTitle, BadButtonLineText(path, ButtonListFileLine(text, usable)).c_str());
}

}  // namespace

bool DibGraphic::LoadFromBytes(const std::vector<std::uint8_t>& bytes) {
    kb::image::Bitmap decoded;
    if (!kb::image::DecodeBmp(bytes.data(), bytes.size(), decoded)) return false;
    return bitmap.Assign(decoded.width, decoded.height, decoded.pixels.data());
}

kb::win::DibBitmap LoadArchiveBitmap(TArkstow& archive, const std::string& entry) {
    DibGraphic graphic;
    if (!archive.LoadGraphic(entry, graphic)) return {};
    return std::move(graphic.bitmap);
}

TickSource SystemTicks() {
    return [] { return static_cast<std::uint32_t>(GetTickCount()); };
}

// ---- TCImage ----

TCImage::TCImage(ui::WinControl* parent) : ui::Image(parent) { visible_ = false; }

void TCImage::LoadFromArchive(TArkstow& archive, const std::string& entry) {
    SetPicture(LoadArchiveBitmap(archive, entry));
}

// ---- TCImageButton ----

TCImageButton::TCImageButton(ui::WinControl& parent, TickSource ticks) : guard_(std::move(ticks)) {
    cursor = ui::Cursor::HandPoint;
    parentBackground_ = true;
    AttachTo(&parent);
    CreateHandle(kImageButtonClass, WS_CHILD | WS_CLIPSIBLINGS, 0, parent.Handle(), 0, 0, 0, 0, 0);
}

TCImageButton::~TCImageButton() = default;

void TCImageButton::SetButtonId(int id) {
    buttonId_ = id;
    if (Handle()) SetWindowLongPtrA(Handle(), GWLP_ID, id);
}

void TCImageButton::AddImage(TArkstow& archive, const std::string& entry) {
    TCImage image(Parent());
    image.LoadFromArchive(archive, entry);
    AddBitmap(std::move(image.Picture()));
}

void TCImageButton::AddBitmap(kb::win::DibBitmap bitmap) {
    const int w = bitmap.Width(), h = bitmap.Height();
    images_.Add(std::move(bitmap), w, h);
}

void TCImageButton::SetImageIndex(int n) {
    if (!images_.Show(n)) return;
    if (const kb::win::DibBitmap* image = images_.At(n)) DrawBitmap(*image, true);
}

void TCImageButton::DrawBitmap(const kb::win::DibBitmap& bitmap, bool resize) {
    if (bitmap.Empty()) return;
    picture_.CopyFrom(bitmap);
    if (resize) SetBounds(left_, top_, bitmap.Width(), bitmap.Height());
    if (Handle()) ::InvalidateRect(Handle(), nullptr, FALSE);
}

void TCImageButton::SetTransparentColor(COLORREF color, bool transparent) {
    transparentColor_ = color;
    if (transparent != transparent_) transparent_ = transparent;
    if (Handle()) ::InvalidateRect(Handle(), nullptr, FALSE);
}

void TCImageButton::PaintContent(kb::win::DibBitmap& buffer, int x, int y) {
    if (picture_.Empty()) return;
    std::optional<uint32_t> key;
    if (transparent_) key = kb::win::RgbFromColorRef(transparentColor_);
    // The picture is stretched to the button.
    buffer.StretchBlit(picture_, x, y, width_, height_, key);
}

void TCImageButton::Show(const PressGuard::Reaction& reaction) {
    if (reaction.showImage >= 0) SetImageIndex(reaction.showImage);
}

void TCImageButton::MouseDown(ui::MouseButton button, unsigned shift, int x, int y) {
    const PressGuard::Reaction r = guard_.MouseDown();
    Show(r);
    if (r.raise) Control::MouseDown(button, shift, x, y);
}

void TCImageButton::MouseUp(ui::MouseButton button, unsigned shift, int x, int y) {
    const PressGuard::Reaction r = guard_.MouseUp();
    Show(r);
    if (r.raise) Control::MouseUp(button, shift, x, y);
}

void TCImageButton::Click() {
    if (guard_.Click()) Control::Click();
}

void TCImageButton::DblClick() { guard_.DoubleClick(); }

// ---- TCImageButtonList ----

void TCImageButtonList::LoadFromFile(TArkstow& archive) {
    Clear();
    stoppedAt_ = 0;
    std::string text;
    const std::string path = ButtonListPath(folder, fileName);
    if (!form || !ReadFileBytes(path, text)) return;
    std::istringstream in(text);
    const ButtonListFile list = ParseButtonList(in);
    stoppedAt_ = list.stoppedAt;
    if (stoppedAt_ > 0) ReportBadLine(path, text, stoppedAt_);
    for (const ButtonRecord& spec : list.buttons) {
        auto button = std::make_unique<TCImageButton>(*form, ticks);
        button->AddImage(archive, spec.image0 + ".bmp");
        button->AddImage(archive, spec.image1 + ".bmp");
        button->SetBounds(spec.left, spec.top, button->Width(), button->Height());
        if (spec.transparent) button->SetTransparentColor(static_cast<COLORREF>(list.transparentColor), true);
        button->SetButtonId(spec.id);
        if (!spec.image2.empty()) button->AddImage(archive, spec.image2 + ".bmp");
        button->SetImageIndex(0);
        buttons_.push_back(std::move(button));
    }
}

void TCImageButtonList::Clear() { buttons_.clear(); }

TCImageButton* TCImageButtonList::FindButton(int id) const {
    for (const auto& b : buttons_)
        if (b->ButtonId() == id) return b.get();
    return nullptr;
}

void TCImageButtonList::SetEvents(const ui::Control::MouseEvent& onMouseDown,
                                  const ui::Control::MouseEvent& onMouseUp,
                                  const ui::Control::NotifyEvent& onClick) {
    for (const auto& b : buttons_) {
        b->onMouseDown = onMouseDown;
        b->onMouseUp = onMouseUp;
        b->onClick = onClick;
    }
}

}  // namespace kb::loader
