#include "media/TextPrep.h"

#include <algorithm>
#include <array>

#include "media/MemBm.h"

namespace tess {

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

std::string Trimmed(const std::string& s) {
    size_t begin = 0, end = s.size();
    while (begin < end && IsSpace(s[begin]))
        ++begin;
    while (end > begin && IsSpace(s[end - 1]))
        --end;
    return s.substr(begin, end - begin);
}

// For output column (or row) `i` of a doubled line of `n` pixels: the two source pixels and
// the weight of the first in quarters. The output pixel's centre lies a quarter of a source
// pixel before (even i) or after (odd i) the centre of source pixel i / 2.
struct Tap {
    int32_t a, b, weightA;
};

Tap TapFor(int32_t i, int32_t n) {
    const int32_t s = i / 2;
    if (i % 2 == 0)
        return {std::max(s - 1, 0), s, 1};
    return {s, std::min(s + 1, n - 1), 3};
}

} // namespace

uint8_t GreyOf(uint8_t red, uint8_t green, uint8_t blue) {
    return static_cast<uint8_t>((299u * red + 587u * green + 114u * blue + 500u) / 1000u);
}

GreyPicture ToGrey(const MemBm& picture) {
    GreyPicture g;
    if (picture.empty())
        return g;
    g.width = picture.width();
    g.height = picture.height();
    g.pixels.resize(static_cast<size_t>(g.width) * static_cast<size_t>(g.height));
    uint8_t* out = g.pixels.data();
    for (int32_t y = 0; y < g.height; ++y) {
        const uint8_t* p = picture.pixelAddress(0, y);
        for (int32_t x = 0; x < g.width; ++x, p += 4)
            *out++ = GreyOf(p[2], p[1], p[0]);
    }
    return g;
}

bool IsMostlyDark(const GreyPicture& grey) {
    if (grey.empty())
        return false;
    uint64_t sum = 0;
    for (uint8_t v : grey.pixels)
        sum += v;
    return sum < 128u * grey.pixels.size();
}

void Invert(GreyPicture& grey) {
    for (uint8_t& v : grey.pixels)
        v = static_cast<uint8_t>(255 - v);
}

GreyPicture ScaleTwice(const GreyPicture& grey) {
    GreyPicture out;
    if (grey.empty())
        return out;
    out.width = grey.width * 2;
    out.height = grey.height * 2;
    out.pixels.resize(static_cast<size_t>(out.width) * static_cast<size_t>(out.height));
    std::vector<Tap> columns(static_cast<size_t>(out.width));
    for (int32_t x = 0; x < out.width; ++x)
        columns[static_cast<size_t>(x)] = TapFor(x, grey.width);
    uint8_t* o = out.pixels.data();
    for (int32_t y = 0; y < out.height; ++y) {
        const Tap row = TapFor(y, grey.height);
        const uint8_t* ra = &grey.pixels[static_cast<size_t>(row.a) * grey.width];
        const uint8_t* rb = &grey.pixels[static_cast<size_t>(row.b) * grey.width];
        for (const Tap& c : columns) {
            const int32_t top = ra[c.a] * c.weightA + ra[c.b] * (4 - c.weightA);
            const int32_t bottom = rb[c.a] * c.weightA + rb[c.b] * (4 - c.weightA);
            *o++ = static_cast<uint8_t>((top * row.weightA + bottom * (4 - row.weightA) + 8) / 16);
        }
    }
    return out;
}

uint8_t EdgeGrey(const GreyPicture& grey) {
    if (grey.empty())
        return 255;
    std::array<uint32_t, 256> counts{};
    for (int32_t x = 0; x < grey.width; ++x) {
        ++counts[grey.at(x, 0)];
        ++counts[grey.at(x, grey.height - 1)];
    }
    for (int32_t y = 0; y < grey.height; ++y) {
        ++counts[grey.at(0, y)];
        ++counts[grey.at(grey.width - 1, y)];
    }
    return static_cast<uint8_t>(std::max_element(counts.begin(), counts.end()) - counts.begin());
}

GreyPicture Pad(const GreyPicture& grey, int32_t margin, uint8_t fill) {
    GreyPicture out;
    if (grey.empty())
        return out;
    out.width = grey.width + 2 * margin;
    out.height = grey.height + 2 * margin;
    out.pixels.assign(static_cast<size_t>(out.width) * static_cast<size_t>(out.height), fill);
    for (int32_t y = 0; y < grey.height; ++y)
        std::copy_n(&grey.pixels[static_cast<size_t>(y) * grey.width], grey.width,
                    &out.pixels[static_cast<size_t>(y + margin) * out.width + margin]);
    return out;
}

GreyPicture PrepareForRecognition(const MemBm& picture) {
    GreyPicture grey = ToGrey(picture);
    if (IsMostlyDark(grey))
        Invert(grey);
    GreyPicture scaled = ScaleTwice(grey);
    return Pad(scaled, kTextMargin, EdgeGrey(scaled));
}

size_t CharacterCount(const std::string& text) {
    // Every byte but the continuation bytes (10xxxxxx) starts a character.
    return static_cast<size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

std::string AssembleText(const std::vector<RecognizedWord>& words) {
    std::vector<std::string> lines;
    bool first = true; // the next word is its line's first
    for (const RecognizedWord& w : words) {
        if (w.startsLine || lines.empty()) {
            lines.emplace_back();
            first = true;
        }
        const std::string text = Trimmed(w.text);
        if (text.empty())
            continue;
        const bool debris =
            first && CharacterCount(text) <= kDebrisLength && w.confidence < kDebrisConfidence;
        first = false;
        if (debris)
            continue;
        if (!lines.back().empty())
            lines.back() += ' ';
        lines.back() += text;
    }
    // A line that held only debris leaves no blank line behind.
    std::string out;
    for (const std::string& line : lines) {
        if (line.empty())
            continue;
        if (!out.empty())
            out += '\n';
        out += line;
    }
    return out;
}

bool ReadScreenText(const MemBm& picture, const std::string& languages, std::string* text,
                    std::string* error, const std::atomic<bool>* cancel) {
    text->clear();
    TextRecognizer* recognizer = RecognizerForThisThread(languages, error);
    if (!recognizer)
        return false;
    const GreyPicture grey = PrepareForRecognition(picture);
    std::vector<RecognizedWord> words;
    if (!recognizer->recognize(grey.pixels.data(), grey.width, grey.height, grey.width, &words,
                               error, cancel))
        return false;
    *text = AssembleText(words);
    return true;
}

std::string FirstLine(const std::string& text) {
    return Trimmed(text.substr(0, text.find('\n')));
}

} // namespace tess
