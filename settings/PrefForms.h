#pragma once
// What the pages of the "Options" sheet show, as plain values: each page's form is filled
// from the settings record when the page is first shown (SetUp...) and written back when
// the sheet closes with OK (Apply...). The page windows only move these values in and out
// of their controls, so every rule of a page can be exercised without a window.
#include "platform/Translate.h"
#include "settings/Settings.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tess {

struct GeneralForm {
    bool alwaysStart = false, minimizeOnStart = false, trayIcon = false, onTop = false;
    bool operator==(const GeneralForm&) const = default;
};
GeneralForm SetUpGeneral(const Settings& s);
void ApplyGeneral(const GeneralForm& f, Settings& s);

struct DisplayForm {
    bool shrink = false, displayOpenAuto = false, snapSystemDisplay = false,
         vidSystemDisplay = false, notify = true;
    std::string language; // the Language setting: a catalog name ("de"), "" the desktop's
    bool operator==(const DisplayForm&) const = default;
};
DisplayForm SetUpDisplay(const Settings& s);
void ApplyDisplay(const DisplayForm& f, Settings& s);
// An entry of the Display page's Language list.
struct LanguageEntry {
    std::string code; // the stored Language value
    std::string name; // what the list shows
    bool operator==(const LanguageEntry&) const = default;
};
// The Language list: "System default" (code "") first, then the languages the program has
// catalogs for, each by its own name, plus a stored code it has no catalog for (one from a
// newer version, or written by hand), shown by its code so that OK keeps it. `selection`
// gets the stored code's entry.
std::vector<LanguageEntry> LanguageEntries(const std::string& stored, int* selection);

struct CaptureForm {
    int action = 1; // the checked button: 0 "No action", 1 "Hide", 2 "Minimize"; -1 none
    bool delay = false, cursor = false, audio = false, stealth = false;
    int delaySeconds = 3;
    uint32_t selColor = 0xff00ff; // 0x00BBGGRR
    bool operator==(const CaptureForm&) const = default;
};
CaptureForm SetUpCapture(const Settings& s);
void ApplyCapture(const CaptureForm& f, Settings& s);
// The "SelColor" text: hexadecimal, read leniently (bad text gives magenta); written in lower
// case without leading zeros.
uint32_t ParseSelColor(const std::string& text);
std::string SelColorText(uint32_t color);

struct WmForm {
    bool useWmv = true;
    std::string frameRate; // frames per second
    std::string bitRate;   // kbit/s
    int autoExport = 0;    // a copy of each recording: 0 none, 1 WebM, 2 MP4, 3 GIF
    bool operator==(const WmForm&) const = default;
};
WmForm SetUpWm(const Settings& s);
// A frame rate or bit rate that is no positive decimal number keeps the stored value, and
// so does a bit-rate field still showing what set-up put there (a stored 1500 shows "1").
void ApplyWm(const WmForm& f, Settings& s);

struct ImageForm {
    int32_t format = 0; // 0 PNG, 1 BMP, 3 GIF, 4 JPG
    int quality = 50;
    bool copyToClipboard = true;
    bool editSnapshots = false;
    std::string textLanguage; // OcrLanguage ("" for the desktop's language)
    bool operator==(const ImageForm&) const = default;
};
ImageForm SetUpImage(const Settings& s);
void ApplyImage(const ImageForm& f, Settings& s);
// The button set-up checks for a stored format: PNG for 0, GIF for 3, JPG for 4, else BMP.
int32_t ImageFormatButton(int32_t stored);
// The label under a percentage slider ("50%").
std::string PercentText(int value);

struct FileForm {
    std::string directory; // the path label
    std::string snapName, vidName;
    int32_t instanceMode = 0;
    std::string keep; // the hidden "Number of files to keep" text
    bool operator==(const FileForm&) const = default;
};
FileForm SetUpFile(const Settings& s);
// Returns an empty text, or the message for a directory that cannot be used (it does not
// exist, is no directory or cannot be written); then the stored directory stays.
std::string ApplyFile(const FileForm& f, Settings& s);
// The message for a capture directory that cannot be used, empty when it can.
std::string CaptureDirectoryProblem(const std::string& directory);

struct SoundForm {
    std::string input, output, mixerLine; // the three combo texts
    bool changeMixer = true;
    int32_t record = 0;        // "Record": 0 microphone, 1 desktop sound, 2 both
    std::string desktopSource; // the server's source name, "" the default output's monitor
    int32_t quality = 0;       // kbit/s, 0 the voice stream
    int32_t balance = 0;       // -100 the microphone alone .. 100 the desktop alone
    bool operator==(const SoundForm&) const = default;
};
// A desktop sound source as the Sound page lists it.
struct DesktopSourceEntry {
    std::string name, description;
    bool operator==(const DesktopSourceEntry&) const = default;
};
inline constexpr const char* kDefaultOutputEntry = N_("Default output");
// The desktop source list: "Default output" (name "") first, then the sources, plus the
// stored name when the server does not have it now (shown by its name). `selection` gets the
// stored source's entry.
std::vector<DesktopSourceEntry> DesktopSourceEntries(const std::vector<DesktopSourceEntry>& sources,
                                                     const std::string& stored, int* selection);
// The quality list's bit rates (0: "Voice (8 kHz)") and the entry of a stored one (a value
// not in the list shows as 128 kbit/s, the music stream's default).
inline constexpr int32_t kSoundQualities[] = {0, 64, 96, 128, 192};
int SoundQualityEntry(int32_t kbps);
// The bit rate recorded for `kbps` with the "Record" choice `record`: the voice stream
// carries the microphone alone, so with the desktop's sound it becomes 128 kbit/s (the
// page greys it then and shows 128 kbit/s; apply stores what is recorded).
int32_t SoundQualityFor(int32_t record, int32_t kbps);
inline constexpr const char* kDefaultDeviceEntry = N_("<default>");
inline constexpr const char* kNotConnectedEntry = N_("<not connected>");
// The entries of a device combo: "<default>" and the device names, plus the stored name when
// no entry begins with it (an unplugged device keeps its name). `selection` gets the entry
// to select: "<default>" for "-1", else the first entry that begins with the stored name.
std::vector<std::string> DeviceEntries(const std::vector<std::string>& devices,
                                       const std::string& stored, int* selection);
// The entries of the mixer-line combo: the lines, or "<not connected>" without any, plus the
// stored line when it is not among them.
std::vector<std::string> MixerLineEntries(const std::vector<std::string>& lines,
                                          const std::string& stored, int* selection);
SoundForm SetUpSound(const Settings& s);
// The texts are stored as they stand (at most 259 characters), except that "<default>"
// keeps a stored "-1"; "<default>" and "<not connected>", shown in the user's language, are
// stored in English.
void ApplySound(const SoundForm& f, Settings& s);

struct CaptionForm {
    bool enable = false;
    std::string text;
    uint32_t textColor = 0, backColor = 0xffffff;
    int backMode = 0; // the checked button
    int align = 1;    // the checked button
    std::string vertical;
    std::array<uint8_t, 60> font{};
    bool fontSet = false;
    bool operator==(const CaptionForm&) const = default;
};
CaptionForm SetUpCaption(const Settings& s);
void ApplyCaption(const CaptionForm& f, Settings& s);
// Vertical placement text: a decimal number clamped to 0..100; no number gives 0.
int32_t ParseVertical(const std::string& text);

struct EffectsForm {
    bool enable = false;
    int scale = 100;
    bool operator==(const EffectsForm&) const = default;
};
EffectsForm SetUpEffects(const Settings& s);
void ApplyEffects(const EffectsForm& f, Settings& s);
// The scale slider's position snapped to the nearest tic (tens), within 10..150.
int SnapScale(int position);

struct KeyForm {
    uint16_t keys[4] = {0, 0, 0, 0};
    bool operator==(const KeyForm&) const = default;
};
KeyForm SetUpKeys(const Settings& s);
void ApplyKeys(const KeyForm& f, Settings& s);
// "Ctrl + Shift + F9" for 0x0378; empty for 0.
std::string HotKeyText(uint16_t value);
// The warnings about the four hot keys: a combination given twice, one that another program
// holds (`heldElsewhere`, may be null). Empty when there is nothing to say.
std::vector<std::string> HotKeyWarnings(const KeyForm& f,
                                        const std::function<bool(uint16_t)>& heldElsewhere);

} // namespace tess
