#include "testing/builders/demo_skin_win.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

#include "archive/ach_writer.h"
#include "loader/skin/tests/skin_fixture_win.h"

namespace kb::testing::disc {
namespace {

using kb::loader::testing::Bmp24;
using kb::loader::testing::WriteFileBytes;

constexpr uint32_t kNavy = 0x16324F, kNavyLight = 0x24507A, kBody = 0xF4F7FB, kInk = 0x16324F;
constexpr uint32_t kMagenta = 0xFF00FF;  // the button lists' transparent colour
constexpr char kFace[] = "Tahoma";

COLORREF Ref(uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

// 0xRRGGBB as a definition file's colour number ($BBGGRR).
std::string Def(uint32_t rgb) {
    char text[16];
    std::snprintf(text, sizeof text, "$%06X", static_cast<unsigned>(Ref(rgb)));
    return text;
}

uint32_t Mix(uint32_t a, uint32_t b, int num, int den) {
    uint32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int ca = static_cast<int>((a >> shift) & 0xFF), cb = static_cast<int>((b >> shift) & 0xFF);
        out |= static_cast<uint32_t>(ca + (cb - ca) * num / (den > 0 ? den : 1)) << shift;
    }
    return out;
}

// A picture drawn with the platform's drawing calls into a 32-bit DIB.
class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(nullptr);
        void* bits = nullptr;
        if (dc_) bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        bits_ = static_cast<const uint32_t*>(bits);
        if (bitmap_) old_ = SelectObject(dc_, bitmap_);
        if (dc_) SetBkMode(dc_, TRANSPARENT);
    }
    ~Canvas() {
        if (old_) SelectObject(dc_, old_);
        if (bitmap_) DeleteObject(bitmap_);
        if (dc_) DeleteDC(dc_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    bool ok() const { return bits_ != nullptr; }
    int width() const { return width_; }
    int height() const { return height_; }

    void Fill(int left, int top, int width, int height, uint32_t rgb) {
        const RECT r{left, top, left + width, top + height};
        HBRUSH brush = CreateSolidBrush(Ref(rgb));
        FillRect(dc_, &r, brush);
        DeleteObject(brush);
    }
    // From top colour to bottom colour, row by row.
    void Gradient(int left, int top, int width, int height, uint32_t from, uint32_t to) {
        for (int y = 0; y < height; ++y) Fill(left, top + y, width, 1, Mix(from, to, y, height - 1));
    }
    // Later drawing stays inside a rounded rectangle until Unclip.
    void ClipRound(int left, int top, int width, int height, int radius) {
        HRGN region = CreateRoundRectRgn(left, top, left + width + 1, top + height + 1, radius, radius);
        SelectClipRgn(dc_, region);
        DeleteObject(region);
    }
    void Unclip() { SelectClipRgn(dc_, nullptr); }
    void RoundOutline(int left, int top, int width, int height, int radius, uint32_t rgb) {
        HPEN pen = CreatePen(PS_SOLID, 1, Ref(rgb));
        HGDIOBJ oldPen = SelectObject(dc_, pen), oldBrush = SelectObject(dc_, GetStockObject(NULL_BRUSH));
        RoundRect(dc_, left, top, left + width, top + height, radius, radius);
        SelectObject(dc_, oldBrush);
        SelectObject(dc_, oldPen);
        DeleteObject(pen);
    }
    void Frame(int left, int top, int width, int height, uint32_t rgb) {
        Fill(left, top, width, 1, rgb);
        Fill(left, top + height - 1, width, 1, rgb);
        Fill(left, top, 1, height, rgb);
        Fill(left + width - 1, top, 1, height, rgb);
    }
    // format: DT_LEFT, DT_CENTER or DT_RIGHT; the text is centred vertically.
    void Text(int left, int top, int width, int height, const std::string& text, int pixels, bool bold, uint32_t rgb,
              UINT format = DT_LEFT) {
        HFONT font = CreateFontA(-pixels, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                                 CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH, kFace);
        HGDIOBJ old = SelectObject(dc_, font);
        SetTextColor(dc_, Ref(rgb));
        RECT r{left, top, left + width, top + height};
        DrawTextA(dc_, text.c_str(), static_cast<int>(text.size()), &r,
                  format | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
        SelectObject(dc_, old);
        DeleteObject(font);
    }

    std::string Bmp() const {
        GdiFlush();
        return Bmp24(width_, height_, [this](int x, int y) { return bits_[static_cast<size_t>(y) * width_ + x] & 0xFFFFFF; });
    }

private:
    int width_, height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    const uint32_t* bits_ = nullptr;
};

// The stored form of a window region: its data's byte count, then the data.
std::string RoundRegion(int width, int height, int radius) {
    HRGN region = CreateRoundRectRgn(0, 0, width + 1, height + 1, radius, radius);
    const DWORD size = region ? GetRegionData(region, 0, nullptr) : 0;
    std::string data(size, '\0');
    const bool ok = size > 0 && GetRegionData(region, size, reinterpret_cast<RGNDATA*>(data.data())) == size;
    if (region) DeleteObject(region);
    if (!ok) return {};
    std::string entry;
    for (int i = 0; i < 4; ++i) entry += static_cast<char>((size >> (8 * i)) & 0xFF);
    return entry + data;
}

using Entries = std::vector<std::pair<std::string, std::string>>;

enum class Look { Normal, Primary };

// A caption button's three images: up, pressed and disabled, on the
// transparent colour outside its rounded outline.
void AddButton(Entries& entries, const std::string& name, const std::string& caption, int width, int height, Look look) {
    struct State {
        const char* suffix;
        uint32_t top, bottom, ink, edge;
        int shift;
    };
    const State states[] = {
        look == Look::Primary ? State{"u", 0x4A90D9, 0x2A6AB0, 0xFFFFFF, kDemoButtonEdgeRgb, 0}
                              : State{"u", 0xFDFEFF, 0xC9D8E8, kInk, kDemoButtonEdgeRgb, 0},
        look == Look::Primary ? State{"d", 0x1F5590, 0x3A7CC0, 0xFFFFFF, kDemoButtonEdgeRgb, 1}
                              : State{"d", 0xA9BCD2, 0xD6E2EE, kInk, kDemoButtonEdgeRgb, 1},
        State{"x", 0xE4E6E8, 0xD2D5D8, 0x9A9EA3, 0xA8ACB0, 0},
    };
    for (const State& s : states) {
        Canvas c(width, height);
        if (!c.ok()) continue;
        c.Fill(0, 0, width, height, kMagenta);
        c.ClipRound(0, 0, width - 1, height - 1, 12);
        c.Gradient(0, 0, width, height, s.top, s.bottom);
        c.Unclip();
        c.RoundOutline(0, 0, width, height, 12, s.edge);
        c.Text(s.shift, s.shift, width, height, caption, 13, look == Look::Primary, s.ink, DT_CENTER);
        entries.push_back({name + s.suffix + ".bmp", c.Bmp()});
    }
}

// A session tab: image 0 is the session on view, image 1 the others.
void AddTab(Entries& entries, int number, int width, int height) {
    struct State {
        const char* suffix;
        uint32_t top, bottom, ink;
    };
    const State states[] = {{"u", 0xFFFFFF, 0xEEF3F8, kInk}, {"d", 0x3C6A9C, 0x2A5584, 0xDDE8F4}, {"x", 0x5A6B7D, 0x4D5D6E, 0x8C9AA8}};
    for (const State& s : states) {
        Canvas c(width, height);
        if (!c.ok()) continue;
        c.Fill(0, 0, width, height, kMagenta);
        c.ClipRound(0, 0, width - 1, height + 10, 10);
        c.Gradient(0, 0, width, height, s.top, s.bottom);
        c.Unclip();
        c.Text(0, 1, width, height, std::to_string(number), 13, true, s.ink, DT_CENTER);
        entries.push_back({"tab" + std::to_string(number) + s.suffix + ".bmp", c.Bmp()});
    }
}

// A dialog's background: a title band, a light body and the lines of its text.
// boxes: white fields with an outline, around the edits and bars the skin puts there.
std::string DialogBackground(int width, int height, const std::string& title, const std::vector<std::string>& lines,
                             const std::vector<RECT>& boxes = {}) {
    Canvas c(width, height);
    if (!c.ok()) return {};
    c.Fill(0, 0, width, height, kBody);
    c.Gradient(0, 0, width, 34, kNavyLight, kNavy);
    c.Text(16, 0, width - 32, 34, title, 15, true, 0xFFFFFF);
    for (size_t i = 0; i < lines.size(); ++i)
        c.Text(20, 40 + 18 * static_cast<int>(i), width - 40, 18, lines[i], 12, false, kInk);
    for (const RECT& b : boxes) {
        c.Fill(b.left, b.top, b.right - b.left, b.bottom - b.top, 0xFFFFFF);
        c.Frame(b.left, b.top, b.right - b.left, b.bottom - b.top, 0x7A95B3);
    }
    c.RoundOutline(0, 0, width, height, 14, kNavy);
    return c.Bmp();
}

std::string Page(int width, int height, const std::string& text) {
    Canvas c(width, height);
    if (!c.ok()) return {};
    c.Gradient(0, 0, width, height, 0xEEF3F8, 0xDCE6F0);
    if (!text.empty()) c.Text(0, 0, width, height, text, 16, false, kInk, DT_CENTER);
    return c.Bmp();
}

std::string Section(const char* name, const std::string& keys) { return std::string("[") + name + "]\r\n" + keys; }
std::string Rect(int left, int top, int width, int height) {
    return "Left=" + std::to_string(left) + "\r\nTop=" + std::to_string(top) + "\r\nWidth=" + std::to_string(width) +
           "\r\nHeight=" + std::to_string(height) + "\r\n";
}
std::string Colors(uint32_t back, uint32_t fore) { return "BgColor=" + Def(back) + "\r\nFgColor=" + Def(fore) + "\r\n"; }

// One button line: images <name>u and <name>d, drawn with the transparent
// colour, and the disabled image <name>x.
std::string ButtonLine(const std::string& name, int left, int top, int id) {
    return name + "u," + name + "d," + std::to_string(left) + "," + std::to_string(top) + ",1," + std::to_string(id) + "," +
           name + "x\r\n";
}

bool WriteArchive(const std::string& archive, const std::string& stage, const Entries& entries) {
    if (ark::CreateArchive(archive, static_cast<int>(entries.size())) != 0) return false;
    for (const auto& [name, bytes] : entries) {
        const std::string staged = stage + "\\" + name;
        if (bytes.empty() || !WriteFileBytes(staged, bytes) || ark::AddEntry(archive, staged, name.c_str()) != 0)
            return false;
        DeleteFileA(staged.c_str());
    }
    return true;
}

constexpr int kMainWidth = 720, kMainHeight = 520, kPageHeight = 356;
constexpr int kButtonWidth = 96, kButtonHeight = 32;

bool WriteReader(const std::string& skin, const std::string& stage) {
    Entries arc;
    std::string btn = Def(kMagenta) + "\r\n";

    // The main window: title band, the session tabs' row, the page, the button bar.
    {
        Canvas c(kMainWidth, kMainHeight);
        if (!c.ok()) return false;
        c.Gradient(0, 0, kMainWidth, kMainHeight, kNavyLight, kNavy);
        c.Text(20, 6, 400, 36, "Harbour Guide", 22, true, 0xFFFFFF);
        c.Text(300, 6, kMainWidth - 320, 36, "Choose a session, select its entries, press Export", 12, false, 0xBFD4EA,
               DT_RIGHT);
        c.Text(16, 56, 80, 24, "Sessions", 12, true, 0xDDE8F4);
        c.Gradient(0, kDemoPageTop + kPageHeight, kMainWidth, kMainHeight - kDemoPageTop - kPageHeight, 0x10263D, 0x0B1C2E);
        c.Fill(0, kDemoPageTop + kPageHeight, kMainWidth, 1, 0x4A78A8);
        c.RoundOutline(0, 0, kMainWidth, kMainHeight, 18, 0x0B1C2E);
        arc.push_back({"bg.bmp", c.Bmp()});
        arc.push_back({"bg.rgn", RoundRegion(kMainWidth, kMainHeight, 18)});
    }
    arc.push_back({"pview.bmp", Page(kMainWidth, kPageHeight, "")});
    arc.push_back({"pwork.bmp", Page(kMainWidth, kPageHeight, "Reading the disc...")});
    arc.push_back({"pinit.bmp", Page(kMainWidth, kPageHeight, "This disc holds no sessions.")});
    const int barTop = kDemoPageTop + kPageHeight + 24;
    AddButton(arc, "quit", "Quit", kButtonWidth, kButtonHeight, Look::Normal);
    btn += ButtonLine("quit", 16, barTop, 10);
    AddButton(arc, "export", "Export", kButtonWidth, kButtonHeight, Look::Primary);
    btn += ButtonLine("export", kMainWidth - 16 - kButtonWidth, barTop, 11);
    AddButton(arc, "write", "Write", kButtonWidth, kButtonHeight, Look::Normal);
    btn += ButtonLine("write", 124, barTop, 121);
    for (int n = 1; n <= 20; ++n) {
        AddTab(arc, n, 28, 26);
        btn += "tab" + std::to_string(n) + "u,tab" + std::to_string(n) + "d," + std::to_string(96 + 30 * (n - 1)) +
               ",58,1," + std::to_string(100 + n) + ",tab" + std::to_string(n) + "x\r\n";
    }

    // The password question: the prompt is part of its background, the edit in a drawn box.
    constexpr int kPwWidth = 360, kPwHeight = 160;
    arc.push_back({"rpbg.bmp", DialogBackground(kPwWidth, kPwHeight, "Password",
                                                {"Enter the disc password to export the selected files."},
                                                {RECT{20, 70, 340, 96}})});
    arc.push_back({"rpbg.rgn", RoundRegion(kPwWidth, kPwHeight, 14)});
    AddButton(arc, "ok", "OK", 92, kButtonHeight, Look::Primary);
    btn += ButtonLine("ok", 152, 112, 20);
    AddButton(arc, "cancel", "Cancel", 92, kButtonHeight, Look::Normal);
    btn += ButtonLine("cancel", 252, 112, 21);

    // The progress window.
    constexpr int kPrWidth = 420, kPrHeight = 132;
    arc.push_back({"rsbg.bmp", DialogBackground(kPrWidth, kPrHeight, "Exporting", {},
                                                {RECT{kDemoBarLeft - 1, kDemoBarTop - 1, kDemoBarLeft + kDemoBarWidth + 1,
                                                      kDemoBarTop + kDemoBarHeight + 1}})});
    arc.push_back({"rsbg.rgn", RoundRegion(kPrWidth, kPrHeight, 14)});
    btn += ButtonLine("cancel", 312, 82, 30);

    // The overwrite question: more files to come, the last file, a read-only file.
    constexpr int kOwWidth = 460, kOwHeight = 180;
    arc.push_back({"rwbg.bmp", DialogBackground(kOwWidth, kOwHeight, "Overwrite?",
                                                {"A file of this name is already in the destination folder:"})});
    arc.push_back({"rwbg2.bmp", DialogBackground(kOwWidth, kOwHeight, "Overwrite?",
                                                 {"The file of this name in the destination folder is read-only.",
                                                  "Replace it all the same?"})});
    arc.push_back({"rwbg.rgn", RoundRegion(kOwWidth, kOwHeight, 14)});
    AddButton(arc, "yes", "Yes", kButtonWidth, kButtonHeight, Look::Primary);
    AddButton(arc, "yesall", "Yes to all", kButtonWidth, kButtonHeight, Look::Normal);
    AddButton(arc, "no", "No", kButtonWidth, kButtonHeight, Look::Normal);
    const int owTop = 132;
    btn += ButtonLine("yes", 20, owTop, 40) + ButtonLine("yesall", 128, owTop, 41) + ButtonLine("no", 236, owTop, 42) +
           ButtonLine("cancel", 344, owTop, 43) + ButtonLine("yes", 236, owTop, 44) + ButtonLine("no", 344, owTop, 45);

    const std::string def =
        Section("RmBg", "Name=bg\r\nRegion=bg\r\nMove=1\r\n") +
        Section("RmPageView", "Name=pview\r\n" + Rect(0, kDemoPageTop, kMainWidth, kPageHeight)) +
        Section("RmPageWork", "Name=pwork\r\n" + Rect(0, kDemoPageTop, kMainWidth, kPageHeight)) +
        Section("RmPageInit", "Name=pinit\r\n" + Rect(0, kDemoPageTop, kMainWidth, kPageHeight)) +
        Section("RmVolume", Rect(18, 6, 300, 16) + Colors(0xEEF3F8, kInk)) +
        Section("RmSize", Rect(446, 6, 250, 16) + Colors(0xEEF3F8, kInk)) +
        Section("RmStatus", Rect(260, barTop + 9, 330, 16) + Colors(kNavy, 0xDDE8F4)) +
        Section("RmListView", Rect(16, 26, 420, 318)) + Section("RmTreeView", Rect(444, 26, 260, 318)) +
        Section("RpBg", "Name=rpbg\r\nRegion=rpbg\r\nMove=1\r\n") +
        Section("RpPassword", Rect(26, 74, 308, 18) + Colors(0xFFFFFF, 0x000000)) +
        Section("RsBg", "Name=rsbg\r\nRegion=rsbg\r\nMove=1\r\n") +
        Section("RsFileName", Rect(20, 42, 380, 36) + Colors(kBody, kInk)) +
        Section("RsBar", Rect(kDemoBarLeft, kDemoBarTop, kDemoBarWidth, kDemoBarHeight) +
                             Colors(kDemoBarBackRgb, kDemoBarRgb) + "FontColor=" + Def(0x0B1C2E) + "\r\n") +
        Section("RwBg", "Name=rwbg\r\nRegion=rwbg\r\nMove=1\r\n") + Section("RwBg2", "Name=rwbg2\r\n") +
        Section("RwFileName", Rect(20, 64, 420, 52) + Colors(kBody, kInk));

    return WriteFileBytes(skin + "\\Reader.def", def) && WriteFileBytes(skin + "\\Reader.btn", btn) &&
           WriteArchive(skin + "\\Reader.arc", stage, arc);
}

// The skinned message box: eight frame pieces, a tiled body and one OK button.
bool WriteCommon(const std::string& skin, const std::string& stage) {
    constexpr int kFrame = 10;
    // Colour by the distance from the window's outer edge.
    auto band = [](int d) -> uint32_t { return d < 2 ? kNavy : d < 8 ? 0x2F5A8A : 0xC9D8E8; };
    struct Piece {
        const char* name;
        bool left, right, top, bottom;
    };
    const Piece pieces[] = {{"CdTop", false, false, true, false},     {"CdBottom", false, false, false, true},
                            {"CdLeft", true, false, false, false},    {"CdRight", false, true, false, false},
                            {"CdLeftTop", true, false, true, false},  {"CdRightTop", false, true, true, false},
                            {"CdLeftBottom", true, false, false, true}, {"CdRightBottom", false, true, false, true}};
    Entries arc;
    std::string def = Section("CdBg", "Name=cdbg\r\n") + Section("CdFrame", "Width=10\r\nHeight=10\r\n");
    for (const Piece& p : pieces) {
        arc.push_back({std::string(p.name) + ".bmp", Bmp24(kFrame, kFrame, [&](int x, int y) {
                           int d = kFrame;
                           if (p.left) d = std::min(d, x);
                           if (p.right) d = std::min(d, kFrame - 1 - x);
                           if (p.top) d = std::min(d, y);
                           if (p.bottom) d = std::min(d, kFrame - 1 - y);
                           return band(d);
                       })});
        def += Section(p.name, std::string("Name=") + p.name + "\r\n");
    }
    arc.push_back({"cdbg.bmp", Bmp24(32, 32, [](int, int) { return kBody; })});
    def += Section("CdText", Colors(kBody, kInk));
    AddButton(arc, "ok", "OK", 92, kButtonHeight, Look::Primary);
    return WriteFileBytes(skin + "\\Common.def", def) &&
           WriteFileBytes(skin + "\\Common.btn", Def(kMagenta) + "\r\n" + ButtonLine("ok", 0, 0, 200)) &&
           WriteArchive(skin + "\\Common.arc", stage, arc);
}

}  // namespace

bool WriteDemoSkin(const std::string& skinFolder, const std::string& stageFolder) {
    return WriteReader(skinFolder, stageFolder) && WriteCommon(skinFolder, stageFolder);
}

}  // namespace kb::testing::disc
