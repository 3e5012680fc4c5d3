#include "capture/EditCommands.h"

#include "capture/AnnotationEditor.h"
#include "capture/FileDisplay.h"
#include "media/MemBm.h"
#include "media/VideoFile.h"
#include "media/WriteImageFile.h"
#include "media/image/ImageCodec.h"
#include "platform/DesktopServices.h"
#include "settings/Settings.h"

#include <wx/window.h>

namespace tess {

int32_t PictureFormatOfName(const std::string& path, int32_t fallback) {
    const size_t dot = path.rfind('.');
    const size_t slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return fallback;
    return ImageFormatFromName(path.substr(dot + 1)).value_or(fallback);
}

std::string WriteEditedPicture(const MemBm& picture, const std::string& path,
                               int32_t fallbackFormat, int32_t quality) {
    const std::optional<ImageFormat> format =
        PictureFileFormat(PictureFormatOfName(path, fallbackFormat));
    if (!format)
        return "no picture format for " + path;
    if (WriteImageFile(picture, *format, path, quality, true) == kImageOk)
        return {};
    const std::string& why = LastImageWriteError();
    return why.empty() ? "the picture file could not be written" : why;
}

std::string EditPictureOfFile(wxWindow* parent, DesktopServices& desktop, const MemBm& picture,
                              const std::string& path) {
    EditorSetup setup;
    setup.title = "Edit " + path.substr(path.rfind('/') + 1);
    setup.fileName = path;
    const EditedPicture edited = RunAnnotationEditor(parent, desktop, picture, setup);
    if (!edited.picture)
        return {};
    if (edited.kind == EditedPicture::Kind::Copied) {
        if (!desktop.copyPicture(edited.picture->bits(), edited.picture->width(),
                                 edited.picture->height(), edited.picture->stride()))
            desktop.message("The clipboard could not take the picture.", "Copy",
                            MessageKind::Error);
        return {};
    }
    const std::string target = edited.path.empty() ? path : edited.path;
    // A file named without a picture extension keeps the format of the settings.
    const std::string why = WriteEditedPicture(
        *edited.picture, target, PictureFormatOfName(path, GlobalSettings().imageFormat), -1);
    if (!why.empty()) {
        desktop.message("The picture could not be saved to " + target + ": " + why + ".", "Edit",
                        MessageKind::Error);
        return {};
    }
    return target;
}

std::string EditPictureFile(wxWindow* parent, DesktopServices& desktop, const std::string& path) {
    std::string why;
    const std::unique_ptr<MemBm> picture =
        image::LoadImageFile(path, image::ImageType::Unknown, &why);
    if (!picture) {
        desktop.message(path + " cannot be edited: " + why + ".", "Edit", MessageKind::Error);
        return {};
    }
    return EditPictureOfFile(parent, desktop, *picture, path);
}

void FileDisplay::Edit() {
    const MemBm* picture = file_ && file_->isPicture() ? file_->picture() : nullptr;
    if (!picture)
        return;
    const std::string written = EditPictureOfFile(client_ ? wxGetTopLevelParent(client_) : nullptr,
                                                  desktop_, *picture, file_->fileName());
    if (!written.empty())
        Display(written);
}

} // namespace tess
