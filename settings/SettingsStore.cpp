#include "settings/SettingsStore.h"

#include "platform/FileIo.h"
#include "platform/Log.h"
#include "settings/Paths.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>

namespace tess {

namespace {

// Renames a damaged file aside ("NAME.damaged", "NAME.damaged-2", ...); returns the new
// name, or empty when the rename failed.
std::string MoveAside(const std::string& path) {
    for (int i = 1; i < 1000; ++i) {
        std::string to = path + ".damaged";
        if (i > 1)
            to += "-" + std::to_string(i);
        struct stat st {};
        if (::lstat(to.c_str(), &st) == 0)
            continue;
        if (::rename(path.c_str(), to.c_str()) == 0)
            return to;
        return {};
    }
    return {};
}

std::string JoinProblems(const std::vector<std::string>& problems) {
    std::string out;
    for (size_t i = 0; i < problems.size() && i < 3; ++i) {
        if (i)
            out += "; ";
        out += problems[i];
    }
    if (problems.size() > 3)
        out += "; ...";
    return out;
}

bool MakeParentDirs(const std::string& path) {
    std::error_code ec;
    auto parent = std::filesystem::path(path).parent_path();
    if (parent.empty())
        return true;
    std::filesystem::create_directories(parent, ec);
    return std::filesystem::is_directory(parent, ec);
}

} // namespace

bool ParseLong(const std::string& text, long& value) {
    const char* s = text.c_str();
    while (*s == ' ' || *s == '\t' || *s == '\n' || *s == '\r' || *s == '\v' || *s == '\f')
        ++s;
    const char* digits = s;
    if (*digits == '+' || *digits == '-')
        ++digits;
    if (*digits < '0' || *digits > '9')
        return false;
    errno = 0;
    long v = std::strtol(s, nullptr, 10);
    if (errno == ERANGE)
        return false;
    value = v;
    return true;
}

void SettingsStore::Warn(const std::string& text) {
    warnings_.push_back(text);
    LogNotice("warning: %s", text.c_str());
}

void SettingsStore::OpenIni(const std::string& file, bool userFile) {
    registry_ = false;
    path_ = file;
    bool exists = false;
    ini_.Load(file, &exists);
    if (!exists) {
        std::error_code ec;
        if (std::filesystem::exists(file, ec))
            Warn("cannot read the settings file " + file);
        return;
    }
    if (ini_.problems().empty())
        return;
    damaged_ = true;
    if (userFile) {
        Warn("the settings file " + file + " is damaged (" + JoinProblems(ini_.problems()) +
             "); what could be read was loaded, the file is left as it is");
        readOnly_ = true;
        return;
    }
    std::string aside = MoveAside(file);
    if (aside.empty()) {
        Warn("the settings file " + file + " is damaged and cannot be moved aside; it is " +
             "left as it is and settings are not saved to it");
        readOnly_ = true;
        return;
    }
    Warn("the settings file " + file + " was damaged (" + JoinProblems(ini_.problems()) +
         "); kept as " + aside + ", what could be read was loaded");
    ini_.DropBadLines();
    ini_.MarkModified(); // written again, fresh, by Close
}

void SettingsStore::Open(const std::string& file, Purpose purpose) {
    open_ = true;
    readOnly_ = false;
    damaged_ = false;
    warnings_.clear();
    if (!file.empty()) {
        // A file the caller named: it may be written (a save) but a damaged one is never
        // written by a load.
        OpenIni(file, true);
        if (purpose == Purpose::Save)
            readOnly_ = false;
        return;
    }
    std::string regPath = RegistryStorePath();
    bool ok = MakeParentDirs(regPath);
    bool exists = false;
    if (ok) {
        reg_.Load(regPath, &exists);
        if (!exists) {
            std::error_code ec;
            if (std::filesystem::exists(regPath, ec)) {
                ok = false; // there but not a readable file
            } else {
                RegFile fresh;
                fresh.AddKey(kProgramKey);
                ok = fresh.Save(regPath);
                reg_ = RegFile();
                reg_.Parse(fresh.Serialize());
            }
        }
    }
    if (!ok) {
        OpenIni(DefaultIniPath(), false);
        return;
    }
    registry_ = true;
    path_ = regPath;
    if (!reg_.problems().empty()) {
        damaged_ = true;
        std::string aside = MoveAside(regPath);
        if (aside.empty()) {
            Warn("the settings store " + regPath + " is damaged and cannot be moved aside; " +
                 "it is left as it is and settings are not saved to it");
            readOnly_ = true;
        } else {
            Warn("the settings store " + regPath + " was damaged (" +
                 JoinProblems(reg_.problems()) + "); kept as " + aside +
                 ", what could be read was loaded");
            reg_.MarkModified(); // written again, fresh, by Close
        }
    }
    reg_.AddKey(kProgramKey);
}

bool SettingsStore::Close() {
    if (!open_)
        return true;
    open_ = false;
    if (readOnly_)
        return true;
    std::string error;
    if (registry_) {
        if (reg_.modified() && !reg_.Save(path_, &error)) {
            Warn("cannot save the settings store " + path_ + ": " + error);
            return false;
        }
    } else if (ini_.modified()) {
        if (!MakeParentDirs(path_) || !ini_.Save(path_, &error)) {
            Warn("cannot save the settings file " + path_ + ": " + error);
            return false;
        }
    }
    return true;
}

// --- SettingsAccess -------------------------------------------------------------------

std::string PeekSetting(const std::string& group, const std::string& name) {
    std::string out;
    bool exists = false;
    RegFile reg;
    reg.Load(RegistryStorePath(), &exists);
    if (exists) {
        SettingsAccess(nullptr, &reg, group).ReadString(name, out, "");
        return out;
    }
    IniFile ini;
    ini.Load(DefaultIniPath(), &exists);
    if (exists)
        SettingsAccess(&ini, nullptr, group).ReadString(name, out, "");
    return out;
}

bool SettingsAccess::ReadString(const std::string& name, std::string& out, const char* def) {
    if (name.empty())
        return false;
    if (reg_) {
        const RegFile::Value* v = reg_->Find(kProgramKey, name);
        if (v && v->type == RegFile::Type::String) {
            out = v->data.substr(0, 259);
            if (auto nul = out.find('\0'); nul != std::string::npos)
                out.resize(nul);
            return true;
        }
        if (!def)
            return false;
        out = std::string(def).substr(0, 259);
        return true;
    }
    if (!ini_)
        return false;
    out = ProfileGetString(*ini_, group_, name, def ? def : "", 260);
    return !out.empty();
}

long SettingsAccess::ReadInt(const std::string& name, long def) {
    std::string defText = std::to_string(def);
    std::string text;
    ReadString(name, text, defText.c_str());
    long v = def;
    if (!ParseLong(text, v))
        v = def;
    return v;
}

bool SettingsAccess::ReadStruct(const std::string& name, void* out, size_t size, const void* def) {
    if (name.empty() || !out)
        return false;
    if (reg_) {
        const RegFile::Value* v = reg_->Find(kProgramKey, name);
        if (v && v->type == RegFile::Type::Binary && v->data.size() == size) {
            if (size)
                std::memcpy(out, v->data.data(), size);
            return true;
        }
        if (!def)
            return false;
        if (size)
            std::memcpy(out, def, size);
        return true;
    }
    if (!ini_)
        return false;
    if (def && size)
        std::memcpy(out, def, size);
    return ProfileGetStruct(*ini_, group_, name, out, size);
}

bool SettingsAccess::WriteString(const std::string& name, const std::string& text) {
    if (name.empty())
        return false;
    bool ok = false;
    if (reg_) {
        reg_->Set(kProgramKey, name, RegFile::Type::String, text);
        ok = true;
    }
    if (ini_) {
        // A line break would end the entry: keep the value on its line.
        std::string flat = text;
        for (char& c : flat)
            if (c == '\n' || c == '\r')
                c = ' ';
        ini_->Set(group_, name, flat);
        ok = true;
    }
    return ok;
}

bool SettingsAccess::WriteInt(const std::string& name, long value) {
    return WriteString(name, std::to_string(value));
}

bool SettingsAccess::WriteStruct(const std::string& name, const void* data, size_t size) {
    if (name.empty() || (!data && size))
        return false;
    bool ok = false;
    if (reg_) {
        reg_->Set(kProgramKey, name, RegFile::Type::Binary,
                  std::string(static_cast<const char*>(data), size));
        ok = true;
    }
    if (ini_) {
        ProfileWriteStruct(*ini_, group_, name, data, size);
        ok = true;
    }
    return ok;
}

uint8_t SettingsAccess::ReadByte(const std::string& name, uint8_t def) {
    if (reg_) {
        uint8_t v = def;
        ReadStruct(name, &v, 1, &def);
        return v;
    }
    return static_cast<uint8_t>(ReadInt(name, def) & 0xff);
}

int32_t SettingsAccess::ReadDword(const std::string& name, int32_t def) {
    if (reg_) {
        uint8_t b[4];
        uint8_t d[4];
        auto u = static_cast<uint32_t>(def);
        for (int i = 0; i < 4; ++i)
            d[i] = static_cast<uint8_t>(u >> (8 * i));
        ReadStruct(name, b, 4, d);
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v |= static_cast<uint32_t>(b[i]) << (8 * i);
        return static_cast<int32_t>(v);
    }
    long v = ReadInt(name, def);
    if (v < INT32_MIN || v > INT32_MAX)
        return def;
    return static_cast<int32_t>(v);
}

bool SettingsAccess::WriteByte(const std::string& name, uint8_t value) {
    if (reg_ && !ini_)
        return WriteStruct(name, &value, 1);
    return WriteInt(name, value);
}

bool SettingsAccess::WriteDword(const std::string& name, int32_t value) {
    if (reg_ && !ini_) {
        uint8_t b[4];
        auto u = static_cast<uint32_t>(value);
        for (int i = 0; i < 4; ++i)
            b[i] = static_cast<uint8_t>(u >> (8 * i));
        return WriteStruct(name, b, 4);
    }
    return WriteInt(name, value);
}

void SettingsAccess::Remove(const std::string& name) {
    if (reg_)
        reg_->Remove(kProgramKey, name);
    if (ini_)
        ini_->Remove(group_, name);
}

} // namespace tess
