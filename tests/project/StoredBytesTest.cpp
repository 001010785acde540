// The bytes of stored projects and settings files are part of the format: a file the program reads
// and writes again, unchanged, is the file it read, and a file written from given values is always
// the same file. The expected files under data/stored were written by the program and are compared
// byte for byte; the cases reach the values only through element and setting names, so they hold
// whatever the model's members are called.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "app/ApplicationSettings.h"
#include "platform/SettingsFile.h"
#include "project/DocvaneDoc.h"
#include "project/ProjectFile.h"
#include "support/TestSupport.h"

namespace docvane {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

std::string Stored(const std::string& name) {
    return std::string(DOCVANE_TEST_DATA) + "/stored/" + name;
}

std::string Demo(const std::string& name) {
    return std::string(DOCVANE_TEST_DATA) + "/../../examples/demo/" + name;
}

// Every value of the settings file away from its built-in default, stored in an order of its own so
// that the writer's order shows when it lists a fresh file. A flag stored as 7 reads as on.
void FillEverySetting(SettingsStore& store) {
    struct Text {
        const char* section;
        const char* name;
        const char* value;
    };
    for (const Text& t : std::vector<Text>{
             {"Directories", "edit", "Ред"},
             {"Directories", "pdf", "Неред"},
             {"Directories", "xref", "Внешние ссылки"},
             {"NumberingPdf", "fontName", "GOST type A"},
             {"Autocad_Path", "exePath", "/opt/acad/acad.exe"},
             {"Autocad_Path", "xrefDir", "Ссылки на подоснову"},
             {"Autocad_General", "fileFormat", "2018"},
         }) {
        store.SetText(t.section, t.name, t.value);
    }
    struct Number {
        const char* section;
        const char* name;
        int value;
    };
    for (const Number& n : std::vector<Number>{
             {"Word_General", "toggleFormsDesign", 0},
             {"Word_General", "refreshFields", 0},
             {"Word_General", "saveNativePictureFormat", 0},
             {"Word_General", "embedTrueTypeFonts", 7},
             {"Word_General", "readOnlyRecommended", 7},
             {"Word_General", "lockComments", 7},
             {"Autocad_General", "trustProjectFolder", 7},
             {"Autocad_General", "splitIntoLayouts", 7},
             {"Autocad_General", "clearComments", 0},
             {"Autocad_Path", "copyXrefs", 0},
             {"Autocad_Path", "insertXrefs", 0},
             {"NumberingPdf", "fontHeight", 21},
             {"NumberingPdf", "posY", 22},
             {"NumberingPdf", "posX", 23},
             {"NumberingPdf", "pageFrom", 24},
             {"NumberingPdf", "startPage", 25},
             {"NumberingPdf", "isNumbering", 0},
             {"CombinePdf", "pdfA", 7},
             {"CombinePdf", "openAfterPublic", 0},
             {"CombinePdf", "hasMenu", 0},
             {"CombinePdf", "isCombine", 0},
             {"Directories", "clearExitDir", 0},
         }) {
        store.SetNumber(n.section, n.name, n.value);
    }
    store.SetText("User", "lastVersion", "9.9.9");  // not a value of the record: kept as it is
}

// A project text with every setting away from its default, files, references, sheets, links and
// fields, in the order of a file of an earlier version.
const char* const kEveryValueProject =
    "<docvane><pdfFile><fileRelativePath>.\\out\\Общий.pdf</fileRelativePath></pdfFile>"
    "<editDir><dirRelativePath>.\\ред</dirRelativePath></editDir>"
    "<pdfDir><dirRelativePath>.\\pdf</dirRelativePath></pdfDir>"
    "<fileDocs><fileDoc><fileRelativePath>.\\src\\План.dwg</fileRelativePath>"
    "<xrefsBefore><xrefBefore><fileRelativePath>.\\src\\Подоснова.dwg</fileRelativePath></xrefBefore>"
    "</xrefsBefore><xrefsAfter><xrefAfter><fileRelativePath>.\\src\\Подоснова.dwg</fileRelativePath>"
    "</xrefAfter></xrefsAfter><sheetNames><sheetName>Лист1</sheetName><sheetName>Лист2</sheetName>"
    "</sheetNames><wordRefs/></fileDoc>"
    "<fileDoc><fileRelativePath>.\\src\\Записка.docx</fileRelativePath><xrefsBefore/><xrefsAfter/>"
    "<sheetNames/><wordRefs><wordRef><pageFrom>2</pageFrom><pageTo>5</pageTo><point1X>12.75</point1X>"
    "<point2X>180</point2X><point1Y>250.5</point1Y><point2Y>8</point2Y></wordRef></wordRefs></fileDoc>"
    "</fileDocs>"
    "<fieldDocs><fieldDoc><name>Шифр</name><value>А-1 &amp; Б</value></fieldDoc></fieldDocs>"
    "<propertyDoc><general><directories><clearExitDir>false</clearExitDir></directories>"
    "<combinePdf><isCombine>false</isCombine><hasMenu>false</hasMenu><pdfA>true</pdfA></combinePdf>"
    "<numberingPdf><isNumbering>false</isNumbering><startPage>5</startPage><pageFrom>6</pageFrom>"
    "<posX>17</posX><posY>18</posY><fontHeight>19</fontHeight><fontName>GOST type A</fontName>"
    "</numberingPdf></general>"
    "<autocad><path><insertXrefs>false</insertXrefs><copyXrefs>false</copyXrefs><xrefDir>Внешние</xrefDir>"
    "</path><general><fileFormat>2004</fileFormat><clearComments>false</clearComments>"
    "<splitIntoLayouts>true</splitIntoLayouts><lispScript>(princ)\r\n(princ 1)</lispScript></general>"
    "</autocad><word><general><vbaScript>Sub Main()\r\nEnd Sub</vbaScript></general></word>"
    "</propertyDoc></docvane>";

class StoredBytesTest : public ::testing::Test {
  protected:
    // Loads the file at path, saves it to a scratch copy and answers the bytes written.
    std::string Rewritten(const std::string& path, const std::string& name) {
        WriteFile(dir_ / name, ReadFile(path));
        CDocvaneDoc project;
        EXPECT_TRUE(LoadProjectFile(project, dir_ / name));
        EXPECT_TRUE(SaveProjectFile(project, dir_ / name));
        return ReadFile(dir_ / name);
    }

    test::IsolatedSettings settings_;
    TempDir dir_;
};

TEST_F(StoredBytesTest, ProjectsAreWrittenAgainByteForByte) {
    for (const char* name : {"demo.dv1", "demo-drawings.dv1", "demo-sheets.dv1"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Rewritten(Demo(name), name), ReadFile(Demo(name)));
    }
    {
        SCOPED_TRACE("every value");
        WriteFile(dir_ / "every.dv1", kEveryValueProject);
        EXPECT_EQ(Rewritten(dir_ / "every.dv1", "every.dv1"), ReadFile(Stored("every-value.dv1")));
        EXPECT_EQ(Rewritten(Stored("every-value.dv1"), "again.dv1"), ReadFile(Stored("every-value.dv1")));
    }
    {
        SCOPED_TRACE("a project of the earlier program");
        EXPECT_EQ(Rewritten(std::string(DOCVANE_TEST_DATA) + "/legacy/full.dv1", "legacy.dv1"),
                  ReadFile(Stored("legacy-full.dv1")));
    }
}

TEST_F(StoredBytesTest, TheSettingsFileIsWrittenAgainByteForByteAndNewProjectsTakeItsOptions) {
    {
        SettingsFile store(dir_ / "filled.xml");
        FillEverySetting(store);
        ApplicationSettings s;
        LoadSettings(s, store);
        SettingsFile fresh(dir_ / "fresh.xml");
        fresh.SetText("User", "lastVersion", "9.9.9");
        ASSERT_TRUE(SaveSettings(s, fresh));
    }
    EXPECT_EQ(ReadFile(dir_ / "fresh.xml"), ReadFile(Stored("settings.xml")));

    // Read and saved again, the full file is the same file.
    WriteFile(dir_ / "again.xml", ReadFile(Stored("settings.xml")));
    ApplicationSettings loaded;
    {
        SettingsFile store(dir_ / "again.xml");
        LoadSettings(loaded, store);
        ASSERT_TRUE(SaveSettings(loaded, store));
    }
    EXPECT_EQ(ReadFile(dir_ / "again.xml"), ReadFile(Stored("settings.xml")));

    // A fresh profile writes the built-in defaults.
    {
        SettingsFile store(dir_ / "defaults.xml");
        ApplicationSettings d;
        LoadSettings(d, store);
        d.exePath.clear();
        ASSERT_TRUE(SaveSettings(d, store));
    }
    EXPECT_EQ(ReadFile(dir_ / "defaults.xml"), ReadFile(Stored("settings-defaults.xml")));

    // A project made under these settings carries every option of the file.
    CDocvaneDoc project(loaded);
    ASSERT_TRUE(SaveProjectFile(project, dir_ / "new.dv1"));
    EXPECT_EQ(ReadFile(dir_ / "new.dv1"), ReadFile(Stored("new-project.dv1")));
}

}  // namespace
}  // namespace docvane
