#include "media/asf/AsfFormat.h"

namespace tess::asf {

std::vector<uint8_t> MakeObject(const Guid& g, const std::vector<uint8_t>& body) {
    Bytes b;
    b.Put(g);
    b.U64(kObjectHeaderSize + body.size());
    b.Put(body);
    return std::move(b.data());
}

std::u16string Reader::Utf16(size_t bytes) {
    std::u16string s;
    const size_t end = pos_ + bytes;
    bool ended = false;
    while (!bad_ && pos_ + 2 <= end) {
        char16_t c = static_cast<char16_t>(U16());
        if (c == 0)
            ended = true;
        if (!ended)
            s.push_back(c);
    }
    Seek(end);
    return s;
}

std::u16string ToUtf16(const std::string& s) {
    std::u16string out;
    size_t i = 0;
    while (i < s.size()) {
        uint32_t c = static_cast<uint8_t>(s[i]);
        int extra = 0;
        if (c >= 0xF0 && c < 0xF8) {
            c &= 0x07;
            extra = 3;
        } else if (c >= 0xE0) {
            c &= 0x0F;
            extra = 2;
        } else if (c >= 0xC0) {
            c &= 0x1F;
            extra = 1;
        } else if (c >= 0x80) {
            c = 0xFFFD; // a stray continuation byte
        }
        ++i;
        for (int k = 0; k < extra; ++k) {
            if (i >= s.size() || (static_cast<uint8_t>(s[i]) & 0xC0) != 0x80) {
                c = 0xFFFD;
                break;
            }
            c = (c << 6) | (static_cast<uint8_t>(s[i]) & 0x3F);
            ++i;
        }
        if (c >= 0x10000 && c <= 0x10FFFF) {
            c -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c > 0xFFFF ? 0xFFFD : c));
        }
    }
    return out;
}

std::string ToUtf8(const std::u16string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        uint32_t c = s[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
            s[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        }
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::vector<uint8_t> ContentDescriptionBody(const std::vector<Attribute>& attrs) {
    Bytes b;
    b.U16(static_cast<uint16_t>(attrs.size()));
    for (const auto& a : attrs) {
        const std::u16string name = ToUtf16(a.name);
        std::u16string value = ToUtf16(a.value);
        // A value's length field is 16 bits: longer text is cut at the limit.
        if (value.size() > 32766)
            value.resize(32766);
        b.U16(static_cast<uint16_t>((name.size() + 1) * 2));
        b.Utf16(name, true);
        b.U16(kTypeText);
        b.U16(static_cast<uint16_t>((value.size() + 1) * 2));
        b.Utf16(value, true);
    }
    return std::move(b.data());
}

} // namespace tess::asf
