#pragma once

namespace tess {

// Runs the program with its command line; returns the process exit code.
int RunProgram(int argc, char** argv);

} // namespace tess
