#pragma once
// The window program's exports of recordings to WebM, MP4 and animated GIF (media/Export.h):
// "Export..." of the displayed recording (a file dialog, the options dialog, then a progress
// dialog with Cancel; at its end the file is named in the status bar) and the copy of each
// finished recording that the AutoExport setting asks for, made in the background. A finished
// export is announced by a notification when the settings ask for them. The export itself runs on a
// thread of its own; the client's timer calls Poll(), which follows it and starts the next
// waiting copy. One export runs at a time; one still running when this object goes (the
// window closes) is cancelled.
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <wx/dialog.h>

#include "media/Export.h"
#include "media/Trim.h"

class wxCheckBox;
class wxGauge;
class wxSizer;
class wxRadioBox;
class wxSpinCtrl;
class wxStaticText;
class wxWindow;

namespace tess {

class DesktopServices;

// The recording's frame rate from its video stream (nothing when it has none or cannot be read).
std::optional<int> RecordingFrameRate(const std::string& path);
// The name a file dialog's choice becomes: its own extension when it is one of the export
// formats, otherwise the extension of the type chosen in the dialog (0 WebM, 1 MP4, 2 GIF)
// added.
std::string ExportTargetName(const std::string& chosen, int typeIndex);
// The copy of a recording beside it: the same name with the format's extension, or with
// " (2)", " (3)"... before it when that file exists.
std::string AutoExportTarget(const std::string& recording, ExportFormat format);
// The name proposed for a trimmed copy: "NAME (trimmed).EXT" beside the recording, with " (2)",
// " (3)"... before the extension when that file exists.
std::string TrimmedCopyName(const std::string& recording);
// The progress line: "47 %" and, once known, ", about 1:23 left".
std::string ExportProgressText(const ExportStatus& status);

// The options of one export: the frame rate and the scale.
class ExportOptionsDialog : public wxDialog {
public:
    // `recordingFps`: the recording's rate (the default, at most 30). With a `selection` (the
    // marks' part) the dialog offers "Only the selection", ticked.
    ExportOptionsDialog(wxWindow* parent, ExportFormat format, int recordingFps,
                        std::vector<TrimRange> selection = {});
    ExportOptions options() const;

private:
    ExportFormat format_;
    wxSpinCtrl* fps_;
    wxRadioBox* scale_ = nullptr;
    wxCheckBox* onlySelection_ = nullptr;
    std::vector<TrimRange> selection_;
};

// Ends the making of a modeless progress dialog whose controls are in `sizer`: a Cancel button
// below them, the size fitted, Cancel, Escape and the close box calling `cancel`, the dialog
// over its parent.
void FinishProgressDialog(wxDialog& dialog, wxSizer* sizer, std::function<void()> cancel);

// The running export's progress: the file, a bar, the percentage and time left, Cancel.
class ExportProgressDialog : public wxDialog {
public:
    // `trimming`: a trimmed copy is made ("Trimming"), else an export ("Exporting").
    ExportProgressDialog(wxWindow* parent, const std::string& target, std::function<void()> cancel,
                         bool trimming = false);
    void ShowProgress(const ExportStatus& status);

private:
    wxGauge* gauge_;
    wxStaticText* text_;
};

class ExportControl {
public:
    ExportControl(wxWindow* parent, DesktopServices& desktop);
    ~ExportControl();
    ExportControl(const ExportControl&) = delete;
    ExportControl& operator=(const ExportControl&) = delete;

    // "Export...": asks for the target and the options, then starts with the progress dialog.
    // `selection`: the part between the display's marks (none: empty).
    void ExportRecording(const std::string& recording, const std::vector<TrimRange>& selection);
    // Starts exporting with the progress dialog (`background`: without it, and a failure is
    // notified instead of shown in a message box). False when another export runs, or (reported)
    // when it cannot start.
    bool Start(const std::string& recording, const std::string& target,
               const ExportOptions& options, bool background);
    // "Save Trimmed Copy..." (the parts `keep`) and "Save Without Selection..." (`without`):
    // a file dialog proposing TrimmedCopyName, then the trim with the progress dialog; its end
    // is named in the status bar and notified.
    void SaveTrimmedCopy(const std::string& recording, const std::vector<TrimRange>& keep,
                         bool without);
    // Starts the trim with the progress dialog; false (reported) when it cannot start.
    bool StartTrim(const std::string& recording, const std::string& target,
                   const std::vector<TrimRange>& keep);
    // A recording is finished: its copy is queued when the settings ask for one.
    void RecordingFinished(const std::string& recording);
    // The timer's call: the progress shown, the end of the export, the next copy started.
    void Poll();
    // Cancels the running export (the progress dialog's Cancel).
    void Cancel();
    bool running() const { return export_ != nullptr || trim_ != nullptr; }
    ExportProgressDialog* progressDialog() const { return progress_; }

private:
    struct Job {
        std::string recording, target;
        ExportOptions options;
    };
    void Finished(const ExportStatus& status);
    void TrimFinished(const TrimStatus& status);
    void SetStatusText(const std::string& text);

    wxWindow* parent_;
    DesktopServices& desktop_;
    std::unique_ptr<Export> export_;
    std::unique_ptr<Trim> trim_;
    Job job_;
    bool background_ = false;
    ExportProgressDialog* progress_ = nullptr;
    std::deque<Job> waiting_; // copies after recordings, in turn
};

} // namespace tess
