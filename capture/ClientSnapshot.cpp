#include "capture/ClientSnapshot.h"

#include <dlfcn.h>

#include <chrono>

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/frame.h>
#include <wx/utils.h>

#include "capture/SelectR.h"
#include "capture/TClient.h"
#include "platform/ScreenPixelSource.h"
#include "platform/ScreenReader.h"
#include "platform/alsa/WaveOut.h"
#include "resources/Ids.h"
#include "resources/ShutterSound.h"
#include "settings/Settings.h"

namespace tess {

namespace {

bool g_snapshotRunning = false;

// Waits until the X server has carried out every request of the toolkit's connection (a
// frame that was hidden is then off the screen).
void SyncToolkitDisplay() {
    using GetDefault = void* (*)();
    using Sync = void (*)(void*);
    static auto getDefault =
        reinterpret_cast<GetDefault>(dlsym(RTLD_DEFAULT, "gdk_display_get_default"));
    static auto sync = reinterpret_cast<Sync>(dlsym(RTLD_DEFAULT, "gdk_display_sync"));
    if (getDefault && sync)
        if (void* display = getDefault())
            sync(display);
}

// Lets windows repaint (nothing else: no input, no timers) for `ms` milliseconds, so that
// what a closed window uncovered is drawn again before the grab.

class ClientSnapshotHost : public SnapshotHost {
public:
    explicit ClientSnapshotHost(wxWindow* client)
        : client_(client), frame_(wxDynamicCast(wxGetTopLevelParent(client), wxFrame)) {
        if (frame_)
            title_ = frame_->GetTitle();
    }

    void HideFrame() override {
        if (!frame_)
            return;
        frame_->Hide();
        Settle();
    }
    void MinimizeFrame() override {
        if (!frame_)
            return;
        frame_->Iconize(true);
        Settle();
    }
    void ShowFrameNormal() override {
        if (!frame_)
            return;
        if (frame_->IsIconized())
            frame_->Iconize(false);
        frame_->Show();
    }
    void ShowPrompt(const std::string& text) override {
        if (frame_)
            frame_->SetTitle(wxString::FromUTF8(text));
    }
    void RebuildTitle() override {
        // The main window's title names what it displays (a snapshot just displayed too);
        // another window gets back the title it had before the command.
        if (auto* client = dynamic_cast<TClient*>(client_))
            client->RebuildTitle();
        else if (frame_ && frame_->GetTitle() != title_)
            frame_->SetTitle(title_);
    }
    bool SelectWindow(WindowId* window) override {
        SelectR dlg(frame_ ? static_cast<wxWindow*>(frame_) : client_,
                    SelectionColour(GlobalSettings().selColor), nullptr, window, true);
        return dlg.ShowModal() == wxID_OK;
    }
    bool SelectRectangle(ScreenRect* rect) override {
        SelectR dlg(frame_ ? static_cast<wxWindow*>(frame_) : client_,
                    SelectionColour(GlobalSettings().selColor), rect, nullptr, true);
        return dlg.ShowModal() == wxID_OK;
    }
    void Wait(int ms) override {
        if (SnapshotHooksForTesting().wait)
            SnapshotHooksForTesting().wait(ms);
        else
            WaitRepainting(ms);
    }
    void Beep() override {
        if (SnapshotHooksForTesting().beep)
            SnapshotHooksForTesting().beep();
        else
            wxBell();
    }
    void PlayShutter() override {
        if (SnapshotHooksForTesting().shutter)
            SnapshotHooksForTesting().shutter();
        else
            platform::PlayWaveAsync(ShutterSound());
    }
    void ShowStatus(const std::string& text) override {
        if (frame_ && frame_->GetStatusBar())
            frame_->SetStatusText(wxString::FromUTF8(text), 0);
    }
    void DisplayFile(const std::string& path) override {
        if (SnapshotHooksForTesting().display)
            SnapshotHooksForTesting().display(path);
        else if (auto* client = dynamic_cast<TClient*>(client_))
            client->DisplayFile(path);
    }
    ScreenConnection* Screen() override { return WindowThreadScreen(); }

private:
    // A frame that was hidden or minimized must be off the screen before anything is
    // frozen or grabbed: the server is synchronised and what it uncovered repainted.
    void Settle() { Wait(kAfterSelectionMs); }

    wxWindow* client_;
    wxFrame* frame_;
    wxString title_;
};

} // namespace

SnapshotHooks& SnapshotHooksForTesting() {
    static SnapshotHooks hooks;
    return hooks;
}

void WaitRepainting(int ms) {
    SyncToolkitDisplay();
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    wxEventLoopBase* loop = wxEventLoopBase::GetActive();
    while (std::chrono::steady_clock::now() < end) {
        if (loop)
            loop->YieldFor(wxEVT_CATEGORY_UI);
        wxMilliSleep(5);
    }
}

void RunClientSnapshot(wxWindow* client, int command, const std::string& outputPath) {
    if (g_snapshotRunning)
        return;
    struct Running {
        Running() { g_snapshotRunning = true; }
        ~Running() { g_snapshotRunning = false; }
    } running;
    ClientSnapshotHost host(client);
    Settings& s = GlobalSettings();
    if (command == id::SnapshotWindow && ScreenReadFromSource()) {
        host.ShowStatus(kWindowCaptureUnavailableMessage);
        return;
    }
    if (command == id::SnapshotWindow)
        SnapshotWindowCommand(host, s, outputPath);
    else if (command == id::SnapshotRegion)
        SnapshotRegionCommand(host, s, outputPath);
    else
        SnapshotScreenCommand(host, s, outputPath);
}

void TClient::DoSnapshotScreen() {
    RunClientSnapshot(this, id::SnapshotScreen);
}

void TClient::DoSnapshotWindow() {
    RunClientSnapshot(this, id::SnapshotWindow);
}

void TClient::DoSnapshotRegion() {
    RunClientSnapshot(this, id::SnapshotRegion);
}

} // namespace tess
