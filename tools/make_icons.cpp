// Build tool: writes the program's icon, drawn by resources/ui/Art.h, as PNG files of the
// installed icon theme's usual sizes: OUTDIR/hicolor/NxN/apps/tessaray.png.
#include "resources/ui/Art.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <wx/image.h>
#include <wx/init.h>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
        return 2;
    }
    wxInitializer init; // the base library only: no display is needed
    if (!init.IsOk())
        return 1;
    wxImage::AddHandler(new wxPNGHandler);
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const std::string n = std::to_string(size);
        const std::filesystem::path dir =
            std::filesystem::path(argv[1]) / "hicolor" / (n + "x" + n) / "apps";
        std::filesystem::create_directories(dir);
        const std::string file = (dir / "tessaray.png").string();
        if (!tess::ProgramIconImage(size).SaveFile(file, wxBITMAP_TYPE_PNG)) {
            std::fprintf(stderr, "cannot write %s\n", file.c_str());
            return 1;
        }
    }
    return 0;
}
