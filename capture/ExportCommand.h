#pragma once
// The command-line export and trim of a recording:
//   tessaray --export IN --output OUT [--format webm|mp4|gif] [--fps N] [--scale 50|100]
//            [--from T] [--to T]
//   tessaray --trim IN --output OUT [--from T] [--to T] [--cut T1-T2]...
// The export's format follows OUT's extension unless --format names it; a trimmed copy keeps
// the recording's (.wmv or .wma). Times are seconds ("12.5") or [hh:]mm:ss[.mmm]. A progress
// line goes to standard error when it is a terminal; SIGINT or SIGTERM cancels (no file is
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

bool WantsTrimCommand(const std::vector<std::pair<std::string, std::string>>& longOptions);

// `progress`: write the progress line to `err`. `stop`, when given, cancels like a signal
// does (tests).
int RunExportCommand(const std::vector<std::pair<std::string, std::string>>& longOptions,
                     std::ostream& out, std::ostream& err, bool progress,
                     const std::atomic<bool>* stop = nullptr);
int RunTrimCommand(const std::vector<std::pair<std::string, std::string>>& longOptions,
                   std::ostream& out, std::ostream& err, bool progress,
                   const std::atomic<bool>* stop = nullptr);

} // namespace tess
