// A static control drawn as an underlined address that changes colour under
// the mouse and opens the address through the shell when clicked.
#pragma once

#include <windows.h>

#include <string>

namespace kb::launcher {

// Drawing constants of the link.
inline constexpr char kLinkFace[] = "\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E";  // "ＭＳ Ｐゴシック"
inline constexpr int kLinkPoints = 9;
inline constexpr COLORREF kLinkNormalColor = 0xFF0000;  // blue
inline constexpr COLORREF kLinkHoverColor = 0x0064FF;   // orange-red

class CLinkStatic {
public:
    CLinkStatic();
    ~CLinkStatic();
    CLinkStatic(const CLinkStatic&) = delete;
    CLinkStatic& operator=(const CLinkStatic&) = delete;

    // Takes over the static control's messages while it lives.
    void Attach(HWND control);
    void Detach();
    // The address as its 260-byte buffer keeps it (cut double-byte aware).
    void SetUrl(const std::string& url);
    const std::string& Url() const { return url_; }

    void DrawNormal() { DrawLink(kLinkNormalColor, 0); }
    void DrawHover() { DrawLink(kLinkHoverColor, 1); }
    int Hover() const { return hover_; }
    HWND Handle() const { return control_; }

    // The link's font for a device of logPixelsY dots per inch.
    static HFONT MakeFont(int logPixelsY);

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wp, LPARAM lp);
    LRESULT Handle(UINT message, WPARAM wp, LPARAM lp);
    void DrawLink(COLORREF color, int hover);
    void Open();

    HWND control_ = nullptr;
    WNDPROC previous_ = nullptr;
    std::string url_;
    int hover_ = 0;
    HCURSOR handCursor_ = nullptr;
};

}  // namespace kb::launcher
