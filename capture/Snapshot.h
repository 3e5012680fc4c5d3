#pragma once
// The part of a snapshot that needs no window: name the file from the picture pattern, make
// the caption overlay, grab the screen, a rectangle or a window with the cursor, write the
// picture, and say plainly whether a file was written. The snapshot commands wrap it with
// the capture-start action, the delay, the shutter sound, the status bar and the display
// step; the command-line snapshot calls it as it is.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/Translate.h"
#include "platform/x11/Screen.h"

namespace tess {

class MemBm;

struct Settings;
class Fx;

// What the mark-up editor made of a grabbed picture before it is written.
struct EditedPicture {
    enum class Kind { Save, Copied, Discarded };
    Kind kind = Kind::Discarded;
    std::shared_ptr<const MemBm> picture; // Save and Copied: the rendered picture
    std::string path;                     // Save: a file the user chose ("Save As..."), or empty
};

struct SnapshotRequest {
    WindowId window = 0;            // a window to grab, or 0
    std::optional<ScreenRect> area; // a rectangle to grab (when no window), else the screen
    int32_t format = -1;            // image format value; negative: the ImageFormat setting
    int32_t quality = -1;           // handed to the picture writer unchanged
    std::string outputPath;         // empty: a free name from the picture pattern
    bool drawCursor = true;         // the Cursor setting, normally
    // Runs after the file is named and before the overlay is made and the screen grabbed
    // (the snapshot commands' delay); false cancels the snapshot. May be empty.
    std::function<bool()> beforeGrab;
    // Runs with the grabbed picture (caption applied) before anything is written: the
    // mark-up editor. With it the free name is chosen only once it answers Save, so a long
    // edit takes the name that is free then. May be empty.
    std::function<EditedPicture(const MemBm& picture)> beforeWrite;
    // Runs with the picture as it was written, once the file is (the copy to the clipboard);
    // may be empty.
    std::function<void(const MemBm& picture)> written;
};

inline constexpr char kSnapshotCancelledMessage[] = N_("Snapshot cancelled.");
inline constexpr char kSnapshotDiscardedMessage[] = N_("Snapshot discarded.");
inline constexpr char kSnapshotCopiedMessage[] = N_("Snapshot copied to the clipboard.");

struct SnapshotOutcome {
    bool ok = false;
    int32_t code = 0;       // the grab's and writer's result code
    std::string path;       // the file written (when ok) or meant (when not)
    std::string message;    // why not, for the status bar or the command line
    bool cancelled = false; // the user cancelled (the delay, the editor): nothing was written
    bool copied = false;    // the editor's Copy: the picture went to the clipboard, no file
};

// Image format value by name: "png" 0, "bmp" 1, "gif" 3, "jpg" or "jpeg" 4 (any case);
// none for other names.
std::optional<int32_t> ImageFormatFromName(const std::string& name);

// True when snapshots with these settings carry a caption.
bool SnapshotHasCaption(const Settings& settings);

// Makes a snapshot's caption overlay (`CreateOverlay` of media/Caption.h). Snapshots have
// none until a program sets one: the window program does at start-up, the launcher never
// does, so the launcher links and loads no text drawing (Pango, Cairo and what lies under
// them). Without one, a snapshot that carries a caption fails with a reason rather than
// lose its caption. Set it before snapshots are taken; nullptr takes it away again.
using SnapshotOverlayMaker = std::unique_ptr<Fx> (*)(Settings& settings);
void SetSnapshotOverlayMaker(SnapshotOverlayMaker maker);
// True once an overlay maker is set.
bool SnapshotCaptionsAvailable();

// Runs the grab-and-write part of a snapshot with `settings` (picture pattern, capture
// directory, instance mode, strip copy, caption). Building the overlay switches the scale
// off in `settings`, as every capture does. ok only when a picture file was written.
SnapshotOutcome TakeSnapshotNow(ScreenConnection& screen, Settings& settings,
                                const SnapshotRequest& request);

} // namespace tess
