#pragma once
// The rules of the display of files as plain functions: which files are pictures, skipping,
// the frame title, the properties text, the "Save As" extension rule and the frame's layout
// and sizing arithmetic.
#include "media/VideoFile.h" // IsPictureName
#include "platform/ScreenRect.h"

#include <cstdint>
#include <ctime>
#include <string>

namespace tess {

// The position after "Skip forward" / "Skip backward" from `position` seconds: forward
// +600 s with Ctrl, +1 s with Shift, else +60 s; backward -600 s, -2 s, -60 s; kept within
// 0..duration.
long long SkipTarget(long long position, long long duration, bool forward, bool shift, bool ctrl);

// The frame title: the displayed file's name (or the running recording's), a blank, then
// the current title from "Tessaray" on (or "Tessaray").
std::string FrameTitle(const std::string& fileName, const std::string& currentTitle);

// The duration pane: the time text and two blanks; empty without a file.
std::string DurationPaneText(bool fileDisplayed, long long durationSeconds);

// What the properties text is made of; empty texts and zero numbers leave their line out.
struct FileFacts {
    int width = 0, height = 0;
    long bitRate = 0; // the file's own, bits per second
    std::string copyright;
    std::string description;
    long long duration = 0; // seconds; -1 or 0 when none
    double size = 0;        // bytes
    bool hasDate = false;
    std::time_t created = 0;
};
// The text of "&Properties..."; "No properties available for this file" when it has no line.
std::string PropertiesText(const FileFacts& f);
// "%.3fMB" below 1 MB, "%.2fMB" below 100 MB, else "%.0fMB" (MB = 1048576 bytes).
std::string SizeText(double bytes);
// "Jan" .. "Dec" for 1..12, "illegal month" otherwise.
const char* MonthName(int month);

// The text after the last "." of the file name (empty when none).
std::string FileExtension(const std::string& path);
// "Save As" keeps the extension: true when both have the same one (any case).
bool SameExtension(const std::string& oldPath, const std::string& newPath);
// The dialog filter for extension `ext`: "ext files (*.ext)|*.ext".
std::string SaveAsFilter(const std::string& ext);

// The frame's layout. Sizes are frame sizes (with decorations dw x dh).
struct LayoutInput {
    bool fileDisplayed = false;
    bool fileHasVideo = false; // a picture or a video stream
    bool fit = true;
    bool fullScreen = false;
    int fileWidth = 0, fileHeight = 0;
    int frameWidth = 0, frameHeight = 0;
    int dw = 0, dh = 0; // the frame's size beyond its client area
    int screenW = 0, screenH = 0;
    int rememberedHeight = -1; // -1 until the first layout without a video
    // The narrowest frame that shows the whole tool bar; a narrower one is widened, its
    // client area keeping its proportions.
    int minFrameWidth = 0;
};
// Size: the frame, no longer maximized, gets width x height. Maximize: full screen with a
// video, the frame fills the screen's work area.
struct LayoutResult {
    enum Kind { Keep, Size, Maximize } kind = Keep;
    int width = 0, height = 0;
    int rememberedHeight = -1;
};
LayoutResult LayoutFrame(const LayoutInput& in);

// The frame's place and size within a monitor's work area `area`: what does not fit below or
// right of its place is cut off (down to half the area), then the place moves as far as the
// frame needs to lie within the area.
ScreenRect FitFrameToArea(const ScreenRect& frame, const ScreenRect& area);

} // namespace tess
