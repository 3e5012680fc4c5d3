#include "platform/gst/SoundOutputs.h"

#include "platform/gst/Devices.h"
#include "platform/gst/Player.h"

namespace tess {

namespace gst {

void VisitSoundOutputs(const std::function<bool(GstDevice*, const std::string&)>& visit) {
    if (!Initialise())
        return;
    GstDeviceMonitor* monitor = gst_device_monitor_new();
    gst_device_monitor_add_filter(monitor, "Audio/Sink", nullptr);
    if (gst_device_monitor_start(monitor)) {
        GList* devices = gst_device_monitor_get_devices(monitor);
        for (GList* d = devices; d; d = d->next) {
            gchar* name = gst_device_get_display_name(GST_DEVICE(d->data));
            const bool more = !name || visit(GST_DEVICE(d->data), name);
            g_free(name);
            if (!more)
                break;
        }
        g_list_free_full(devices, gst_object_unref);
        gst_device_monitor_stop(monitor);
    }
    gst_object_unref(monitor);
}

} // namespace gst

std::vector<std::string> SoundOutputDeviceNames() {
    std::vector<std::string> names;
    gst::VisitSoundOutputs([&](GstDevice*, const std::string& name) {
        names.push_back(name);
        return true;
    });
    return names;
}

} // namespace tess
