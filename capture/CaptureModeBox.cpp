#include "capture/CaptureModeBox.h"

#include "capture/TClient.h"
#include "settings/Settings.h"

#include <wx/choice.h>

namespace tess {

void CaptureModeBox::Fill() {
    if (!controls_.captureMode)
        return;
    controls_.captureMode->Clear();
    // TRANSLATORS: the capture mode: the whole screen
    controls_.captureMode->Append(_("Screen"));
    // TRANSLATORS: the capture mode: one window the user clicks
    controls_.captureMode->Append(_("Window"));
    // TRANSLATORS: the capture mode: a rectangle the user drags
    controls_.captureMode->Append(_("Rectangle"));
    // TRANSLATORS: the capture mode: the monitor under the pointer
    controls_.captureMode->Append(_("Monitor"));
    Show();
}

void CaptureModeBox::Read() {
    if (!controls_.captureMode)
        return;
    Settings& s = GlobalSettings();
    if (s.capSelect != shown_) {
        Show();
        return;
    }
    int sel = controls_.captureMode->GetSelection();
    if (sel >= 0 && sel <= 3)
        s.capSelect = shown_ = sel;
}

void CaptureModeBox::Show() {
    const int mode = GlobalSettings().capSelect;
    if (controls_.captureMode && controls_.captureMode->GetCount() >= 4 && mode >= 0 && mode <= 3) {
        controls_.captureMode->SetSelection(mode);
        shown_ = mode;
    }
}

void CaptureModeBox::Set(CaptureMode mode) {
    GlobalSettings().capSelect = CapSelectOf(mode);
    Show();
}

} // namespace tess
