#pragma once
// Global hot keys: the 16-bit hot-key value (low byte a virtual-key code, high byte the
// hot-key control's flags 0x01 Shift, 0x02 Control, 0x04 Alt, 0x08 extended), its mapping
// to registration modifiers, and registration on the X server with XGrabKey on the root
// window (also with Caps Lock and Num Lock held). Plain C++ types only: Xlib stays inside
// HotKeys.cpp.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tess {

// Registration modifiers.
inline constexpr unsigned kModAlt = 1;
inline constexpr unsigned kModControl = 2;
inline constexpr unsigned kModShift = 4;

// The registration modifiers of a hot-key value (the extended-key flag adds none).
unsigned HotKeyModifiers(uint16_t value);
// The virtual-key code of a hot-key value.
inline unsigned HotKeyVirtualKey(uint16_t value) {
    return value & 0xffu;
}
// The X keysym of a virtual-key code, 0 when it has none.
unsigned long KeysymForVirtualKey(unsigned vk);
// The virtual-key code of an X keysym (letters in either case), 0 when it has none.
unsigned VirtualKeyForKeysym(unsigned long keysym);
// The name a key is shown by ("F9", "A", "Page Up"); a number in brackets when unknown.
std::string VirtualKeyName(unsigned vk);
// A hot-key value as a desktop's shortcut trigger: modifiers and the key's keysym name joined
// by "+" ("CTRL+SHIFT+F9", "ALT+a"); "" when the key has no keysym.
std::string ShortcutTriggerText(uint16_t value);
// Whether a key's hot-key value gets the extended-key flag (the navigation block, the
// keypad's divide key).
bool IsExtendedVirtualKey(unsigned vk);

// Hot keys registered on one X display connection of their own.
class X11HotKeys {
public:
    // Opens the connection (null: $DISPLAY); null when no display answers.
    static std::unique_ptr<X11HotKeys> Open(const char* displayName = nullptr);
    ~X11HotKeys();
    X11HotKeys(const X11HotKeys&) = delete;
    X11HotKeys& operator=(const X11HotKeys&) = delete;

    // Registers `id` for the key `vk` with registration modifiers `mods`. False when the
    // key has no keysym or keycode, when the combination is already taken (by another
    // program, or by another id here), or the server refused the grab.
    bool Register(int id, unsigned mods, unsigned vk);
    // True when another X client holds the combination (a probe grab is refused); a
    // combination registered here counts as free.
    bool HeldByOtherClient(unsigned mods, unsigned vk);
    // Removes `id`'s registration; harmless when it has none.
    void Unregister(int id);
    void UnregisterAll();
    // The ids whose keys were pressed since the last call, in order (never blocks).
    std::vector<int> Poll();
    // The connection's file descriptor (readable when Poll may have something).
    int fd() const;

private:
    X11HotKeys();
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace tess
