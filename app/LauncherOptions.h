#pragma once
// The launcher's own answers to the command-line conventions: "--help" (the usage on
// standard output, exit 0), "--version" (name and version, exit 0) and a long option the
// program does not know (the usage on standard error, exit 2). None of them needs the
// toolkit, so the launcher answers them before handing over to the window program.
#include "app/CommandLine.h"

#include <optional>
#include <ostream>
#include <string>

namespace tess {

inline constexpr int kUsageExitCode = 2;

// The usage text: the start-up switches, `tessaray FILE`, the windowless commands and their
// options, in the user's language.
std::string UsageText();

// "tessaray VERSION".
std::string VersionText();

// True for every long option some part of the program reads.
bool IsKnownLongOption(const std::string& name);

// Answers "--help", "--version" or an unknown long option, whichever comes first on the
// command line, and returns the exit code; nothing when the command line holds none of them.
// With "--snapshot" or "--record" an unknown option is left to the command, which names
// the options it takes.
std::optional<int> AnswerInformationalOptions(const CommandLine& cl, std::ostream& out,
                                              std::ostream& err);

} // namespace tess
