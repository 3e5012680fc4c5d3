#include "settings/IniFile.h"

#include "platform/FileIo.h"

#include <cstring>
#include <strings.h>

namespace tess {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && IsBlank(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

void IniFile::Parse(const std::string& text) {
    lines_.clear();
    problems_.clear();
    modified_ = false;
    bool controlReported = false;
    size_t pos = 0;
    int number = 0;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        std::string raw = text.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
        pos = nl == std::string::npos ? text.size() : nl + 1;
        ++number;
        // Line ends of CR LF, and the CR CR LF of a file converted twice.
        while (!raw.empty() && raw.back() == '\r')
            raw.pop_back();
        bool bad = false;
        for (char c : raw) {
            auto u = static_cast<unsigned char>(c);
            if (u < 0x20 && c != '\t') {
                if (!controlReported)
                    problems_.push_back("line " + std::to_string(number) + ": not text");
                controlReported = true;
                bad = true;
            }
        }
        Line line;
        line.bad = bad;
        line.text = raw;
        std::string t = Trim(raw);
        if (t.empty() || t[0] == ';' || t[0] == '#') {
            line.kind = Line::Other;
        } else if (t[0] == '[') {
            auto close = t.find(']');
            if (close == std::string::npos) {
                problems_.push_back("line " + std::to_string(number) + ": unclosed section");
                line.kind = Line::Other;
                line.bad = true;
            } else {
                line.kind = Line::Section;
                line.section = Trim(t.substr(1, close - 1));
            }
        } else if (auto eq = t.find('='); eq != std::string::npos) {
            line.kind = Line::Entry;
            line.section = Trim(t.substr(0, eq));
        } else {
            problems_.push_back("line " + std::to_string(number) + ": not an entry");
            line.bad = true;
        }
        if (line.bad)
            line.kind = Line::Other;
        lines_.push_back(std::move(line));
    }
}

bool IniFile::Load(const std::string& path, bool* exists) {
    auto data = ReadWholeFile(path);
    if (exists)
        *exists = data.has_value();
    if (!data) {
        Parse({});
        return false;
    }
    Parse(*data);
    return true;
}

std::string IniFile::Serialize() const {
    std::string out;
    for (const auto& l : lines_) {
        out += l.text;
        out += '\n';
    }
    return out;
}

bool IniFile::Save(const std::string& path, std::string* error) const {
    return WriteFileAtomic(path, Serialize(), error);
}

void IniFile::DropBadLines() {
    std::vector<Line> kept;
    for (auto& l : lines_)
        if (!l.bad)
            kept.push_back(std::move(l));
    if (kept.size() != lines_.size())
        modified_ = true;
    lines_ = std::move(kept);
}

size_t IniFile::FindSection(const std::string& section) const {
    for (size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i].kind == Line::Section && SameName(lines_[i].section, section))
            return i;
    return std::string::npos;
}

size_t IniFile::FindKey(size_t header, const std::string& key) const {
    for (size_t i = header + 1; i < lines_.size() && lines_[i].kind != Line::Section; ++i)
        if (lines_[i].kind == Line::Entry && SameName(lines_[i].section, key))
            return i;
    return std::string::npos;
}

std::optional<std::string> IniFile::Get(const std::string& section, const std::string& key) const {
    size_t h = FindSection(section);
    if (h == std::string::npos)
        return std::nullopt;
    size_t k = FindKey(h, key);
    if (k == std::string::npos)
        return std::nullopt;
    const std::string& raw = lines_[k].text;
    std::string v = Trim(raw.substr(raw.find('=') + 1));
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return v;
}

void IniFile::Set(const std::string& section, const std::string& key, const std::string& value) {
    modified_ = true;
    Line entry;
    entry.kind = Line::Entry;
    entry.section = key;
    entry.text = key + "=" + value;
    size_t h = FindSection(section);
    if (h == std::string::npos) {
        Line header;
        header.kind = Line::Section;
        header.section = section;
        header.text = "[" + section + "]";
        lines_.push_back(header);
        lines_.push_back(entry);
        return;
    }
    size_t k = FindKey(h, key);
    if (k != std::string::npos) {
        lines_[k] = entry;
        return;
    }
    // After the section's last entry (blank lines and comments behind it stay behind it).
    size_t at = h + 1;
    for (size_t i = h + 1; i < lines_.size() && lines_[i].kind != Line::Section; ++i)
        if (lines_[i].kind == Line::Entry)
            at = i + 1;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), entry);
}

void IniFile::Remove(const std::string& section, const std::string& key) {
    size_t h = FindSection(section);
    if (h == std::string::npos)
        return;
    size_t k = FindKey(h, key);
    if (k == std::string::npos)
        return;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(k));
    modified_ = true;
}

std::string ProfileGetString(const IniFile& ini, const std::string& section, const std::string& key,
                             const std::string& def, size_t bufferSize) {
    std::string v;
    if (auto got = ini.Get(section, key)) {
        v = *got;
    } else {
        v = def;
        while (!v.empty() && IsBlank(v.back()))
            v.pop_back();
    }
    if (bufferSize == 0)
        return {};
    if (v.size() > bufferSize - 1)
        v.resize(bufferSize - 1);
    return v;
}

std::string EncodeProfileStruct(const void* data, size_t size) {
    static const char* digits = "0123456789ABCDEF";
    const auto* p = static_cast<const unsigned char*>(data);
    std::string out;
    out.reserve(size * 2 + 2);
    unsigned sum = 0;
    for (size_t i = 0; i < size; ++i) {
        out += digits[p[i] >> 4];
        out += digits[p[i] & 15];
        sum += p[i];
    }
    out += digits[(sum >> 4) & 15];
    out += digits[sum & 15];
    return out;
}

bool DecodeProfileStruct(const std::string& text, void* out, size_t size) {
    if (text.size() != size * 2 + 2)
        return false;
    std::string bytes(size + 1, '\0');
    for (size_t i = 0; i <= size; ++i) {
        int hi = HexDigit(text[2 * i]), lo = HexDigit(text[2 * i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        bytes[i] = static_cast<char>(hi * 16 + lo);
    }
    unsigned sum = 0;
    for (size_t i = 0; i < size; ++i)
        sum += static_cast<unsigned char>(bytes[i]);
    if ((sum & 0xff) != static_cast<unsigned char>(bytes[size]))
        return false;
    if (size)
        std::memcpy(out, bytes.data(), size);
    return true;
}

bool ProfileGetStruct(const IniFile& ini, const std::string& section, const std::string& key,
                      void* out, size_t size) {
    auto v = ini.Get(section, key);
    if (!v)
        return false;
    return DecodeProfileStruct(*v, out, size);
}

void ProfileWriteStruct(IniFile& ini, const std::string& section, const std::string& key,
                        const void* data, size_t size) {
    ini.Set(section, key, EncodeProfileStruct(data, size));
}

} // namespace tess
