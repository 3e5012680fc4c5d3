#pragma once
// Helpers shared by the test programs.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace tess::test {

// A fresh, empty directory under the test's temporary area, removed by the destructor.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }

private:
    std::filesystem::path path_;
};

// Path of the built program (set by CTest), empty when unknown.
std::string ProgramPath();

// True when an X display is reachable; GUI tests skip with a message otherwise.
bool HaveDisplay();

// Runs a shell command, returns its exit status and fills `out` with its standard output.
int RunCommand(const std::string& cmd, std::string* out = nullptr);

// True when `name` is found on PATH.
bool HaveProgram(const std::string& name);

// Pixels (0x00RRGGBB) of a picture file as an independent reader, ImageMagick, sees them;
// empty when it cannot read the file.
std::vector<uint32_t> ReadPixels(const std::string& file, int* w, int* h);

// The frequency (Hz, 10 Hz steps from 50 Hz to 5 kHz) with the most energy in samples
// [from, to) of mono `s` at `rate`.
double PeakHz(const std::vector<int16_t>& s, int rate, size_t from, size_t to);

} // namespace tess::test
