#pragma once
// A sound card's mixer as named elements, each with a playback and/or capture volume, a
// playback and/or capture switch, or a list of capture sources to choose from (the card's
// record selector). OpenAlsaMixer() opens ALSA's simple mixer; tests supply their own.
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tess::platform {

enum class MixerSide { Playback, Capture };

struct MixerElementInfo {
    std::string name;
    bool playbackVolume = false;
    bool captureVolume = false;
    bool playbackSwitch = false;
    bool captureSwitch = false;
    bool captureSource = false; // an enumerated choice of capture source
};

class MixerDevice {
public:
    virtual ~MixerDevice() = default;
    // The elements in the mixer's order.
    virtual std::vector<MixerElementInfo> Elements() = 0;
    virtual bool VolumeRange(const std::string& element, MixerSide side, long* min, long* max) = 0;
    // The first channel's volume.
    virtual bool GetVolume(const std::string& element, MixerSide side, long* value) = 0;
    // Sets every channel.
    virtual bool SetVolume(const std::string& element, MixerSide side, long value) = 0;
    // A switch on = sound passes (a playback switch off is muted).
    virtual bool GetSwitch(const std::string& element, MixerSide side, bool* on) = 0;
    virtual bool SetSwitch(const std::string& element, MixerSide side, bool on) = 0;
    // The item names of an enumerated element, and choosing one.
    virtual bool SourceItems(const std::string& element, std::vector<std::string>* items) = 0;
    virtual bool GetSourceItem(const std::string& element, int* item) = 0;
    virtual bool SetSourceItem(const std::string& element, int item) = 0;
    // Called on a thread of the device after a value changed, whoever changed it. Set it
    // before changes are expected; an empty function stops the calls.
    virtual void SetChangeHandler(std::function<void()> handler) = 0;
};

// Opens ALSA mixer `name` ("default", "hw:CARD=X", "pulse"); null when it cannot be opened.
std::unique_ptr<MixerDevice> OpenAlsaMixer(const std::string& name);

// The ALSA mixer that belongs to capture device `id` of AlsaWaveInSystem() (-1: the default).
std::string AlsaMixerNameForWaveIn(int id);

} // namespace tess::platform
