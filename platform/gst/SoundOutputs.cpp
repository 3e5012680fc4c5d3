// Stand-in list of the player's sound outputs: ALSA's playback PCM names, read from the
// device hints without opening any device.
#include "platform/gst/SoundOutputs.h"

#include <alsa/asoundlib.h>

#include <cstdlib>

namespace tess {

std::vector<std::string> SoundOutputDeviceNames() {
    std::vector<std::string> names;
    void** hints = nullptr;
    if (snd_device_name_hint(-1, "pcm", &hints) < 0 || !hints)
        return names;
    for (void** h = hints; *h; ++h) {
        char* name = snd_device_name_get_hint(*h, "NAME");
        char* io = snd_device_name_get_hint(*h, "IOID");
        // No IOID means the device plays and records.
        if (name && (!io || std::string(io) == "Output") && std::string(name) != "null")
            names.emplace_back(name);
        std::free(name);
        std::free(io);
    }
    snd_device_name_free_hint(hints);
    return names;
}

} // namespace tess
