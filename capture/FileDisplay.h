#pragma once
// FileDisplay: the display of files in the main client window. It holds the displayed
// `VideoFile` and the child window its video plays in, draws pictures into the client
// window, follows the position slider, keeps the frame's title, panes, layout and size
// hints, and runs the file commands "Open", "Open With", "Save As", "Properties", "Print"
// and "Printer Setup". The client window owns it; it handles the client's paint, size and
// drop events itself, and the client routes the position slider's scrolls and the timer's
// position updates to it.
#include "capture/ClientLogic.h"
#include "media/Trim.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <wx/gdicmn.h>
#include <wx/timer.h>

class wxDC;
class wxDropFilesEvent;
class wxScrollEvent;
class wxStaticText;
class wxWindow;

namespace tess {

class DesktopServices;
class TClient;
class VideoFile;
struct ClientControls;
namespace gtk {
class ChildXWindow;
}

class FileDisplay {
public:
    // What the display asks of the client window around it.
    struct Hooks {
        // Runs a client command ("Stop" before a file is opened, "Close" before it is
        // replaced or handed on).
        std::function<void(int command)> runCommand;
        // "Play" started the file: the capture state becomes playing.
        std::function<void()> playing;
        // A file was shown while nothing plays: the frame's state icons are posted again.
        std::function<void()> shown;
        // The running recording's file, nothing while none runs (the title and "Properties"
        // name it when no file is displayed).
        std::function<std::optional<std::string>()> recordingFile;
        std::function<bool()> fullScreen;
        // The playback bar's showing, and whether it is shown.
        std::function<void(bool show)> showPlaybackBar;
        std::function<bool()> playbackBarShown;
        // Told of every file displayed (the frame keeps its recently-used list).
        std::function<void(const std::string& path)> fileShown;
    };
    // The hooks of the main client window: its commands, capture state, recording, full
    // screen and the frame's playback-bar and file hooks.
    static Hooks ForClient(TClient& client);

    // `client` is drawn into and parents the video window, and accepts dropped files;
    // `controls` are the client's (read at each use, as the bars come and go). Messages go to
    // `desktop`.
    FileDisplay(wxWindow* client, DesktopServices& desktop, const ClientControls& controls,
                Hooks hooks);
    ~FileDisplay();
    FileDisplay(const FileDisplay&) = delete;
    FileDisplay& operator=(const FileDisplay&) = delete;

    // Opens and shows `path`: a picture drawn in the client area, a video or sound file with
    // the playback bar, or the file handed to the desktop's default application when the
    // settings say so. A file that cannot be opened is reported.
    void Display(const std::string& path);
    // Lets go of the displayed file (its video window hidden).
    void Close();
    // Stops the displayed file where it is.
    void Stop();

    // The displayed file (null when none); whether the child window showing its video is up.
    VideoFile* file() const { return file_.get(); }
    bool videoShown() const;
    bool displayed() const { return file_ != nullptr; }
    bool isPicture() const;
    bool playing() const;
    bool isVideo() const;
    long long positionSeconds() const;
    // The position slider's thumb is being dragged.
    bool dragging() const { return dragging_; }
    // The display's part of the timer's inputs: dragging, and the file shown, playing, a video.
    TickInputs tickInputs() const;

    // "Play" (from the start when at the end), "Play at half speed" and the skips.
    void Play();
    void PlayHalfSpeed();
    void Skip(bool forward);

    // The In and Out marks of the displayed recording (cleared when another file is shown).
    const TrimMarks& marks() const { return marks_; }
    // "Set In" / "Set Out" at the frame shown now; "Clear Marks".
    void SetMark(bool in);
    void ClearMarks();
    // "Play Selection": from In; the timer's StopAtOut stops it at Out.
    void PlaySelection();
    void StopAtOut();
    // One frame on or back (while paused), its time shown in the position pane.
    void StepFrame(bool forward);
    // What the position pane shows while the file does not play: the time of the frame
    // stepped to, until the file plays or another is shown; empty otherwise.
    const std::string& frameTimeText() const { return frameTime_; }
    // The keys of the marks and frame steps (I, O, comma, period) pressed in the video area or
    // the playback bar: the command run; false for other keys.
    static bool RunMarkKey(int keyCode, const std::function<void(int command)>& run);

    // The frame's title and the duration and position panes for what is displayed.
    void RebuildTitle();
    // The position pane (and with `moveSlider` the slider) at `seconds`; -1: where the file
    // is.
    void ShowPosition(long long seconds, bool moveSlider);
    // The frame's layout (fitting it to the displayed file when `fit`).
    void LayoutFrame(bool fit);
    // The video window and the picture follow the client area's size.
    void FitToWindow();
    // The window manager's sizing rules for the frame: the bars' base size, the video's
    // proportions, never narrower than the tool bar. With `widthOnly` (at start, before any
    // layout) only the last of these.
    void ApplySizeHints(bool widthOnly = false);
    // Draws the displayed picture, as large as the client area allows, proportions kept.
    void Paint(wxDC& dc);
    // A scroll event of the position slider.
    void OnPositionScroll(wxScrollEvent& e);
    // A scroll of the position slider passed on as a message: the scroll `code` (0 line up,
    // 1 line down, 2 page up, 3 page down, 4 thumb position, 5 thumb track, 6 top, 7 bottom,
    // 8 end of scroll; others are ignored) and the `position`.
    void OnPositionMessage(long code, long position);
    // The position slider back at the start of its range 0..1000.
    void ResetSlider();
    // Files dropped on the window: the first is displayed.
    void OnDropFiles(wxDropFilesEvent& e);

    // The file commands.
    void OpenFile();
    void OpenWith();
    void SaveAs();
    // "Copy": the displayed picture, or the frame a displayed video shows now, onto the
    // clipboard. False when there was nothing to copy or the clipboard did not take it.
    bool Copy();
    // Whether "Copy" has a picture to copy (not for a sound-only file).
    bool canCopy() const;
    // "Edit...": the displayed picture in the mark-up editor; Save replaces the file (or
    // writes the one "Save As..." chose) and shows it, Copy puts the edited picture on the
    // clipboard, Cancel leaves the file as it was.
    void Edit();
    void Properties();
    void Print();
    void PrinterSetup();
    // "Save As" to `target`: refused (with its message) for another extension; otherwise the
    // file is copied there and the copy displayed. False when nothing was saved.
    bool SaveDisplayedFileAs(const std::string& target);
    // The text "&Properties..." shows for the displayed file (empty without one).
    std::string PropertiesTextOfFile() const;

    // The marks in the strip under the position slider (a playback bar shown again gets them).
    void ShowStrip();

private:
    void OnPaint();
    void Error(const std::string& text, const std::string& caption);
    void CheckFrameSize();
    // The marks' place, shown in the status bar.
    void ShowMarks();
    bool LoadMarks();

    wxWindow* client_;
    DesktopServices& desktop_;
    const ClientControls& controls_;
    Hooks hooks_;
    std::unique_ptr<VideoFile> file_;
    std::unique_ptr<gtk::ChildXWindow> videoWindow_;
    // A frame size asked for by the layout, asked again once if a window manager that was
    // still busy with the frame dropped it.
    wxTimer resizeCheck_;
    wxSize askedFrameSize_;
    bool dragging_ = false;
    bool ignoreNextEndScroll_ = false;
    bool resumeAfterScroll_ = false;
    TrimMarks marks_;
    int64_t stopAtMs_ = -1; // Play Selection's end
    std::string frameTime_;
};

// Shows `text` in a pane of the bars (none: nothing), setting it only when it changed.
void SetPane(wxStaticText* pane, const std::string& text);

} // namespace tess
