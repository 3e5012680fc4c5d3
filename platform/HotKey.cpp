#include "platform/HotKey.h"

#include "platform/x11/HotKeys.h"

namespace tess {

HotKey HotKey::Of(unsigned vk, bool shift, bool control, bool alt) {
    uint16_t v = static_cast<uint16_t>(vk & 0xffu);
    if (shift)
        v |= kShift;
    if (control)
        v |= kControl;
    if (alt)
        v |= kAlt;
    if (IsExtendedVirtualKey(vk))
        v |= kExtended;
    return {v};
}

unsigned HotKey::modifiers() const {
    unsigned mods = 0;
    if (value & kShift)
        mods |= kModShift;
    if (value & kControl)
        mods |= kModControl;
    if (value & kAlt)
        mods |= kModAlt;
    return mods;
}

std::string HotKey::text() const {
    if (!value)
        return {};
    std::string text;
    if (value & kControl)
        text += "Ctrl + ";
    if (value & kShift)
        text += "Shift + ";
    if (value & kAlt)
        text += "Alt + ";
    return text + VirtualKeyName(virtualKey());
}

std::string HotKey::triggerText() const {
    const std::string key = KeysymName(virtualKey());
    if (key.empty())
        return {};
    std::string text;
    if (value & kControl)
        text += "CTRL+";
    if (value & kAlt)
        text += "ALT+";
    if (value & kShift)
        text += "SHIFT+";
    return text + key;
}

} // namespace tess
