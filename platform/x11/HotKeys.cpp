#include "platform/x11/HotKeys.h"

#include "platform/x11/Screen.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <map>

namespace tess {

unsigned long KeysymForVirtualKey(unsigned vk) {
    if (vk >= '0' && vk <= '9')
        return XK_0 + (vk - '0');
    if (vk >= 'A' && vk <= 'Z')
        return XK_a + (vk - 'A');
    if (vk >= 0x70 && vk <= 0x87) // F1..F24
        return XK_F1 + (vk - 0x70);
    if (vk >= 0x60 && vk <= 0x69) // numeric keypad 0..9
        return XK_KP_0 + (vk - 0x60);
    static const std::map<unsigned, unsigned long> table = {
        {0x08, XK_BackSpace},   {0x09, XK_Tab},          {0x0C, XK_Clear},
        {0x0D, XK_Return},      {0x13, XK_Pause},        {0x14, XK_Caps_Lock},
        {0x1B, XK_Escape},      {0x20, XK_space},        {0x21, XK_Prior},
        {0x22, XK_Next},        {0x23, XK_End},          {0x24, XK_Home},
        {0x25, XK_Left},        {0x26, XK_Up},           {0x27, XK_Right},
        {0x28, XK_Down},        {0x2C, XK_Print},        {0x2D, XK_Insert},
        {0x2E, XK_Delete},      {0x2F, XK_Help},         {0x6A, XK_KP_Multiply},
        {0x6B, XK_KP_Add},      {0x6C, XK_KP_Separator}, {0x6D, XK_KP_Subtract},
        {0x6E, XK_KP_Decimal},  {0x6F, XK_KP_Divide},    {0x90, XK_Num_Lock},
        {0x91, XK_Scroll_Lock}, {0xBA, XK_semicolon},    {0xBB, XK_equal},
        {0xBC, XK_comma},       {0xBD, XK_minus},        {0xBE, XK_period},
        {0xBF, XK_slash},       {0xC0, XK_grave},        {0xDB, XK_bracketleft},
        {0xDC, XK_backslash},   {0xDD, XK_bracketright}, {0xDE, XK_apostrophe},
    };
    auto it = table.find(vk);
    return it == table.end() ? 0 : it->second;
}

unsigned VirtualKeyForKeysym(unsigned long keysym) {
    if (keysym >= XK_A && keysym <= XK_Z)
        keysym += XK_a - XK_A;
    for (unsigned vk = 1; vk < 256; ++vk)
        if (KeysymForVirtualKey(vk) == keysym)
            return vk;
    return 0;
}

std::string KeysymName(unsigned vk) {
    const unsigned long sym = KeysymForVirtualKey(vk);
    const char* name = sym ? XKeysymToString(sym) : nullptr;
    return name ? name : std::string();
}

std::string VirtualKeyName(unsigned vk) {
    static const std::map<unsigned, const char*> names = {
        {0x21, "Page Up"}, {0x22, "Page Down"}, {0x08, "Backspace"}, {0x1B, "Esc"},
        {0x20, "Space"},   {0x2C, "Print"},     {0x2E, "Delete"},    {0x2D, "Insert"},
        {0x0D, "Enter"},   {0x6A, "Num *"},     {0x6B, "Num +"},     {0x6D, "Num -"},
        {0x6E, "Num Del"}, {0x6F, "Num /"},     {0x13, "Pause"},     {0x91, "Scroll Lock"},
    };
    if (auto it = names.find(vk); it != names.end())
        return it->second;
    if (vk >= 0x60 && vk <= 0x69)
        return "Num " + std::to_string(vk - 0x60);
    unsigned long sym = KeysymForVirtualKey(vk);
    const char* text = sym ? XKeysymToString(sym) : nullptr;
    if (!text)
        return "(" + std::to_string(vk) + ")";
    std::string name = text;
    if (name.size() == 1 && name[0] >= 'a' && name[0] <= 'z')
        name[0] = static_cast<char>(name[0] - 'a' + 'A');
    return name;
}

bool IsExtendedVirtualKey(unsigned vk) {
    return (vk >= 0x21 && vk <= 0x2E) || vk == 0x6F;
}

struct X11HotKeys::Impl {
    Display* dpy = nullptr;
    Window root = 0;
    unsigned numLockMask = 0;
    struct Grab {
        int keycode;
        unsigned mask;
    };
    std::map<int, Grab> grabs;

    // The lock variants that must be grabbed as well.
    std::vector<unsigned> LockVariants() const {
        std::vector<unsigned> v = {0, LockMask};
        if (numLockMask) {
            v.push_back(numLockMask);
            v.push_back(numLockMask | LockMask);
        }
        return v;
    }
    void Ungrab(const Grab& g) {
        for (unsigned extra : LockVariants())
            XUngrabKey(dpy, g.keycode, g.mask | extra, root);
    }
    bool TryGrab(const Grab& grab);
};

X11HotKeys::X11HotKeys() : impl_(std::make_unique<Impl>()) {}

X11HotKeys::~X11HotKeys() {
    if (impl_->dpy) {
        UnregisterAll();
        XCloseDisplay(impl_->dpy);
    }
}

std::unique_ptr<X11HotKeys> X11HotKeys::Open(const char* displayName) {
    Display* dpy = XOpenDisplay(displayName);
    if (!dpy)
        return nullptr;
    std::unique_ptr<X11HotKeys> keys(new X11HotKeys());
    keys->impl_->dpy = dpy;
    keys->impl_->root = DefaultRootWindow(dpy);
    // Auto-repeat sends press / release pairs; ask for presses only while held.
    Bool supported = False;
    XkbSetDetectableAutoRepeat(dpy, True, &supported);
    // Which modifier bit Num Lock is.
    if (XModifierKeymap* map = XGetModifierMapping(dpy)) {
        KeyCode numLock = XKeysymToKeycode(dpy, XK_Num_Lock);
        for (int m = 0; m < 8 && numLock; ++m)
            for (int k = 0; k < map->max_keypermod; ++k)
                if (map->modifiermap[m * map->max_keypermod + k] == numLock)
                    keys->impl_->numLockMask = 1u << m;
        XFreeModifiermap(map);
    }
    return keys;
}

namespace {

// The key code and modifier mask of a combination; false when the key has no key code.
bool GrabFor(Display* dpy, unsigned mods, unsigned vk, int* keycode, unsigned* mask) {
    unsigned long sym = KeysymForVirtualKey(vk);
    if (!sym)
        return false;
    *keycode = XKeysymToKeycode(dpy, sym);
    if (!*keycode)
        return false;
    *mask = 0;
    if (mods & kModShift)
        *mask |= ShiftMask;
    if (mods & kModControl)
        *mask |= ControlMask;
    if (mods & kModAlt)
        *mask |= Mod1Mask;
    return true;
}

} // namespace

// Grabs the combination with every lock variant; false (and nothing kept) when the server
// refuses it because another client holds it. The errors are recorded for this connection
// only (XErrorScope): the process-wide handler stays as it is, so a recorder thread's trap
// on its own connection is never swapped away meanwhile.
bool X11HotKeys::Impl::TryGrab(const Grab& grab) {
    XErrorScope errors(dpy);
    errors.sync(); // what came before is not this grab's
    for (unsigned extra : LockVariants())
        XGrabKey(dpy, grab.keycode, grab.mask | extra, root, False, GrabModeAsync, GrabModeAsync);
    if (!errors.sync())
        return true;
    // Held by another program: undo what was granted.
    Ungrab(grab);
    errors.sync();
    return false;
}

bool X11HotKeys::Register(int id, unsigned mods, unsigned vk) {
    Impl& d = *impl_;
    Unregister(id);
    Impl::Grab grab{};
    if (!GrabFor(d.dpy, mods, vk, &grab.keycode, &grab.mask))
        return false;
    for (const auto& [other, g] : d.grabs)
        if (g.keycode == grab.keycode && g.mask == grab.mask)
            return false; // taken by another id
    if (!d.TryGrab(grab))
        return false;
    d.grabs[id] = grab;
    return true;
}

bool X11HotKeys::HeldByOtherClient(unsigned mods, unsigned vk) {
    Impl& d = *impl_;
    Impl::Grab grab{};
    if (!GrabFor(d.dpy, mods, vk, &grab.keycode, &grab.mask))
        return false;
    for (const auto& [other, g] : d.grabs)
        if (g.keycode == grab.keycode && g.mask == grab.mask)
            return false; // ours
    if (!d.TryGrab(grab))
        return true;
    XErrorScope errors(d.dpy);
    d.Ungrab(grab);
    errors.sync();
    return false;
}

void X11HotKeys::Unregister(int id) {
    auto it = impl_->grabs.find(id);
    if (it == impl_->grabs.end())
        return;
    {
        XErrorScope errors(impl_->dpy);
        impl_->Ungrab(it->second);
        errors.sync();
    }
    impl_->grabs.erase(it);
}

void X11HotKeys::UnregisterAll() {
    while (!impl_->grabs.empty())
        Unregister(impl_->grabs.begin()->first);
}

std::vector<int> X11HotKeys::Poll() {
    std::vector<int> ids;
    Impl& d = *impl_;
    const unsigned relevant = ShiftMask | ControlMask | Mod1Mask;
    while (XPending(d.dpy) > 0) {
        XEvent ev;
        XNextEvent(d.dpy, &ev);
        if (ev.type != KeyPress)
            continue;
        for (const auto& [id, g] : d.grabs)
            if (static_cast<int>(ev.xkey.keycode) == g.keycode &&
                (ev.xkey.state & relevant) == g.mask)
                ids.push_back(id);
    }
    return ids;
}

int X11HotKeys::fd() const {
    return ConnectionNumber(impl_->dpy);
}

} // namespace tess
