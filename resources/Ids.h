#pragma once
// Numeric ids of the program: commands (menus, accelerators, bars), private window
// messages, controls, menus, icons and bitmaps. The numbers are fixed; settings files,
// tests and the string table refer to them.

namespace tess::id {

// --- Commands --------------------------------------------------------------------------
// Capture mode
inline constexpr int Screen = 1843;
inline constexpr int Window = 1844;
inline constexpr int Rectangle = 1845;
inline constexpr int Monitor = 1846;
// Snapshots
inline constexpr int Snapshot = 27100;
inline constexpr int SnapshotScreen = 1842;
inline constexpr int SnapshotWindow = 1835;
inline constexpr int SnapshotRegion = 1836;
inline constexpr int SnapshotLastRegion = 1851;
inline constexpr int FormatJpg = 27111;
inline constexpr int FormatPng = 27113;
inline constexpr int FormatBmp = 27112;
inline constexpr int FormatGif = 27114;
inline constexpr int DelaySnapshot = 1838;
// Recording
inline constexpr int RecordVideo = 1808;
inline constexpr int RecordScreen = 1841;
inline constexpr int RecordWindow = 1833;
inline constexpr int RecordRegion = 1834;
inline constexpr int RecordLastRegion = 1852;
inline constexpr int RecordSound = 1819;
inline constexpr int RecordWizard = 1832;
inline constexpr int StopRecording = 142;
inline constexpr int PauseRecording = 1853;
// Playback
inline constexpr int Play = 1806;
inline constexpr int Stop = 1807;
inline constexpr int TogglePlay = 1826;
inline constexpr int PlayHalfSpeed = 1830;
inline constexpr int SkipForward = 1810;
inline constexpr int SkipBackward = 1811;
inline constexpr int FullScreen = 25094;
inline constexpr int Mute = 1816;
inline constexpr int Mute2 = 1817;
inline constexpr int VolumeUp = 1828;
inline constexpr int VolumeDown = 1829;
// Caption, scale, effects
inline constexpr int Caption = 27518;
inline constexpr int CaptionButton = 27102;
inline constexpr int Scale = 27516;
inline constexpr int ChangeEffects = 27519;
inline constexpr int EffectMirror = 27500;
inline constexpr int EffectPoster = 27501;
inline constexpr int EffectWater = 27502;
inline constexpr int EffectGray = 27503;
inline constexpr int EffectXray = 27504;
inline constexpr int EffectEmboss = 27505;
inline constexpr int Effect9 = 27506;
inline constexpr int Effect10 = 27507;
inline constexpr int Effect11 = 27508;
inline constexpr int Effect12 = 27509;
inline constexpr int Effect13 = 27510;
inline constexpr int Effect15 = 27511;
inline constexpr int Effect14 = 27512;
inline constexpr int Effect8 = 27513;
inline constexpr int Effect16 = 27514;
inline constexpr int Effect19 = 27900;
inline constexpr int Effect18 = 27901;
// Bars
inline constexpr int PlaybackBar = 28802;
inline constexpr int SecondToolBar = 27800;
// File
inline constexpr int FileOpen = 24332;
inline constexpr int FileOpenWith = 25029;
inline constexpr int FileSaveAs = 24334;
inline constexpr int FileCopy = 24335;
inline constexpr int FileExport = 25030;
inline constexpr int FileEdit = 25070; // the displayed picture in the mark-up editor
// Trimming a displayed recording: the In and Out marks, the frame steps, the trimmed copies.
inline constexpr int SetIn = 25060;
inline constexpr int SetOut = 25061;
inline constexpr int PlaySelection = 25062;
inline constexpr int ClearMarks = 25063;
inline constexpr int SaveTrimmedCopy = 25064;
inline constexpr int SaveWithoutSelection = 25065;
inline constexpr int FrameBackward = 25066;
inline constexpr int FrameForward = 25067;
// Text off the screen: a chosen rectangle's, or the displayed picture's
inline constexpr int CopyTextFromRegion = 25075;
inline constexpr int FileCopyText = 25076;
inline constexpr int FileClose = 24339;
inline constexpr int FileProperties = 25020;
inline constexpr int FilePrint = 24337;
inline constexpr int PrinterSetup = 24338;
inline constexpr int NewInstance = 25018;
inline constexpr int OpenSettingsFile = 25017;
inline constexpr int SaveSettingsAs = 25016;
inline constexpr int Exit = 24310;
// Tool bar
inline constexpr int Cam = 1800;
inline constexpr int ToolButton1 = 27103; // no handler anywhere
inline constexpr int ToolButton2 = 27104; // no handler anywhere
// Accepted, doing nothing
inline constexpr int Nop27105 = 27105;
inline constexpr int Nop27106 = 27106;
inline constexpr int Nop27108 = 27108;
inline constexpr int Nop27001 = 27001;
inline constexpr int Nop27002 = 27002;
inline constexpr int Nop27003 = 27003;
inline constexpr int Nop25021 = 25021;
inline constexpr int Nop25022 = 25022;
inline constexpr int Nop28000 = 28000;
inline constexpr int Nop1814 = 1814;
// Accelerators without a handler
inline constexpr int PageUp = 1803;
inline constexpr int PageDown = 1804;
// Application commands
inline constexpr int HelpContents = 2001;
inline constexpr int About = 2009;
inline constexpr int Preferences = 25006;
inline constexpr int MixerPlay = 25001;
inline constexpr int MixerRecord = 25002;
inline constexpr int MixerVolume = 25003;
inline constexpr int MultimediaProperties = 25015;
// Tray menu
inline constexpr int TrayExit = 1203;
inline constexpr int TrayRestore = 1204;

// --- Controls --------------------------------------------------------------------------
inline constexpr int MeterControl = 116;
inline constexpr int CaptureModeCombo = 1839;
inline constexpr int ToolEdit = 1831;
inline constexpr int PositionSlider = 1809;
inline constexpr int VolumeSlider = 1818;
inline constexpr int RecordTimePane = 1815;
inline constexpr int PositionPane = 1814;

// --- Menus, accelerator tables ---------------------------------------------------------
inline constexpr int MainMenu = 100;
inline constexpr int MainAccelerators = 100;
inline constexpr int TrayMenu = 1200;

// --- Icons -----------------------------------------------------------------------------
inline constexpr int IconIdleLarge = 1003;
inline constexpr int IconIdleSmall = 1004;
inline constexpr int IconRecordingSmall = 1005;
inline constexpr int IconRecordingLarge = 1006;
inline constexpr int IconPlayingSmall = 1007;
inline constexpr int IconPlayingLarge = 1008;

// --- Bitmaps (16 x 16; the volume slider draws its own 18 x 20 thumb, bitmap 1915) -------
inline constexpr int BmpPlay = 1903;
inline constexpr int BmpStop = 1904;
inline constexpr int BmpRecord = 1905;
inline constexpr int BmpSkipForward = 1908;
inline constexpr int BmpSkipBackward = 1909;
inline constexpr int BmpMuted = 1912;
inline constexpr int BmpSpeaker = 1913;
inline constexpr int BmpCaption = 1917;
inline constexpr int BmpSnapshot = 1918;
inline constexpr int BmpTool1 = 1919;
inline constexpr int BmpTool2 = 1922;
inline constexpr int BmpPause = 1923;

// --- Timer -----------------------------------------------------------------------------
inline constexpr int ClientTimer = 42;
inline constexpr int ClientTimerPeriodMs = 200;

} // namespace tess::id

namespace tess::msg {

// Private window messages (numbers fixed: 0x400 + n).
inline constexpr int Cam = 1102;            // as command 1800
inline constexpr int MuteCommand = 1103;    // as command 1816
inline constexpr int HotKeyRegion = 1110;   // hot key 3: region snapshot
inline constexpr int HotKeySnapshot = 1111; // hot key 2: snapshot by mode
inline constexpr int HotKeyVideo = 1112;    // hot key 1: video start / stop
inline constexpr int HotKeyText = 1113;     // hot key 4: text of a region
inline constexpr int HideToTray = 1145;     // to the frame
inline constexpr int MediaEvent = 1161;     // media graph notification
inline constexpr int LateInit = 1162;       // later initialisation (1, 2)
inline constexpr int StopRecording = 1164;  // as "&Stop Recording"
inline constexpr int SliderScroll = 1194;   // slider scroll passed on
inline constexpr int ResetControls = 1239;  // meters and sliders to their start
inline constexpr int RecordTime = 1240;     // recording time display
inline constexpr int TrayCallback = 1258;   // to the frame
inline constexpr int SelectionPaint = 1345; // repaint of the selection window
inline constexpr int StateIcons = 1394;     // to the frame
inline constexpr int Layout = 1573;         // lay the client out again
inline constexpr int MixerChange = 977;     // mixer control change

} // namespace tess::msg
