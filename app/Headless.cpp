#include "app/Headless.h"

#include <glib.h>
#include <iostream>
#include <unistd.h>

#include "app/ControlCommand.h"
#include "app/Launcher.h"
#include "app/ScreenBackendSetup.h"
#include "capture/CommandOptions.h"
#include "capture/ExportCommand.h"
#include "capture/RecordCommand.h"
#include "capture/SnapshotCommand.h"
#include "platform/Log.h"
#include "platform/notify/Notify.h"
#include "settings/Settings.h"

namespace tess {

namespace {

// How long a command-line capture's notification is answered at most.
constexpr unsigned kAnswerSeconds = 600;

// "tessaray FILE" in a process of its own that outlives this one.
void StartProgramOn(const std::string& path) {
    const char* launcher = std::getenv(kLauncherPathVariable);
    gchar* self = g_file_read_link("/proc/self/exe", nullptr);
    std::string program = launcher && *launcher ? launcher : self ? self : "tessaray";
    g_free(self);
    gchar* argv[] = {program.data(), const_cast<gchar*>(path.c_str()), nullptr};
    GError* error = nullptr;
    if (!g_spawn_async(
            nullptr, argv, nullptr,
            GSpawnFlags(G_SPAWN_STDOUT_TO_DEV_NULL | G_SPAWN_STDERR_TO_DEV_NULL),
            [](gpointer) { setsid(); }, nullptr, nullptr, &error)) {
        LogWarning("%s could not be opened: %s", path.c_str(), error->message);
        g_error_free(error);
    }
}

} // namespace

void NotifyAndAnswer(const CaptureNotice& notice) {
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    const std::string path = notice.path;
    const bool shown = notify::Show(
        notify::NoticeFor(notice),
        [&](const std::string& action) {
            if (action == notify::kOpen) {
                StartProgramOn(path);
            } else if (action == notify::kShowInFolder) {
                notify::ShowInFolder(path);
            } else if (action == notify::kCopy) {
                // Served by a holder process of its own, after this one has ended too.
                std::string why;
                if (!HoldPictureFileOnClipboard(path, &why))
                    LogWarning("The picture of %s could not be copied: %s", path.c_str(),
                               why.c_str());
            }
        },
        [&] { g_main_loop_quit(loop); });
    if (shown) {
        const guint timer = g_timeout_add_seconds(
            kAnswerSeconds,
            [](gpointer l) {
                g_main_loop_quit(static_cast<GMainLoop*>(l));
                return G_SOURCE_REMOVE;
            },
            loop);
        g_main_loop_run(loop);
        if (GSource* left = g_main_context_find_source_by_id(nullptr, timer))
            g_source_destroy(left);
    }
    notify::Reset();
    g_main_loop_unref(loop);
}

std::optional<int> RunHeadlessCommand(const CommandLine& cl, int argc, char** argv) {
    (void)argc;
    (void)argv;
    if (auto code = ListMonitorsFromCommandLine(cl))
        return code;
    if (auto code = RunControlFromCommandLine(cl, std::cout, std::cerr))
        return code;
    // An export reads a file and writes one: no display, no settings.
    if (WantsExportCommand(cl.longOptions))
        return RunExportCommand(cl.longOptions, std::cout, std::cerr, isatty(STDERR_FILENO));
    // --notify: the desktop is told of the capture, whatever the settings say.
    const bool notify = HasLongOption(cl.longOptions, "notify");
    CaptureNotice notice;
    notice.kind = CaptureNotice::Kind::Failed;
    std::optional<int> code;
    if (WantsRecordCommand(cl.longOptions)) {
        auto screen = OpenScreenAndLoadSettings();
        if (auto refused = SetUpScreenBackendForCommand(cl))
            return refused;
        code = RunRecordCommand(cl.longOptions, screen.get(), GlobalSettings(), std::cout,
                                std::cerr, nullptr, &notice);
        if (*code == kRecordExitUsage)
            return code;
    } else if (WantsSnapshotCommand(cl.longOptions)) {
        code = RunSnapshotFromCommandLine(cl, false, &SetUpScreenBackendForCommand, &notice);
        if (!code || *code == kSnapshotExitUsage)
            return code;
    } else {
        return std::nullopt;
    }
    if (notify && (!notice.path.empty() || !notice.message.empty())) {
        std::cout.flush();
        NotifyAndAnswer(notice);
    }
    return code;
}

} // namespace tess
