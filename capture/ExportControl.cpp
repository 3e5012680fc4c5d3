#include "capture/ExportControl.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/filedlg.h>
#include <wx/frame.h>
#include <wx/gauge.h>
#include <wx/radiobox.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/stattext.h>

#include "capture/UiText.h"
#include "media/asf/AsfReader.h"
#include "platform/DesktopServices.h"
#include "platform/gtk/Desktop.h"
#include "settings/Settings.h"

namespace tess {

namespace fs = std::filesystem;

namespace {

constexpr const char* kExtensions[] = {".webm", ".mp4", ".gif"};
constexpr int kMaxFps = 30;

const char* ExtensionOf(ExportFormat format) {
    return kExtensions[static_cast<int>(format)];
}

const char* NameOf(ExportFormat format) {
    return format == ExportFormat::WebM ? "WebM" : format == ExportFormat::Mp4 ? "MP4" : "GIF";
}

std::string Utf8(const wxString& s) {
    return std::string(s.utf8_str());
}

} // namespace

std::optional<int> RecordingFrameRate(const std::string& path) {
    asf::AsfReader reader;
    if (!reader.Open(path))
        return std::nullopt;
    for (const asf::StreamDesc& s : reader.streams())
        if (s.video && s.avgTimePerFrame > 0)
            return std::max(1, static_cast<int>(std::lround(1e7 / s.avgTimePerFrame)));
    return std::nullopt;
}

std::string ExportTargetName(const std::string& chosen, int typeIndex) {
    if (ExportFormatOfName(chosen))
        return chosen;
    return chosen + kExtensions[std::clamp(typeIndex, 0, 2)];
}

std::string AutoExportTarget(const std::string& recording, ExportFormat format) {
    fs::path base = fs::path(recording).replace_extension();
    std::string target = base.string() + ExtensionOf(format);
    for (int n = 2; fs::exists(target); ++n)
        target = base.string() + " (" + std::to_string(n) + ")" + ExtensionOf(format);
    return target;
}

std::string TrimmedCopyName(const std::string& recording) {
    const fs::path path(recording);
    const std::string base = (path.parent_path() / path.stem()).string() + " (trimmed)";
    const std::string ext = path.extension().string();
    std::string target = base + ext;
    for (int n = 2; fs::exists(target); ++n)
        target = base + " (" + std::to_string(n) + ")" + ext;
    return target;
}

std::string ExportProgressText(const ExportStatus& status) {
    const int percent = std::clamp(static_cast<int>(status.fraction * 100), 0, 100);
    if (status.secondsLeft < 0)
        // TRANSLATORS: an export's progress in percent
        return FormatUtf8(_("%d %%"), percent);
    const long s = std::lround(status.secondsLeft);
    // TRANSLATORS: an export's progress: %1$d percent done, about %2$ld minutes and %3$02ld
    // seconds left
    return FormatUtf8(_("%1$d %%, about %2$ld:%3$02ld left"), percent, s / 60, s % 60);
}

// --- The options ---

ExportOptionsDialog::ExportOptionsDialog(wxWindow* parent, ExportFormat format, int recordingFps,
                                         std::vector<TrimRange> selection)
    // TRANSLATORS: the export options' title; %s is a format's name, such as WebM or GIF
    : wxDialog(parent, wxID_ANY, wxString::Format(_("Export as %s"), NameOf(format))),
      format_(format), selection_(std::move(selection)) {
    auto* s = new wxBoxSizer(wxVERTICAL);
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    row->Add(new wxStaticText(this, wxID_ANY, _("&Frame rate (frames/sec):")), 0,
             wxALIGN_CENTER_VERTICAL | wxRIGHT, 8);
    fps_ = new wxSpinCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                          wxSP_ARROW_KEYS, 1, kMaxFps, std::clamp(recordingFps, 1, kMaxFps));
    row->Add(fps_, 0, wxALIGN_CENTER_VERTICAL);
    s->Add(row, 0, wxALL, 12);
    // TRANSLATORS: the exported video's size in percent of the recording's
    const wxString scales[] = {wxString::Format(_("%d %%"), 100), wxString::Format(_("%d %%"), 50)};
    // TRANSLATORS: the exported video's size: the recording's, or half of it
    scale_ = new wxRadioBox(this, wxID_ANY, _("Scale"), wxDefaultPosition, wxDefaultSize, 2, scales,
                            1, wxRA_SPECIFY_ROWS);
    s->Add(scale_, 0, wxLEFT | wxRIGHT | wxBOTTOM | wxEXPAND, 12);
    if (!selection_.empty()) {
        onlySelection_ = new wxCheckBox(this, wxID_ANY, _("Only the &selection"));
        onlySelection_->SetValue(true);
        s->Add(onlySelection_, 0, wxLEFT | wxRIGHT, 12);
    }
    s->Add(CreateStdDialogButtonSizer(wxOK | wxCANCEL), 0, wxALL | wxEXPAND, 12);
    SetSizerAndFit(s);
    SetEscapeId(wxID_CANCEL);
    CentreOnParent();
}

ExportOptions ExportOptionsDialog::options() const {
    ExportOptions o;
    o.format = format_;
    o.framesPerSecond = fps_->GetValue();
    o.scalePercent = scale_->GetSelection() == 1 ? 50 : 100;
    if (onlySelection_ && onlySelection_->GetValue())
        o.parts = selection_;
    return o;
}

// --- The progress ---

ExportProgressDialog::ExportProgressDialog(wxWindow* parent, const std::string& target,
                                           std::function<void()> cancel, bool trimming)
    // TRANSLATORS: the title of the progress of a trimmed copy, or of an export
    : wxDialog(parent, wxID_ANY, trimming ? _("Trimming") : _("Exporting")) {
    auto* s = new wxBoxSizer(wxVERTICAL);
    const wxString name = wxString::FromUTF8(fs::path(target).filename().string());
    // TRANSLATORS: %s is the name of the file being written
    const wxString doing = trimming ? _("Trimming to %s") : _("Exporting to %s");
    s->Add(new wxStaticText(this, wxID_ANY, wxString::Format(doing, name)), 0,
           wxLEFT | wxRIGHT | wxTOP, 12);
    gauge_ = new wxGauge(this, wxID_ANY, 1000, wxDefaultPosition, wxSize(360, -1));
    s->Add(gauge_, 0, wxALL | wxEXPAND, 12);
    text_ = new wxStaticText(this, wxID_ANY, wxString::Format(_("%d %%"), 0));
    s->Add(text_, 0, wxLEFT | wxRIGHT | wxEXPAND, 12);
    FinishProgressDialog(*this, s, std::move(cancel));
}

void FinishProgressDialog(wxDialog& dialog, wxSizer* sizer, std::function<void()> cancel) {
    sizer->Add(new wxButton(&dialog, wxID_CANCEL, _("Cancel")), 0, wxALL | wxALIGN_RIGHT, 12);
    dialog.SetSizerAndFit(sizer);
    dialog.SetEscapeId(wxID_CANCEL);
    auto stop = [cancel](auto&) { cancel(); };
    dialog.Bind(wxEVT_BUTTON, stop, wxID_CANCEL);
    dialog.Bind(wxEVT_CLOSE_WINDOW, stop);
    dialog.CentreOnParent();
}

void ExportProgressDialog::ShowProgress(const ExportStatus& status) {
    gauge_->SetValue(std::clamp(static_cast<int>(status.fraction * 1000), 0, 1000));
    const wxString text = wxString::FromUTF8(ExportProgressText(status));
    if (text_->GetLabel() != text)
        text_->SetLabel(text);
}

// --- The exports ---

ExportControl::ExportControl(wxWindow* parent, DesktopServices& desktop)
    : parent_(parent), desktop_(desktop) {}

ExportControl::~ExportControl() {
    waiting_.clear();
    export_.reset(); // cancels and joins a running export
    if (progress_)
        progress_->Destroy();
}

void ExportControl::ExportRecording(const std::string& recording,
                                    const std::vector<TrimRange>& selection) {
    if (running()) {
        desktop_.message(
            background_
                ? _("A copy of a recording is being made. Wait for it to end, then export "
                    "again.")
                      .utf8_string()
                : _("An export is running. Wait for it to end, then export again.").utf8_string(),
            // TRANSLATORS: a message box's title: exporting a recording
            _("Export").utf8_string(), MessageKind::Warning);
        return;
    }
    const fs::path path(recording);
    // TRANSLATORS: the save dialog's title: exporting a recording
    wxFileDialog dlg(parent_, _("Export"), wxString::FromUTF8(path.parent_path().string()),
                     wxString::FromUTF8(path.stem().string() + ".webm"),
                     // TRANSLATORS: file types, "name|patterns" pairs: translate the names only
                     _("WebM video (*.webm)|*.webm|MP4 video (*.mp4)|*.mp4|"
                       "Animated GIF (*.gif)|*.gif"),
                     wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    gtk::PlaceOverParentWhenShown(dlg.GetHandle());
    if (dlg.ShowModal() != wxID_OK)
        return;
    const std::string target = ExportTargetName(Utf8(dlg.GetPath()), dlg.GetFilterIndex());
    const ExportFormat format = *ExportFormatOfName(target);
    ExportOptionsDialog options(parent_, format, RecordingFrameRate(recording).value_or(kMaxFps),
                                selection);
    if (options.ShowModal() != wxID_OK)
        return;
    Start(recording, target, options.options(), false);
}

bool ExportControl::Start(const std::string& recording, const std::string& target,
                          const ExportOptions& options, bool background) {
    if (running())
        return false;
    job_ = {recording, target, options};
    background_ = background;
    auto e = std::make_unique<Export>();
    std::string error;
    if (!e->Start(recording, target, options, &error)) {
        Finished({true, false, false, 0, -1,
                  error.empty() ? _("The export did not start.").utf8_string() : error});
        return false;
    }
    export_ = std::move(e);
    if (!background) {
        progress_ = new ExportProgressDialog(parent_, target, [this] { Cancel(); });
        progress_->Show();
    }
    return true;
}

void ExportControl::RecordingFinished(const std::string& recording) {
    const auto format = ExportFormatOfText(GlobalSettings().autoExport);
    if (!format)
        return;
    ExportOptions options;
    options.format = *format;
    waiting_.push_back({recording, {}, options});
    Poll();
}

void ExportControl::SaveTrimmedCopy(const std::string& recording,
                                    const std::vector<TrimRange>& keep, bool without) {
    const wxString title = without ? _("Save Without Selection") : _("Save Trimmed Copy");
    if (running()) {
        desktop_.message(
            _("A copy is being made. Wait for it to end, then save again.").utf8_string(),
            title.utf8_string(), MessageKind::Warning);
        return;
    }
    const fs::path proposed(TrimmedCopyName(recording));
    const std::string ext = proposed.extension().string();
    wxFileDialog dlg(parent_, title, wxString::FromUTF8(proposed.parent_path().string()),
                     wxString::FromUTF8(proposed.filename().string()),
                     // TRANSLATORS: a file type in the save dialog
                     _("Recording") + wxString::FromUTF8(" (*" + ext + ")|*" + ext),
                     wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    gtk::PlaceOverParentWhenShown(dlg.GetHandle());
    if (dlg.ShowModal() != wxID_OK)
        return;
    std::string target = Utf8(dlg.GetPath());
    if (fs::path(target).extension().empty())
        target += ext;
    StartTrim(recording, target, keep);
}

bool ExportControl::StartTrim(const std::string& recording, const std::string& target,
                              const std::vector<TrimRange>& keep) {
    if (running())
        return false;
    job_ = {recording, target, {}};
    background_ = false;
    auto t = std::make_unique<Trim>();
    std::string error;
    if (!t->Start(recording, target, keep, &error)) {
        TrimStatus s;
        s.done = true;
        s.message = error;
        TrimFinished(s);
        return false;
    }
    trim_ = std::move(t);
    progress_ = new ExportProgressDialog(
        parent_, target, [this] { Cancel(); }, true);
    progress_->Show();
    return true;
}

void ExportControl::TrimFinished(const TrimStatus& status) {
    if (progress_) {
        progress_->Destroy();
        progress_ = nullptr;
    }
    if (status.cancelled)
        return;
    if (!status.ok) {
        // TRANSLATORS: %1$s is the file, %2$s why the copy failed
        desktop_.message(FormatUtf8(_("The trimmed copy could not be saved to\n  %1$s\n%2$s\n"
                                      "Check that the folder exists and has room, or choose "
                                      "another folder, then save again."),
                                    job_.target, status.message),
                         _("Save Trimmed Copy").utf8_string(), MessageKind::Error);
        return;
    }
    SetStatusText(FormatUtf8(_("Trimmed copy saved to %s"), job_.target));
    if (!status.note.empty())
        desktop_.message(status.note, _("Save Trimmed Copy").utf8_string(), MessageKind::Info);
    if (GlobalSettings().notify)
        desktop_.notifyCapture({CaptureNotice::Kind::Exported, job_.target, ""});
}

void ExportControl::Cancel() {
    if (export_)
        export_->Cancel();
    if (trim_)
        trim_->Cancel();
}

void ExportControl::Poll() {
    if (trim_) {
        const TrimStatus status = trim_->Status();
        if (progress_)
            progress_->ShowProgress(status);
        if (!status.done)
            return;
        trim_.reset();
        TrimFinished(status);
    }
    if (export_) {
        const ExportStatus status = export_->Status();
        if (progress_)
            progress_->ShowProgress(status);
        if (!status.done)
            return;
        export_.reset();
        Finished(status);
    }
    // The copies after recordings, one at a time; each names its file when it starts.
    while (!export_ && !waiting_.empty()) {
        const Job next = waiting_.front();
        waiting_.pop_front();
        Start(next.recording, AutoExportTarget(next.recording, next.options.format), next.options,
              true);
    }
}

void ExportControl::SetStatusText(const std::string& text) {
    auto* frame = wxDynamicCast(wxGetTopLevelParent(parent_), wxFrame);
    if (frame && frame->GetStatusBar())
        frame->SetStatusText(wxString::FromUTF8(text), 0);
}

void ExportControl::Finished(const ExportStatus& status) {
    if (progress_) {
        progress_->Destroy();
        progress_ = nullptr;
    }
    if (status.cancelled)
        return;
    const bool notify = GlobalSettings().notify;
    if (status.ok) {
        // "Export..." ends where the user looks; a copy after a recording only notifies (the
        // next recording may be using the status bar by then).
        if (!background_)
            SetStatusText(FormatUtf8(_("Exported to %s"), job_.target));
        if (notify)
            desktop_.notifyCapture({CaptureNotice::Kind::Exported, job_.target, ""});
        return;
    }
    if (background_) {
        if (notify)
            desktop_.notifyCapture(
                {CaptureNotice::Kind::Failed,
                 {},
                 // TRANSLATORS: %1$s is a format's name, such as WebM,
                 // %2$s the recording's name, %3$s why the copy failed
                 FormatUtf8(_("The %1$s copy of %2$s could not be made: %3$s"),
                            NameOf(job_.options.format),
                            fs::path(job_.recording).filename().string(), status.message)});
        return;
    }
    // TRANSLATORS: %1$s is the file, %2$s why the export failed
    desktop_.message(FormatUtf8(_("The recording could not be exported to\n  %1$s\n%2$s\n"
                                  "Check that the folder exists and has room, or choose another "
                                  "folder or format, then export again."),
                                job_.target, status.message),
                     _("Export").utf8_string(), MessageKind::Error);
}

} // namespace tess
