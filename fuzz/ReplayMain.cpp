// Runs saved inputs through the fuzz targets without libFuzzer, in the ordinary builds (so
// the sanitizer build checks every seed and every input that once broke a reader):
//   tess_fuzz_replay DIR
// where DIR holds one folder per target (corpus/NAME, regressions/NAME). Targets without a
// folder are skipped; a folder without a target is an error.
#include "fuzz/FuzzTarget.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <vector>

namespace tess::fuzz {

static std::map<std::string, TargetFunction>& Targets() {
    static std::map<std::string, TargetFunction> targets;
    return targets;
}

bool RegisterTarget(const char* name, TargetFunction function) {
    Targets()[name] = function;
    return true;
}

} // namespace tess::fuzz

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    using tess::fuzz::Targets;
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s DIR...\n", argv[0]);
        return 2;
    }
    size_t inputs = 0;
    for (int a = 1; a < argc; ++a) {
        std::error_code ec;
        for (const auto& folder : fs::directory_iterator(argv[a], ec)) {
            if (!folder.is_directory())
                continue;
            std::string name = folder.path().filename().string();
            auto target = Targets().find(name);
            if (target == Targets().end()) {
                std::fprintf(stderr, "no fuzz target named %s\n", name.c_str());
                return 1;
            }
            std::vector<fs::path> files;
            for (const auto& entry : fs::directory_iterator(folder.path()))
                if (entry.is_regular_file())
                    files.push_back(entry.path());
            std::sort(files.begin(), files.end());
            for (const auto& file : files) {
                std::ifstream in(file, std::ios::binary);
                std::vector<uint8_t> data{std::istreambuf_iterator<char>(in),
                                          std::istreambuf_iterator<char>()};
                target->second(data.data(), data.size());
                ++inputs;
            }
        }
        if (ec) {
            std::fprintf(stderr, "cannot read %s\n", argv[a]);
            return 1;
        }
    }
    std::printf("%zu inputs replayed through %zu targets\n", inputs, Targets().size());
    return 0;
}
