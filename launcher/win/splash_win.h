// The splash window: a borderless window cut to the settings file's region,
// its bitmap stretched over it and one line of bold text on top, painted
// through a back buffer from a small list of drawing items.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "launcher/edition.h"
#include "launcher/splash.h"
#include "shared/win/handles.h"

namespace kb::launcher {

class CDrawItem {
public:
    explicit CDrawItem(HWND owner) : owner_(owner) {}
    virtual ~CDrawItem() = default;
    CDrawItem(const CDrawItem&) = delete;
    CDrawItem& operator=(const CDrawItem&) = delete;

    virtual void Redraw() { InvalidateDirty(); }
    virtual void Draw(HDC /*dc*/) {}

    void SetBounds(int x, int y, int width, int height);
    void UnionDirtyRect();
    // Invalidates what the item drew, without erasing, and paints at once
    // when a paint is the next message waiting.
    void InvalidateDirty();

    int id = 0;
    int x = 0, y = 0, width = 64, height = 64;
    bool visible = true;
    RECT dirty{0x7FFF, 0x7FFF, -0x8000, -0x8000};

protected:
    HWND owner_;
};

class CDibBitmap final : public CDrawItem {
public:
    using CDrawItem::CDrawItem;
    // True once the file was read and its picture decoded; a file that cannot
    // be opened or does not pass the checks leaves the item without picture.
    bool LoadBmp(const std::string& path);
    void Draw(HDC dc) override;
    bool Loaded() const { return !picture_.Empty(); }

    bool stretch = false;
    bool autoSize = true;

private:
    kb::image::Bitmap picture_;
};

class CCharsetFont {
public:
    std::string charsetName = kDefaultCharsetName;
    std::string faceName = kDefaultFontFace;
    int size = 9;
    COLORREF color = 0;
    bool bold = false, italic = false, underline = false;

    BYTE CharsetFromName() const;
    // A new font the caller deletes.
    HFONT MakeFont() const;
};

class CTextItem final : public CDrawItem {
public:
    using CDrawItem::CDrawItem;
    // Draws on the owner at once, then as every item does.
    void Redraw() override;
    void Draw(HDC dc) override;

    std::string text;
    TextAlign align = TextAlign::Left;
    bool transparent = true;
    CCharsetFont font;
};

class CSplashImage {
public:
    explicit CSplashImage(HWND owner) : owner_(owner) {}
    virtual ~CSplashImage() = default;
    CSplashImage(const CSplashImage&) = delete;
    CSplashImage& operator=(const CSplashImage&) = delete;

    // Null once the image holds kMaxDrawItems items.
    CDibBitmap* AddBitmapItem();
    CTextItem* AddTextItem();
    // True when every byte of an existing file was read; the window takes the
    // region only when its data pass the checks.
    bool LoadRegionFile(const std::string& path);
    void ApplyRegion(const std::vector<std::uint8_t>& data);
    void Paint();

    std::size_t ItemCount() const { return items_.size(); }
    bool HasRegion() const { return windowHasRegion_; }

private:
    template <class Item>
    Item* Add();

    HWND owner_;
    std::vector<std::unique_ptr<CDrawItem>> items_;
    int nextId_ = 0;
    // A region given to the window is the window's: it is never deleted here.
    bool windowHasRegion_ = false;
    kb::win::ScopedMemoryDc backDc_;
    kb::win::ScopedBitmap backBitmap_;
    bool doubleBuffer_ = true;
};

// The modeless splash window from template 129.
class CSplashDlg {
public:
    explicit CSplashDlg(HWND parent) : parent_(parent) {}
    ~CSplashDlg();
    CSplashDlg(const CSplashDlg&) = delete;
    CSplashDlg& operator=(const CSplashDlg&) = delete;

    void SetIniPath(const std::string& path) { iniPath_ = path; }
    void SetPrepareText(const std::string& text) { prepareText_ = text; }
    void SetFailText(const std::string& text) { failText_ = text; }

    // Creates the window hidden with zero size; it lays itself out 100 ms later.
    bool Create();
    void Destroy();
    HWND Handle() const { return window_; }
    const CSplashImage* Image() const { return image_.get(); }

private:
    static INT_PTR CALLBACK Proc(HWND window, UINT message, WPARAM wp, LPARAM lp);
    INT_PTR Handle(UINT message, WPARAM wp, LPARAM lp);
    bool OnInitDialog();
    bool LayoutSplash();

    HWND parent_;
    HWND window_ = nullptr;
    std::string iniPath_, prepareText_, failText_;
    SplashSettings settings_;
    std::unique_ptr<CSplashImage> image_;
    CTextItem* textItem_ = nullptr;
};

// What the launcher's ShowSplash does with its splash object: hand it the
// three texts, create it with the main dialog as parent, centre it on the
// main dialog and show it. False when the window cannot be created.
bool ShowSplashWindow(CSplashDlg& splash, HWND mainDialog, const std::string& settingsPath,
                      const std::string& prepareText, const std::string& failText);

}  // namespace kb::launcher
