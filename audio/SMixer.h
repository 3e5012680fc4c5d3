#pragma once
// The mixer of the sound card that the program records from: which input feeds the
// recording (the record selector), how loud an input is recorded (the wave input
// destination) and how loud it is heard (the speakers destination), volumes 0..127.
// Input names: "Line"/"Line-In"/"LineIn", "Microphone"/"Mike"/"Mic", "Aux"/"Auxiliary"
// (any case); any other name, "<Not connected>" included, makes every operation fail.
// A change of a mixer value, by anyone, calls the owner's change callback on the mixer's
// thread (the main window turns it into its private message 977).
#include <functional>
#include <memory>
#include <string>

#include "platform/alsa/Mixer.h"

namespace tess {

constexpr int kMsgMixerControlChange = 977;

enum class MixerKind { WaveIn, WaveOut };
enum class MixerDest { Speakers, WaveIn };
enum class MixerSource { None, Line, Microphone, Auxiliary };

// The source type an input name stands for.
MixerSource SourceForInputName(const std::string& input);
// The source type of a mixer element's name ("Line", "Front Mic", "Aux", ...).
MixerSource SourceForElementName(const std::string& element);

class SMixer {
public:
    // Called on the mixer's thread after any mixer value changed.
    using ChangeCallback = std::function<void()>;
    // Opens the mixer of the capture device that `waveInDriver` names (Part of the "Mixer"
    // settings); only the wave-input kind opens anything. `onChange` may be empty.
    SMixer(MixerKind kind, const std::string& waveInDriver, ChangeCallback onChange);
    // Uses `device` (may be null: no mixer).
    SMixer(std::unique_ptr<platform::MixerDevice> device, ChangeCallback onChange);
    virtual ~SMixer();
    SMixer(const SMixer&) = delete;
    SMixer& operator=(const SMixer&) = delete;

    bool IsOpen() const { return device_ != nullptr; }

    // 0..127, or -1 on any failure.
    int GetLineVolume(MixerDest dest, const std::string& input);
    // Fails for values outside 0..127 without touching the mixer.
    bool SetLineVolume(MixerDest dest, const std::string& input, int value);
    // Acts on the input as heard on the speakers.
    bool SetLineMute(const std::string& input, bool muted);
    bool SelectRecordSource(const std::string& input);
    // Inputs the record selector offers (at least 1), or -1 without a selector.
    int RecordSourceCount();
    std::string RecordSourceName(int index);

    // The capture device whose mixer `waveInDriver` selects: kDefaultDevice for "",
    // "<default>", "-1" and names containing "Mapper"/"mapper" (the default device's mixer),
    // else the first device whose product name matches without regard to case, or
    // kNoDevice. `names` lists the devices' product names in order.
    static constexpr int kDefaultDevice = -1;
    static constexpr int kNoDevice = -2;
    static int DeviceForDriverName(const std::string& waveInDriver,
                                   const std::vector<std::string>& names);

private:
    struct Selector {
        bool isEnum = false;
        std::string element;            // the enumerated element
        std::vector<std::string> items; // item names (or the switchable elements)
    };
    bool FindLine(MixerDest dest, const std::string& input, std::string* element);
    bool FindSelector(Selector* sel);
    void Attach(ChangeCallback onChange);

    std::unique_ptr<platform::MixerDevice> device_;
};

} // namespace tess
