#pragma once
// The mark-up editor: a resizable modal dialog over a picture with the tools on the left
// (Select, Crop, Arrow, Line, Rectangle, Ellipse, Pen, Marker, Text, Step number, Redact), the
// options on top (colours, widths, fill, text size and backdrop, redaction style, first step
// number) and Save / Save As... / Copy / Cancel / Help at the bottom. It drives the
// toolkit-free model of media/annotate/ (document, history, gestures, cached view layers,
// rendering): the window only turns events into its calls and paints what they report. The
// text of a text item is typed in a native multi-line text control placed over the canvas, so
// input methods work. The picture given is never changed; the answer carries the render.
#include <string>

#include "capture/Snapshot.h"

class wxWindow;
class wxPoint;

namespace tess {

class DesktopServices;
class MemBm;

// What the main window's capture commands show while the editor is open (they are refused).
inline constexpr char kEditorOpenRefusal[] =
    N_("The picture editor is open: save or cancel it before the next capture.");

// Control ids of the dialog; each is also the help id of its pop-up text.
namespace annot_id {
inline constexpr int HelpContext = 29000;
inline constexpr int Canvas = 29001;
inline constexpr int ToolFirst = 29010;   // the eleven tool buttons, in the tools' order
inline constexpr int SwatchFirst = 29030; // the eight colour swatches
inline constexpr int MoreColors = 29038;
inline constexpr int WidthSmall = 29040, WidthMedium = 29041, WidthLarge = 29042;
inline constexpr int Fill = 29043, TextSize = 29044, Backdrop = 29045, RedactStyle = 29046,
                     FirstStep = 29047, FirstStepLabel = 29048, TextSizeLabel = 29049;
inline constexpr int Save = 29050, SaveAs = 29051, Copy = 29052, Zoom = 29053;
inline constexpr int TextEntry = 29060;
} // namespace annot_id

struct EditorSetup {
    std::string title; // empty: "Edit picture" in the user's language
    // The file the picture came from (Save As... starts beside it); empty for a snapshot.
    std::string fileName;
    // Offer "Save As..." (a picture of a file or of the command line).
    bool saveAs = true;
};

// Runs the editor modally on `picture` (parented on `parent`, which may be null). Save gives
// the render and, after "Save As...", the file chosen; Copy gives the render (the caller puts
// it on the clipboard); Cancel gives Discarded. Questions go through `desktop`.
EditedPicture RunAnnotationEditor(wxWindow* parent, DesktopServices& desktop, const MemBm& picture,
                                  const EditorSetup& setup);

// True while an editor is open in this process.
bool AnnotationEditorOpen();

// The editor's dialog while it is open (tests and screenshots drive it), else null.
wxWindow* OpenAnnotationEditor();
// Where the picture point (x, y) of the open editor lies on the screen (tests, screenshots).
wxPoint AnnotationEditorScreenPoint(double x, double y);

} // namespace tess
