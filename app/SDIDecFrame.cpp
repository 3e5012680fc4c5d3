#include "app/SDIDecFrame.h"

#include "app/AboutDlg.h"
#include "app/App.h"
#include "app/Menus.h"
#include "app/OptionsSheet.h"
#include "app/TrayWin.h"
#include "capture/MainGroup.h"
#include "platform/ControlService.h"
#include "platform/Log.h"
#include "platform/Session.h"
#include "platform/TextRecognizer.h"
#include "platform/portal/Shortcuts.h"
#include "platform/x11/HotKeys.h"
#include "resources/Ids.h"
#include "resources/ui/Art.h"
#include "resources/ui/ContextHelp.h"
#include "resources/ui/HelpBook.h"
#include "schedule/Schedule.h"
#include "settings/Paths.h"
#include "settings/Settings.h"
#include "wizard/RecWizard.h"

#include <algorithm>
#include <wx/choice.h>
#include <wx/gauge.h>
#include <wx/sizer.h>
#include <wx/slider.h>
#include <wx/stattext.h>
#include <wx/utils.h>

namespace tess {

namespace {

constexpr int kHotKeyTimer = 43;

// The frame's own and the application's commands.
constexpr int kFrameCommands[] = {id::NewInstance,
                                  id::OpenSettingsFile,
                                  id::SaveSettingsAs,
                                  id::Exit,
                                  id::TrayExit,
                                  id::TrayRestore,
                                  id::HelpContents,
                                  id::About,
                                  id::Preferences,
                                  id::MixerPlay,
                                  id::MixerRecord,
                                  id::MixerVolume,
                                  id::MultimediaProperties};

} // namespace

// clang-format off
wxBEGIN_EVENT_TABLE(SDIDecFrame, wxFrame)
    EVT_CLOSE(SDIDecFrame::OnClose)
    EVT_PRIVATE_MESSAGE(SDIDecFrame::OnMessage)
    EVT_MOVE(SDIDecFrame::OnMove)
    EVT_SIZE(SDIDecFrame::OnSize)
    EVT_ICONIZE(SDIDecFrame::OnIconize)
    EVT_CONTEXT_MENU(SDIDecFrame::OnContextMenu)
    EVT_TIMER(kHotKeyTimer, SDIDecFrame::OnHotKeyTimer)
wxEND_EVENT_TABLE();
// clang-format on

SDIDecFrame::SDIDecFrame(DesktopServices& desktop, bool startMinimized, ClientHooks hooks)
    : wxFrame(nullptr, wxID_ANY, "Tessaray"), startMinimized_(startMinimized),
      hotKeyTimer_(this, kHotKeyTimer) {
    client_ = new TClient(this, desktop, std::move(hooks));
    sizer_ = new wxBoxSizer(wxVERTICAL);
    sizer_->Add(client_, 1, wxEXPAND);
    SetSizer(sizer_);

    // Icons 1003 / 1004, menu 100, accelerator table 100, the status bar.
    UpdateStateIcons(CaptureState::Idle);
    SetMenuBar(BuildMainMenu());
    SetAcceleratorTable(BuildAccelerators());
    CreateStatusBar(1);

    // The tool bar, made once; the client window reads and drives its gadgets.
    tools_ = BuildToolBar(this, client_);
    SetToolBar(tools_.bar);
    client_->showPlaybackBar = [this](bool show) { ShowPlaybackBar(show); };
    client_->playbackBarShown = [this] { return playbackBarShown(); };
    client_->changeEffects = [this] { CmEffectsOptions(); };
    client_->fileShown = [this](const std::string& path) { AddRecentFile(path); };
    client_->pausedChanged = [this] { UpdateStateIcons(client_->captureState()); };
    client_->lastRegionChosen = [] {
        if (!SaveLastRegion().ok)
            LogWarning("The chosen rectangle could not be saved as the last region.");
    };
    client_->recordWizard = [this] {
        // Finish applied the wizard's format page: saved as the preferences' OK saves.
        RunRecordWizard(client_, [this] {
            ApplyFrameSettings();
            SaveSettings(ProfileDirectory() + "tessaray.ini");
            App::SaveSettingsAtClose();
        });
    };
    ShowPlaybackBar(false); // registers the tool bar's controls with the client
    PostMessage(client_, msg::ResetControls);

    for (int cmd : kFrameCommands)
        Bind(wxEVT_MENU, &SDIDecFrame::OnAppCommand, this, cmd);
    SetFrameGeometrySource([this](WindowGeometry& g) {
        wxRect r = NormalRect();
        g = {r.x, r.y, r.width, r.height};
        return true;
    });
    tray_ = new TTrayWin(this);
    Bind(wxEVT_MENU, &SDIDecFrame::OnRecentFile, this, wxID_FILE1,
         wxID_FILE1 + static_cast<int>(RecentFiles::kMaxEntries) - 1);
    recent_.Load();
    UpdateRecentFilesMenu();
    // F1 and the context menu over the bars' gadgets: each one's own pop-up.
    ContextHelpWin::Attach(this);
}

void SDIDecFrame::AddRecentFile(const std::string& path) {
    recent_.Add(path);
    UpdateRecentFilesMenu();
}

void SDIDecFrame::UpdateRecentFilesMenu() {
    wxMenuBar* bar = GetMenuBar();
    wxMenu* file = bar ? bar->GetMenu(0) : nullptr;
    if (!file)
        return;
    for (wxMenuItem* item : recentItems_)
        file->Destroy(item);
    recentItems_.clear();
    const auto& entries = recent_.entries();
    if (entries.empty())
        return;
    // Before the separator that precedes "E&xit".
    size_t at = file->GetMenuItemCount() - 2;
    recentItems_.push_back(file->InsertSeparator(at++));
    for (size_t i = 0; i < entries.size(); ++i)
        recentItems_.push_back(file->Insert(at++, wxID_FILE1 + static_cast<int>(i),
                                            wxString::FromUTF8(recent_.MenuText(i))));
}

void SDIDecFrame::OnRecentFile(wxCommandEvent& e) {
    size_t index = static_cast<size_t>(e.GetId() - wxID_FILE1);
    if (index >= recent_.entries().size())
        return;
    // A copy: displaying the file moves it to the top of the list.
    const std::string path = recent_.entries()[index];
    client_->DisplayFile(path);
}

SDIDecFrame::~SDIDecFrame() {
    SetFrameGeometrySource(nullptr);
    hotKeyTimer_.Stop();
    hotKeys_.reset();
    if (tray_) {
        tray_->Remove();
        delete tray_;
        tray_ = nullptr;
    }
    delete playback_.mute;
}

void SDIDecFrame::SetUp() {
    tray_->SetIconId(id::IconIdleSmall);
    client_->display().ApplySizeHints(true); // as wide as the tool bar from the start
    ApplyFrameSettings();
    if (startMinimized_) {
        if (GlobalSettings().trayIcon)
            PostMessage(GetEventHandler(), msg::HideToTray);
        else
            Iconize(true);
    }
}

void SDIDecFrame::ApplyFrameSettings() {
    const Settings& s = GlobalSettings();
    long style = GetWindowStyleFlag();
    long wanted = s.onTop ? (style | wxSTAY_ON_TOP) : (style & ~wxSTAY_ON_TOP);
    if (wanted != style)
        SetWindowStyleFlag(wanted);
    if (s.trayIcon)
        tray_->Show();
    else
        tray_->Remove();
    minimizeToTray_ = s.trayIcon;
    RegisterHotKeys();
}

int SDIDecFrame::RegisterHotKeys() {
    if (!hotKeys_)
        hotKeys_ = X11HotKeys::Open();
    if (!hotKeys_)
        return 0;
    hotKeys_->UnregisterAll();
    const Settings& s = GlobalSettings();
    int registered = 0;
    const int32_t values[4] = {s.key1, s.key2, s.key3, s.key4};
    for (int i = 0; i < 4; ++i) {
        const HotKey key = HotKey::FromStored(values[i]);
        if (key && hotKeys_->Register(i, key.modifiers(), key.virtualKey()))
            ++registered;
    }
    if (!hotKeyTimer_.IsRunning())
        hotKeyTimer_.Start(25);
    if (IsWaylandSession())
        RegisterPortalHotKeys();
    return registered;
}

void SDIDecFrame::RegisterPortalHotKeys() {
    // The key grabs above see only keys pressed while an X window has the focus.
    const Settings& s = GlobalSettings();
    const std::vector<uint16_t> keys = {
        HotKey::FromStored(s.key1).value, HotKey::FromStored(s.key2).value,
        HotKey::FromStored(s.key3).value, HotKey::FromStored(s.key4).value};
    if (!portalKeysAsked_) {
        portalKeysAsked_ = true;
        portalKeys_ = PortalShortcuts::Open();
    }
    if (portalKeys_) {
        // Each binding is a new portal session, which the desktop may confirm with the user:
        // only when the keys changed.
        if (keys != portalKeysBound_) {
            portalKeysBound_ = keys;
            portalKeys_->Bind(
                {{"video", _("Start or stop a recording").utf8_string(),
                  HotKey{keys[0]}.triggerText()},
                 {"snapshot", _("Take a snapshot").utf8_string(), HotKey{keys[1]}.triggerText()},
                 {"region", _("Take a snapshot of a region").utf8_string(),
                  HotKey{keys[2]}.triggerText()},
                 {"text", _("Copy the text of a region").utf8_string(),
                  HotKey{keys[3]}.triggerText()}});
        }
        return;
    }
    const bool anyKey = keys[0] || keys[1] || keys[2] || keys[3];
    if (anyKey && !noHotKeysSaid_) {
        noHotKeysSaid_ = true;
        LogWarning("%s", kNoGlobalHotKeysMessage);
        CallAfter([this] {
            SetStatusText(wxGetTranslation(wxString::FromUTF8(kNoGlobalHotKeysMessage)), 0);
        });
    }
}

std::string SDIDecFrame::HotKeyNote() const {
    if (!IsWaylandSession())
        return {};
    if (portalKeys_)
        return _("In this session the desktop assigns the keys: it may ask you to confirm "
                 "them, and its keyboard settings show and change them.")
            .utf8_string();
    return (wxGetTranslation(wxString::FromUTF8(kNoGlobalHotKeysMessage)) + " " +
            _("The keys work only while a window of an X11 program has the focus."))
        .utf8_string();
}

PrefContext SDIDecFrame::OptionsContext() {
    PrefContext ctx;
    ctx.settings = &GlobalSettings();
    ctx.schedule = &LiveSchedule();
    ctx.timerEnable = &TimerEnable();
    ctx.imageFormat = GlobalSettings().imageFormat;
    ctx.hotKeyNote = HotKeyNote();
    ctx.textLanguages = InstalledLanguages(LanguageDataFolder());
    ctx.desktop = &client_->desktop();
    ctx.keyHeldElsewhere = [this](uint16_t value) {
        if (!hotKeys_)
            hotKeys_ = X11HotKeys::Open();
        const HotKey key{value};
        return hotKeys_ && hotKeys_->HeldByOtherClient(key.modifiers(), key.virtualKey());
    };
    return ctx;
}

void SDIDecFrame::CmPreferences() {
    PrefContext ctx = OptionsContext();
    auto sheet = MakeOptionsSheet(this, ctx);
    bool ok = sheet->ShowModal() == wxID_OK;
    OptionsClosed(*sheet, ok, true);
}

void SDIDecFrame::CmEffectsOptions() {
    PrefContext ctx = OptionsContext();
    auto sheet = MakeEffectsSheet(this, ctx);
    bool ok = sheet->ShowModal() == wxID_OK;
    OptionsClosed(*sheet, ok, false);
}

void SDIDecFrame::OptionsClosed(const TPrefSheet& sheet, bool ok, bool options) {
    if (ok) {
        ApplyFrameSettings();
        client_->ApplyMixerSettings();
        for (const std::string& m : sheet.messages())
            sheet.desktop().message(m, "Tessaray", MessageKind::Warning);
    }
    if (!options)
        return;
    SaveSettings(ProfileDirectory() + "tessaray.ini");
    // What the user just set must not wait for the close to reach the store.
    if (ok)
        App::SaveSettingsAtClose();
}

void SDIDecFrame::OnHotKeyTimer(wxTimerEvent&) {
    std::vector<int> pressed;
    if (hotKeys_)
        pressed = hotKeys_->Poll();
    if (portalKeys_)
        for (int index : portalKeys_->Poll())
            pressed.push_back(index);
    for (int idNumber : pressed) {
        // Hot-key id 0 posts 1112, id 1 posts 1111, id 2 posts 1110, id 3 posts 1113.
        static const int messages[4] = {msg::HotKeyVideo, msg::HotKeySnapshot, msg::HotKeyRegion,
                                        msg::HotKeyText};
        if (idNumber >= 0 && idNumber < 4)
            PostMessage(client_, messages[idNumber]);
    }
}

void SDIDecFrame::HideToTray() {
    // Without a tray to show the icon (a desktop without one, or GNOME without its
    // extension) a hidden window could not be brought back: it is minimized instead.
    if (!wxTaskBarIcon::IsAvailable()) {
        if (!trayMissingLogged_) {
            trayMissingLogged_ = true;
            LogWarning("No system tray in this session: the window is minimized instead of "
                       "hidden to the tray.");
        }
        if (!IsIconized())
            Iconize(true);
        return;
    }
    tray_->Show();
    Hide();
}

void SDIDecFrame::RestoreFromTray() {
    // Hidden while minimized, the window would be minimized again as soon as it is shown
    // (the toolkit keeps the request for its next mapping): take it back first.
    Iconize(false);
    Show(true);
    Raise();
    if (client_)
        client_->SetFocus();
}

void SDIDecFrame::ShowPlaybackBar(bool show) {
    if (show && !playback_.bar) {
        playback_ = BuildPlaybackBar(this, client_);
        sizer_->Add(playback_.bar, 0, wxEXPAND);
        playback_.mute->SetState(GlobalSettings().mute ? 1 : 0);
        wxSize sz = GetSize();
        sz.y += 50;
        SetSize(sz);
        Layout();
        PostMessage(client_, msg::ResetControls);
    } else if (!show && playback_.bar) {
        sizer_->Detach(playback_.bar);
        playback_.bar->Destroy();
        delete playback_.mute;
        playback_ = {};
        Layout();
    }
    GlobalSettings().playbackBarShown = playback_.bar != nullptr;
    ClientControls c;
    c.captureMode = tools_.captureMode;
    c.recordTimePane = tools_.recordTime;
    c.meter = tools_.meter;
    c.positionSlider = playback_.position;
    c.rangeStrip = playback_.range;
    c.volumeSlider = playback_.volume;
    c.positionPane = playback_.positionText;
    client_->SetControls(c);
}

wxRect SDIDecFrame::NormalRect() const {
    if (!normalRect_.IsEmpty())
        return normalRect_;
    return GetRect();
}

void SDIDecFrame::RememberNormalRect() {
    if (IsShown() && !IsIconized() && !IsMaximized() && !IsFullScreen())
        normalRect_ = GetRect();
}

void SDIDecFrame::OnMove(wxMoveEvent& e) {
    e.Skip();
    RememberNormalRect();
}

void SDIDecFrame::OnSize(wxSizeEvent& e) {
    e.Skip();
    RememberNormalRect();
}

void SDIDecFrame::OnIconize(wxIconizeEvent& e) {
    e.Skip();
    if (e.IsIconized()) {
        wasIconized_ = true;
        if (minimizeToTray_)
            CallAfter([this] {
                if (IsIconized()) // not restored in the meantime
                    HideToTray();
            });
    } else if (wasIconized_) {
        // Back from minimized: a new layout. (Window managers also report "not iconized"
        // when the frame is first shown; that is no restore.)
        wasIconized_ = false;
        PostMessage(client_, msg::Layout);
    }
}

bool SDIDecFrame::TryBefore(wxEvent& event) {
    // The client window's commands and enablers run in the client.
    const wxEventType t = event.GetEventType();
    if (client_ && (t == wxEVT_MENU || t == wxEVT_UPDATE_UI)) {
        const auto& ids = ClientCommandIds();
        if (std::find(ids.begin(), ids.end(), event.GetId()) != ids.end()) {
            bool done = client_->ProcessWindowEventLocally(event);
            if (t == wxEVT_MENU)
                SyncBars();
            return done;
        }
    }
    return wxFrame::TryBefore(event);
}

void SDIDecFrame::Launch(const wxString& command) {
    // A launcher that cannot start is not reported.
    wxString program = command.BeforeFirst(' ');
    wxString path;
    if (!wxGetEnv("PATH", &path))
        return;
    wxArrayString dirs = wxSplit(path, ':');
    for (const wxString& d : dirs)
        if (wxFileExists(d + "/" + program)) {
            wxExecute(command, wxEXEC_ASYNC);
            return;
        }
}

void SDIDecFrame::OnAppCommand(wxCommandEvent& e) {
    switch (e.GetId()) {
    case id::NewInstance:
        App::StartNewInstance();
        break;
    case id::OpenSettingsFile:
        App::CmOpenSettingsFile(this);
        ApplyFrameSettings();
        client_->ApplyMixerSettings();
        break;
    case id::SaveSettingsAs:
        App::CmSaveSettingsAs(this);
        break;
    case id::Exit:
        tray_->Remove();
        CallAfter([this] { Close(); });
        break;
    case id::TrayExit:
        CallAfter([this] { Close(); });
        break;
    case id::TrayRestore:
        RestoreFromTray();
        break;
    case id::MixerPlay:
        Launch("pavucontrol --tab=1");
        break;
    case id::MixerRecord:
        Launch("pavucontrol --tab=2");
        break;
    case id::MixerVolume:
        Launch("pavucontrol --tab=3");
        break;
    case id::MultimediaProperties:
        Launch("pavucontrol --tab=5");
        break;
    case id::Preferences:
        CmPreferences();
        break;
    case id::HelpContents:
        ShowHelpContents();
        break;
    case id::About: {
        AboutDlg about(this, client_->desktop());
        about.ShowModal();
        break;
    }
    default:
        break;
    }
}

void SDIDecFrame::OnContextMenu(wxContextMenuEvent& e) {
    wxWindow* over = wxDynamicCast(e.GetEventObject(), wxWindow);
    if (over == client_ || over == this) {
        wxMenu* menu = BuildPopupMenu();
        wxPoint pt = e.GetPosition();
        PopupMenu(menu, pt == wxDefaultPosition ? wxDefaultPosition : ScreenToClient(pt));
        delete menu;
    }
    // Over the bars or the status bar the context help (attached to the frame) answers.
}

void SDIDecFrame::OnClose(wxCloseEvent& e) {
    // Settings are saved first, whatever the answer to the close is.
    App::SaveSettingsAtClose();
    if (e.CanVeto() && client_ && client_->canClose && !client_->canClose()) {
        e.Veto();
        return;
    }
    hotKeyTimer_.Stop();
    ShutdownHelp();
    tray_->Remove();
    if (client_)
        client_->Shutdown();
    Destroy();
}

void SDIDecFrame::AnswerControlRequests() {
    control_ = ControlService::Start([this](std::shared_ptr<ControlCall> call) {
        if (client_)
            client_->Control(std::move(call));
        else
            call->Reply({1, _("The window program is closing.").utf8_string()});
    });
}

void SDIDecFrame::UpdateStateIcons(CaptureState state) {
    int large = id::IconIdleLarge, small = id::IconIdleSmall;
    if (state == CaptureState::Recording) {
        large = id::IconRecordingLarge;
        small = id::IconRecordingSmall;
    } else if (state == CaptureState::Playing) {
        large = id::IconPlayingLarge;
        small = id::IconPlayingSmall;
    }
    if (large != largeIcon_ || small != smallIcon_) {
        largeIcon_ = large;
        smallIcon_ = small;
        SetIcons(ProgramIcons(large, small));
    }
    if (tray_) {
        tray_->SetIconId(small);
        tray_->SetTip(client_ && client_->RecordingIsPaused() ? _("Tessaray (Paused)").utf8_string()
                                                              : std::string("Tessaray"));
        if (GlobalSettings().trayIcon)
            tray_->Show();
    }
    SyncBars();
}

void SDIDecFrame::SyncBars() {
    // The pressed looks: "&Record Video" while recording, "&Play" while playing.
    const CaptureState state = client_ ? client_->captureState() : CaptureState::Idle;
    if (tools_.bar)
        tools_.bar->ToggleTool(id::RecordVideo, state == CaptureState::Recording);
    if (playback_.bar) {
        playback_.bar->ToggleTool(id::Play, state == CaptureState::Playing);
        playback_.mute->SetState(GlobalSettings().mute ? 1 : 0);
    }
}

void SDIDecFrame::OnMessage(PrivateMessageEvent& e) {
    switch (e.message()) {
    case msg::StateIcons:
        UpdateStateIcons(client_->captureState());
        break;
    case msg::HideToTray:
        HideToTray();
        break;
    case msg::TrayCallback:
        if (e.lParam() == id::TrayRestore)
            RestoreFromTray();
        break;
    default:
        e.Skip();
        break;
    }
}

} // namespace tess
