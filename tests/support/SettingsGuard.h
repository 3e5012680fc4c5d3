#pragma once
// Settings in tests: private stores for a test, and a record with every field changed.
#include "settings/Paths.h"
#include "settings/Settings.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <tuple>

namespace tess::test {

// While it lives, the stores are under `dir`: XDG_CONFIG_HOME (the registry-style store, the
// log-on entry) dir/config, XDG_DATA_HOME dir/data, HOME (the pictures folder, so the default
// capture directory) dir/home, the ini file dir/exe/tessaray.ini. Its end restores the
// environment, the stores' paths and GlobalSettings().
class SettingsGuard {
public:
    explicit SettingsGuard(const std::filesystem::path& dir)
        : saved_(GlobalSettings()), config_(Env("XDG_CONFIG_HOME")), data_(Env("XDG_DATA_HOME")),
          home_(Env("HOME")) {
        setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
        setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
        setenv("HOME", (dir / "home").c_str(), 1);
        SetDefaultIniPathForTesting((dir / "exe" / "tessaray.ini").string());
    }
    ~SettingsGuard() {
        Restore("XDG_CONFIG_HOME", config_);
        Restore("XDG_DATA_HOME", data_);
        Restore("HOME", home_);
        SetRegistryStorePathForTesting({});
        SetDefaultIniPathForTesting({});
        GlobalSettings() = saved_;
    }
    SettingsGuard(const SettingsGuard&) = delete;
    SettingsGuard& operator=(const SettingsGuard&) = delete;

private:
    static std::optional<std::string> Env(const char* name) {
        const char* v = std::getenv(name);
        return v ? std::optional<std::string>(v) : std::nullopt;
    }
    static void Restore(const char* name, const std::optional<std::string>& v) {
        if (v)
            setenv(name, v->c_str(), 1);
        else
            unsetenv(name);
    }
    Settings saved_;
    std::optional<std::string> config_, data_, home_;
};

// Every field of Settings, in declaration order. A structured binding with these names
// (below) stops compiling when a field is added to Settings, until it is named here.
#define TESS_STR_(...) #__VA_ARGS__
#define TESS_STR(...) TESS_STR_(__VA_ARGS__)
#define TESS_SETTINGS_FIELDS                                                                       \
    alwaysStart, minimizeOnStart, trayIcon, onTop, shrink, displayOpenAuto, snapSystemDisplay,     \
        vidSystemDisplay, notify, language, captureAction, captureDelay, snapshotDelay, cursor,    \
        vidAudio, vidStealth, selColor, wmDefaultVideoFormat, wmBitRate, wmFrameRate, autoExport,  \
        imageFormat, imageQ, copyToClipboard, editSnapshots, ocrLanguage, defaultDirectory,        \
        fileSnapName, fileVidName, fileKeep, fileInstanceMode, waveInDriver, waveOutDriver,        \
        mixerInput, changeMixer, soundSource, desktopSource, soundQuality, soundBalance,           \
        capEnable, capString, capTextColor, capBackColor, capBackMode, capAlign, capVert, capFont, \
        capFontSet, scaleEnable, scale, annotateTool, annotateColor, annotateWidth,                \
        annotateTextSize, annotateRedact, annotateBackdrop, key1, key2, key3, key4, capSelect,     \
        mute, soundLevel, camState, mainCaption, recordDuration, windowX, windowY, windowW,        \
        windowH, latestDirectory, threeSecondDelay, effects, playbackBarShown, secondToolBarShown, \
        screenBackend, portalRestoreToken, lastRegion

// Every field differs from its default, within the loaders' ranges, and distinct where the
// type allows, so a value saved under another field's name shows.
inline Settings EveryFieldChanged() {
    Settings s;
    auto& [TESS_SETTINGS_FIELDS] = s;
    alwaysStart = minimizeOnStart = trayIcon = onTop = true;
    shrink = displayOpenAuto = false;
    snapSystemDisplay = vidSystemDisplay = true;
    notify = false;
    language = "pt_BR";
    captureAction = 2;
    captureDelay = cursor = false;
    snapshotDelay = 17;
    vidAudio = vidStealth = true;
    selColor = "00ff00";
    wmDefaultVideoFormat = false;
    wmBitRate = 123000;
    wmFrameRate = 12;
    autoExport = "gif";
    imageFormat = 4;
    imageQ = 77;
    copyToClipboard = false;
    editSnapshots = true;
    ocrLanguage = "eng+deu";
    defaultDirectory = "/tmp/captures dir/";
    fileSnapName = "Snap %Y";
    fileVidName = "Vid %H";
    fileKeep = 5;
    fileInstanceMode = 6;
    waveInDriver = "USB Audio";
    waveOutDriver = "<default>";
    mixerInput = "Mic";
    changeMixer = false;
    soundSource = 2;
    desktopSource = "alsa_output.usb.monitor";
    soundQuality = 192;
    soundBalance = -30;
    capEnable = true;
    capString = "Hello \"there\" %d";
    capTextColor = 0x0000ff;
    capBackColor = 0x123456;
    capBackMode = 3;
    capAlign = 0;
    capVert = 100;
    for (size_t i = 0; i < capFont.size(); ++i)
        capFont[i] = static_cast<uint8_t>(i * 7);
    capFontSet = true;
    scaleEnable = true;
    scale = 10;
    annotateTool = 9;
    annotateColor = 0x00a0b0;
    annotateWidth = 2;
    annotateTextSize = 0;
    annotateRedact = 1;
    annotateBackdrop = true;
    key1 = 0x0378;
    key2 = 0x0841;
    key3 = 0xffff;
    key4 = 0x0254;
    capSelect = 1;
    mute = true;
    soundLevel = 42;
    camState = 8;
    mainCaption = true;
    recordDuration = 90;
    windowX = 300;
    windowY = 200;
    windowW = 640;
    windowH = 480;
    latestDirectory = "/tmp/latest";
    threeSecondDelay = true;
    for (size_t i = 0; i < effects.size(); ++i)
        effects[i] = static_cast<uint8_t>(20 + i);
    playbackBarShown = secondToolBarShown = true;
    screenBackend = "x11";
    portalRestoreToken = "84c7e3f5-db81-4e3a-9246-34f84bf66963";
    lastRegion = "10,20,300,200";
    return s;
}

} // namespace tess::test

namespace tess {
// Failure messages show a record field by field.
inline void PrintTo(const Settings& s, std::ostream* os) {
    const std::string names = TESS_STR(TESS_SETTINGS_FIELDS);
    const auto& [TESS_SETTINGS_FIELDS] = s;
    size_t at = 0;
    auto print = [&](const auto& value) {
        const size_t end = names.find(',', at);
        *os << "\n  " << names.substr(at, end - at) << " = " << ::testing::PrintToString(value);
        at = names.find_first_not_of(", ", end);
    };
    std::apply([&](const auto&... v) { (print(v), ...); }, std::tie(TESS_SETTINGS_FIELDS));
}
} // namespace tess
