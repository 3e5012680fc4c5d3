#include "app/LauncherOptions.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "platform/Translate.h"
#include "version.h"

namespace tess {

namespace {

// Long options and the commands that read them (--snapshot, --record, --export and --trim,
// app/Headless.h).
constexpr std::array<std::string_view, 29> kLongOptions = {
    "help",      "version", "snapshot",     "record",  "window", "region",  "format",
    "output",    "seconds", "audio",        "backend", "delay",  "monitor", "list-monitors",
    "clipboard", "notify",  "audio-source", "control", "export", "fps",     "scale",
    "edit",      "trim",    "from",         "to",      "cut",    "text",    "input",
    "lang"};

} // namespace

// The usage text, a paragraph or an option at a time for the catalog (the option names, the
// values typed as they stand and the layout are kept by a translation).
std::string UsageText() {
    std::string text;
    // TRANSLATORS: the synopsis: keep "tessaray", the options and the values such as
    // png|bmp|gif|jpg as they stand; the words in capitals name what the user puts there
    text += Tr("Usage: tessaray [-m] [FILE]\n"
               "       tessaray -u\n"
               "       tessaray --snapshot [--window ID | --region X,Y,W,H|last | --monitor M]\n"
               "                [--format png|bmp|gif|jpg] [--output FILE] [--delay N]\n"
               "                [--clipboard] [--notify] [--edit]\n"
               "       tessaray --edit FILE|- [--output FILE]\n"
               "       tessaray --record [--seconds N]\n"
               "                [--window ID | --region X,Y,W,H|last | --monitor M]\n"
               "                [--audio | --audio-source mic|desktop|both|NAME]\n"
               "                [--output FILE] [--notify]\n"
               "       tessaray --list-monitors | --help | --version\n"
               "  (each with --backend x11|portal)\n"
               "       tessaray --export IN --output OUT [--format webm|mp4|gif] [--fps N]\n"
               "                [--scale 50|100] [--from T] [--to T]\n"
               "       tessaray --trim IN --output OUT [--from T] [--to T] [--cut T1-T2]...\n"
               "       tessaray --control record|stop|pause|resume|snapshot\n"
               "       tessaray --text [--window ID | --region X,Y,W,H|last | --monitor M |\n"
               "                --input FILE|-] [--lang L] [--clipboard] [--notify]\n");
    text += "\n";
    text += Tr("Captures the screen, a monitor, a window or a rectangle as a picture or a\n"
               "recording, and shows pictures, recordings and sound files.\n");
    text += "\n";
    // TRANSLATORS: an option and what it does: keep the option's name and the column the
    // text starts in (lines are at most 80 characters)
    text += Tr("  FILE               show FILE (a picture, recording or sound file) at start\n");
    text += Tr("  -m, /m             start minimized, to the tray when the tray icon is on\n");
    text += Tr("  -u, /u             remove the log-on start entry and exit with code 1\n");
    text += Tr("  --snapshot         take one picture without a window and print its path\n");
    text += Tr("  --record           record without a window until --seconds have passed or\n"
               "                     the program is interrupted, then print the file's path\n");
    text += Tr("  --edit FILE        open the picture FILE (- reads standard input) in the\n"
               "                     picture editor; Save writes --output, else FILE, else a\n"
               "                     name from the picture pattern; with --snapshot the picture\n"
               "                     grabbed opens in it before anything is written; exit 0\n"
               "                     when saved or copied, 1 when cancelled\n");
    text += Tr("  --seconds N        length of the recording (decimals allowed)\n");
    text += Tr("  --window ID        capture the window with this X id (decimal or 0x hex)\n");
    text += Tr("  --region X,Y,W,H   capture this rectangle of the screen (write a negative X or\n"
               "                     Y as --region=-10,0,100,100)\n");
    text += Tr("  --region last      capture the rectangle chosen last in the window program\n");
    text += Tr("  --monitor M        capture the monitor named M, or number M as --list-monitors\n"
               "                     counts them (from 0)\n");
    text += Tr("  --format FORMAT    picture format: png, bmp, gif or jpg (of an export: webm,\n"
               "                     mp4 or gif); without it --output's extension chooses\n");
    text += Tr("  --audio            record sound too: the microphone, the desktop's sound or\n"
               "                     both, as the Sound device page chooses\n");
    text += Tr("  --audio-source S   record sound from S: mic (the sound input device), desktop\n"
               "                     (the desktop's sound), both, or the desktop's sound of the\n"
               "                     output whose monitor source is named S\n");
    text += Tr("  --output FILE      write to FILE instead of a name from the capture pattern\n"
               "                     (a snapshot's --output - writes the picture to standard\n"
               "                     output)\n");
    text += Tr("  --delay N          wait N seconds (0 to 60) before the snapshot, counting them\n"
               "                     down on standard error when it is a terminal\n");
    text += Tr("  --clipboard        put the snapshot (or the text) on the clipboard too; it\n"
               "                     stays there after the command ends, until another program\n"
               "                     copies something\n");
    text += Tr("  --notify           show a desktop notification of the capture (whatever the\n"
               "                     settings say); a process of its own answers its actions\n"
               "                     (Open, Show in folder, Copy) until it closes, at most 10\n"
               "                     minutes, while the command ends at once\n");
    text += Tr("  --backend B        read the screen through the X server (x11) or the desktop\n"
               "                     portal (portal); the default is the portal in a Wayland\n"
               "                     session\n");
    text += Tr("  --export IN        convert the recording IN to a WebM or MP4 video or an\n"
               "                     animated GIF (the format follows --output's extension, or\n"
               "                     --format webm|mp4|gif), showing the progress on standard\n"
               "                     error when it is a terminal; needs no display\n");
    text += Tr("  --fps N            frame rate of the export (1 to 30; the recording's, at most\n"
               "                     30, when not given)\n");
    text += Tr("  --scale P          size of the export in per cent of the recording: 100 or 50\n");
    text += Tr("  --trim IN          save a copy of the recording IN (.wmv or .wma) with only\n"
               "                     the parts kept by --from, --to and --cut, to --output of\n"
               "                     the same format; the picture stays lossless and each cut\n"
               "                     lands on the frame asked for, the music is coded again\n");
    text += Tr("  --from T, --to T   keep the recording from T, up to T (of --trim, and of\n"
               "                     --export to export a part); T is seconds such as 12.5 or\n"
               "                     [hh:]mm:ss[.mmm] such as 1:02.5\n");
    text += Tr("  --cut T1-T2        leave out the part from T1 to T2 (--trim; repeatable)\n");
    text += Tr("  --text             read the text shown in the window, rectangle, monitor or\n"
               "                     screen (or in the picture --input names, - for standard\n"
               "                     input) and print it, line breaks kept; exit 1 when none\n"
               "                     is found (needs the packages libtesseract5 and\n"
               "                     tesseract-ocr-eng)\n");
    text += Tr("  --lang L           the languages of --text, as Tesseract names them (eng,\n"
               "                     deu, eng+deu...); the default is the Image page's\n");
    text += Tr("  --list-monitors    print the monitors: number, name, geometry WxH+X+Y and\n"
               "                     \"primary\" for the primary one\n");
    text += Tr("  --control REQUEST  ask the running window program to record, stop, pause,\n"
               "                     resume or take a snapshot as its menu commands do, with\n"
               "                     its settings and capture target; waits until it is done\n"
               "                     (exit 3 when no window program runs)\n");
    text += Tr("  --help             show this text and exit\n");
    text += Tr("  --version          show the version and exit\n");
    text += "\n";
    text += Tr("One-letter switches begin with \"/\" or \"-\" in either case; letters after the\n"
               "first are ignored, and so are other letters. An argument naming an existing file\n"
               "is always a file. The windowless commands use the saved settings and save\n"
               "nothing; they exit with 0 when the file is written, 1 when it could not be,\n"
               "and 2 for a mistake on the command line.\n");
    return text;
}

std::string VersionText() {
    return std::string("tessaray ") + TESS_VERSION_STRING;
}

bool IsKnownLongOption(const std::string& name) {
    return std::find(kLongOptions.begin(), kLongOptions.end(), name) != kLongOptions.end();
}

std::optional<int> AnswerInformationalOptions(const CommandLine& cl, std::ostream& out,
                                              std::ostream& err) {
    // A windowless command tells about options it does not take itself, with its own usage.
    bool command = false;
    for (const auto& option : cl.longOptions)
        command = command || option.first == "snapshot" || option.first == "record" ||
                  option.first == "export" || option.first == "trim" || option.first == "text";
    for (const auto& [name, value] : cl.longOptions) {
        if (name == "help") {
            out << UsageText();
            return 0;
        }
        if (name == "version") {
            out << VersionText() << "\n";
            return 0;
        }
        if (name == "backend" && value != "x11" && value != "portal") {
            err << "tessaray: " << Tr("--backend must be x11 or portal") << "\n" << UsageText();
            return kUsageExitCode;
        }
        if (!command && !IsKnownLongOption(name)) {
            err << "tessaray: " << FormatText(Tr("unknown option --%s"), name.c_str()) << "\n"
                << UsageText();
            return kUsageExitCode;
        }
    }
    return std::nullopt;
}

} // namespace tess
