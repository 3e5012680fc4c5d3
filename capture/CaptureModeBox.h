#pragma once
// The capture mode box of the tool bar (1839): "Screen", "Window", "Rectangle" and "Monitor",
// kept in step with the stored CapSelect.
#include "capture/ClientLogic.h"

namespace tess {

struct ClientControls;

class CaptureModeBox {
public:
    // The box is read from `controls` at each use (the bars come and go; it may be null).
    explicit CaptureModeBox(const ClientControls& controls) : controls_(controls) {}

    // Fills the box with the four modes and shows CapSelect.
    void Fill();
    // The box's choice becomes CapSelect; a CapSelect set since the box last showed it (a
    // settings file was opened) is shown instead.
    void Read();
    // Shows CapSelect.
    void Show();
    // `mode` becomes CapSelect and is shown.
    void Set(CaptureMode mode);

private:
    const ClientControls& controls_;
    int shown_ = -1; // the mode the box last showed or gave (-1 before it is filled)
};

} // namespace tess
