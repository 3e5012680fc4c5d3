// Writes the ASF seeds of the reader and editor targets with the program's own writer:
//   fuzz_make_asf_seeds DIR
// a short video-only file, a short one with sound and a timecode, and a sound-only ".wma".
// Small pictures and a fixed clock keep them a few packets long and the same at every run.
#include <cstdio>
#include <string>
#include <vector>

#include "media/WMFile.h"

namespace {

bool Write(const std::string& path, bool video, bool sound, int frames) {
    tess::WMFile file(path, "", 10, 100000, video ? 32 : 0, video ? 24 : 0, -1);
    int64_t now = 0;
    file.SetClock([&now] { return now; });
    if (!file.Open() || (sound && file.AddAudioStream() != 0))
        return false;
    std::vector<uint8_t> picture(32 * 24 * 4);
    std::vector<int16_t> pcm(800);
    for (int i = 0; i < frames; ++i) {
        now = i * 1000000LL;
        for (size_t k = 0; k < picture.size(); ++k)
            picture[k] = static_cast<uint8_t>((k * 7 + i * 40) & 0xF8);
        if (video && file.AddFrame(picture.data(), 32, 24, 32 * 4, now + 1, i == 0) != 0)
            return false;
        for (size_t k = 0; k < pcm.size(); ++k)
            pcm[k] = static_cast<int16_t>(((k + i) % 20 < 10) ? 8000 : -8000);
        if (sound)
            file.WriteAudio(pcm.data(), pcm.size() * 2);
    }
    if (sound)
        file.SetAttribute("quorvanta timecode", "00:00:01.000 seed\r\n");
    return file.Close();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    bool ok = Write(dir + "/video.wmv", true, false, 4) &&
              Write(dir + "/sound.wmv", true, true, 3) && Write(dir + "/voice.wma", false, true, 3);
    return ok ? 0 : 1;
}
