// The launcher's main dialog (template 102). It forwards its init, timers,
// Run click, close requests and the hand-off message to LauncherSequencer and
// gives the sequencer its platform: the system checks of WinSystemPlatform,
// the work folder, disc and program starts, and its own window.
#pragma once

#include <windows.h>

#include "launcher/sequencer.h"
#include "launcher/win/platform_win.h"
#include "launcher/win/about_dlg_win.h"
#include "launcher/win/splash_win.h"
#include "shared/messages.h"
#include "shared/win/dialog.h"

namespace kb::launcher {

// The system menu's about item.
constexpr UINT IDM_ABOUTBOX = 16;

class CDremlinDlg final : public kb::win::Dialog, private WinSystemPlatform {
public:
    CDremlinDlg();
    INT_PTR DoModal();

    const LauncherSequencer& sequencer() const { return sequencer_; }

protected:
    bool OnInitDialog() override;
    void OnTimer(UINT_PTR id) override;
    bool OnCommand(int id, int code, HWND control) override;
    void OnOK() override {}
    void OnCancel() override { sequencer_.OnCloseRequest(); }
    bool PreTranslateMessage(MSG& msg) override;
    bool OnMessage(UINT message, WPARAM wp, LPARAM lp, INT_PTR& result) override;

private:
    // --- LauncherPlatform, beyond the system checks
    std::optional<std::string> ModulePath() override;
    uint16_t UserDefaultLangId() override;
    std::vector<char> CdRomDrives() override;
    bool ExtractArchive(const std::string& archiveServerPath, const std::string& archivePath,
                        const std::string& destination) override;
    void DeleteFolderTree(const std::string& folder) override;
    DiscFacts GatherDiscFacts(char drive, const DiscQuestions& questions) override;
    std::optional<int> CheckEnvironment(const std::string& dllPath, const DriverRequestBytes& record) override;
    void ShowDriverDownload(const std::string& text, const std::string& url) override;
    bool ShellOpen(const ShellStart& start) override;
    int64_t OwnerWindow() override;
    void ShowError(const std::string& text) override;
    void SetTimer(unsigned id, unsigned milliseconds) override;
    void KillTimer(unsigned id) override;
    bool ShowSplash(const std::string& settingsPath, const std::string& prepareText,
                    const std::string& failText) override;
    void DestroySplash() override;
    void SetDialogTexts(const std::string& comment, const std::string& runButton) override;
    void SetDriveList(const std::vector<char>& drives) override;
    char SelectedDrive() override;
    void MoveCommentControl(const ControlRect& rect) override;
    void RevealDialog() override;
    void EnableControls(bool enable) override;
    void EnableCloseItem() override;
    void EndDialog() override;
    void DestroyDialog() override;

    void EnableCloseMenuItem(bool enable);

    LauncherSequencer sequencer_;
    HICON m_hIcon = nullptr;
    RECT m_rcWindow{};
    std::unique_ptr<CSplashDlg> m_dlgSplash;
};

// The application: runs the main dialog modally and ends with it.
class CDremlinApp {
public:
    bool InitInstance();
};

}  // namespace kb::launcher
