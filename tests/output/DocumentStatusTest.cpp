#include "output/DocumentStatus.h"

#include <gtest/gtest.h>

#include "project/DocvaneDoc.h"
#include "support/TestSupport.h"

namespace docvane {
namespace {

using test::WriteFile;

// A project in a temporary folder with PDF and EDIT output folders; times are set explicitly.
class DocumentStatusTest : public ::testing::Test {
  protected:
    DocumentStatusTest() {
        project_.propertyDoc.projectDir = dir_.Path();
        project_.propertyDoc.tempDir = dir_ / "tmp";
        SetPath(project_.pdfDir, dir_ / "PDF");
        SetPath(project_.editDir, dir_ / "EDIT");
        SetPath(project_.pdfFile, dir_ / "All.pdf");
    }
    FileDoc& Drawing(std::int64_t time = 1000) {
        WriteFile(dir_ / "Plan.dwg", "dwg", time);
        return project_.AppendFile(dir_ / "Plan.dwg");
    }
    test::IsolatedSettings settings_;
    test::TempDir dir_;
    CDocvaneDoc project_;
};

TEST_F(DocumentStatusTest, MissingSourceAndMissingOrOlderResults) {
    FileDoc& file = project_.AppendFile(dir_ / "None.dwg");
    EXPECT_EQ(ComputeStatus(file), -1);
    EXPECT_EQ(file.statusText, "Исходный файл не найден: " + (dir_ / "None.dwg"));
    EXPECT_EQ(file.statusColor, 0x00CCCCCCu);

    FileDoc& plan = Drawing();
    EXPECT_EQ(ComputeStatus(plan), 2);
    EXPECT_EQ(plan.statusText,
              "Опубликованный файл не найден, требуется перепубликация: " + (dir_ / "PDF/Plan.pdf"));
    EXPECT_EQ(plan.statusColor, 0x0099FFFFu);

    WriteFile(dir_ / "PDF/Plan.pdf", "pdf", 1000);
    EXPECT_EQ(ComputeStatus(plan), 12);
    EXPECT_EQ(plan.statusText,
              "Опубликованный файл не найден, требуется перепубликация: " + (dir_ / "EDIT/Plan.dwg"));

    WriteFile(dir_ / "EDIT/Plan.dwg", "copy", 1000);  // equal times are current
    EXPECT_EQ(ComputeStatus(plan), 0);
    EXPECT_EQ(plan.statusText, "Файл не нуждается в публикации: " + (dir_ / "Plan.dwg"));
    EXPECT_EQ(plan.statusColor, 0x0099FF33u);

    test::SetModificationTime(dir_ / "Plan.dwg", 2000);  // saved again after publishing
    EXPECT_EQ(ComputeStatus(plan), 1);
    EXPECT_EQ(plan.statusText, "Исходный файл изменен, требуется перепубликация: " + (dir_ / "PDF/Plan.pdf"));

    test::SetModificationTime(dir_ / "PDF/Plan.pdf", 2000);
    EXPECT_EQ(ComputeStatus(plan), 11);
    EXPECT_EQ(plan.statusText,
              "Исходный файл изменен, требуется перепубликация: " + (dir_ / "EDIT/Plan.dwg"));
}

TEST_F(DocumentStatusTest, LockedResultsMatterOnlyWhenTheyNeedReplacing) {
    FileDoc& plan = Drawing(1000);
    WriteFile(dir_ / "PDF/Plan.pdf", "pdf", 1000);
    WriteFile(dir_ / "EDIT/Plan.dwg", "copy", 1000);
    {
        test::FileLock lock(dir_ / "PDF/Plan.pdf");
        EXPECT_EQ(ComputeStatus(plan), 0);  // current: the lock is not reported
        test::SetModificationTime(dir_ / "Plan.dwg", 2000);
        EXPECT_EQ(ComputeStatus(plan), -2);
        EXPECT_EQ(plan.statusText, "Отсутствует доступ к опубликованному файлу: " + (dir_ / "PDF/Plan.pdf"));
        EXPECT_EQ(plan.statusColor, 0x003366FFu);
    }
    test::SetModificationTime(dir_ / "PDF/Plan.pdf", 3000);
    test::FileLock lock(dir_ / "EDIT/Plan.dwg");
    EXPECT_EQ(ComputeStatus(plan), -22);
    EXPECT_EQ(plan.statusText, "Отсутствует доступ к опубликованному файлу: " + (dir_ / "EDIT/Plan.dwg"));
}

TEST_F(DocumentStatusTest, ReferencesNewerThanTheEditableCopy) {
    FileDoc& plan = Drawing(1000);
    WriteFile(dir_ / "PDF/Plan.pdf", "pdf", 1000);
    WriteFile(dir_ / "EDIT/Plan.dwg", "copy", 1000);
    WriteFile(dir_ / "refs/Base.dwg", "ref", 1500);
    plan.xrefsBefore.emplace_back(dir_ / "refs/Base.dwg", &project_, &plan);
    plan.xrefsBefore.emplace_back(dir_ / "refs/Gone.dwg", &project_, &plan);  // missing: ignored
    EXPECT_EQ(ComputeStatus(plan), 32);
    EXPECT_EQ(plan.statusText,
              "Внешняя ссылка изменена, требуется перепубликация: " + (dir_ / "refs/Base.dwg"));
    test::SetModificationTime(dir_ / "refs/Base.dwg", 1000);
    EXPECT_EQ(ComputeStatus(plan), 0);
    // Without an editable folder neither copies nor references are checked.
    test::SetModificationTime(dir_ / "refs/Base.dwg", 5000);
    SetPath(project_.editDir, "");
    EXPECT_EQ(ComputeStatus(plan), 0);
}

TEST_F(DocumentStatusTest, SplitDrawingsAreCheckedPerSheet) {
    project_.propertyDoc.autocad.splitIntoLayouts = true;
    FileDoc& plan = Drawing(1000);
    WriteFile(dir_ / "PDF/Plan.pdf", "whole", 1000);
    WriteFile(dir_ / "EDIT/Plan.dwg", "whole", 1000);
    EXPECT_EQ(ComputeStatus(plan), 4);
    EXPECT_EQ(plan.statusText, "Листы не найдены, требуется перепубликация: " + (dir_ / "Plan.dwg"));
    plan.sheetNames = {"A1", "A2"};
    WriteFile(dir_ / "PDF/A1.pdf", "", 1000);
    WriteFile(dir_ / "EDIT/A1.dwg", "", 1000);
    EXPECT_EQ(ComputeStatus(plan), 2);
    EXPECT_EQ(plan.statusText,
              "Опубликованный файл не найден, требуется перепубликация: " + (dir_ / "PDF/A2.pdf"));
    WriteFile(dir_ / "PDF/A2.pdf", "", 1000);
    WriteFile(dir_ / "EDIT/A2.dwg", "", 1000);
    EXPECT_EQ(ComputeStatus(plan), 0);
}

TEST_F(DocumentStatusTest, WithoutAPdfFolderTheTemporaryPdfIsChecked) {
    SetPath(project_.pdfDir, "");
    SetPath(project_.editDir, "");
    FileDoc& plan = Drawing(1000);
    EXPECT_EQ(ComputeStatus(plan), 2);
    EXPECT_EQ(plan.statusText, "Опубликованный файл не найден, требуется перепубликация: ");
    WriteFile(dir_ / "tmp/Plan.pdf", "", 1000);
    EXPECT_EQ(ComputeStatus(plan), 0);
}

TEST_F(DocumentStatusTest, CombinedStatusSummarisesTheFiles) {
    FileDoc& plan = Drawing(1000);
    EXPECT_EQ(ComputeProjectStatus(project_), 2);
    EXPECT_EQ(project_.pdfFile.statusText, "Опубликованный файл отсутствует: " + (dir_ / "All.pdf"));

    WriteFile(dir_ / "All.pdf", "", 1000);
    EXPECT_EQ(ComputeProjectStatus(project_), 2);  // the file's code
    EXPECT_EQ(project_.pdfFile.statusText, "Файлы изменились, требуется перепубликация");
    EXPECT_EQ(project_.pdfFile.statusColor, 0x0099FFFFu);

    WriteFile(dir_ / "PDF/Plan.pdf", "", 1000);
    WriteFile(dir_ / "EDIT/Plan.dwg", "", 1000);
    EXPECT_EQ(ComputeProjectStatus(project_), 0);
    EXPECT_EQ(project_.pdfFile.statusText, "Файл не нуждается в публикации: " + (dir_ / "All.pdf"));
    EXPECT_EQ(plan.statusColor, 0x0099FF33u);

    project_.AppendFile(dir_ / "Missing.docx");
    project_.AppendFile(dir_ / "Plan.dwg");
    EXPECT_EQ(ComputeProjectStatus(project_), -1);  // a positive code never replaces a negative one
    EXPECT_EQ(project_.pdfFile.statusText, "Публикация невозможна");
    EXPECT_EQ(project_.pdfFile.statusColor, 0x003366FFu);
    project_.RemoveFile(1);

    test::FileLock lock(dir_ / "All.pdf");
    EXPECT_EQ(ComputeProjectStatus(project_), -2);
    EXPECT_EQ(project_.pdfFile.statusText,
              "Отсутствует доступ к опубликованному файлу: " + (dir_ / "All.pdf"));
}

}  // namespace
}  // namespace docvane
