#include "loader/dialogs/win/dialogs_win.h"

#include "loader/dialogs/message_box_layout.h"
#include "loader/skin/win/application.h"

namespace kb::loader {

namespace {

kb::win::FontSpec FormFont(const SkinFontSettings& fonts) {
    kb::win::FontSpec spec;
    spec.face = fonts.name;
    spec.charset = fonts.charset;
    spec.points = fonts.size;
    return spec;
}

Bounds OwnerBounds(const ui::Form* owner) {
    if (owner) return {owner->Left(), owner->Top(), owner->Width(), owner->Height()};
    return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

void CentreForm(ui::Form& form, const ui::Form* owner) {
    const Point p = CentreOnOwner(OwnerBounds(owner), {form.Width(), form.Height()});
    form.SetBounds(p.x, p.y, form.Width(), form.Height());
}

HWND OwnerHandle(const ui::Form* owner) { return owner ? owner->Handle() : nullptr; }

int IdOf(ui::Control& sender) {
    auto* button = dynamic_cast<TCImageButton*>(&sender);
    return button ? button->ButtonId() : 0;
}

void ShowButton(TSkin& skin, int id, bool visible) {
    if (TCImageButton* b = skin.GetButton(id)) b->SetVisible(visible);
}

std::string Message(const DialogContext& context, int n) {
    return context.messages ? context.messages(n) : std::string();
}

}  // namespace

DialogContext ProgramDialogContext(ui::Form* owner, MessageText messages) {
    return DialogContext{owner, std::move(messages), ProgramSkinFiles(), SkinFonts()};
}

// ---- TfrmProgress ----

TfrmProgress::TfrmProgress(const DialogContext& context) : ui::Form("TfrmProgress") {
    SetBounds(0, 0, 500, 107);
    Create(OwnerHandle(context.owner), true);
    SetCaption(Message(context, kMsgProgressCaption));
    imgBg_.SetParent(this);
    ggBar_.SetParent(this);
    ggBar_.SetBounds(8, 60, 484, 16);
    memMessage_.SetBounds(8, 8, 484, 40);
    memMessage_.Create(*this);
    memMessage_.SetFont(FormFont(context.fonts));
    skin_ = std::make_unique<TSkin>(*this, imgBg_, "Rs", true, context.files, context.fonts);
    skin_->SetMemo(memMessage_, "RsFileName");
    skin_->SetGauge(ggBar_, "RsBar");
    skin_->SetButtonEvents(nullptr, nullptr, [this](ui::Control& sender) { CancelClick(sender); });
    ShowButton(*skin_, kBtnProgressCancel, true);
    CentreForm(*this, context.owner);
    // Only the owner ends the window.
    onCloseQuery = [](ui::Form&) { return false; };
}

TfrmProgress::~TfrmProgress() { skin_.reset(); }

void TfrmProgress::SetMessageText(const std::string& text) { memMessage_.Native().SetText(text); }

void TfrmProgress::SetProgress(int percent) { ggBar_.SetProgress(GaugePosition(percent)); }

void TfrmProgress::SetCancelVisible(bool visible) {
    TCImageButton* b = skin_->GetButton(kBtnProgressCancel);
    if (!b) return;
    if (const std::optional<bool> v = cancel_.SetVisible(visible, b->Visible())) b->SetVisible(*v);
}

void TfrmProgress::CancelClick(ui::Control& sender) {
    if (!cancel_.Click(IdOf(sender))) return;
    if (notifyWindow_) PostMessageA(notifyWindow_, WM_LOADER_CANCEL, 0, 0);
    ShowButton(*skin_, kBtnProgressCancel, false);
}

// ---- TfrmGrpDlg ----

TfrmGrpDlg::TfrmGrpDlg(const DialogContext& context) : ui::Form("TfrmGrpDlg"), context_(context) {
    // Shows only when the skin has no background.
    SetBounds(0, 0, 300, 150);
    Create(OwnerHandle(context.owner), true);
    keyPreview = true;
    SetCaption(ui::App().Title());
    memMsg_.SetVisible(false);
    memMsg_.SetBounds(kMessageOffScreen, 0, kMessageWrapWidth, 100);
    memMsg_.Create(*this);
    memMsg_.SetFont(FormFont(context.fonts));
    for (ui::Image* image : {&imgBg_, &imgTop_, &imgBottom_, &imgLeft_, &imgRight_, &imgLeftTop_, &imgRightTop_,
                             &imgLeftBottom_, &imgRightBottom_})
        image->SetParent(this);
    for (ui::Image* edge : {&imgTop_, &imgBottom_, &imgLeft_, &imgRight_}) edge->stretch = true;
    skin_ = std::make_unique<TSkin>(*this, imgBg_, kMessageBoxPrefix, true, context.files, context.fonts);
    skin_->SetImagePart(imgTop_, "CdTop");
    skin_->SetImagePart(imgBottom_, "CdBottom");
    skin_->SetImagePart(imgLeft_, "CdLeft");
    skin_->SetImagePart(imgRight_, "CdRight");
    skin_->SetImagePart(imgLeftTop_, "CdLeftTop");
    skin_->SetImagePart(imgRightTop_, "CdRightTop");
    skin_->SetImagePart(imgLeftBottom_, "CdLeftBottom");
    skin_->SetImagePart(imgRightBottom_, "CdRightBottom");
    skin_->SetButtonEvents(nullptr, nullptr, [this](ui::Control& sender) {
        if (IdOf(sender) == kBtnMessageOk) SetModalResult(kModalAbort);
    });
    onShow = [this](ui::Form&) {
        keys_.Reset();
        Layout();
        MessageBeep(MB_ICONASTERISK);
    };
    onKeyDown = [this](ui::Form&, WORD& key, unsigned) { keys_.KeyDown(static_cast<uint8_t>(key)); };
    // Only an Enter pressed while the box is shown closes it.
    onKeyUp = [this](ui::Form&, WORD& key, unsigned) {
        if (keys_.KeyUp(static_cast<uint8_t>(key)) && key == kKeyEnter) SetModalResult(kModalAbort);
    };
}

TfrmGrpDlg::~TfrmGrpDlg() {
    lineLabels_.clear();
    skin_.reset();
}

void TfrmGrpDlg::SetMessage(const std::string& text) {
    messageText_ = text;
    memMsg_.Native().SetText(text);
}

void TfrmGrpDlg::SetButtons(int flags) {
    if (MessageBoxShowsOk(flags)) ShowButton(*skin_, kBtnMessageOk, true);
}

std::vector<std::string> TfrmGrpDlg::MemoLines() const {
    HWND w = memMsg_.WindowHandle();
    std::vector<std::string> lines;
    if (!w) return lines;
    const int count = static_cast<int>(SendMessageA(w, EM_GETLINECOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        const LRESULT start = SendMessageA(w, EM_LINEINDEX, static_cast<WPARAM>(i), 0);
        const int length = start < 0 ? 0 : static_cast<int>(SendMessageA(w, EM_LINELENGTH, static_cast<WPARAM>(start), 0));
        std::string line(static_cast<size_t>(length) + sizeof(WORD), '\0');
        // EM_GETLINE takes the buffer's size in its first word.
        *reinterpret_cast<WORD*>(line.data()) = static_cast<WORD>(line.size());
        const int got = length > 0 ? static_cast<int>(SendMessageA(w, EM_GETLINE, static_cast<WPARAM>(i),
                                                                   reinterpret_cast<LPARAM>(line.data())))
                                   : 0;
        line.resize(static_cast<size_t>(got < 0 ? 0 : got));
        lines.push_back(std::move(line));
    }
    return MessageLines(std::move(lines));
}

void TfrmGrpDlg::Layout() {
    lineLabels_.clear();
    MessageBoxInput in;
    auto size = [](const ui::Control& c) { return Size{c.Width(), c.Height()}; };
    in.frame = {size(imgTop_),     size(imgBottom_),   size(imgLeft_),       size(imgRight_),
                size(imgLeftTop_), size(imgRightTop_), size(imgLeftBottom_), size(imgRightBottom_)};
    const COLORREF textColor = static_cast<COLORREF>(skin_->GetColor("CdText", 0));
    for (const std::string& line : MemoLines()) {
        auto label = std::make_unique<ui::Label>(this);
        label->SetTransparent(true);
        label->SetAutoSize(true);
        label->SetFont(FormFont(context_.fonts));
        label->SetFontColor(textColor);
        label->SetCaption(line);
        in.lines.push_back(size(*label));
        lineLabels_.push_back(std::move(label));
    }
    TCImageButton* ok = skin_->GetButton(kBtnMessageOk);
    if (ok) in.button = size(*ok);
    in.owner = OwnerBounds(context_.owner);
    const MessageBoxLayout out = LayoutMessageBox(in);

    SetBounds(out.form.x, out.form.y, out.client.width, out.client.height);
    for (size_t i = 0; i < lineLabels_.size() && i < out.labels.size(); ++i) {
        ui::Label& l = *lineLabels_[i];
        l.SetBounds(out.labels[i].x, out.labels[i].y, l.Width(), l.Height());
        l.SetVisible(true);
    }
    if (ok) ok->SetBounds(out.button.x, out.button.y, ok->Width(), ok->Height());
    imgBg_.SetBounds(out.background.left, out.background.top, out.background.width, out.background.height);
    skin_->RetileBackground(imgBg_);
    auto place = [](ui::Image& image, const Bounds& b) {
        image.SetBounds(b.left, b.top, b.width, b.height);
        image.SetVisible(true);
    };
    place(imgTop_, out.top);
    place(imgBottom_, out.bottom);
    place(imgLeft_, out.left);
    place(imgRight_, out.right);
    auto corner = [](ui::Image& image, Point p) {
        image.SetBounds(p.x, p.y, image.Width(), image.Height());
        image.SetVisible(true);
    };
    corner(imgLeftTop_, out.leftTop);
    corner(imgRightTop_, out.rightTop);
    corner(imgLeftBottom_, out.leftBottom);
    corner(imgRightBottom_, out.rightBottom);
}

void ShowSkinnedMessage(const DialogContext& context, const std::string& text) {
    TfrmGrpDlg box(context);
    box.SetMessage(text);
    box.SetButtons(1);
    box.ShowModal();
}

// ---- TfrmPassword ----

TfrmPassword::TfrmPassword(const DialogContext& context) : ui::Form("TfrmPassword"), context_(context) {
    SetBounds(0, 0, 204, 92);
    Create(OwnerHandle(context.owner), false);
    keyPreview = true;
    SetCaption(Message(context, kMsgPasswordCaption));
    imgBg_.SetParent(this);
    edtPassword_.SetBounds(8, 8, 188, 20);
    edtPassword_.Create(*this);
    skin_ = std::make_unique<TSkin>(*this, imgBg_, "Rp", true, context.files, context.fonts);
    skin_->SetEdit(edtPassword_, "RpPassword");
    skin_->SetButtonEvents(nullptr, nullptr, [this](ui::Control& sender) { ButtonClick(sender); });
    ShowButton(*skin_, kBtnPasswordOk, true);
    ShowButton(*skin_, kBtnPasswordCancel, true);
    CentreForm(*this, context.owner);
    onShow = [this](ui::Form&) {
        firstKeyUp_.Reset();
        if (edtPassword_.WindowHandle()) SetFocus(edtPassword_.WindowHandle());
    };
    // The edit's key-ups only: the first one after showing belongs to the
    // key that led here.
    onKeyUp = [this](ui::Form&, WORD& key, unsigned) {
        if (!edtPassword_.WindowHandle() || GetFocus() != edtPassword_.WindowHandle()) return;
        if (!firstKeyUp_.KeyUp()) return;
        if (key == kKeyEnter)
            CheckEntry();
        else if (key == kKeyEscape)
            SetModalResult(kModalCancel);
    };
}

TfrmPassword::~TfrmPassword() { skin_.reset(); }

void TfrmPassword::ButtonClick(ui::Control& sender) {
    const int id = IdOf(sender);
    if (id == kBtnPasswordOk)
        CheckEntry();
    else if (id == kBtnPasswordCancel)
        SetModalResult(kModalCancel);
}

void TfrmPassword::CheckEntry() {
    const PasswordCheck check = CheckPassword(edtPassword_.Native().Text(), expectedPassword, wrongCount);
    if (check.showWrongMessage) {
        DialogContext onThis = context_;
        onThis.owner = this;
        ShowSkinnedMessage(onThis, Message(context_, kMsgWrongPassword));
    }
    if (check.clearEntry) edtPassword_.Native().SetText("");
    if (check.showGiveUpMessage)
        MessageBoxA(Handle(), Message(context_, kMsgPasswordGiveUp).c_str(), ui::App().Title().c_str(), MB_OK);
    if (check.modalResult != kModalNone) SetModalResult(check.modalResult);
    else if (edtPassword_.WindowHandle()) SetFocus(edtPassword_.WindowHandle());
}

// ---- TfrmOverWrite ----

TfrmOverWrite::TfrmOverWrite(const DialogContext& context) : ui::Form("TfrmOverWrite") {
    SetBounds(0, 0, 480, 150);
    Create(OwnerHandle(context.owner), true);
    keyPreview = true;
    SetCaption(Message(context, kMsgOverwriteCaption));
    imgBg_.SetParent(this);
    memFileName_.SetBounds(8, 8, 464, 60);
    memFileName_.Create(*this);
    skin_ = std::make_unique<TSkin>(*this, imgBg_, "Rw", true, context.files, context.fonts);
    skin_->SetMemo(memFileName_, "RwFileName");
    skin_->SetButtonEvents(nullptr, nullptr, [this](ui::Control& sender) { ButtonClick(sender); });
    CentreForm(*this, context.owner);
    onShow = [this](ui::Form&) { keys_.Reset(); };
    onKeyDown = [this](ui::Form&, WORD& key, unsigned) { keys_.KeyDown(static_cast<uint8_t>(key)); };
    // A key released here that was pressed before the question appeared (the
    // Enter that confirmed the previous step) answers nothing.
    onKeyUp = [this](ui::Form&, WORD& key, unsigned) {
        if (!keys_.KeyUp(static_cast<uint8_t>(key))) return;
        if (key == kKeyEnter && enterResult_ != kModalNone)
            SetModalResult(enterResult_);
        else if (key == kKeyEscape && escResult_ != kModalNone)
            SetModalResult(escResult_);
    };
}

TfrmOverWrite::~TfrmOverWrite() { skin_.reset(); }

void TfrmOverWrite::SetFileName(const std::string& text) { memFileName_.Native().SetText(text); }

void TfrmOverWrite::SetMode(int mode) {
    const std::optional<OverwriteMode> m = OverwriteModeFor(mode);
    if (!m) return;
    skin_->SetButtonGroup("Rw", m->buttonGroup);
    enterResult_ = m->enterResult;
    escResult_ = m->escResult;
    if (m->secondBackground) skin_->LoadBackground(imgBg_, "RwBg2");
    if (m->hideFileName) memFileName_.SetVisible(false);
}

void TfrmOverWrite::ButtonClick(ui::Control& sender) {
    const int result = OverwriteButtonResult(IdOf(sender));
    if (result != kModalNone) SetModalResult(result);
}

}  // namespace kb::loader
