#include "app/ApplicationSettings.h"

#include <mutex>
#include <type_traits>
#include <utility>
#include <variant>

#include "app/SettingsStore.h"

namespace docvane {

ApplicationSettings& AppSettings() {
    static ApplicationSettings settings;
    return settings;
}

namespace {
std::mutex g_sourcesMutex;
std::function<std::string()> g_exePathLookup;
SettingsStore* g_userStore = nullptr;

// Stands in for the per-user store until one is installed: nothing stored, nothing durable.
class NoSettingsStore : public SettingsStore {
  public:
    std::optional<std::string> GetText(const std::string&, const std::string&) const override { return {}; }
    std::optional<std::int32_t> GetNumber(const std::string&, const std::string&) const override {
        return {};
    }
    void SetText(const std::string&, const std::string&, const std::string&) override {}
    void SetNumber(const std::string&, const std::string&, std::int32_t) override {}
    bool DeleteValue(const std::string&, const std::string&) override { return false; }
    std::vector<std::string> ValueNames(const std::string&) const override { return {}; }
    bool Save() override { return false; }
};

std::string LookUpExePath() {
    std::function<std::string()> lookup;
    {
        std::lock_guard<std::mutex> lock(g_sourcesMutex);
        lookup = g_exePathLookup;
    }
    return lookup ? lookup() : std::string();
}

// Where each setting is stored. Flags are stored as numbers 0 or 1; the order is the order in which a
// fresh store lists the values.
using S = ApplicationSettings;
struct StoredSetting {
    const char* section;
    const char* name;
    std::variant<std::string& (*)(S&), bool& (*)(S&), int& (*)(S&)> field;
    // A missing value is looked up rather than taken from the built-in defaults.
    bool lookedUp = false;
    // Stored only when it differs from the built-in default, so that a settings file written before the
    // setting existed is written again unchanged while the user leaves it alone.
    bool storedWhenSet = false;
};

const StoredSetting kStoredSettings[] = {
    {"Directories", "edit", [](S& s) -> std::string& { return s.editDirName; }},
    {"Directories", "pdf", [](S& s) -> std::string& { return s.pdfDirName; }},
    {"Directories", "xref", [](S& s) -> std::string& { return s.xref; }},
    {"Directories", "clearExitDir", [](S& s) -> bool& { return s.clearExitDir; }},
    {"CombinePdf", "isCombine", [](S& s) -> bool& { return s.isCombine; }},
    {"CombinePdf", "hasMenu", [](S& s) -> bool& { return s.hasMenu; }},
    {"CombinePdf", "openAfterPublic", [](S& s) -> bool& { return s.openAfterPublic; }},
    {"NumberingPdf", "isNumbering", [](S& s) -> bool& { return s.isNumbering; }},
    {"NumberingPdf", "startPage", [](S& s) -> int& { return s.startPage; }},
    {"NumberingPdf", "pageFrom", [](S& s) -> int& { return s.pageFrom; }},
    {"NumberingPdf", "posX", [](S& s) -> int& { return s.posX; }},
    {"NumberingPdf", "posY", [](S& s) -> int& { return s.posY; }},
    {"NumberingPdf", "fontHeight", [](S& s) -> int& { return s.fontHeight; }},
    {"NumberingPdf", "fontName", [](S& s) -> std::string& { return s.fontName; }},
    {"Autocad_Path", "exePath", [](S& s) -> std::string& { return s.exePath; }, true},
    {"Autocad_Path", "xrefDir", [](S& s) -> std::string& { return s.autocad.xrefDir; }},
    {"Autocad_Path", "insertXrefs", [](S& s) -> bool& { return s.autocad.insertXrefs; }},
    {"Autocad_Path", "copyXrefs", [](S& s) -> bool& { return s.autocad.copyXrefs; }},
    {"Autocad_General", "fileFormat", [](S& s) -> std::string& { return s.autocad.fileFormat; }},
    {"Autocad_General", "clearComments", [](S& s) -> bool& { return s.autocad.clearComments; }},
    {"Autocad_General", "splitIntoLayouts", [](S& s) -> bool& { return s.autocad.splitIntoLayouts; }},
    {"Word_General", "lockComments", [](S& s) -> bool& { return s.lockComments; }},
    {"Word_General", "readOnlyRecommended", [](S& s) -> bool& { return s.readOnlyRecommended; }},
    {"Word_General", "embedTrueTypeFonts", [](S& s) -> bool& { return s.embedTrueTypeFonts; }},
    {"Word_General", "saveNativePictureFormat", [](S& s) -> bool& { return s.saveNativePictureFormat; }},
    {"Word_General", "refreshFields", [](S& s) -> bool& { return s.refreshFields; }},
    {"Word_General", "toggleFormsDesign", [](S& s) -> bool& { return s.toggleFormsDesign; }},
    {"Autocad_General", "trustProjectFolder", [](S& s) -> bool& { return s.trustProjectFolder; }},
    {"CombinePdf", "pdfA", [](S& s) -> bool& { return s.pdfA; }},
    {"Publication", "parallelJobs", [](S& s) -> int& { return s.parallelJobs; }, false, true},
};

}  // namespace

void LoadSettings(ApplicationSettings& s, const SettingsStore& store) {
    ApplicationSettings d;  // built-in defaults
    for (const StoredSetting& setting : kStoredSettings) {
        std::visit(
            [&](auto fieldOf) {
                auto& target = fieldOf(s);
                using T = std::remove_reference_t<decltype(target)>;
                if constexpr (std::is_same_v<T, std::string>) {
                    if (const auto text = store.GetText(setting.section, setting.name)) {
                        target = *text;
                    } else {
                        target = setting.lookedUp ? LookUpExePath() : fieldOf(d);
                    }
                } else if constexpr (std::is_same_v<T, bool>) {
                    const auto number = store.GetNumber(setting.section, setting.name);
                    target = number ? *number != 0 : fieldOf(d);
                } else {
                    target = store.GetNumber(setting.section, setting.name).value_or(fieldOf(d));
                }
            },
            setting.field);
    }
}

bool SaveSettings(const ApplicationSettings& settings, SettingsStore& store) {
    ApplicationSettings s = settings;  // the fields are reached through writable references
    ApplicationSettings d;             // built-in defaults
    for (const StoredSetting& setting : kStoredSettings) {
        std::visit(
            [&](auto fieldOf) {
                const auto& value = fieldOf(s);
                using T = std::remove_cvref_t<decltype(value)>;
                if (setting.storedWhenSet && value == fieldOf(d)) {
                    store.DeleteValue(setting.section, setting.name);
                } else if constexpr (std::is_same_v<T, std::string>) {
                    store.SetText(setting.section, setting.name, value);
                } else if constexpr (std::is_same_v<T, bool>) {
                    store.SetNumber(setting.section, setting.name, value ? 1 : 0);
                } else {
                    store.SetNumber(setting.section, setting.name, value);
                }
            },
            setting.field);
    }
    return store.Save();
}

void SetUserSettingsStore(SettingsStore* store) {
    std::lock_guard<std::mutex> lock(g_sourcesMutex);
    g_userStore = store;
}

void SetExePathLookup(std::function<std::string()> lookup) {
    std::lock_guard<std::mutex> lock(g_sourcesMutex);
    g_exePathLookup = std::move(lookup);
}

SettingsStore& UserSettingsStore() {
    static NoSettingsStore none;
    std::lock_guard<std::mutex> lock(g_sourcesMutex);
    return g_userStore != nullptr ? *g_userStore : none;
}

void LoadSettings() {
    LoadSettings(AppSettings(), UserSettingsStore());
}

bool SaveSettings() {
    return SaveSettings(AppSettings(), UserSettingsStore());
}

}  // namespace docvane
