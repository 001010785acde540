#include "app/ApplicationSettings.h"

#include <mutex>
#include <utility>

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

std::string ReadText(const SettingsStore& store, const char* section, const char* name,
                     const std::string& fallback) {
    return store.GetText(section, name).value_or(fallback);
}
bool ReadFlag(const SettingsStore& store, const char* section, const char* name, bool fallback) {
    const auto number = store.GetNumber(section, name);
    return number ? *number != 0 : fallback;
}
int ReadNumber(const SettingsStore& store, const char* section, const char* name, int fallback) {
    return store.GetNumber(section, name).value_or(fallback);
}
}  // namespace

void LoadSettings(ApplicationSettings& s, const SettingsStore& store) {
    const ApplicationSettings d;  // built-in defaults
    s.editDirName = ReadText(store, "Directories", "edit", d.editDirName);
    s.pdfDirName = ReadText(store, "Directories", "pdf", d.pdfDirName);
    s.xref = ReadText(store, "Directories", "xref", d.xref);
    s.clearExitDir = ReadFlag(store, "Directories", "clearExitDir", d.clearExitDir);
    s.isCombine = ReadFlag(store, "CombinePdf", "isCombine", d.isCombine);
    s.hasMenu = ReadFlag(store, "CombinePdf", "hasMenu", d.hasMenu);
    s.openAfterPublic = ReadFlag(store, "CombinePdf", "openAfterPublic", d.openAfterPublic);
    s.isNumbering = ReadFlag(store, "NumberingPdf", "isNumbering", d.isNumbering);
    s.startPage = ReadNumber(store, "NumberingPdf", "startPage", d.startPage);
    s.pageFrom = ReadNumber(store, "NumberingPdf", "pageFrom", d.pageFrom);
    s.posX = ReadNumber(store, "NumberingPdf", "posX", d.posX);
    s.posY = ReadNumber(store, "NumberingPdf", "posY", d.posY);
    s.fontHeight = ReadNumber(store, "NumberingPdf", "fontHeight", d.fontHeight);
    s.fontName = ReadText(store, "NumberingPdf", "fontName", d.fontName);
    const auto storedExe = store.GetText("Autocad_Path", "exePath");
    s.exePath = storedExe ? *storedExe : LookUpExePath();
    s.xrefDir = ReadText(store, "Autocad_Path", "xrefDir", d.xrefDir);
    s.insertXrefs = ReadFlag(store, "Autocad_Path", "insertXrefs", d.insertXrefs);
    s.copyXrefs = ReadFlag(store, "Autocad_Path", "copyXrefs", d.copyXrefs);
    s.fileFormat = ReadText(store, "Autocad_General", "fileFormat", d.fileFormat);
    s.clearComments = ReadFlag(store, "Autocad_General", "clearComments", d.clearComments);
    s.splitIntoLayouts = ReadFlag(store, "Autocad_General", "splitIntoLayouts", d.splitIntoLayouts);
    s.lockComments = ReadFlag(store, "Word_General", "lockComments", d.lockComments);
    s.readOnlyRecommended = ReadFlag(store, "Word_General", "readOnlyRecommended", d.readOnlyRecommended);
    s.embedTrueTypeFonts = ReadFlag(store, "Word_General", "embedTrueTypeFonts", d.embedTrueTypeFonts);
    s.saveNativePictureFormat =
        ReadFlag(store, "Word_General", "saveNativePictureFormat", d.saveNativePictureFormat);
    s.refreshFields = ReadFlag(store, "Word_General", "refreshFields", d.refreshFields);
    s.toggleFormsDesign = ReadFlag(store, "Word_General", "toggleFormsDesign", d.toggleFormsDesign);
}

bool SaveSettings(const ApplicationSettings& s, SettingsStore& store) {
    auto flag = [&store](const char* section, const char* name, bool value) {
        store.SetNumber(section, name, value ? 1 : 0);
    };
    store.SetText("Directories", "edit", s.editDirName);
    store.SetText("Directories", "pdf", s.pdfDirName);
    store.SetText("Directories", "xref", s.xref);
    flag("Directories", "clearExitDir", s.clearExitDir);
    flag("CombinePdf", "isCombine", s.isCombine);
    flag("CombinePdf", "hasMenu", s.hasMenu);
    flag("CombinePdf", "openAfterPublic", s.openAfterPublic);
    flag("NumberingPdf", "isNumbering", s.isNumbering);
    store.SetNumber("NumberingPdf", "startPage", s.startPage);
    store.SetNumber("NumberingPdf", "pageFrom", s.pageFrom);
    store.SetNumber("NumberingPdf", "posX", s.posX);
    store.SetNumber("NumberingPdf", "posY", s.posY);
    store.SetNumber("NumberingPdf", "fontHeight", s.fontHeight);
    store.SetText("NumberingPdf", "fontName", s.fontName);
    store.SetText("Autocad_Path", "exePath", s.exePath);
    store.SetText("Autocad_Path", "xrefDir", s.xrefDir);
    flag("Autocad_Path", "insertXrefs", s.insertXrefs);
    flag("Autocad_Path", "copyXrefs", s.copyXrefs);
    store.SetText("Autocad_General", "fileFormat", s.fileFormat);
    flag("Autocad_General", "clearComments", s.clearComments);
    flag("Autocad_General", "splitIntoLayouts", s.splitIntoLayouts);
    flag("Word_General", "lockComments", s.lockComments);
    flag("Word_General", "readOnlyRecommended", s.readOnlyRecommended);
    flag("Word_General", "embedTrueTypeFonts", s.embedTrueTypeFonts);
    flag("Word_General", "saveNativePictureFormat", s.saveNativePictureFormat);
    flag("Word_General", "refreshFields", s.refreshFields);
    flag("Word_General", "toggleFormsDesign", s.toggleFormsDesign);
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
