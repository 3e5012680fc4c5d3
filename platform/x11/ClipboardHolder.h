#pragma once
// Keeps a PNG picture or a text on the X clipboard after the process that copied it has ended:
// a small holder process owns the CLIPBOARD selection and serves it (targets "image/png", or
// the text targets, with TARGETS and TIMESTAMP; the INCR protocol for data larger than one
// request) until another program
// takes the selection or the display goes away, then ends. No toolkit: Xlib only.
//
// Any part of the program may call it, e.g. the command-line snapshot after writing its file:
//     std::string error;
//     if (!HoldClipboard(pngBytes, &error))
//         err << "tessaray: " << error << "\n";
// A later call (from any process) takes the selection, and the earlier holder ends.
#include <string>
#include <string_view>

namespace tess {

// Starts the holder with `png` (a whole PNG file) and returns once it owns the clipboard,
// so a program started next can paste the picture. The holder is detached (its own
// session, no standard streams, not a child of the caller: nobody needs to wait for it).
// `displayName` null: $DISPLAY. False, with `error` set, when no display answers, the
// selection could not be taken or the process could not be made.
bool HoldClipboard(std::string_view png, std::string* error, const char* displayName = nullptr);

// The same for text (UTF-8): the targets UTF8_STRING and "text/plain;charset=utf-8" give it
// as it is, STRING in Latin-1 (other characters as '?').
bool HoldClipboardText(std::string_view utf8, std::string* error,
                       const char* displayName = nullptr);

} // namespace tess
