#pragma once
// A global hot key as the settings keep it: one 16-bit value, the low byte a virtual-key
// code, the high byte the flags 0x01 Shift, 0x02 Control, 0x04 Alt and 0x08 extended key
// (the navigation block, the keypad's divide key). The stored settings hold it in the low 16
// bits of an integer. No X11 here: platform/x11/HotKeys.h registers it on the X server.
#include <cstdint>
#include <string>

namespace tess {

// Registration modifiers (what X11HotKeys::Register takes).
inline constexpr unsigned kModAlt = 1;
inline constexpr unsigned kModControl = 2;
inline constexpr unsigned kModShift = 4;

struct HotKey {
    static constexpr uint16_t kShift = 0x0100;
    static constexpr uint16_t kControl = 0x0200;
    static constexpr uint16_t kAlt = 0x0400;
    static constexpr uint16_t kExtended = 0x0800;

    uint16_t value = 0; // 0: no hot key

    // The hot key of a stored setting (its low 16 bits).
    static HotKey FromStored(int32_t stored) { return {static_cast<uint16_t>(stored & 0xffff)}; }
    // The key `vk` with the modifiers held; the extended-key flag follows from the key.
    static HotKey Of(unsigned vk, bool shift, bool control, bool alt);

    int32_t stored() const { return value; }
    explicit operator bool() const { return value != 0; }
    unsigned virtualKey() const { return value & 0xffu; }
    // Registration modifiers (the extended-key flag adds none).
    unsigned modifiers() const;
    // The value without the extended-key flag: two values that differ only there register
    // the same combination.
    uint16_t combination() const { return static_cast<uint16_t>(value & ~kExtended); }
    // "Ctrl + Shift + F9"; empty for no hot key.
    std::string text() const;
    // As a desktop's shortcut trigger: modifiers and the key's keysym name joined by "+"
    // ("CTRL+SHIFT+F9", "ALT+a"); empty when the key has no keysym.
    std::string triggerText() const;
    bool operator==(const HotKey&) const = default;
};

} // namespace tess
