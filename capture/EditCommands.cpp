#include "capture/EditCommands.h"

#include "capture/AnnotationEditor.h"
#include "capture/FileDisplay.h"
#include "media/MemBm.h"
#include "media/VideoFile.h"
#include "media/WriteImageFile.h"
#include "media/image/ImageCodec.h"
#include "platform/DesktopServices.h"
#include "settings/Settings.h"

#include <wx/intl.h>
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
        return wxString::Format(_("no picture format for %s"), wxString::FromUTF8(path))
            .utf8_string();
    if (WriteImageFile(picture, *format, path, quality, true) == kImageOk)
        return {};
    const std::string& why = LastImageWriteError();
    return why.empty() ? _("the picture file could not be written").utf8_string() : why;
}

std::string EditPictureOfFile(wxWindow* parent, DesktopServices& desktop, const MemBm& picture,
                              const std::string& path) {
    EditorSetup setup;
    // TRANSLATORS: the picture editor's title; %s is the file's name
    setup.title =
        wxString::Format(_("Edit %s"), wxString::FromUTF8(path.substr(path.rfind('/') + 1)))
            .utf8_string();
    setup.fileName = path;
    const EditedPicture edited = RunAnnotationEditor(parent, desktop, picture, setup);
    if (!edited.picture)
        return {};
    if (edited.kind == EditedPicture::Kind::Copied) {
        if (!desktop.copyPicture(edited.picture->bits(), edited.picture->width(),
                                 edited.picture->height(), edited.picture->stride()))
            desktop.message(_("The clipboard could not take the picture.").utf8_string(),
                            // TRANSLATORS: a message box's title after the editor's Copy
                            _("Copy").utf8_string(), MessageKind::Error);
        return {};
    }
    const std::string target = edited.path.empty() ? path : edited.path;
    // A file named without a picture extension keeps the format of the settings.
    const std::string why = WriteEditedPicture(
        *edited.picture, target, PictureFormatOfName(path, GlobalSettings().imageFormat), -1);
    if (!why.empty()) {
        // TRANSLATORS: %1$s is the file, %2$s why it could not be written
        desktop.message(wxString::Format(_("The picture could not be saved to %1$s: %2$s."),
                                         wxString::FromUTF8(target), wxString::FromUTF8(why))
                            .utf8_string(),
                        // TRANSLATORS: a message box's title: editing a picture failed
                        _("Edit").utf8_string(), MessageKind::Error);
        return {};
    }
    return target;
}

std::string EditPictureFile(wxWindow* parent, DesktopServices& desktop, const std::string& path) {
    std::string why;
    const std::unique_ptr<MemBm> picture =
        image::LoadImageFile(path, image::ImageType::Unknown, &why);
    if (!picture) {
        // TRANSLATORS: %1$s is the file, %2$s why it could not be read
        desktop.message(wxString::Format(_("%1$s cannot be edited: %2$s."),
                                         wxString::FromUTF8(path), wxString::FromUTF8(why))
                            .utf8_string(),
                        // TRANSLATORS: a message box's title: editing a picture failed
                        _("Edit").utf8_string(), MessageKind::Error);
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
