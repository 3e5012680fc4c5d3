#include "playback/PlaybackSupport.h"

#include <cstdlib>
#include <filesystem>

namespace tess::test {

const std::string& MediaDir() {
    static TempDir* dir = new TempDir(); // kept for the whole run
    static const std::string path = dir->str();
    return path;
}

namespace {

std::string Record(const std::string& name, const std::string& options, std::string* why) {
    const std::string path = MediaDir() + "/" + name;
    std::string out;
    int rc = RunCommand(
        "'" + ProgramPath() + "' --record " + options + " --output '" + path + "' 2>&1", &out);
    if (rc != 0 || !std::filesystem::exists(path)) {
        if (why)
            *why = out;
        return "";
    }
    return path;
}

} // namespace

const std::string& TestRecording(std::string* why) {
    static std::string reason;
    static const std::string path = [] {
        if (ProgramPath().empty() || !HaveDisplay()) {
            reason = "needs the program and an X display";
            return std::string();
        }
        // Four seconds of the screen with sound where a sound server answers, else without.
        std::string p = Record("rec.wmv", "--seconds 4 --audio", &reason);
        if (p.empty())
            p = Record("rec.wmv", "--seconds 4", &reason);
        return p;
    }();
    if (why)
        *why = reason;
    return path;
}

const std::string& TestSoundRecording() {
    static const std::string path = [] {
        if (ProgramPath().empty())
            return std::string();
        return Record("voice.wma", "--seconds 2 --audio", nullptr);
    }();
    return path;
}

const std::string& TestWave() {
    static const std::string path = [] {
        const std::string p = MediaDir() + "/tone.wav";
        if (!HaveProgram("sox") ||
            RunCommand("sox -n -r 22050 -c 1 '" + p + "' synth 1.5 sine 440 2>&1") != 0)
            return std::string();
        return p;
    }();
    return path;
}

double ProbeDuration(const std::string& path) {
    std::string out;
    if (RunCommand("ffprobe -v error -show_entries format=duration -of csv=p=0 '" + path + "'",
                   &out) != 0)
        return -1;
    return out.empty() ? -1 : std::atof(out.c_str());
}

} // namespace tess::test
