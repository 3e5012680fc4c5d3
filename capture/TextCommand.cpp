#include "capture/TextCommand.h"
#include "platform/Translate.h"

#include <iterator>
#include <memory>

#include "capture/SnapshotCommand.h"
#include "media/Grab.h"
#include "media/TextPrep.h"
#include "media/image/ImageCodec.h"
#include "platform/FileIo.h"
#include "platform/TextRecognizer.h"
#include "platform/x11/ClipboardHolder.h"
#include "platform/x11/Monitors.h"
#include "settings/Settings.h"

namespace tess {

namespace {

constexpr char kUsage[] =
    // TRANSLATORS: the options and their choices are typed as they stand; the words in
    // capitals (ID, X,Y,W,H, NAME, N, FILE, L) name what the user puts there
    N_("usage: tessaray --text [--window ID | --region X,Y,W,H|last | --monitor NAME|N |\n"
       "                        --input FILE|-] [--lang L] [--clipboard] [--notify]\n");

// The picture named by --input ("-": standard input), or null with the reason.
std::unique_ptr<MemBm> ReadInputPicture(const std::string& input, std::istream& in,
                                        std::string* error) {
    std::string bytes;
    if (input == "-") {
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } else if (auto file = ReadWholeFile(input)) {
        bytes = std::move(*file);
    } else {
        *error = FormatText(Tr("%s could not be read"), input.c_str());
        return nullptr;
    }
    std::string why;
    auto picture = image::DecodeImage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                                      image::ImageType::Unknown, &why);
    if (!picture && input == "-")
        *error = why.empty()
                     ? std::string(Tr("the picture on standard input is not a picture this program "
                                      "reads"))
                     : FormatText(Tr("the picture on standard input is not a picture this program "
                                     "reads: %s"),
                                  why.c_str());
    else if (!picture && why.empty())
        *error = FormatText(Tr("%s is not a picture this program reads"), input.c_str());
    else if (!picture)
        // TRANSLATORS: %1$s is the file's name, %2$s why it is not read
        *error = FormatText(Tr("%1$s is not a picture this program reads: %2$s"), input.c_str(),
                            why.c_str());
    return picture;
}

// The picture of the screen the options name (the cursor left out), or null with the reason.
std::unique_ptr<MemBm> GrabForText(ScreenConnection& screen, TextOptions& o, std::string* error) {
    int32_t code = 0;
    std::unique_ptr<MemBm> picture;
    if (o.window) {
        picture = GrabWindowPicture(screen, o.window, false, &code);
        if (!picture && code == 0)
            *error = FormatText(Tr("there is no window %lu"), o.window);
    } else {
        const ScreenRect* area = o.area ? &*o.area : nullptr;
        picture = GrabScreenPicture(screen, false, true, false, area, &code);
    }
    if (!picture && error->empty())
        *error = FormatText(Tr("the screen could not be read (error %d)"), static_cast<int>(code));
    return picture;
}

} // namespace

bool WantsTextCommand(const LongOptions& longOptions) {
    return HasLongOption(longOptions, "text");
}

TextOptions ParseTextOptions(const LongOptions& longOptions, const std::string& lastRegion) {
    TextOptions o;
    // The target options are the snapshot's, read by its parser; the rest are this command's.
    LongOptions target;
    for (const auto& [name, value] : longOptions) {
        if (name == "text" && !value.empty()) {
            o.error =
                FormatText(Tr("--%1$s takes no value (\"%2$s\")"), name.c_str(), value.c_str());
        } else if (name == "input") {
            if (value.empty())
                o.error = Tr("--input needs a picture file, or - for standard input");
            o.input = value;
        } else if (name == "lang") {
            if (value.empty())
                o.error = Tr("--lang needs language names such as eng or eng+deu");
            o.languages = value;
        } else if (name == "format" || name == "output" || name == "delay") {
            o.error = FormatText(Tr("unknown option --%s"), name.c_str());
        } else if (name != "text") {
            target.emplace_back(name, value);
        }
        if (!o.error.empty())
            return o;
    }
    const SnapshotOptions s = ParseSnapshotOptions(target, lastRegion);
    if (!s.ok) {
        o.error = s.error;
        return o;
    }
    o.window = s.request.window;
    o.area = s.request.area;
    o.monitor = s.monitor;
    o.clipboard = s.clipboard;
    if (!o.input.empty() && (o.window || o.area || !o.monitor.empty())) {
        o.error = Tr("--input cannot be given with --window, --region or --monitor");
        return o;
    }
    o.ok = true;
    return o;
}

int RunTextCommand(const LongOptions& longOptions, ScreenConnection* screen,
                   const Settings& settings, std::istream& in, std::ostream& out, std::ostream& err,
                   CaptureNotice* result) {
    TextOptions o = ParseTextOptions(longOptions, settings.lastRegion);
    if (!o.ok) {
        err << "tessaray: " << o.error << "\n" << Tr(kUsage);
        return kTextExitUsage;
    }
    auto fail = [&](const std::string& message) {
        err << "tessaray: " << message << "\n";
        if (result)
            *result = {CaptureNotice::Kind::Failed, {}, message};
        return kTextExitNone;
    };
    std::unique_ptr<MemBm> picture;
    std::string error;
    if (!o.input.empty()) {
        picture = ReadInputPicture(o.input, in, &error);
    } else if (!screen) {
        return fail(Tr(kNoDisplayMessage));
    } else {
        if (!o.monitor.empty()) {
            o.area = FindMonitor(ListMonitors(*screen), o.monitor, &error);
            if (!o.area) {
                err << "tessaray: " << error;
                return kTextExitUsage;
            }
        }
        picture = GrabForText(*screen, o, &error);
    }
    if (!picture)
        return fail(error);
    const std::string languages =
        o.languages.empty() ? ChosenTextLanguages(settings.ocrLanguage, UserLocale(),
                                                  InstalledLanguages(LanguageDataFolder()))
                            : o.languages;
    std::string text;
    if (!ReadScreenText(*picture, languages, &text, &error))
        return fail(error);
    if (text.empty())
        return fail(Tr(kNoTextFoundMessage));
    // The clipboard is served before the text goes out, so a script's next command finds it.
    const bool copied = o.clipboard && HoldClipboardText(text, &error);
    if (o.clipboard && !copied)
        err << "tessaray: " << FormatText(Tr("the text is not on the clipboard: %s"), error.c_str())
            << "\n";
    out << text << "\n";
    if (result)
        *result = {copied ? CaptureNotice::Kind::TextCopied : CaptureNotice::Kind::TextRead,
                   {},
                   FirstLine(text)};
    return kTextExitFound;
}

} // namespace tess
