#pragma once
// The picture editor of the program run as a command (--edit FILE, --snapshot --edit), driven
// from outside as a user drives it: real pointer and key events (xdotool) at the place where
// the picture shows on the screen, found in a picture of the screen. Used on the suite's X
// server and on the Wayland desktop's Xwayland (where grim reads the screen).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/FileIo.h"
#include "support/TestSupport.h"

namespace tess::test {

struct EditorRun {
    int exitCode = -1; // -1: the editor did not show the picture, or the program did not end
    std::string out, err;
};

// Where the w x h `picture` shows whole on the sw x sh `screen`, at an offset other than `skip`
// (the picture's own place on the screen).
inline std::optional<std::pair<int, int>> FindPicture(const std::vector<uint32_t>& screen, int sw,
                                                      int sh, const std::vector<uint32_t>& picture,
                                                      int w, int h, std::pair<int, int> skip) {
    for (int y = 0; y + h <= sh; ++y)
        for (int x = 0; x + w <= sw; ++x) {
            if (std::pair(x, y) == skip || screen[size_t(y) * sw + x] != picture[0])
                continue;
            bool same = true;
            for (int py = 0; py < h && same; ++py)
                for (int px = 0; px < w && same; ++px)
                    same = screen[size_t(y + py) * sw + x + px] == picture[size_t(py) * w + px];
            if (same)
                return std::pair(x, y);
        }
    return std::nullopt;
}

// Runs `command` (a shell command starting the program) in `dir`; once its editor shows the
// w x h `picture` in what `shoot` (a command writing a PNG of the screen to its argument)
// reads, chooses Redact by its key, drags from picture pixel (x0, y0) to (x1, y1) and
// presses Ctrl+S, then waits for the program's end. `ready`, when given, runs before the
// drag, with the editor on the screen.
inline EditorRun RedactAndSave(const std::string& command, const std::string& dir,
                               const std::string& shoot, const std::vector<uint32_t>& picture,
                               int w, int h, std::pair<int, int> skip, int x0, int y0, int x1,
                               int y1, const std::function<void()>& ready = {}) {
    // What an earlier run in `dir` left would read as this run's end.
    for (const char* name : {"/out", "/err", "/pid", "/rc"})
        std::remove((dir + name).c_str());
    std::ofstream(dir + "/edit.sh")
        << command << " >'" << dir << "/out' 2>'" << dir << "/err' & echo $! >'" << dir
        << "/pid'; wait $!; echo $? >'" << dir << "/rc'\n";
    RunCommand("sh '" + dir + "/edit.sh' >/dev/null 2>&1 &");
    // The editor is ready once its picture's rows of the screen stay the same in two pictures
    // of it in a row: a window manager may still place the window after it first shows, and
    // the window is drawn again (its tool buttons come alive) once it has the keyboard.
    std::optional<std::pair<int, int>> at;
    std::pair<int, int> before{-1, -1}; // the place in the picture before, {-1, -1} for none
    std::vector<uint32_t> rows, rowsBefore;
    for (int i = 0; i < 100 && !(at && *at == before && rows == rowsBefore); ++i) {
        RunCommand("sleep 0.3");
        before = at.value_or(std::pair{-1, -1});
        at.reset();
        rowsBefore = std::exchange(rows, {});
        int sw = 0, sh = 0;
        if (RunCommand(shoot + " '" + dir + "/screen.png' >/dev/null 2>&1") == 0) {
            const auto screen = ReadPixels(dir + "/screen.png", &sw, &sh);
            if (!screen.empty())
                at = FindPicture(screen, sw, sh, picture, w, h, skip);
            if (at)
                rows.assign(screen.begin() + ptrdiff_t(at->second) * sw,
                            screen.begin() + ptrdiff_t(at->second + h) * sw);
        }
    }
    if (at && (*at != before || rows != rowsBefore))
        at.reset();
    EditorRun run;
    if (at && ready)
        ready();
    if (at) {
        auto point = [&](int x, int y) {
            return " mousemove " + std::to_string(at->first + x) + " " +
                   std::to_string(at->second + y) + " sleep 0.1";
        };
        RunCommand("xdotool" + point(x0, y0) + " sleep 0.2 key x sleep 0.2 mousedown 1" +
                   point((x0 + x1) / 2, (y0 + y1) / 2) + point(x1, y1) +
                   " mouseup 1 sleep 0.3 key ctrl+s");
    }
    for (int i = 0; i < 150 && !ReadWholeFile(dir + "/rc"); ++i)
        RunCommand("sleep 0.2");
    if (const auto rc = ReadWholeFile(dir + "/rc"); rc && at)
        run.exitCode = std::atoi(rc->c_str());
    else // the program's timeout (or this) ends it
        RunCommand("kill $(cat '" + dir + "/pid') 2>/dev/null");
    run.out = ReadWholeFile(dir + "/out").value_or("");
    run.err = ReadWholeFile(dir + "/err").value_or("");
    return run;
}

// Pixels of the saved w x h picture that break the redaction of (x0, y0)-(x1, y1) over
// `picture`: not black inside the box, changed outside it (`margin` pixels either side of its
// edges are left out, for rounding between the screen's pixels and the picture's).
inline int RedactionFaults(const std::vector<uint32_t>& saved, const std::vector<uint32_t>& picture,
                           int w, int h, int x0, int y0, int x1, int y1, int margin = 3) {
    int bad = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const size_t i = size_t(y) * w + x;
            if (x > x0 + margin && x < x1 - margin && y > y0 + margin && y < y1 - margin)
                bad += saved[i] != 0;
            else if (x < x0 - margin || x > x1 + margin || y < y0 - margin || y > y1 + margin)
                bad += saved[i] != picture[i];
        }
    return bad;
}

} // namespace tess::test
