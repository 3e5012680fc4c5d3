#pragma once
// `tessaray --control record|stop|pause|resume|snapshot`: asks the running window program
// (platform/ControlService.h) to do what the menu command does and waits for its answer. Runs
// in the launcher: the bus library is loaded only for this command, so the launcher's other
// commands load no more libraries than before.
#include <optional>
#include <ostream>

#include "app/CommandLine.h"

namespace tess {

// Exit status when no window program answers (none runs, or there is no session bus).
inline constexpr int kNoWindowProgramExitCode = 3;

// None when the command line has no --control; else the exit status: 0 done (a file's path
// on `out`), 1 refused, busy with another request or failed (why on `err`), 2 a request it
// does not know or --control given more than once (with the usage line),
// kNoWindowProgramExitCode when no window program runs.
std::optional<int> RunControlFromCommandLine(const CommandLine& cl, std::ostream& out,
                                             std::ostream& err);

} // namespace tess
