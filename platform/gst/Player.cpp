#include "platform/gst/Player.h"

#include "platform/Translate.h"
#include "platform/gst/Devices.h"

#include <gst/audio/streamvolume.h>
#include <gst/gst.h>
#include <gst/pbutils/missing-plugins.h>
#include <gst/video/video.h>
#include <gst/video/videooverlay.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

namespace tess::gst {

namespace {

std::string TakeGError(GError* err) {
    std::string s = err && err->message ? err->message : Tr("unknown error");
    if (err)
        g_error_free(err);
    return s;
}

// What a missing plug-in keeps from playing, and the line that names it with the Debian
// package that carries it.
struct MissingPiece {
    enum Kind { Decoder, VideoOutput, AudioOutput, Other } kind = Other;
    std::string line;
};

// The Debian package of a missing element (an output) or of the decoder or demuxer of a
// media type.
std::string PackageFor(const std::string& type, const std::string& what) {
    if (type == "element") {
        if (what.find("imagesink") != std::string::npos)
            return "gstreamer1.0-x";
        if (what == "pulsesink")
            return "gstreamer1.0-pulseaudio";
        if (what == "alsasink")
            return "gstreamer1.0-alsa";
        if (what.rfind("auto", 0) == 0)
            return "gstreamer1.0-plugins-good";
        return "gstreamer1.0-plugins-base";
    }
    if (what == "video/x-ms-asf" || what == "application/vnd.ms-asf")
        return "gstreamer1.0-plugins-ugly"; // asfdemux
    return "gstreamer1.0-libav";            // the decoders of MSS2, GSM and the rest
}

MissingPiece ReadMissingPlugin(GstMessage* m) {
    MissingPiece piece;
    const GstStructure* st = gst_message_get_structure(m);
    const char* t = st ? gst_structure_get_string(st, "type") : nullptr;
    const std::string type = t ? t : "";
    std::string what;
    if (type == "element") {
        const char* name = gst_structure_get_string(st, "detail");
        what = name ? name : "";
        const bool sink = what.size() > 4 && what.compare(what.size() - 4, 4, "sink") == 0;
        const bool video =
            what.find("video") != std::string::npos || what.find("imagesink") != std::string::npos;
        piece.kind = video && sink ? MissingPiece::VideoOutput
                     : sink        ? MissingPiece::AudioOutput
                                   : MissingPiece::Other;
    } else if (type == "decoder") {
        GstCaps* caps = nullptr;
        if (gst_structure_get(st, "detail", GST_TYPE_CAPS, &caps, nullptr) && caps) {
            if (gst_caps_get_size(caps) > 0)
                what = gst_structure_get_name(gst_caps_get_structure(caps, 0));
            gst_caps_unref(caps);
        }
        piece.kind = MissingPiece::Decoder;
    }
    gchar* d = gst_missing_plugin_message_get_description(m);
    // TRANSLATORS: fills the %1$s of "The GStreamer plug-in for %1$s is missing..." when
    // GStreamer names no decoder
    const std::string desc = d ? d : (what.empty() ? Tr("a decoder") : what);
    g_free(d);
    if (what.find("unknown") != std::string::npos)
        piece.line =
            FormatText(Tr("No GStreamer plug-in reads %1$s (%2$s)."), desc.c_str(), what.c_str());
    else
        piece.line = FormatText(
            Tr("The GStreamer plug-in for %1$s is missing: install the Debian package %2$s."),
            desc.c_str(), PackageFor(type, what).c_str());
    return piece;
}

using Kinds = std::initializer_list<MissingPiece::Kind>;

// The lines of the missing pieces of the given kinds (of every kind for none), one a line.
std::string MissingLines(const std::vector<MissingPiece>& missing, Kinds kinds = {}) {
    std::string lines;
    for (const MissingPiece& p : missing)
        if (kinds.size() == 0 || std::find(kinds.begin(), kinds.end(), p.kind) != kinds.end())
            lines += (lines.empty() ? "" : "\n") + p.line;
    return lines;
}

// Whether a pipeline element is (inside) a sound output.
bool IsSoundOutput(GstObject* src) {
    for (GstObject* o = src; o; o = GST_OBJECT_PARENT(o)) {
        if (!GST_IS_ELEMENT(o))
            continue;
        GstElementFactory* f = gst_element_get_factory(GST_ELEMENT(o));
        const char* klass =
            f ? gst_element_factory_get_metadata(f, GST_ELEMENT_METADATA_KLASS) : nullptr;
        if (klass && std::strstr(klass, "Sink") && std::strstr(klass, "Audio"))
            return true;
    }
    return false;
}

// Translated at use.
constexpr const char* kCannotRender = N_("Could not render as a multimedia file.");
constexpr const char* kPartlyUnsupported =
    N_("Some of the streams in this movie are in an unsupported format.");
constexpr const char* kNoVideoOutput =
    N_("Cannot play back the video stream: could not find a suitable renderer.");
constexpr const char* kNoAudioOutput =
    N_("Cannot play back the audio stream: could not find a suitable renderer.");

bool IsDefaultDevice(const std::string& name) {
    return name.empty() || name == "<default>" || name == "-1";
}

// The first sound output whose name contains `wanted`, as an element.
GstElement* SoundSinkFor(const std::string& wanted, std::string* used) {
    GstElement* sink = nullptr;
    VisitSoundOutputs([&](GstDevice* device, const std::string& name) {
        if (name.find(wanted) == std::string::npos)
            return true;
        sink = gst_device_create_element(device, nullptr);
        if (sink && used)
            *used = name;
        return sink == nullptr;
    });
    return sink;
}

// The picture's sink: the XVideo one where the server offers XVideo (it scales), else the
// plain X image one (Xvfb and servers without XVideo).
GstElement* VideoSinkFor(unsigned long windowId) {
    if (!windowId) {
        GstElement* fake = gst_element_factory_make("fakesink", nullptr);
        if (fake) {
            gst_object_ref_sink(fake);
            g_object_set(fake, "sync", TRUE, nullptr);
        }
        return fake;
    }
    for (const char* name : {"xvimagesink", "ximagesink"}) {
        GstElement* sink = gst_element_factory_make(name, nullptr);
        if (!sink)
            continue;
        gst_object_ref_sink(sink);
        if (gst_element_set_state(sink, GST_STATE_READY) == GST_STATE_CHANGE_FAILURE) {
            gst_element_set_state(sink, GST_STATE_NULL);
            gst_object_unref(sink);
            continue;
        }
        gst_element_set_state(sink, GST_STATE_NULL);
        if (g_object_class_find_property(G_OBJECT_GET_CLASS(sink), "force-aspect-ratio"))
            g_object_set(sink, "force-aspect-ratio", TRUE, nullptr);
        gst_video_overlay_set_window_handle(GST_VIDEO_OVERLAY(sink), windowId);
        gst_video_overlay_handle_events(GST_VIDEO_OVERLAY(sink), FALSE);
        return sink; // a full reference, handed to playbin's property (which refs it again)
    }
    return nullptr;
}

bool ReadVideoSize(GstPad* pad, int* width, int* height) {
    if (!pad)
        return false;
    GstCaps* caps = gst_pad_get_current_caps(pad);
    if (!caps)
        return false;
    GstVideoInfo info;
    bool ok = gst_video_info_from_caps(&info, caps) && GST_VIDEO_INFO_WIDTH(&info) > 0;
    if (ok) {
        *width = GST_VIDEO_INFO_WIDTH(&info);
        *height = GST_VIDEO_INFO_HEIGHT(&info);
    }
    gst_caps_unref(caps);
    return ok;
}

int64_t BitRateFromTags(GstTagList* tags) {
    if (!tags)
        return 0;
    guint rate = 0;
    if (!gst_tag_list_get_uint(tags, GST_TAG_BITRATE, &rate))
        gst_tag_list_get_uint(tags, GST_TAG_NOMINAL_BITRATE, &rate);
    gst_tag_list_unref(tags);
    return rate;
}

} // namespace

bool Initialise(std::string* error) {
    static std::once_flag once;
    static bool ok = false;
    static std::string why;
    std::call_once(once, [] {
        GError* err = nullptr;
        ok = gst_init_check(nullptr, nullptr, &err);
        if (!ok)
            why = TakeGError(err);
    });
    if (!ok && error)
        *error = why;
    return ok;
}

bool HasElement(const std::string& factoryName) {
    if (!Initialise())
        return false;
    GstElementFactory* f = gst_element_factory_find(factoryName.c_str());
    if (!f)
        return false;
    gst_object_unref(f);
    return true;
}

struct Player::Impl {
    GstElement* playbin = nullptr;
    GstElement* videoSink = nullptr; // our reference
    GstBus* bus = nullptr;
    // The size the picture is scaled to before a sink that does not scale (the playbin's
    // bin owns the filter); 0 x 0: its own size.
    GstElement* scaleFilter = nullptr;
    int scaledW = 0, scaledH = 0;
    // The last decoded picture before scaling, kept by a probe on the streaming thread.
    std::mutex sampleLock;
    GstSample* lastSample = nullptr;

    static GstPadProbeReturn KeepSample(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
        auto* self = static_cast<Impl*>(data);
        GstCaps* caps = gst_pad_get_current_caps(pad);
        GstSample* sample = gst_sample_new(GST_PAD_PROBE_INFO_BUFFER(info), caps, nullptr, nullptr);
        if (caps)
            gst_caps_unref(caps);
        std::lock_guard<std::mutex> lock(self->sampleLock);
        if (self->lastSample)
            gst_sample_unref(self->lastSample);
        self->lastSample = sample;
        return GST_PAD_PROBE_OK;
    }

    void Reset() {
        if (playbin) {
            gst_element_set_state(playbin, GST_STATE_NULL);
            gst_object_unref(playbin);
            playbin = nullptr;
        }
        scaleFilter = nullptr;
        scaledW = scaledH = 0;
        {
            std::lock_guard<std::mutex> lock(sampleLock);
            if (lastSample)
                gst_sample_unref(lastSample);
            lastSample = nullptr;
        }
        if (videoSink) {
            gst_object_unref(videoSink);
            videoSink = nullptr;
        }
        if (bus) {
            gst_object_unref(bus);
            bus = nullptr;
        }
    }
    ~Impl() { Reset(); }

    bool WaitSettled(int timeoutMs) const {
        GstState state;
        return gst_element_get_state(playbin, &state, nullptr,
                                     static_cast<GstClockTime>(timeoutMs) * GST_MSECOND) !=
               GST_STATE_CHANGE_FAILURE;
    }
};

Player::Player() : impl_(std::make_unique<Impl>()) {}

Player::~Player() = default;

void Player::Close() {
    impl_->Reset();
    lastPositionMs_ = -1;
    playing_ = false;
    ended_ = false;
}

OpenResult Player::Open(const std::string& path, unsigned long windowId,
                        const std::string& soundDevice, int timeoutMs) {
    OpenResult r = OpenOnce(path, windowId, soundDevice, timeoutMs, true);
    if (soundOutputFailed_) {
        // No sound output works: the pictures play without the sound.
        OpenResult silent = OpenOnce(path, windowId, soundDevice, timeoutMs, false);
        if (silent.ok && videoStreams_ > 0) {
            silent.message =
                Tr(kNoAudioOutput) + (silent.message.empty() ? "" : "\n" + silent.message);
            return silent;
        }
        Close();
    }
    return r;
}

OpenResult Player::OpenOnce(const std::string& path, unsigned long windowId,
                            const std::string& soundDevice, int timeoutMs, bool withSound) {
    Close();
    soundOutputFailed_ = false;
    OpenResult r;
    std::string why;
    if (!Initialise(&why)) {
        r.message = FormatText(Tr("GStreamer could not start: %s"), why.c_str());
        return r;
    }
    Impl& p = *impl_;
    p.playbin = gst_element_factory_make("playbin", nullptr);
    if (!p.playbin) {
        r.message = std::string(Tr(kCannotRender)) + "\n" +
                    FormatText(Tr("The GStreamer element \"%1$s\" is missing: install the Debian "
                                  "package %2$s."),
                               "playbin", "gstreamer1.0-plugins-base");
        return r;
    }
    gst_object_ref_sink(p.playbin);
    GError* err = nullptr;
    gchar* uri = gst_filename_to_uri(path.c_str(), &err);
    if (!uri) {
        r.message = TakeGError(err);
        Close();
        return r;
    }
    g_object_set(p.playbin, "uri", uri, nullptr);
    g_free(uri);
    // No subtitles or visualisation: pictures and sound only (or pictures only).
    guint flags = 0;
    g_object_get(p.playbin, "flags", &flags, nullptr);
    flags &= ~((1u << 2) | (1u << 3)); // GST_PLAY_FLAG_TEXT, GST_PLAY_FLAG_VIS
    if (!withSound)
        flags &= ~(1u << 1); // GST_PLAY_FLAG_AUDIO
    g_object_set(p.playbin, "flags", flags, nullptr);

    std::vector<MissingPiece> missing;
    p.videoSink = VideoSinkFor(windowId);
    if (!p.videoSink) {
        // Without an X picture output the sound still plays; the pictures go nowhere.
        missing.push_back({MissingPiece::VideoOutput,
                           FormatText(Tr("The GStreamer plug-in %1$s is missing: install the "
                                         "Debian package %2$s."),
                                      "ximagesink", "gstreamer1.0-x")});
        p.videoSink = VideoSinkFor(0);
    }
    if (windowId && missing.empty()) {
        // The playbin does not scale: the plain X image sink asks for its window's size
        // when the stream begins and never again, so a stream scaled by the playbin then
        // would stay at a size the layout changes moments later. The XVideo sink scales by
        // itself; before the plain one our own scaler follows the video area's size
        // (SetRenderRectangle), the picture's proportions kept.
        flags |= 1u << 6; // GST_PLAY_FLAG_NATIVE_VIDEO: no scaling by the playbin
        g_object_set(p.playbin, "flags", flags, nullptr);
        GstElement* bin = gst_bin_new(nullptr);
        GstElement* convert = gst_element_factory_make("videoconvert", nullptr);
        GstElementFactory* sinkFactory = gst_element_get_factory(p.videoSink);
        const bool scales = sinkFactory && std::strcmp(GST_OBJECT_NAME(sinkFactory), "ximagesink");
        GstElement* scale = scales ? nullptr : gst_element_factory_make("videoscale", nullptr);
        GstElement* filter = scales ? nullptr : gst_element_factory_make("capsfilter", nullptr);
        if (!convert || (!scales && (!scale || !filter))) {
            for (GstElement* e : {convert, scale, filter})
                if (e)
                    gst_object_unref(gst_object_ref_sink(e));
            gst_object_unref(gst_object_ref_sink(bin));
            r.message = Tr("The GStreamer elements \"videoconvert\" and \"videoscale\" are "
                           "needed: install gstreamer1.0-plugins-base.");
            Close();
            return r;
        }
        gst_bin_add_many(GST_BIN(bin), convert, p.videoSink, nullptr);
        if (scales) {
            gst_element_link(convert, p.videoSink);
        } else {
            gst_bin_add_many(GST_BIN(bin), scale, filter, nullptr);
            gst_element_link_many(convert, scale, filter, p.videoSink, nullptr);
            // A size changed mid-stream lets the pictures under way through at the old one.
            gst_util_set_object_arg(G_OBJECT(filter), "caps-change-mode", "delayed");
            p.scaleFilter = filter;
            GstPad* scaleIn = gst_element_get_static_pad(scale, "sink");
            gst_pad_add_probe(scaleIn, GST_PAD_PROBE_TYPE_BUFFER, &Impl::KeepSample, &p, nullptr);
            gst_object_unref(scaleIn);
        }
        GstPad* in = gst_element_get_static_pad(convert, "sink");
        gst_element_add_pad(bin, gst_ghost_pad_new("sink", in));
        gst_object_unref(in);
        g_object_set(p.playbin, "video-sink", bin, nullptr);
    } else if (p.videoSink) {
        g_object_set(p.playbin, "video-sink", p.videoSink, nullptr);
    }
    soundDeviceUsed_.clear();
    if (withSound && !IsDefaultDevice(soundDevice))
        if (GstElement* sink = SoundSinkFor(soundDevice, &soundDeviceUsed_))
            g_object_set(p.playbin, "audio-sink", sink, nullptr);

    p.bus = gst_element_get_bus(p.playbin);
    // A failing state change also posts its error, read below.
    gst_element_set_state(p.playbin, GST_STATE_PAUSED);
    // Wait for the first frame (or the failure), collecting what is missing.
    std::string error;
    const gint64 until = g_get_monotonic_time() + static_cast<gint64>(timeoutMs) * 1000;
    bool prerolled = false, failed = false;
    while (!prerolled && !failed) {
        gint64 left = until - g_get_monotonic_time();
        if (left <= 0)
            break;
        GstMessage* m = gst_bus_timed_pop_filtered(
            p.bus, static_cast<GstClockTime>(left) * GST_USECOND,
            static_cast<GstMessageType>(GST_MESSAGE_ERROR | GST_MESSAGE_ASYNC_DONE |
                                        GST_MESSAGE_ELEMENT | GST_MESSAGE_EOS));
        if (!m)
            break;
        switch (GST_MESSAGE_TYPE(m)) {
        case GST_MESSAGE_ASYNC_DONE:
            prerolled = true;
            break;
        case GST_MESSAGE_EOS:
            prerolled = true; // an empty stream: nothing to wait for
            break;
        case GST_MESSAGE_ERROR: {
            GError* e = nullptr;
            gst_message_parse_error(m, &e, nullptr);
            error = TakeGError(e);
            soundOutputFailed_ = withSound && IsSoundOutput(GST_MESSAGE_SRC(m));
            failed = true;
            break;
        }
        case GST_MESSAGE_ELEMENT:
            if (gst_is_missing_plugin_message(m))
                missing.push_back(ReadMissingPlugin(m));
            break;
        default:
            break;
        }
        gst_message_unref(m);
    }
    if (prerolled)
        g_object_get(p.playbin, "n-video", &videoStreams_, "n-audio", &audioStreams_, nullptr);
    if (!prerolled || videoStreams_ + audioStreams_ == 0) {
        // Nothing plays. What is missing is the likeliest reason, then the pipeline's error.
        std::string reason = MissingLines(missing);
        if (reason.empty())
            reason = !error.empty() ? error
                     : prerolled    ? Tr("The file holds no stream that can be played.")
                                    : Tr("The file did not open in time.");
        // A heading line: the reason follows on the next line.
        r.message =
            std::string(Tr(kCannotRender)) + "\n" + Tr("One possible reason:") + "\n" + reason;
        Close();
        return r;
    }
    width_ = height_ = 0;
    if (videoStreams_ > 0) {
        // The decoded stream's size (the sink's own may be scaled to its window).
        GstPad* pad = nullptr;
        g_signal_emit_by_name(p.playbin, "get-video-pad", 0, &pad);
        ReadVideoSize(pad, &width_, &height_);
        if (pad)
            gst_object_unref(pad);
        GstTagList* tags = nullptr;
        g_signal_emit_by_name(p.playbin, "get-video-tags", 0, &tags);
        bitRate_ = BitRateFromTags(tags);
    }
    r.ok = true;
    // The file plays, perhaps not all of it.
    const std::string noPicture = MissingLines(missing, {MissingPiece::VideoOutput});
    const std::string unread = MissingLines(missing, {MissingPiece::Decoder, MissingPiece::Other});
    const std::string noSound = MissingLines(missing, {MissingPiece::AudioOutput});
    if (videoStreams_ > 0 && !noPicture.empty())
        r.message = std::string(Tr(kNoVideoOutput)) + "\n" + noPicture;
    else if (!unread.empty())
        r.message = std::string(Tr(kPartlyUnsupported)) + "\n" + unread;
    else if (!noSound.empty())
        r.message = std::string(Tr(kNoAudioOutput)) + "\n" + noSound;
    return r;
}

bool Player::Play() {
    if (!impl_->playbin)
        return false;
    if (ended_) {
        ended_ = false;
        SeekMs(0);
    }
    playing_ = gst_element_set_state(impl_->playbin, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE;
    return playing_;
}

bool Player::Pause() {
    playing_ = false;
    if (!impl_->playbin)
        return false;
    return gst_element_set_state(impl_->playbin, GST_STATE_PAUSED) != GST_STATE_CHANGE_FAILURE;
}

bool Player::Poll(std::string* error) {
    if (!impl_->bus)
        return false;
    bool stopped = false;
    while (GstMessage* m = gst_bus_pop_filtered(
               impl_->bus, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR))) {
        if (GST_MESSAGE_TYPE(m) == GST_MESSAGE_ERROR) {
            GError* e = nullptr;
            gst_message_parse_error(m, &e, nullptr);
            std::string text = TakeGError(e);
            if (error)
                *error = text;
        }
        stopped = true;
        gst_message_unref(m);
    }
    if (stopped) {
        ended_ = true;
        Pause();
    }
    return stopped;
}

int64_t Player::PositionMs() const {
    gint64 pos = 0;
    if (!impl_->playbin)
        return -1;
    // Right after a seek near the end, or at the end, the pipeline may have no position to
    // tell: the last one known (or asked for) stands.
    if (gst_element_query_position(impl_->playbin, GST_FORMAT_TIME, &pos) && pos >= 0)
        lastPositionMs_ = pos / GST_MSECOND;
    return lastPositionMs_;
}

int64_t Player::DurationMs() const {
    gint64 d = 0;
    if (!impl_->playbin || !gst_element_query_duration(impl_->playbin, GST_FORMAT_TIME, &d) ||
        d < 0)
        return -1;
    return d / GST_MSECOND;
}

bool Player::SeekMs(int64_t ms) {
    if (!impl_->playbin)
        return false;
    if (ms < 0)
        ms = 0;
    const auto flags = static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE);
    bool ok = gst_element_seek(impl_->playbin, rate_, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET,
                               static_cast<gint64>(ms) * GST_MSECOND, GST_SEEK_TYPE_NONE,
                               GST_CLOCK_TIME_NONE);
    impl_->WaitSettled(5000);
    if (ok) {
        ended_ = false;
        lastPositionMs_ = ms;
    }
    return ok;
}

bool Player::SetRate(double rate) {
    if (!impl_->playbin || rate <= 0)
        return false;
    gint64 pos = 0;
    gst_element_query_position(impl_->playbin, GST_FORMAT_TIME, &pos);
    const auto flags = static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE);
    bool ok = gst_element_seek(impl_->playbin, rate, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET, pos,
                               GST_SEEK_TYPE_NONE, GST_CLOCK_TIME_NONE);
    if (ok)
        rate_ = rate;
    return ok;
}

bool Player::SetVolumeDb(double db) {
    if (!impl_->playbin)
        return false;
    gst_stream_volume_set_volume(GST_STREAM_VOLUME(impl_->playbin), GST_STREAM_VOLUME_FORMAT_DB,
                                 db);
    return true;
}

double Player::VolumeDb() const {
    if (!impl_->playbin)
        return -INFINITY;
    return gst_stream_volume_get_volume(GST_STREAM_VOLUME(impl_->playbin),
                                        GST_STREAM_VOLUME_FORMAT_DB);
}

void Player::SetRenderRectangle(int x, int y, int w, int h) {
    Impl& p = *impl_;
    if (p.scaleFilter) {
        // The sink centres what it gets: the picture scaled to fit w x h.
        int fw = 0, fh = 0;
        if (w > 0 && h > 0 && width_ > 0 && height_ > 0) {
            const bool wide = static_cast<int64_t>(width_) * h >= static_cast<int64_t>(height_) * w;
            fw = wide ? w : std::max<int>(1, static_cast<int>(int64_t{h} * width_ / height_));
            fh = wide ? std::max<int>(1, static_cast<int>(int64_t{w} * height_ / width_)) : h;
        }
        if (fw == p.scaledW && fh == p.scaledH)
            return;
        p.scaledW = fw;
        p.scaledH = fh;
        GstCaps* caps = fw > 0 ? gst_caps_new_simple("video/x-raw", "width", G_TYPE_INT, fw,
                                                     "height", G_TYPE_INT, fh, "pixel-aspect-ratio",
                                                     GST_TYPE_FRACTION, 1, 1, nullptr)
                               : gst_caps_new_empty_simple("video/x-raw");
        g_object_set(p.scaleFilter, "caps", caps, nullptr);
        gst_caps_unref(caps);
        // Paused, no new picture comes to take the new size: the one shown is decoded
        // again where it is (without waiting for it).
        gint64 pos = 0;
        if (!playing_ && gst_element_query_position(p.playbin, GST_FORMAT_TIME, &pos))
            gst_element_seek(
                p.playbin, rate_, GST_FORMAT_TIME,
                static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                GST_SEEK_TYPE_SET, pos, GST_SEEK_TYPE_NONE, GST_CLOCK_TIME_NONE);
        return;
    }
    if (!p.videoSink || !GST_IS_VIDEO_OVERLAY(p.videoSink))
        return;
    if (w <= 0 || h <= 0)
        gst_video_overlay_set_render_rectangle(GST_VIDEO_OVERLAY(impl_->videoSink), 0, 0, -1, -1);
    else
        gst_video_overlay_set_render_rectangle(GST_VIDEO_OVERLAY(impl_->videoSink), x, y, w, h);
}

void Player::Expose() {
    if (impl_->videoSink && GST_IS_VIDEO_OVERLAY(impl_->videoSink))
        gst_video_overlay_expose(GST_VIDEO_OVERLAY(impl_->videoSink));
}

bool Player::ShownSize(int* width, int* height) const {
    GstSample* sample = nullptr;
    if (!impl_->videoSink ||
        !g_object_class_find_property(G_OBJECT_GET_CLASS(impl_->videoSink), "last-sample"))
        return false;
    g_object_get(impl_->videoSink, "last-sample", &sample, nullptr);
    if (!sample)
        return false;
    GstVideoInfo info;
    const bool ok = gst_video_info_from_caps(&info, gst_sample_get_caps(sample));
    if (ok) {
        *width = GST_VIDEO_INFO_WIDTH(&info);
        *height = GST_VIDEO_INFO_HEIGHT(&info);
    }
    gst_sample_unref(sample);
    return ok;
}

bool Player::CurrentFrame(std::vector<uint8_t>* bgrx, int* width, int* height) const {
    if (!impl_->playbin || videoStreams_ == 0)
        return false;
    GstCaps* caps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGRx", nullptr);
    GstSample* sample = nullptr;
    GstSample* unscaled = nullptr;
    {
        std::lock_guard<std::mutex> lock(impl_->sampleLock);
        if (impl_->lastSample)
            unscaled = gst_sample_ref(impl_->lastSample);
    }
    if (unscaled) {
        // The picture before it was scaled to the video area.
        sample = gst_video_convert_sample(unscaled, caps, 2 * GST_SECOND, nullptr);
        gst_sample_unref(unscaled);
    } else {
        // The playbin converts the sink's last frame into the asked format.
        g_signal_emit_by_name(impl_->playbin, "convert-sample", caps, &sample);
    }
    gst_caps_unref(caps);
    if (!sample)
        return false;
    bool ok = false;
    GstVideoInfo info;
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    GstVideoFrame frame;
    if (buffer && gst_video_info_from_caps(&info, gst_sample_get_caps(sample)) &&
        gst_video_frame_map(&frame, &info, buffer, GST_MAP_READ)) {
        const int w = GST_VIDEO_FRAME_WIDTH(&frame), h = GST_VIDEO_FRAME_HEIGHT(&frame);
        const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0);
        const auto* data = static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0));
        if (w > 0 && h > 0) {
            bgrx->resize(static_cast<size_t>(w) * h * 4);
            for (int y = 0; y < h; ++y)
                std::memcpy(bgrx->data() + static_cast<size_t>(y) * w * 4,
                            data + static_cast<size_t>(y) * stride, static_cast<size_t>(w) * 4);
            *width = w;
            *height = h;
            ok = true;
        }
        gst_video_frame_unmap(&frame);
    }
    gst_sample_unref(sample);
    return ok;
}

} // namespace tess::gst
