#include "media/annotate/Gesture.h"

#include "media/annotate/ViewTransform.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace tess::annotate {

namespace {

constexpr float kMinWidth = 1, kMaxWidth = 64;
constexpr float kMinText = 6, kMaxText = 400;
constexpr float kMinRadius = 6, kMaxRadius = 200;

bool HasStroke(const Item& item) {
    return !std::holds_alternative<Marker>(item) && !std::holds_alternative<Redact>(item) &&
           !std::holds_alternative<Text>(item) && !std::holds_alternative<Step>(item);
}

} // namespace

float WidthPreset(int which, double contentScale) {
    static constexpr float kWidths[] = {3, 5, 8};
    return kWidths[std::clamp(which, 0, 2)] * float(contentScale > 0 ? contentScale : 1);
}

float TextSizePreset(int which, double contentScale) {
    static constexpr float kSizes[] = {18, 28, 44};
    return kSizes[std::clamp(which, 0, 2)] * float(contentScale > 0 ? contentScale : 1);
}

float StepRadiusFor(float width) {
    return std::clamp(2 * width + 8, kMinRadius, kMaxRadius);
}

Outcome& Outcome::operator|=(const Outcome& other) {
    handled |= other.handled;
    layersChanged |= other.layersChanged;
    damage = Union(damage, other.damage);
    textChanged |= other.textChanged;
    toolChanged |= other.toolChanged;
    optionsChanged |= other.optionsChanged;
    closeRequested |= other.closeRequested;
    return *this;
}

Gesture::Gesture(History& history, int pictureW, int pictureH, ToolOptions options)
    : history_(history), pictureW_(pictureW), pictureH_(pictureH), options_(options) {}

uint32_t Gesture::currentColor() const {
    Tool kind = options_.tool;
    if (const Item* item = selectedItem())
        kind = ToolOf(*item);
    if (kind == Tool::Marker)
        return options_.markerColor;
    if (kind == Tool::Redact)
        return options_.redactFill;
    return options_.color;
}

const Item* Gesture::selectedItem() const {
    if (!selection_)
        return nullptr;
    if (live_ && (drag_ == DragKind::Move || drag_ == DragKind::Handle))
        return &*live_;
    return *selection_ < doc().items.size() ? &doc().items[*selection_] : nullptr;
}

int Gesture::liveStepNumber() const {
    if (!live_ || !std::holds_alternative<Step>(*live_))
        return 0;
    if (drag_ == DragKind::Create)
        return doc().firstStep +
               int(std::count_if(doc().items.begin(), doc().items.end(),
                                 [](const Item& i) { return std::holds_alternative<Step>(i); }));
    return selection_ ? StepNumber(doc(), *selection_) : 0;
}

std::optional<size_t> Gesture::hidden() const {
    if (text_ && text_->index)
        return text_->index;
    if (live_ && (drag_ == DragKind::Move || drag_ == DragKind::Handle))
        return selection_;
    return std::nullopt;
}

RectF Gesture::liveBounds() const {
    RectF r;
    if (live_)
        r = Bounds(*live_);
    if (const Item* item = selectedItem())
        r = Union(r, Inflate(Bounds(*item), slop_ * 4 + 2));
    if (crop_)
        r = Union(r, RectF{0, 0, double(pictureW_), double(pictureH_)});
    return r;
}

Outcome Gesture::commit(Document next, const std::string& mergeKey) {
    Outcome out;
    out.handled = true;
    if (history_.commit(std::move(next), mergeKey))
        out.layersChanged = true;
    clampSelection();
    return out;
}

void Gesture::clampSelection() {
    if (selection_ && *selection_ >= doc().items.size())
        selection_.reset();
}

Outcome Gesture::cancelDrag() {
    Outcome out;
    if (drag_ == DragKind::None)
        return out;
    out.handled = true;
    out.damage = liveBounds();
    out.layersChanged = hidden().has_value() && !text_;
    drag_ = DragKind::None;
    live_.reset();
    crop_.reset();
    return out;
}

Item Gesture::makeItem(PointF a, PointF b, bool constrain) const {
    Stroke stroke{options_.color, options_.width};
    switch (options_.tool) {
    case Tool::Arrow:
        return Arrow{a, constrain ? Constrain45(a, b) : b, stroke};
    case Tool::Line:
        return Line{a, constrain ? Constrain45(a, b) : b, stroke};
    case Tool::Step:
        return Step{a, constrain ? Constrain45(a, b) : b, options_.color,
                    StepRadiusFor(options_.width)};
    default:
        break;
    }
    RectF r = RectFromCorners(a, constrain ? ConstrainSquare(a, b) : b);
    switch (options_.tool) {
    case Tool::Ellipse:
        return Oval{r, stroke};
    case Tool::Marker:
        return Marker{r, options_.markerColor};
    case Tool::Redact:
        return Redact{Intersect(OutwardPixels(r), {0, 0, pictureW_, pictureH_}),
                      options_.redactStyle, options_.redactFill};
    default:
        return Box{r, stroke, options_.fill};
    }
}

Outcome Gesture::press(PointF p, Modifiers mods, Button button) {
    Outcome out;
    if (text_)
        out |= commitText(text_->text.utf8);
    if (button != Button::Left || drag_ != DragKind::None)
        return out;
    history_.breakMerge();
    out.handled = true;
    pressAt_ = lastAt_ = p;
    moved_ = false;
    double tol = slop_ * 2;
    switch (options_.tool) {
    case Tool::Select: {
        RectF before = liveBounds();
        Handle h = Handle::None;
        if (const Item* item = selectedItem())
            h = HandleAt(*item, p, tol);
        if (h == Handle::None || h == Handle::Body) {
            selection_ = HitTest(doc(), p, tol);
            h = Handle::Body;
        }
        if (selection_) {
            drag_ = h == Handle::Body ? DragKind::Move : DragKind::Handle;
            handle_ = h;
            dragStart_ = doc().items[*selection_];
        }
        out.damage = Union(before, liveBounds());
        out.optionsChanged = true;
        return out;
    }
    case Tool::Text: {
        auto hit = HitTest(doc(), p, tol);
        if (hit && std::holds_alternative<Text>(doc().items[*hit]))
            return out |= doubleClick(p, mods);
        return out |= beginText(p);
    }
    case Tool::Crop:
        drag_ = DragKind::Crop;
        return out;
    case Tool::Step:
        drag_ = DragKind::Create;
        live_ = makeItem(p, p, false);
        out.damage = liveBounds();
        return out;
    default:
        drag_ = DragKind::Create;
        return out;
    }
}

Outcome Gesture::move(PointF p, Modifiers mods) {
    Outcome out;
    if (drag_ == DragKind::None)
        return out;
    out.handled = true;
    lastAt_ = p;
    if (!moved_ && Distance(p, pressAt_) < slop_)
        return out;
    bool wasHidden = hidden().has_value();
    RectF before = liveBounds();
    moved_ = true;
    switch (drag_) {
    case DragKind::Create:
        if (options_.tool == Tool::Pen) {
            Pen* pen = live_ ? std::get_if<Pen>(&*live_) : nullptr;
            if (!pen) {
                live_ = Pen{{pressAt_}, {options_.color, options_.width}};
                pen = std::get_if<Pen>(&*live_);
            }
            if (mods.shift)
                pen->pts = {pressAt_, p};
            else
                pen->pts.push_back(p);
        } else {
            live_ = makeItem(pressAt_, p, mods.shift);
        }
        break;
    case DragKind::Move:
        live_ = Moved(dragStart_, p.x - pressAt_.x, p.y - pressAt_.y);
        break;
    case DragKind::Handle:
        live_ = WithHandleAt(dragStart_, handle_, p, mods.shift);
        break;
    case DragKind::Crop: {
        RectF r = RectFromCorners(pressAt_, p);
        RectI shown = ShownRect(doc(), pictureW_, pictureH_);
        double x0 = std::clamp(r.x, double(shown.x), double(shown.right()));
        double y0 = std::clamp(r.y, double(shown.y), double(shown.bottom()));
        double x1 = std::clamp(r.right(), double(shown.x), double(shown.right()));
        double y1 = std::clamp(r.bottom(), double(shown.y), double(shown.bottom()));
        crop_ = RectF{std::round(x0), std::round(y0), std::round(x1) - std::round(x0),
                      std::round(y1) - std::round(y0)};
        break;
    }
    case DragKind::None:
        break;
    }
    out.layersChanged = hidden().has_value() != wasHidden;
    out.damage = Union(before, liveBounds());
    return out;
}

Outcome Gesture::release(PointF p, Modifiers mods) {
    if (drag_ == DragKind::None)
        return {};
    Outcome out = move(p, mods);
    RectF before = liveBounds();
    bool wasHidden = hidden().has_value();
    DragKind kind = drag_;
    drag_ = DragKind::None;
    std::optional<Item> item = std::move(live_);
    std::optional<RectF> crop = std::move(crop_);
    live_.reset();
    crop_.reset();
    out.damage = Union(out.damage, before);
    out.layersChanged |= wasHidden;
    Document next = doc();
    switch (kind) {
    case DragKind::Create: {
        // A click without a drag makes nothing, except a step (a bubble without a tail).
        if (!item || (!moved_ && options_.tool != Tool::Step))
            break;
        if (auto* pen = std::get_if<Pen>(&*item))
            pen->pts = Simplify(pen->pts, 0.5);
        if (auto* r = std::get_if<Redact>(&*item); r && r->r.empty())
            break;
        next.items.push_back(*item);
        out |= commit(std::move(next));
        break;
    }
    case DragKind::Move:
    case DragKind::Handle:
        if (!item || !moved_ || !selection_ || *selection_ >= next.items.size())
            break;
        next.items[*selection_] = *item;
        out |= commit(std::move(next));
        break;
    case DragKind::Crop:
        if (!crop || crop->w < 1 || crop->h < 1)
            break;
        next.crop = RectI{int(crop->x), int(crop->y), int(crop->w), int(crop->h)};
        selection_.reset();
        out |= commit(std::move(next));
        break;
    case DragKind::None:
        break;
    }
    return out;
}

Outcome Gesture::doubleClick(PointF p, Modifiers) {
    Outcome out;
    if (options_.tool != Tool::Select && options_.tool != Tool::Text)
        return out;
    if (drag_ != DragKind::None)
        out |= cancelDrag();
    auto hit = HitTest(doc(), p, slop_ * 2);
    if (!hit || !std::holds_alternative<Text>(doc().items[*hit]))
        return out;
    if (text_)
        out |= commitText(text_->text.utf8);
    hit = HitTest(doc(), p, slop_ * 2); // the commit may have changed the list
    if (!hit || !std::holds_alternative<Text>(doc().items[*hit]))
        return out;
    text_ = TextSession{std::get<Text>(doc().items[*hit]), hit};
    selection_.reset();
    out.handled = out.textChanged = out.layersChanged = true;
    return out;
}

Outcome Gesture::wheel(int notches, Modifiers) {
    Outcome out;
    if (notches == 0 || text_)
        return out;
    out.handled = true;
    const Item* item = selectedItem();
    if (item && drag_ == DragKind::None && SizeOf(*item) > 0) {
        float step = std::holds_alternative<Text>(*item) || std::holds_alternative<Step>(*item)
                         ? 2.0f
                         : 1.0f;
        bool text = std::holds_alternative<Text>(*item),
             bubble = std::holds_alternative<Step>(*item);
        float lo = text ? kMinText : bubble ? kMinRadius : kMinWidth;
        float hi = text ? kMaxText : bubble ? kMaxRadius : kMaxWidth;
        float size = std::clamp(SizeOf(*item) + notches * step, lo, hi);
        Document next = doc();
        RectF before = Bounds(*item);
        next.items[*selection_] = WithSize(*item, size);
        out |= commit(std::move(next), "size:" + std::to_string(*selection_));
        out.damage = Union(Inflate(before, slop_ * 4 + 2), liveBounds());
        return out;
    }
    if (options_.tool == Tool::Text)
        options_.textSize = std::clamp(options_.textSize + notches * 2.0f, kMinText, kMaxText);
    else
        options_.width = std::clamp(options_.width + notches * 1.0f, kMinWidth, kMaxWidth);
    out.optionsChanged = true;
    return out;
}

Outcome Gesture::key(Key key, char32_t ch, Modifiers mods) {
    if (key == Key::Escape)
        return escape();
    if (text_)
        return {}; // the text control has the keys
    switch (key) {
    case Key::Delete:
    case Key::Backspace:
        return deleteSelected();
    case Key::Left:
        return nudge(mods.shift ? -10 : -1, 0);
    case Key::Right:
        return nudge(mods.shift ? 10 : 1, 0);
    case Key::Up:
        return nudge(0, mods.shift ? -10 : -1);
    case Key::Down:
        return nudge(0, mods.shift ? 10 : 1);
    case Key::Char:
        break;
    case Key::Escape:
        break;
    }
    if (mods.ctrl && !mods.alt) {
        if (ch == 'z' || ch == 'Z')
            return mods.shift ? redo() : undo();
        if (ch == 'y' || ch == 'Y')
            return redo();
        return {};
    }
    if (mods.alt)
        return {};
    if (ch == '[' || ch == ']')
        return wheel(ch == ']' ? 1 : -1, mods);
    if (auto tool = ToolForKey(ch))
        return setTool(*tool);
    return {};
}

Outcome Gesture::escape() {
    if (text_)
        return discardText();
    if (drag_ != DragKind::None)
        return cancelDrag();
    Outcome out;
    out.handled = true;
    if (selection_) {
        out.damage = liveBounds();
        selection_.reset();
        return out;
    }
    out.closeRequested = true;
    return out;
}

Outcome Gesture::undo() {
    return historyStep(false);
}

Outcome Gesture::redo() {
    return historyStep(true);
}

Outcome Gesture::historyStep(bool forward) {
    // During a gesture the first undo only cancels it.
    if (drag_ != DragKind::None)
        return cancelDrag();
    Outcome out;
    if (text_)
        out |= discardText();
    out.handled = true;
    if (forward ? history_.redo() : history_.undo()) {
        out.layersChanged = true;
        selection_.reset(); // its item may be gone, or another one now
    }
    return out;
}

Outcome Gesture::deleteSelected() {
    if (!selection_ || drag_ != DragKind::None || *selection_ >= doc().items.size())
        return {};
    Document next = doc();
    next.items.erase(next.items.begin() + std::ptrdiff_t(*selection_));
    selection_.reset();
    return commit(std::move(next));
}

Outcome Gesture::nudge(int dx, int dy) {
    if (!selection_ || drag_ != DragKind::None || *selection_ >= doc().items.size())
        return {};
    Document next = doc();
    next.items[*selection_] = Moved(next.items[*selection_], dx, dy);
    return commit(std::move(next), "nudge:" + std::to_string(*selection_));
}

Outcome Gesture::setTool(Tool tool) {
    Outcome out;
    if (drag_ != DragKind::None)
        out |= cancelDrag();
    if (text_)
        out |= commitText(text_->text.utf8);
    out.handled = true;
    if (tool != options_.tool)
        out.toolChanged = out.optionsChanged = true;
    options_.tool = tool;
    if (tool != Tool::Select && selection_) {
        out.damage = Union(out.damage, liveBounds());
        selection_.reset();
    }
    history_.breakMerge();
    return out;
}

// Sets an option and, when the selected item has that property, changes it as one step.
namespace {

template <class Change>
Outcome ChangeSelected(Gesture& g, History& history, std::optional<size_t> selection,
                       Change change) {
    Outcome out;
    out.handled = out.optionsChanged = true;
    if (!selection || g.dragging() || *selection >= history.current().items.size())
        return out;
    Document next = history.current();
    Item& item = next.items[*selection];
    RectF before = Bounds(item);
    if (!change(item))
        return out;
    RectF after = Bounds(item);
    if (history.commit(std::move(next)))
        out.layersChanged = true;
    out.damage = Inflate(Union(before, after), 16);
    return out;
}

} // namespace

Outcome Gesture::setColor(uint32_t color) {
    Tool kind = options_.tool;
    if (const Item* item = selectedItem())
        kind = ToolOf(*item);
    (kind == Tool::Marker   ? options_.markerColor
     : kind == Tool::Redact ? options_.redactFill
                            : options_.color) = color;
    return ChangeSelected(*this, history_, selection_, [&](Item& item) {
        item = WithColor(item, color);
        return true;
    });
}

Outcome Gesture::setWidth(float width) {
    options_.width = std::clamp(width, kMinWidth, kMaxWidth);
    return ChangeSelected(*this, history_, selection_, [&](Item& item) {
        if (std::holds_alternative<Step>(item))
            item = WithSize(item, StepRadiusFor(options_.width));
        else if (HasStroke(item))
            item = WithSize(item, options_.width);
        else
            return false;
        return true;
    });
}

Outcome Gesture::setTextSize(float sizePx) {
    options_.textSize = std::clamp(sizePx, kMinText, kMaxText);
    return ChangeSelected(*this, history_, selection_, [&](Item& item) {
        auto* t = std::get_if<Text>(&item);
        return t && (t->sizePx = options_.textSize, true);
    });
}

Outcome Gesture::setFill(bool fill) {
    options_.fill = fill;
    return ChangeSelected(*this, history_, selection_, [&](Item& item) {
        auto* b = std::get_if<Box>(&item);
        return b && (b->filled = fill, true);
    });
}

Outcome Gesture::setRedactStyle(RedactStyle style) {
    options_.redactStyle = style;
    return ChangeSelected(*this, history_, selection_, [&](Item& item) {
        auto* r = std::get_if<Redact>(&item);
        return r && (r->style = style, true);
    });
}

Outcome Gesture::setBackdrop(bool backdrop) {
    options_.backdrop = backdrop;
    return ChangeSelected(*this, history_, selection_, [&](Item& item) {
        auto* t = std::get_if<Text>(&item);
        return t && (t->backdrop = backdrop, true);
    });
}

Outcome Gesture::setFirstStep(int first) {
    Document next = doc();
    next.firstStep = first;
    Outcome out = commit(std::move(next));
    out.optionsChanged = true;
    return out;
}

Outcome Gesture::retypeSelected(Tool tool) {
    return ChangeSelected(*this, history_, selection_, [&](Item& item) {
        auto retyped = Retyped(item, tool);
        return retyped && (item = *retyped, true);
    });
}

Outcome Gesture::beginText(PointF p) {
    Outcome out;
    if (text_)
        out |= commitText(text_->text.utf8);
    text_ = TextSession{Text{p, {}, options_.color, options_.textSize, options_.backdrop}, {}};
    out.handled = out.textChanged = true;
    return out;
}

Outcome Gesture::commitText(const std::string& utf8) {
    if (!text_)
        return {};
    TextSession session = std::move(*text_);
    text_.reset();
    Outcome out;
    out.handled = out.textChanged = true;
    out.layersChanged = session.index.has_value();
    Document next = doc();
    session.text.utf8 = utf8;
    if (session.index && *session.index < next.items.size()) {
        if (utf8.empty())
            next.items.erase(next.items.begin() + std::ptrdiff_t(*session.index));
        else
            next.items[*session.index] = session.text;
    } else if (!utf8.empty()) {
        next.items.push_back(session.text);
    }
    out |= commit(std::move(next));
    return out;
}

Outcome Gesture::discardText() {
    if (!text_)
        return {};
    Outcome out;
    out.handled = out.textChanged = true;
    out.layersChanged = text_->index.has_value();
    text_.reset();
    return out;
}

} // namespace tess::annotate
