#include "settings/RegFile.h"

#include "platform/FileIo.h"

#include <strings.h>

namespace tess {

namespace {

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}

std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r'))
        --e;
    return s.substr(b, e - b);
}

std::string Quote(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '\\' || c == '"')
            out += '\\';
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        out += c;
    }
    out += '"';
    return out;
}

// Reads a quoted string starting at s[pos] == '"'; advances pos past the closing quote.
bool Unquote(const std::string& s, size_t& pos, std::string& out) {
    if (pos >= s.size() || s[pos] != '"')
        return false;
    ++pos;
    out.clear();
    while (pos < s.size()) {
        char c = s[pos++];
        if (c == '"')
            return true;
        if (c == '\\') {
            if (pos >= s.size())
                return false;
            char e = s[pos++];
            out += e == 'n' ? '\n' : e;
        } else {
            out += c;
        }
    }
    return false;
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

bool ParseHexList(const std::string& s, std::string& out) {
    out.clear();
    std::string t = Trim(s);
    if (t.empty())
        return true;
    size_t pos = 0;
    for (;;) {
        while (pos < t.size() && (t[pos] == ' ' || t[pos] == '\t'))
            ++pos;
        if (pos + 2 > t.size())
            return false;
        int hi = HexDigit(t[pos]), lo = HexDigit(t[pos + 1]);
        if (hi < 0 || lo < 0)
            return false;
        out += static_cast<char>(hi * 16 + lo);
        pos += 2;
        while (pos < t.size() && (t[pos] == ' ' || t[pos] == '\t'))
            ++pos;
        if (pos == t.size())
            return true;
        if (t[pos] != ',')
            return false;
        ++pos;
    }
}

} // namespace

void RegFile::Parse(const std::string& text) {
    keys_.clear();
    problems_.clear();
    modified_ = false;
    // Join continuation lines (a line ending in "\" goes on with the next one).
    std::vector<std::pair<int, std::string>> lines;
    {
        size_t pos = 0;
        int number = 0;
        std::string pending;
        int pendingNumber = 0;
        while (pos < text.size()) {
            size_t nl = text.find('\n', pos);
            std::string raw =
                text.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
            pos = nl == std::string::npos ? text.size() : nl + 1;
            ++number;
            if (!raw.empty() && raw.back() == '\r')
                raw.pop_back();
            if (pending.empty())
                pendingNumber = number;
            std::string part = pending.empty() ? raw : Trim(raw);
            bool hexLine = !pending.empty() || part.find("=hex") != std::string::npos;
            if (hexLine && !part.empty() && part.back() == '\\') {
                part.pop_back();
                pending += part;
                continue;
            }
            lines.emplace_back(pendingNumber, pending + part);
            pending.clear();
        }
        if (!pending.empty())
            lines.emplace_back(pendingNumber, pending);
    }

    bool headerSeen = false;
    Key* current = nullptr;
    for (auto& [number, raw] : lines) {
        auto report = [&, n = number](const std::string& what) {
            problems_.push_back("line " + std::to_string(n) + ": " + what);
        };
        bool control = false;
        for (char c : raw)
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t')
                control = true;
        if (control) {
            report("not text");
            continue;
        }
        std::string t = Trim(raw);
        if (t.empty() || t[0] == ';')
            continue;
        if (!headerSeen) {
            headerSeen = true;
            if (t == "REGEDIT4" || t == "Windows Registry Editor Version 5.00")
                continue;
            report("missing REGEDIT4 header");
        }
        if (t[0] == '[') {
            if (t.back() != ']' || t.size() < 3 || t[1] == '-') {
                report("bad key line");
                current = nullptr;
                continue;
            }
            std::string path = t.substr(1, t.size() - 2);
            current = FindKey(path);
            if (!current) {
                keys_.push_back({path, {}});
                current = &keys_.back();
            }
            continue;
        }
        if (!current) {
            report("value outside a key");
            continue;
        }
        Value v;
        size_t pos = 0;
        if (t[0] == '@') {
            pos = 1;
        } else if (!Unquote(t, pos, v.name)) {
            report("bad value name");
            continue;
        }
        while (pos < t.size() && (t[pos] == ' ' || t[pos] == '\t'))
            ++pos;
        if (pos >= t.size() || t[pos] != '=') {
            report("missing '='");
            continue;
        }
        ++pos;
        std::string rest = Trim(t.substr(pos));
        if (!rest.empty() && rest[0] == '"') {
            size_t p = 0;
            if (!Unquote(rest, p, v.data) || Trim(rest.substr(p)).size() != 0) {
                report("bad text value");
                continue;
            }
            v.type = Type::String;
        } else if (rest.compare(0, 4, "hex:") == 0) {
            if (!ParseHexList(rest.substr(4), v.data)) {
                report("bad hex value");
                continue;
            }
            v.type = Type::Binary;
        } else if (rest.compare(0, 6, "dword:") == 0) {
            std::string d = Trim(rest.substr(6));
            unsigned long x = 0;
            bool ok = !d.empty() && d.size() <= 8;
            for (char c : d) {
                int h = HexDigit(c);
                if (h < 0)
                    ok = false;
                x = x * 16 + static_cast<unsigned long>(h < 0 ? 0 : h);
            }
            if (!ok) {
                report("bad dword value");
                continue;
            }
            v.type = Type::Binary;
            for (int i = 0; i < 4; ++i)
                v.data += static_cast<char>((x >> (8 * i)) & 0xff);
        } else {
            report("unknown value type");
            continue;
        }
        bool replaced = false;
        for (auto& old : current->values)
            if (SameName(old.name, v.name)) {
                old = v;
                replaced = true;
            }
        if (!replaced)
            current->values.push_back(std::move(v));
    }
    if (!text.empty() && !headerSeen)
        problems_.push_back("no content");
}

bool RegFile::Load(const std::string& path, bool* exists) {
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

std::string RegFile::Serialize() const {
    static const char* digits = "0123456789abcdef";
    std::string out = "REGEDIT4\n";
    for (const auto& k : keys_) {
        out += "\n[" + k.path + "]\n";
        for (const auto& v : k.values) {
            out += v.name.empty() ? std::string("@") : Quote(v.name);
            out += '=';
            if (v.type == Type::String) {
                out += Quote(v.data);
            } else {
                out += "hex:";
                for (size_t i = 0; i < v.data.size(); ++i) {
                    auto b = static_cast<unsigned char>(v.data[i]);
                    if (i)
                        out += ',';
                    out += digits[b >> 4];
                    out += digits[b & 15];
                }
            }
            out += '\n';
        }
    }
    return out;
}

bool RegFile::Save(const std::string& path, std::string* error) const {
    return WriteFileAtomic(path, Serialize(), error);
}

RegFile::Key* RegFile::FindKey(const std::string& path) {
    for (auto& k : keys_)
        if (SameName(k.path, path))
            return &k;
    return nullptr;
}

const RegFile::Key* RegFile::FindKey(const std::string& path) const {
    for (const auto& k : keys_)
        if (SameName(k.path, path))
            return &k;
    return nullptr;
}

const RegFile::Value* RegFile::Find(const std::string& key, const std::string& name) const {
    const Key* k = FindKey(key);
    if (!k)
        return nullptr;
    for (const auto& v : k->values)
        if (SameName(v.name, name))
            return &v;
    return nullptr;
}

void RegFile::Set(const std::string& key, const std::string& name, Type type, std::string data) {
    modified_ = true;
    Key* k = FindKey(key);
    if (!k) {
        keys_.push_back({key, {}});
        k = &keys_.back();
    }
    for (auto& v : k->values)
        if (SameName(v.name, name)) {
            v.type = type;
            v.data = std::move(data);
            return;
        }
    k->values.push_back({name, type, std::move(data)});
}

bool RegFile::Remove(const std::string& key, const std::string& name) {
    Key* k = FindKey(key);
    if (!k)
        return false;
    for (auto it = k->values.begin(); it != k->values.end(); ++it)
        if (SameName(it->name, name)) {
            k->values.erase(it);
            modified_ = true;
            return true;
        }
    return false;
}

void RegFile::AddKey(const std::string& key) {
    if (!FindKey(key)) {
        keys_.push_back({key, {}});
        modified_ = true;
    }
}

std::vector<std::string> RegFile::Names(const std::string& key) const {
    std::vector<std::string> out;
    if (const Key* k = FindKey(key))
        for (const auto& v : k->values)
            out.push_back(v.name);
    return out;
}

} // namespace tess
