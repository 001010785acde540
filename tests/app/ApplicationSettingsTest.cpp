#include "app/ApplicationSettings.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/SettingsFile.h"
#include "support/TestSupport.h"

namespace docvane {
namespace {

TEST(ApplicationSettingsTest, AFreshProfileHasEveryDefault) {
    test::TempDir dir;
    SettingsFile store(dir / "settings.xml");
    ApplicationSettings s;
    s.posY = 99;
    LoadSettings(s, store);
    const ApplicationSettings d;
    EXPECT_EQ(s.posY, 8);
    EXPECT_EQ(s.autocad.fileFormat, "2010");
    EXPECT_EQ(s.editDirName, "EDIT");
    EXPECT_EQ(s.pdfDirName, "PDF");
    EXPECT_EQ(s.xref, "Ссылки");
    EXPECT_TRUE(s.openAfterPublic);
    EXPECT_FALSE(s.autocad.splitIntoLayouts);
    EXPECT_TRUE(s.saveNativePictureFormat);
    EXPECT_FALSE(s.lockComments);
    EXPECT_TRUE(s.refreshFields);
    EXPECT_TRUE(s.toggleFormsDesign);
    EXPECT_EQ(s.fontName, "Times New Roman");
}

TEST(ApplicationSettingsTest, SaveAndLoadRoundTripThroughTheFile) {
    test::TempDir dir;
    ApplicationSettings s;
    s.editDirName = "Редактируемые";
    s.clearExitDir = false;
    s.startPage = 7;
    s.exePath = "/opt/acad/acad";
    s.autocad.splitIntoLayouts = true;
    s.readOnlyRecommended = true;
    {
        SettingsFile store(dir / "cfg/settings.xml");  // the folder is created on save
        ASSERT_TRUE(SaveSettings(s, store));
    }
    SettingsFile reread(dir / "cfg/settings.xml");
    ApplicationSettings loaded;
    LoadSettings(loaded, reread);
    EXPECT_EQ(loaded.editDirName, "Редактируемые");
    EXPECT_FALSE(loaded.clearExitDir);
    EXPECT_EQ(loaded.startPage, 7);
    EXPECT_EQ(loaded.exePath, "/opt/acad/acad");
    EXPECT_TRUE(loaded.autocad.splitIntoLayouts);
    EXPECT_TRUE(loaded.readOnlyRecommended);
    EXPECT_EQ(reread.GetNumber("Directories", "clearExitDir"), 0);
    EXPECT_EQ(reread.GetText("Autocad_General", "fileFormat"), "2010");
}

TEST(ApplicationSettingsTest, FlagsReadAsTrueForAnyNonZeroAndAreWrittenAsOne) {
    test::TempDir dir;
    SettingsFile store(dir / "settings.xml");
    store.SetNumber("Word_General", "lockComments", 5);
    store.SetText("NumberingPdf", "posX", "12");  // a number stored as text reads as missing
    ApplicationSettings s;
    LoadSettings(s, store);
    EXPECT_TRUE(s.lockComments);
    EXPECT_EQ(s.posX, 10);
    ASSERT_TRUE(SaveSettings(s, store));
    SettingsFile reread(dir / "settings.xml");
    EXPECT_EQ(reread.GetNumber("Word_General", "lockComments"), 1);
}

TEST(ApplicationSettingsTest, OtherSectionsAreKeptAndListedInOrder) {
    test::TempDir dir;
    {
        SettingsFile store(dir / "settings.xml");
        store.SetText("ListFields", "Second", "b");
        store.SetText("ListFields", "First", "a");
        store.SetText("User", "lastVersion", "1.2.3");
        ASSERT_TRUE(SaveSettings(ApplicationSettings{}, store));
    }
    SettingsFile store(dir / "settings.xml");
    EXPECT_EQ(store.ValueNames("ListFields"), (std::vector<std::string>{"Second", "First"}));
    EXPECT_EQ(store.GetText("User", "lastVersion"), "1.2.3");
    EXPECT_TRUE(store.DeleteValue("ListFields", "Second"));
    EXPECT_FALSE(store.DeleteValue("ListFields", "Second"));
    EXPECT_EQ(store.ValueNames("ListFields"), (std::vector<std::string>{"First"}));
}

TEST(ApplicationSettingsTest, AMalformedFileReadsAsDefaults) {
    test::TempDir dir;
    test::WriteFile(dir / "settings.xml", "<settings><section name='NumberingPdf'><number name='posY'>1");
    SettingsFile store(dir / "settings.xml");
    ApplicationSettings s;
    LoadSettings(s, store);
    EXPECT_EQ(s.posY, 8);
}

TEST(ApplicationSettingsTest, TheSettingsFolderFollowsTheEnvironment) {
    const char* saved = std::getenv("DOCVANE_CONFIG_HOME");
    const std::string previous = saved != nullptr ? saved : "";
    ::setenv("DOCVANE_CONFIG_HOME", "/custom/place", 1);
    EXPECT_EQ(UserSettingsDirectory(), "/custom/place");
    ::unsetenv("DOCVANE_CONFIG_HOME");
    ::setenv("XDG_CONFIG_HOME", "/xdg", 1);
    EXPECT_EQ(UserSettingsDirectory(), "/xdg/Ostrel/Docvane");
    ::unsetenv("XDG_CONFIG_HOME");
    if (saved != nullptr) {
        ::setenv("DOCVANE_CONFIG_HOME", previous.c_str(), 1);
    }
}

}  // namespace
}  // namespace docvane
