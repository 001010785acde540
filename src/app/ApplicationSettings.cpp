#include "app/ApplicationSettings.h"

#include <memory>

#include "app/SettingsStore.h"
#include "automation/acad/FindAcadExecutable.h"
#include "platform/SettingsFile.h"

namespace docvane {

ApplicationSettings& AppSettings() {
    static ApplicationSettings settings;
    return settings;
}

namespace {
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
    s.exePath = storedExe ? *storedExe : FindAcadExecutable();
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

namespace {
// The per-user settings file, reopened whenever its location changes (DOCVANE_CONFIG_HOME).
SettingsFile& UserSettingsFile() {
    static std::unique_ptr<SettingsFile> store;
    const std::string path = UserSettingsFilePath();
    if (store == nullptr || store->Path() != path) {
        store = std::make_unique<SettingsFile>(path);
    }
    return *store;
}
}  // namespace

SettingsStore& UserSettingsStore() {
    return UserSettingsFile();
}

void LoadSettings() {
    SettingsFile& store = UserSettingsFile();
    store.Reload();
    LoadSettings(AppSettings(), store);
}

bool SaveSettings() {
    return SaveSettings(AppSettings(), UserSettingsStore());
}

}  // namespace docvane
