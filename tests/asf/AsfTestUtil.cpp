#include "asf/AsfTestUtil.h"

#include "media/asf/AsfReader.h"
#include "platform/FileIo.h"
#include "support/TestSupport.h"

#include <cmath>
#include <gtest/gtest.h>

#ifdef TESS_HAVE_GST
#include <gst/gst.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <numeric>

namespace tess::test {

void Picture::Fill(int32_t x0, int32_t y0, int32_t w, int32_t h, uint32_t rgb) {
    for (int32_t y = std::max(0, y0); y < std::min(height, y0 + h); ++y)
        for (int32_t x = std::max(0, x0); x < std::min(width, x0 + w); ++x) {
            uint8_t* p = at(x, y);
            p[0] = static_cast<uint8_t>(rgb);
            p[1] = static_cast<uint8_t>(rgb >> 8);
            p[2] = static_cast<uint8_t>(rgb >> 16);
            p[3] = 0;
        }
}

Picture MakePicture(int32_t width, int32_t height, uint32_t rgb) {
    Picture p;
    p.width = width;
    p.height = height;
    p.bgrx.assign(static_cast<size_t>(width) * height * 4, 0);
    p.Fill(0, 0, width, height, rgb);
    return p;
}

void DrawGlyph(Picture& p, int32_t x, int32_t y, char c, uint32_t rgb) {
    const uint32_t bits = static_cast<uint32_t>(c) * 2654435761u;
    for (int32_t gy = 0; gy < 10; ++gy)
        for (int32_t gx = 0; gx < 6; ++gx)
            if (gx < 5 && gy > 1 && gy < 9 && ((bits >> ((gx + gy * 5) % 31)) & 1))
                p.Fill(x + gx, y + gy, 1, 1, rgb);
}

Picture MakeDesktop(int32_t width, int32_t height, uint32_t seed) {
    Picture p = MakePicture(width, height, 0);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            uint8_t* q = p.at(x, y);
            q[0] = static_cast<uint8_t>(80 + y * 100 / std::max(1, height));
            q[1] = static_cast<uint8_t>(40 + x * 60 / std::max(1, width));
            q[2] = 30;
        }
    uint32_t s = seed * 7919 + 1;
    auto rnd = [&s](uint32_t n) {
        s = s * 1103515245 + 12345;
        return (s >> 8) % n;
    };
    for (int w = 0; w < 4; ++w) {
        const int32_t wx = static_cast<int32_t>(rnd(std::max(1, width / 2)));
        const int32_t wy = static_cast<int32_t>(rnd(std::max(1, height / 2)));
        const int32_t ww = width / 3, wh = height / 3;
        p.Fill(wx, wy, ww, 20, 0x3060A0);
        p.Fill(wx, wy + 20, ww, wh, 0xF0F0F0);
        for (int32_t ty = wy + 24; ty + 10 < wy + 20 + wh; ty += 12)
            for (int32_t tx = wx + 4; tx + 6 < wx + ww; tx += 6)
                if (rnd(7) != 0)
                    DrawGlyph(p, tx, ty, static_cast<char>('!' + rnd(90)), 0x101010);
    }
    return p;
}

void DrawCounter(Picture& p, int32_t x, int32_t y, int n) {
    const std::string digits = std::to_string(n);
    p.Fill(x, y, 6 * 6, 10, 0xFFFFFF);
    for (size_t i = 0; i < digits.size(); ++i)
        DrawGlyph(p, x + static_cast<int32_t>(i) * 6, y, digits[i], 0x000000);
}

void Change(Picture& p, int i) {
    const int32_t w = p.width, h = p.height;
    const int kind = i % 11;
    if (kind == 0) // new scene
        p = test::MakeDesktop(w, h, static_cast<uint32_t>(i));
    else if (kind == 1) // typing: one glyph
        test::DrawGlyph(p, 10 + (i % 30) * 6, 40, static_cast<char>('a' + i % 26), 0x102030);
    else if (kind == 2) // scroll up by 3 rows
        std::memmove(p.bgrx.data(), p.bgrx.data() + w * 4 * 3, (h - 3) * w * 4);
    else if (kind == 3) // the bottom row only (a rectangle touching the decoder's row 0)
        p.Fill(0, h - 1, w, 1, 0xFF00FF);
    else if (kind == 4) // top-left pixel only
        p.Fill(0, 0, 1, 1, static_cast<uint32_t>(i * 12345));
    else if (kind == 6) // a long flat area crossing many rows (5: nothing changes)
        p.Fill(0, 30, w, 50, 0x00FF00);
    else if (kind == 7) // noise: literals everywhere
        for (size_t k = 0; k < p.bgrx.size(); ++k)
            p.bgrx[k] = static_cast<uint8_t>((k * 2654435761u + i) >> 13);
    else if (kind == 8) { // two distant changes (sparse rectangle with skips)
        p.Fill(3, 5, 2, 2, 0xFFFFFF);
        p.Fill(w - 4, h - 6, 3, 2, 0x0000FF);
    } else if (kind == 9) // vertical stripes (copy-from-below runs)
        for (int32_t x = 0; x < w; x += 2)
            p.Fill(x, 10, 1, 60, 0x808080);
    else if (kind == 10) // right-edge column
        p.Fill(w - 1, 0, 1, h, 0x123456);
}

std::vector<uint16_t> To555(const Picture& p, int32_t width, int32_t height) {
    std::vector<uint16_t> out(static_cast<size_t>(width) * height, 0);
    for (int32_t y = 0; y < std::min(height, p.height); ++y)
        for (int32_t x = 0; x < std::min(width, p.width); ++x) {
            const uint8_t* q = &p.bgrx[(static_cast<size_t>(y) * p.width + x) * 4];
            out[static_cast<size_t>(y) * width + x] =
                static_cast<uint16_t>(((q[2] >> 3) << 10) | ((q[1] >> 3) << 5) | (q[0] >> 3));
        }
    return out;
}

namespace {

// 15-bit pixels in 16-bit little-endian words, the top bit cleared.
std::vector<uint16_t> Words555(const std::string& bytes) {
    std::vector<uint16_t> out(bytes.size() / 2);
    std::memcpy(out.data(), bytes.data(), out.size() * 2);
    for (auto& v : out)
        v &= 0x7FFF;
    return out;
}

} // namespace

bool DecodeVideo555(const std::string& file, int32_t width, int32_t height,
                    std::vector<std::vector<uint16_t>>& frames, std::string* log) {
    std::string data;
    const std::string errFile = file + ".ffmpeg.log";
    const bool ok =
        RunCommand("ffmpeg -v error -nostdin -i '" + file +
                       "' -map 0:v:0 -fps_mode passthrough -f rawvideo -pix_fmt rgb555le - 2>'" +
                       errFile + "'",
                   &data) == 0;
    if (log)
        *log = ReadWholeFile(errFile).value_or("");
    const size_t frameBytes = static_cast<size_t>(width) * height * 2;
    frames.clear();
    for (size_t off = 0; off + frameBytes <= data.size(); off += frameBytes)
        frames.push_back(Words555(data.substr(off, frameBytes)));
    return ok;
}

bool DecodeAudioAt(const std::string& file, int rate, int channels, std::vector<int16_t>& samples) {
    std::string data;
    const bool ok =
        RunCommand("ffmpeg -v error -nostdin -i '" + file + "' -map 0:a:0 -f s16le -ac " +
                       std::to_string(channels) + " -ar " + std::to_string(rate) + " - 2>/dev/null",
                   &data) == 0;
    samples.resize(data.size() / 2);
    std::memcpy(samples.data(), data.data(), samples.size() * 2);
    return ok;
}

bool GStreamerDecodeAudio(const std::string& file, int rate, std::vector<int16_t>& samples,
                          std::string* error) {
    if (!HaveProgram("gst-launch-1.0")) {
        *error = "gst-launch-1.0 is not installed (gstreamer1.0-tools)";
        return false;
    }
    const std::string raw = file + ".gst.raw";
    std::string log;
    const int rc = RunCommand("timeout 60 gst-launch-1.0 -q filesrc location='" + file +
                                  "' ! decodebin ! audioconvert ! audioresample ! "
                                  "audio/x-raw,format=S16LE,channels=1,rate=" +
                                  std::to_string(rate) + " ! filesink location='" + raw + "' 2>&1",
                              &log);
    const std::string data = ReadWholeFile(raw).value_or("");
    std::remove(raw.c_str());
    if (rc != 0) {
        *error = log;
        return false;
    }
    samples.resize(data.size() / 2);
    std::memcpy(samples.data(), data.data(), samples.size() * 2);
    return true;
}

double SineLevel(const std::vector<int16_t>& s, int rate, double hz, size_t from, size_t to,
                 double* sinadDb) {
    to = std::min(to, s.size());
    if (from >= to)
        return 0;
    // Least-squares fit of a sine and a cosine at `hz` (and the mean).
    const double mean =
        std::accumulate(s.begin() + from, s.begin() + to, 0.0) / static_cast<double>(to - from);
    double ss = 0, cc = 0, sc = 0, ys = 0, yc = 0, total = 0;
    for (size_t i = from; i < to; ++i) {
        const double ph = 2 * 3.14159265358979323846 * hz * static_cast<double>(i) / rate;
        const double si = std::sin(ph), co = std::cos(ph), y = (s[i] - mean) / 32768.0;
        ss += si * si;
        cc += co * co;
        sc += si * co;
        ys += y * si;
        yc += y * co;
        total += y * y;
    }
    const double det = ss * cc - sc * sc;
    const double a = (ys * cc - yc * sc) / det, b = (yc * ss - ys * sc) / det;
    double rest = 0;
    for (size_t i = from; i < to; ++i) {
        const double ph = 2 * 3.14159265358979323846 * hz * static_cast<double>(i) / rate;
        const double r = (s[i] - mean) / 32768.0 - a * std::sin(ph) - b * std::cos(ph);
        rest += r * r;
    }
    if (sinadDb)
        *sinadDb = 10 * std::log10(total / std::max(rest, 1e-20));
    return std::hypot(a, b);
}

std::string Probe(const std::string& file, const std::string& entries) {
    std::string out;
    RunCommand("ffprobe -v error -show_entries '" + entries + "' -of default=nw=1 '" + file + "'",
               &out);
    return out;
}

std::vector<uint16_t> FfmpegFrameAt(const std::string& file, const std::string& seconds) {
    std::string data;
    RunCommand("ffmpeg -v error -nostdin -ss " + seconds + " -i '" + file +
                   "' -frames:v 1 -f rawvideo -pix_fmt rgb555le - 2>/dev/null",
               &data);
    return Words555(data);
}

void ExpectDecodesTo(const std::string& path, int32_t w, int32_t h,
                     const std::vector<Picture>& pictures) {
    std::vector<std::vector<uint16_t>> frames;
    std::string log;
    ASSERT_TRUE(test::DecodeVideo555(path, w, h, frames, &log)) << log;
    ASSERT_EQ(frames.size(), pictures.size()) << log;
    for (size_t i = 0; i < pictures.size(); ++i) {
        const std::vector<uint16_t> want = test::To555(pictures[i], w, h);
        const size_t bad = std::inner_product(want.begin(), want.end(), frames[i].begin(),
                                              size_t{0}, std::plus<>(), std::not_equal_to<>());
        const size_t first =
            std::mismatch(want.begin(), want.end(), frames[i].begin()).first - want.begin();
        EXPECT_EQ(bad, 0u) << "frame " << i << " first bad pixel at x=" << first % w
                           << " y=" << first / w;
    }
}

std::vector<uint32_t> KeyFrameTimes(const std::string& file, uint64_t* laterBytes) {
    std::vector<uint32_t> times;
    asf::AsfReader reader;
    std::vector<asf::ObjectDesc> objects;
    EXPECT_TRUE(reader.Open(file) && reader.ReadObjects(objects)) << file;
    for (const auto& o : objects) {
        if (o.stream == 1 && o.keyFrame)
            times.push_back(o.timeMs);
        if (laterBytes && o.stream == 1 && o.timeMs != 0)
            *laterBytes += o.size;
    }
    return times;
}

#ifdef TESS_HAVE_GST
namespace {

// The seek itself, in a child process, so GStreamer's threads and state never live in the
// test process. Returns why it failed, or writes the frame in 15-bit words to `out`.
std::string SeekAndTake(const std::string& file, double seconds, int32_t width, int32_t height,
                        const std::string& out) {
    gst_init(nullptr, nullptr);
    GstElement* pipeline =
        gst_parse_launch(("filesrc location=\"" + file +
                          "\" ! decodebin ! videoconvert ! video/x-raw,format=RGB ! "
                          "fakesink name=sink enable-last-sample=true sync=false")
                             .c_str(),
                         nullptr);
    if (!pipeline)
        return "no pipeline";
    GstBus* bus = gst_element_get_bus(pipeline);
    // Waits for the pipeline to settle after a state change or a seek.
    auto settled = [bus] {
        GstMessage* m = gst_bus_timed_pop_filtered(
            bus, 20 * GST_SECOND,
            static_cast<GstMessageType>(GST_MESSAGE_ASYNC_DONE | GST_MESSAGE_ERROR));
        const bool done = m && GST_MESSAGE_TYPE(m) == GST_MESSAGE_ASYNC_DONE;
        if (m)
            gst_message_unref(m);
        return done;
    };
    gst_element_set_state(pipeline, GST_STATE_PAUSED);
    if (!settled() ||
        !gst_element_seek_simple(
            pipeline, GST_FORMAT_TIME,
            static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
            static_cast<gint64>(seconds * GST_SECOND)) ||
        !settled())
        return "the pipeline failed to pause or to seek";
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
    GstSample* sample = nullptr;
    g_object_get(sink, "last-sample", &sample, nullptr);
    GstBuffer* buf = sample ? gst_sample_get_buffer(sample) : nullptr;
    GstMapInfo map;
    if (!buf || !gst_buffer_map(buf, &map, GST_MAP_READ))
        return "no frame after the seek";
    // RGB rows padded to four bytes.
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
    if (map.size < stride * static_cast<size_t>(height))
        return "short frame";
    std::vector<uint16_t> frame;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t* q = map.data + y * stride + static_cast<size_t>(x) * 3;
            frame.push_back(
                static_cast<uint16_t>(((q[0] >> 3) << 10) | ((q[1] >> 3) << 5) | (q[2] >> 3)));
        }
    std::ofstream(out, std::ios::binary)
        .write(reinterpret_cast<const char*>(frame.data()),
               static_cast<std::streamsize>(frame.size() * 2));
    return "";
}

} // namespace

bool GStreamerFrameAt(const std::string& file, double seconds, int32_t width, int32_t height,
                      std::vector<uint16_t>& frame, std::string* error) {
    const std::string out = file + ".gst-frame";
    const pid_t child = fork();
    if (child == 0) {
        const std::string why = SeekAndTake(file, seconds, width, height, out);
        if (!why.empty())
            std::ofstream(out) << why;
        _exit(why.empty() ? 0 : 1);
    }
    int status = -1;
    if (child < 0 || waitpid(child, &status, 0) != child)
        status = -1;
    const std::string data = ReadWholeFile(out).value_or("the GStreamer child failed");
    std::remove(out.c_str());
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 ||
        data.size() != static_cast<size_t>(width) * height * 2) {
        if (error)
            *error = data;
        return false;
    }
    frame = Words555(data);
    return true;
}
#else
bool GStreamerFrameAt(const std::string&, double, int32_t, int32_t, std::vector<uint16_t>&,
                      std::string* error) {
    if (error)
        *error = "built without GStreamer";
    return false;
}
#endif

} // namespace tess::test
