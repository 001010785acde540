#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "app/ApplicationSettings.h"
#include "project/DocvaneDoc.h"
#include "support/TestSupport.h"

namespace docvane {
namespace {

TEST(ProjectModelTest, NewProjectTakesTheApplicationSettingsInForce) {
    test::IsolatedSettings isolated;
    CDocvaneDoc fresh;
    EXPECT_EQ(fresh.propertyDoc.startPage, 2);
    EXPECT_EQ(fresh.propertyDoc.pageFrom, 3);
    EXPECT_EQ(fresh.propertyDoc.posX, 10);
    EXPECT_EQ(fresh.propertyDoc.posY, 8);
    EXPECT_EQ(fresh.propertyDoc.fontHeight, 12);
    EXPECT_EQ(fresh.propertyDoc.fontName, "Times New Roman");
    EXPECT_TRUE(fresh.propertyDoc.clearExitDir && fresh.propertyDoc.isCombine && fresh.propertyDoc.hasMenu &&
                fresh.propertyDoc.isNumbering && fresh.propertyDoc.autocad.insertXrefs &&
                fresh.propertyDoc.autocad.copyXrefs && fresh.propertyDoc.autocad.clearComments);
    EXPECT_FALSE(fresh.propertyDoc.autocad.splitIntoLayouts);
    EXPECT_EQ(fresh.propertyDoc.autocad.xrefDir, "Refs");
    EXPECT_EQ(fresh.propertyDoc.autocad.fileFormat, "2010");
    EXPECT_TRUE(fresh.pdfDir.fullPath.empty() && fresh.editDir.fullPath.empty() &&
                fresh.pdfFile.fullPath.empty());
    EXPECT_EQ(fresh.pdfFile.statusColor, 0x0099FFFFu);

    AppSettings().startPage = 5;
    CDocvaneDoc later;
    EXPECT_EQ(later.propertyDoc.startPage, 5);
    EXPECT_EQ(fresh.propertyDoc.startPage, 2);  // open projects keep their values
}

TEST(ProjectModelTest, FieldsAreSanitisedHoweverTheyAreCreated) {
    CDocvaneDoc project;
    project.AddField("Ab:c/d", "one\ntwo\r\nthree");
    project.AddField("\\<>/?:;*|,=`\r\n\tX", std::string(300, 'v'));
    project.AddField(std::string(300, 'n'), "");
    ASSERT_EQ(project.fieldDocs.size(), 3u);
    EXPECT_EQ(project.fieldDocs[0].name, "Abcd");
    EXPECT_EQ(project.fieldDocs[0].value, "one\r\ntwo\r\nthree");
    EXPECT_EQ(project.fieldDocs[1].name, "X");
    EXPECT_EQ(project.fieldDocs[1].value.size(), 255u);
    EXPECT_EQ(project.fieldDocs[2].name.size(), 255u);
    // Cutting counts characters, and never splits one.
    EXPECT_EQ(CutToCharacters("ЯЯЯ", 2), "ЯЯ");
}

TEST(ProjectModelTest, FileListKeepsReferencesPointingAtTheirFile) {
    CDocvaneDoc project;
    FileDoc& a = project.AppendFile("/p/a.dwg");
    a.xrefsBefore.emplace_back("/p/r.dwg", &project, &a);
    project.InsertFile(0, "/p/first.pdf");
    project.InsertFile(99, "/p/last.pdf");
    ASSERT_EQ(project.FileCount(), 3u);
    EXPECT_EQ(project.File(0).fullPath, "/p/first.pdf");
    EXPECT_EQ(project.File(1).xrefsBefore[0].ownerFile, &project.File(1));
    project.RemoveFile(0);
    EXPECT_EQ(project.File(0).xrefsBefore[0].ownerFile, &project.File(0));
    EXPECT_EQ(project.File(1).fullPath, "/p/last.pdf");
}

TEST(ProjectModelTest, FileComparisonFindsEveryRecordedChange) {
    CDocvaneDoc project;
    FileDoc& file = project.AppendFile("/p/a.dwg");
    file.sheetNames = {"A"};
    file.xrefsAfter.emplace_back("/p/r.dwg", &project, &file);
    file.wordRefs.push_back(WordRef{1, 2, 3, 4, 5, 6});
    const FileDoc copy = file;
    EXPECT_TRUE(copy == file);
    EXPECT_EQ(copy.xrefsAfter[0].ownerFile, &file);  // a copy keeps the owning entry

    FileDoc changed = file;
    changed.statusText = "other";
    changed.statusColor = 1;
    EXPECT_TRUE(changed == file);  // statuses take no part

    changed = file;
    changed.sheetNames[0] = "a";
    EXPECT_FALSE(changed == file);
    changed = file;
    changed.wordRefs[0].point2Y = 4.0001f;
    EXPECT_FALSE(changed == file);
    changed = file;
    changed.xrefsAfter[0].fullPath = "/p/R.dwg";
    EXPECT_FALSE(changed == file);
    changed = file;
    changed.xrefsBefore.push_back(file.xrefsAfter[0]);
    EXPECT_FALSE(changed == file);
    changed = file;
    changed.fullPath = "/p/A.dwg";
    EXPECT_FALSE(changed == file);
}

TEST(ProjectModelTest, EveryProjectHasItsOwnPrivateTemporaryFolderWhileItLives) {
    std::string first;
    {
        CDocvaneDoc a;
        CDocvaneDoc b;
        first = a.propertyDoc.tempDir;
        ASSERT_FALSE(first.empty()) << a.TempFolder().Error();
        EXPECT_NE(first, b.propertyDoc.tempDir);
        struct stat st {};
        ASSERT_EQ(::lstat(first.c_str(), &st), 0);
        EXPECT_TRUE(S_ISDIR(st.st_mode));
        EXPECT_EQ(st.st_mode & 07777, 0700u);
        EXPECT_EQ(st.st_uid, ::geteuid());
        EXPECT_EQ(first.rfind(UserTempBase() + "/", 0), 0u);
    }
    EXPECT_FALSE(std::filesystem::exists(first));  // removed when its project closed
}

}  // namespace
}  // namespace docvane
