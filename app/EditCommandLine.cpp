#include "app/EditCommandLine.h"

#include <istream>
#include <iterator>
#include <ostream>
#include <unistd.h>

#include "app/LauncherOptions.h"
#include "capture/AnnotationEditor.h"
#include "capture/CommandOptions.h"
#include "capture/EditCommands.h"
#include "capture/SnapshotCommand.h"
#include "media/MemBm.h"
#include "media/image/ImageCodec.h"
#include "platform/Translate.h"
#include "settings/FileNames.h"
#include "settings/Settings.h"

namespace tess {

namespace {

// TRANSLATORS: the options are typed as they stand; the words in capitals and "target
// options" name what the user puts there
constexpr char kEditUsage[] = N_("usage: tessaray --edit FILE|- [--output FILE]\n"
                                 "       tessaray --snapshot [target options] --edit\n");

// The editor's answer as the command line wants it: Copy leaves the picture on the clipboard
// for after the program has ended.
EditedPicture EditForCommandLine(const MemBm& picture, DesktopServices& desktop,
                                 const EditorSetup& setup, std::ostream& err) {
    EditedPicture edited = RunAnnotationEditor(nullptr, desktop, picture, setup);
    std::string why;
    if (edited.kind == EditedPicture::Kind::Copied && edited.picture &&
        !HoldPictureOnClipboard(*edited.picture, &why)) {
        err << "tessaray: "
            << FormatText(Tr("the picture is not on the clipboard: %s"), why.c_str()) << "\n";
        edited.kind = EditedPicture::Kind::Discarded;
    }
    return edited;
}

} // namespace

bool WantsEditCommand(const CommandLine& cl) {
    return HasLongOption(cl.longOptions, "edit");
}

int RunEditCommand(const CommandLine& cl, DesktopServices& desktop, std::istream& in,
                   std::ostream& out, std::ostream& err) {
    Settings& s = GlobalSettings();
    if (WantsSnapshotCommand(cl.longOptions)) {
        EditorSetup setup;
        setup.title = Tr("Edit snapshot");
        return RunSnapshotCommand(
            cl.longOptions, WindowThreadScreen(), s, out, err, isatty(STDERR_FILENO) != 0, nullptr,
            [&](const MemBm& picture) { return EditForCommandLine(picture, desktop, setup, err); });
    }
    std::string source, output;
    for (const auto& [name, value] : cl.longOptions) {
        if (name == "edit") {
            source = value;
        } else if (name == "output") {
            output = value;
        } else if (name != "backend") {
            err << "tessaray: " << FormatText(Tr("--edit does not take --%s"), name.c_str()) << "\n"
                << Tr(kEditUsage);
            return kUsageExitCode;
        }
    }
    if (source.empty() || (HasLongOption(cl.longOptions, "output") && output.empty())) {
        err << "tessaray: "
            << (source.empty() ? Tr("--edit needs a picture file (or - for standard input)")
                               : Tr("--edit needs a picture file (or - for standard input), and "
                                    "--output a file name"))
            << "\n"
            << Tr(kEditUsage);
        return kUsageExitCode;
    }

    std::string why;
    std::unique_ptr<MemBm> picture;
    if (source == "-") {
        const std::string bytes{std::istreambuf_iterator<char>(in), {}};
        picture = image::DecodeImage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                                     image::ImageType::Unknown, &why);
    } else {
        picture = image::LoadImageFile(source, image::ImageType::Unknown, &why);
    }
    if (!picture) {
        err << "tessaray: "
            << (source == "-"
                    ? FormatText(Tr("standard input is no picture this program reads: %s"),
                                 why.c_str())
                    : FormatText(Tr("%1$s is no picture this program reads: %2$s"), source.c_str(),
                                 why.c_str()))
            << "\n";
        return 1;
    }

    EditorSetup setup;
    setup.fileName = source == "-" ? std::string() : source;
    // TRANSLATORS: the editor's title; %s is the picture's file name
    setup.title = source == "-"
                      ? std::string(Tr("Edit picture"))
                      : FormatText(Tr("Edit %s"), source.substr(source.rfind('/') + 1).c_str());
    const EditedPicture edited = EditForCommandLine(*picture, desktop, setup, err);
    if (edited.kind == EditedPicture::Kind::Copied)
        return 0;
    if (edited.kind != EditedPicture::Kind::Save || !edited.picture) {
        err << "tessaray: " << Tr(kSnapshotDiscardedMessage) << "\n";
        return 1;
    }
    std::string target = !edited.path.empty() ? edited.path
                         : !output.empty()    ? output
                         : source != "-"      ? source
                                              : std::string();
    if (target.empty()) {
        CaptureFileName name =
            MakeCaptureFileName(s.defaultDirectory, s.fileSnapName,
                                ExtensionForImageFormat(s.imageFormat), -1, s.fileInstanceMode);
        if (!name.ok) {
            err << "tessaray: " << name.error << "\n";
            return 1;
        }
        target = name.path;
    }
    why =
        WriteEditedPicture(*edited.picture, target, PictureFormatOfName(source, s.imageFormat), -1);
    if (!why.empty()) {
        err << "tessaray: "
            << FormatText(Tr("the picture could not be saved to %1$s: %2$s"), target.c_str(),
                          why.c_str())
            << "\n";
        return 1;
    }
    out << target << "\n";
    return 0;
}

} // namespace tess
