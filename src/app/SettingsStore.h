#pragma once
// A per-user key/value store with sections: text values and 32-bit numbers.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace docvane {

class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    // A text value; nothing when absent or stored as a number.
    virtual std::optional<std::string> GetText(const std::string& section, const std::string& name) const = 0;
    // A number; nothing when absent or stored as text.
    virtual std::optional<std::int32_t> GetNumber(const std::string& section,
                                                  const std::string& name) const = 0;
    virtual void SetText(const std::string& section, const std::string& name, const std::string& value) = 0;
    virtual void SetNumber(const std::string& section, const std::string& name, std::int32_t value) = 0;
    virtual bool DeleteValue(const std::string& section, const std::string& name) = 0;
    // Value names of a section in the order they were first stored.
    virtual std::vector<std::string> ValueNames(const std::string& section) const = 0;
    // Makes the values written so far durable. False on failure; the old stored state then remains.
    virtual bool Save() = 0;
};

}  // namespace docvane
