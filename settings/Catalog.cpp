#include "settings/Catalog.h"

#include "platform/FileIo.h"
#include "platform/HotKey.h"
#include "settings/Paths.h"

#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace tess {

namespace {

bool ReadFlag(SettingsAccess& a, const char* name, bool def) {
    return a.ReadInt(name, def ? 1 : 0) != 0;
}

void WriteFlag(SettingsAccess& a, const char* name, bool v) {
    a.WriteInt(name, v ? 1 : 0);
}

int32_t ReadInt32(SettingsAccess& a, const char* name, int32_t def) {
    long v = a.ReadInt(name, def);
    if (v < INT32_MIN || v > INT32_MAX)
        return def;
    return static_cast<int32_t>(v);
}

// Values outside their documented range would reach encoders and layout arithmetic
// (a frame rate of 0 divides by zero): out-of-range values take the default.
int32_t ReadRanged(SettingsAccess& a, const char* name, int32_t def, int32_t lo, int32_t hi) {
    int32_t v = ReadInt32(a, name, def);
    return (v < lo || v > hi) ? def : v;
}

std::string ReadText(SettingsAccess& a, const char* name, const char* def) {
    std::string out;
    if (!a.ReadString(name, out, def))
        out = def;
    return out;
}

std::string DesktopQuote(const std::string& path) {
    bool plain = true;
    for (char c : path)
        if (!(isalnum(static_cast<unsigned char>(c)) || std::strchr("/._-+", c)))
            plain = false;
    if (plain)
        return path;
    std::string out = "\"";
    for (char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            out += "\\\\";
        out += c;
    }
    // "%" must be doubled in Exec keys.
    std::string esc;
    for (char c : out + "\"") {
        esc += c;
        if (c == '%')
            esc += '%';
    }
    return esc;
}

} // namespace

void ClearSettingsRecord(Settings& s) {
    s.alwaysStart = s.minimizeOnStart = s.trayIcon = s.onTop = false;
    s.shrink = s.displayOpenAuto = s.snapSystemDisplay = s.vidSystemDisplay = false;
    s.notify = false;
    s.captureAction = 0;
    s.captureDelay = s.cursor = s.vidAudio = s.vidStealth = false;
    s.snapshotDelay = 0;
    s.selColor.clear();
    s.wmDefaultVideoFormat = false;
    s.wmBitRate = s.wmFrameRate = 0;
    s.autoExport.clear();
    s.imageFormat = s.imageQ = 0;
    s.copyToClipboard = s.editSnapshots = false;
    s.annotateTool = s.annotateColor = s.annotateWidth = s.annotateTextSize = 0;
    s.annotateRedact = 0;
    s.annotateBackdrop = false;
    s.ocrLanguage.clear();
    s.defaultDirectory.clear();
    s.fileSnapName.clear();
    s.fileVidName.clear();
    s.fileKeep = s.fileInstanceMode = 0;
    s.waveInDriver.clear();
    s.waveOutDriver.clear();
    s.mixerInput.clear();
    s.changeMixer = false;
    s.soundSource = s.soundQuality = s.soundBalance = 0;
    s.desktopSource.clear();
    s.capEnable = false;
    s.capString.clear();
    s.capTextColor = s.capBackColor = s.capBackMode = s.capAlign = s.capVert = 0;
    s.capFont.fill(0);
    s.capFontSet = false;
    s.scaleEnable = false;
    s.scale = 0;
    s.key1 = s.key2 = s.key3 = s.key4 = 0;
    s.capSelect = 0;
    s.mute = false;
    s.soundLevel = 0;
    s.camState = 0;
    s.mainCaption = false;
    s.recordDuration = 0;
    s.windowX = s.windowY = s.windowW = s.windowH = 0;
    s.latestDirectory.clear();
    s.threeSecondDelay = false;
    s.effects.fill(0);
    s.playbackBarShown = false;
    s.secondToolBarShown = false;
    s.screenBackend.clear();
    s.portalRestoreToken.clear();
    s.lastRegion.clear();
}

void LoadSoundLevel(SettingsAccess& a, Settings& s) {
    if (a.registryMode()) {
        s.soundLevel = a.ReadByte("Volume", 50);
        return;
    }
    long v = a.ReadInt("Sound Level", 128);
    s.soundLevel = (v < 0 || v > 127) ? 0 : static_cast<int32_t>(v);
}

bool SaveSoundLevel(SettingsAccess& a, const Settings& s) {
    if (a.registryMode())
        return a.WriteByte("Volume", static_cast<uint8_t>(s.soundLevel));
    a.WriteInt("Sound Level", s.soundLevel);
    return true;
}

void LoadSetupGroup(SettingsAccess& a, Settings& s) {
    s.alwaysStart = ReadFlag(a, "AlwaysStart", false);
    s.minimizeOnStart = ReadFlag(a, "MinimizeOnStart", false);
    s.trayIcon = ReadFlag(a, "TrayIcon", false);
    s.onTop = ReadFlag(a, "OnTop", false);
}

void SaveSetupGroup(SettingsAccess& a, const Settings& s) {
    WriteFlag(a, "AlwaysStart", s.alwaysStart);
    WriteFlag(a, "MinimizeOnStart", s.minimizeOnStart);
    WriteFlag(a, "TrayIcon", s.trayIcon);
    WriteFlag(a, "OnTop", s.onTop);
    UpdateLogOnStart(s.alwaysStart, s.minimizeOnStart, ExecutablePath());
}

void LoadWMediaGroup(SettingsAccess& a, Settings& s) {
    s.wmDefaultVideoFormat = ReadFlag(a, "WMDefaultVideoFormat", true);
    s.wmBitRate = ReadRanged(a, "WMBitRate", 300000, 1, INT32_MAX);
    s.wmFrameRate = ReadRanged(a, "WMFrameRate", 5, 1, 1000);
    s.autoExport = ReadText(a, "AutoExport", "none");
    if (s.autoExport != "webm" && s.autoExport != "mp4" && s.autoExport != "gif")
        s.autoExport = "none";
}

void SaveWMediaGroup(SettingsAccess& a, const Settings& s) {
    WriteFlag(a, "WMDefaultVideoFormat", s.wmDefaultVideoFormat);
    a.WriteInt("WMBitRate", s.wmBitRate);
    a.WriteInt("WMFrameRate", s.wmFrameRate);
    a.WriteString("AutoExport", s.autoExport);
}

void LoadFileGroup(SettingsAccess& a, Settings& s) {
    std::string dir;
    // Earlier versions stored their default, the data folder's "Tessaray", which the file
    // manager hides: that value moves to the default of now.
    if (!a.ReadString("DefaultDirectory", dir, "") || dir.empty() ||
        std::filesystem::path(dir) / "" == std::filesystem::path(DataHome()) / "Tessaray" / "")
        dir = DefaultCaptureDirectory();
    s.defaultDirectory = dir;
    s.fileSnapName = ReadText(a, "FileSnapName", "Tess");
    s.fileVidName = ReadText(a, "FileVidName", "Tess");
    s.fileKeep = ReadInt32(a, "FileKeep", 0);
    s.fileInstanceMode = ReadInt32(a, "FileInstanceMode", 0);
}

void SaveFileGroup(SettingsAccess& a, const Settings& s) {
    a.WriteString("DefaultDirectory", s.defaultDirectory);
    a.WriteString("FileSnapName", s.fileSnapName);
    a.WriteString("FileVidName", s.fileVidName);
    a.WriteInt("FileKeep", s.fileKeep);
    a.WriteInt("FileInstanceMode", s.fileInstanceMode);
}

void LoadMixerGroup(SettingsAccess& a, Settings& s) {
    s.waveInDriver = ReadText(a, "WaveInDriver", "-1");
    s.waveOutDriver = ReadText(a, "WaveOutDriver", "-1");
    s.mixerInput = ReadText(a, "MixerInput", "Line-In");
    s.changeMixer = ReadFlag(a, "ChangeMixer", true);
    s.soundSource = ReadRanged(a, "SoundSource", 0, 0, 2);
    s.desktopSource = ReadText(a, "DesktopSource", "");
    s.soundQuality = ReadInt32(a, "SoundQuality", 0);
    if (s.soundQuality != 64 && s.soundQuality != 96 && s.soundQuality != 128 &&
        s.soundQuality != 192)
        s.soundQuality = 0;
    s.soundBalance = ReadRanged(a, "SoundBalance", 0, -100, 100);
}

void SaveMixerGroup(SettingsAccess& a, const Settings& s) {
    a.WriteString("WaveInDriver", s.waveInDriver);
    a.WriteString("WaveOutDriver", s.waveOutDriver);
    a.WriteString("MixerInput", s.mixerInput);
    WriteFlag(a, "ChangeMixer", s.changeMixer);
    a.WriteInt("SoundSource", s.soundSource);
    a.WriteString("DesktopSource", s.desktopSource);
    a.WriteInt("SoundQuality", s.soundQuality);
    a.WriteInt("SoundBalance", s.soundBalance);
}

void LoadCaptionGroup(SettingsAccess& a, Settings& s) {
    s.capEnable = ReadFlag(a, "CapEnable", false);
    s.capString = ReadText(a, "CapString", "Tessaray %a %H:%M:%S");
    s.capTextColor = ReadInt32(a, "CapTextColor", 0);
    s.capBackColor = ReadInt32(a, "CapBackColor", 16777215);
    s.capBackMode = ReadRanged(a, "CapBackMode", 0, 0, 3);
    s.capAlign = ReadRanged(a, "CapAlign", 1, 0, 2);
    s.capVert = ReadRanged(a, "CapVert", 0, 0, 100);
    std::array<uint8_t, 60> font{};
    if (a.ReadStruct("CapFont", font.data(), font.size(), nullptr)) {
        s.capFont = font;
        s.capFontSet = true;
    }
}

void SaveCaptionGroup(SettingsAccess& a, const Settings& s) {
    WriteFlag(a, "CapEnable", s.capEnable);
    a.WriteString("CapString", s.capString);
    a.WriteInt("CapTextColor", s.capTextColor);
    a.WriteInt("CapBackColor", s.capBackColor);
    a.WriteInt("CapBackMode", s.capBackMode);
    a.WriteInt("CapAlign", s.capAlign);
    a.WriteInt("CapVert", s.capVert);
    if (s.capFontSet)
        a.WriteStruct("CapFont", s.capFont.data(), s.capFont.size());
}

void LoadImageGroup(SettingsAccess& a, Settings& s) {
    int32_t f = ReadInt32(a, "ImageFormat", 0);
    s.imageFormat = (f == 0 || f == 1 || f == 3 || f == 4) ? f : 0;
    s.imageQ = ReadRanged(a, "ImageQ", 50, 0, 100);
    s.copyToClipboard = ReadFlag(a, "CopyToClipboard", true);
    s.editSnapshots = ReadFlag(a, "EditSnapshots", false);
    s.ocrLanguage = ReadText(a, "OcrLanguage", "");
}

void SaveImageGroup(SettingsAccess& a, const Settings& s) {
    a.WriteInt("ImageFormat", s.imageFormat);
    a.WriteInt("ImageQ", s.imageQ);
    WriteFlag(a, "CopyToClipboard", s.copyToClipboard);
    WriteFlag(a, "EditSnapshots", s.editSnapshots);
    a.WriteString("OcrLanguage", s.ocrLanguage);
}

void LoadAnnotateGroup(SettingsAccess& a, Settings& s) {
    s.annotateTool = ReadRanged(a, "AnnotateTool", 2, 0, 10);
    s.annotateColor = ReadRanged(a, "AnnotateColor", 0x0000e0, 0, 0xffffff);
    s.annotateWidth = ReadRanged(a, "AnnotateWidth", 1, 0, 2);
    s.annotateTextSize = ReadRanged(a, "AnnotateTextSize", 1, 0, 2);
    s.annotateRedact = ReadRanged(a, "AnnotateRedact", 0, 0, 1);
    s.annotateBackdrop = ReadFlag(a, "AnnotateBackdrop", false);
}

void SaveAnnotateGroup(SettingsAccess& a, const Settings& s) {
    a.WriteInt("AnnotateTool", s.annotateTool);
    a.WriteInt("AnnotateColor", s.annotateColor);
    a.WriteInt("AnnotateWidth", s.annotateWidth);
    a.WriteInt("AnnotateTextSize", s.annotateTextSize);
    a.WriteInt("AnnotateRedact", s.annotateRedact);
    WriteFlag(a, "AnnotateBackdrop", s.annotateBackdrop);
}

void LoadEffectsGroup(SettingsAccess& a, Settings& s) {
    s.scaleEnable = ReadFlag(a, "ScaleEnable", false);
    s.scale = ReadRanged(a, "Scale", 100, 10, 150);
}

void SaveEffectsGroup(SettingsAccess& a, const Settings& s) {
    WriteFlag(a, "ScaleEnable", s.scaleEnable);
    a.WriteInt("Scale", s.scale);
}

void LoadKeyGroup(SettingsAccess& a, Settings& s) {
    s.key1 = HotKey::FromStored(static_cast<int32_t>(a.ReadInt("Key1", 0))).stored();
    s.key2 = HotKey::FromStored(static_cast<int32_t>(a.ReadInt("Key2", 0))).stored();
    s.key3 = HotKey::FromStored(static_cast<int32_t>(a.ReadInt("Key3", 0))).stored();
    s.key4 = HotKey::FromStored(static_cast<int32_t>(a.ReadInt("Key4", 0))).stored();
}

void SaveKeyGroup(SettingsAccess& a, const Settings& s) {
    a.WriteInt("Key1", HotKey::FromStored(s.key1).stored());
    a.WriteInt("Key2", HotKey::FromStored(s.key2).stored());
    a.WriteInt("Key3", HotKey::FromStored(s.key3).stored());
    a.WriteInt("Key4", HotKey::FromStored(s.key4).stored());
}

void LoadCaptureGroup(SettingsAccess& a, Settings& s) {
    s.captureAction = ReadRanged(a, "CaptureAction", 1, 0, 2);
    s.captureDelay = ReadFlag(a, "CaptureDelay", true);
    s.threeSecondDelay = s.captureDelay;
    s.snapshotDelay = ReadRanged(a, "SnapshotDelay", 3, kMinSnapshotDelay, kMaxSnapshotDelay);
    s.cursor = ReadFlag(a, "Cursor", true);
    s.vidAudio = ReadFlag(a, "VidAudio", false);
    s.vidStealth = ReadFlag(a, "VidStealth", false);
    s.selColor = ReadText(a, "SelColor", "ff00ff");
}

void SaveCaptureGroup(SettingsAccess& a, const Settings& s) {
    a.WriteInt("CaptureAction", s.captureAction);
    WriteFlag(a, "CaptureDelay", s.captureDelay);
    a.WriteInt("SnapshotDelay", s.snapshotDelay);
    WriteFlag(a, "Cursor", s.cursor);
    WriteFlag(a, "VidAudio", s.vidAudio);
    WriteFlag(a, "VidStealth", s.vidStealth);
    a.WriteString("SelColor", s.selColor);
}

void LoadDisplayGroup(SettingsAccess& a, Settings& s) {
    s.shrink = ReadFlag(a, "Shrink", true);
    s.displayOpenAuto = ReadFlag(a, "DisplayOpenAuto", true);
    s.snapSystemDisplay = ReadFlag(a, "SnapSystemDisplay", false);
    s.vidSystemDisplay = ReadFlag(a, "VidSystemDisplay", false);
    s.notify = ReadFlag(a, "Notify", true);
    s.language = ReadText(a, "Language", "");
}

void SaveDisplayGroup(SettingsAccess& a, const Settings& s) {
    WriteFlag(a, "Shrink", s.shrink);
    WriteFlag(a, "DisplayOpenAuto", s.displayOpenAuto);
    WriteFlag(a, "SnapSystemDisplay", s.snapSystemDisplay);
    WriteFlag(a, "VidSystemDisplay", s.vidSystemDisplay);
    WriteFlag(a, "Notify", s.notify);
    a.WriteString("Language", s.language);
}

std::string DefaultCaptureDirectoryPath() {
    return PicturesDirectory() + "/Tessaray/";
}

std::string DefaultCaptureDirectory() {
    std::error_code ec;
    std::string dir = DefaultCaptureDirectoryPath();
    dir.pop_back();
    std::filesystem::create_directories(dir, ec);
    if (std::filesystem::is_directory(dir, ec))
        return dir + "/";
    char buf[4096];
    if (getcwd(buf, sizeof buf)) {
        std::string cwd = buf;
        if (cwd.empty() || cwd.back() != '/')
            cwd += '/';
        return cwd;
    }
    return "/tmp/";
}

std::string LogOnStartEntryText(const std::string& programPath, bool minimized) {
    std::string exec = DesktopQuote(programPath);
    if (minimized)
        exec += " -m";
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Tessaray\n"
           "Comment=Screen capture\n"
           "Exec=" +
           exec +
           "\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

bool UpdateLogOnStart(bool alwaysStart, bool minimized, const std::string& programPath) {
    std::string path = AutostartEntryPath();
    std::error_code ec;
    if (!alwaysStart) {
        std::filesystem::remove(path, ec);
        return !std::filesystem::exists(path, ec);
    }
    if (programPath.empty())
        return false;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    return WriteFileAtomic(path, LogOnStartEntryText(programPath, minimized));
}

void RemoveLogOnStart() {
    std::error_code ec;
    std::filesystem::remove(AutostartEntryPath(), ec);
}

} // namespace tess
