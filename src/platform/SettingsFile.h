#pragma once
// The per-user settings store: one XML file, written atomically.
#include <cstdint>
#include <string>
#include <vector>

#include "app/SettingsStore.h"

namespace docvane {

class SettingsFile : public SettingsStore {
  public:
    // Reads path when it exists; an unreadable or malformed file gives an empty store.
    explicit SettingsFile(std::string path);

    std::optional<std::string> GetText(const std::string& section, const std::string& name) const override;
    std::optional<std::int32_t> GetNumber(const std::string& section, const std::string& name) const override;
    void SetText(const std::string& section, const std::string& name, const std::string& value) override;
    void SetNumber(const std::string& section, const std::string& name, std::int32_t value) override;
    bool DeleteValue(const std::string& section, const std::string& name) override;
    std::vector<std::string> ValueNames(const std::string& section) const override;
    bool Save() override;

    // Re-reads the file, dropping unsaved changes.
    void Reload();
    const std::string& Path() const { return path_; }

  private:
    struct Value {
        std::string name;
        bool isNumber = false;
        std::string text;
        std::int32_t number = 0;
    };
    struct Section {
        std::string name;
        std::vector<Value> values;
    };
    const Value* Find(const std::string& section, const std::string& name) const;
    Value& FindOrAdd(const std::string& section, const std::string& name);

    std::string path_;
    std::vector<Section> sections_;
};

// The folder of the per-user settings: $DOCVANE_CONFIG_HOME when set, otherwise
// $XDG_CONFIG_HOME/Ostrel/Docvane (with ~/.config when XDG_CONFIG_HOME is unset).
std::string UserSettingsDirectory();
// The settings file inside that folder.
std::string UserSettingsFilePath();

}  // namespace docvane
