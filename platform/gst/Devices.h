#pragma once
// The sound output devices as GStreamer sees them (inside platform/gst only).
#include <functional>
#include <gst/gst.h>
#include <string>

namespace tess::gst {

// Calls `visit` with each audio sink device and its display name, in the device monitor's
// order, until it returns false.
void VisitSoundOutputs(const std::function<bool(GstDevice*, const std::string&)>& visit);

} // namespace tess::gst
