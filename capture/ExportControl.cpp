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
    std::string text = std::to_string(percent) + " %";
    if (status.secondsLeft >= 0) {
        const long s = std::lround(status.secondsLeft);
        char left[48];
        std::snprintf(left, sizeof left, ", about %ld:%02ld left", s / 60, s % 60);
        text += left;
    }
    return text;
}

// --- The options ---

ExportOptionsDialog::ExportOptionsDialog(wxWindow* parent, ExportFormat format, int recordingFps,
                                         std::vector<TrimRange> selection)
    : wxDialog(parent, wxID_ANY, wxString::Format("Export as %s", NameOf(format))), format_(format),
      selection_(std::move(selection)) {
    auto* s = new wxBoxSizer(wxVERTICAL);
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    row->Add(new wxStaticText(this, wxID_ANY, "&Frame rate (frames/sec):"), 0,
             wxALIGN_CENTER_VERTICAL | wxRIGHT, 8);
    fps_ = new wxSpinCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                          wxSP_ARROW_KEYS, 1, kMaxFps, std::clamp(recordingFps, 1, kMaxFps));
    row->Add(fps_, 0, wxALIGN_CENTER_VERTICAL);
    s->Add(row, 0, wxALL, 12);
    const wxString scales[] = {"100 %", "50 %"};
    scale_ = new wxRadioBox(this, wxID_ANY, "Scale", wxDefaultPosition, wxDefaultSize, 2, scales, 1,
                            wxRA_SPECIFY_ROWS);
    s->Add(scale_, 0, wxLEFT | wxRIGHT | wxBOTTOM | wxEXPAND, 12);
    if (!selection_.empty()) {
        onlySelection_ = new wxCheckBox(this, wxID_ANY, "Only the &selection");
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
                                           std::function<void()> cancel, const char* doing)
    : wxDialog(parent, wxID_ANY, doing) {
    auto* s = new wxBoxSizer(wxVERTICAL);
    s->Add(new wxStaticText(this, wxID_ANY,
                            wxString::FromUTF8(std::string(doing) + " to " +
                                               fs::path(target).filename().string())),
           0, wxLEFT | wxRIGHT | wxTOP, 12);
    gauge_ = new wxGauge(this, wxID_ANY, 1000, wxDefaultPosition, wxSize(360, -1));
    s->Add(gauge_, 0, wxALL | wxEXPAND, 12);
    text_ = new wxStaticText(this, wxID_ANY, "0 %");
    s->Add(text_, 0, wxLEFT | wxRIGHT | wxEXPAND, 12);
    FinishProgressDialog(*this, s, std::move(cancel));
}

void FinishProgressDialog(wxDialog& dialog, wxSizer* sizer, std::function<void()> cancel) {
    sizer->Add(new wxButton(&dialog, wxID_CANCEL, "Cancel"), 0, wxALL | wxALIGN_RIGHT, 12);
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
        desktop_.message(std::string(background_ ? "A copy of a recording is being made."
                                                 : "An export is running.") +
                             " Wait for it to end, then export again.",
                         "Export", MessageKind::Warning);
        return;
    }
    const fs::path path(recording);
    wxFileDialog dlg(parent_, "Export", wxString::FromUTF8(path.parent_path().string()),
                     wxString::FromUTF8(path.stem().string() + ".webm"),
                     "WebM video (*.webm)|*.webm|MP4 video (*.mp4)|*.mp4|"
                     "Animated GIF (*.gif)|*.gif",
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
        Finished({true, false, false, 0, -1, error.empty() ? "The export did not start." : error});
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
    const char* title = without ? "Save Without Selection" : "Save Trimmed Copy";
    if (running()) {
        desktop_.message("A copy is being made. Wait for it to end, then save again.", title,
                         MessageKind::Warning);
        return;
    }
    const fs::path proposed(TrimmedCopyName(recording));
    const std::string ext = proposed.extension().string();
    wxFileDialog dlg(parent_, title, wxString::FromUTF8(proposed.parent_path().string()),
                     wxString::FromUTF8(proposed.filename().string()),
                     wxString::FromUTF8("Recording (*" + ext + ")|*" + ext),
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
        parent_, target, [this] { Cancel(); }, "Trimming");
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
        desktop_.message("The trimmed copy could not be saved to\n  " + job_.target + "\n" +
                             status.message +
                             "\nCheck that the folder exists and has room, or choose another "
                             "folder, then save again.",
                         "Save Trimmed Copy", MessageKind::Error);
        return;
    }
    SetStatusText("Trimmed copy saved to " + job_.target);
    if (!status.note.empty())
        desktop_.message(status.note, "Save Trimmed Copy", MessageKind::Info);
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
            SetStatusText("Exported to " + job_.target);
        if (notify)
            desktop_.notifyCapture({CaptureNotice::Kind::Exported, job_.target, ""});
        return;
    }
    if (background_) {
        if (notify)
            desktop_.notifyCapture({CaptureNotice::Kind::Failed,
                                    {},
                                    "The " + std::string(NameOf(job_.options.format)) +
                                        " copy of " + fs::path(job_.recording).filename().string() +
                                        " could not be made: " + status.message});
        return;
    }
    desktop_.message("The recording could not be exported to\n  " + job_.target + "\n" +
                         status.message +
                         "\nCheck that the folder exists and has room, or choose another "
                         "folder or format, then export again.",
                     "Export", MessageKind::Error);
}

} // namespace tess
