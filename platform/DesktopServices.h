#pragma once
// What the program asks of the desktop around it: message boxes, waits that let the windows
// repaint, the beep and the shutter clip, handing a file or an address to the desktop, choosing a
// folder, the clipboard, notifications, and the wall clock. The window program makes one object of
// these (the toolkit's, capture/WxDesktopServices.h) and hands it to the parts that need it; tests
// hand in a fake (tests/support/FakeDesktop.h). No toolkit type crosses this interface, so the
// logic libraries that take it build without the toolkit.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace tess {

enum class MessageKind { Info, Warning, Error, Question };
// YesNoDefaultNo: Yes and No with No as the default button (a question whose "Yes" keeps
// something doubtful).
enum class MessageButtons { Ok, YesNo, OkCancel, YesNoDefaultNo };
enum class MessageAnswer { Ok, Yes, No, Cancel };

// What a capture left, for the notification after it.
struct CaptureNotice {
    // Exported: a recording's copy; TextCopied and TextRead: text read off the screen, on the
    // clipboard or not, its first line the message.
    enum class Kind { Snapshot, Recording, Failed, Exported, TextCopied, TextRead };
    Kind kind = Kind::Snapshot;
    std::string path;    // the file written; a failure's file when part of it was kept
    std::string message; // a failure's message; for a recording, why it has no sound
};

class DesktopServices {
public:
    virtual ~DesktopServices() = default;

    // A modal message box over the program's main window; returns the button chosen
    // (Cancel when the box was closed otherwise).
    virtual MessageAnswer message(const std::string& text, const std::string& caption,
                                  MessageKind kind = MessageKind::Info,
                                  MessageButtons buttons = MessageButtons::Ok) = 0;
    // Waits `ms` milliseconds while the windows repaint (a window that just closed is then
    // off the screen).
    virtual void wait(int ms) = 0;
    // The system beep.
    virtual void beep() = 0;
    // The shutter clip, played without waiting for it.
    virtual void shutter() = 0;
    // Hands `path` to the desktop's default application for its type; false when none
    // could take it.
    virtual bool openFile(const std::string& path) = 0;
    // Opens an address ("https://...", "mailto:...") in the desktop's handler for its
    // scheme; false when none could take it.
    virtual bool openUri(const std::string& uri) = 0;
    // Lets the user pick a folder, starting at `start`; nothing when the choice was
    // cancelled.
    virtual std::optional<std::string> chooseDirectory(const std::string& title,
                                                       const std::string& start) = 0;
    // Puts a picture on the clipboard, offered as PNG first: `width` x `height` pixels in
    // rows of `stride` bytes from the top, each pixel blue, green, red, unused. False when
    // the clipboard could not take it.
    virtual bool copyPicture(const uint8_t* bgrx, int width, int height, int stride) = 0;
    // Puts UTF-8 text on the clipboard; false when the clipboard could not take it.
    virtual bool copyText(const std::string& text) = 0;
    // Hands what the program put on the clipboard to a clipboard manager, when one runs, so
    // that it stays after the program ends.
    virtual void keepClipboard() = 0;
    // A desktop notification of a finished or failed capture, whose actions open the file in
    // the program, show it in its folder or copy its picture. Returns at once when the
    // desktop has no notification service.
    virtual void notifyCapture(const CaptureNotice& notice) = 0;
    // The wall-clock time now (file names, captions and the schedule go by it).
    virtual std::chrono::system_clock::time_point now() = 0;
};

} // namespace tess
