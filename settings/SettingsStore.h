#pragma once
// The settings store: the registry-style file (one flat key) or an ini file (one section
// per group), and SettingsAccess, the handle through which a group reads and writes its
// values in either.
#include "settings/IniFile.h"
#include "settings/RegFile.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tess {

// One opened store. The whole file is read when it is opened and written back (atomically)
// by Close() when something changed.
class SettingsStore {
public:
    enum class Purpose { Load, Save };

    // Opens `file` in ini mode when it is non-empty; otherwise the default store: the
    // registry-style file (created when missing), or, when that cannot be opened or created,
    // the ini file next to the executable.
    //
    // A default store that is damaged (not text, unreadable lines) is loaded as far as it
    // can be read, renamed aside ("NAME.damaged"), and written again fresh on Close(); a
    // damaged file named by the caller is left as it is. Both are reported in warnings().
    void Open(const std::string& file, Purpose purpose);
    // Writes back what changed. False when that write failed (reported in warnings()).
    bool Close();

    bool registryMode() const { return registry_; }
    RegFile* reg() { return registry_ ? &reg_ : nullptr; }
    IniFile* ini() { return registry_ ? nullptr : &ini_; }
    // The file behind the store.
    const std::string& path() const { return path_; }
    // True when the store that was opened is damaged (see Open).
    bool damaged() const { return damaged_; }
    const std::vector<std::string>& warnings() const { return warnings_; }

private:
    void Warn(const std::string& text);
    void OpenIni(const std::string& file, bool userFile);

    bool registry_ = false;
    bool readOnly_ = false;
    bool damaged_ = false;
    bool open_ = false;
    std::string path_;
    RegFile reg_;
    IniFile ini_;
    std::vector<std::string> warnings_;
};

// The handle of one settings group: the ini file (absent in registry mode), the registry
// key (absent in ini mode) and the group (section) name. It borrows all three.
class SettingsAccess {
public:
    SettingsAccess(IniFile* ini, RegFile* reg, std::string group)
        : ini_(ini), reg_(reg), group_(std::move(group)) {}
    // The group in `store`, in the store's mode.
    SettingsAccess(SettingsStore& store, std::string group)
        : ini_(store.ini()), reg_(store.reg()), group_(std::move(group)) {}

    bool registryMode() const { return reg_ != nullptr; }
    const std::string& group() const { return group_; }

    // Text of at most 259 characters. When the value is missing, `def` is copied (a null
    // `def` makes the read fail). Ini mode answers false for an empty result.
    bool ReadString(const std::string& name, std::string& out, const char* def);
    // A decimal integer; text that does not parse leaves `def`.
    long ReadInt(const std::string& name, long def);
    // A block of `size` bytes. Registry mode: the binary value when it has exactly `size`
    // bytes, else `def`. Ini mode: `def` first, then the structure entry when it is intact.
    bool ReadStruct(const std::string& name, void* out, size_t size, const void* def);

    bool WriteString(const std::string& name, const std::string& text);
    bool WriteInt(const std::string& name, long value);
    bool WriteStruct(const std::string& name, const void* data, size_t size);

    // One-byte and four-byte values: binary little-endian in the registry, decimal text in
    // the ini file.
    uint8_t ReadByte(const std::string& name, uint8_t def);
    int32_t ReadDword(const std::string& name, int32_t def);
    bool WriteByte(const std::string& name, uint8_t value);
    bool WriteDword(const std::string& name, int32_t value);

    // Removes a value (registry: the value; ini: the entry).
    void Remove(const std::string& name);

private:
    IniFile* ini_;
    RegFile* reg_;
    std::string group_;
};

// One text value of the default store, read without opening it (nothing is created, moved
// aside or written): for what must be known before the settings are loaded, such as the
// language of the program's texts. "" when the store or the value is missing.
std::string PeekSetting(const std::string& group, const std::string& name);

// Parses a decimal integer the way "%ld" does (leading blanks, optional sign, digits, the
// rest ignored). False when no digit was found.
bool ParseLong(const std::string& text, long& value);

} // namespace tess
