#pragma once
// The process-wide settings record: every setting of every group, loaded at start-up and
// saved at exit (see settings/SettingsStore.h for the store, app/ for the load order).
#include <array>
#include <cstdint>
#include <string>

namespace tess {

// The range of the snapshot delay in seconds ("SnapshotDelay").
inline constexpr int32_t kMinSnapshotDelay = 1, kMaxSnapshotDelay = 60;

struct Settings {
    // "Setup"
    bool alwaysStart = false;
    bool minimizeOnStart = false;
    bool trayIcon = false;
    bool onTop = false;
    // "Display"
    bool shrink = true;
    bool displayOpenAuto = true;
    bool snapSystemDisplay = false;
    bool vidSystemDisplay = false;
    bool notify = true; // a desktop notification after each capture
    // The language of the program's texts: a catalog name ("de", "pt_BR"), "" for the
    // desktop's. Read before the toolkit starts (PeekSetting), so a change shows at the next
    // start.
    std::string language;
    // "Capture"
    int32_t captureAction = 1; // 0 nothing, 1 hide, 2 minimize
    bool captureDelay = true;
    int32_t snapshotDelay = 3; // seconds, 1..60
    bool cursor = true;
    bool vidAudio = false;
    bool vidStealth = false;
    std::string selColor = "ff00ff";
    // "WMedia"
    bool wmDefaultVideoFormat = true;
    int32_t wmBitRate = 300000;
    int32_t wmFrameRate = 5;
    std::string autoExport = "none"; // a copy of each recording: "none", "webm", "mp4", "gif"
    // "Image"
    int32_t imageFormat = 0; // 0 PNG, 1 BMP, 3 GIF, 4 JPG
    int32_t imageQ = 50;
    bool copyToClipboard = true; // each snapshot also goes onto the clipboard
    bool editSnapshots = false;  // each snapshot of the window program opens the mark-up editor
    std::string ocrLanguage;     // models of "Copy Text" ("eng+deu"); empty: the locale's
    // "File"
    std::string defaultDirectory;
    std::string fileSnapName = "Tess";
    std::string fileVidName = "Tess";
    int32_t fileKeep = 0;
    int32_t fileInstanceMode = 0;
    // "Mixer"
    std::string waveInDriver = "-1";
    std::string waveOutDriver = "-1";
    std::string mixerInput = "Line-In";
    bool changeMixer = true;
    int32_t soundSource = 0;   // what a recording's sound is: 0 microphone, 1 desktop, 2 both
    std::string desktopSource; // the sound server's source of the desktop ("": the default
                               // output's monitor)
    int32_t soundQuality = 0;  // kbit/s of the music stream: 64, 96, 128 or 192; 0 the voice
                               // stream for the microphone alone, 128 with the desktop
    int32_t soundBalance = 0;  // -100 the microphone alone .. 0 both at unity .. 100 desktop
    // "Caption"
    bool capEnable = false;
    std::string capString = "Tessaray %a %H:%M:%S";
    int32_t capTextColor = 0;
    int32_t capBackColor = 16777215;
    int32_t capBackMode = 0;           // 0 opaque, 1 transparent, 2 translucent, 3 border
    int32_t capAlign = 1;              // 0 left, 1 middle, 2 right
    int32_t capVert = 0;               // per cent, 0 bottom .. 100 top
    std::array<uint8_t, 60> capFont{}; // logical-font record
    bool capFontSet = false;
    // "Effects"
    bool scaleEnable = false;
    int32_t scale = 100;
    // "Annotate": the mark-up editor's last choices
    int32_t annotateTool = 2;         // tool bar position: 0 Select .. 10 Redact (2 Arrow)
    int32_t annotateColor = 0x0000e0; // colour value 0x00BBGGRR
    int32_t annotateWidth = 1;        // 0 small, 1 medium, 2 large
    int32_t annotateTextSize = 1;     // 0 small, 1 medium, 2 large
    int32_t annotateRedact = 0;       // 0 solid, 1 mosaic
    bool annotateBackdrop = false;    // text on a backdrop box
    // "Key"
    int32_t key1 = 0, key2 = 0, key3 = 0, key4 = 0; // key4: text of a region

    // "Main" (written by the main client window)
    int32_t capSelect = 0; // 0 screen, 1 window, 2 rectangle, 3 monitor
    bool mute = false;
    int32_t soundLevel = 50; // 0..100 ("Volume")
    uint8_t camState = 0;
    bool mainCaption = false;
    int32_t recordDuration = 15;
    int32_t windowX = 100, windowY = 100, windowW = 0, windowH = 0;
    std::string latestDirectory;
    bool threeSecondDelay = false; // mirrors captureDelay ("Delay snapshot Nsec")
    // Effect bytes in record order, index 1 = Mirror ... 19 (index 0 unused).
    std::array<uint8_t, 20> effects{};
    bool playbackBarShown = false;
    bool secondToolBarShown = false;
    // Which back end reads the screen: "auto" (the desktop portal in a Wayland session, X11
    // otherwise), "x11" or "portal" ("ScreenBackend").
    std::string screenBackend = "auto";
    // The portal's permission to cast the screen again without asking; single-use, replaced
    // after every start of a cast ("PortalRestoreToken").
    std::string portalRestoreToken;
    // The rectangle the user chose last in the selection window, "X,Y,W,H" ("LastRegion");
    // empty when none was chosen yet. Only the window program writes it.
    std::string lastRegion;

    bool operator==(const Settings&) const = default;
};

// The one record of the process.
Settings& GlobalSettings();

} // namespace tess
