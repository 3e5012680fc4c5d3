#include "settings/PrefForms.h"

#include "platform/HotKey.h"
#include "platform/Translate.h"
#include "settings/FileNames.h"
#include "settings/SettingsStore.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace tess {

namespace {

// At most 259 bytes, not cut inside a character.
std::string Cut259(std::string text) {
    if (text.size() > kPatternBufferSize - 1) {
        size_t n = kPatternBufferSize - 1;
        while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xc0) == 0x80)
            --n;
        text.resize(n);
    }
    return text;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// A positive decimal number, or false.
bool ParsePositive(const std::string& text, long& value) {
    long v = 0;
    if (!ParseLong(text, v) || v <= 0)
        return false;
    value = v;
    return true;
}

} // namespace

GeneralForm SetUpGeneral(const Settings& s) {
    return {s.alwaysStart, s.minimizeOnStart, s.trayIcon, s.onTop};
}

void ApplyGeneral(const GeneralForm& f, Settings& s) {
    s.alwaysStart = f.alwaysStart;
    s.minimizeOnStart = f.minimizeOnStart;
    s.trayIcon = f.trayIcon;
    s.onTop = f.onTop;
}

DisplayForm SetUpDisplay(const Settings& s) {
    return {s.shrink,           s.displayOpenAuto, s.snapSystemDisplay,
            s.vidSystemDisplay, s.notify,          s.language};
}

void ApplyDisplay(const DisplayForm& f, Settings& s) {
    s.shrink = f.shrink;
    s.displayOpenAuto = f.displayOpenAuto;
    s.snapSystemDisplay = f.snapSystemDisplay;
    s.vidSystemDisplay = f.vidSystemDisplay;
    s.notify = f.notify;
    s.language = f.language;
}

std::vector<LanguageEntry> LanguageEntries(const std::string& stored, int* selection) {
    // TRANSLATORS: the Language list's first entry: the desktop's language
    std::vector<LanguageEntry> entries{{"", Tr("System default")}};
    int count = 0;
    const UiLanguage* languages = UiLanguages(count);
    for (int i = 0; i < count; ++i)
        entries.push_back({languages[i].code, languages[i].ownName});
    auto it = std::find_if(entries.begin(), entries.end(),
                           [&](const LanguageEntry& e) { return e.code == stored; });
    if (it == entries.end())
        it = entries.insert(entries.end(), {stored, stored});
    if (selection)
        *selection = static_cast<int>(it - entries.begin());
    return entries;
}

uint32_t ParseSelColor(const std::string& text) {
    char* end = nullptr;
    unsigned long v = std::strtoul(text.c_str(), &end, 16);
    if (end == text.c_str())
        return 0xff00ff;
    return static_cast<uint32_t>(v) & 0xffffffu;
}

std::string SelColorText(uint32_t color) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%x", color);
    return buf;
}

CaptureForm SetUpCapture(const Settings& s) {
    CaptureForm f;
    f.action = s.captureAction == 0 ? 0 : s.captureAction == 2 ? 2 : 1;
    f.delay = s.captureDelay;
    f.delaySeconds = s.snapshotDelay;
    f.cursor = s.cursor;
    f.audio = s.vidAudio;
    f.stealth = s.vidStealth;
    f.selColor = ParseSelColor(s.selColor);
    return f;
}

void ApplyCapture(const CaptureForm& f, Settings& s) {
    if (f.action >= 0 && f.action <= 2)
        s.captureAction = f.action;
    s.captureDelay = f.delay;
    s.threeSecondDelay = f.delay; // the menu's "Delay snapshot Nsec" mirrors it
    if (f.delaySeconds >= kMinSnapshotDelay && f.delaySeconds <= kMaxSnapshotDelay)
        s.snapshotDelay = f.delaySeconds;
    s.cursor = f.cursor;
    s.vidAudio = f.audio;
    s.vidStealth = f.stealth;
    // A colour the user did not change keeps its stored spelling.
    if (f.selColor != ParseSelColor(s.selColor))
        s.selColor = SelColorText(f.selColor);
}

WmForm SetUpWm(const Settings& s) {
    const int autoExport = s.autoExport == "webm"  ? 1
                           : s.autoExport == "mp4" ? 2
                           : s.autoExport == "gif" ? 3
                                                   : 0;
    return {s.wmDefaultVideoFormat, std::to_string(s.wmFrameRate),
            std::to_string(s.wmBitRate / 1000), autoExport};
}

void ApplyWm(const WmForm& f, Settings& s) {
    s.wmDefaultVideoFormat = f.useWmv;
    static const char* const kAutoExport[] = {"none", "webm", "mp4", "gif"};
    if (f.autoExport >= 0 && f.autoExport < 4)
        s.autoExport = kAutoExport[f.autoExport];
    long v = 0;
    if (ParsePositive(f.frameRate, v) && v <= 1000)
        s.wmFrameRate = static_cast<int32_t>(v);
    if (f.bitRate != std::to_string(s.wmBitRate / 1000) && ParsePositive(f.bitRate, v) &&
        v <= 2147483)
        s.wmBitRate = static_cast<int32_t>(v * 1000);
}

int32_t ImageFormatButton(int32_t stored) {
    return stored == 0 || stored == 3 || stored == 4 ? stored : 1;
}

ImageForm SetUpImage(const Settings& s) {
    return {ImageFormatButton(s.imageFormat), std::clamp<int>(s.imageQ, 0, 100), s.copyToClipboard,
            s.editSnapshots, s.ocrLanguage};
}

void ApplyImage(const ImageForm& f, Settings& s) {
    s.imageFormat = ImageFormatButton(f.format);
    // The slider cannot show a value outside 0..100; an untouched one keeps it.
    if (f.quality != std::clamp<int>(s.imageQ, 0, 100))
        s.imageQ = f.quality;
    s.copyToClipboard = f.copyToClipboard;
    s.editSnapshots = f.editSnapshots;
    s.ocrLanguage = f.textLanguage;
}

std::string PercentText(int value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%d%%", value);
    return buf;
}

FileForm SetUpFile(const Settings& s) {
    FileForm f;
    f.directory = s.defaultDirectory;
    f.snapName = s.fileSnapName;
    f.vidName = s.fileVidName;
    f.instanceMode = s.fileInstanceMode;
    f.keep = s.fileKeep < 1 ? "All" : std::to_string(s.fileKeep);
    return f;
}

std::string CaptureDirectoryProblem(const std::string& directory) {
    struct stat st {};
    if (directory.empty() || stat(directory.c_str(), &st) != 0)
        return FormatText(Tr("The directory \"%s\" does not exist."), directory.c_str());
    if (!S_ISDIR(st.st_mode))
        return FormatText(Tr("\"%s\" is not a directory."), directory.c_str());
    if (access(directory.c_str(), W_OK | X_OK) != 0)
        return FormatText(Tr("The directory \"%s\" cannot be written."), directory.c_str());
    return {};
}

std::string ApplyFile(const FileForm& f, Settings& s) {
    std::string problem;
    std::string dir = Cut259(f.directory);
    if (dir != s.defaultDirectory) {
        problem = CaptureDirectoryProblem(dir);
        if (problem.empty())
            s.defaultDirectory = dir;
        else
            // TRANSLATORS: %1$s is one of the messages about a directory that cannot be used
            problem = FormatText(Tr("%1$s The capture directory stays \"%2$s\"."), problem.c_str(),
                                 s.defaultDirectory.c_str());
    }
    s.fileSnapName = Cut259(f.snapName);
    s.fileVidName = Cut259(f.vidName);
    s.fileInstanceMode = f.instanceMode;
    long keep = 0;
    s.fileKeep = ParseLong(f.keep, keep) ? static_cast<int32_t>(keep) : 0;
    return problem;
}

std::vector<std::string> DeviceEntries(const std::vector<std::string>& devices,
                                       const std::string& stored, int* selection) {
    std::vector<std::string> entries{Tr(kDefaultDeviceEntry)};
    entries.insert(entries.end(), devices.begin(), devices.end());
    int sel = -1;
    if (stored == "-1" || stored.empty() || stored == kDefaultDeviceEntry) {
        sel = 0;
    } else {
        for (size_t i = 0; i < entries.size() && sel < 0; ++i)
            if (StartsWith(entries[i], stored))
                sel = static_cast<int>(i);
        if (sel < 0) { // not present now: keep the user's choice
            entries.push_back(stored);
            sel = static_cast<int>(entries.size()) - 1;
        }
    }
    if (selection)
        *selection = sel;
    return entries;
}

std::vector<std::string> MixerLineEntries(const std::vector<std::string>& lines,
                                          const std::string& stored, int* selection) {
    std::vector<std::string> entries = lines;
    if (entries.empty())
        entries.push_back(Tr(kNotConnectedEntry));
    const std::string shown = stored == kNotConnectedEntry ? Tr(kNotConnectedEntry) : stored;
    int sel = -1;
    for (size_t i = 0; i < entries.size() && sel < 0; ++i)
        if (entries[i] == shown)
            sel = static_cast<int>(i);
    if (sel < 0 && !stored.empty()) {
        entries.push_back(stored);
        sel = static_cast<int>(entries.size()) - 1;
    }
    if (selection)
        *selection = sel < 0 ? 0 : sel;
    return entries;
}

std::vector<DesktopSourceEntry> DesktopSourceEntries(const std::vector<DesktopSourceEntry>& sources,
                                                     const std::string& stored, int* selection) {
    std::vector<DesktopSourceEntry> entries{{"", Tr(kDefaultOutputEntry)}};
    entries.insert(entries.end(), sources.begin(), sources.end());
    auto it = std::find_if(entries.begin(), entries.end(),
                           [&](const DesktopSourceEntry& e) { return e.name == stored; });
    if (it == entries.end()) // not there now: keep the user's choice
        it = entries.insert(entries.end(), {stored, stored});
    if (selection)
        *selection = static_cast<int>(it - entries.begin());
    return entries;
}

int SoundQualityEntry(int32_t kbps) {
    const auto* end = std::end(kSoundQualities);
    const auto* it = std::find(std::begin(kSoundQualities), end, kbps);
    return static_cast<int>((it == end ? std::find(std::begin(kSoundQualities), end, 128) : it) -
                            std::begin(kSoundQualities));
}

int32_t SoundQualityFor(int32_t record, int32_t kbps) {
    kbps = kSoundQualities[SoundQualityEntry(kbps)];
    return record != 0 && kbps == 0 ? 128 : kbps;
}

SoundForm SetUpSound(const Settings& s) {
    return {s.waveInDriver,
            s.waveOutDriver,
            s.mixerInput,
            s.changeMixer,
            std::clamp(s.soundSource, 0, 2),
            s.desktopSource,
            kSoundQualities[SoundQualityEntry(s.soundQuality)],
            std::clamp(s.soundBalance, -100, 100)};
}

void ApplySound(const SoundForm& f, Settings& s) {
    // The entries the page adds are shown translated and stored in English.
    auto device = [](const std::string& text, std::string& stored) {
        const bool isDefault = text == Tr(kDefaultDeviceEntry) || text == kDefaultDeviceEntry;
        if (isDefault && (stored == "-1" || stored.empty()))
            return;
        stored = isDefault ? kDefaultDeviceEntry : Cut259(text);
    };
    device(f.input, s.waveInDriver);
    device(f.output, s.waveOutDriver);
    s.mixerInput = f.mixerLine == Tr(kNotConnectedEntry) ? kNotConnectedEntry : Cut259(f.mixerLine);
    s.changeMixer = f.changeMixer;
    s.soundSource = std::clamp(f.record, 0, 2);
    s.desktopSource = Cut259(f.desktopSource);
    s.soundQuality = SoundQualityFor(s.soundSource, f.quality);
    s.soundBalance = std::clamp(f.balance, -100, 100);
}

int32_t ParseVertical(const std::string& text) {
    long v = 0;
    if (!ParseLong(text, v))
        return 0;
    return static_cast<int32_t>(std::clamp<long>(v, 0, 100));
}

CaptionForm SetUpCaption(const Settings& s) {
    CaptionForm f;
    f.enable = s.capEnable;
    f.text = s.capString;
    f.textColor = static_cast<uint32_t>(s.capTextColor);
    f.backColor = static_cast<uint32_t>(s.capBackColor);
    f.backMode = s.capBackMode == 0 || s.capBackMode == 1 || s.capBackMode == 3 ? s.capBackMode : 2;
    f.align = s.capAlign == 0 || s.capAlign == 2 ? s.capAlign : 1;
    f.vertical = std::to_string(s.capVert);
    f.font = s.capFont;
    f.fontSet = s.capFontSet;
    return f;
}

void ApplyCaption(const CaptionForm& f, Settings& s) {
    s.capEnable = f.enable;
    s.capString = Cut259(f.text);
    s.capTextColor = static_cast<int32_t>(f.textColor);
    s.capBackColor = static_cast<int32_t>(f.backColor);
    s.capBackMode = f.backMode;
    s.capAlign = f.align == 0 || f.align == 2 ? f.align : 1;
    s.capVert = ParseVertical(f.vertical);
    s.capFont = f.font;
    s.capFontSet = f.fontSet;
}

int SnapScale(int position) {
    int snapped = (std::clamp(position, 10, 150) + 5) / 10 * 10;
    return std::clamp(snapped, 10, 150);
}

EffectsForm SetUpEffects(const Settings& s) {
    return {s.scaleEnable, std::clamp<int>(s.scale, 10, 150)};
}

void ApplyEffects(const EffectsForm& f, Settings& s) {
    s.scaleEnable = f.enable;
    if (f.scale != std::clamp<int>(s.scale, 10, 150))
        s.scale = f.scale;
}

KeyForm SetUpKeys(const Settings& s) {
    KeyForm f;
    f.keys[0] = HotKey::FromStored(s.key1).value;
    f.keys[1] = HotKey::FromStored(s.key2).value;
    f.keys[2] = HotKey::FromStored(s.key3).value;
    f.keys[3] = HotKey::FromStored(s.key4).value;
    return f;
}

void ApplyKeys(const KeyForm& f, Settings& s) {
    s.key1 = f.keys[0];
    s.key2 = f.keys[1];
    s.key3 = f.keys[2];
    s.key4 = f.keys[3];
}

std::string HotKeyText(uint16_t value) {
    return HotKey{value}.text();
}

std::vector<std::string> HotKeyWarnings(const KeyForm& f,
                                        const std::function<bool(uint16_t)>& heldElsewhere) {
    // TRANSLATORS: the hot keys' actions, put into "The hot key for %1$s (%2$s) ..."
    static const char* const names[4] = {N_("video start/stop"), N_("snapshot"),
                                         N_("region snapshot"), N_("copying text from a region")};
    std::vector<std::string> out;
    // Two values differing only in the extended-key flag register the same combination.
    auto combo = [](uint16_t v) { return HotKey{v}.combination(); };
    for (int i = 0; i < 4; ++i) {
        if (!f.keys[i])
            continue;
        bool repeated = false;
        for (int j = 0; j < i; ++j)
            if (f.keys[j] && combo(f.keys[j]) == combo(f.keys[i])) {
                // TRANSLATORS: %1$s and %3$s are actions ("snapshot"), %2$s a key combination
                out.push_back(
                    FormatText(Tr("The hot key for %1$s (%2$s) is already the hot key for "
                                  "%3$s; it will not work."),
                               Tr(names[i]), HotKeyText(f.keys[i]).c_str(), Tr(names[j])));
                repeated = true;
                break;
            }
        if (!repeated && heldElsewhere && heldElsewhere(f.keys[i]))
            out.push_back(FormatText(Tr("The hot key for %1$s (%2$s) is already used by another "
                                        "program; it will not work."),
                                     Tr(names[i]), HotKeyText(f.keys[i]).c_str()));
    }
    return out;
}

} // namespace tess
