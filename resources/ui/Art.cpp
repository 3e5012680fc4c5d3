#include "resources/ui/Art.h"

#include "resources/Ids.h"

#include <cmath>
#include <wx/image.h>

namespace tess {

namespace {

struct Rgb {
    unsigned char r, g, b;
};

constexpr Rgb kWhite{255, 255, 255}, kRed{210, 30, 30}, kGreen{30, 150, 40}, kBlue{40, 80, 200},
    kGrey{120, 120, 120}, kLight{200, 200, 200}, kYellow{240, 200, 40}, kDark{60, 60, 60},
    kNavy{20, 40, 110}, kOrange{235, 130, 20};

// A transparent square picture drawn pixel by pixel.
class Canvas {
public:
    explicit Canvas(int size) : img_(size, size), size_(size) {
        img_.InitAlpha();
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                img_.SetRGB(x, y, 0, 0, 0);
                img_.SetAlpha(x, y, 0);
            }
    }
    void Dot(int x, int y, Rgb c) {
        if (x < 0 || y < 0 || x >= size_ || y >= size_)
            return;
        img_.SetRGB(x, y, c.r, c.g, c.b);
        img_.SetAlpha(x, y, 255);
    }
    void Fill(int x0, int y0, int x1, int y1, Rgb c) { // inclusive
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                Dot(x, y, c);
    }
    void Frame(int x0, int y0, int x1, int y1, Rgb c) {
        Line(x0, y0, x1, y0, c);
        Line(x0, y1, x1, y1, c);
        Line(x0, y0, x0, y1, c);
        Line(x1, y0, x1, y1, c);
    }
    void Line(int x0, int y0, int x1, int y1, Rgb c) {
        int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
        int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
        int err = dx + dy;
        for (;;) {
            Dot(x0, y0, c);
            if (x0 == x1 && y0 == y1)
                break;
            int e2 = 2 * err;
            if (e2 >= dy) {
                err += dy;
                x0 += sx;
            }
            if (e2 <= dx) {
                err += dx;
                y0 += sy;
            }
        }
    }
    void Disc(double cx, double cy, double r, Rgb c) {
        for (int y = 0; y < size_; ++y)
            for (int x = 0; x < size_; ++x)
                if ((x + 0.5 - cx) * (x + 0.5 - cx) + (y + 0.5 - cy) * (y + 0.5 - cy) <= r * r)
                    Dot(x, y, c);
    }
    void Ring(double cx, double cy, double r, double w, Rgb c) {
        for (int y = 0; y < size_; ++y)
            for (int x = 0; x < size_; ++x) {
                double d =
                    std::sqrt((x + 0.5 - cx) * (x + 0.5 - cx) + (y + 0.5 - cy) * (y + 0.5 - cy));
                if (d <= r && d >= r - w)
                    Dot(x, y, c);
            }
    }
    void Triangle(double ax, double ay, double bx, double by, double cx, double cy, Rgb c) {
        auto side = [](double px, double py, double x0, double y0, double x1, double y1) {
            return (px - x1) * (y0 - y1) - (x0 - x1) * (py - y1);
        };
        for (int y = 0; y < size_; ++y)
            for (int x = 0; x < size_; ++x) {
                double px = x + 0.5, py = y + 0.5;
                double d1 = side(px, py, ax, ay, bx, by), d2 = side(px, py, bx, by, cx, cy),
                       d3 = side(px, py, cx, cy, ax, ay);
                bool neg = d1 < 0 || d2 < 0 || d3<0, pos = d1> 0 || d2 > 0 || d3 > 0;
                if (!(neg && pos))
                    Dot(x, y, c);
            }
    }
    const wxImage& Image() const { return img_; }
    wxBitmap Bitmap() const { return wxBitmap(img_); }
    wxIcon Icon() const {
        wxIcon icon;
        icon.CopyFromBitmap(Bitmap());
        return icon;
    }

private:
    wxImage img_;
    int size_;
};

void Monitor(Canvas& c, Rgb screen) {
    c.Fill(1, 2, 14, 11, kDark);
    c.Fill(2, 3, 13, 10, screen);
    c.Fill(6, 12, 9, 13, kDark);
    c.Fill(4, 14, 11, 14, kDark);
}

void Camera(Canvas& c) {
    c.Fill(1, 4, 14, 13, kDark);
    c.Fill(5, 2, 10, 4, kDark);
    c.Disc(8, 8.5, 3.5, kLight);
    c.Disc(8, 8.5, 2, kNavy);
    c.Dot(12, 6, kYellow);
}

void Speaker(Canvas& c) {
    c.Fill(2, 6, 4, 10, kDark);
    c.Triangle(4, 8, 9, 2.5, 9, 13.5, kDark);
}

wxBitmap Draw(int bitmapId) {
    Canvas c(16);
    switch (bitmapId) {
    case id::BmpPlay:
        c.Triangle(4, 2, 4, 14, 13, 8, kGreen);
        break;
    case id::BmpStop:
        c.Fill(3, 3, 12, 12, kDark);
        break;
    case id::BmpPause:
        c.Fill(3, 3, 6, 12, kDark);
        c.Fill(9, 3, 12, 12, kDark);
        break;
    case id::BmpRecord:
        c.Disc(8, 8, 6, kRed);
        c.Disc(6.5, 6.5, 1.5, {250, 140, 140});
        break;
    case id::BmpSkipForward:
        c.Triangle(1, 3, 1, 13, 7.5, 8, kBlue);
        c.Triangle(7, 3, 7, 13, 13.5, 8, kBlue);
        c.Fill(13, 3, 14, 12, kBlue);
        break;
    case id::BmpSkipBackward:
        c.Triangle(15, 3, 15, 13, 8.5, 8, kBlue);
        c.Triangle(9, 3, 9, 13, 2.5, 8, kBlue);
        c.Fill(1, 3, 2, 12, kBlue);
        break;
    case id::SetIn: // a bracket opening the selection, a play mark after it
    case id::SetOut:
        if (bitmapId == id::SetIn) {
            c.Fill(3, 2, 4, 13, kDark);
            c.Fill(3, 2, 6, 3, kDark);
            c.Fill(3, 12, 6, 13, kDark);
            c.Triangle(7, 4.5, 7, 10.5, 13, 7.5, kGreen);
        } else {
            c.Fill(11, 2, 12, 13, kDark);
            c.Fill(9, 2, 12, 3, kDark);
            c.Fill(9, 12, 12, 13, kDark);
            c.Triangle(2, 4.5, 2, 10.5, 8, 7.5, kGreen);
        }
        break;
    case id::BmpMuted:
        Speaker(c);
        c.Line(10, 5, 14, 11, kRed);
        c.Line(10, 11, 14, 5, kRed);
        c.Line(11, 5, 15, 11, kRed);
        c.Line(11, 11, 15, 5, kRed);
        break;
    case id::BmpSpeaker:
        Speaker(c);
        c.Line(11, 6, 11, 10, kDark);
        c.Line(13, 4, 14, 6, kDark);
        c.Line(14, 7, 14, 9, kDark);
        c.Line(14, 10, 13, 12, kDark);
        break;
    case id::BmpCaption:
        c.Fill(1, 9, 14, 14, kYellow);
        c.Frame(1, 9, 14, 14, kDark);
        c.Fill(3, 1, 12, 2, kNavy);
        c.Fill(7, 1, 8, 8, kNavy);
        c.Line(4, 11, 11, 11, kDark);
        c.Line(4, 13, 9, 13, kDark);
        break;
    case id::BmpSnapshot:
        Camera(c);
        break;
    case id::BmpTool1: // a clock
        c.Disc(8, 8, 7, kDark);
        c.Disc(8, 8, 5.5, kWhite);
        c.Line(8, 8, 8, 4, kDark);
        c.Line(8, 8, 11, 8, kRed);
        break;
    case id::BmpTool2: // a list
        c.Fill(1, 1, 14, 14, kWhite);
        c.Frame(1, 1, 14, 14, kDark);
        for (int y : {4, 7, 10}) {
            c.Fill(3, y, 4, y + 1, kBlue);
            c.Line(6, y, 12, y, kDark);
        }
        break;
    default:
        return wxBitmap();
    }
    return c.Bitmap();
}

} // namespace

wxBitmap ResourceBitmap(int bitmapId) {
    return Draw(bitmapId);
}

wxBitmap CommandImage(int cmd) {
    switch (cmd) {
    case id::Play:
    case id::TogglePlay:
        return ResourceBitmap(id::BmpPlay);
    case id::Stop:
    case id::StopRecording:
        return ResourceBitmap(id::BmpStop);
    case id::RecordVideo:
    case id::RecordScreen:
        return ResourceBitmap(id::BmpRecord);
    case id::PauseRecording:
        return ResourceBitmap(id::BmpPause);
    case id::SkipForward:
        return ResourceBitmap(id::BmpSkipForward);
    case id::SkipBackward:
        return ResourceBitmap(id::BmpSkipBackward);
    case id::SetIn:
    case id::SetOut:
        return ResourceBitmap(cmd);
    case id::Mute:
        return ResourceBitmap(id::BmpSpeaker);
    case id::Caption:
    case id::CaptionButton:
        return ResourceBitmap(id::BmpCaption);
    case id::Snapshot:
    case id::SnapshotScreen:
        return ResourceBitmap(id::BmpSnapshot);
    case id::ToolButton1:
        return ResourceBitmap(id::BmpTool1);
    case id::ToolButton2:
        return ResourceBitmap(id::BmpTool2);
    default:
        break;
    }
    Canvas c(16);
    switch (cmd) {
    case id::Screen:
        Monitor(c, kBlue);
        break;
    case id::Window:
        c.Fill(1, 2, 14, 13, kLight);
        c.Frame(1, 2, 14, 13, kDark);
        c.Fill(1, 2, 14, 4, kNavy);
        break;
    case id::Rectangle:
        for (int i = 1; i <= 14; i += 2) {
            c.Dot(i, 2, kDark);
            c.Dot(i, 13, kDark);
            c.Dot(1, i + 1, kDark);
            c.Dot(14, i + 1, kDark);
        }
        c.Fill(4, 5, 11, 10, kOrange);
        break;
    case id::SnapshotWindow:
        Camera(c);
        c.Fill(9, 9, 15, 15, kLight);
        c.Frame(9, 9, 15, 15, kDark);
        c.Fill(9, 9, 15, 10, kNavy);
        break;
    case id::SnapshotRegion:
    case id::SnapshotLastRegion:
        Camera(c);
        c.Frame(8, 8, 15, 15, kOrange);
        break;
    case id::RecordWindow:
        c.Fill(1, 2, 14, 13, kLight);
        c.Frame(1, 2, 14, 13, kDark);
        c.Fill(1, 2, 14, 4, kNavy);
        c.Disc(8, 9, 3.5, kRed);
        break;
    case id::RecordRegion:
    case id::RecordLastRegion:
        c.Frame(1, 2, 14, 13, kOrange);
        c.Disc(8, 8, 4, kRed);
        break;
    case id::FullScreen:
        c.Frame(1, 1, 14, 14, kDark);
        c.Triangle(2, 2, 6, 2, 2, 6, kBlue);
        c.Triangle(14, 14, 10, 14, 14, 10, kBlue);
        c.Triangle(14, 2, 10, 2, 14, 6, kBlue);
        c.Triangle(2, 14, 6, 14, 2, 10, kBlue);
        break;
    case id::VolumeUp:
        Speaker(c);
        c.Fill(10, 7, 15, 8, kGreen);
        c.Fill(12, 5, 13, 10, kGreen);
        break;
    case id::VolumeDown:
        Speaker(c);
        c.Fill(10, 7, 15, 8, kRed);
        break;
    case id::FileOpen:
        c.Fill(1, 4, 14, 13, kYellow);
        c.Frame(1, 4, 14, 13, kDark);
        c.Fill(1, 2, 6, 4, kYellow);
        c.Frame(1, 2, 6, 4, kDark);
        break;
    case id::FilePrint:
        c.Fill(4, 1, 11, 6, kWhite);
        c.Frame(4, 1, 11, 6, kDark);
        c.Fill(1, 6, 14, 12, kGrey);
        c.Frame(1, 6, 14, 12, kDark);
        c.Fill(4, 10, 11, 14, kWhite);
        c.Frame(4, 10, 11, 14, kDark);
        break;
    case id::Exit:
    case id::TrayExit:
        c.Line(3, 3, 12, 12, kRed);
        c.Line(4, 3, 13, 12, kRed);
        c.Line(12, 3, 3, 12, kRed);
        c.Line(13, 3, 4, 12, kRed);
        break;
    case id::About:
        c.Disc(8, 8, 7, kBlue);
        c.Fill(7, 6, 8, 12, kWhite);
        c.Fill(7, 3, 8, 4, kWhite);
        break;
    case id::HelpContents:
        c.Disc(8, 8, 7, kGreen);
        c.Fill(6, 3, 9, 4, kWhite);
        c.Fill(9, 4, 10, 7, kWhite);
        c.Fill(7, 7, 8, 9, kWhite);
        c.Fill(7, 11, 8, 12, kWhite);
        break;
    case id::Preferences:
        c.Ring(8, 8, 6.5, 2.5, kGrey);
        c.Disc(8, 8, 2, kGrey);
        for (auto [x, y] : {std::pair{7, 0}, {7, 14}, {0, 7}, {14, 7}})
            c.Fill(x, y, x + 1, y + 1, kGrey);
        break;
    case id::TrayRestore:
        c.Fill(1, 3, 14, 13, kLight);
        c.Frame(1, 3, 14, 13, kDark);
        c.Fill(1, 3, 14, 5, kNavy);
        c.Triangle(8, 7, 4, 12, 12, 12, kGreen);
        break;
    default:
        return wxBitmap();
    }
    return c.Bitmap();
}

namespace {

// The program's sign: a lens in a square frame, coloured by state, with the state's mark.
Canvas DrawProgramSign(int size, int state) {
    Canvas c(size);
    double s = size / 16.0;
    Rgb body = state == 4 ? Rgb{150, 20, 20} : state == 3 ? Rgb{20, 110, 40} : kNavy;
    c.Fill(0, int(2 * s), size - 1, size - 1 - int(1 * s), body);
    c.Fill(int(4 * s), 0, int(10 * s), int(2 * s), body);
    c.Disc(8 * s, 8.5 * s, 5 * s, kWhite);
    c.Disc(8 * s, 8.5 * s, 3.5 * s, body);
    if (state == 4) {
        c.Disc(8 * s, 8.5 * s, 2.5 * s, kRed);
    } else if (state == 3) {
        c.Triangle(6.5 * s, 6 * s, 6.5 * s, 11 * s, 11 * s, 8.5 * s, kGreen);
    } else {
        c.Disc(8 * s, 8.5 * s, 1.5 * s, kLight);
    }
    return c;
}

wxIcon DrawProgramIcon(int size, int state) {
    return DrawProgramSign(size, state).Icon();
}

} // namespace

wxImage ProgramIconImage(int size) {
    return DrawProgramSign(size, 1).Image();
}

wxIcon ProgramIcon(int iconId) {
    switch (iconId) {
    case id::IconIdleLarge:
        return DrawProgramIcon(32, 1);
    case id::IconIdleSmall:
        return DrawProgramIcon(16, 1);
    case id::IconRecordingLarge:
        return DrawProgramIcon(32, 4);
    case id::IconRecordingSmall:
        return DrawProgramIcon(16, 4);
    case id::IconPlayingLarge:
        return DrawProgramIcon(32, 3);
    case id::IconPlayingSmall:
        return DrawProgramIcon(16, 3);
    default:
        return wxIcon();
    }
}

wxIconBundle ProgramIcons(int largeId, int smallId) {
    wxIconBundle b;
    b.AddIcon(ProgramIcon(largeId));
    b.AddIcon(ProgramIcon(smallId));
    return b;
}

std::vector<wxBitmap> RecordingAnimationFrames() {
    constexpr int kFrames = 8;
    constexpr Rgb kCaptured{90, 130, 230};
    std::vector<wxBitmap> frames;
    for (int f = 0; f < kFrames; ++f) {
        Canvas c(32);
        // The screen of Monitor() at twice the size.
        c.Fill(2, 4, 29, 23, kDark);
        c.Fill(4, 6, 27, 21, kBlue);
        c.Fill(12, 24, 19, 26, kDark);
        c.Fill(8, 27, 23, 28, kDark);
        // What is captured so far, and the line being captured.
        const int line = 6 + f * 2;
        c.Fill(4, 6, 27, line - 1, kCaptured);
        c.Fill(4, line, 27, line, kWhite);
        // The record light, on for half a second, off for half a second.
        const bool on = f < kFrames / 2;
        c.Disc(24, 9, 3, on ? kRed : Rgb{110, 40, 40});
        if (on)
            c.Disc(23.2, 8.2, 0.9, {250, 140, 140});
        frames.push_back(c.Bitmap());
    }
    return frames;
}

} // namespace tess
