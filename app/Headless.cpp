#include "app/Headless.h"

#include <algorithm>
#include <cstring>
#include <glib.h>
#include <iostream>
#include <unistd.h>
#include <vector>

#include "app/ControlCommand.h"
#include "app/Launcher.h"
#include "app/ScreenBackendSetup.h"
#include "capture/CommandOptions.h"
#include "capture/ExportCommand.h"
#include "capture/RecordCommand.h"
#include "capture/SnapshotCommand.h"
#include "capture/TextCommand.h"
#include "platform/Log.h"
#include "platform/Translate.h"
#include "platform/notify/Notify.h"
#include "settings/Settings.h"

namespace tess {

namespace {

// How long a command-line capture's notification is answered at most.
constexpr unsigned kAnswerSeconds = 600;

// The kinds of notice, in CaptureNotice::Kind's order, as the answering process is told them.
constexpr const char* kKindNames[] = {"snapshot", "recording",   "failed",
                                      "exported", "text-copied", "text-read"};

// `argv` in a process of its own that outlives this one: a session of its own, nothing of this
// process's standard streams or other descriptors (a shell's $(...) waits for no one).
bool StartDetached(std::vector<std::string> argv, std::string* why) {
    std::vector<gchar*> args;
    for (std::string& a : argv)
        args.push_back(a.data());
    args.push_back(nullptr);
    GError* error = nullptr;
    if (g_spawn_async(
            nullptr, args.data(), nullptr,
            GSpawnFlags(G_SPAWN_STDIN_FROM_DEV_NULL | G_SPAWN_STDOUT_TO_DEV_NULL |
                        G_SPAWN_STDERR_TO_DEV_NULL),
            [](gpointer) { setsid(); }, nullptr, nullptr, &error))
        return true;
    *why = error->message;
    g_error_free(error);
    return false;
}

// "tessaray ARGS... FILE" (the launcher this program was started through, else this program).
void StartProgramOn(const std::string& path, std::vector<std::string> args = {}) {
    const char* launcher = std::getenv(kLauncherPathVariable);
    gchar* self = g_file_read_link("/proc/self/exe", nullptr);
    args.insert(args.begin(), launcher && *launcher ? launcher : self ? self : "tessaray");
    g_free(self);
    args.push_back(path);
    std::string why;
    if (!StartDetached(std::move(args), &why))
        LogWarning("%s could not be opened: %s", path.c_str(), why.c_str());
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
            } else if (action == notify::kEdit) {
                StartProgramOn(path, {"--edit"});
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

bool StartNotificationAnswerer(const CaptureNotice& notice, std::string* why) {
    gchar* self = g_file_read_link("/proc/self/exe", nullptr);
    std::string program = self ? self : "";
    g_free(self);
    if (program.empty()) {
        *why = Tr("this program's own file could not be found");
        return false;
    }
    return StartDetached({program, kAnswerNotificationMode,
                          kKindNames[static_cast<size_t>(notice.kind)], notice.path,
                          notice.message},
                         why);
}

std::optional<int> RunNotificationAnswerer(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], kAnswerNotificationMode) != 0)
        return std::nullopt;
    const auto* kind = argc == 5
                           ? std::find_if(std::begin(kKindNames), std::end(kKindNames),
                                          [&](const char* k) { return k == std::string(argv[2]); })
                           : std::end(kKindNames);
    if (kind == std::end(kKindNames)) {
        std::cerr << "tessaray: " << kAnswerNotificationMode
                  << " is the program's own; it takes "
                     "snapshot|recording|failed|exported|text-copied|text-read, FILE "
                     "and MESSAGE\n";
        return 2;
    }
    NotifyAndAnswer({CaptureNotice::Kind(kind - std::begin(kKindNames)), argv[3], argv[4]});
    return 0;
}

std::optional<int> RunHeadlessCommand(const CommandLine& cl, int argc, char** argv) {
    (void)argc;
    (void)argv;
    if (auto code = ListMonitorsFromCommandLine(cl))
        return code;
    if (auto code = RunControlFromCommandLine(cl, std::cout, std::cerr))
        return code;
    // An export or a trim reads a file and writes one: no display, no settings.
    if (WantsExportCommand(cl.longOptions))
        return RunExportCommand(cl.longOptions, std::cout, std::cerr, isatty(STDERR_FILENO));
    // The mark-up editor needs the toolkit: the window program runs it (app/EditCommandLine.h).
    if (HasLongOption(cl.longOptions, "edit"))
        return std::nullopt;
    if (WantsTrimCommand(cl.longOptions))
        return RunTrimCommand(cl.longOptions, std::cout, std::cerr, isatty(STDERR_FILENO));
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
    } else if (WantsTextCommand(cl.longOptions)) {
        auto screen = OpenScreenAndLoadSettings();
        if (!HasLongOption(cl.longOptions, "input"))
            if (auto refused = SetUpScreenBackendForCommand(cl))
                return refused;
        code = RunTextCommand(cl.longOptions, screen.get(), GlobalSettings(), std::cin, std::cout,
                              std::cerr, &notice);
        if (*code == kTextExitUsage)
            return code;
    } else if (WantsSnapshotCommand(cl.longOptions)) {
        code = RunSnapshotFromCommandLine(cl, false, &SetUpScreenBackendForCommand, &notice);
        if (!code || *code == kSnapshotExitUsage)
            return code;
    } else {
        return std::nullopt;
    }
    // The path and the exit status do not wait for the notification, which a server may keep
    // for as long as the user does not close it.
    std::cout.flush();
    std::string why;
    if (notify && (!notice.path.empty() || !notice.message.empty()) &&
        !StartNotificationAnswerer(notice, &why))
        std::cerr << "tessaray: " << FormatText(Tr("no notification is shown: %s"), why.c_str())
                  << "\n";
    return code;
}

} // namespace tess
