#pragma once
// Media files for the playback tests, made once per run: a short recording made by the
// program itself (screen and, where a sound server runs, sound), a sound-only recording and
// a WAV file.
#include "support/TestSupport.h"

#include <string>

namespace tess::test {

// The recording's path; empty (with the reason in `why`) when it could not be made.
const std::string& TestRecording(std::string* why = nullptr);
// A sound-only ".wma" recording made by the program; empty without a sound server.
const std::string& TestSoundRecording();
// A 1.5-s ".wav" tone; empty without sox.
const std::string& TestWave();
// The directory holding them.
const std::string& MediaDir();
// A media file's duration in seconds as ffprobe reads it; -1 when it cannot.
double ProbeDuration(const std::string& path);

} // namespace tess::test

#include "app/AppTestSupport.h"

