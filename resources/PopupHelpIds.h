#pragma once
// The help ids of the pop-up texts in the help book's CSTessaray.txt, by window. A window's
// help-id table maps each control (and the label that names it) to one of these.
namespace tess::help_id {

// General page
inline constexpr int LaunchAtBoot = 301, MinimizeAtBoot = 302, TrayIcon = 303, OnTop = 304;
// Display page
inline constexpr int Shrink = 27201, DisplayAfterCapture = 27202, SnapSystemDisplay = 27203,
                     VidSystemDisplay = 27204, Notify = 27205, Language = 27207;
// Capture page
inline constexpr int CaptureAction = 27301, CaptureHide = 27302, CaptureMinimize = 27303,
                     CaptureNoAction = 27304, CaptureDelay = 27305, Cursor = 27306,
                     VidAudio = 27307, VidStealth = 27308, SelColorButton = 27309,
                     SelColorSwatch = 27310, CaptureDelaySeconds = 27311;
// WMV page
inline constexpr int WMDefault = 2201, WMFrameRate = 2202, WMBitRate = 2203, WMAutoExport = 2204;
// Image page
inline constexpr int ImageFormat = 9101, ImageJpg = 9102, ImagePng = 9103, ImageBmp = 9104,
                     ImageGif = 9105, ImageQuality = 9106, ImageQualityText = 9107,
                     ImageCopy = 9108, ImageEdit = 9112, ImageTextLanguage = 9114;
// File page (its table: 1301 -> 1308, 1314 -> 1315, 1322 -> 1323, 1331 -> 1330)
inline constexpr int FilePath = 1308, FileBrowse = 1302, FileSnapPattern = 1315,
                     FileSnapEdit = 1327, FileVidPattern = 1323, FileVidEdit = 1329,
                     FileKeep = 1330;
// Sound device page
inline constexpr int WaveIn = 2301, WaveOut = 2302, MixerInput = 2303, ChangeMixer = 2304,
                     SoundRecord = 2305, DesktopSource = 2306, SoundQuality = 2307,
                     SoundBalance = 2308;
// Caption page
inline constexpr int CapEnable = 2701, CapString = 2702, CapAddDateTime = 2703, CapTextColor = 2704,
                     CapBackColor = 2705, CapFont = 2706, CapFontText = 2707, CapBackMode = 2708,
                     CapOpaque = 2709, CapTransparent = 2710, CapTranslucent = 2711,
                     CapBorder = 2712, CapAlign = 2713, CapLeft = 2714, CapMiddle = 2715,
                     CapRight = 2716, CapVert = 2717, CapPreview = 2718;
// HotKey page (the controls' own ids)
inline constexpr int HotKeyVideo = 9001, HotKeySnapshot = 9003, HotKeyRegion = 9005,
                     HotKeyText = 9007;
// Timer page (the controls' own ids)
inline constexpr int TimerList = 601, TimerDelete = 602, TimerNew = 603, TimerEdit = 604,
                     TimerEnable = 605;
// Event dialog (the controls' own ids; every day box uses EventDays)
inline constexpr int EventName = 401, EventStart = 411, EventEnd = 413, EventDays = 415,
                     EventAction = 424, EventKeep = 422;
// Effects page
inline constexpr int ScaleEnable = 3201, Scale = 3202, ScaleText = 3203;
// Record wizard (the screen and window buttons' help ids are not their control ids)
inline constexpr int WizImVid = 28101, WizImage = 28102, WizVideo = 28103, WizFile = 28202,
                     WizBrowse = 28203, WizRegion = 28301, WizRectangle = 28302, WizWindow = 38303,
                     WizScreen = 38304, WizMonitor = 28305, WizSummary = 28401,
                     WizInstruction = 28403;

} // namespace tess::help_id
