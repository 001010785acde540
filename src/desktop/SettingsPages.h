#pragma once
// The settings dialog's pages: every property with its group, label, editor kind, description and the
// application setting it edits.
#include <string>
#include <variant>
#include <vector>

#include "app/ApplicationSettings.h"

namespace docvane {

enum class SettingKind { Text, Flag, Number, Font, FilePath, Choice };

// The setting a property edits, reached inside the record.
using TextSetting = std::string& (*)(ApplicationSettings&);
using FlagSetting = bool& (*)(ApplicationSettings&);
using NumberSetting = int& (*)(ApplicationSettings&);
using SettingBinding = std::variant<std::monostate, TextSetting, FlagSetting, NumberSetting>;

struct SettingProperty {
    std::string label;
    SettingKind kind = SettingKind::Text;
    SettingBinding setting;  // none for the font, which only shows fontName and fontHeight
    std::string description;
    std::vector<std::string> choices;  // the only values a Choice accepts
};

struct SettingGroup {
    std::string title;
    std::vector<SettingProperty> properties;
};

struct SettingsPage {
    std::string title;
    std::vector<SettingGroup> groups;
};

// The three pages in tab order.
const std::vector<SettingsPage>& SettingsPages();

// The drawing program's executable the path property accepts, and its file dialog's filter.
inline constexpr const char* kAcadExecutableName = "acad.exe";

// The Russian text of a value the toolkit's font property offers in its row row ("Style", "Weight",
// "Family"; wxWidgets' catalogue translates the rows' names but not these); empty when there is none.
std::string FontChoiceText(const std::string& row, const std::string& english);

}  // namespace docvane
