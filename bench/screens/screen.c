/* Draws one of the recording benchmark's screens on the X display and keeps it moving until
 * killed. Every screen has the same desktop: a photo-like background (the picture given as
 * 1920 x 1080 raw RGB) and a clock redrawn once a second in the top right corner.
 *   screen still  BACKGROUND.rgb   the desktop alone
 *   screen typing BACKGROUND.rgb   an editor window, a new line of text every 200 ms
 *   screen scroll BACKGROUND.rgb   a terminal window scrolling a line every 50 ms
 *   screen video  BACKGROUND.rgb   the desktop alone (the video window is another program)
 *   screen background BACKGROUND.rgb   the background picture alone, no clock, never changing
 * Prints "ready" once the desktop is drawn. Text is deterministic; only the clock reads time. */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

enum { W = 1920, H = 1080 };

static const char* const kWords[] = {
    "the", "recording", "of", "a", "screen", "keeps", "every", "frame", "that", "changed",
    "while", "still", "pictures", "cost", "almost", "nothing", "and", "key", "frames",
    "are", "spaced", "by", "budget", "so", "seeking", "stays", "quick", "enough", "for",
    "notes", "written", "in", "an", "editor", "line", "after", "line"};

static void text_line(long n, char* out, size_t size) {
    size_t at = 0;
    unsigned s = (unsigned)n * 2654435761u + 12345u;
    out[0] = 0;
    int words = 6 + (int)(s % 9);
    for (int i = 0; i < words && at + 16 < size; ++i) {
        s = s * 1103515245u + 12345u;
        const char* w = kWords[(s >> 8) % (sizeof kWords / sizeof kWords[0])];
        at += (size_t)snprintf(out + at, size - at, "%s%s", i ? " " : "", w);
    }
    if (at + 2 < size) {
        out[at++] = '.';
        out[at] = 0;
    }
}

int main(int argc, char** argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: screen still|typing|scroll|video|background BACKGROUND.rgb\n");
        return 2;
    }
    const char* mode = argv[1];
    unsigned char* rgb = malloc((size_t)W * H * 3);
    FILE* f = fopen(argv[2], "rb");
    if (!f || fread(rgb, 1, (size_t)W * H * 3, f) != (size_t)W * H * 3) return 1;
    fclose(f);
    Display* d = XOpenDisplay(NULL);
    if (!d) return 1;
    int s = DefaultScreen(d);
    Window root = RootWindow(d, s);
    XImage* img = XCreateImage(d, DefaultVisual(d, s), DefaultDepth(d, s), ZPixmap, 0,
                               malloc((size_t)W * H * 4), W, H, 32, 0);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            unsigned char* p = rgb + ((size_t)y * W + x) * 3;
            XPutPixel(img, x, y, (unsigned long)p[0] << 16 | p[1] << 8 | p[2]);
        }
    Pixmap pm = XCreatePixmap(d, root, W, H, DefaultDepth(d, s));
    GC gc = XCreateGC(d, pm, 0, NULL);
    XPutImage(d, pm, gc, img, 0, 0, 0, 0, W, H);
    XSetWindowBackgroundPixmap(d, root, pm);
    XClearWindow(d, root);
    if (strcmp(mode, "background") == 0) {
        XSync(d, False);
        printf("ready\n");
        fflush(stdout);
        pause();
        return 0;
    }

    XSetWindowAttributes a;
    a.override_redirect = True;
    a.background_pixel = 0xe0e0e0;
    Window clock = XCreateWindow(d, root, 1700, 20, 200, 40, 0, CopyFromParent, InputOutput,
                                 CopyFromParent, CWOverrideRedirect | CWBackPixel, &a);
    XMapRaised(d, clock);
    XFontStruct* font = XLoadQueryFont(d, "fixed");
    const int lh = font ? font->ascent + font->descent + 2 : 15;
    const int base = font ? font->ascent + 1 : 12;

    Window win = 0;
    int ww = 0, wh = 0;
    long period = 200000;
    unsigned long bg = 0xffffff, fg = 0x202020;
    if (strcmp(mode, "typing") == 0) {
        ww = 1000, wh = 700, period = 200000, bg = 0xffffff, fg = 0x202020;
    } else if (strcmp(mode, "scroll") == 0) {
        ww = 1100, wh = 760, period = 50000, bg = 0x101010, fg = 0x40ff40;
    } else if (strcmp(mode, "still") != 0 && strcmp(mode, "video") != 0) {
        fprintf(stderr, "unknown screen %s\n", mode);
        return 2;
    }
    if (ww) {
        a.background_pixel = bg;
        win = XCreateWindow(d, root, 160, 120, ww, wh, 0, CopyFromParent, InputOutput,
                            CopyFromParent, CWOverrideRedirect | CWBackPixel, &a);
        XMapRaised(d, win);
    }
    GC tg = XCreateGC(d, root, 0, NULL);
    if (font) XSetFont(d, tg, font->fid);
    XSync(d, False);
    printf("ready\n");
    fflush(stdout);

    long n = 0;
    time_t shown = 0;
    const int rows = wh / lh;
    for (;;) {
        char line[200];
        if (win && strcmp(mode, "scroll") == 0) {
            XCopyArea(d, win, win, tg, 0, lh, ww, wh - lh, 0, 0);
            XSetForeground(d, tg, bg);
            XFillRectangle(d, win, tg, 0, wh - lh, ww, lh);
            snprintf(line, sizeof line,
                     "%06ld  build step %ld: compiling src/module_%03ld.cpp -> obj/module_%03ld.o  [%3ld%%]",
                     n, n, n % 997, n % 997, n % 101);
            XSetForeground(d, tg, fg);
            XDrawString(d, win, tg, 6, wh - lh + base, line, (int)strlen(line));
        } else if (win) {
            /* the editor: lines fill the page from the top; a full page starts over at the
             * top, each new line replacing the one that was there */
            const int row = (int)(n % rows);
            text_line(n, line, sizeof line);
            XSetForeground(d, tg, bg);
            XFillRectangle(d, win, tg, 0, row * lh, ww, lh * (row + 1 < rows ? 2 : 1));
            XSetForeground(d, tg, fg);
            XDrawString(d, win, tg, 8, row * lh + base, line, (int)strlen(line));
            XFillRectangle(d, win, tg, 8 + (font ? XTextWidth(font, line, (int)strlen(line)) : 6 * (int)strlen(line)) + 1,
                           (row + 1 < rows ? row + 1 : row) * lh + 1, 2, lh - 2);
        }
        time_t now = time(NULL);
        if (now != shown) {
            shown = now;
            char t[32];
            strftime(t, sizeof t, "%H:%M:%S", localtime(&now));
            XClearWindow(d, clock);
            XSetForeground(d, tg, 0x000000);
            XDrawString(d, clock, tg, 70, 26, t, (int)strlen(t));
        }
        XSync(d, False);
        ++n;
        usleep(win ? period : 100000);
    }
}
