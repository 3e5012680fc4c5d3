#pragma once
// The registry-style store: keys holding typed values, kept in a REGEDIT4 text file:
//
//   REGEDIT4
//
//   [HKEY_CURRENT_USER\Software\Quorvanta\Tessaray]
//   "CapString"="Tessaray %a %H:%M:%S"
//   "Volume"=hex:50
//
// Text values are "REG_SZ" (quoted, with \\ and \" escapes), binary values "hex:" byte
// lists, and "dword:" values are read as four little-endian bytes.
#include <optional>
#include <string>
#include <vector>

namespace tess {

// The program's key.
inline constexpr const char* kProgramKey = "HKEY_CURRENT_USER\\Software\\Quorvanta\\Tessaray";

class RegFile {
public:
    enum class Type { String, Binary };
    struct Value {
        std::string name;
        Type type = Type::String;
        std::string data; // the text, or the raw bytes
    };

    // Replaces the contents with `text`; everything that can be read is kept, the rest is
    // listed in problems().
    void Parse(const std::string& text);
    // Loads `path`; false when it does not exist or cannot be read (`exists` tells which).
    bool Load(const std::string& path, bool* exists = nullptr);
    std::string Serialize() const;
    bool Save(const std::string& path, std::string* error = nullptr) const;

    const Value* Find(const std::string& key, const std::string& name) const;
    void Set(const std::string& key, const std::string& name, Type type, std::string data);
    bool Remove(const std::string& key, const std::string& name);
    // Creates `key` (empty) when it is missing.
    void AddKey(const std::string& key);
    // Names of the values under `key`, in file order.
    std::vector<std::string> Names(const std::string& key) const;

    const std::vector<std::string>& problems() const { return problems_; }
    bool modified() const { return modified_; }
    void MarkModified() { modified_ = true; }

private:
    struct Key {
        std::string path;
        std::vector<Value> values;
    };
    Key* FindKey(const std::string& path);
    const Key* FindKey(const std::string& path) const;

    std::vector<Key> keys_;
    std::vector<std::string> problems_;
    bool modified_ = false;
};

} // namespace tess
