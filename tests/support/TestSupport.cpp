#include "support/TestSupport.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <random>
#include <sys/wait.h>

namespace tess::test {

TempDir::TempDir() {
    std::random_device rd;
    auto base = std::filesystem::temp_directory_path();
    for (;;) {
        auto candidate = base / ("tess-test-" + std::to_string(rd()));
        std::error_code ec;
        if (std::filesystem::create_directory(candidate, ec)) {
            path_ = candidate;
            return;
        }
    }
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string ProgramPath() {
    const char* p = std::getenv("TESS_BINARY");
    if (p && *p)
        return p;
    return std::string(TESS_BINARY_DIR) + "/tessaray";
}

bool HaveDisplay() {
    const char* d = std::getenv("DISPLAY");
    return d && *d;
}

int RunCommand(const std::string& cmd, std::string* out) {
    FILE* f = popen(cmd.c_str(), "r");
    if (!f)
        return -1;
    std::array<char, 4096> buf;
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), f)) > 0)
        if (out)
            out->append(buf.data(), n);
    int st = pclose(f);
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

bool HaveProgram(const std::string& name) {
    return RunCommand("command -v " + name + " >/dev/null 2>&1") == 0;
}

std::vector<uint32_t> ReadPixels(const std::string& file, int* w, int* h) {
    std::string size;
    if (RunCommand("identify -format '%w %h' '" + file + "' 2>/dev/null", &size) != 0)
        return {};
    if (std::sscanf(size.c_str(), "%d %d", w, h) != 2)
        return {};
    std::string raw;
    RunCommand("convert '" + file + "' -depth 8 rgb:- 2>/dev/null", &raw);
    if (raw.size() != static_cast<size_t>(*w) * *h * 3)
        return {};
    std::vector<uint32_t> out(raw.size() / 3);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<uint32_t>(static_cast<uint8_t>(raw[i * 3])) << 16 |
                 static_cast<uint32_t>(static_cast<uint8_t>(raw[i * 3 + 1])) << 8 |
                 static_cast<uint8_t>(raw[i * 3 + 2]);
    return out;
}

double PeakHz(const std::vector<int16_t>& s, int rate, size_t from, size_t to) {
    to = std::min(to, s.size());
    double best = 0, bestHz = 0;
    for (int hz = 50; hz <= 5000; hz += 10) {
        // Goertzel's recurrence for the power at `hz`.
        const double k = 2 * std::cos(2 * 3.14159265358979323846 * hz / rate);
        double s1 = 0, s2 = 0;
        for (size_t i = from; i < to; ++i) {
            const double v = s[i] + k * s1 - s2;
            s2 = s1;
            s1 = v;
        }
        const double power = s1 * s1 + s2 * s2 - k * s1 * s2;
        if (power > best) {
            best = power;
            bestHz = hz;
        }
    }
    return bestHz;
}

} // namespace tess::test
