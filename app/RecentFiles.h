#pragma once
// The most-recently-used file list: at most 6 paths, newest first, kept in the
// registry-style store under the program's key "\Recent File List" as "File1".."File6".
#include <string>
#include <vector>

namespace tess {

class RecentFiles {
public:
    static constexpr size_t kMaxEntries = 6;
    static constexpr size_t kMaxMenuText = 80;

    // Reads the list from the default store (nothing in ini mode).
    void Load();
    // Writes the list back; false when the store could not be written.
    bool Save() const;
    // Puts `path` first (removing an older entry of it) and saves.
    void Add(const std::string& path);
    void Remove(const std::string& path);
    const std::vector<std::string>& entries() const { return entries_; }

    // A menu text of at most 80 characters for entry `index` ("&1 /path/..."), the middle
    // of a long path cut out.
    std::string MenuText(size_t index) const;

private:
    std::vector<std::string> entries_;
};

} // namespace tess
