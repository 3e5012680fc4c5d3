#pragma once
// The editor's tool state machine, fed by plain pointer and key events. It knows no
// toolkit: the window turns its events into these calls and repaints what they report.
//
// How a window drives it:
//  - Keep a History (the document), ViewLayers (the cached pictures) and one Gesture.
//  - Pointer: map the event's position with ViewTransform::toPicture and call press (button
//    down), move (motion, buttons up or down), release (button up), doubleClick. Mouse wheel
//    without Ctrl: wheel(notches) (Ctrl+wheel zooms, which is the window's business). Set
//    setClickSlop(3 / view.scale()) whenever the zoom changes.
//  - Keys the window does not keep for itself (Ctrl+S, Ctrl+Shift+S, Ctrl+C, Enter for Save,
//    Ctrl+0/1, F1): key(...). Undo and redo buttons call undo() and redo().
//  - Option controls: setTool, setColor, setWidth, setTextSize, setFill, setRedactStyle,
//    setBackdrop, setFirstStep; they change the selected item too, as one undo step.
//  - After every call, look at the Outcome:
//      layersChanged: layers.setDocument(history.current(), gesture.hidden()) and refresh the
//        whole canvas; when ShownRect(history.current(), ...) changed (a crop, or its undo),
//        fit the view to it again (ViewTransform::Fit) and layers.setView;
//      otherwise damage (picture pixels): refresh view.damage(outcome.damage);
//      textChanged: when textSession() is set, place the multi-line text control at
//        view.toView(session->text.at), font kTextFamily at session->text.sizePx *
//        view.scale() pixels, in the text's colour, holding session->text.utf8, and focus it;
//        when it is null, hide the control. Each change of the control's text calls
//        updateText; its Enter calls commitText(its text), Shift+Enter adds a line, Esc calls
//        discardText(). A press elsewhere or a tool change commits the typed text itself.
//      closeRequested: Esc had nothing left to end; close the editor (ask first when
//        history.modified()).
//      toolChanged / optionsChanged: update the tool and option bars from tool(), options().
//  - Paint: layers.paint(cr, clip, live(), liveStepNumber(), selectedItem(), cropPreview()).
#include <cstddef>
#include <optional>
#include <string>

#include "media/annotate/Annotation.h"
#include "media/annotate/History.h"

namespace tess::annotate {

struct Modifiers {
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
};

enum class Button { Left, Middle, Right };

enum class Key { Char, Escape, Delete, Backspace, Left, Right, Up, Down };

// The drawing options the tools start from (and the window's option bar shows).
struct ToolOptions {
    Tool tool = Tool::Arrow;
    uint32_t color = 0x0000FF;       // arrows, lines, shapes, pen, text, steps
    uint32_t markerColor = 0x00FFFF; // the marker's own colour (yellow)
    uint32_t redactFill = 0x000000;  // a solid redaction's colour
    float width = 5;                 // stroke width in picture pixels
    float textSize = 28;             // text size in picture pixels
    bool fill = false;               // rectangles filled
    RedactStyle redactStyle = RedactStyle::Solid;
    bool backdrop = false; // text on a backdrop box
    bool operator==(const ToolOptions&) const = default;
};

// The widths Small, Medium and Large (0, 1, 2) and the text sizes, at a content scale.
float WidthPreset(int which, double contentScale = 1);
float TextSizePreset(int which, double contentScale = 1);
// A step bubble's radius for a stroke width.
float StepRadiusFor(float width);

// What a call changed, for the window to repaint and update.
struct Outcome {
    bool handled = false;        // the event meant something here
    bool layersChanged = false;  // the document or the hidden item changed
    RectF damage;                // picture pixels to repaint (live item, selection)
    bool textChanged = false;    // a text session began or ended
    bool toolChanged = false;    // the tool changed
    bool optionsChanged = false; // an option changed
    bool closeRequested = false; // Esc with nothing left to end
    Outcome& operator|=(const Outcome& other);
};

// A text being typed: a new one (no index) or the item at `index`, hidden meanwhile.
struct TextSession {
    Text text;
    std::optional<size_t> index;
};

class Gesture {
public:
    Gesture(History& history, int pictureW, int pictureH, ToolOptions options = {});

    Outcome press(PointF p, Modifiers mods, Button button = Button::Left);
    Outcome move(PointF p, Modifiers mods);
    Outcome release(PointF p, Modifiers mods);
    // With Select on a text, or with Text anywhere on a text: edits that text.
    Outcome doubleClick(PointF p, Modifiers mods);
    // Notches up (> 0) widen, down narrow: the selected item's width, text size or radius
    // (one undo step per burst on one item), else the tool's.
    Outcome wheel(int notches, Modifiers mods);
    // Tool letters, Delete and Backspace, arrows (nudge 1 px, Shift 10 px), [ and ]
    // (as the wheel), Esc in steps, Ctrl+Z, Ctrl+Shift+Z, Ctrl+Y. Tool letters and the
    // rest do nothing while a text is typed (Esc discards it). `ch` is the character of a
    // Key::Char.
    Outcome key(Key key, char32_t ch, Modifiers mods);
    // Esc: ends the text session, else the live gesture, else the selection, else asks to
    // close.
    Outcome escape();
    // Undo during a gesture cancels the gesture and pops nothing.
    Outcome undo();
    Outcome redo();
    // Deletes the selected item.
    Outcome deleteSelected();
    Outcome nudge(int dx, int dy);

    Outcome setTool(Tool tool);
    Outcome setColor(uint32_t color);
    Outcome setWidth(float width);
    Outcome setTextSize(float sizePx);
    Outcome setFill(bool fill);
    Outcome setRedactStyle(RedactStyle style);
    Outcome setBackdrop(bool backdrop);
    Outcome setFirstStep(int first);
    // The selected item turned into what `tool` makes (see Retyped).
    Outcome retypeSelected(Tool tool);

    // Ends the text session with this text as one undo step; an empty text removes the
    // item (or makes none).
    Outcome commitText(const std::string& utf8);
    // The text control's text as it is typed, so that a press elsewhere or a change of tool
    // commits what was typed.
    void updateText(const std::string& utf8) {
        if (text_)
            text_->text.utf8 = utf8;
    }
    Outcome discardText();
    // Starts typing a new text at p (what a click with Text does).
    Outcome beginText(PointF p);

    Tool tool() const { return options_.tool; }
    const ToolOptions& options() const { return options_; }
    // The colour the option bar shows for the current tool.
    uint32_t currentColor() const;
    std::optional<size_t> selection() const { return selection_; }
    // The selected item as it is drawn now (moved while dragged), or null.
    const Item* selectedItem() const;
    // The item being drawn or dragged, drawn over the committed layer, or null.
    const Item* live() const { return live_ ? &*live_ : nullptr; }
    int liveStepNumber() const;
    // The crop rectangle being drawn with Crop, or null.
    const RectF* cropPreview() const { return crop_ ? &*crop_ : nullptr; }
    // The committed item left out of the committed layer (dragged or typed), if any.
    std::optional<size_t> hidden() const;
    bool dragging() const { return drag_ != DragKind::None; }
    const TextSession* textSession() const { return text_ ? &*text_ : nullptr; }

    // The distance (picture pixels) a press must move before it is a drag, and the hit
    // tolerance; the window sets it from the zoom.
    void setClickSlop(double picturePx) { slop_ = picturePx; }
    double clickSlop() const { return slop_; }

private:
    enum class DragKind { None, Create, Move, Handle, Crop };

    const Document& doc() const { return history_.current(); }
    Outcome commit(Document next, const std::string& mergeKey = {});
    Outcome cancelDrag();
    Outcome historyStep(bool forward);
    Item makeItem(PointF a, PointF b, bool constrain) const;
    RectF liveBounds() const;
    void clampSelection();

    History& history_;
    int pictureW_, pictureH_;
    ToolOptions options_;
    std::optional<size_t> selection_;
    std::optional<Item> live_;
    std::optional<RectF> crop_;
    std::optional<TextSession> text_;
    DragKind drag_ = DragKind::None;
    Handle handle_ = Handle::None;
    PointF pressAt_, lastAt_;
    bool moved_ = false;
    Item dragStart_;
    double slop_ = 2;
};

} // namespace tess::annotate
