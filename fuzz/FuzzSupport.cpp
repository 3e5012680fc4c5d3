#include "fuzz/FuzzTarget.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace tess::fuzz {

namespace {

struct Scratch {
    std::string path;
    Scratch() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tess-fuzz.XXXXXX";
        if (!mkdtemp(pattern.data()))
            Fail("cannot make a scratch directory");
        path = pattern;
    }
    ~Scratch() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

} // namespace

const std::string& ScratchDirectory() {
    static Scratch scratch;
    return scratch.path;
}

bool WriteWholeFile(const std::string& path, const uint8_t* data, size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

void Fail(const char* what) {
    std::fprintf(stderr, "fuzz target: %s\n", what);
    std::fflush(stderr);
    std::abort();
}

} // namespace tess::fuzz
