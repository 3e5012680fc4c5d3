#include "media/Caption.h"

#include <algorithm>
#include <cairo.h>
#include <cstring>
#include <pango/pangocairo.h>
#include <vector>

#include "platform/Translate.h"
#include "settings/Settings.h"

namespace tess {

namespace {

constexpr size_t kTextMax = 259;

void Put32(uint8_t* p, int32_t v) {
    const uint32_t u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(u >> (8 * i));
}

int32_t Get32(const uint8_t* p) {
    return static_cast<int32_t>(p[0] | (p[1] << 8) | (p[2] << 16) |
                                (static_cast<uint32_t>(p[3]) << 24));
}

// Cuts a UTF-8 text to at most `max` bytes without splitting a character.
std::string CutUtf8(std::string s, size_t max) {
    if (s.size() <= max)
        return s;
    size_t n = max;
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80)
        --n;
    s.resize(n);
    return s;
}

void SetSourceColor(cairo_t* cr, uint32_t color) {
    cairo_set_source_rgb(cr, (color & 0xFF) / 255.0, ((color >> 8) & 0xFF) / 255.0,
                         ((color >> 16) & 0xFF) / 255.0);
}

// Applies the record's underline and strike-out and the font options to a layout. Letters
// are drawn without anti-aliasing when the box colour is a key colour (modes 1 to 3), so
// no half-mixed pixels of the box colour fringe the letters on the picture.
void PrepareLayout(cairo_t* cr, PangoLayout* layout, const PangoFontDescription* font,
                   const LogFont& record, bool antialias) {
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options,
                                     antialias ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    pango_cairo_context_set_font_options(pango_layout_get_context(layout), options);
    cairo_font_options_destroy(options);
    pango_cairo_update_layout(cr, layout);
    pango_layout_set_font_description(layout, font);
    pango_layout_set_single_paragraph_mode(layout, TRUE);
    PangoAttrList* attrs = pango_attr_list_new();
    if (record.underline)
        pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    if (record.strikeOut)
        pango_attr_list_insert(attrs, pango_attr_strikethrough_new(TRUE));
    pango_layout_set_attributes(layout, attrs);
    pango_attr_list_unref(attrs);
}

// The logical size of a text in pixels.
void Measure(PangoLayout* layout, const std::string& text, int* w, int* h) {
    pango_layout_set_text(layout, text.c_str(), static_cast<int>(text.size()));
    PangoRectangle logical;
    pango_layout_get_pixel_extents(layout, nullptr, &logical);
    *w = logical.width;
    *h = logical.height;
}

} // namespace

// ---- logical-font record ----

LogFont LogFont::FromBytes(const std::array<uint8_t, kSize>& b) {
    LogFont f;
    f.height = Get32(&b[0]);
    f.width = Get32(&b[4]);
    f.escapement = Get32(&b[8]);
    f.orientation = Get32(&b[12]);
    f.weight = Get32(&b[16]);
    f.italic = b[20];
    f.underline = b[21];
    f.strikeOut = b[22];
    f.charSet = b[23];
    f.outPrecision = b[24];
    f.clipPrecision = b[25];
    f.quality = b[26];
    f.pitchAndFamily = b[27];
    std::memcpy(f.faceName.data(), &b[28], 32);
    f.faceName[31] = '\0';
    return f;
}

std::array<uint8_t, LogFont::kSize> LogFont::toBytes() const {
    std::array<uint8_t, kSize> b{};
    Put32(&b[0], height);
    Put32(&b[4], width);
    Put32(&b[8], escapement);
    Put32(&b[12], orientation);
    Put32(&b[16], weight);
    b[20] = italic;
    b[21] = underline;
    b[22] = strikeOut;
    b[23] = charSet;
    b[24] = outPrecision;
    b[25] = clipPrecision;
    b[26] = quality;
    b[27] = pitchAndFamily;
    std::memcpy(&b[28], faceName.data(), 32);
    return b;
}

std::string LogFont::face() const {
    return std::string(faceName.data(), strnlen(faceName.data(), faceName.size()));
}

void LogFont::setFace(const std::string& name) {
    faceName.fill('\0');
    const std::string cut = CutUtf8(name, faceName.size() - 1);
    std::memcpy(faceName.data(), cut.data(), cut.size());
}

PangoFontDescription* ToPangoFontDescription(const LogFont& font) {
    PangoFontDescription* desc = pango_font_description_new();
    std::string family = font.face();
    if (family.empty()) {
        switch (font.pitchAndFamily & 0xF0) {
        case 0x10: // roman
            family = "Serif";
            break;
        case 0x30: // modern
            family = "Monospace";
            break;
        default:
            family = "Sans";
        }
    }
    pango_font_description_set_family(desc, family.c_str());
    // A negative height is the character (em) height; a positive one the cell height,
    // about 1.2 em for common faces.
    double px = 13;
    if (font.height < 0)
        px = -static_cast<double>(font.height);
    else if (font.height > 0)
        px = font.height / 1.2;
    px = std::clamp(px, 1.0, 2000.0);
    pango_font_description_set_absolute_size(desc, px * PANGO_SCALE);
    const int weight = font.weight <= 0 ? 400 : std::clamp(font.weight, 100, 1000);
    pango_font_description_set_weight(desc, static_cast<PangoWeight>(weight));
    pango_font_description_set_style(desc, font.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    return desc;
}

LogFont LogFontFromPango(const PangoFontDescription* desc, int dpi) {
    LogFont f;
    f.charSet = 1; // default character set
    if (!desc)
        return f;
    if (const char* family = pango_font_description_get_family(desc)) {
        std::string name = family;
        const size_t comma = name.find(',');
        if (comma != std::string::npos)
            name.resize(comma);
        f.setFace(name);
    }
    const int size = pango_font_description_get_size(desc);
    if (size > 0) {
        double px = static_cast<double>(size) / PANGO_SCALE;
        if (!pango_font_description_get_size_is_absolute(desc))
            px = px * (dpi > 0 ? dpi : 96) / 72.0;
        f.height = -static_cast<int32_t>(px + 0.5);
    }
    f.weight = pango_font_description_get_weight(desc);
    f.italic = pango_font_description_get_style(desc) != PANGO_STYLE_NORMAL;
    return f;
}

std::string FontLabel(const LogFont& font, int dpi) {
    const int points = dpi > 0 ? font.height * -72 / dpi : 0;
    // The face and size, then the weight and the styles as a list of words.
    std::string label = font.face() + " " + std::to_string(points) + ", ";
    switch (font.weight) {
    case 100:
        // TRANSLATORS: a font weight, in the caption font's description
        label += TrC("font weight", "Thin");
        break;
    case 200:
        // TRANSLATORS: a font weight, in the caption font's description
        label += TrC("font weight", "Extralight");
        break;
    case 300:
        // TRANSLATORS: a font weight, in the caption font's description
        label += TrC("font weight", "Light");
        break;
    case 400:
        // TRANSLATORS: a font weight, in the caption font's description
        label += TrC("font weight", "Normal");
        break;
    case 500:
        // TRANSLATORS: a font weight, in the caption font's description
        label += TrC("font weight", "Medium");
        break;
    case 600:
        // TRANSLATORS: a font weight, in the caption font's description
        label += TrC("font weight", "Semibold");
        break;
    case 700:
        // TRANSLATORS: a font weight, in the caption font's description
        label += TrC("font weight", "Bold");
        break;
    case 800:
        // TRANSLATORS: a font weight, in the caption font's description
        label += TrC("font weight", "Extrabold");
        break;
    case 900:
        // TRANSLATORS: a font weight, in the caption font's description
        label += TrC("font weight", "Heavy");
        break;
    default:
        // TRANSLATORS: the font weight when the font names none
        label += Tr("default");
    }
    if (font.italic) {
        // TRANSLATORS: a font style, in the caption font's description
        label += std::string(", ") + Tr("Italic");
    }
    if (font.underline) {
        // TRANSLATORS: a font style, in the caption font's description
        label += std::string(", ") + Tr("Underline");
    }
    if (font.strikeOut) {
        // TRANSLATORS: a font style, in the caption font's description
        label += std::string(", ") + Tr("Strikeout");
    }
    return label;
}

std::string ExpandTimeCodes(const std::string& pattern, std::time_t when) {
    if (pattern.empty())
        return {};
    tzset();
    std::tm local{};
    localtime_r(&when, &local);
    // strftime gives 0 both for an empty result and for one that does not fit: try larger
    // buffers before taking the result as empty.
    for (size_t cap = 260; cap <= 65536; cap *= 4) {
        std::vector<char> buf(cap);
        const size_t n = std::strftime(buf.data(), buf.size(), pattern.c_str(), &local);
        if (n > 0)
            return CutUtf8(std::string(buf.data(), n), kTextMax);
    }
    return {};
}

BoxSize CaptionBoxSize(int32_t wqHeight, int32_t textWidth, int32_t pictureWidth,
                       int32_t pictureHeight) {
    const int32_t h = std::min(wqHeight + 4, pictureHeight);
    int32_t w = std::min(textWidth + 16, pictureWidth);
    w = (w + 3) - (w + 3) % 4;
    return {w, h};
}

CaptionPlace PlaceCaption(int32_t pictureWidth, int32_t pictureHeight, int32_t boxWidth,
                          int32_t boxHeight, int32_t align, int32_t vertical) {
    CaptionPlace p;
    p.boxWidth = std::min(pictureWidth, boxWidth);
    p.boxHeight = boxHeight;
    p.y = static_cast<int32_t>((100 - int64_t{vertical}) * (int64_t{pictureHeight} - boxHeight) /
                               100);
    if (align == 0)
        p.x = 0;
    else if (align == 2)
        p.x = pictureWidth - p.boxWidth;
    else
        p.x = (pictureWidth - p.boxWidth) / 2;
    return p;
}

// ---- SCaption ----

SCaption::SCaption(const char* text_, uint32_t textColor_, uint32_t backColor_, int32_t backMode_,
                   int32_t align_, int32_t vertical_, const LogFont* font_)
    : text(text_ ? CutUtf8(text_, kTextMax) : std::string()), textColor(textColor_),
      backColor(backColor_), backMode(backMode_), align(align_), vertical(vertical_),
      font(font_ ? *font_ : LogFont{}) {}

// ---- Fx ----

Fx::Fx(const SCaption& caption, int32_t scale)
    : scale_(scale), caption_(caption), clock_([] { return std::time(nullptr); }) {}

Fx::~Fx() {
    if (layout_)
        g_object_unref(layout_);
    if (boxCairo_)
        cairo_destroy(boxCairo_);
    if (boxSurface_)
        cairo_surface_destroy(boxSurface_);
    if (font_)
        pango_font_description_free(font_);
}

const MemBm& Fx::Apply(const MemBm& source) {
    if (scale_ < 1)
        return source;
    if (sourceHeight_ == 0 || !picture_) {
        sourceWidth_ = source.width();
        sourceHeight_ = source.height();
        const int64_t w = int64_t{scale_} * sourceWidth_ / 100;
        const int64_t h = int64_t{scale_} * sourceHeight_ / 100;
        picture_ = std::make_unique<MemBm>(static_cast<int32_t>(std::min<int64_t>(w, 1 << 16)),
                                           static_cast<int32_t>(std::min<int64_t>(h, 1 << 16)));
    }
    picture_->stretchFrom(source);
    RenderCaption();
    Composite();
    return *picture_;
}

void Fx::makeCaptionBox(const std::string& text) {
    if (!font_)
        font_ = ToPangoFontDescription(caption_.font);
    const bool antialias = caption_.backMode == 0;
    // Measure on a scratch surface with the same font options as the box.
    cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1);
    cairo_t* cr = cairo_create(scratch);
    PangoLayout* layout = pango_cairo_create_layout(cr);
    PrepareLayout(cr, layout, font_, caption_.font, antialias);
    int wqW = 0, wqH = 0, textW = 0, textH = 0;
    Measure(layout, "Wq", &wqW, &wqH);
    Measure(layout, text, &textW, &textH);
    g_object_unref(layout);
    cairo_destroy(cr);
    cairo_surface_destroy(scratch);

    const int32_t pw = picture_ ? picture_->width() : INT32_MAX / 2;
    const int32_t ph = picture_ ? picture_->height() : INT32_MAX / 2;
    const BoxSize size = CaptionBoxSize(wqH, textW, pw, ph);
    captionBox_ = std::make_unique<MemBm>(std::max(size.width, 1), std::max(size.height, 1));
    boxSurface_ = captionBox_->createCairoSurface();
    if (!boxSurface_)
        return;
    boxCairo_ = cairo_create(boxSurface_);
    layout_ = pango_cairo_create_layout(boxCairo_);
    PrepareLayout(boxCairo_, layout_, font_, caption_.font, antialias);
}

void Fx::drawCaption(const std::string& text, int32_t boxWidth, int32_t boxHeight) {
    if (!boxCairo_ || !layout_)
        return;
    ++drawCount_;
    cairo_t* cr = boxCairo_;
    cairo_save(cr);
    // The band: from the top left to the picture's width and the box height, so the whole
    // box. An empty text clears the whole box so no earlier letters stay in it.
    const int32_t pw = picture_ ? picture_->width() : captionBox_->width();
    const int32_t bandH = text.empty() ? captionBox_->height() : boxHeight;
    const int32_t bandW = text.empty() ? captionBox_->width() : pw;
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    SetSourceColor(cr, caption_.backColor);
    cairo_rectangle(cr, 0, 0, bandW, bandH);
    cairo_fill(cr);
    if (!text.empty()) {
        int tw = 0, th = 0;
        Measure(layout_, text, &tw, &th);
        cairo_rectangle(cr, 0, 0, boxWidth, boxHeight);
        cairo_clip(cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
        SetSourceColor(cr, caption_.textColor);
        // Centred in one line; a text wider than the box loses both ends.
        cairo_move_to(cr, (boxWidth - tw) / 2, (boxHeight - th) / 2);
        pango_cairo_show_layout(cr, layout_);
    }
    cairo_restore(cr);
    cairo_surface_flush(boxSurface_);
}

bool Fx::RenderCaption() {
    if (caption_.text.empty())
        return false;
    const std::string text = ExpandTimeCodes(caption_.text, clock_());
    if (text == lastText_)
        return true; // the box already shows it
    lastText_ = text;
    if (!captionBox_)
        makeCaptionBox(text);
    const int32_t pw = picture_ ? picture_->width() : captionBox_->width();
    const int32_t ph = picture_ ? picture_->height() : captionBox_->height();
    int32_t boxWidth = 1, boxHeight = 1;
    if (!text.empty()) {
        const CaptionPlace place = PlaceCaption(pw, ph, captionBox_->width(), captionBox_->height(),
                                                caption_.align, caption_.vertical);
        boxWidth = place.boxWidth;
        boxHeight = place.boxHeight;
        captionX_ = place.x;
        captionY_ = place.y;
    }
    drawCaption(text, boxWidth, boxHeight);
    return true;
}

bool Fx::Composite() {
    if (!captionBox_)
        return false;
    if (!picture_)
        return true;
    const uint32_t key = caption_.backColor;
    switch (caption_.backMode) {
    case 0:
        picture_->copyFrom(*captionBox_, captionX_, captionY_, kSrcCopy);
        break;
    case 1:
        picture_->compositeTransparent(*captionBox_, key, captionX_, captionY_);
        break;
    case 2:
        picture_->compositeTranslucent(*captionBox_, key, captionX_, captionY_);
        break;
    case 3:
        picture_->compositeBorder(*captionBox_, key, captionX_, captionY_);
        break;
    default:
        break; // nothing is put on the picture
    }
    return true;
}

std::unique_ptr<Fx> CreateOverlay(Settings& settings) {
    if (!settings.capEnable || settings.capString.empty())
        return nullptr;
    settings.scaleEnable = false;
    LogFont font;
    if (settings.capFontSet)
        font = LogFont::FromBytes(settings.capFont);
    SCaption caption(settings.capString.c_str(), static_cast<uint32_t>(settings.capTextColor),
                     static_cast<uint32_t>(settings.capBackColor), settings.capBackMode,
                     settings.capAlign, settings.capVert, &font);
    return std::make_unique<Fx>(caption, 100);
}

} // namespace tess

namespace tess {

void DrawCaptionPreview(MemBm& target, const SCaption& caption, const std::string& text) {
    cairo_surface_t* surface = target.createCairoSurface();
    if (!surface)
        return;
    cairo_t* cr = cairo_create(surface);
    PangoLayout* layout = pango_cairo_create_layout(cr);
    PangoFontDescription* font = ToPangoFontDescription(caption.font);
    PrepareLayout(cr, layout, font, caption.font, true);
    int tw = 0, th = 0;
    Measure(layout, text, &tw, &th);
    int32_t boxW = std::min(tw + 13, target.width());
    boxW -= boxW % 4;
    const int32_t boxX = (target.width() - boxW) / 2;
    const int32_t h = target.height();
    if (caption.backMode == 0 || caption.backMode == 2) {
        SetSourceColor(cr, caption.backColor);
        cairo_rectangle(cr, boxX, 0, boxW, h);
        cairo_fill(cr);
    }
    cairo_rectangle(cr, boxX, 0, boxW, h);
    cairo_clip(cr);
    const double x = boxX + (boxW - tw) / 2;
    const double y = (h - th) / 2;
    if (caption.backMode == 3) {
        SetSourceColor(cr, caption.backColor);
        static constexpr int shift[4][2] = {{0, -1}, {0, 1}, {-1, 0}, {1, 0}};
        for (const auto& d : shift) {
            cairo_move_to(cr, x + d[0], y + d[1]);
            pango_cairo_show_layout(cr, layout);
        }
    }
    SetSourceColor(cr, caption.textColor);
    cairo_move_to(cr, x, y);
    pango_cairo_show_layout(cr, layout);
    pango_font_description_free(font);
    g_object_unref(layout);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    cairo_surface_destroy(surface);
}

} // namespace tess
