#pragma once
// The command-line export of a recording:
//   tessaray --export IN --output OUT [--format webm|mp4|gif] [--fps N] [--scale 50|100]
// The format follows OUT's extension unless --format names it. A progress line goes to
// standard error when it is a terminal; SIGINT or SIGTERM cancels the export (no file is
// left). Prints OUT's path when it is written. Needs no display.
#include <atomic>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace tess {

inline constexpr int kExportExitOk = 0;
inline constexpr int kExportExitFailed = 1;
inline constexpr int kExportExitUsage = 2;

bool WantsExportCommand(const std::vector<std::pair<std::string, std::string>>& longOptions);

// `progress`: write the progress line to `err`. `stop`, when given, cancels like a signal
// does (tests).
int RunExportCommand(const std::vector<std::pair<std::string, std::string>>& longOptions,
                     std::ostream& out, std::ostream& err, bool progress,
                     const std::atomic<bool>* stop = nullptr);

} // namespace tess
