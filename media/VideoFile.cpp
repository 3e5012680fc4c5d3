#include "media/VideoFile.h"

#include "media/asf/AsfReader.h"
#include "media/image/ImageCodec.h"
#include "platform/Translate.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace tess {

namespace {

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// UTF-16 units to UTF-8 (unpaired surrogates become U+FFFD).
std::string Utf8(const std::u16string& t) {
    std::string out;
    for (size_t i = 0; i < t.size(); ++i) {
        uint32_t c = t[i];
        if (c >= 0xd800 && c < 0xdc00 && i + 1 < t.size() && t[i + 1] >= 0xdc00 &&
            t[i + 1] < 0xe000)
            c = 0x10000 + ((c - 0xd800) << 10) + (t[++i] - 0xdc00);
        else if (c >= 0xd800 && c < 0xe000)
            c = 0xfffd;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xc0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3f));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xe0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
            out += static_cast<char>(0x80 | (c & 0x3f));
        } else {
            out += static_cast<char>(0xf0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3f));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
            out += static_cast<char>(0x80 | (c & 0x3f));
        }
    }
    return out;
}

} // namespace

std::string LowerCase(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool IsPictureName(const std::string& path) {
    const std::string l = LowerCase(path);
    for (const char* ext : {".bmp", ".gif", ".jpg", ".png"})
        if (l.find(ext) != std::string::npos)
            return true;
    return false;
}

VideoFile::VideoFile(const std::string& fileName, unsigned long windowId,
                     const std::string& audioDevice, bool mute, int volume)
    : fileName_(fileName), audioDevice_(audioDevice) {
    isPicture_ = IsPictureName(fileName);
    struct stat st {};
    if (stat(fileName.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        errorText_ = Tr("File does not exist.");
        return;
    }
    if (isPicture_) {
        std::string error;
        picture_ = image::LoadImageFile(fileName, image::ImageType::Unknown, &error);
        if (!picture_) {
            errorText_ = error.empty() ? Tr("The picture cannot be read.") : error;
            return;
        }
        videoWidth_ = picture_->width();
        videoHeight_ = picture_->height();
        rendered_ = true;
        return;
    }
    player_ = std::make_unique<gst::Player>();
    gst::OpenResult r = player_->Open(fileName, windowId, audioDevice);
    errorText_ = r.message;
    rendered_ = r.ok;
    if (!r.ok) {
        player_.reset();
        return;
    }
    videoWidth_ = player_->videoWidth();
    videoHeight_ = player_->videoHeight();
    bitRate_ = static_cast<int32_t>(player_->bitRate());
    if (bitRate_ == 0 && player_->hasVideo()) {
        // Windows Media files name their video stream's bit rate in the header.
        asf::AsfReader reader;
        if (reader.Open(fileName))
            for (const asf::StreamDesc& s : reader.streams())
                if (s.video && s.bitRate) {
                    bitRate_ = static_cast<int32_t>(s.bitRate);
                    break;
                }
    }
    if (mute)
        SetMute(true);
    SetVolume(volume);
}

VideoFile::~VideoFile() {
    if (player_)
        player_->Close();
}

bool VideoFile::Run() {
    if (!rendered_)
        return false;
    playing_ = player_ ? player_->Play() : true;
    return playing_;
}

bool VideoFile::Stop() {
    playing_ = false;
    if (player_)
        player_->Pause();
    return true;
}

void VideoFile::FitToWindow(int w, int h) {
    if (player_) {
        player_->SetRenderRectangle(0, 0, w, h);
        player_->Expose();
    }
}

bool VideoFile::HandleEvents(std::string* error) {
    if (!player_ || !player_->Poll(error))
        return false;
    Stop();
    return true;
}

bool VideoFile::IsPlaying() {
    // A picture is shown at once: its one frame has ended when it was run.
    if (!player_)
        return false;
    HandleEvents();
    return player_->playing();
}

int VideoFile::GetPositionSeconds() const {
    if (!player_)
        return isPicture_ && rendered_ ? 0 : -1;
    int64_t ms = player_->PositionMs();
    return ms < 0 ? -1 : static_cast<int>(ms / 1000);
}

int VideoFile::GetDurationSeconds() const {
    if (!player_)
        return isPicture_ && rendered_ ? 0 : -1;
    int64_t ms = player_->DurationMs();
    return ms < 0 ? -1 : static_cast<int>(ms / 1000);
}

bool VideoFile::SetPositionSeconds(int seconds) {
    return player_ && player_->SeekMs(static_cast<int64_t>(seconds) * 1000);
}

int64_t VideoFile::GetPositionMs() const {
    return player_ ? player_->PositionMs() : -1;
}

bool VideoFile::SetPositionMs(int64_t ms) {
    return player_ && player_->SeekMs(ms);
}

bool VideoFile::SetRate(double rate) {
    return player_ && player_->SetRate(rate);
}

void VideoFile::SetMute(bool mute) {
    if (mute == muted_)
        return;
    muted_ = mute;
    if (!player_)
        return;
    if (mute) {
        savedVolume_ = appliedLevel_;
        appliedLevel_ = -10000;
    } else {
        appliedLevel_ = savedVolume_;
    }
    player_->SetVolumeDb(appliedLevel_ / 100.0);
}

void VideoFile::SetVolume(int percent) {
    volume_ = std::clamp(percent, 0, 100);
    if (!player_ || muted_) {
        savedVolume_ = VolumeLevel(volume_);
        return;
    }
    appliedLevel_ = VolumeLevel(volume_);
    player_->SetVolumeDb(appliedLevel_ / 100.0);
}

double VideoFile::PipelineVolumeDb() const {
    return player_ ? player_->VolumeDb() : -INFINITY;
}

double VideoFile::GetFileSize() const {
    struct stat st {};
    if (stat(fileName_.c_str(), &st) != 0)
        return -1;
    return static_cast<double>(st.st_size);
}

int32_t VideoFile::GetBitRate() const {
    return bitRate_;
}

int VideoFile::GetKind() const {
    if (fileName_.size() < 4)
        return 0;
    if (isPicture_)
        return kPicture;
    const std::string lower = LowerCase(fileName_);
    if (EndsWith(lower, ".avi") || EndsWith(lower, ".wmv"))
        return kSound | kPicture;
    return kSound;
}

std::string VideoFile::GetDisplayName() const {
    return std::filesystem::path(fileName_).filename().string();
}

bool VideoFile::hasVideo() const {
    return isPicture_ ? rendered_ : player_ && player_->hasVideo();
}

bool VideoFile::FindHeaderText(const std::string& name, size_t size, std::string* out) const {
    const std::string l = LowerCase(name);
    if (l != "tvactive" && l != "copyright" && l != "recorded by")
        return false;
    std::ifstream in(fileName_, std::ios::binary);
    if (!in)
        return false;
    char bytes[1996];
    in.read(bytes, sizeof bytes);
    const size_t units = static_cast<size_t>(in.gcount()) / 2;
    std::u16string text(units, u'\0');
    for (size_t i = 0; i < units; ++i)
        text[i] = static_cast<char16_t>(static_cast<uint8_t>(bytes[2 * i]) |
                                        static_cast<uint8_t>(bytes[2 * i + 1]) << 8);
    const std::u16string key(name.begin(), name.end());
    const size_t hit = text.find(key);
    if (key.empty() || hit == std::u16string::npos)
        return false;
    size_t end = text.find(u'\0', hit);
    if (end == std::u16string::npos)
        end = text.size();
    std::u16string found = text.substr(hit, std::min<size_t>(end - hit, 260));
    std::string utf8 = Utf8(found);
    if (out)
        *out = utf8.substr(0, size);
    return true;
}

} // namespace tess
