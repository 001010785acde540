#include "app/ApplicationSettings.h"

#include <mutex>
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
struct StoredSetting {
    const char* section;
    const char* name;
    std::variant<std::string ApplicationSettings::*, bool ApplicationSettings::*, int ApplicationSettings::*>
        member;
};

const StoredSetting kStoredSettings[] = {
    {"Directories", "edit", &ApplicationSettings::editDirName},
    {"Directories", "pdf", &ApplicationSettings::pdfDirName},
    {"Directories", "xref", &ApplicationSettings::xref},
    {"Directories", "clearExitDir", &ApplicationSettings::clearExitDir},
    {"CombinePdf", "isCombine", &ApplicationSettings::isCombine},
    {"CombinePdf", "hasMenu", &ApplicationSettings::hasMenu},
    {"CombinePdf", "openAfterPublic", &ApplicationSettings::openAfterPublic},
    {"NumberingPdf", "isNumbering", &ApplicationSettings::isNumbering},
    {"NumberingPdf", "startPage", &ApplicationSettings::startPage},
    {"NumberingPdf", "pageFrom", &ApplicationSettings::pageFrom},
    {"NumberingPdf", "posX", &ApplicationSettings::posX},
    {"NumberingPdf", "posY", &ApplicationSettings::posY},
    {"NumberingPdf", "fontHeight", &ApplicationSettings::fontHeight},
    {"NumberingPdf", "fontName", &ApplicationSettings::fontName},
    {"Autocad_Path", "exePath", &ApplicationSettings::exePath},
    {"Autocad_Path", "xrefDir", &ApplicationSettings::xrefDir},
    {"Autocad_Path", "insertXrefs", &ApplicationSettings::insertXrefs},
    {"Autocad_Path", "copyXrefs", &ApplicationSettings::copyXrefs},
    {"Autocad_General", "fileFormat", &ApplicationSettings::fileFormat},
    {"Autocad_General", "clearComments", &ApplicationSettings::clearComments},
    {"Autocad_General", "splitIntoLayouts", &ApplicationSettings::splitIntoLayouts},
    {"Word_General", "lockComments", &ApplicationSettings::lockComments},
    {"Word_General", "readOnlyRecommended", &ApplicationSettings::readOnlyRecommended},
    {"Word_General", "embedTrueTypeFonts", &ApplicationSettings::embedTrueTypeFonts},
    {"Word_General", "saveNativePictureFormat", &ApplicationSettings::saveNativePictureFormat},
    {"Word_General", "refreshFields", &ApplicationSettings::refreshFields},
    {"Word_General", "toggleFormsDesign", &ApplicationSettings::toggleFormsDesign},
    {"Autocad_General", "trustProjectFolder", &ApplicationSettings::trustProjectFolder},
    {"CombinePdf", "pdfA", &ApplicationSettings::pdfA},
};

// Helper for visiting the member variants with one lambda per type.
template <class... F>
struct Overloaded : F... {
    using F::operator()...;
};
template <class... F>
Overloaded(F...) -> Overloaded<F...>;
}  // namespace

void LoadSettings(ApplicationSettings& s, const SettingsStore& store) {
    const ApplicationSettings d;  // built-in defaults
    for (const StoredSetting& setting : kStoredSettings) {
        std::visit(Overloaded{
                       [&](std::string ApplicationSettings::*m) {
                           if (const auto text = store.GetText(setting.section, setting.name)) {
                               s.*m = *text;
                           } else {
                               s.*m = m == &ApplicationSettings::exePath ? LookUpExePath() : d.*m;
                           }
                       },
                       [&](bool ApplicationSettings::*m) {
                           const auto number = store.GetNumber(setting.section, setting.name);
                           s.*m = number ? *number != 0 : d.*m;
                       },
                       [&](int ApplicationSettings::*m) {
                           s.*m = store.GetNumber(setting.section, setting.name).value_or(d.*m);
                       },
                   },
                   setting.member);
    }
}

bool SaveSettings(const ApplicationSettings& s, SettingsStore& store) {
    for (const StoredSetting& setting : kStoredSettings) {
        std::visit(
            Overloaded{
                [&](std::string ApplicationSettings::*m) {
                    store.SetText(setting.section, setting.name, s.*m);
                },
                [&](bool ApplicationSettings::*m) {
                    store.SetNumber(setting.section, setting.name, s.*m ? 1 : 0);
                },
                [&](int ApplicationSettings::*m) { store.SetNumber(setting.section, setting.name, s.*m); },
            },
            setting.member);
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
