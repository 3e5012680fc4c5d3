#include "capture/WxDesktopServices.h"

#include <wx/clipbrd.h>
#include <wx/dataobj.h>
#include <wx/dirdlg.h>
#include <wx/image.h>
#include <wx/msgdlg.h>
#include <wx/utils.h>

#include "capture/ClientSnapshot.h"
#include "media/MemBm.h"
#include "media/image/ImageCodec.h"
#include "platform/Log.h"
#include "platform/OpenUri.h"
#include "platform/alsa/WaveOut.h"
#include "platform/gtk/Desktop.h"
#include "platform/notify/Notify.h"
#include "resources/ShutterSound.h"

namespace tess {

wxWindow* WxDesktopServices::Over() const {
    wxWindow* active = wxGetActiveWindow();
    return active && active->IsShown() ? active : parent_;
}

MessageAnswer WxDesktopServices::message(const std::string& text, const std::string& caption,
                                         MessageKind kind, MessageButtons buttons) {
    long style = 0;
    switch (kind) {
    case MessageKind::Info:
        style = wxICON_INFORMATION;
        break;
    case MessageKind::Warning:
        style = wxICON_WARNING;
        break;
    case MessageKind::Error:
        style = wxICON_ERROR;
        break;
    case MessageKind::Question:
        style = wxICON_QUESTION;
        break;
    }
    switch (buttons) {
    case MessageButtons::Ok:
        style |= wxOK;
        break;
    case MessageButtons::YesNo:
        style |= wxYES_NO;
        break;
    case MessageButtons::YesNoDefaultNo:
        style |= wxYES_NO | wxNO_DEFAULT;
        break;
    case MessageButtons::OkCancel:
        style |= wxOK | wxCANCEL;
        break;
    }
    switch (wxMessageBox(wxString::FromUTF8(text), wxString::FromUTF8(caption), style, Over())) {
    case wxOK:
        return MessageAnswer::Ok;
    case wxYES:
        return MessageAnswer::Yes;
    case wxNO:
        return MessageAnswer::No;
    default:
        return MessageAnswer::Cancel;
    }
}

void WxDesktopServices::wait(int ms) {
    WaitRepainting(ms);
}

void WxDesktopServices::beep() {
    wxBell();
}

void WxDesktopServices::shutter() {
    platform::PlayWaveAsync(ShutterSound());
}

bool WxDesktopServices::openFile(const std::string& path) {
    return gtk::LaunchDefaultApplication(path);
}

bool WxDesktopServices::openUri(const std::string& uri) {
    return OpenUriInDefaultHandler(uri);
}

std::optional<std::string> WxDesktopServices::chooseDirectory(const std::string& title,
                                                              const std::string& start) {
    wxDirDialog dlg(Over(), wxString::FromUTF8(title), wxString::FromUTF8(start),
                    wxDD_DEFAULT_STYLE);
    gtk::PlaceOverParentWhenShown(dlg.GetHandle());
    if (dlg.ShowModal() != wxID_OK)
        return std::nullopt;
    return std::string(dlg.GetPath().utf8_str());
}

bool WxDesktopServices::copyPicture(const uint8_t* bgrx, int width, int height, int stride) {
    if (!bgrx || width <= 0 || height <= 0)
        return false;
    wxImage image(width, height, false);
    unsigned char* rgb = image.GetData();
    for (int y = 0; y < height; ++y) {
        const uint8_t* px = bgrx + static_cast<size_t>(y) * stride;
        for (int x = 0; x < width; ++x, px += 4, rgb += 3) {
            rgb[0] = px[2];
            rgb[1] = px[1];
            rgb[2] = px[0];
        }
    }
    // The toolkit's picture on the clipboard is offered as PNG, made by its PNG handler.
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG))
        wxImage::AddHandler(new wxPNGHandler);
    wxClipboardLocker lock;
    if (!lock)
        return false;
    wxTheClipboard->UsePrimarySelection(false);
    return wxTheClipboard->SetData(new wxBitmapDataObject(wxBitmap(image)));
}

bool WxDesktopServices::copyText(const std::string& text) {
    wxClipboardLocker lock;
    if (!lock)
        return false;
    wxTheClipboard->UsePrimarySelection(false);
    return wxTheClipboard->SetData(new wxTextDataObject(wxString::FromUTF8(text)));
}

void WxDesktopServices::keepClipboard() {
    // Without a clipboard manager this does nothing: what was copied goes with the program.
    if (wxTheClipboard->Open()) {
        wxTheClipboard->Flush();
        wxTheClipboard->Close();
    }
}

void WxDesktopServices::notifyCapture(const CaptureNotice& notice) {
    const std::string path = notice.path;
    // The actions come on the toolkit's loop, while this object (the program's) lives.
    notify::Show(notify::NoticeFor(notice), [this, path](const std::string& action) {
        if (action == notify::kOpen) {
            if (open_)
                open_(path);
        } else if (action == notify::kShowInFolder) {
            notify::ShowInFolder(path);
        } else if (action == notify::kEdit) {
            if (edit_)
                edit_(path);
        } else if (action == notify::kCopy) {
            std::unique_ptr<MemBm> picture = image::LoadImageFile(path);
            if (!picture || !copyPicture(picture->bits(), picture->width(), picture->height(),
                                         picture->stride()))
                LogWarning("The picture of %s could not be copied.", path.c_str());
        }
    });
}

std::chrono::system_clock::time_point WxDesktopServices::now() {
    return std::chrono::system_clock::now();
}

} // namespace tess
