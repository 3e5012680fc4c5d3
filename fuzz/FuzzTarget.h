#pragma once
// One fuzz target per file. Built with libFuzzer (the fuzz build, clang) the macro defines
// LLVMFuzzerTestOneInput; in the ordinary builds every target registers itself with the
// replay program (ReplayMain.cpp), which runs the saved inputs through all of them.
#include <cstddef>
#include <cstdint>
#include <string>

namespace tess::fuzz {

using TargetFunction = int (*)(const uint8_t* data, size_t size);
bool RegisterTarget(const char* name, TargetFunction function);

// A directory of the process's own for targets whose readers take a path (made once,
// removed at exit).
const std::string& ScratchDirectory();
// Writes `data` to `path`, replacing it; false when it cannot be written.
bool WriteWholeFile(const std::string& path, const uint8_t* data, size_t size);

// Stops the run loudly: a property of the program that the input broke.
[[noreturn]] void Fail(const char* what);

} // namespace tess::fuzz

#if defined(TESS_LIBFUZZER)
#define TESS_FUZZ_TARGET(name)                                                                     \
    extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
#else
#define TESS_FUZZ_TARGET(name)                                                                     \
    static int FuzzTarget_##name(const uint8_t* data, size_t size);                                \
    [[maybe_unused]] static const bool kRegistered_##name =                                        \
        ::tess::fuzz::RegisterTarget(#name, FuzzTarget_##name);                                    \
    static int FuzzTarget_##name(const uint8_t* data, size_t size)
#endif
