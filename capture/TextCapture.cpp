#include "capture/TextCapture.h"

#include <wx/frame.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "capture/ExportControl.h"
#include "media/MemBm.h"
#include "media/TextPrep.h"
#include "platform/DesktopServices.h"
#include "platform/TextRecognizer.h"
#include "platform/Translate.h"
#include "settings/Settings.h"

namespace tess {

TextProgressDialog::TextProgressDialog(wxWindow* parent, std::function<void()> cancel)
    : wxDialog(parent, wxID_ANY, _("Copy Text")) {
    auto* s = new wxBoxSizer(wxVERTICAL);
    s->Add(new wxStaticText(this, wxID_ANY, _("Reading the text of the picture...")), 0,
           wxLEFT | wxRIGHT | wxTOP, 12);
    FinishProgressDialog(*this, s, std::move(cancel));
}

TextCapture::TextCapture(wxWindow* parent, DesktopServices& desktop)
    : parent_(parent), desktop_(desktop) {}

TextCapture::~TextCapture() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        quit_ = true;
    }
    cancel_ = true;
    wake_.notify_one();
    if (worker_.joinable())
        worker_.join();
    if (progress_)
        progress_->Destroy();
}

bool TextCapture::Start(std::unique_ptr<MemBm> picture) {
    if (busy_ || !picture)
        return false;
    const Settings& s = GlobalSettings();
    {
        std::lock_guard<std::mutex> guard(lock_);
        picture_ = std::move(picture);
        languages_ = ChosenTextLanguages(s.ocrLanguage, UserLocale(),
                                         InstalledLanguages(LanguageDataFolder()));
        done_ = false;
    }
    cancel_ = false;
    busy_ = true;
    started_ = std::chrono::steady_clock::now();
    if (!worker_.joinable())
        worker_ = std::thread([this] { Work(); });
    wake_.notify_one();
    SetStatus(_("Reading text...").utf8_string());
    return true;
}

void TextCapture::Work() {
    // This thread's recogniser (and its model) stays for the thread's, the program's, life.
    std::unique_lock<std::mutex> guard(lock_);
    for (;;) {
        wake_.wait(guard, [this] { return quit_ || picture_; });
        if (quit_)
            return;
        std::unique_ptr<MemBm> picture = std::move(picture_);
        const std::string languages = languages_;
        guard.unlock();
        std::string text, error;
        const bool ok = ReadScreenText(*picture, languages, &text, &error, &cancel_);
        guard.lock();
        ok_ = ok;
        text_ = std::move(text);
        error_ = std::move(error);
        done_ = true;
    }
}

void TextCapture::Poll() {
    if (!busy_)
        return;
    bool done = false, ok = false;
    std::string text, error;
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (done_) {
            done = true;
            ok = ok_;
            text = std::move(text_);
            error = std::move(error_);
        }
    }
    if (!done) {
        if (!progress_ && std::chrono::steady_clock::now() - started_ >= kTextDialogAfter) {
            progress_ = new TextProgressDialog(parent_, [this] { Cancel(); });
            progress_->Show();
        }
        return;
    }
    busy_ = false;
    if (progress_) {
        progress_->Destroy();
        progress_ = nullptr;
    }
    Finished(ok && !cancel_, text, cancel_ ? kRecognitionCancelledMessage : error);
}

void TextCapture::Cancel() {
    cancel_ = true;
    if (progress_)
        progress_->Hide();
}

void TextCapture::Finished(bool ok, const std::string& text, const std::string& error) {
    if (!ok) {
        if (error == kRecognitionCancelledMessage) {
            SetStatus(Tr(kRecognitionCancelledMessage));
            return;
        }
        SetStatus(error);
        desktop_.message(error, _("Copy Text").utf8_string(), MessageKind::Warning);
        return;
    }
    if (text.empty()) {
        SetStatus(Tr(kNoTextFoundMessage));
        return;
    }
    if (!desktop_.copyText(text)) {
        SetStatus(_("The clipboard could not take the text.").utf8_string());
        return;
    }
    const unsigned long count = CharacterCount(text);
    SetStatus(
        wxString::Format(
            wxPLURAL("Text copied: %lu character", "Text copied: %lu characters", count), count)
            .utf8_string());
    if (GlobalSettings().notify)
        desktop_.notifyCapture({CaptureNotice::Kind::TextCopied, {}, FirstLine(text)});
}

void TextCapture::SetStatus(const std::string& text) {
    auto* frame = wxDynamicCast(wxGetTopLevelParent(parent_), wxFrame);
    if (frame && frame->GetStatusBar())
        frame->SetStatusText(wxString::FromUTF8(text), 0);
}

} // namespace tess
