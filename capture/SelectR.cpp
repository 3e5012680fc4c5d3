#include "capture/SelectR.h"

#include <cstdlib>

#include <wx/dcclient.h>
#include <wx/image.h>
#include <wx/utils.h>

#include "capture/MainGroup.h"
#include "media/Grab.h"
#include "media/MemBm.h"
#include "platform/Translate.h"
#include "platform/x11/Monitors.h"
#include "resources/Ids.h"
#include "settings/Settings.h"

namespace tess {

namespace {

SelectR* g_active = nullptr;

// The first repaint message, posted when the window opens.
constexpr long kFirstPaint = 1;

// The drag's anchor and current point, in screen coordinates; they outlive the window.
wxPoint g_anchor;
wxPoint g_current;

// The picture as a bitmap, and when `dimmedOut` is given also dimmed.
wxBitmap ToBitmap(const MemBm& bm, wxBitmap* dimmedOut) {
    wxImage img(bm.width(), bm.height(), false);
    wxImage dim;
    if (dimmedOut)
        dim.Create(bm.width(), bm.height(), false);
    unsigned char* d = img.GetData();
    unsigned char* m = dimmedOut ? dim.GetData() : nullptr;
    for (int32_t y = 0; y < bm.height(); ++y) {
        const uint8_t* s = bm.pixelAddress(0, y);
        for (int32_t x = 0; x < bm.width(); ++x, s += 4, d += 3) {
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
            if (m) {
                m[0] = DimmedChannel(s[2]);
                m[1] = DimmedChannel(s[1]);
                m[2] = DimmedChannel(s[0]);
                m += 3;
            }
        }
    }
    if (dimmedOut)
        *dimmedOut = wxBitmap(dim);
    return wxBitmap(img);
}

// TRANSLATORS: the help over the screen while a rectangle is chosen; Enter, Shift, Ctrl and
// Esc are keys' names
constexpr char kHelpText[] = N_("Drag to choose a rectangle   \u00b7   Enter: the last region   "
                                "\u00b7   Arrows: move it (Shift: 10 pixels, Ctrl: its size)   "
                                "\u00b7   Esc: cancel");
constexpr int kBoxPadX = 8, kBoxPadY = 4;

// The step of an arrow key: 1 pixel, 10 with Shift; false for other keys.
bool ArrowStep(int key, bool shift, wxPoint* d) {
    const int n = shift ? 10 : 1;
    switch (key) {
    case WXK_LEFT:
    case WXK_NUMPAD_LEFT:
        *d = {-n, 0};
        return true;
    case WXK_RIGHT:
    case WXK_NUMPAD_RIGHT:
        *d = {n, 0};
        return true;
    case WXK_UP:
    case WXK_NUMPAD_UP:
        *d = {0, -n};
        return true;
    case WXK_DOWN:
    case WXK_NUMPAD_DOWN:
        *d = {0, n};
        return true;
    default:
        return false;
    }
}

} // namespace

wxColour SelectionColour(const std::string& selColor) {
    char* end = nullptr;
    unsigned long v = selColor.empty() ? 0 : std::strtoul(selColor.c_str(), &end, 16);
    if (selColor.empty() || !end || *end != '\0')
        return wxColour(255, 0, 255);
    return wxColour(static_cast<unsigned char>(v & 0xff), static_cast<unsigned char>(v >> 8 & 0xff),
                    static_cast<unsigned char>(v >> 16 & 0xff));
}

wxBEGIN_EVENT_TABLE(SelectR, wxDialog) EVT_ERASE_BACKGROUND(SelectR::OnEraseBackground)
    EVT_MOTION(SelectR::OnMouseMove) EVT_LEFT_DOWN(SelectR::OnLeftDown)
        EVT_LEFT_UP(SelectR::OnLeftUp) EVT_MOUSE_CAPTURE_LOST(SelectR::OnCaptureLost)
            EVT_CHAR_HOOK(SelectR::OnCharHook) EVT_PRIVATE_MESSAGE(SelectR::OnMessage)
                wxEND_EVENT_TABLE()

                    SelectR::SelectR(wxWindow* parent, DesktopServices& desktop,
                                     const wxColour& colour, ScreenRect* rectOut,
                                     WindowId* windowOut, bool topLevelFirst,
                                     ScreenConnection* screen)
    : desktop_(desktop), colour_(colour), rectOut_(rectOut), windowOut_(windowOut),
      topLevelFirst_(topLevelFirst), screen_(screen) {
    // The screen is frozen before the window exists, so the picture holds what the user
    // saw when the command started.
    if (screen_) {
        covered_ = screen_->desktopRect();
        int32_t code = 0;
        std::unique_ptr<MemBm> picture =
            GrabScreenPicture(*screen_, false, true, true, &covered_, &code);
        if (picture && !picture->empty())
            frozen_ = ToBitmap(*picture, Guides() ? &dimmed_ : nullptr);
        int32_t x = 0, y = 0;
        screen_->pointer(&x, &y);
        monitor_ = Intersection(MonitorRectAt(*screen_, x, y), covered_);
        if (monitor_.empty())
            monitor_ = covered_;
    }
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Create(
        parent, kSelectRDialogId, wxEmptyString, wxPoint(0, 0),
        wxSize(covered_.right > 0 ? covered_.right : 1, covered_.bottom > 0 ? covered_.bottom : 1),
        wxBORDER_NONE | wxSTAY_ON_TOP);
    SetPosition(wxPoint(0, 0));
    // The picture is a child window that takes the keyboard focus (a dialog without a
    // focusable child gets no key events from the toolkit). Its mouse events are handled as
    // the dialog's own.
    canvas_ =
        new wxWindow(this, wxID_ANY, wxPoint(0, 0), GetClientSize(), wxBORDER_NONE | wxWANTS_CHARS);
    canvas_->SetBackgroundStyle(wxBG_STYLE_PAINT);
    canvas_->Bind(wxEVT_PAINT, &SelectR::OnPaint, this);
    canvas_->Bind(wxEVT_MOTION, &SelectR::OnMouseMove, this);
    canvas_->Bind(wxEVT_LEFT_DOWN, &SelectR::OnLeftDown, this);
    canvas_->Bind(wxEVT_LEFT_UP, &SelectR::OnLeftUp, this);
    canvas_->Bind(wxEVT_MOUSE_CAPTURE_LOST, &SelectR::OnCaptureLost, this);
    canvas_->Bind(wxEVT_KEY_DOWN, &SelectR::OnCharHook, this);
    font_ = wxFontInfo(11).Bold();
    canvas_->SetFont(font_);
    if (Guides())
        PlaceGuidance(std::nullopt);
}

SelectR::~SelectR() {
    if (g_active == this)
        g_active = nullptr;
}

SelectR* SelectR::Active() {
    return g_active;
}

int SelectR::ShowModal() {
    if (!frozen_.IsOk())
        return wxID_CANCEL; // nothing to show: no screen
    g_active = this;
    // The first outline is drawn once the window is up.
    PostMessage(this, msg::SelectionPaint, kFirstPaint);
    int rc = wxDialog::ShowModal();
    g_active = nullptr;
    return rc;
}

wxPoint SelectR::ScreenPoint(const wxMouseEvent& e) const {
    auto* from = wxDynamicCast(e.GetEventObject(), wxWindow);
    return (from ? from : static_cast<const wxWindow*>(this))->ClientToScreen(e.GetPosition());
}

void SelectR::DrawBitmapPart(wxDC& dc, const wxPoint& origin, const wxBitmap& bitmap,
                             const ScreenRect& part) {
    if (part.empty())
        return;
    // The clip keeps the drawing to the part: the toolkit copies no more than that.
    dc.SetClippingRegion(origin.x + part.left, origin.y + part.top, part.width(), part.height());
    dc.DrawBitmap(bitmap, origin.x + covered_.left, origin.y + covered_.top);
    dc.DestroyClippingRegion();
}

void SelectR::DrawBox(wxDC& dc, const wxPoint& origin, const ScreenRect& box,
                      const wxString& text) {
    const wxPoint at(origin.x + box.left, origin.y + box.top);
    dc.SetPen(wxPen(wxColour(200, 200, 200)));
    dc.SetBrush(wxBrush(wxColour(24, 24, 24)));
    dc.DrawRectangle(at.x, at.y, box.width(), box.height());
    dc.DrawText(text, at.x + kBoxPadX, at.y + kBoxPadY);
}

void SelectR::OnPaint(wxPaintEvent&) {
    wxPaintDC dc(canvas_);
    // The screen's origin in the window (one question to the server).
    const wxPoint origin = canvas_->ScreenToClient(wxPoint(0, 0));
    if (!Guides() || !dimmed_.IsOk()) {
        dc.DrawBitmap(frozen_, origin.x + covered_.left, origin.y + covered_.top);
    } else {
        // Only the parts asked for: the dimmed picture outside the rectangle, the frozen
        // one inside.
        for (wxRegionIterator it(canvas_->GetUpdateRegion()); it; ++it) {
            const wxRect u = it.GetRect();
            const ScreenRect update{u.x - origin.x, u.y - origin.y, u.GetRight() + 1 - origin.x,
                                    u.GetBottom() + 1 - origin.y};
            for (const ScreenRect& part : OutsideParts(covered_, shown_))
                DrawBitmapPart(dc, origin, dimmed_, Intersection(part, update));
            if (shown_)
                DrawBitmapPart(dc, origin, frozen_, Intersection(*shown_, update));
        }
    }
    if (shown_) {
        dc.SetPen(*wxTRANSPARENT_PEN);
        dc.SetBrush(wxBrush(colour_));
        for (const ScreenRect& bar : FrameBars(*shown_)) {
            if (bar.empty())
                continue;
            dc.DrawRectangle(origin.x + bar.left, origin.y + bar.top, bar.width(), bar.height());
        }
    }
    if (!Guides())
        return;
    dc.SetFont(font_);
    dc.SetTextForeground(*wxWHITE);
    if (label_)
        DrawBox(dc, origin, *label_, labelText_);
    if (help_)
        DrawBox(dc, origin, *help_, wxGetTranslation(wxString::FromUTF8(kHelpText)));
}

void SelectR::RefreshScreenRect(const ScreenRect& r) {
    if (r.empty())
        return;
    const wxPoint at = canvas_->ScreenToClient(wxPoint(r.left, r.top));
    canvas_->RefreshRect(wxRect(at.x, at.y, r.width(), r.height()), false);
}

void SelectR::PlaceGuidance(const std::optional<ScreenRect>& frame) {
    const auto boxed = [this](const wxString& text) {
        const wxSize t = canvas_->GetTextExtent(text);
        return wxSize(t.x + 2 * kBoxPadX, t.y + 2 * kBoxPadY);
    };
    std::optional<ScreenRect> label;
    wxString text;
    if (frame && !frame->empty()) {
        text = wxString::FromUTF8(std::to_string(frame->width()) + " \u00d7 " +
                                  std::to_string(frame->height()));
        const wxSize size = boxed(text);
        label = SizeLabelRect(*frame, size.x, size.y, covered_);
    }
    if (label != label_ || text != labelText_) {
        if (label_)
            RefreshScreenRect(*label_);
        if (label)
            RefreshScreenRect(*label);
        label_ = label;
        labelText_ = text;
    }
    const wxSize size = boxed(wxGetTranslation(wxString::FromUTF8(kHelpText)));
    const ScreenRect help = HelpLineRect(monitor_, size.x, size.y, frame);
    if (help != help_) {
        if (help_)
            RefreshScreenRect(*help_);
        RefreshScreenRect(help);
        help_ = help;
    }
}

void SelectR::RefreshFrame(const ScreenRect& r) {
    for (const ScreenRect& bar : FrameBars(r)) {
        if (bar.empty())
            continue;
        wxPoint at = canvas_->ScreenToClient(wxPoint(bar.left, bar.top));
        canvas_->RefreshRect(wxRect(at.x, at.y, bar.width(), bar.height()), false);
    }
}

void SelectR::ShowFrame(std::optional<ScreenRect> frame) {
    if (frame == shown_)
        return;
    if (Guides()) {
        for (const ScreenRect& r : ChangedAreas(shown_, frame))
            RefreshScreenRect(r);
        // The boxes lie over the picture: what they covered is repainted with the strips.
        PlaceGuidance(frame);
        shown_ = frame;
        return;
    }
    if (shown_)
        RefreshFrame(*shown_);
    shown_ = frame;
    if (shown_)
        RefreshFrame(*shown_);
}

void SelectR::OutlineWindowAt(const wxPoint& p, bool shift) {
    if (!windowOut_ || !screen_)
        return;
    ScreenWindowTree tree(*screen_);
    WindowId w = FindWindowAt(tree, p.x, p.y, DeepSearch(topLevelFirst_, shift));
    *windowOut_ = w;
    if (!LastOutlined().moveTo(w))
        return;
    desktop_.beep();
    std::optional<ScreenRect> r = w ? screen_->windowRect(w) : std::nullopt;
    ShowFrame(r);
}

void SelectR::UpdateDrag(const wxPoint& pointer) {
    const wxPoint p = pointer + pointerShift_;
    if (p == g_current)
        return;
    g_current = p;
    ShowFrame(DragRect(g_anchor.x, g_anchor.y, g_current.x, g_current.y));
}

void SelectR::OnMouseMove(wxMouseEvent& e) {
    wxPoint p = ScreenPoint(e);
    if (dragging_)
        UpdateDrag(p);
    else if (windowOut_)
        OutlineWindowAt(p, e.ShiftDown());
}

void SelectR::OnLeftDown(wxMouseEvent& e) {
    if (!rectOut_)
        return;
    const wxPoint p = ScreenPoint(e);
    if (recalled_) {
        if (recalled_->containsInclusive(p.x, p.y) && p.x < recalled_->right &&
            p.y < recalled_->bottom) {
            chooseOnRelease_ = true;
            return;
        }
        // A press outside starts a new drag instead.
        recalled_.reset();
        ShowFrame(std::nullopt);
    }
    dragging_ = true;
    pointerShift_ = wxPoint();
    g_anchor = g_current = p;
    if (!canvas_->HasCapture())
        canvas_->CaptureMouse();
}

void SelectR::OnLeftUp(wxMouseEvent& e) {
    if (canvas_->HasCapture())
        canvas_->ReleaseMouse();
    wxPoint p = ScreenPoint(e);
    if (chooseOnRelease_ && recalled_) {
        chooseOnRelease_ = false;
        Choose(*recalled_);
        return;
    }
    if (rectOut_) {
        // A release without a press here (the button was down when the window opened)
        // selects nothing.
        if (!dragging_)
            return;
        UpdateDrag(p);
        dragging_ = false;
        ScreenRect r = DragRect(g_anchor.x, g_anchor.y, g_current.x, g_current.y);
        ShowFrame(r);
        *rectOut_ = r;
    } else if (windowOut_) {
        OutlineWindowAt(p, e.ShiftDown());
    }
    Finish(wxID_OK);
}

void SelectR::Finish(int code) {
    if (IsModal()) {
        EndModal(code);
    } else {
        SetReturnCode(code);
        Hide();
    }
}

void SelectR::Choose(const ScreenRect& r) {
    if (canvas_->HasCapture())
        canvas_->ReleaseMouse();
    dragging_ = false;
    ShowFrame(r);
    *rectOut_ = r;
    Finish(wxID_OK);
}

bool SelectR::OnSelectionKey(const wxKeyEvent& e) {
    if (!rectOut_)
        return false;
    const int key = e.GetKeyCode();
    if (key == WXK_RETURN || key == WXK_NUMPAD_ENTER) {
        // During a drag the release ends the selection.
        if (dragging_)
            return true;
        if (recalled_)
            Choose(*recalled_);
        else if (last_ && !last_->empty()) {
            recalled_ = StepRect(*last_, 0, 0, false, covered_);
            ShowFrame(recalled_);
        }
        return true;
    }
    wxPoint d;
    if (!ArrowStep(key, e.ShiftDown(), &d))
        return false;
    const bool resize = e.ControlDown();
    if (dragging_) {
        // The pointer's corner keeps the keys' shift; a move takes the anchor along.
        if (!resize)
            g_anchor += d;
        pointerShift_ += d;
        g_current += d;
        ShowFrame(DragRect(g_anchor.x, g_anchor.y, g_current.x, g_current.y));
    } else if (recalled_) {
        recalled_ = StepRect(*recalled_, d.x, d.y, resize, covered_);
        ShowFrame(recalled_);
    }
    return true;
}

void SelectR::OnCaptureLost(wxMouseCaptureLostEvent&) {}

void SelectR::OnCharHook(wxKeyEvent& e) {
    if (e.GetKeyCode() != WXK_ESCAPE) {
        if (!OnSelectionKey(e))
            e.Skip();
        return;
    }
    if (canvas_->HasCapture())
        canvas_->ReleaseMouse();
    dragging_ = false;
    Finish(wxID_CANCEL);
}

void SelectR::OnMessage(PrivateMessageEvent& e) {
    if (e.message() != msg::SelectionPaint) {
        e.Skip();
        return;
    }
    canvas_->Refresh(false);
    if (e.wParam() == kFirstPaint) {
        // Esc must reach this window: bring it forward, the keyboard focus on the picture.
        Raise();
        canvas_->SetFocus();
    }
    if (dragging_ || !windowOut_ || !screen_)
        return;
    int32_t x = 0, y = 0;
    if (screen_->pointer(&x, &y))
        OutlineWindowAt(wxPoint(x, y), wxGetKeyState(WXK_SHIFT));
}

bool RunSelectR(wxWindow* window, DesktopServices& desktop, ScreenRect* rect, WindowId* windowOut) {
    wxWindow* frame = wxGetTopLevelParent(window);
    SelectR dlg(frame ? frame : window, desktop, SelectionColour(GlobalSettings().selColor), rect,
                windowOut, true);
    if (rect)
        dlg.SetLastRegion(ParseLastRegion(GlobalSettings().lastRegion));
    return dlg.ShowModal() == wxID_OK;
}

} // namespace tess
