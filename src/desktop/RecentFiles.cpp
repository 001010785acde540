#include "desktop/RecentFiles.h"

#include <algorithm>

#include "app/SettingsStore.h"

namespace docvane {

namespace {
const char* const kSection = "Recent File List";
std::string ValueName(std::size_t index) {
    return "File" + std::to_string(index + 1);
}
}  // namespace

void RecentFiles::Add(const std::string& path) {
    if (path.empty()) {
        return;
    }
    Remove(path);
    entries_.insert(entries_.begin(), path);
    if (entries_.size() > kMaxEntries) {
        entries_.resize(kMaxEntries);
    }
}

void RecentFiles::Remove(const std::string& path) {
    entries_.erase(std::remove(entries_.begin(), entries_.end(), path), entries_.end());
}

void RecentFiles::Load(const SettingsStore& store) {
    entries_.clear();
    for (std::size_t i = 0; i < kMaxEntries; ++i) {
        const auto value = store.GetText(kSection, ValueName(i));
        if (value && !value->empty() &&
            std::find(entries_.begin(), entries_.end(), *value) == entries_.end()) {
            entries_.push_back(*value);
        }
    }
}

void RecentFiles::Save(SettingsStore& store) const {
    for (std::size_t i = 0; i < kMaxEntries; ++i) {
        if (i < entries_.size()) {
            store.SetText(kSection, ValueName(i), entries_[i]);
        } else {
            store.DeleteValue(kSection, ValueName(i));
        }
    }
}

}  // namespace docvane
