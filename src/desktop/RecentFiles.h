#pragma once
// The recent-file list of the application menu ("Последние документы"), kept in the settings store.
#include <string>
#include <vector>

namespace docvane {

class SettingsStore;

class RecentFiles {
  public:
    static constexpr std::size_t kMaxEntries = 8;

    // Puts path first; an entry already in the list moves up; the ninth falls off.
    void Add(const std::string& path);
    void Remove(const std::string& path);
    const std::vector<std::string>& Entries() const { return entries_; }

    // Section "Recent File List", values "File1".."File8".
    void Load(const SettingsStore& store);
    void Save(SettingsStore& store) const;

  private:
    std::vector<std::string> entries_;
};

}  // namespace docvane
