// Writes the recording bench/trim.sh trims, without a screen or a clock: a 1920 x 1080 desktop
// (bench/DesktopPicture.h) at 15 frames a second whose clock and a line of typing change every
// frame, with the voice stream (a 440 Hz tone) or, with "music", the 48 kHz stereo MP3 stream.
//   bench_trim_source OUT.wmv MINUTES [voice|music]
#include "DesktopPicture.h"
#include "media/WMFile.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUT.wmv MINUTES [voice|music]\n", argv[0]);
        return 2;
    }
    using namespace tess;
    const int minutes = std::atoi(argv[2]), fps = 15, w = 1920, h = 1080;
    const bool music = argc > 3 && std::string(argv[3]) == "music";
    const int rate = music ? 48000 : 8000, channels = music ? 2 : 1;
    std::unique_ptr<MemBm> picture = bench::MakeDesktopPicture(w, h);
    MemBm& desktop = *picture;
    WMFile f(argv[1], "", fps, 2000, w, h, -1);
    if (!f.Open() || (music ? f.AddMusicStream(rate, 2, 128000) : f.AddAudioStream()) != 0) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    std::vector<int16_t> second(static_cast<size_t>(rate) * channels);
    for (size_t i = 0; i < second.size(); ++i)
        second[i] = static_cast<int16_t>(6000 * std::sin(2 * M_PI * 440.0 * (i / channels) / rate));
    for (int i = 0; i < minutes * 60 * fps; ++i) {
        // The clock: a box whose shade follows the frame number; the typing: one more block.
        uint8_t* bits = desktop.bits();
        for (int y = 1040; y < 1060; ++y)
            for (int x = 1800; x < 1880; ++x)
                bits[static_cast<size_t>(y) * desktop.stride() + x * 4 + 1] =
                    static_cast<uint8_t>(i * 7);
        const int col = i % 120, row = i / 120 % 40;
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 6; ++x)
                bits[static_cast<size_t>(200 + row * 12 + y) * desktop.stride() +
                     (300 + col * 7 + x) * 4] = static_cast<uint8_t>(i);
        if (f.AddFrame(bits, w, h, desktop.stride(), i * 10000000LL / fps, false) != 0)
            return 1;
        if (i % fps == 0)
            f.WriteAudio(second.data(), second.size() * 2);
    }
    return f.Close() ? 0 : 1;
}
