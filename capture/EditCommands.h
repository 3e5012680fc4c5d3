#pragma once
// What the program does with a picture the mark-up editor gave back: write it over a file or
// to a new one, in the format the name says. Used by "Edit..." on a displayed picture, by a
// notification's "Edit" and by the command line's --edit.
#include <cstdint>
#include <string>

class wxWindow;

namespace tess {

class DesktopServices;
class MemBm;

// The image format value a file name's extension names (png, bmp, gif, jpg, jpeg), else
// `fallback`.
int32_t PictureFormatOfName(const std::string& path, int32_t fallback);

// Writes `picture` to `path` (a fresh temporary file renamed over it, so nothing of an older
// file survives) in the format its name says, else `fallbackFormat`; `quality` as the picture
// writer takes it (-1 the best, as snapshots). Empty when written, else the reason.
std::string WriteEditedPicture(const MemBm& picture, const std::string& path,
                               int32_t fallbackFormat, int32_t quality);

// "Edit..." on a picture read from `path`: the editor, then Save writes over `path` (or the
// file "Save As..." chose), Copy puts the render on the clipboard. Problems are shown through
// `desktop`. The path written, or empty when nothing was.
std::string EditPictureOfFile(wxWindow* parent, DesktopServices& desktop, const MemBm& picture,
                              const std::string& path);
// The same, reading the picture from `path` first (a snapshot notification's "Edit").
std::string EditPictureFile(wxWindow* parent, DesktopServices& desktop, const std::string& path);

} // namespace tess
