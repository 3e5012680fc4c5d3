#include "capture/SelectR.h"

#include <cstdlib>

#include <wx/dcclient.h>
#include <wx/image.h>
#include <wx/utils.h>

#include "capture/MainGroup.h"
#include "media/Grab.h"
#include "media/MemBm.h"
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

wxBitmap ToBitmap(const MemBm& bm) {
    wxImage img(bm.width(), bm.height(), false);
    unsigned char* d = img.GetData();
    for (int32_t y = 0; y < bm.height(); ++y) {
        const uint8_t* s = bm.pixelAddress(0, y);
        for (int32_t x = 0; x < bm.width(); ++x, s += 4, d += 3) {
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
        }
    }
    return wxBitmap(img);
}

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
            frozen_ = ToBitmap(*picture);
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

void SelectR::OnPaint(wxPaintEvent&) {
    wxPaintDC dc(canvas_);
    dc.DrawBitmap(frozen_, canvas_->ScreenToClient(wxPoint(covered_.left, covered_.top)));
    if (!shown_)
        return;
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.SetBrush(wxBrush(colour_));
    for (const ScreenRect& bar : FrameBars(*shown_)) {
        if (bar.empty())
            continue;
        wxPoint at = canvas_->ScreenToClient(wxPoint(bar.left, bar.top));
        dc.DrawRectangle(at.x, at.y, bar.width(), bar.height());
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
