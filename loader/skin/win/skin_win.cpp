#include "loader/skin/win/skin_win.h"

#include <commctrl.h>

#include "shared/win/common_controls.h"

#include "loader/win/folders_win.h"
#include "loader/win/profile_win.h"

namespace kb::loader {

namespace {

constexpr UINT_PTR kFocusSinkSubclass = 0x4B53;  // one id for every skinned memo

kb::win::FontSpec FontOf(const SkinFont& f) {
    kb::win::FontSpec spec;
    spec.face = f.name;
    spec.charset = f.charset;
    spec.points = f.size;
    spec.bold = false;  // the skin's fonts are regular; no part asks for more
    return spec;
}

COLORREF Color(uint32_t c) { return static_cast<COLORREF>(c); }

// A skinned memo never keeps the focus (its caret would blink in a read-only
// text) and shows the arrow over itself.
LRESULT CALLBACK MemoProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR sink) {
    switch (message) {
    case WM_SETFOCUS:
        if (sink && IsWindow(reinterpret_cast<HWND>(sink))) {
            SetFocus(reinterpret_cast<HWND>(sink));
            return 0;
        }
        break;
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT) {
            SetCursor(LoadCursor(nullptr, IDC_ARROW));
            return TRUE;
        }
        break;
    case WM_NCDESTROY:
        kb::win::comctl::RemoveWindowSubclass(w, MemoProc, kFocusSinkSubclass);
        break;
    default:
        break;
    }
    return kb::win::comctl::DefSubclassProc(w, message, wParam, lParam);
}

}  // namespace

SkinFiles ProgramSkinFiles() {
    SkinFiles files;
    files.programDir = GetProgramDir();
    files.open = [](const std::string& path) { return OpenPrivateProfile(path); };
    files.fileExists = [](const std::string& path) {
        return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    };
    return files;
}

kb::win::DibBitmap DecodeSkinBitmap(const std::vector<std::uint8_t>& bytes) {
    DibGraphic graphic;
    if (bytes.empty() || !graphic.LoadFromBytes(bytes)) return {};
    return std::move(graphic.bitmap);
}

TSkin::TSkin(ui::Form& form, ui::Image& bgImage, std::string prefix, bool useRegion, const SkinFiles& files,
             const SkinFontSettings& fonts, std::unique_ptr<TArkstow> binding)
    : form_(form), fonts_(fonts) {
    def_ = std::make_unique<TSkinDef>(prefix, files);
    parts_ = std::make_unique<SkinDefParts>(*def_);
    if (!binding) binding = std::make_unique<TArkstow>();
    archive_ = binding.get();
    resources_ = std::make_unique<SkinResources>(std::move(prefix), *parts_,
                                                 std::make_unique<ArkstowSkinArchive>(std::move(binding)), files);
    SkinAssets assets = resources_->LoadCreationAssets(useRegion);

    rgnWnd_ = std::make_unique<TRgnWnd>(form_);
    if (!assets.region.empty()) rgnWnd_->SetRegionFromStream(&assets.region);
    if (assets.draggable) rgnWnd_->RouteMouseOf(bgImage);

    if (assets.tiled) {
        bgBytes_ = std::move(assets.background);
        Tile(bgImage);
        for (size_t i = 0; i < frames_.size(); ++i) frames_[i] = DecodeSkinBitmap(assets.frames[i]);
    } else {
        bgImage.autoSize = true;
        // An image of no size yet has the form's design size: a background
        // that is missing or refused then leaves a window that still shows.
        if (bgImage.Width() <= 0 || bgImage.Height() <= 0)
            bgImage.SetBounds(0, 0, form_.ClientWidth(), form_.ClientHeight());
        else
            bgImage.SetBounds(0, 0, bgImage.Width(), bgImage.Height());
        kb::win::DibBitmap bg = DecodeSkinBitmap(assets.background);
        if (!bg.Empty()) bgImage.SetPicture(std::move(bg));
        form_.SetClientSize(bgImage.Width(), bgImage.Height());
    }

    if (!assets.buttonListPath.empty()) {
        buttons_.fileName = SkinButtonListName(resources_->Prefix());
        buttons_.folder = files.programDir + (files.programDir.empty() || files.programDir.back() == '\\' ? "" : "\\") +
                          "skin";
        buttons_.form = &form_;
        buttons_.LoadFromFile(*archive_);
    }

    auto sink = std::make_unique<ui::PushButton>();
    sink->SetBounds(-32000, -32000, 8, 8);
    if (sink->Create(form_)) {
        // Tab must not carry the focus off a dialog's edit to an unseen button.
        HWND w = sink->WindowHandle();
        SetWindowLongA(w, GWL_STYLE, GetWindowLongA(w, GWL_STYLE) & ~WS_TABSTOP);
        focusSink_ = std::move(sink);
    }
}

TSkin::~TSkin() {
    for (HWND memo : sinkingMemos_)
        if (IsWindow(memo)) kb::win::comctl::RemoveWindowSubclass(memo, MemoProc, kFocusSinkSubclass);
    buttons_.Clear();
}

TCImageButton* TSkin::GetButton(int id) const { return buttons_.FindButton(id); }

void TSkin::SetButtonEvents(const ui::Control::MouseEvent& onMouseDown, const ui::Control::MouseEvent& onMouseUp,
                            const ui::Control::NotifyEvent& onClick) {
    buttons_.SetEvents(onMouseDown, onMouseUp, onClick);
}

void TSkin::SetButtonGroup(std::string_view part, int group) {
    const ButtonGroupPlan plan = resources_->SetButtonGroup(part, group);
    for (int id : plan.show)
        if (TCImageButton* b = GetButton(id)) b->SetVisible(true);
    for (int id : plan.hide)
        if (TCImageButton* b = GetButton(id)) b->SetVisible(false);
}

SkinApply TSkin::Plan(SkinOp op, std::string_view part, const ui::Control& c) const {
    return resources_->Apply(op, part, ControlBounds{c.Left(), c.Top(), c.Width(), c.Height()}, fonts_);
}

void TSkin::SetBoundsOf(ui::Control& control, const ControlBounds& b) {
    if (b.left != control.Left() || b.top != control.Top() || b.width != control.Width() ||
        b.height != control.Height())
        control.SetBounds(b.left, b.top, b.width, b.height);
}

void TSkin::SetLabel(ui::Label& label, std::string_view part) {
    const SkinApply a = Plan(SkinOp::Label, part, label);
    label.SetTransparent(a.transparent);
    if (a.font) label.SetFont(FontOf(*a.font));
    if (a.autoSize) label.SetAutoSize(*a.autoSize);
    if (a.rightJustify) label.SetRightJustify(true);
    if (a.fontColor) label.SetFontColor(Color(*a.fontColor));
    // The font sized the label to its text: what the part leaves open keeps
    // that size, so a larger skin font is not cut to the former height.
    ControlBounds bounds = a.bounds;
    if (!a.setsWidth) bounds.width = label.Width();
    if (!a.setsHeight) bounds.height = label.Height();
    SetBoundsOf(label, bounds);
}

void TSkin::SetEdit(ui::Edit& edit, std::string_view part) {
    const SkinApply a = Plan(SkinOp::Edit, part, edit);
    if (a.border != SkinBorder::Keep) edit.SetBorder(a.border == SkinBorder::Single);
    if (a.font) edit.SetFont(FontOf(*a.font));
    SetBoundsOf(edit, a.bounds);
    if (a.maxLength > 0) edit.Native().SetLimit(a.maxLength);
    if (a.passwordChar) edit.Native().SetPasswordChar(a.passwordChar);
    if (a.backColor || a.fontColor)
        edit.SetColors(a.backColor ? std::optional<COLORREF>(Color(*a.backColor)) : std::nullopt,
                       a.fontColor ? std::optional<COLORREF>(Color(*a.fontColor)) : std::nullopt);
}

void TSkin::SetMemo(ui::Memo& memo, std::string_view part) {
    const SkinApply a = Plan(SkinOp::Memo, part, memo);
    if (a.font) memo.SetFont(FontOf(*a.font));
    if (!a.partKnown) return;
    SetBoundsOf(memo, a.bounds);
    memo.SetColors(a.backColor ? std::optional<COLORREF>(Color(*a.backColor)) : std::nullopt,
                   a.fontColor ? std::optional<COLORREF>(Color(*a.fontColor)) : std::nullopt);
    if (a.border != SkinBorder::Keep) memo.SetBorder(a.border == SkinBorder::Single);
    if (a.arrowCursor) memo.cursor = ui::Cursor::Arrow;
    if (a.readOnly) memo.Native().SetReadOnly(true);
    HWND w = memo.WindowHandle();
    if (!w) return;
    const DWORD_PTR sink = reinterpret_cast<DWORD_PTR>(a.focusToSink ? FocusSink() : nullptr);
    if (kb::win::comctl::SetWindowSubclass(w, MemoProc, kFocusSinkSubclass, sink)) sinkingMemos_.push_back(w);
}

void TSkin::SetGauge(ui::Gauge& gauge, std::string_view part) {
    const SkinApply a = Plan(SkinOp::Gauge, part, gauge);
    if (a.border != SkinBorder::Keep) gauge.SetBorder(a.border == SkinBorder::Single);
    if (a.backColor && a.foreColor && a.fontColor)
        gauge.SetColors(Color(*a.backColor), Color(*a.foreColor), Color(*a.fontColor));
    SetBoundsOf(gauge, a.bounds);
}

void TSkin::SetTreeView(ui::TreeView& tree, std::string_view part) {
    const SkinApply a = Plan(SkinOp::TreeView, part, tree);
    if (a.font) tree.SetFont(FontOf(*a.font));
    if (a.border != SkinBorder::Keep) tree.SetBorder(a.border == SkinBorder::Single);
    SetBoundsOf(tree, a.bounds);
}

void TSkin::SetListView(ui::ListView& list, std::string_view part) {
    const SkinApply a = Plan(SkinOp::ListView, part, list);
    if (a.font) list.SetFont(FontOf(*a.font));
    if (a.border != SkinBorder::Keep) list.SetBorder(a.border == SkinBorder::Single);
    SetBoundsOf(list, a.bounds);
}

void TSkin::SetImagePart(ui::Image& image, std::string_view part) {
    const SkinApply a = Plan(SkinOp::ImagePart, part, image);
    if (a.autoSize) image.autoSize = *a.autoSize;
    if (a.frameIndex < 0 || a.frameIndex >= static_cast<int>(frames_.size())) return;
    kb::win::DibBitmap copy;
    copy.CopyFrom(frames_[static_cast<size_t>(a.frameIndex)]);
    image.SetPicture(std::move(copy));
}

void TSkin::SetPanel(ui::Panel& panel, ui::Image& image, std::string_view part) {
    const SkinApply a = Plan(SkinOp::Panel, part, panel);
    if (!a.partKnown) return;
    SetBoundsOf(panel, a.bounds);
    if (a.pageImageFillsPanel) image.SetAlign(ui::Align::Client);
    kb::win::DibBitmap page = DecodeSkinBitmap(resources_->LoadPageBitmap(a));
    if (!page.Empty()) image.SetPicture(std::move(page));
}

void TSkin::LoadBackground(ui::Image& image, std::string_view part) {
    const std::optional<std::vector<uint8_t>> bytes = resources_->LoadBackground(part);
    if (!bytes) return;
    kb::win::DibBitmap bitmap = DecodeSkinBitmap(*bytes);
    if (!bitmap.Empty()) image.SetPicture(std::move(bitmap));
}

void TSkin::RetileBackground(ui::Image& image) {
    if (resources_->Prefix() != kMessageBoxPrefix) return;
    Tile(image);
}

void TSkin::Tile(ui::Image& image) {
    const kb::win::DibBitmap tile = DecodeSkinBitmap(bgBytes_);
    if (tile.Empty()) return;
    kb::win::DibBitmap canvas;
    if (!canvas.Create(image.Width(), image.Height())) return;
    for (const TileRect& r : TileRects(tile.Width(), tile.Height(), image.Width(), image.Height()))
        canvas.Blit(tile, r.left, r.top);
    const bool autoSize = image.autoSize;
    image.autoSize = false;  // the image keeps its size; the form sizes itself
    image.SetPicture(std::move(canvas));
    image.autoSize = autoSize;
}

}  // namespace kb::loader
