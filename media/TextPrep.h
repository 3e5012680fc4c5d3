#pragma once
// Preparing a picture of the screen for the text recogniser, and tidying what it reads.
// Screen text is small, often light on dark and cut close to its letters; the recogniser
// reads best dark text on a light page, larger than the screen shows it, with a margin. So a
// grab goes to 8-bit grey, is inverted when it is mostly dark, scaled up twice (bilinear)
// and padded with its own edge colour. After recognition the words are put back into lines
// (line breaks kept), lines are trimmed, and the debris of icons (a short word at the start
// of a line that the recogniser is not sure of) is dropped. Pure functions, no toolkit.
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/TextRecognizer.h"
#include "platform/Translate.h"

namespace tess {

class MemBm;

// An 8-bit grey picture, rows top to bottom, `width` bytes a row.
struct GreyPicture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> pixels;

    bool empty() const { return pixels.empty(); }
    uint8_t at(int32_t x, int32_t y) const {
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + x];
    }
};

// How much the picture is scaled up, and the margin added around it (in scaled pixels).
inline constexpr int32_t kTextScale = 2;
inline constexpr int32_t kTextMargin = 20;

// The grey of a colour by the usual luma weights (0.299 red, 0.587 green, 0.114 blue),
// rounded: pure red gives 76.
uint8_t GreyOf(uint8_t red, uint8_t green, uint8_t blue);

// The picture (blue, green, red, unused bytes) in grey; empty for an empty picture.
GreyPicture ToGrey(const MemBm& picture);

// True when the picture's mean grey is below the middle (light text on a dark ground).
bool IsMostlyDark(const GreyPicture& grey);

// Every pixel v becomes 255 - v.
void Invert(GreyPicture& grey);

// Twice the width and height, each new pixel mixed from its four nearest source pixels by
// their distance to its centre (edges repeated).
GreyPicture ScaleTwice(const GreyPicture& grey);

// The grey that the outermost rows and columns show most often (the ground the text sits on).
uint8_t EdgeGrey(const GreyPicture& grey);

// The picture with `margin` pixels of `fill` added on every side.
GreyPicture Pad(const GreyPicture& grey, int32_t margin, uint8_t fill);

// All of the above: grey, inverted when mostly dark, scaled twice, padded in the edge grey.
GreyPicture PrepareForRecognition(const MemBm& picture);

// Below this confidence a word of at most kDebrisLength characters at the start of a line is
// taken for an icon the recogniser read as letters.
inline constexpr float kDebrisConfidence = 70;
inline constexpr size_t kDebrisLength = 2;

// The words as text: one line per recognised line, words parted by one space, icon debris
// dropped (a line left empty goes), lines trimmed, no final line break.
// Empty when no text is left.
std::string AssembleText(const std::vector<RecognizedWord>& words);

// Shown where a picture held no text: translate at use, Tr(kNoTextFoundMessage).
inline constexpr char kNoTextFoundMessage[] = N_("No text found");

// Reads the text of a screen picture with this thread's recogniser for `languages`
// (RecognizerForThisThread): prepared, recognised and assembled as above. False, with the
// message, when the recogniser cannot run or was cancelled; true with empty text when the
// picture holds none.
bool ReadScreenText(const MemBm& picture, const std::string& languages, std::string* text,
                    std::string* error, const std::atomic<bool>* cancel = nullptr);

// The first line of `text` (for a notification).
std::string FirstLine(const std::string& text);

// The number of characters (UTF-8 code points) of `text`.
size_t CharacterCount(const std::string& text);

} // namespace tess
