#pragma once
// The mark-up editor from the command line, run by the window program (the launcher hands
// these on, as it links no toolkit):
//   tessaray --edit FILE|- [--output FILE]
//   tessaray --snapshot [target options] --edit
// FILE opens that picture ("-": one read from standard input). Save writes --output, else
// FILE, else a free name from the picture pattern, and prints the path; Copy leaves the picture
// on the clipboard after the program ends. Exit 0 when saved or copied, 1 when cancelled or
// failed, 2 for a mistake on the command line.
#include <iosfwd>

#include "app/CommandLine.h"

namespace tess {

class DesktopServices;

// True when the command line asks for the editor.
bool WantsEditCommand(const CommandLine& cl);

// Runs it with the loaded settings; the toolkit must be up. Returns the exit code.
int RunEditCommand(const CommandLine& cl, DesktopServices& desktop, std::istream& in,
                   std::ostream& out, std::ostream& err);

} // namespace tess
