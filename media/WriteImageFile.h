#pragma once
// The picture writer: the last step of every snapshot and of every recorded frame. It writes
// a captured picture as a PNG, BMP, GIF or JPEG file, or hands it to the open recording.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace tess {

class MediaFile;
class MemBm;

// The picture formats, by the numbers the setting "ImageFormat" stores (and the snapshot
// commands and the grabbers take).
enum class ImageFormat : int32_t {
    kPng = 0,
    kBmp = 1,
    kRecordingFrame = 2, // a frame of the open recording, no file
    kGif = 3,
    kJpeg = 4,
};

constexpr int32_t StoredValue(ImageFormat format) {
    return static_cast<int32_t>(format);
}

// The format of a picture file a stored number names; nothing for any other number.
std::optional<ImageFormat> PictureFileFormat(int32_t stored);

// Result codes of the picture writer and of the grabbers that end in it.
enum ImageResult : int32_t {
    kImageOk = 0,
    kImageNoBitmap = 501,      // the bitmap to grab into could not be made (grabbers)
    kImagePngFailed = 503,     // the PNG file could not be written
    kImageFileFailed = 504,    // the BMP, GIF or JPEG file could not be written
    kImageNoPicture = 505,     // the captured picture could not be turned into an image
    kImageNoDrawingArea = 507, // no drawing area could be made (grabbers)
};

// The recording that frames of format 2 go to: set by the recording start when its media
// file is open, cleared (null) before that file is closed. Not owned here.
void SetOpenRecording(MediaFile* file);
MediaFile* OpenRecording();

// A recording's frames are pictures of one size, grabbed one after another: the picture of
// the frame before is handed back for the next, rather than a new one that is cleared and
// then overwritten (clearing costs as much as the grab's copy). Take gives the kept picture
// when it has that size, else null; Keep holds one while a recording is open (a change of
// the open recording drops it).
std::unique_ptr<MemBm> TakeRecordingPicture(int32_t width, int32_t height);
void KeepRecordingPicture(std::unique_ptr<MemBm> picture);

// Writes `picture` in `format`. A recording frame goes to the open recording's
// AddBitmapFrame and returns that result (0 with none open). An unknown format or an empty
// file name writes nothing and returns 0. A file is written to a temporary file in the same
// directory and moved into place only when complete; on failure no file is left behind.
// An existing file of the name is replaced only when `mayReplace` is true (an output path the
// user gave); otherwise the name must still be free. JPEG quality: its low byte, taken as
// 1..100 (so -1, giving 255, is the best quality).
int32_t WriteImageFile(const MemBm& picture, ImageFormat format, const std::string& fileName,
                       int32_t jpegQuality, bool mayReplace = false);

// Why the last WriteImageFile of this thread failed (empty after a success).
const std::string& LastImageWriteError();

} // namespace tess
