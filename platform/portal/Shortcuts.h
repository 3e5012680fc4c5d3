#pragma once
// Global hot keys through the desktop portal's GlobalShortcuts interface, for a Wayland
// session: there a key grab on Xwayland only sees keys pressed while an X window has the
// focus. The desktop owns the keys: the program names its actions, describes them so the
// desktop's settings can show them, and suggests a trigger for each; the desktop may ask the
// user to confirm and may give other keys.
//
// Everything runs on the window thread: the portal's answers and the key presses arrive as
// D-Bus signals through GLib's default main context, which the toolkit's main loop runs.
#include <memory>
#include <string>
#include <vector>

#include "platform/Translate.h"

namespace tess {

// What the program says once where neither an X key grab nor the portal can give global hot
// keys (a Wayland session whose desktop has no shortcut portal). Marked for translation:
// shown through Tr(), logged as it is.
inline constexpr const char* kNoGlobalHotKeysMessage =
    N_("Global hot keys are not available in this session.");

struct PortalShortcut {
    std::string id;          // stable name of the action ("video", "snapshot", "region")
    std::string description; // what the desktop's settings show
    std::string trigger;     // the suggested keys ("CTRL+SHIFT+F9"); "" for none
};

class PortalShortcuts {
public:
    // Null when no session bus is there (none is started for the question) or the bus has
    // no GlobalShortcuts portal.
    static std::unique_ptr<PortalShortcuts> Open();
    ~PortalShortcuts();
    PortalShortcuts(const PortalShortcuts&) = delete;
    PortalShortcuts& operator=(const PortalShortcuts&) = delete;

    // Asks the desktop for these shortcuts, in a new portal session (an earlier one is
    // closed). The answer comes later, through the main loop.
    void Bind(std::vector<PortalShortcut> shortcuts);
    // True once the desktop accepted the last Bind.
    bool bound() const;
    // Why the last Bind failed ("" while it is pending or when it worked).
    std::string failure() const;
    // The positions (in the last Bind's list) of the shortcuts pressed since the last call.
    std::vector<int> Poll();

private:
    PortalShortcuts();
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace tess
