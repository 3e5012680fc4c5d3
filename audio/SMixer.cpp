#include "audio/SMixer.h"

#include <algorithm>
#include <cctype>

#include "platform/alsa/WaveIn.h"

namespace tess {

namespace {

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

bool EqualNoCase(const std::string& a, const std::string& b) {
    return Lower(a) == Lower(b);
}

// The element that stands for a destination itself, not for one of its inputs.
bool IsDestinationElement(const std::string& name) {
    std::string n = Lower(name);
    return n == "master" || n == "capture" || n == "pcm" || n == "speaker" || n == "headphone";
}

} // namespace

MixerSource SourceForInputName(const std::string& input) {
    std::string n = Lower(input);
    if (n == "line" || n == "line-in" || n == "linein")
        return MixerSource::Line;
    if (n == "microphone" || n == "mike" || n == "mic")
        return MixerSource::Microphone;
    if (n == "aux" || n == "auxiliary")
        return MixerSource::Auxiliary;
    return MixerSource::None;
}

MixerSource SourceForElementName(const std::string& element) {
    std::string n = Lower(element);
    if (n.find("boost") != std::string::npos)
        return MixerSource::None; // a gain stage, not the input's level
    auto word = [&](const std::string& w) {
        for (size_t p = n.find(w); p != std::string::npos; p = n.find(w, p + 1)) {
            bool startOk = p == 0 || !std::isalpha(static_cast<unsigned char>(n[p - 1]));
            size_t e = p + w.size();
            bool endOk = e == n.size() || !std::isalpha(static_cast<unsigned char>(n[e]));
            if (startOk && endOk)
                return true;
        }
        return false;
    };
    if (word("line") || word("linein") || n.rfind("line", 0) == 0)
        return MixerSource::Line;
    if (word("mic") || word("microphone"))
        return MixerSource::Microphone;
    if (word("aux") || word("auxiliary"))
        return MixerSource::Auxiliary;
    return MixerSource::None;
}

int SMixer::DeviceForDriverName(const std::string& driver, const std::vector<std::string>& names) {
    if (driver.empty() || driver == "<default>" || driver == "-1" ||
        driver.find("Mapper") != std::string::npos || driver.find("mapper") != std::string::npos)
        return kDefaultDevice;
    for (size_t i = 0; i < names.size(); ++i)
        if (EqualNoCase(names[i], driver))
            return static_cast<int>(i);
    return kNoDevice;
}

SMixer::SMixer(MixerKind kind, const std::string& waveInDriver, ChangeCallback onChange) {
    if (kind != MixerKind::WaveIn)
        return;
    auto& sys = platform::AlsaWaveInSystem();
    std::vector<std::string> names;
    int count = sys.DeviceCount();
    for (int i = 0; i < count; ++i) {
        std::string n;
        sys.DeviceName(i, &n);
        names.push_back(n);
    }
    int dev = DeviceForDriverName(waveInDriver, names);
    if (dev == kNoDevice)
        return;
    device_ = platform::OpenAlsaMixer(platform::AlsaMixerNameForWaveIn(dev));
    Attach(std::move(onChange));
}

SMixer::SMixer(std::unique_ptr<platform::MixerDevice> device, ChangeCallback onChange)
    : device_(std::move(device)) {
    Attach(std::move(onChange));
}

SMixer::~SMixer() {
    if (device_)
        device_->SetChangeHandler(nullptr);
}

void SMixer::Attach(ChangeCallback onChange) {
    if (!device_ || !onChange)
        return;
    device_->SetChangeHandler(std::move(onChange));
}

bool SMixer::FindLine(MixerDest dest, const std::string& input, std::string* element) {
    MixerSource want = SourceForInputName(input);
    if (want == MixerSource::None || !device_)
        return false;
    for (const auto& e : device_->Elements()) {
        bool connected = dest == MixerDest::Speakers ? (e.playbackVolume || e.playbackSwitch)
                                                     : (e.captureVolume || e.captureSwitch);
        if (!connected || IsDestinationElement(e.name))
            continue;
        if (SourceForElementName(e.name) == want) {
            *element = e.name;
            return true;
        }
    }
    return false;
}

int SMixer::GetLineVolume(MixerDest dest, const std::string& input) {
    std::string el;
    if (!FindLine(dest, input, &el))
        return -1;
    auto side =
        dest == MixerDest::Speakers ? platform::MixerSide::Playback : platform::MixerSide::Capture;
    long mn = 0, mx = 0, v = 0;
    if (!device_->VolumeRange(el, side, &mn, &mx) || !device_->GetVolume(el, side, &v))
        return -1;
    if (mx <= mn)
        return -1; // a control without a range has no level to report
    return static_cast<int>((v - mn) * 127 / (mx - mn));
}

bool SMixer::SetLineVolume(MixerDest dest, const std::string& input, int value) {
    if (value < 0 || value > 127)
        return false;
    std::string el;
    if (!FindLine(dest, input, &el))
        return false;
    auto side =
        dest == MixerDest::Speakers ? platform::MixerSide::Playback : platform::MixerSide::Capture;
    long mn = 0, mx = 0;
    if (!device_->VolumeRange(el, side, &mn, &mx))
        return false;
    return device_->SetVolume(el, side, mn + (mx - mn) * value / 127);
}

bool SMixer::SetLineMute(const std::string& input, bool muted) {
    std::string el;
    if (!FindLine(MixerDest::Speakers, input, &el))
        return false;
    return device_->SetSwitch(el, platform::MixerSide::Playback, !muted);
}

bool SMixer::FindSelector(Selector* sel) {
    if (!device_)
        return false;
    auto elements = device_->Elements();
    for (const auto& e : elements) {
        if (e.captureSource) {
            sel->isEnum = true;
            sel->element = e.name;
            if (!device_->SourceItems(e.name, &sel->items))
                return false;
            return true;
        }
    }
    // Without a source list, the inputs' capture switches form a many-of selector.
    sel->isEnum = false;
    sel->items.clear();
    for (const auto& e : elements)
        if (e.captureSwitch && !IsDestinationElement(e.name))
            sel->items.push_back(e.name);
    return !sel->items.empty();
}

int SMixer::RecordSourceCount() {
    Selector sel;
    if (!FindSelector(&sel))
        return -1;
    return std::max<int>(1, static_cast<int>(sel.items.size()));
}

std::string SMixer::RecordSourceName(int index) {
    Selector sel;
    if (!FindSelector(&sel) || index < 0 || index >= static_cast<int>(sel.items.size()))
        return {};
    return sel.items[index];
}

bool SMixer::SelectRecordSource(const std::string& input) {
    Selector sel;
    if (!FindSelector(&sel))
        return false;
    bool lineIn = EqualNoCase(input, "line-in");
    int match = -1;
    for (size_t i = 0; i < sel.items.size() && match < 0; ++i) {
        const std::string& it = sel.items[i];
        if (EqualNoCase(it, input) ||
            (lineIn && (EqualNoCase(it, "linein") || EqualNoCase(it, "line in"))))
            match = static_cast<int>(i);
    }
    if (match < 0)
        return false;
    if (sel.isEnum)
        return device_->SetSourceItem(sel.element, match);
    bool ok = true;
    for (size_t i = 0; i < sel.items.size(); ++i)
        if (!device_->SetSwitch(sel.items[i], platform::MixerSide::Capture,
                                static_cast<int>(i) == match))
            ok = false;
    return ok;
}

} // namespace tess
