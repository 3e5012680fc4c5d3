#pragma once
// The caption overlay: every captured picture (snapshot or video frame) can pass through one
// Fx, which copies it at a chosen percentage of its size and stamps a one-line caption on
// it. The caption template holds strftime codes expanded against local time; it is drawn
// with Cairo and Pango into a caption box (a MemBm) only when the expanded text changes, and
// composited onto every picture by the background mode. No toolkit call is made, so the
// recorder thread can use an Fx; one Fx is used by one thread at a time.
#include <array>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>

#include "media/MemBm.h"

typedef struct _PangoFontDescription PangoFontDescription;
typedef struct _PangoLayout PangoLayout;
typedef struct _cairo cairo_t;

namespace tess {

struct Settings;

// The caption font as the 60-byte logical-font record it is stored in (setting "CapFont"):
// five little-endian 32-bit values, eight bytes, a 32-byte face name.
struct LogFont {
    int32_t height = 0; // < 0: character height in pixels; > 0: cell height; 0: default
    int32_t width = 0;
    int32_t escapement = 0;
    int32_t orientation = 0;
    int32_t weight = 0; // 0 default, 100 .. 900
    uint8_t italic = 0;
    uint8_t underline = 0;
    uint8_t strikeOut = 0;
    uint8_t charSet = 0;
    uint8_t outPrecision = 0;
    uint8_t clipPrecision = 0;
    uint8_t quality = 0;
    uint8_t pitchAndFamily = 0;
    std::array<char, 32> faceName{}; // NUL-terminated

    static constexpr size_t kSize = 60;
    static LogFont FromBytes(const std::array<uint8_t, kSize>& bytes);
    std::array<uint8_t, kSize> toBytes() const;
    std::string face() const;
    void setFace(const std::string& name); // cut to 31 bytes
    bool operator==(const LogFont&) const = default;
};

// A Pango font description for drawing (the caller frees it with
// pango_font_description_free). An empty face gives "Sans" (or "Serif" / "Monospace" by the
// record's family bits); the height is taken in pixels; 0 gives 13 pixels.
PangoFontDescription* ToPangoFontDescription(const LogFont& font);
// The record of a Pango font description; point sizes are turned into pixels at `dpi`.
LogFont LogFontFromPango(const PangoFontDescription* desc, int dpi = 96);
// "Face 12, Bold, Italic": face, size in points (height x -72 / dpi), weight name, then
// ", Italic", ", Underline", ", Strikeout" as they apply.
std::string FontLabel(const LogFont& font, int dpi = 96);

// Expands a caption or file-name template against local time, at most 259 bytes (cut at a
// character boundary when longer).
std::string ExpandTimeCodes(const std::string& pattern, std::time_t when);

// The caption box's size from the measured height of "Wq" and width of the first text:
// height + 4 and width + 16, each at most the picture's, the width then rounded up to a
// multiple of 4 (so it can pass a narrow picture's width; compositing clips it).
struct BoxSize {
    int32_t width, height;
};
BoxSize CaptionBoxSize(int32_t wqHeight, int32_t textWidth, int32_t pictureWidth,
                       int32_t pictureHeight);

// Where the caption box goes on a picture: the visible box width is at most the picture's;
// y = (100 - vertical) * (picture height - box height) / 100; x is 0 for align 0, the
// right edge for align 2, centred for any other value.
struct CaptionPlace {
    int32_t x, y, boxWidth, boxHeight;
};
CaptionPlace PlaceCaption(int32_t pictureWidth, int32_t pictureHeight, int32_t boxWidth,
                          int32_t boxHeight, int32_t align, int32_t vertical);

// The caption settings.
class SCaption {
public:
    // A null text gives an empty text, a null font a zeroed font record.
    SCaption(const char* text, uint32_t textColor, uint32_t backColor, int32_t backMode,
             int32_t align, int32_t vertical, const LogFont* font);
    SCaption(const SCaption&) = default;
    SCaption& operator=(const SCaption&) = default;
    virtual ~SCaption() = default;

    std::string text;   // the template, at most 259 bytes
    uint32_t textColor; // colour value 0x00BBGGRR
    uint32_t backColor; // the box colour and the key colour of the compositing modes
    int32_t backMode;   // 0 opaque, 1 transparent, 2 translucent, 3 border
    int32_t align;      // 0 left, 2 right, other middle
    int32_t vertical;   // per cent: 0 bottom edge, 100 top edge
    LogFont font;
};

class Fx {
public:
    Fx(const SCaption& caption, int32_t scale);
    virtual ~Fx();
    Fx(const Fx&) = delete;
    Fx& operator=(const Fx&) = delete;

    // The picture to write: the source itself when the scale is below 1; otherwise the
    // overlay's own picture (valid until the next Apply or the Fx's end), the source scaled
    // to scale per cent (size fixed by the first frame) with the caption on it.
    // (Virtual, so that code that only applies overlays it is given, such as the grabbers,
    // does not depend on the text drawing behind it.)
    virtual const MemBm& Apply(const MemBm& source);
    // Expands the template and redraws the caption box when the text changed. False when the
    // template is empty.
    bool RenderCaption();
    // Puts the caption box on the picture by the background mode. False without a box.
    bool Composite();

    // The clock the template is expanded against (the current time by default).
    void setClock(std::function<std::time_t()> clock) { clock_ = std::move(clock); }

    int32_t scale() const { return scale_; }
    const SCaption& caption() const { return caption_; }
    const MemBm* picture() const { return picture_.get(); }
    const MemBm* captionBox() const { return captionBox_.get(); }
    int32_t captionX() const { return captionX_; }
    int32_t captionY() const { return captionY_; }
    const std::string& lastText() const { return lastText_; }
    // How often the caption box was drawn.
    int drawCount() const { return drawCount_; }

private:
    void makeCaptionBox(const std::string& text);
    void drawCaption(const std::string& text, int32_t boxWidth, int32_t boxHeight);

    int32_t scale_;
    std::unique_ptr<MemBm> picture_;
    int32_t sourceWidth_ = 0;
    int32_t sourceHeight_ = 0;
    SCaption caption_;
    PangoFontDescription* font_ = nullptr;
    std::string lastText_;
    std::unique_ptr<MemBm> captionBox_;
    cairo_surface_t* boxSurface_ = nullptr;
    cairo_t* boxCairo_ = nullptr;
    PangoLayout* layout_ = nullptr;
    int32_t captionY_ = 0;
    int32_t captionX_ = 0;
    int drawCount_ = 0;
    std::function<std::time_t()> clock_;
};

// The overlay for one capture, or null when the caption is off or its text empty (the
// capture is then written as grabbed). Turns the scale switch (settings.scaleEnable) off and
// makes the overlay at 100 per cent, so captures keep their size.
std::unique_ptr<Fx> CreateOverlay(Settings& settings);

// The preview of the caption settings page, drawn into `target` (the caller fills it with
// the page's colour first): a box as wide as the text plus 13 pixels, rounded down to a
// multiple of 4 and at most the target's width, centred, the target's full height, the text
// centred in it. Opaque and translucent fill the box with the back colour; transparent draws
// the letters only; border draws them four times in the back colour, one pixel up, down,
// left and right, then in the text colour on top.
void DrawCaptionPreview(MemBm& target, const SCaption& caption, const std::string& text);

} // namespace tess
