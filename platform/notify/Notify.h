#pragma once
// Desktop notifications through libnotify (org.freedesktop.Notifications on the session bus),
// and "show this file in its folder" (org.freedesktop.FileManager1 over GDBus, else the folder in
// GIO's default handler). No toolkit: the window program reaches this through its desktop
// services, the command line's --notify directly. A notification's actions and its end come back
// on the GLib main context of the thread that showed it (the toolkit's loop in the window
// program), as long as that context runs.
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/DesktopServices.h"

namespace tess::notify {

// Action ids: "default" is the click on the notification itself.
inline constexpr char kOpen[] = "default";
inline constexpr char kShowInFolder[] = "folder";
inline constexpr char kCopy[] = "copy";
inline constexpr char kEdit[] = "edit";

struct Notice {
    std::string summary;
    std::string body;      // plain text (escaped for servers that read markup)
    std::string imagePath; // a picture the server shows small; empty for none
    std::string icon;      // an icon name; empty for none
    bool critical = false;
    std::vector<std::pair<std::string, std::string>> actions; // id, label
};

// What the notification after a capture says and offers: the file's name, the picture of a
// snapshot, "Open", "Show in folder" and (pictures) "Copy" and "Edit"; a failure's message with the
// critical urgency; a recording without sound says so.
Notice NoticeFor(const CaptureNotice& capture);

// Shows `notice`. `onAction` gets the id of an action the user chose, `onClosed` runs once when
// the notification is gone (closed by the user, expired, or dropped). False when no
// notification service answers: when the bus is asked and it does not answer within a second,
// or has no such service, a warning is logged and later calls return false at once until the
// service's name appears on the bus (watched from then on, through the GLib main context of
// the calling thread) or, while the bus has not said the name has no owner, a minute has
// passed; then the bus is asked again.
bool Show(const Notice& notice, std::function<void(const std::string& action)> onAction,
          std::function<void()> onClosed = {});

// Asks the file manager to show `path` selected in its folder (ShowItems with the file's URI,
// answered within a second), else opens the folder in the desktop's default handler. False
// when neither could.
bool ShowInFolder(const std::string& path);

// Forgets every notification shown (running their ends) and what was found out about the
// service, as at a start.
void Reset();

} // namespace tess::notify
