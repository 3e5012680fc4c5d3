#include "capture/ClientSnapshot.h"

#include <dlfcn.h>

#include <chrono>

#include <wx/evtloop.h>
#include <wx/frame.h>
#include <wx/utils.h>

#include "capture/AnnotationEditor.h"
#include "capture/CountdownWindow.h"
#include "capture/SnapshotPipeline.h"
#include "capture/TClient.h"
#include "media/MemBm.h"
#include "platform/DesktopServices.h"
#include "platform/ScreenPixelSource.h"
#include "platform/ScreenReader.h"
#include "platform/x11/Monitors.h"
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

class ClientSnapshotHost : public SnapshotHost {
public:
    explicit ClientSnapshotHost(TClient& client, bool mayEdit = true)
        : client_(client), frame_(wxDynamicCast(wxGetTopLevelParent(&client), wxFrame)),
          mayEdit_(mayEdit) {}
    ~ClientSnapshotHost() override {
        if (countdown_)
            countdown_->Destroy();
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
    // The main window's title names what it displays (a snapshot just displayed too).
    void RebuildTitle() override { client_.RebuildTitle(); }
    bool SelectWindow(WindowId* window) override { return client_.SelectWindow(window); }
    bool SelectRectangle(ScreenRect* rect) override { return client_.SelectRectangle(rect); }
    void Wait(int ms) override { client_.desktop().wait(ms); }
    void Beep() override { client_.desktop().beep(); }
    void ShowCountdown(int secondsLeft, std::optional<ScreenRect> area) override {
        if (!countdown_)
            countdown_ = new CountdownWindow(area);
        countdown_->ShowSeconds(secondsLeft);
    }
    void HideCountdown() override {
        if (!countdown_)
            return;
        countdown_->Unmap();
        // A cast's picture made while the window showed must not be the one grabbed.
        if (!countdown_->cancelled())
            ScreenChangedForSource(kCountdownFreshPictureMs);
    }
    bool CountdownCancelled() override { return countdown_ && countdown_->cancelled(); }
    void CopyPicture(const MemBm& p) override {
        client_.desktop().copyPicture(p.bits(), p.width(), p.height(), p.stride());
    }
    void PlayShutter() override { client_.desktop().shutter(); }
    void NotifyCapture(const CaptureNotice& n) override { client_.desktop().notifyCapture(n); }
    void ShowStatus(const std::string& text) override {
        if (frame_ && frame_->GetStatusBar())
            frame_->SetStatusText(wxString::FromUTF8(text), 0);
    }
    void DisplayFile(const std::string& path) override { client_.DisplayFile(path); }
    ScreenConnection* Screen() override { return WindowThreadScreen(); }
    bool MayEdit() override { return mayEdit_; }
    EditedPicture EditPicture(const MemBm& picture) override {
        EditorSetup setup;
        setup.title = _("Edit snapshot").utf8_string();
        return RunAnnotationEditor(frame_ && frame_->IsShown() ? frame_ : nullptr,
                                   client_.desktop(), picture, setup);
    }

private:
    // A frame that was hidden or minimized must be off the screen before anything is
    // frozen or grabbed: the server is synchronised and what it uncovered repainted.
    void Settle() { Wait(kAfterSelectionMs); }

    TClient& client_;
    wxFrame* frame_;
    CountdownWindow* countdown_ = nullptr;
    bool mayEdit_;
};

} // namespace

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

struct Running {
    Running() { g_snapshotRunning = true; }
    ~Running() { g_snapshotRunning = false; }
};

void RunClientAreaSnapshot(TClient& client, const ScreenRect& area) {
    if (g_snapshotRunning)
        return;
    Running running;
    ClientSnapshotHost host(client);
    SnapshotAreaCommand(host, GlobalSettings(), area);
}

std::unique_ptr<MemBm> GrabClientRegionForText(TClient& client) {
    if (g_snapshotRunning)
        return nullptr;
    Running running;
    ClientSnapshotHost host(client);
    return GrabChosenRegion(host, GlobalSettings());
}

std::optional<SnapshotOutcome> RunClientSnapshot(TClient& client, CaptureMode target,
                                                 const std::string& outputPath, bool mayEdit) {
    if (g_snapshotRunning)
        return std::nullopt;
    Running running;
    ClientSnapshotHost host(client, mayEdit);
    Settings& s = GlobalSettings();
    if (target == CaptureMode::Window && ScreenReadFromSource()) {
        host.ShowStatus(kWindowCaptureUnavailableMessage);
        return std::nullopt;
    }
    if (target == CaptureMode::Window)
        return SnapshotWindowCommand(host, s, outputPath);
    if (target == CaptureMode::Region)
        return SnapshotRegionCommand(host, s, outputPath);
    if (auto monitor =
            target == CaptureMode::Monitor ? MonitorToCapture(host.Screen()) : std::nullopt)
        return SnapshotAreaCommand(host, s, *monitor, outputPath);
    return SnapshotScreenCommand(host, s, outputPath);
}

} // namespace tess
