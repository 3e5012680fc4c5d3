#pragma once
// The few toolkit and desktop calls the program makes directly: the X window id behind a
// widget, the default application for a file, and the "open with" application chooser.
// Only plain C++ types cross this interface (widgets are passed as `void*`, a GtkWidget).
#include <functional>
#include <string>

namespace tess::gtk {

// A plain X window of our own inside a widget's area, for a video sink to draw into: the
// toolkit neither draws over it nor knows of it (X keeps the toolkit's drawing off it).
class ChildXWindow {
public:
    ChildXWindow() = default;
    ~ChildXWindow();
    ChildXWindow(const ChildXWindow&) = delete;
    ChildXWindow& operator=(const ChildXWindow&) = delete;

    // Makes the window (black, unmapped) inside the native window that holds `widget`.
    // False when the display is not X11 or the widget has no window yet.
    bool Create(void* widget);
    unsigned long id() const { return window_; }
    // Places it over the screen rectangle (x, y, w, h) and shows or hides it.
    void Place(int x, int y, int w, int h);
    void Show(bool show);
    bool shown() const { return shown_; }
    // Calls `exposed` (window thread) whenever part of the window needs drawing again (a
    // dialog that lay over it went away): the X server has cleared it to black.
    void OnExpose(std::function<void()> exposed);
    // The toolkit's event filter hands the window's expose events here.
    void Exposed() const {
        if (exposed_)
            exposed_();
    }

private:
    void* display_ = nullptr; // the toolkit's Display
    void* parent_ = nullptr;  // the GdkWindow it lives in
    unsigned long window_ = 0;
    bool shown_ = false;
    std::function<void()> exposed_;
    bool filtering_ = false;
};

// Once `dialog` (a GtkWindow, the toolkit's file chooser) is on the screen: at most two
// thirds of its monitor's work area large and over the middle of the window it belongs to
// (the chooser's own default size fills a small screen, so the window manager puts it in a
// corner).
void PlaceOverParentWhenShown(void* dialog);

// Makes the toolkit open its windows on the X display (Xwayland in a Wayland session), as
// the program's window, selection and screen code speak X11. Call before the toolkit
// starts; programs started from here are not affected.
void UseX11Toolkit();

// True once the widget's window is on the screen (a top-level window: mapped by the
// window manager, which then honours its size requests).
bool IsMapped(void* widget);

// The Escape key for a top-level window (`widget`, a GtkWidget) that does not take the
// focus: from the time the window is mapped it holds the X keyboard, so every key comes to
// it, and `escape` becomes true when Escape is pressed. The key is read as the X event
// arrives, whatever events the toolkit's loop lets through at the time. Stop before the
// window goes away.
struct EscapeWatch {
    bool escape = false;
    bool grabbed = false;
    void* window = nullptr; // the GdkWindow watched
};
void WatchEscape(void* widget, EscapeWatch* watch);
void StopWatchingEscape(EscapeWatch* watch);

// Opens `path` in the desktop's default application for its type. False, with `error`,
// when there is none or it could not start.
bool LaunchDefaultApplication(const std::string& path, std::string* error = nullptr);

// Shows the toolkit's application chooser for `path` over `parent` (a GtkWidget of a
// top-level window, or null) and launches the chosen application with the file. Returns
// false when the user cancelled; `error` gets a launch failure.
bool ChooseApplicationAndOpen(void* parent, const std::string& path, std::string* error = nullptr);

// Asks for the top left corner of a top-level window (`window`, a GtkWindow not shown yet)
// at (x, y) as a user-specified position: window managers place a window where a program
// merely suggests (openbox puts it at its own choice) but keep one the user gave. The hint
// stays through later SetSizeHints.
void AskForUserPosition(void* window, int x, int y);

// The window manager's sizing rules for a top-level window (`window`, a GtkWindow): the
// part beyond `baseW` x `baseH` keeps the ratio aspectW : aspectH (any shape when either is
// 0) and is at least minW x minH; with `fixedHeight` the height stays at baseH instead.
// Replaces earlier rules.
struct SizeHints {
    int baseW = 0, baseH = 0;
    int aspectW = 4, aspectH = 3;
    int minW = 30, minH = 30;
    bool fixedHeight = false;
};
void SetSizeHints(void* window, const SizeHints& hints);

// Shows `text` at the key place of a menu item (`menuItem`, a GtkMenuItem), for key texts the
// toolkit cannot make an accelerator of ("Right-cursor"): only shown, no key is bound.
void ShowMenuKeyText(void* menuItem, const std::string& text);
// The key text ShowMenuKeyText gave a menu item; "" when none.
std::string MenuKeyText(void* menuItem);

} // namespace tess::gtk
