#include "platform/gst/Transcoder.h"

#include "platform/Translate.h"
#include "platform/gst/Player.h"
#include "platform/gst/Vp9Encoder.h"

#include <gst/app/gstappsink.h>
#include <gst/app/gstappsrc.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace tess::gst {

namespace {

// The Debian package of an element the transcoding builds.
const char* PackageOf(const std::string& factory) {
    if (factory == "x264enc")
        return "gstreamer1.0-plugins-ugly";
    if (factory == "avenc_aac")
        return "gstreamer1.0-libav";
    if (factory == "webmmux" || factory == "mp4mux")
        return "gstreamer1.0-plugins-good";
    return "gstreamer1.0-plugins-base";
}

// The elements of one run, and what its streaming threads tell the waiting one.
struct Pipeline {
    GstElement* pipeline = nullptr;
    GstElement* videoIn = nullptr; // the first element of the picture branch (null: dropped)
    GstElement* audioIn = nullptr; // the first element of the sound branch (null: dropped)
    std::string missing;           // the first element that could not be made
    std::atomic<int64_t> reached{-1};
    Transcoder* owner = nullptr;
    std::atomic<bool> frameRefused{false};
    // The decoder has shown all its streams, or the file has been read to its end: a branch
    // still without its stream then never gets one.
    std::atomic<bool> allShown{false};
    std::atomic<bool> sourceEnded{false};
    bool videoWanted = false, audioWanted = false;
    // WebM: the pictures leave the pipeline at an app sink, are coded by `vp9` and come back
    // through `vp9Out`. Written on the streaming thread, read once the pipeline has stopped.
    std::unique_ptr<Vp9Encoder> vp9;
    GstElement* vp9Out = nullptr;
    int fps = 15;
    std::string codingError;

    bool Unfed(GstElement* in) const {
        GstPad* sink = gst_element_get_static_pad(in, "sink");
        const bool linked = sink && gst_pad_is_linked(sink);
        if (sink)
            gst_object_unref(sink);
        return !linked;
    }
    // The message of a stream the file was to have but did not give, or empty.
    std::string MissingStream() const {
        if (videoWanted && Unfed(videoIn))
            return Tr("the file holds no pictures that can be read (it may be damaged).");
        if (audioWanted && Unfed(audioIn))
            return Tr("the file holds no sound that can be read (it may be damaged).");
        return {};
    }

    ~Pipeline() {
        if (pipeline) {
            gst_element_set_state(pipeline, GST_STATE_NULL);
            gst_object_unref(pipeline);
        }
    }

    GstElement* Make(const char* factory) {
        GstElement* e = gst_element_factory_make(factory, nullptr);
        if (!e) {
            if (missing.empty())
                missing = FormatText(Tr("The GStreamer element \"%1$s\" is missing: install the "
                                        "Debian package %2$s."),
                                     factory, PackageOf(factory));
            return nullptr;
        }
        gst_bin_add(GST_BIN(pipeline), e);
        return e;
    }

    // Makes the elements and links them in a row; the first, or null when one is missing.
    GstElement* Chain(std::initializer_list<GstElement*> elements) {
        GstElement* previous = nullptr;
        for (GstElement* e : elements) {
            if (!e)
                return nullptr;
            if (previous && !gst_element_link(previous, e)) {
                if (missing.empty())
                    missing = FormatText(Tr("GStreamer could not link %1$s to %2$s."),
                                         GST_ELEMENT_NAME(previous), GST_ELEMENT_NAME(e));
                return nullptr;
            }
            previous = e;
        }
        return *elements.begin();
    }
};

GstElement* CapsFilter(Pipeline& p, GstCaps* caps) {
    GstElement* f = p.Make("capsfilter");
    if (f)
        g_object_set(f, "caps", caps, nullptr);
    gst_caps_unref(caps);
    return f;
}

GstElement* Queue(Pipeline& p, bool unlimited) {
    GstElement* q = p.Make("queue");
    if (q && unlimited)
        g_object_set(q, "max-size-buffers", 0u, "max-size-bytes", 0u, "max-size-time", guint64{0},
                     nullptr);
    return q;
}

// The constant-quality levels of the exports, as high as keeps every screen of bench/export.sh
// at 38 dB luma PSNR or more (the scrolling page of text is the hardest), and a page of
// one-pixel text too once its first key picture has sharpened.
constexpr guint kH264Quality = 38;
constexpr int kVp9Quality = 44;
// Pictures between H.264 key frames (x264's own default): a key picture of a screen of text
// costs as much as several seconds of typing on it.
constexpr guint kH264KeyDistance = 250;

// The sound's rate and bit rate in the target. A voice stream (8 kHz) keeps its rate, at a bit
// rate that holds everything it carries; music is coded at 48 kHz (Opus takes nothing else)
// or its own rate (AAC).
struct SoundCoding {
    int rate = 48000;
    int bitsPerSecond = 0;
};
SoundCoding SoundCodingOf(const TranscodeJob& job, bool opus) {
    const bool voice = job.soundRate > 0 && job.soundRate <= 16000;
    const bool stereo = job.soundChannels != 1;
    SoundCoding c;
    if (voice)
        c.rate = job.soundRate == 8000 || job.soundRate == 16000 ? job.soundRate : 16000;
    else if (!opus && (job.soundRate == 44100 || job.soundRate == 48000))
        c.rate = job.soundRate;
    if (opus)
        c.bitsPerSecond = voice ? 16000 : stereo ? 96000 : 64000;
    else
        c.bitsPerSecond = voice ? 20000 : stereo ? 128000 : 64000;
    return c;
}

// The H.264 encoder, set for screen content: flat areas and sharp text, little motion.
GstElement* H264Encoder(Pipeline& p) {
    GstElement* e = p.Make("x264enc");
    if (!e)
        return nullptr;
    // The fastest preset with CABAC and 8x8 transforms back on: a High-profile stream that
    // browsers play, a seventh smaller on a scrolling page than the baseline the preset alone
    // gives. Constant quality without a bit-rate cap (no VBV buffer).
    gst_util_set_object_arg(G_OBJECT(e), "speed-preset", "ultrafast");
    gst_util_set_object_arg(G_OBJECT(e), "pass", "qual");
    g_object_set(e, "quantizer", kH264Quality, "cabac", TRUE, "key-int-max", kH264KeyDistance,
                 "threads", 2u, "option-string", "8x8dct=1:psy=0:aq-mode=0", "vbv-buf-capacity", 0u,
                 nullptr);
    return e;
}

// Pulls the picture waiting at `sink` and hands it, mapped, to `use` (which gives the flow's
// answer); an error when it cannot be read.
template <class Use> GstFlowReturn WithPicture(GstAppSink* sink, Use&& use) {
    GstSample* sample = gst_app_sink_pull_sample(sink);
    if (!sample)
        return GST_FLOW_EOS;
    GstFlowReturn result = GST_FLOW_ERROR;
    GstVideoInfo info;
    GstVideoFrame frame;
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    if (buffer && gst_video_info_from_caps(&info, gst_sample_get_caps(sample)) &&
        gst_video_frame_map(&frame, &info, buffer, GST_MAP_READ)) {
        result = use(frame, buffer);
        gst_video_frame_unmap(&frame);
    }
    gst_sample_unref(sample);
    return result;
}

// A raw picture for `Transcoder::onFrame`.
GstFlowReturn OnSample(GstAppSink* sink, gpointer data) {
    auto* p = static_cast<Pipeline*>(data);
    return WithPicture(sink, [p](const GstVideoFrame& frame, GstBuffer* buffer) {
        RawFrame f;
        f.pixels = static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0));
        f.width = GST_VIDEO_FRAME_WIDTH(&frame);
        f.height = GST_VIDEO_FRAME_HEIGHT(&frame);
        f.stride = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0);
        f.timeNs =
            GST_BUFFER_PTS_IS_VALID(buffer) ? static_cast<int64_t>(GST_BUFFER_PTS(buffer)) : 0;
        f.durationNs = GST_BUFFER_DURATION_IS_VALID(buffer)
                           ? static_cast<int64_t>(GST_BUFFER_DURATION(buffer))
                           : 0;
        if (p->owner->onFrame && !p->owner->onFrame(f)) {
            p->frameRefused = true;
            return GST_FLOW_ERROR;
        }
        return GST_FLOW_OK;
    });
}

// Hands a coded VP9 picture to the muxer's side of the pipeline (blocks while its queue is full).
bool PushCoded(Pipeline& p, const Vp9Encoder::Packet& packet) {
    GstBuffer* b = gst_buffer_new_memdup(packet.data, packet.size);
    GST_BUFFER_PTS(b) = GST_BUFFER_DTS(b) =
        gst_util_uint64_scale_int(static_cast<guint64>(packet.index), GST_SECOND, p.fps);
    GST_BUFFER_DURATION(b) = gst_util_uint64_scale_int(1, GST_SECOND, p.fps);
    if (!packet.key)
        GST_BUFFER_FLAG_SET(b, GST_BUFFER_FLAG_DELTA_UNIT);
    return gst_app_src_push_buffer(GST_APP_SRC(p.vp9Out), b) == GST_FLOW_OK;
}

// A 4:2:0 picture for the VP9 coder, on the picture branch's streaming thread.
GstFlowReturn OnPicture(GstAppSink* sink, gpointer data) {
    auto* p = static_cast<Pipeline*>(data);
    const GstFlowReturn result = WithPicture(sink, [p](const GstVideoFrame& frame,
                                                       GstBuffer* buffer) {
        const uint8_t* planes[3];
        int strides[3];
        for (guint i = 0; i < 3; ++i) {
            planes[i] = static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, i));
            strides[i] = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, i);
        }
        // The rate converter gives one picture a period: its number is its time over it.
        const int64_t index =
            GST_BUFFER_PTS_IS_VALID(buffer)
                ? std::llround(static_cast<double>(GST_BUFFER_PTS(buffer)) * p->fps / GST_SECOND)
                : 0;
        bool pushed = true;
        if (p->vp9->Encode(
                planes, strides, index,
                [&](const Vp9Encoder::Packet& packet) { return pushed = PushCoded(*p, packet); },
                &p->codingError))
            return GST_FLOW_OK;
        return pushed ? GST_FLOW_ERROR : GST_FLOW_FLUSHING; // flushing: the pipeline stops
    });
    if (result == GST_FLOW_ERROR && p->codingError.empty())
        p->codingError = Tr("A picture could not be read for the VP9 coder.");
    return result;
}

// The pictures have ended: what the coder holds, then the end of the coded stream.
void OnPicturesEnd(GstAppSink*, gpointer data) {
    auto* p = static_cast<Pipeline*>(data);
    // Ended even when the coder failed, so the pipeline stops; the run then reports the failure.
    p->vp9->Finish([&](const Vp9Encoder::Packet& packet) { return PushCoded(*p, packet); },
                   &p->codingError);
    gst_app_src_end_of_stream(GST_APP_SRC(p->vp9Out));
}

GstPadProbeReturn NoteTime(GstPad*, GstPadProbeInfo* info, gpointer data) {
    GstBuffer* b = GST_PAD_PROBE_INFO_BUFFER(info);
    if (b && GST_BUFFER_PTS_IS_VALID(b))
        static_cast<Pipeline*>(data)->reached = static_cast<int64_t>(GST_BUFFER_PTS(b));
    return GST_PAD_PROBE_OK;
}

// A decoded stream appeared: its pictures or sound go to their branch, anything else (and a
// second stream of a kind) nowhere.
void OnPadAdded(GstElement*, GstPad* pad, gpointer data) {
    auto* p = static_cast<Pipeline*>(data);
    GstCaps* caps = gst_pad_get_current_caps(pad);
    if (!caps)
        caps = gst_pad_query_caps(pad, nullptr);
    const char* name = caps && gst_caps_get_size(caps) > 0
                           ? gst_structure_get_name(gst_caps_get_structure(caps, 0))
                           : "";
    GstElement* to = std::strncmp(name, "video/", 6) == 0   ? p->videoIn
                     : std::strncmp(name, "audio/", 6) == 0 ? p->audioIn
                                                            : nullptr;
    if (caps)
        gst_caps_unref(caps);
    if (!to) {
        // A stream the target does not keep is read to its end and dropped (an unlinked one
        // would stop the decoder; a sink waiting for a stream that never comes would keep
        // the pipeline from its end).
        to = gst_element_factory_make("fakesink", nullptr);
        if (!to)
            return;
        g_object_set(to, "sync", FALSE, "async", FALSE, nullptr);
        gst_bin_add(GST_BIN(p->pipeline), to);
        gst_element_sync_state_with_parent(to);
    }
    GstPad* sink = gst_element_get_static_pad(to, "sink");
    if (sink && !gst_pad_is_linked(sink))
        gst_pad_link(pad, sink);
    if (sink)
        gst_object_unref(sink);
}

} // namespace

bool Transcoder::Run(const TranscodeJob& job, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error)
            *error = why;
        return false;
    };
    std::string why;
    if (!Initialise(&why))
        return fail(FormatText(Tr("GStreamer could not start: %s"), why.c_str()));
    Pipeline p;
    p.owner = this;
    p.pipeline = gst_pipeline_new("transcode");
    gst_object_ref_sink(p.pipeline);
    const bool frames = job.target == TranscodeTarget::Frames;
    const int fps = job.framesPerSecond > 0 ? job.framesPerSecond : 15;

    GstElement* source = p.Make("filesrc");
    GstElement* decode = p.Make("decodebin");
    if (!source || !decode)
        return fail(p.missing);
    g_object_set(source, "location", job.input.c_str(), nullptr);
    gst_element_link(source, decode);

    GstElement* mux = nullptr;
    if (!frames) {
        const bool webm = job.target == TranscodeTarget::WebM;
        mux = p.Make(webm ? "webmmux" : "mp4mux");
        GstElement* sink = p.Make("filesink");
        if (!mux || !sink)
            return fail(p.missing);
        if (!webm)
            g_object_set(mux, "faststart", TRUE, "faststart-file", job.mp4Scratch.c_str(), nullptr);
        // No sink waits for a first buffer before the pipeline plays: the WebM pictures reach
        // the file only after the app sink, which takes them only once playing, has coded them.
        g_object_set(sink, "location", job.output.c_str(), "async", FALSE, nullptr);
        gst_element_link(mux, sink);
    }

    if (job.video) {
        // Pictures: one rate, one size, 4:2:0 for the encoders (browsers play nothing else) or
        // the program's own 32-bit pixels.
        GstCaps* raw = gst_caps_new_simple(
            "video/x-raw", "format", G_TYPE_STRING, frames ? "BGRx" : "I420", "width", G_TYPE_INT,
            job.width, "height", G_TYPE_INT, job.height, "framerate", GST_TYPE_FRACTION, fps, 1,
            "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1, nullptr);
        // BT.601 whatever the size (GStreamer would take BT.709 for a large picture): what
        // players assume of an untagged stream, and what the 4:2:0 conversions of other tools give.
        if (!frames)
            gst_caps_set_simple(raw, "colorimetry", G_TYPE_STRING, "bt601", nullptr);
        GstElement* rate = p.Make("videorate");
        GstElement* convert = p.Make("videoconvert");
        GstElement* scale = p.Make("videoscale");
        GstElement* shape = CapsFilter(p, raw);
        if (convert)
            g_object_set(convert, "n-threads", 2u, nullptr);
        // Lanczos: a smaller picture keeps thin strokes of text (two-tap bilinear drops
        // every other line of pixels at half the size).
        if (scale) {
            g_object_set(scale, "n-threads", 2u, nullptr);
            gst_util_set_object_arg(G_OBJECT(scale), "method", "lanczos");
        }
        // Raw frames and the VP9 coder take the pictures at an app sink.
        auto appSink = [&](GstFlowReturn (*onSample)(GstAppSink*, gpointer),
                           void (*onEnd)(GstAppSink*, gpointer)) {
            GstElement* out = p.Make("appsink");
            if (out) {
                g_object_set(out, "sync", FALSE, "async", FALSE, "max-buffers", 2u,
                             "enable-last-sample", FALSE, nullptr);
                GstAppSinkCallbacks callbacks{};
                callbacks.new_sample = onSample;
                callbacks.eos = onEnd;
                gst_app_sink_set_callbacks(GST_APP_SINK(out), &callbacks, &p, nullptr);
            }
            return out;
        };
        if (frames) {
            p.videoIn = p.Chain(
                {Queue(p, false), rate, convert, scale, shape, appSink(&OnSample, nullptr)});
        } else if (job.target == TranscodeTarget::WebM) {
            p.fps = fps;
            p.vp9 = std::make_unique<Vp9Encoder>();
            std::string coder;
            if (!p.vp9->Open(job.width, job.height, fps, kVp9Quality, &coder))
                return fail(coder);
            p.vp9Out = p.Make("appsrc");
            GstElement* tail = Queue(p, true);
            if (p.vp9Out) {
                GstCaps* caps = gst_caps_new_simple(
                    "video/x-vp9", "width", G_TYPE_INT, job.width, "height", G_TYPE_INT, job.height,
                    "framerate", GST_TYPE_FRACTION, fps, 1, "pixel-aspect-ratio", GST_TYPE_FRACTION,
                    1, 1, "profile", G_TYPE_STRING, "0", "colorimetry", G_TYPE_STRING, "bt601",
                    nullptr);
                // A bounded queue: the coder waits while the muxer catches up.
                g_object_set(p.vp9Out, "caps", caps, "format", GST_FORMAT_TIME, "block", TRUE,
                             "max-bytes", guint64{16} << 20, nullptr);
                gst_caps_unref(caps);
            }
            p.videoIn = p.Chain({Queue(p, false), rate, convert, scale, shape,
                                 appSink(&OnPicture, &OnPicturesEnd)});
            if (p.videoIn && !(p.Chain({p.vp9Out, tail}) && gst_element_link(tail, mux)))
                p.videoIn = nullptr;
        } else {
            GstElement* encoder = H264Encoder(p);
            // H.264: the High profile, whatever the preset would choose.
            GstElement* profile = CapsFilter(
                p, gst_caps_new_simple("video/x-h264", "profile", G_TYPE_STRING, "high", nullptr));
            GstElement* tail = Queue(p, true);
            p.videoIn =
                p.Chain({Queue(p, false), rate, convert, scale, shape, encoder, profile, tail});
            if (p.videoIn && !gst_element_link(tail, mux))
                p.videoIn = nullptr;
        }
        if (!p.videoIn)
            return fail(p.missing.empty() ? Tr("The picture stream could not be set up.")
                                          : p.missing);
        GstPad* shaped = gst_element_get_static_pad(shape, "src");
        gst_pad_add_probe(shaped, GST_PAD_PROBE_TYPE_BUFFER, &NoteTime, &p, nullptr);
        gst_object_unref(shaped);
    }

    if (job.sound) {
        const bool webm = job.target == TranscodeTarget::WebM;
        const SoundCoding coding = SoundCodingOf(job, webm);
        GstElement* encoder = p.Make(webm ? "opusenc" : "avenc_aac");
        if (encoder)
            g_object_set(encoder, "bitrate", coding.bitsPerSecond, nullptr);
        GstElement* tail = Queue(p, true);
        GstElement* shape = CapsFilter(
            p, gst_caps_new_simple("audio/x-raw", "rate", G_TYPE_INT, coding.rate, nullptr));
        p.audioIn = p.Chain({Queue(p, true), p.Make("audioconvert"), p.Make("audioresample"), shape,
                             encoder, tail});
        if (!p.audioIn || !gst_element_link(tail, mux))
            return fail(p.missing.empty() ? Tr("The sound stream could not be set up.")
                                          : p.missing);
        if (!job.video) {
            GstPad* shaped = gst_element_get_static_pad(shape, "src");
            gst_pad_add_probe(shaped, GST_PAD_PROBE_TYPE_BUFFER, &NoteTime, &p, nullptr);
            gst_object_unref(shaped);
        }
    }
    g_signal_connect(decode, "pad-added", G_CALLBACK(&OnPadAdded), &p);
    g_signal_connect(decode, "no-more-pads", G_CALLBACK(+[](GstElement*, gpointer data) {
                         static_cast<Pipeline*>(data)->allShown = true;
                     }),
                     &p);
    p.videoWanted = job.video;
    p.audioWanted = job.sound;
    GstPad* decodeIn = gst_element_get_static_pad(decode, "sink");
    gst_pad_add_probe(
        decodeIn, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM,
        [](GstPad*, GstPadProbeInfo* info, gpointer data) {
            if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_EOS)
                static_cast<Pipeline*>(data)->sourceEnded = true;
            return GST_PAD_PROBE_OK;
        },
        &p, nullptr);
    gst_object_unref(decodeIn);

    GstBus* bus = gst_element_get_bus(p.pipeline);
    std::string failure;
    bool finished = false;
    if (gst_element_set_state(p.pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE)
        failure = Tr("The transcoding pipeline did not start.");
    gint64 endedAt = 0;
    while (!finished && !cancel_) {
        // Streams the file does not give: they would keep the muxer waiting for ever.
        if (p.sourceEnded && !endedAt)
            endedAt = g_get_monotonic_time();
        if (p.allShown || (endedAt && g_get_monotonic_time() - endedAt > G_USEC_PER_SEC)) {
            const std::string missing = p.MissingStream();
            if (!missing.empty()) {
                failure = missing;
                break;
            }
        }
        GstMessage* m = gst_bus_timed_pop_filtered(
            bus, 100 * GST_MSECOND,
            static_cast<GstMessageType>(GST_MESSAGE_ERROR | GST_MESSAGE_EOS));
        if (onProgress && p.reached >= 0)
            onProgress(p.reached);
        if (!m) {
            if (!failure.empty())
                break;
            continue;
        }
        if (GST_MESSAGE_TYPE(m) == GST_MESSAGE_EOS) {
            finished = true;
        } else {
            GError* e = nullptr;
            gchar* debug = nullptr;
            gst_message_parse_error(m, &e, &debug);
            failure = e && e->message ? e->message : Tr("unknown error");
            if (e)
                g_error_free(e);
            g_free(debug);
            gst_message_unref(m);
            break;
        }
        gst_message_unref(m);
    }
    gst_object_unref(bus);
    gst_element_set_state(p.pipeline, GST_STATE_NULL);
    if (cancel_)
        return fail("cancelled");
    if (p.frameRefused)
        return fail("");
    if (!p.codingError.empty())
        return fail(p.codingError);
    if (!finished)
        return fail(failure.empty() ? Tr("The transcoding stopped.") : failure);
    return true;
}

} // namespace tess::gst
