#include "platform/notify/Notify.h"

#include "platform/Translate.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <gio/gio.h>
#include <libnotify/notify.h>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/Log.h"
#include "platform/Session.h"

namespace tess::notify {

namespace {

constexpr int kAnswerMs = 1000;
// Notifications whose actions are still answered; older ones are dropped beyond this.
constexpr size_t kMostKept = 16;
// A service found missing is asked again this long after, unless the bus has said since that
// its name has no owner (then it is asked again when the name appears).
constexpr auto kAskAgainAfter = std::chrono::minutes(1);

enum class Service { Unknown, Present, Absent };
Service gService = Service::Unknown;
bool gMarkup = false; // the service reads markup in the body
std::chrono::steady_clock::time_point gAbsentSince;

// The watch on the service's name, set up when it is first found missing. Its news comes on the
// GLib main context of the thread that showed the notifications.
enum class Name { Unknown, Owned, Unowned };
guint gWatch = 0;
Name gName = Name::Unknown;
bool gWatchFailed = false; // no bus for the watch: it tells nothing

struct Probe {
    std::mutex lock;
    std::condition_variable done;
    bool finished = false;
    bool answered = false;
    bool markup = false;
    std::string why;
};

// Asks the service for its capabilities on a thread of its own, so that a bus that never
// answers (not even the connection's greeting) holds the caller for a second only.
bool ServiceAnswers(std::string* why) {
    if (!SessionBusAddressKnown()) {
        *why = "no session bus";
        return false;
    }
    auto probe = std::make_shared<Probe>();
    std::thread([probe] {
        GError* error = nullptr;
        bool answered = false;
        bool markup = false;
        if (GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error)) {
            GVariant* caps = g_dbus_connection_call_sync(
                bus, "org.freedesktop.Notifications", "/org/freedesktop/Notifications",
                "org.freedesktop.Notifications", "GetCapabilities", nullptr, G_VARIANT_TYPE("(as)"),
                G_DBUS_CALL_FLAGS_NONE, kAnswerMs, nullptr, &error);
            if (caps) {
                answered = true;
                GVariant* list = g_variant_get_child_value(caps, 0);
                gsize n = 0;
                const gchar** names = g_variant_get_strv(list, &n);
                for (gsize i = 0; i < n; ++i)
                    markup = markup || g_strcmp0(names[i], "body-markup") == 0;
                g_free(names);
                g_variant_unref(list);
                g_variant_unref(caps);
            }
            g_object_unref(bus);
        }
        std::lock_guard<std::mutex> hold(probe->lock);
        probe->answered = answered;
        probe->markup = markup;
        if (error) {
            probe->why = error->message;
            g_error_free(error);
        }
        probe->finished = true;
        probe->done.notify_all();
    }).detach();
    std::unique_lock<std::mutex> hold(probe->lock);
    if (!probe->done.wait_for(hold, std::chrono::milliseconds(kAnswerMs),
                              [&] { return probe->finished; })) {
        *why = "the session bus did not answer within a second";
        return false;
    }
    *why = probe->why;
    gMarkup = probe->markup;
    return probe->answered;
}

void OnNameAppeared(GDBusConnection*, const gchar*, const gchar*, gpointer) {
    gName = Name::Owned;
    if (gService == Service::Absent)
        gService = Service::Unknown;
}

void OnNameVanished(GDBusConnection* bus, const gchar*, gpointer) {
    gName = bus ? Name::Unowned : Name::Unknown;
    gWatchFailed = bus == nullptr;
}

void Unwatch() {
    if (gWatch)
        g_bus_unwatch_name(gWatch);
    gWatch = 0;
    gName = Name::Unknown;
    gWatchFailed = false;
}

void GiveUp(std::string why) {
    gService = Service::Absent;
    gAbsentSince = std::chrono::steady_clock::now();
    while (!why.empty() && why.back() == '.')
        why.pop_back();
    LogWarning("No notification is shown after a capture: %s.", why.c_str());
    if (gWatchFailed)
        Unwatch();
    if (!gWatch && SessionBusAddressKnown())
        gWatch = g_bus_watch_name(G_BUS_TYPE_SESSION, "org.freedesktop.Notifications",
                                  G_BUS_NAME_WATCHER_FLAGS_NONE, OnNameAppeared, OnNameVanished,
                                  nullptr, nullptr);
}

bool Available() {
    if (gService == Service::Absent && gName != Name::Unowned &&
        std::chrono::steady_clock::now() - gAbsentSince >= kAskAgainAfter)
        gService = Service::Unknown;
    if (gService == Service::Unknown) {
        std::string why;
        if (!ServiceAnswers(&why))
            GiveUp(why);
        else if (!notify_is_initted() && !notify_init("Tessaray"))
            GiveUp("the notification library could not start");
        else
            gService = Service::Present;
    }
    return gService == Service::Present;
}

struct Shown {
    NotifyNotification* notification = nullptr;
    std::function<void(const std::string&)> onAction;
    std::function<void()> onClosed;
    gulong closedHandler = 0;
};

std::list<std::unique_ptr<Shown>>& ShownList() {
    static std::list<std::unique_ptr<Shown>> list;
    return list;
}

// Forgets a shown notification and runs its end.
void Drop(Shown* shown) {
    auto& list = ShownList();
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (it->get() != shown)
            continue;
        std::unique_ptr<Shown> gone = std::move(*it);
        list.erase(it);
        g_signal_handler_disconnect(gone->notification, gone->closedHandler);
        notify_notification_clear_actions(gone->notification);
        g_object_unref(gone->notification);
        if (gone->onClosed)
            gone->onClosed();
        return;
    }
}

void OnAction(NotifyNotification*, char* action, gpointer data) {
    auto* shown = static_cast<Shown*>(data);
    if (shown->onAction)
        shown->onAction(action ? action : "");
}

void OnClosed(NotifyNotification*, gpointer data) {
    Drop(static_cast<Shown*>(data));
}

std::string UriOf(const std::string& path) {
    GFile* file = g_file_new_for_path(path.c_str());
    gchar* uri = g_file_get_uri(file);
    std::string text = uri ? uri : "";
    g_free(uri);
    g_object_unref(file);
    return text;
}

} // namespace

Notice NoticeFor(const CaptureNotice& capture) {
    Notice n;
    n.icon = "tessaray";
    const std::string name = std::filesystem::path(capture.path).filename().string();
    const bool haveFile = !capture.path.empty();
    switch (capture.kind) {
    case CaptureNotice::Kind::Snapshot:
        n.summary = Tr("Snapshot saved");
        n.body = name;
        n.imagePath = capture.path;
        break;
    case CaptureNotice::Kind::Recording:
        n.summary =
            capture.message.empty() ? Tr("Recording saved") : Tr("Recording saved without sound");
        if (capture.message.empty()) {
            n.body = name;
        } else {
            // TRANSLATORS: %1$s is the recording's file name, %2$s why it has no sound
            const char* withoutSound = Tr("%1$s\nWithout sound: %2$s");
            n.body = FormatText(withoutSound, name.c_str(), capture.message.c_str());
        }
        break;
    case CaptureNotice::Kind::Exported:
        n.summary = Tr("Copy of the recording saved");
        n.body = name;
        break;
    case CaptureNotice::Kind::TextCopied:
    case CaptureNotice::Kind::TextRead:
        n.summary =
            capture.kind == CaptureNotice::Kind::TextCopied ? Tr("Text copied") : Tr("Text read");
        n.body = capture.message;
        break;
    case CaptureNotice::Kind::Failed:
        n.summary = Tr("Capture failed");
        n.body = capture.message;
        n.critical = true;
        break;
    }
    if (haveFile) {
        // TRANSLATORS: a notification's button: open the file just captured
        n.actions = {{kOpen, Tr("Open")}, {kShowInFolder, Tr("Show in folder")}};
        if (capture.kind == CaptureNotice::Kind::Snapshot) {
            // TRANSLATORS: a notification's button: copy the snapshot to the clipboard
            n.actions.emplace_back(kCopy, Tr("Copy"));
            // TRANSLATORS: a notification's button: open the snapshot in the mark-up editor
            n.actions.emplace_back(kEdit, Tr("Edit"));
        }
    }
    return n;
}

bool Show(const Notice& notice, std::function<void(const std::string& action)> onAction,
          std::function<void()> onClosed) {
    if (!Available())
        return false;
    // A server that reads markup would take "<" and "&" in a name as markup.
    std::string body;
    for (char c : notice.body)
        body += !gMarkup   ? std::string(1, c)
                : c == '&' ? "&amp;"
                : c == '<' ? "&lt;"
                : c == '>' ? "&gt;"
                           : std::string(1, c);
    NotifyNotification* n = notify_notification_new(
        notice.summary.c_str(), body.c_str(), notice.icon.empty() ? nullptr : notice.icon.c_str());
    notify_notification_set_hint_string(n, "desktop-entry", "tessaray");
    if (!notice.imagePath.empty())
        notify_notification_set_hint_string(n, "image-path", UriOf(notice.imagePath).c_str());
    notify_notification_set_urgency(n, notice.critical ? NOTIFY_URGENCY_CRITICAL
                                                       : NOTIFY_URGENCY_NORMAL);
    auto shown = std::make_unique<Shown>();
    shown->notification = n;
    shown->onAction = std::move(onAction);
    shown->onClosed = std::move(onClosed);
    for (const auto& [id, label] : notice.actions)
        notify_notification_add_action(n, id.c_str(), label.c_str(), OnAction, shown.get(),
                                       nullptr);
    shown->closedHandler = g_signal_connect(n, "closed", G_CALLBACK(OnClosed), shown.get());
    GError* error = nullptr;
    if (!notify_notification_show(n, &error)) {
        GiveUp(error ? error->message : "the service refused it");
        if (error)
            g_error_free(error);
        g_signal_handler_disconnect(n, shown->closedHandler);
        notify_notification_clear_actions(n);
        g_object_unref(n);
        return false;
    }
    auto& list = ShownList();
    list.push_back(std::move(shown));
    if (list.size() > kMostKept)
        Drop(list.front().get());
    return true;
}

bool ShowInFolder(const std::string& path) {
    const std::string uri = UriOf(path);
    if (SessionBusAddressKnown()) {
        if (GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr)) {
            const gchar* uris[] = {uri.c_str(), nullptr};
            GVariant* r = g_dbus_connection_call_sync(
                bus, "org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
                "org.freedesktop.FileManager1", "ShowItems", g_variant_new("(^ass)", uris, ""),
                nullptr, G_DBUS_CALL_FLAGS_NONE, kAnswerMs, nullptr, nullptr);
            g_object_unref(bus);
            if (r) {
                g_variant_unref(r);
                return true;
            }
        }
    }
    const std::string folder = UriOf(std::filesystem::path(path).parent_path().string());
    GError* error = nullptr;
    const bool opened = g_app_info_launch_default_for_uri(folder.c_str(), nullptr, &error);
    if (error) {
        LogWarning("The folder of %s could not be shown: %s", path.c_str(), error->message);
        g_error_free(error);
    }
    return opened;
}

void Reset() {
    while (!ShownList().empty())
        Drop(ShownList().front().get());
    if (notify_is_initted())
        notify_uninit();
    Unwatch();
    gService = Service::Unknown;
}

} // namespace tess::notify
