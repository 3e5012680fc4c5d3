#pragma once
// Media files for the playback tests, made once per run in one directory: a short recording
// made by the program itself (screen and, where a sound server runs, sound), a sound-only
// recording and a WAV file. Each is empty when it could not be made.
#include "app/AppTestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <string>

namespace tess::test {

inline const std::string& MediaDir() {
    static TempDir* dir = new TempDir(); // kept for the whole run
    static const std::string path = dir->str();
    return path;
}

// `tessaray --record OPTIONS` into MediaDir()/NAME; empty (with the reason in `why`) when it
// failed.
inline std::string RecordMedia(const std::string& name, const std::string& options,
                               std::string* why = nullptr) {
    const std::string path = MediaDir() + "/" + name;
    std::string out;
    if (ProgramPath().empty() ||
        RunCommand("'" + ProgramPath() + "' --record " + options + " --output '" + path + "' 2>&1",
                   &out) != 0 ||
        !std::filesystem::exists(path)) {
        if (why)
            *why = ProgramPath().empty() ? "needs the program" : out;
        return "";
    }
    return path;
}

// Four seconds of the screen with sound where a sound server answers, else without.
inline const std::string& TestRecording(std::string* why = nullptr) {
    static std::string reason = "needs an X display";
    static const std::string path = [] {
        if (!HaveDisplay())
            return std::string();
        std::string p = RecordMedia("rec.wmv", "--seconds 4 --audio", &reason);
        return p.empty() ? RecordMedia("rec.wmv", "--seconds 4", &reason) : p;
    }();
    if (why)
        *why = reason;
    return path;
}

// A sound-only ".wma" recording made by the program (needs a sound server).
inline const std::string& TestSoundRecording() {
    static const std::string path = RecordMedia("voice.wma", "--seconds 2 --audio");
    return path;
}

// A 1.5-s ".wav" tone (needs sox).
inline const std::string& TestWave() {
    static const std::string path = [] {
        const std::string p = MediaDir() + "/tone.wav";
        return HaveProgram("sox") &&
                       RunCommand("sox -n -r 22050 -c 1 '" + p + "' synth 1.5 sine 440 2>&1") == 0
                   ? p
                   : std::string();
    }();
    return path;
}

// A media file's duration in seconds as ffprobe reads it; -1 when it cannot.
inline double ProbeDuration(const std::string& path) {
    std::string out;
    if (RunCommand("ffprobe -v error -show_entries format=duration -of csv=p=0 '" + path + "'",
                   &out) != 0)
        return -1;
    return out.empty() ? -1 : std::atof(out.c_str());
}

} // namespace tess::test
