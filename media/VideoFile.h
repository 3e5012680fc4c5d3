#pragma once
// VideoFile: one displayed file. A video or sound file plays through the GStreamer player,
// its picture drawn into a native child window of the main window's client area; a picture
// (BMP, GIF, JPEG, PNG) is decoded by the program's own codecs and kept for the window to
// draw. It also answers the properties questions: duration, position, size on disk, video
// size, bit rate and header texts. Window thread only.
#include "media/MemBm.h"
#include "platform/gst/Player.h"

#include <cstdint>
#include <memory>
#include <string>

namespace tess {

// A path whose lower-cased text contains ".bmp", ".gif", ".jpg" or ".png" (anywhere).
bool IsPictureName(const std::string& path);
// `s` in lower case (ASCII letters).
std::string LowerCase(std::string s);

class VideoFile {
public:
    // Kinds (GetKind): 4 has sound, 8 has a picture.
    static constexpr int kSound = 4, kPicture = 8;

    // Opens `fileName`: a picture is decoded; anything else is opened in the player drawing
    // into X window `windowId` (0: the picture is dropped) with the sound output whose name
    // contains `audioDevice` ("", "<default>", "-1": the default), muted or at `volume` %.
    // Afterwards errorText() is empty or says what failed; rendered() is false when nothing
    // can be shown.
    VideoFile(const std::string& fileName, unsigned long windowId, const std::string& audioDevice,
              bool mute, int volume);
    virtual ~VideoFile();
    VideoFile(const VideoFile&) = delete;
    VideoFile& operator=(const VideoFile&) = delete;

    const std::string& fileName() const { return fileName_; }
    const std::string& errorText() const { return errorText_; }
    bool rendered() const { return rendered_; }
    bool isPicture() const { return isPicture_; }
    // The decoded picture (null for media files).
    const MemBm* picture() const { return picture_.get(); }

    bool Run();
    bool Stop();
    // Places the picture on the rectangle (0, 0, w, h) of its window (0 x 0: the whole
    // window, whatever its size) and draws it again.
    void FitToWindow(int w, int h);
    // Reads the player's news; true when the stream ended (or failed) since the last call,
    // which stops the file. `error` gets a failure's text.
    bool HandleEvents(std::string* error = nullptr);
    bool IsPlaying();

    // Whole seconds; -1 when unknown.
    int GetPositionSeconds() const;
    int GetDurationSeconds() const;
    bool SetPositionSeconds(int seconds);
    // The position in milliseconds (-1 when unknown), and an exact seek to `ms`.
    int64_t GetPositionMs() const;
    bool SetPositionMs(int64_t ms);
    bool SetRate(double rate);

    // Volume in hundredths of a decibel: 100 % is 0, 0 % is -10000.
    static int VolumeLevel(int percent) { return percent * 100 - 10000; }
    void SetMute(bool mute);
    void SetVolume(int percent);
    bool muted() const { return muted_; }
    // The level last given to the player, hundredths of a decibel.
    int appliedLevel() const { return appliedLevel_; }
    // The volume the pipeline holds, in decibels (-inf without a player).
    double PipelineVolumeDb() const;

    // Size in bytes; -1 when the file is missing.
    double GetFileSize() const;
    // Bits per second of the video stream (0 when it reports none).
    int32_t GetBitRate() const;
    int GetKind() const;
    std::string GetDisplayName() const;
    bool hasVideo() const;
    int videoWidth() const { return videoWidth_; }
    int videoHeight() const { return videoHeight_; }
    // The text that follows `name` ("tvactive", "copyright", "Recorded by", any case) in
    // the header's UTF-16 text, at most `size` characters.
    bool FindHeaderText(const std::string& name, size_t size, std::string* out) const;

    // The player, for its sound output and state (null for pictures).
    const gst::Player* player() const { return player_.get(); }

private:
    std::string fileName_;
    std::string errorText_;
    std::string audioDevice_;
    bool rendered_ = false;
    bool isPicture_ = false;
    bool playing_ = false;
    bool muted_ = false;
    int volume_ = 100;
    int savedVolume_ = 100;
    int appliedLevel_ = 0;
    int videoWidth_ = 0, videoHeight_ = 0;
    int32_t bitRate_ = 0;
    std::unique_ptr<MemBm> picture_;
    std::unique_ptr<gst::Player> player_;
};

} // namespace tess
