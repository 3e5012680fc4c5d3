#pragma once
// Global hot keys on the X server: the keys of the hot-key value (platform/HotKey.h) as X
// keysyms and names, and registration with XGrabKey on the root window (also with Caps Lock
// and Num Lock held). Plain C++ types only: Xlib stays inside HotKeys.cpp.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/HotKey.h"

namespace tess {

// The X keysym of a virtual-key code, 0 when it has none.
unsigned long KeysymForVirtualKey(unsigned vk);
// The virtual-key code of an X keysym (letters in either case), 0 when it has none.
unsigned VirtualKeyForKeysym(unsigned long keysym);
// The name a key is shown by ("F9", "A", "Page Up"); a number in brackets when unknown.
std::string VirtualKeyName(unsigned vk);
// The X keysym name of a virtual-key code ("F9", "a", "Prior"); empty when it has none.
std::string KeysymName(unsigned vk);
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
