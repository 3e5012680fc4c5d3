#pragma once
// An ini file held in memory, with the reading and writing rules of the classic profile
// functions: case-insensitive sections and keys, values trimmed and unquoted on reading,
// reads cut to the caller's buffer (259 characters of a 260-character buffer), and the
// structure form (hex bytes followed by a one-byte checksum).
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace tess {

class IniFile {
public:
    // Replaces the contents with `text`. Lines that are neither a section header, a
    // "key=value" entry, a comment (";" or "#") nor blank are kept but reported in
    // problems(); so is text that is not text at all (control bytes).
    void Parse(const std::string& text);
    // Loads `path`. Returns false (and leaves the file empty) when it does not exist or
    // cannot be read; `exists` tells which.
    bool Load(const std::string& path, bool* exists = nullptr);
    // The file as text.
    std::string Serialize() const;
    // Writes the file atomically.
    bool Save(const std::string& path, std::string* error = nullptr) const;

    // The value of `key` in `section` (trimmed, one pair of enclosing quotes removed), or
    // nothing when absent.
    std::optional<std::string> Get(const std::string& section, const std::string& key) const;
    // Sets `key` in `section`, adding the section at the end and the key at the end of its
    // section when missing; an existing entry keeps its place.
    void Set(const std::string& section, const std::string& key, const std::string& value);
    // Removes `key` from `section`.
    void Remove(const std::string& section, const std::string& key);

    const std::vector<std::string>& problems() const { return problems_; }
    bool modified() const { return modified_; }
    void MarkModified() { modified_ = true; }
    // Drops the lines listed in problems() (before a damaged file is written again).
    void DropBadLines();

private:
    struct Line {
        std::string text;
        std::string section; // section name for headers, key for entries
        enum Kind { Other, Section, Entry } kind = Other;
        bool bad = false;
    };
    // Index range of a section's lines (header excluded); npos when missing.
    size_t FindSection(const std::string& section) const;
    size_t FindKey(size_t sectionHeader, const std::string& key) const;

    std::vector<Line> lines_;
    std::vector<std::string> problems_;
    bool modified_ = false;
};

// GetPrivateProfileString: the value or `def` (trailing blanks removed), cut to
// bufferSize - 1 characters.
std::string ProfileGetString(const IniFile& ini, const std::string& section, const std::string& key,
                             const std::string& def, size_t bufferSize = 260);
// GetPrivateProfileStruct: fills `out` with `size` bytes when the entry holds exactly that
// many hex bytes and a matching checksum; otherwise returns false and leaves `out` alone.
bool ProfileGetStruct(const IniFile& ini, const std::string& section, const std::string& key,
                      void* out, size_t size);
// WritePrivateProfileStruct: `size` bytes as upper-case hex plus the checksum byte (the low
// eight bits of the sum of the bytes).
void ProfileWriteStruct(IniFile& ini, const std::string& section, const std::string& key,
                        const void* data, size_t size);

// The structure text of `size` bytes, and its reverse (false on a bad length, bad digit or
// checksum mismatch).
std::string EncodeProfileStruct(const void* data, size_t size);
bool DecodeProfileStruct(const std::string& text, void* out, size_t size);

} // namespace tess
