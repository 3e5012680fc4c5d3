// The `tessaray-window` executable: the window program, its switches and the windowless
// commands; started by the launcher (main.cpp) with the user's arguments.
#include "app/App.h"

int main(int argc, char** argv) {
    return tess::RunProgram(argc, argv);
}
