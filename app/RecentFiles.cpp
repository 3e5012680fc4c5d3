#include "app/RecentFiles.h"

#include "settings/SettingsStore.h"

#include <algorithm>

namespace tess {

namespace {

std::string ListKey() {
    return std::string(kProgramKey) + "\\Recent File List";
}

} // namespace

void RecentFiles::Load() {
    entries_.clear();
    SettingsStore store;
    store.Open({}, SettingsStore::Purpose::Load);
    if (RegFile* reg = store.reg()) {
        for (size_t i = 1; i <= kMaxEntries; ++i) {
            const RegFile::Value* v = reg->Find(ListKey(), "File" + std::to_string(i));
            if (v && v->type == RegFile::Type::String && !v->data.empty() &&
                std::find(entries_.begin(), entries_.end(), v->data) == entries_.end())
                entries_.push_back(v->data);
        }
    }
    store.Close();
}

bool RecentFiles::Save() const {
    SettingsStore store;
    store.Open({}, SettingsStore::Purpose::Save);
    if (RegFile* reg = store.reg()) {
        for (size_t i = 1; i <= kMaxEntries; ++i) {
            std::string name = "File" + std::to_string(i);
            if (i <= entries_.size())
                reg->Set(ListKey(), name, RegFile::Type::String, entries_[i - 1]);
            else
                reg->Remove(ListKey(), name);
        }
    }
    return store.Close();
}

void RecentFiles::Add(const std::string& path) {
    if (path.empty())
        return;
    entries_.erase(std::remove(entries_.begin(), entries_.end(), path), entries_.end());
    entries_.insert(entries_.begin(), path);
    if (entries_.size() > kMaxEntries)
        entries_.resize(kMaxEntries);
    Save();
}

void RecentFiles::Remove(const std::string& path) {
    auto before = entries_.size();
    entries_.erase(std::remove(entries_.begin(), entries_.end(), path), entries_.end());
    if (entries_.size() != before)
        Save();
}

std::string RecentFiles::MenuText(size_t index) const {
    if (index >= entries_.size())
        return {};
    std::string prefix = "&" + std::to_string(index + 1) + " ";
    std::string path = entries_[index];
    // "&" in a menu text would become a mnemonic: double it.
    std::string escaped;
    for (char c : path) {
        escaped += c;
        if (c == '&')
            escaped += '&';
    }
    size_t room = kMaxMenuText - prefix.size();
    if (escaped.size() > room) {
        size_t keepTail = room / 2;
        size_t keepHead = room - keepTail - 3;
        escaped = escaped.substr(0, keepHead) + "..." + escaped.substr(escaped.size() - keepTail);
    }
    return prefix + escaped;
}

} // namespace tess
