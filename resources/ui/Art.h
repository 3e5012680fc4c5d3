#pragma once
// The program's pictures, drawn in code: a 16 x 16 image for each command that the bars
// and menus show (bitmaps 1903..1922 and the menu images) and the program icons for idle,
// recording and playing, large (32 x 32) and small (16 x 16).
#include <wx/bitmap.h>
#include <wx/icon.h>
#include <wx/iconbndl.h>
#include <wx/image.h>

#include <vector>

namespace tess {

// A bitmap by its resource id (1903..1922); an invalid bitmap for other ids.
wxBitmap ResourceBitmap(int bitmapId);
// The 16 x 16 image shown beside command `commandId` in menus and bars; invalid when the
// command has none.
wxBitmap CommandImage(int commandId);
// An icon by its resource id (1003..1008): 1003 / 1006 / 1008 are large, 1004 / 1005 /
// 1007 small.
wxIcon ProgramIcon(int iconId);
// The program's idle icon drawn at `size` x `size` pixels (the installed icons).
wxImage ProgramIconImage(int size);
// The large and small icon of a state's pair (1003 with 1004, 1006 with 1005, 1008 with
// 1007).
wxIconBundle ProgramIcons(int largeId, int smallId);

// The record wizard's animation (its control 101), 32 x 32 frames shown one after another:
// the screen of the program's pictures being recorded, lines running down it as they are
// captured and the record light of bitmap 1905 blinking.
std::vector<wxBitmap> RecordingAnimationFrames();
inline constexpr int kRecordingAnimationFrameMs = 125;

} // namespace tess
