#include "project/LegacyImport.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <filesystem>

#include "project/DocvaneDoc.h"
#include "project/ProjectFile.h"
#include "support/TestSupport.h"

namespace docvane {
namespace {

class LegacyImportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directories(dir_ / "proj");
        std::filesystem::copy_file(std::string(DOCVANE_TEST_DATA) + "/legacy/full.dv1",
                                   dir_ / "proj/old.dv1");
    }
    test::IsolatedSettings settings_;
    test::TempDir dir_;
};

TEST_F(LegacyImportTest, MapsFilesLinksReferencesFieldsLocationsAndSettings) {
    CDocvaneDoc project;
    ASSERT_TRUE(LoadProjectFile(project, dir_ / "proj/old.dv1"));
    const std::string proj = dir_ / "proj";
    ASSERT_EQ(project.FileCount(), 3u);
    EXPECT_EQ(project.File(0).fullPath, proj + "/Drawings/Plan.dwg");
    EXPECT_EQ(project.File(1).fullPath, proj + "/Docs/Contents.docx");
    EXPECT_EQ(project.File(2).fullPath, dir_ / "Shared/Ready.pdf");

    // Only the first link qualifies: the second names no file, the third has a negative width.
    ASSERT_EQ(project.File(1).wordRefs.size(), 1u);
    const WordRef& ref = project.File(1).wordRefs[0];
    EXPECT_EQ(ref.point1X, 20.0f);
    EXPECT_EQ(ref.point1Y, 250.0f);
    EXPECT_EQ(ref.point2X, 180.0f);
    EXPECT_EQ(ref.point2Y, 8.0f);
    EXPECT_EQ(ref.pageFrom, 1);
    EXPECT_EQ(ref.pageTo, 5);

    // References are relative to the drawing's folder, not the project's.
    const FileDoc& plan = project.File(0);
    ASSERT_EQ(plan.xrefsBefore.size(), 1u);
    EXPECT_EQ(plan.xrefsBefore[0].fullPath, proj + "/Xrefs/Base.dwg");
    EXPECT_EQ(plan.xrefsBefore[0].ownerFile, &plan);
    ASSERT_EQ(plan.xrefsAfter.size(), 1u);
    EXPECT_EQ(plan.xrefsAfter[0].fullPath, proj + "/Drawings/Local.dwg");
    EXPECT_EQ(project.propertyDoc.autocad.xrefDir, "Ссылки");

    ASSERT_EQ(project.fieldDocs.size(), 1u);
    EXPECT_EQ(project.fieldDocs[0].name, "Объект");
    EXPECT_EQ(project.fieldDocs[0].value, "Дом\r\nу реки");

    EXPECT_EQ(project.pdfFile.fullPath, proj + "/Out/All.pdf");
    EXPECT_EQ(project.pdfDir.fullPath, proj + "/Out/PDF");
    EXPECT_EQ(project.editDir.fullPath, proj + "/Out/EDIT");

    const PropertyDoc& p = project.propertyDoc;
    EXPECT_FALSE(p.isCombine);
    EXPECT_TRUE(p.hasMenu);      // "False" is not "false"
    EXPECT_TRUE(p.isNumbering);  // empty text is true
    EXPECT_FALSE(p.clearExitDir);
    EXPECT_EQ(p.startPage, 4);
    EXPECT_EQ(p.pageFrom, 2);
    EXPECT_EQ(p.posX, 0);  // no digits: 0, no fallback
    EXPECT_EQ(p.posY, -7);
    EXPECT_EQ(p.fontName, "Arial");
    EXPECT_EQ(p.fontHeight, 14);
    EXPECT_EQ(p.lispScript, "(princ)\n(princ 2)");  // legacy scripts keep their line feeds
    EXPECT_EQ(p.vbaScript, "Sub X()\nEnd Sub");
    EXPECT_EQ(p.autocad.fileFormat, "2010");  // absent from the legacy layout
    EXPECT_FALSE(project.IsModified());
}

TEST_F(LegacyImportTest, SavingAnImportWritesTheCurrentFormat) {
    CDocvaneDoc project;
    ASSERT_TRUE(LoadProjectFile(project, dir_ / "proj/old.dv1"));
    ASSERT_TRUE(SaveProjectFile(project, dir_ / "proj/new.dv1"));
    const std::string text = test::ReadFile(dir_ / "proj/new.dv1");
    EXPECT_EQ(text.rfind("<docvane>\n", 0), 0u);
    CDocvaneDoc reread;
    ASSERT_TRUE(LoadProjectFile(reread, dir_ / "proj/new.dv1"));
    EXPECT_EQ(reread.FileCount(), 3u);
    EXPECT_EQ(reread.File(0).xrefsBefore.size(), 1u);
    EXPECT_EQ(reread.File(1).wordRefs.size(), 1u);
    EXPECT_FALSE(reread.propertyDoc.isCombine);
}

TEST_F(LegacyImportTest, MissingContainersSkipOnlyWhatLiesBelowThem) {
    tinyxml2::XMLDocument xml;
    xml.Parse(
        "<DocElements><Property><numbering><font_size>9</font_size></numbering></Property></DocElements>");
    CDocvaneDoc project;
    ASSERT_TRUE(ImportLegacyProject(project, xml));
    EXPECT_EQ(project.FileCount(), 0u);
    EXPECT_EQ(project.propertyDoc.fontHeight, 9);

    tinyxml2::XMLDocument other;
    other.Parse("<Elements/>");
    EXPECT_FALSE(ImportLegacyProject(project, other));
}

}  // namespace
}  // namespace docvane
