#pragma once
// SDIDecFrame: the main window, a decorated frame (menu 100, tool bar, playback bar,
// status bar) around the client window TClient. It routes the client's commands to it,
// handles the program's own commands, carries accelerator table 100, the pop-up menu, the
// tray icon, the state icons, always-on-top, minimizing to the tray and the global hot
// keys, and saves the settings when it closes.
#include "app/ControlBar.h"
#include "app/RecentFiles.h"
#include "capture/TClient.h"
#include "capture/WxDesktopServices.h"
#include "resources/ui/Messages.h"

#include <functional>
#include <memory>
#include <vector>
#include <wx/frame.h>
#include <wx/timer.h>

class wxBoxSizer;

namespace tess {

class TPrefSheet;
class TTrayWin;
class X11HotKeys;
class PortalShortcuts;
class ControlService;
struct PrefContext;

class SDIDecFrame : public wxFrame {
public:
    // The client window takes `desktop` (which outlives the frame) and `hooks`.
    explicit SDIDecFrame(DesktopServices& desktop, bool startMinimized = false,
                         ClientHooks hooks = {});
    ~SDIDecFrame() override;

    // The frame's set-up once it is shown: tray icon, frame settings, the start-minimized
    // flag.
    void SetUp();
    // Answers `tessaray --control` through the session bus (the window program only; the
    // requests go to the client, TClient::Control).
    void AnswerControlRequests();
    // Always on top, the tray icon, minimize-to-tray and the hot keys from the settings.
    void ApplyFrameSettings();
    // Registers Key1..Key4 as hot keys 0..3 (any earlier registration is dropped).
    // Returns how many were registered.
    int RegisterHotKeys();
    // What the HotKey page says about hot keys in this session ("" in an X11 session).
    std::string HotKeyNote() const;
    // "Preferences..." and "Change effects...": run the "Options" / "Capture Effects
    // Options" sheet on the global settings.
    void CmPreferences();
    void CmEffectsOptions();
    // What the sheets edit: the global settings, the live schedule, the hot-key probe.
    PrefContext OptionsContext();
    // After a sheet closed: on OK the settings are applied to the frame and the pages'
    // messages shown. After the "Options" sheet (`options`) every group is written to the
    // ini file "tessaray.ini" of the profile directory, and on OK to the default store too.
    void OptionsClosed(const TPrefSheet& sheet, bool ok, bool options);
    // Hides the frame to the tray (message 1145) / brings it back. Where no tray is there
    // to show the icon, the frame is minimized as an ordinary window instead.
    void HideToTray();
    void RestoreFromTray();

    TClient* client() const { return client_; }
    TTrayWin* tray() const { return tray_; }
    const ToolBarGadgets& toolBar() const { return tools_; }
    const PlaybackBarGadgets& playbackBar() const { return playback_; }
    bool playbackBarShown() const { return playback_.bar != nullptr; }
    void ShowPlaybackBar(bool show);
    // The large / small / tray icon ids now shown.
    int largeIconId() const { return largeIcon_; }
    int smallIconId() const { return smallIcon_; }
    // The place and size the frame has when it is neither minimized nor maximized.
    wxRect NormalRect() const;

    // The recently-used file list and its File-menu entries (ids wxID_FILE1..6, placed
    // before the last separator and "E&xit").
    RecentFiles& recentFiles() { return recent_; }
    void AddRecentFile(const std::string& path);
    void UpdateRecentFilesMenu();

protected:
    bool TryBefore(wxEvent& event) override;

private:
    void OnClose(wxCloseEvent& e);
    void OnMessage(PrivateMessageEvent& e);
    void OnMove(wxMoveEvent& e);
    void OnSize(wxSizeEvent& e);
    void OnIconize(wxIconizeEvent& e);
    void OnAppCommand(wxCommandEvent& e);
    void OnContextMenu(wxContextMenuEvent& e);
    void OnHotKeyTimer(wxTimerEvent& e);
    void OnRecentFile(wxCommandEvent& e);
    void UpdateStateIcons(CaptureState state);
    void SyncBars();
    void RememberNormalRect();
    static void Launch(const wxString& command);

    TClient* client_ = nullptr;
    TTrayWin* tray_ = nullptr;
    bool startMinimized_ = false;
    bool trayMissingLogged_ = false;
    bool minimizeToTray_ = false;
    bool wasIconized_ = false;
    wxRect normalRect_;
    wxBoxSizer* sizer_ = nullptr;
    ToolBarGadgets tools_;
    PlaybackBarGadgets playback_;
    int largeIcon_ = 0, smallIcon_ = 0;
    std::unique_ptr<X11HotKeys> hotKeys_;
    wxTimer hotKeyTimer_;
    // In a Wayland session: the desktop's shortcut portal, when it has one (asked once), the
    // keys it was last asked for, and whether the status bar said that there are no global
    // hot keys.
    std::unique_ptr<PortalShortcuts> portalKeys_;
    std::unique_ptr<ControlService> control_;
    bool portalKeysAsked_ = false;
    std::vector<uint16_t> portalKeysBound_;
    bool noHotKeysSaid_ = false;
    // In a Wayland session: binds the keys through the desktop's shortcut portal, or says
    // once that there are no global hot keys.
    void RegisterPortalHotKeys();
    RecentFiles recent_;
    std::vector<wxMenuItem*> recentItems_;

    wxDECLARE_EVENT_TABLE();
};

} // namespace tess
