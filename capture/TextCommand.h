#pragma once
// The command-line text capture for scripts:
//   tessaray --text [--window ID | --region X,Y,W,H|last | --monitor M | --input FILE|-]
//            [--lang L] [--clipboard] [--notify]
// Reads the text shown in a window, a rectangle, a monitor or the screen (or in a picture
// file, or one on standard input with "-") and prints it on standard output: UTF-8, line
// breaks kept, no blank lines at the end. It runs in the window program's headless path: the
// recogniser (media/TextPrep.h, platform/TextRecognizer.h) is C++ and loads OpenMP, which the
// launcher, with its own C++ runtime built in, must not load.
#include <istream>
#include <optional>
#include <ostream>
#include <string>

#include "capture/CommandOptions.h"
#include "platform/DesktopServices.h"

namespace tess {

struct Settings;
class ScreenConnection;

// Exit codes: text found; no text or recognition failed; a mistake on the command line.
inline constexpr int kTextExitFound = 0;
inline constexpr int kTextExitNone = 1;
inline constexpr int kTextExitUsage = 2;

struct TextOptions {
    bool ok = false;
    WindowId window = 0;
    std::optional<ScreenRect> area;
    std::string monitor;    // a name or number, looked up once the display is open
    std::string input;      // a picture file, "-" for standard input; empty: the screen
    std::string languages;  // --lang; empty: the setting's (or the locale's)
    bool clipboard = false; // the text also stays on the clipboard
    std::string error;      // what is wrong with the command line
};

// True when the long options ask for the text capture.
bool WantsTextCommand(const LongOptions& longOptions);

// Reads the options above (--notify and --backend are the caller's). At most one of
// --window, --region, --monitor and --input; "--region last" takes `lastRegion`.
TextOptions ParseTextOptions(const LongOptions& longOptions, const std::string& lastRegion = {});

// Runs the command: prints the text on `out` and returns 0, or the reason on `err` and 1 (2
// for a usage error). `screen` null means no display (enough for --input). `in` is read for
// "--input -". `result`, when given, receives what a notification says (not for a usage
// error).
int RunTextCommand(const LongOptions& longOptions, ScreenConnection* screen,
                   const Settings& settings, std::istream& in, std::ostream& out, std::ostream& err,
                   CaptureNotice* result = nullptr);

} // namespace tess
