#include "capture/AnnotationEditor.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>

#include <cairo.h>
#include <wx/arrstr.h>
#include <wx/bmpbuttn.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/colordlg.h>
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/dialog.h>
#include <wx/display.h>
#include <wx/filedlg.h>
#include <wx/graphics.h>
#include <wx/menu.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/tglbtn.h>

#include "media/MemBm.h"
#include "media/annotate/Gesture.h"
#include "media/annotate/History.h"
#include "media/annotate/Render.h"
#include "media/annotate/ViewLayers.h"
#include "media/annotate/ViewTransform.h"
#include "platform/DesktopServices.h"
#include "platform/Translate.h"
#include "resources/ui/ContextHelp.h"
#include "settings/Settings.h"

namespace tess {

namespace {

using namespace annotate;

// Red, orange, yellow, green, blue, purple, black, white (0x00BBGGRR).
constexpr std::array<uint32_t, 8> kSwatches = {0x0000E0, 0x0080FF, 0x00E0FF, 0x00A000,
                                               0xE06000, 0x900090, 0x000000, 0xFFFFFF};

struct ToolLabel {
    const char* name;
    const char* tip;
};
// In the order of annotate::Tool.
// TRANSLATORS: the picture editor's tools: each a button's name and its tip
constexpr std::array<ToolLabel, kToolCount> kTools = {{
    {N_("Select"), N_("Select, move and resize items; Delete removes the selected one")},
    {N_("Crop"), N_("Crop the picture to a rectangle (undo brings it back)")},
    {N_("Arrow"), N_("Draw an arrow whose tip is where the drag ends")},
    {N_("Line"), N_("Draw a straight line (Shift: at 45-degree steps)")},
    {N_("Rectangle"), N_("Draw a rectangle, outlined or filled (Shift: a square)")},
    {N_("Ellipse"), N_("Draw an ellipse (Shift: a circle)")},
    {N_("Pen"), N_("Draw freehand (Shift: a straight line)")},
    {N_("Marker"), N_("Highlight an area in translucent colour")},
    {N_("Text"), N_("Click to type text; Enter ends it, Shift+Enter starts a new line")},
    {N_("Step"), N_("Number steps 1, 2, 3...; drag before releasing to add a pointer")},
    {N_("Redact"),
     N_("Hides the area for good: the saved picture keeps nothing of what was under it")},
}};

// The zoom's label: "Fit 100 %" while the picture is fitted to the window, else "100 %".
wxString ZoomFormat(bool fit) {
    // TRANSLATORS: the zoom while the picture fits the window; %d is the zoom in percent
    return fit ? _("Fit %d %%") : _("%d %%");
}

wxColour ToWx(uint32_t c) {
    return wxColour(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

uint32_t FromWx(const wxColour& c) {
    return uint32_t(c.Red()) | uint32_t(c.Green()) << 8 | uint32_t(c.Blue()) << 16;
}

wxRect ToWx(const RectI& r) {
    return wxRect(r.x, r.y, r.w, r.h);
}

wxBitmap SwatchBitmap(uint32_t color, int size) {
    wxBitmap bitmap(size, size);
    wxMemoryDC dc(bitmap);
    dc.SetBackground(wxBrush(ToWx(color)));
    dc.Clear();
    dc.SetPen(*wxGREY_PEN);
    dc.SetBrush(*wxTRANSPARENT_BRUSH);
    dc.DrawRectangle(0, 0, size, size);
    dc.SelectObject(wxNullBitmap);
    return bitmap;
}

// The preset (0 small, 1 medium, 2 large) nearest to `value`.
int NearestPreset(float value, float (*preset)(int, double), double scale) {
    int best = 0;
    for (int i = 1; i < 3; ++i)
        if (std::abs(preset(i, scale) - value) < std::abs(preset(best, scale) - value))
            best = i;
    return best;
}

class AnnotationDialog;
AnnotationDialog* g_open = nullptr;

// The drawing area: pointer events go to the gesture, paints copy the cached layers.
class Canvas : public wxWindow {
public:
    Canvas(wxWindow* parent, AnnotationDialog& owner);

private:
    void OnPaint(wxPaintEvent&);
    void OnMouse(wxMouseEvent& e);
    void OnWheel(wxMouseEvent& e);
    void OnContextMenu(wxContextMenuEvent& e);

    AnnotationDialog& owner_;
    std::optional<wxPoint> panFrom_;
};

class AnnotationDialog : public wxDialog {
public:
    AnnotationDialog(wxWindow* parent, DesktopServices& desktop, const MemBm& picture,
                     const EditorSetup& setup);
    ~AnnotationDialog() override;

    EditedPicture result() const { return result_; }
    wxPoint ScreenPoint(double x, double y) const {
        const PointF v = view_.toView(PointF{x, y});
        return canvas_->ClientToScreen(wxPoint(int(std::lround(v.x)), int(std::lround(v.y))));
    }

    // The canvas's side.
    void Paint(cairo_t* cr, const wxRegion& region);
    void Press(wxMouseEvent& e);
    void Drag(wxMouseEvent& e);
    void Release(wxMouseEvent& e);
    void DoubleClick(wxMouseEvent& e);
    void Wheel(wxMouseEvent& e);
    void Pan(int dx, int dy);
    void SwatchMenu();
    void CanvasResized();

private:
    void BuildBars(wxBoxSizer* bar, wxSizer* left);
    void Apply(const Outcome& o);
    void SyncBars();
    void PlaceText();
    void OnTextKey(wxKeyEvent& e);
    void OnCharHook(wxKeyEvent& e);
    void ZoomFit();
    void ZoomTo(double zoom, std::optional<PointF> anchor = {});
    void SetView(const ViewTransform& view);
    void ShowZoom();
    PointF ToPicture(const wxMouseEvent& e) const;
    Modifiers ModsOf(const wxKeyboardState& e) const;
    void CommitOpenText();
    std::shared_ptr<const MemBm> Render();
    void Save();
    void SaveAs();
    void Copy();
    void TryCancel();
    void Remember();
    void ChooseColor(uint32_t color);

    DesktopServices& desktop_;
    const MemBm& picture_;
    EditorSetup setup_;
    double contentScale_;
    History history_;
    Gesture gesture_;
    ViewLayers layers_;
    ViewTransform view_;
    bool fit_ = true;
    RectI shown_;
    EditedPicture result_;

    Canvas* canvas_ = nullptr;
    wxTextCtrl* text_ = nullptr;
    std::array<wxToggleButton*, kToolCount> tools_{};
    std::array<wxToggleButton*, 3> widths_{};
    wxCheckBox* fill_ = nullptr;
    wxChoice* textSize_ = nullptr;
    wxCheckBox* backdrop_ = nullptr;
    wxChoice* redactStyle_ = nullptr;
    wxSpinCtrl* firstStep_ = nullptr;
    wxStaticText* zoom_ = nullptr;
    wxBitmapButton* more_ = nullptr;
};

Canvas::Canvas(wxWindow* parent, AnnotationDialog& owner)
    : wxWindow(parent, annot_id::Canvas, wxDefaultPosition, wxSize(240, 160),
               wxFULL_REPAINT_ON_RESIZE | wxWANTS_CHARS),
      owner_(owner) {
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Bind(wxEVT_PAINT, &Canvas::OnPaint, this);
    for (auto type : {wxEVT_LEFT_DOWN, wxEVT_LEFT_UP, wxEVT_MOTION, wxEVT_LEFT_DCLICK,
                      wxEVT_MIDDLE_DOWN, wxEVT_MIDDLE_UP})
        Bind(type, &Canvas::OnMouse, this);
    Bind(wxEVT_MOUSE_CAPTURE_LOST, [](wxMouseCaptureLostEvent&) {});
    Bind(wxEVT_MOUSEWHEEL, &Canvas::OnWheel, this);
    Bind(wxEVT_CONTEXT_MENU, &Canvas::OnContextMenu, this);
    Bind(wxEVT_SIZE, [this](wxSizeEvent& e) {
        owner_.CanvasResized();
        e.Skip();
    });
}

void Canvas::OnPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    std::unique_ptr<wxGraphicsContext> gc(wxGraphicsContext::Create(dc));
    if (!gc)
        return;
    owner_.Paint(static_cast<cairo_t*>(gc->GetNativeContext()), GetUpdateRegion());
}

void Canvas::OnMouse(wxMouseEvent& e) {
    const wxEventType type = e.GetEventType();
    if (type == wxEVT_MIDDLE_DOWN) {
        panFrom_ = e.GetPosition();
        if (!HasCapture())
            CaptureMouse();
    } else if (type == wxEVT_MIDDLE_UP) {
        panFrom_.reset();
        if (HasCapture())
            ReleaseMouse();
    } else if (type == wxEVT_LEFT_DOWN) {
        if (!HasCapture())
            CaptureMouse();
        owner_.Press(e);
    } else if (type == wxEVT_LEFT_UP) {
        if (HasCapture())
            ReleaseMouse();
        owner_.Release(e);
    } else if (type == wxEVT_LEFT_DCLICK) {
        owner_.DoubleClick(e);
    } else if (type == wxEVT_MOTION) {
        if (panFrom_) {
            owner_.Pan(e.GetX() - panFrom_->x, e.GetY() - panFrom_->y);
            panFrom_ = e.GetPosition();
        } else {
            owner_.Drag(e);
        }
    }
}

void Canvas::OnWheel(wxMouseEvent& e) {
    owner_.Wheel(e);
}

void Canvas::OnContextMenu(wxContextMenuEvent&) {
    owner_.SwatchMenu();
}

AnnotationDialog::AnnotationDialog(wxWindow* parent, DesktopServices& desktop, const MemBm& picture,
                                   const EditorSetup& setup)
    : wxDialog(parent, wxID_ANY,
               setup.title.empty() ? _("Edit picture") : wxString::FromUTF8(setup.title),
               wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER | wxMAXIMIZE_BOX),
      desktop_(desktop), picture_(picture), setup_(setup),
      contentScale_(parent ? parent->GetContentScaleFactor() : GetContentScaleFactor()),
      gesture_(history_, picture.width(), picture.height()),
      layers_(picture), shown_{0, 0, picture.width(), picture.height()} {
    // The remembered choices; widths and sizes by the content scale, so a mark-up on a
    // doubled screen looks as large as on a plain one.
    const Settings& s = GlobalSettings();
    gesture_.setColor(static_cast<uint32_t>(s.annotateColor));
    gesture_.setWidth(WidthPreset(s.annotateWidth, contentScale_));
    gesture_.setTextSize(TextSizePreset(s.annotateTextSize, contentScale_));
    gesture_.setRedactStyle(static_cast<RedactStyle>(s.annotateRedact));
    gesture_.setBackdrop(s.annotateBackdrop);
    gesture_.setTool(static_cast<Tool>(std::clamp(s.annotateTool, 0, kToolCount - 1)));

    // The options bar: two groups side by side, or one over the other where the screen is too
    // narrow for one line (a doubled scale on a small screen).
    auto* bar = new wxBoxSizer(wxHORIZONTAL);
    auto* left = new wxFlexGridSizer(1, 0, 2); // the tools, in two columns on a low screen
    BuildBars(bar, left);
    canvas_ = new Canvas(this, *this);
    text_ = new wxTextCtrl(canvas_, annot_id::TextEntry, "", wxDefaultPosition, wxSize(200, 40),
                           wxTE_MULTILINE | wxBORDER_NONE | wxTE_NO_VSCROLL);
    text_->Hide();
    // The gesture keeps what is typed, so a tool chosen meanwhile commits it.
    text_->Bind(wxEVT_TEXT, [this](wxCommandEvent&) {
        gesture_.updateText(text_->GetValue().utf8_string());
        PlaceText();
    });

    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->Add(new wxButton(this, wxID_HELP, _("&Help")), 0, wxALL, 4);
    buttons->AddStretchSpacer();
    auto* save = new wxButton(this, annot_id::Save, _("&Save"));
    buttons->Add(save, 0, wxALL, 4);
    if (setup_.saveAs)
        buttons->Add(new wxButton(this, annot_id::SaveAs, _("Save &As...")), 0, wxALL, 4);
    buttons->Add(new wxButton(this, annot_id::Copy, _("&Copy")), 0, wxALL, 4);
    buttons->Add(new wxButton(this, wxID_CANCEL, _("Cancel")), 0, wxALL, 4);
    save->SetDefault();

    auto* middle = new wxBoxSizer(wxHORIZONTAL);
    middle->Add(left, 0, wxALL, 4);
    middle->Add(canvas_, 1, wxEXPAND | wxTOP | wxBOTTOM | wxRIGHT, 4);
    auto* all = new wxBoxSizer(wxVERTICAL);
    all->Add(bar, 0, wxEXPAND | wxALL, 4);
    all->Add(middle, 1, wxEXPAND);
    all->Add(buttons, 0, wxEXPAND | wxALL, 4);
    SetSizer(all);

    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { Save(); }, annot_id::Save);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { SaveAs(); }, annot_id::SaveAs);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { Copy(); }, annot_id::Copy);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { TryCancel(); }, wxID_CANCEL);
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { TryCancel(); });
    Bind(wxEVT_CHAR_HOOK, &AnnotationDialog::OnCharHook, this);
    // After the dialog's own key handler, so F1 is answered first.
    ContextHelpWin::Attach(this, annot_id::HelpContext);

    // On the monitor under the pointer, at most 90 % of its work area, the picture at 100 %
    // when it fits.
    const int monitor = wxDisplay::GetFromPoint(wxGetMousePosition());
    const wxRect area = wxDisplay(monitor == wxNOT_FOUND ? 0u : unsigned(monitor)).GetClientArea();
    if (all->GetMinSize().x > int(area.width * 0.9))
        bar->SetOrientation(wxVERTICAL);
    if (all->GetMinSize().y > int(area.height * 0.9))
        left->SetCols(2);
    const wxSize chrome = all->GetMinSize() - canvas_->GetMinSize();
    const double perUnit = 1 / GetContentScaleFactor();
    const wxSize want(chrome.x + int(std::ceil(picture.width() * perUnit)) + 2,
                      chrome.y + int(std::ceil(picture.height() * perUnit)) + 2);
    const wxSize size(std::clamp(want.x, all->GetMinSize().x, int(area.width * 0.9)),
                      std::clamp(want.y, all->GetMinSize().y, int(area.height * 0.9)));
    SetMinSize(all->GetMinSize());
    SetSize(area.x + (area.width - size.x) / 2, area.y + (area.height - size.y) / 2, size.x,
            size.y);
    layers_.setDocument(history_.current());
    SyncBars();
    // The picture has the focus at first (not the first swatch), so Enter saves.
    canvas_->SetFocus();
    g_open = this;
}

AnnotationDialog::~AnnotationDialog() {
    if (g_open == this)
        g_open = nullptr;
}

void AnnotationDialog::BuildBars(wxBoxSizer* bar, wxSizer* left) {
    // Colours and widths; then the other options and the zoom.
    auto* top = new wxBoxSizer(wxHORIZONTAL);
    bar->Add(top, 0, wxEXPAND);
    const int swatch = FromDIP(16);
    for (size_t i = 0; i < kSwatches.size(); ++i) {
        auto* b = new wxBitmapButton(this, annot_id::SwatchFirst + int(i),
                                     SwatchBitmap(kSwatches[i], swatch));
        b->SetToolTip(_("Draw in this colour (right click on the picture offers these too)"));
        b->Bind(wxEVT_BUTTON, [this, c = kSwatches[i]](wxCommandEvent&) { ChooseColor(c); });
        top->Add(b, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 2);
    }
    more_ = new wxBitmapButton(this, annot_id::MoreColors, SwatchBitmap(0, swatch));
    more_->SetToolTip(_("More colours...: the colour in use; click to choose any colour"));
    more_->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
        wxColourData data;
        data.SetColour(ToWx(gesture_.currentColor()));
        wxColourDialog dialog(this, &data);
        if (dialog.ShowModal() == wxID_OK)
            ChooseColor(FromWx(dialog.GetColourData().GetColour()));
    });
    top->Add(more_, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 8);

    // TRANSLATORS: the line width buttons: small, medium and large lines
    const wxString widthNames[] = {wxGETTEXT_IN_CONTEXT("line width", "S"),
                                   wxGETTEXT_IN_CONTEXT("line width", "M"),
                                   wxGETTEXT_IN_CONTEXT("line width", "L")};
    const wxString widthTips[] = {_("Small lines (wheel, [ and ] change the width too)"),
                                  _("Medium lines"), _("Large lines")};
    for (int i = 0; i < 3; ++i) {
        widths_[i] = new wxToggleButton(this, annot_id::WidthSmall + i, widthNames[i],
                                        wxDefaultPosition, wxDefaultSize, wxBU_EXACTFIT);
        widths_[i]->SetToolTip(widthTips[i]);
        widths_[i]->Bind(wxEVT_TOGGLEBUTTON, [this, i](wxCommandEvent&) {
            Apply(gesture_.setWidth(WidthPreset(i, contentScale_)));
        });
        top->Add(widths_[i], 0, wxALIGN_CENTER_VERTICAL);
    }
    top = new wxBoxSizer(wxHORIZONTAL);
    bar->Add(top, 1, wxEXPAND);
    fill_ = new wxCheckBox(this, annot_id::Fill, _("&Fill"));
    fill_->SetToolTip(_("Rectangles filled with the colour rather than outlined"));
    fill_->Bind(wxEVT_CHECKBOX,
                [this](wxCommandEvent& e) { Apply(gesture_.setFill(e.IsChecked())); });
    top->Add(fill_, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, 8);

    top->Add(new wxStaticText(this, annot_id::TextSizeLabel, _("&Text:")), 0,
             wxALIGN_CENTER_VERTICAL | wxLEFT, 8);
    textSize_ = new wxChoice(this, annot_id::TextSize);
    // TRANSLATORS: the sizes of the text tool's text
    for (const wxString& n : {_("Small"), _("Medium"), _("Large")})
        textSize_->Append(n);
    textSize_->SetToolTip(_("The size of text"));
    textSize_->Bind(wxEVT_CHOICE, [this](wxCommandEvent& e) {
        Apply(gesture_.setTextSize(TextSizePreset(e.GetSelection(), contentScale_)));
    });
    top->Add(textSize_, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, 4);
    backdrop_ = new wxCheckBox(this, annot_id::Backdrop, _("Bac&kdrop"));
    backdrop_->SetToolTip(_("Text on a plain box, readable over any picture"));
    backdrop_->Bind(wxEVT_CHECKBOX,
                    [this](wxCommandEvent& e) { Apply(gesture_.setBackdrop(e.IsChecked())); });
    top->Add(backdrop_, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, 4);

    redactStyle_ = new wxChoice(this, annot_id::RedactStyle);
    // TRANSLATORS: how a redacted area is hidden: one solid colour
    redactStyle_->Append(_("Solid"));
    // TRANSLATORS: how a redacted area is hidden: big blocks of the colours around it
    redactStyle_->Append(_("Mosaic"));
    redactStyle_->SetToolTip(_("Redaction: one solid colour, or a mosaic made only from the "
                               "pixels around the box"));
    redactStyle_->Bind(wxEVT_CHOICE, [this](wxCommandEvent& e) {
        Apply(gesture_.setRedactStyle(static_cast<RedactStyle>(e.GetSelection())));
    });
    top->Add(redactStyle_, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, 8);

    top->Add(new wxStaticText(this, annot_id::FirstStepLabel, _("Ste&ps from:")), 0,
             wxALIGN_CENTER_VERTICAL | wxLEFT, 8);
    firstStep_ = new wxSpinCtrl(this, annot_id::FirstStep, "1", wxDefaultPosition, wxDefaultSize,
                                wxSP_ARROW_KEYS, 0, 999, 1);
    firstStep_->SetToolTip(_("The number of the first step"));
    firstStep_->Bind(wxEVT_SPINCTRL,
                     [this](wxSpinEvent& e) { Apply(gesture_.setFirstStep(e.GetPosition())); });
    top->Add(firstStep_, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, 4);
    top->AddStretchSpacer();
    zoom_ = new wxStaticText(this, annot_id::Zoom, "100 %", wxDefaultPosition, wxDefaultSize,
                             wxALIGN_RIGHT | wxST_NO_AUTORESIZE);
    zoom_->SetMinSize(wxSize(GetTextExtent(wxString::Format(ZoomFormat(true), 100)).x + 4, -1));
    zoom_->SetToolTip(_("The zoom: Ctrl+0 fits the picture, Ctrl+1 shows it at 100 %, "
                        "Ctrl+wheel zooms"));
    top->Add(zoom_, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, 8);

    for (int i = 0; i < kToolCount; ++i) {
        const Tool tool = static_cast<Tool>(i);
        const wxString name = wxGetTranslation(kTools[i].name);
        tools_[i] = new wxToggleButton(this, annot_id::ToolFirst + i, name);
        // TRANSLATORS: a tool's tip: the tool's name, its key and what it does
        wxString tip = _("%1$s (%2$c): %3$s");
        if (tool == Tool::Redact)
            // TRANSLATORS: the redaction's tip: its name, its key (B works too), what it does
            tip = _("%1$s (%2$c): %3$s (B too)");
        tools_[i]->SetToolTip(
            wxString::Format(tip, name, ToolKey(tool), wxGetTranslation(kTools[i].tip)));
        tools_[i]->Bind(wxEVT_TOGGLEBUTTON,
                        [this, tool](wxCommandEvent&) { Apply(gesture_.setTool(tool)); });
        left->Add(tools_[i], 0, wxEXPAND | wxBOTTOM, 2);
    }
}

void AnnotationDialog::SyncBars() {
    const ToolOptions& o = gesture_.options();
    for (int i = 0; i < kToolCount; ++i)
        tools_[i]->SetValue(static_cast<int>(o.tool) == i);
    const int width = NearestPreset(o.width, &WidthPreset, contentScale_);
    for (int i = 0; i < 3; ++i)
        widths_[i]->SetValue(i == width);
    fill_->SetValue(o.fill);
    textSize_->SetSelection(NearestPreset(o.textSize, &TextSizePreset, contentScale_));
    backdrop_->SetValue(o.backdrop);
    redactStyle_->SetSelection(static_cast<int>(o.redactStyle));
    if (firstStep_->GetValue() != history_.current().firstStep)
        firstStep_->SetValue(history_.current().firstStep);
    more_->SetBitmapLabel(SwatchBitmap(gesture_.currentColor(), FromDIP(16)));
}

void AnnotationDialog::ChooseColor(uint32_t color) {
    Apply(gesture_.setColor(color));
}

void AnnotationDialog::SwatchMenu() {
    wxMenu menu;
    for (size_t i = 0; i < kSwatches.size(); ++i) {
        auto* item = new wxMenuItem(&menu, annot_id::SwatchFirst + int(i), " ");
        item->SetBitmap(SwatchBitmap(kSwatches[i], FromDIP(16)));
        menu.Append(item);
    }
    const int chosen = canvas_->GetPopupMenuSelectionFromUser(menu);
    if (chosen >= annot_id::SwatchFirst && chosen < annot_id::SwatchFirst + int(kSwatches.size()))
        ChooseColor(kSwatches[chosen - annot_id::SwatchFirst]);
}

void AnnotationDialog::Apply(const Outcome& o) {
    if (o.layersChanged) {
        layers_.setDocument(history_.current(), gesture_.hidden());
        const RectI shown = ShownRect(history_.current(), picture_.width(), picture_.height());
        if (!(shown == shown_)) { // a crop, or its undo: the view shows the new part
            shown_ = shown;
            fit_ = true;
            CanvasResized();
        }
        canvas_->Refresh(false);
    } else if (!o.damage.empty()) {
        canvas_->RefreshRect(ToWx(view_.damage(o.damage)), false);
    }
    if (o.textChanged)
        PlaceText();
    if (o.toolChanged || o.optionsChanged || o.layersChanged)
        SyncBars();
    if (o.closeRequested)
        CallAfter([this] { TryCancel(); });
}

void AnnotationDialog::PlaceText() {
    const TextSession* session = gesture_.textSession();
    if (!session) {
        if (text_->IsShown()) {
            text_->Hide();
            canvas_->SetFocus();
        }
        return;
    }
    const double px = std::max(4.0, session->text.sizePx * view_.scale());
    if (!text_->IsShown()) {
        wxFont font(wxFontInfo().FaceName(kTextFamily));
        font.SetPixelSize(wxSize(0, int(std::lround(px))));
        text_->SetFont(font);
        text_->SetForegroundColour(ToWx(session->text.color));
        text_->ChangeValue(wxString::FromUTF8(session->text.utf8));
    }
    const PointF at = view_.toView(session->text.at);
    // As wide as the longest line and a little more, one line taller than the text.
    const wxArrayString lines = wxSplit(text_->GetValue(), '\n', '\0');
    int widest = 0;
    for (const wxString& line : lines)
        widest = std::max(widest, text_->GetTextExtent(line).x);
    const wxSize canvas = canvas_->GetClientSize();
    const int x = int(at.x), y = int(at.y);
    const int room = std::max(40, canvas.x - x);
    text_->SetSize(x, y, std::clamp(widest + int(px * 2), std::min(room, int(px * 4)), room),
                   int((std::max<size_t>(lines.size(), 1) + 1) * px * 1.3));
    if (!text_->IsShown()) {
        text_->Show();
        text_->SetFocus();
        text_->SetInsertionPointEnd();
    }
}

void AnnotationDialog::CommitOpenText() {
    if (gesture_.textSession())
        Apply(gesture_.commitText(text_->GetValue().utf8_string()));
}

Modifiers AnnotationDialog::ModsOf(const wxKeyboardState& e) const {
    return {e.ShiftDown(), e.ControlDown(), e.AltDown()};
}

PointF AnnotationDialog::ToPicture(const wxMouseEvent& e) const {
    return view_.toPicture(PointF{double(e.GetX()), double(e.GetY())});
}

void AnnotationDialog::Press(wxMouseEvent& e) {
    // A click beside the text being typed ends it first.
    CommitOpenText();
    Apply(gesture_.press(ToPicture(e), ModsOf(e)));
}

void AnnotationDialog::Drag(wxMouseEvent& e) {
    Apply(gesture_.move(ToPicture(e), ModsOf(e)));
}

void AnnotationDialog::Release(wxMouseEvent& e) {
    Apply(gesture_.release(ToPicture(e), ModsOf(e)));
}

void AnnotationDialog::DoubleClick(wxMouseEvent& e) {
    Apply(gesture_.doubleClick(ToPicture(e), ModsOf(e)));
}

void AnnotationDialog::Wheel(wxMouseEvent& e) {
    const int notches = e.GetWheelRotation() / std::max(1, e.GetWheelDelta());
    if (notches == 0)
        return;
    if (e.ControlDown())
        ZoomTo(view_.zoom * std::pow(1.25, notches), PointF{double(e.GetX()), double(e.GetY())});
    else
        Apply(gesture_.wheel(notches, ModsOf(e)));
}

void AnnotationDialog::Pan(int dx, int dy) {
    fit_ = false;
    SetView(view_.panned(dx, dy));
}

void AnnotationDialog::SetView(const ViewTransform& view) {
    view_ = view;
    const wxSize size = canvas_->GetClientSize();
    layers_.setView(view_, size.x, size.y);
    gesture_.setClickSlop(3 / view_.scale());
    ShowZoom();
    if (gesture_.textSession()) { // the text control follows the picture
        text_->Hide();
        PlaceText();
    }
    canvas_->Refresh(false);
}

void AnnotationDialog::CanvasResized() {
    if (!canvas_)
        return;
    const wxSize size = canvas_->GetClientSize();
    if (size.x <= 0 || size.y <= 0)
        return;
    if (fit_)
        SetView(ViewTransform::Fit(shown_, size.x, size.y, canvas_->GetContentScaleFactor()));
    else
        SetView(view_);
}

void AnnotationDialog::ZoomFit() {
    fit_ = true;
    CanvasResized();
}

void AnnotationDialog::ZoomTo(double zoom, std::optional<PointF> anchor) {
    fit_ = false;
    const wxSize size = canvas_->GetClientSize();
    if (anchor)
        SetView(view_.zoomedAt(zoom / view_.zoom, *anchor));
    else
        SetView(ViewTransform::At(zoom, shown_, size.x, size.y, canvas_->GetContentScaleFactor()));
}

void AnnotationDialog::ShowZoom() {
    const int percent = int(std::lround(view_.zoom * 100));
    zoom_->SetLabel(wxString::Format(ZoomFormat(fit_), percent));
}

void AnnotationDialog::Paint(cairo_t* cr, const wxRegion& region) {
    layers_.update();
    for (wxRegionIterator it(region); it; ++it) {
        const wxRect r = it.GetRect();
        layers_.paint(cr, RectI{r.x, r.y, r.width, r.height}, gesture_.live(),
                      gesture_.liveStepNumber(), gesture_.selectedItem(), gesture_.cropPreview());
    }
}

void AnnotationDialog::OnCharHook(wxKeyEvent& e) {
    const int code = e.GetKeyCode();
    const Modifiers mods = ModsOf(e);
    const bool enter = code == WXK_RETURN || code == WXK_NUMPAD_ENTER;
    if (gesture_.textSession()) {
        // The text control has the keys: Enter ends the text, Shift+Enter adds a line, Esc
        // drops it; everything else (tool letters too) is typed.
        if (code == WXK_ESCAPE)
            Apply(gesture_.discardText());
        else if (enter && !mods.shift && !mods.ctrl)
            CommitOpenText();
        else
            e.Skip();
        return;
    }
    if (mods.ctrl && !mods.alt && (code == 'S' || code == 'C' || code == '0' || code == '1')) {
        if (code == 'S')
            mods.shift ? SaveAs() : Save();
        else if (code == 'C' && !mods.shift)
            Copy();
        else if (code == '0')
            ZoomFit();
        else if (code == '1')
            ZoomTo(1);
        return;
    }
    // The step number field takes its own digits and arrows.
    wxWindow* focus = FindFocus();
    const bool inField = focus && (focus == firstStep_ || focus->GetParent() == firstStep_);
    if (inField && code != WXK_ESCAPE && !enter) {
        e.Skip();
        return;
    }
    // Enter on another of the bottom buttons presses that button.
    const int focusId = focus ? focus->GetId() : wxID_ANY;
    if (enter && (focusId == wxID_HELP || focusId == annot_id::SaveAs ||
                  focusId == annot_id::Copy || focusId == wxID_CANCEL)) {
        e.Skip();
        return;
    }
    if (enter && !mods.shift && !mods.ctrl && !mods.alt) {
        Save();
        return;
    }
    Key key = Key::Char;
    char32_t ch = 0;
    switch (code) {
    case WXK_ESCAPE:
        key = Key::Escape;
        break;
    case WXK_DELETE:
    case WXK_NUMPAD_DELETE:
        key = Key::Delete;
        break;
    case WXK_BACK:
        key = Key::Backspace;
        break;
    case WXK_LEFT:
    case WXK_NUMPAD_LEFT:
        key = Key::Left;
        break;
    case WXK_RIGHT:
    case WXK_NUMPAD_RIGHT:
        key = Key::Right;
        break;
    case WXK_UP:
    case WXK_NUMPAD_UP:
        key = Key::Up;
        break;
    case WXK_DOWN:
    case WXK_NUMPAD_DOWN:
        key = Key::Down;
        break;
    default:
        ch = e.GetUnicodeKey() != WXK_NONE ? char32_t(e.GetUnicodeKey())
             : code > ' ' && code < 127    ? char32_t(code)
                                           : 0;
        if (!ch) {
            e.Skip();
            return;
        }
    }
    const Outcome o = gesture_.key(key, ch, mods);
    if (o.handled)
        Apply(o);
    else
        e.Skip();
}

std::shared_ptr<const MemBm> AnnotationDialog::Render() {
    CommitOpenText();
    return RenderForSave(picture_, history_.current());
}

void AnnotationDialog::Save() {
    result_ = {EditedPicture::Kind::Save, Render(), {}};
    Remember();
    EndModal(wxID_OK);
}

void AnnotationDialog::SaveAs() {
    if (!setup_.saveAs)
        return;
    const std::string start = setup_.fileName;
    const size_t slash = start.rfind('/');
    wxFileDialog dialog(this, _("Save picture as"),
                        slash == std::string::npos ? wxString()
                                                   : wxString::FromUTF8(start.substr(0, slash)),
                        slash == std::string::npos ? wxString::FromUTF8(start)
                                                   : wxString::FromUTF8(start.substr(slash + 1)),
                        _("PNG picture (*.png)|*.png|JPG picture (*.jpg)|*.jpg|BMP picture "
                          "(*.bmp)|*.bmp|GIF picture (*.gif)|*.gif"),
                        wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    if (dialog.ShowModal() != wxID_OK)
        return;
    std::string path = dialog.GetPath().utf8_string();
    static const char* const kExtensions[] = {".png", ".jpg", ".bmp", ".gif"};
    const std::string ext = kExtensions[std::clamp(dialog.GetFilterIndex(), 0, 3)];
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos)
        path += ext;
    result_ = {EditedPicture::Kind::Save, Render(), path};
    Remember();
    EndModal(wxID_OK);
}

void AnnotationDialog::Copy() {
    result_ = {EditedPicture::Kind::Copied, Render(), {}};
    Remember();
    EndModal(wxID_OK);
}

void AnnotationDialog::TryCancel() {
    if (!IsModal())
        return;
    if (history_.modified() &&
        desktop_.message(_("Discard the changes to this picture?").utf8_string(),
                         GetTitle().utf8_string(), MessageKind::Question,
                         MessageButtons::YesNoDefaultNo) != MessageAnswer::Yes)
        return;
    result_ = {};
    Remember();
    EndModal(wxID_CANCEL);
}

void AnnotationDialog::Remember() {
    Settings& s = GlobalSettings();
    const ToolOptions& o = gesture_.options();
    s.annotateTool = static_cast<int32_t>(o.tool);
    s.annotateColor = static_cast<int32_t>(o.color & 0xFFFFFF);
    s.annotateWidth = NearestPreset(o.width, &WidthPreset, contentScale_);
    s.annotateTextSize = NearestPreset(o.textSize, &TextSizePreset, contentScale_);
    s.annotateRedact = static_cast<int32_t>(o.redactStyle);
    s.annotateBackdrop = o.backdrop;
}

} // namespace

EditedPicture RunAnnotationEditor(wxWindow* parent, DesktopServices& desktop, const MemBm& picture,
                                  const EditorSetup& setup) {
    if (g_open || picture.empty())
        return {};
    AnnotationDialog dialog(parent, desktop, picture, setup);
    dialog.ShowModal();
    return dialog.result();
}

bool AnnotationEditorOpen() {
    return g_open != nullptr;
}

wxWindow* OpenAnnotationEditor() {
    return g_open;
}

wxPoint AnnotationEditorScreenPoint(double x, double y) {
    return g_open ? g_open->ScreenPoint(x, y) : wxPoint();
}

} // namespace tess
