// The `tessaray` executable: the launcher. It runs a command-line snapshot itself and hands
// everything else to the window program (app/Launcher.h).
#include "app/Launcher.h"

int main(int argc, char** argv) {
    return tess::RunLauncher(argc, argv);
}
