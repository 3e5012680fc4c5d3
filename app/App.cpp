#include "app/App.h"

#include "app/EditCommandLine.h"
#include "app/Headless.h"
#include "app/LauncherOptions.h"
#include "app/SDIDecFrame.h"
#include "app/ScreenBackendSetup.h"
#include "capture/AnnotationEditor.h"
#include "capture/DisplayLogic.h"
#include "capture/EditCommands.h"
#include "capture/MainGroup.h"
#include "capture/Recording.h"
#include "capture/Snapshot.h"
#include "capture/TClient.h"
#include "capture/WxDesktopServices.h"
#include "media/Caption.h"
#include "platform/Log.h"
#include "platform/Translate.h"
#include "platform/gtk/Desktop.h"
#include "platform/x11/InstanceCheck.h"
#include "platform/x11/Screen.h"
#include "settings/Catalog.h"
#include "settings/Paths.h"
#include "settings/Settings.h"
#include "settings/SettingsStore.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <unistd.h>
#include <wx/display.h>
#include <wx/filedlg.h>
#include <wx/gdicmn.h>
#include <wx/log.h>
#include <wx/msgdlg.h>
#include <wx/timer.h>
#include <wx/translation.h>
#include <wx/uilocale.h>
#include <wx/utils.h>

namespace tess {

wxIMPLEMENT_APP_NO_MAIN(App);

namespace {

bool g_closingFromSignal = false;

// SIGTERM and SIGINT close the program as the close box does; the handler runs in the
// main loop, not in the signal context.
void OnTerminateSignal(int) {
    if (wxTheApp) {
        g_closingFromSignal = true;
        if (wxWindow* top = wxTheApp->GetTopWindow())
            top->Close(true);
        else
            wxTheApp->ExitMainLoop();
        // The frame is deleted in idle time; with every timer stopped nothing else would
        // wake the loop up for it.
        wxTheApp->CallAfter([] {});
        wxWakeUpIdle();
    }
}

// The display went away: the toolkit cannot go on, so a running recording is finished as a
// stop would finish it, the reason is written down, and the process ends with status 1.
void OnDisplayLost() {
    LogNotice("the connection to the display was lost");
    if (RecordingRunning()) {
        const RecordingStopResult r = StopRecording();
        LogWarning("The connection to the display was lost; the recording was stopped and %s "
                   "finished.",
                   r.fileName.empty() ? "nothing" : r.fileName.c_str());
        if (!r.fileName.empty())
            LogNotice("the recording was finished: %s", r.fileName.c_str());
    } else {
        LogWarning("The connection to the display was lost.");
    }
    _exit(1);
}

// Until the window is up, the toolkit's own messages (a display that refused the toolkit's
// connection, say) go to standard error and the warning log: a message box would need the
// very display that may be what failed.
class LogBeforeWindows : public wxLog {
protected:
    void DoLogRecord(wxLogLevel level, const wxString& msg, const wxLogRecordInfo&) override {
        if (level > wxLOG_Message)
            return;
        const wxScopedCharBuffer text = msg.utf8_str();
        LogNotice("%s", text.data());
        if (level <= wxLOG_Warning)
            LogWarning("%s", text.data());
    }
};

std::string WarningsText(const SettingsResult& r) {
    std::string text;
    for (const auto& w : r.warnings)
        text += w + "\n";
    return text;
}

} // namespace

int RunProgram(int argc, char** argv) {
    // The language is chosen before the toolkit starts: a change of the Language setting
    // shows at the next start.
    SetUpUserLocale(PeekSetting("Display", "Language"), LocaleDirectory());
    // A command-line capture's notification, handed over to a fresh process of this program.
    if (auto code = RunNotificationAnswerer(argc, argv))
        return *code;
    // Before any display is opened (the windowless commands open theirs too).
    InstallDisplayLostHandler();
    // The window program draws captions, in its own snapshots and in the captioned
    // command-line snapshots the launcher hands on to it.
    SetSnapshotOverlayMaker(&CreateOverlay);
    CommandLine cl = ParseCommandLine(argc, argv);
    if (auto code = AnswerInformationalOptions(cl, std::cout, std::cerr))
        return *code;
    if (cl.uninstall) {
        RemoveLogOnStart();
        return 1;
    }
    // A machine without a sound card would otherwise see ALSA's complaints in the terminal.
    RouteSoundLibraryMessagesToWarningLog();
    if (auto code = RunHeadlessCommand(cl, argc, argv))
        return *code;
    // The toolkit ends the process without a word worth reading when it finds no display. The
    // probe's connection is held until the toolkit has its own (App::OnInit).
    if (!DisplayAnswers(nullptr, true)) {
        LogNotice("%s", Tr(kNoDisplayMessage));
        return 1;
    }
    gtk::UseX11Toolkit();
    delete wxLog::SetActiveTarget(new LogBeforeWindows);
    wxApp::SetInstance(new App(cl));
    // wxEntry answers -1 when the toolkit could not start (its message is on standard error).
    const int status = wxEntry(argc, argv);
    return status < 0 ? 1 : status;
}

namespace {

// The first language of LANGUAGE that has a catalog of ours ("en" for English), as gettext
// picks it; "" without one. wxWidgets 3.2 goes by LC_ALL, LC_MESSAGES and LANG alone, and the
// window's texts must be in the language of the launcher's and GTK's.
std::string LanguageFromList(const std::string& localeDir) {
    const char* list = std::getenv("LANGUAGE");
    const char* messages = std::setlocale(LC_MESSAGES, nullptr);
    if (!list || !messages || std::string(messages) == "C" || std::string(messages) == "POSIX")
        return {};
    std::string entries = list;
    for (size_t at = 0; at <= entries.size();) {
        const size_t end = std::min(entries.find(':', at), entries.size());
        const std::string entry = entries.substr(at, end - at);
        at = end + 1;
        if (entry.empty())
            continue;
        if (entry.rfind("en", 0) == 0 && (entry.size() == 2 || entry[2] == '_'))
            return "en";
        for (const std::string& name : {entry, entry.substr(0, entry.find('_'))}) {
            std::error_code ec;
            if (std::filesystem::exists(localeDir + "/" + name + "/LC_MESSAGES/tessaray.mo", ec))
                return name;
        }
    }
    return {};
}

} // namespace

void UseTranslations(const std::string& localeDir) {
    wxUILocale::UseDefault();
    // Again after the toolkit's own locale set-up: the chosen language, and numbers in the C
    // form.
    const std::string language = PeekSetting("Display", "Language");
    SetUpUserLocale(language, localeDir);
    auto* translations = new wxTranslations;
    wxTranslations::Set(translations);
    const std::string chosen = language.empty() ? LanguageFromList(localeDir) : language;
    if (!chosen.empty())
        translations->SetLanguage(wxString::FromUTF8(chosen));
    if (!localeDir.empty())
        wxFileTranslationsLoader::AddCatalogLookupPathPrefix(wxString::FromUTF8(localeDir));
    translations->AddStdCatalog();
    translations->AddCatalog(kTextDomain);
}

App::App(const CommandLine& cl) : cl_(cl) {
    SetAppName("Tessaray");
    SetClassName("Tessaray");
}

App::~App() = default;

bool App::OnInit() {
    // No call of wxApp::OnInit: the switches are ours ("/M", "-u"), not wx's options.
    ReleaseHeldDisplay();
    UseTranslations(LocaleDirectory());
    // Replaces the toolkit's handler, which ends the process at once.
    SetToolkitDisplayLostHandler(OnDisplayLost);

    const wxSize display = wxGetDisplaySize();
    SetScreenSizeForSettings(display.x, display.y);
    LoadSettings();
    // In the portal back end the cast starts when the screen is first read, not here: a
    // program started to show a file never asks the desktop for the screen.
    UseChosenScreenBackend(cl_);

    // --edit: the mark-up editor alone, no main window; the process ends with its answer.
    if (WantsEditCommand(cl_)) {
        desktop_ = std::make_unique<WxDesktopServices>();
        delete wxLog::SetActiveTarget(nullptr);
        editExit_ = RunEditCommand(cl_, *desktop_, std::cin, std::cout, std::cerr);
        SaveAnnotateSettings();
        return true;
    }

    firstInstance_ = !TopLevelWindowOfClassExists("Tessaray");

    desktop_ = std::make_unique<WxDesktopServices>();
    frame_ = new SDIDecFrame(*desktop_, cl_.startMinimized);
    desktop_->setParent(frame_);
    // A notification's "Open": the file in the main window, brought forward.
    desktop_->setOpenHandler([frame = frame_](const std::string& path) {
        frame->RestoreFromTray();
        if (frame->client())
            frame->client()->DisplayFile(path);
    });
    // A snapshot notification's "Edit": the file in the editor, shown again once saved.
    desktop_->setEditHandler([frame = frame_, desktop = desktop_.get()](const std::string& path) {
        if (AnnotationEditorOpen())
            return;
        const std::string written = EditPictureFile(frame, *desktop, path);
        if (!written.empty() && frame->client())
            frame->client()->DisplayFile(written);
    });
    // Place: the saved edges in the first instance only, the saved size in every one; a
    // value of 0 leaves that one to the system.
    const Settings& s = GlobalSettings();
    wxRect r = frame_->GetRect();
    bool move = false;
    if (firstInstance_ && s.windowX != 0) {
        r.x = s.windowX;
        move = true;
    }
    if (firstInstance_ && s.windowY != 0) {
        r.y = s.windowY;
        move = true;
    }
    if (s.windowW != 0)
        r.width = s.windowW;
    if (s.windowH != 0)
        r.height = s.windowH;
    // Within the work area of its monitor (the first start's 400 x 800 is taller than a
    // small screen, and the window manager would move it to the top).
    const int monitor = wxDisplay::GetFromPoint(r.GetTopLeft());
    const wxRect area = wxDisplay(monitor == wxNOT_FOUND ? 0u : unsigned(monitor)).GetClientArea();
    const ScreenRect fitted =
        FitFrameToArea({r.x, r.y, r.GetRight() + 1, r.GetBottom() + 1},
                       {area.x, area.y, area.GetRight() + 1, area.GetBottom() + 1});
    move = move || fitted.left != r.x || fitted.top != r.y;
    r = wxRect(fitted.left, fitted.top, fitted.width(), fitted.height());
    frame_->SetSize(move ? r.x : wxDefaultCoord, move ? r.y : wxDefaultCoord, r.width, r.height);
    // The saved place is asked for as the user's own: window managers that choose the place
    // of a new window themselves (openbox) keep a user-specified one.
    if (move)
        gtk::AskForUserPosition(frame_->GetHandle(), std::max(r.x, 0), std::max(r.y, 0));
    SetTopWindow(frame_);
    // From now on the toolkit's messages are shown in its message boxes (its default target).
    delete wxLog::SetActiveTarget(nullptr);
    frame_->Show();
    frame_->SetUp();
    // From here SIGTERM and SIGINT close the window as its close box does. Before, they end
    // the program with their usual status: there is nothing yet to finish or save, and no
    // message box to show while the window is not up.
    SetSignalHandler(SIGTERM, OnTerminateSignal);
    SetSignalHandler(SIGINT, OnTerminateSignal);
    frame_->AnswerControlRequests();
    // "tessaray FILE": the file is displayed once the window is up (the launcher made its
    // path absolute).
    // The window manager must have the frame on the screen, at the size it gives it, or it
    // drops the frame's fitting to the file: wait for a mapped frame whose size holds still
    // for 100 ms (at most 3 s).
    if (!cl_.files.empty()) {
        auto* wait = new wxTimer();
        wait->Bind(wxEVT_TIMER, [this, wait, file = cl_.files.front(), tries = 0, steady = 0,
                                 last = wxSize()](wxTimerEvent&) mutable {
            const wxSize now = frame_->GetSize();
            steady =
                gtk::IsMapped(frame_->GetHandle()) && now == last && now.x >= 100 ? steady + 1 : 0;
            last = now;
            if (steady < 2 && ++tries < 60)
                return;
            wait->Stop();
            frame_->client()->DisplayFile(file);
            frame_->CallAfter([wait] { delete wait; });
        });
        wait->Start(50);
    }
    return true;
}

int App::OnRun() {
    return editExit_ ? *editExit_ : wxApp::OnRun();
}

int App::OnExit() {
    // A snapshot copied to the clipboard outlives the program when a clipboard manager runs.
    if (desktop_)
        desktop_->keepClipboard();
    return wxApp::OnExit();
}

bool App::StartNewInstance() {
    std::string exe = ExecutablePath();
    if (exe.empty())
        return false;
    wxString cmd = "\"" + wxString::FromUTF8(exe) + "\"";
    return wxExecute(cmd, wxEXEC_ASYNC) > 0;
}

SettingsResult App::OpenSettingsFile(const std::string& path, wxWindow* parent) {
    SettingsResult r = LoadSettings(path);
    if (!r.warnings.empty() && parent)
        wxMessageBox(WarningsText(r), "Tessaray", wxOK | wxICON_WARNING, parent);
    return r;
}

SettingsResult App::SaveSettingsFile(const std::string& path, wxWindow* parent) {
    SettingsResult r = SaveSettings(path);
    if ((!r.ok || !r.warnings.empty()) && parent)
        wxMessageBox(WarningsText(r), "Tessaray", wxOK | wxICON_WARNING, parent);
    return r;
}

void App::CmOpenSettingsFile(wxWindow* parent) {
    wxFileDialog dlg(parent, _("Open settings file"), GlobalSettings().latestDirectory, "",
                     _("Tessaray setting files (*.ini)") + "|*.ini",
                     wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    gtk::PlaceOverParentWhenShown(dlg.GetHandle());
    if (dlg.ShowModal() != wxID_OK)
        return;
    OpenSettingsFile(dlg.GetPath().utf8_string(), parent);
}

void App::CmSaveSettingsAs(wxWindow* parent) {
    wxFileDialog dlg(parent, _("Save settings as"), GlobalSettings().latestDirectory, "",
                     _("Tessaray setting files (*.ini)") + "|*.ini",
                     wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    gtk::PlaceOverParentWhenShown(dlg.GetHandle());
    if (dlg.ShowModal() != wxID_OK)
        return;
    std::string path = dlg.GetPath().utf8_string();
    if (std::filesystem::path(path).filename().string().find('.') == std::string::npos)
        path += ".ini"; // the default extension
    SaveSettingsFile(path, parent);
}

void App::SaveSettingsAtClose() {
    SettingsResult r = SaveSettings();
    // No dialog while the session ends on a signal: the warning is in the log then.
    if (r.volumeWriteFailed && !g_closingFromSignal)
        wxMessageBox(_("can't save vol subkey"), "savesettings", wxOK);
}

} // namespace tess
