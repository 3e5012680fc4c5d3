#include "support/TestSupport.h"

#include <array>
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

} // namespace tess::test
