// Entry point of the program: everything else starts in app/.
#include "app/App.h"

int main(int argc, char** argv) {
    return tess::RunProgram(argc, argv);
}
