#include "app/Headless.h"

namespace tess {

std::optional<int> RunHeadlessCommand(const CommandLine& cl, int argc, char** argv) {
    (void)cl;
    (void)argc;
    (void)argv;
    return std::nullopt;
}

} // namespace tess
