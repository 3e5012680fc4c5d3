#include "app/ScreenBackendSetup.h"

#include <memory>

#include "app/Headless.h"
#include "app/SettingsIO.h"
#include "platform/Log.h"
#include "platform/ScreenReader.h"
#include "platform/Session.h"
#include "platform/Translate.h"
#include "platform/portal/PortalScreenCast.h"
#include "settings/Settings.h"

namespace tess {

namespace {

std::unique_ptr<PortalScreenCast>& Cast() {
    static std::unique_ptr<PortalScreenCast> cast;
    return cast;
}

} // namespace

bool KeepRestoreToken(const std::string& token) {
    GlobalSettings().portalRestoreToken = token;
    const SettingsResult r = SaveRestoreToken();
    if (!r.ok)
        LogWarning("The screen-cast permission could not be saved: the desktop will ask again "
                   "next time.");
    return r.ok;
}

bool UseChosenScreenBackend(const CommandLine& cl) {
    if (ChosenScreenBackend(cl) != ScreenBackend::Portal)
        return false;
    if (!Cast()) {
        const Settings& s = GlobalSettings();
        PortalCastOptions options;
        if (OwnScreenCastPermission()) {
            options.restoreToken = s.portalRestoreToken;
            options.tokenChanged = [](const std::string& token) { KeepRestoreToken(token); };
        } else {
            LogWarning("Another running Tessaray holds the screen-cast permission: the desktop "
                       "asks for this one.");
        }
        // A desktop that sends pictures only on a change gets a repaint of the stream's
        // top left corner that changes nothing; only where a compositor blends windows, as
        // without one the spot would show.
        if (IsWaylandSession())
            options.askForRepaint = [](const std::optional<ScreenRect>& announced) {
                if (auto screen = ScreenConnection::open()) {
                    const ScreenRect area = StreamLogicalRect(announced, screen->screenRect());
                    screen->repaintSpot(area.left, area.top);
                }
            };
        // The window program may read the screen once an hour: the desktop's sharing
        // indicator should not stay on in between.
        options.idleStopMs = 30000;
        Cast() = std::make_unique<PortalScreenCast>(std::move(options));
        SetScreenPixelSource(Cast().get());
        // Stopped before the process ends, while the threads it runs can still be joined.
        std::atexit([] {
            SetScreenPixelSource(nullptr);
            Cast().reset();
        });
    }
    return true;
}

std::optional<int> SetUpScreenBackendForCommand(const CommandLine& cl) {
    if (!UseChosenScreenBackend(cl))
        return std::nullopt;
    for (const auto& option : cl.longOptions) {
        if (option.first == "window") {
            LogNotice("%s", Tr("window capture is not available in this session (the screen is "
                               "read through the desktop portal); capture the screen or a "
                               "--region instead"));
            return 1;
        }
        if (option.first == "monitor") {
            LogNotice("%s", Tr("--monitor is not available in this session (the screen is read "
                               "through the desktop portal, whose dialog chooses the monitor); "
                               "leave it out"));
            return 1;
        }
    }
    return std::nullopt;
}

} // namespace tess
