#include "output/FileOperations.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "output/OutputPaths.h"
#include "output/ProtectedPaths.h"
#include "project/DocvaneDoc.h"
#include "run/PublishState.h"
#include "support/TestSupport.h"

namespace docvane {
namespace {

using test::Exists;
using test::ReadFile;
using test::WriteFile;

class FileOperationsTest : public ::testing::Test {
  protected:
    FileOperationsTest() {
        GetPublishState().severity = 0;
        project_.propertyDoc.projectDir = dir_.Path();
        project_.propertyDoc.tempDir = dir_ / "tmp";
        project_.SetPathName(dir_ / "project.dv1");
        WriteFile(dir_ / "project.dv1", "<docvane/>");
    }
    void UseFolders(const std::string& pdf, const std::string& edit) {
        SetPath(project_.pdfDir, pdf);
        SetPath(project_.editDir, edit);
    }
    test::IsolatedSettings settings_;
    test::TempDir dir_;
    CDocvaneDoc project_;
    test::RecordingChannel channel_;
};

TEST_F(FileOperationsTest, OutputNamesAndPaths) {
    UseFolders(dir_ / "PDF", dir_ / "EDIT");
    FileDoc& plan = project_.AppendFile(dir_ / "src/Plan.DWG");
    plan.sheetNames = {"Лист 1", "../../escape", "a/b"};
    EXPECT_EQ(PdfOutputPath(plan, -1), dir_ / "PDF/Plan.pdf");
    EXPECT_EQ(EditableOutputPath(plan, -1), dir_ / "EDIT/Plan.DWG");
    EXPECT_EQ(PdfTempPath(plan, -1), dir_ / "tmp/Plan.pdf");
    EXPECT_EQ(EditableTempPath(plan, 0), dir_ / "tmp/Лист 1.dwg");
    EXPECT_EQ(PdfOutputPath(plan, 0), dir_ / "PDF/Лист 1.pdf");
    // Names from a drawing never lead out of the output folder.
    EXPECT_EQ(PdfOutputPath(plan, 1), dir_ / "PDF/.._.._escape.pdf");
    EXPECT_EQ(EditableOutputPath(plan, 2), dir_ / "EDIT/a_b.dwg");
    EXPECT_EQ(SheetIndexes(plan), std::vector<int>{-1});
    project_.propertyDoc.autocad.splitIntoLayouts = true;
    EXPECT_EQ(SheetIndexes(plan), (std::vector<int>{0, 1, 2}));

    XrefFile ref(dir_ / "x/Base.dwg", &project_, &plan);
    EXPECT_EQ(ReferenceTargetPath(ref), dir_ / "EDIT/Refs/Base.dwg");
    project_.propertyDoc.autocad.xrefDir = dir_ / "Absolute";
    EXPECT_EQ(ReferenceTargetPath(ref), dir_ / "Absolute/Base.dwg");

    UseFolders("", "");
    EXPECT_EQ(PdfOutputPath(plan, -1), "");
    EXPECT_EQ(EditableOutputPath(plan, -1), "");
}

TEST_F(FileOperationsTest, PlaceFileCopiesOnlyWhenNewer) {
    WriteFile(dir_ / "tmp/a.pdf", "new", 2000);
    EXPECT_EQ(PlaceFile(dir_ / "tmp/a.pdf", dir_ / "out/deep/a.pdf"), 0);  // folders created
    EXPECT_EQ(ReadFile(dir_ / "out/deep/a.pdf"), "new");

    WriteFile(dir_ / "out/deep/a.pdf", "edited by hand", 3000);
    EXPECT_EQ(PlaceFile(dir_ / "tmp/a.pdf", dir_ / "out/deep/a.pdf"), 0);
    EXPECT_EQ(ReadFile(dir_ / "out/deep/a.pdf"), "edited by hand");

    test::SetModificationTime(dir_ / "out/deep/a.pdf", 1000);
    EXPECT_EQ(PlaceFile(dir_ / "tmp/a.pdf", dir_ / "out/deep/a.pdf"), 0);
    EXPECT_EQ(ReadFile(dir_ / "out/deep/a.pdf"), "new");

    EXPECT_EQ(PlaceFile(dir_ / "tmp/none.pdf", dir_ / "out/none.pdf"), -1);
    EXPECT_EQ(PlaceFile(dir_ / "tmp/a.pdf", dir_ / "tmp/a.pdf"), 0);  // onto itself
    EXPECT_EQ(ReadFile(dir_ / "tmp/a.pdf"), "new");

    WriteFile(dir_ / "blocker", "a file where a folder should be");
    EXPECT_EQ(PlaceFile(dir_ / "tmp/a.pdf", dir_ / "blocker/a.pdf"), -3);

    test::SetModificationTime(dir_ / "out/deep/a.pdf", 1000);
    test::FileLock lock(dir_ / "out/deep/a.pdf");
    EXPECT_EQ(PlaceFile(dir_ / "tmp/a.pdf", dir_ / "out/deep/a.pdf"), -5);
}

TEST_F(FileOperationsTest, EnsureDirectoryCreatesParents) {
    EXPECT_EQ(EnsureDirectory(dir_ / "a/b/c"), 0);
    EXPECT_TRUE(std::filesystem::is_directory(dir_ / "a/b/c"));
    EXPECT_EQ(EnsureDirectory(dir_ / "a/b/c"), 0);
    WriteFile(dir_ / "file", "x");
    EXPECT_EQ(EnsureDirectory(dir_ / "file/sub"), -3);
}

TEST_F(FileOperationsTest, ReferencesAreCopiedOncePerPathWithWarningsForFailures) {
    UseFolders(dir_ / "PDF", dir_ / "EDIT");
    FileDoc& a = project_.AppendFile(dir_ / "A.dwg");
    FileDoc& b = project_.AppendFile(dir_ / "B.dwg");
    WriteFile(dir_ / "x/Shared.dwg", "shared", 1000);
    a.xrefsAfter.emplace_back(dir_ / "x/Shared.dwg", &project_, &a);
    a.xrefsAfter.emplace_back(dir_ / "x/Gone.dwg", &project_, &a);
    b.xrefsAfter.emplace_back(dir_ / "x/Shared.dwg", &project_, &b);
    CopyReferences(project_);
    EXPECT_EQ(channel_.Texts(), (std::vector<std::string>{
                                    "[?] Копирование внешних ссылок в: " + (dir_ / "EDIT") + "/Refs",
                                    "[?] Копирую внешнюю ссылку: " + (dir_ / "x/Shared.dwg"),
                                    "[?] Копирую внешнюю ссылку: " + (dir_ / "x/Gone.dwg"),
                                    "[!] Внешняя ссылка не найдена: " + (dir_ / "x/Gone.dwg"),
                                }));
    EXPECT_EQ(ReadFile(dir_ / "EDIT/Refs/Shared.dwg"), "shared");
    EXPECT_EQ(GetPublishState().severity, 2);
}

TEST_F(FileOperationsTest, CleaningRemovesOnlyOurOwnResultsThatAreNoLongerOutputs) {
    UseFolders(dir_ / "PDF", dir_ / "EDIT");
    FileDoc& plan = project_.AppendFile(dir_ / "Plan.dwg");
    plan.sheetNames = {"S1", "S2"};
    FileDoc& text = project_.AppendFile(dir_ / "Text.docx");
    FileDoc& gone = project_.AppendFile(dir_ / "Gone.docx");
    // An earlier run: whole-drawing results, and the files of an entry removed since.
    for (const char* name : {"Plan.pdf", "Plan.dwg", "Text.pdf", "Text.docx", "Gone.pdf", "Gone.docx"}) {
        WriteFile(dir_ / ("tmp/" + std::string(name)), "result", 2000);
    }
    for (FileDoc* file : {&plan, &text, &gone}) {
        ASSERT_EQ(PlaceOutput(*file, PdfTempPath(*file, -1), PdfOutputPath(*file, -1)), 0);
        ASSERT_EQ(PlaceOutput(*file, EditableTempPath(*file, -1), EditableOutputPath(*file, -1)), 0);
    }
    // This run: split sheets; the removed entry is gone from the project.
    project_.propertyDoc.autocad.splitIntoLayouts = true;
    for (int sheet : {0, 1}) {
        WriteFile(PdfTempPath(plan, sheet), "sheet", 2000);
        WriteFile(EditableTempPath(plan, sheet), "sheet", 2000);
        ASSERT_EQ(PlaceOutput(plan, PdfTempPath(plan, sheet), PdfOutputPath(plan, sheet)), 0);
        ASSERT_EQ(PlaceOutput(plan, EditableTempPath(plan, sheet), EditableOutputPath(plan, sheet)), 0);
    }
    project_.RemoveFile(2);
    // Beside them: files and folders of others, one of our results edited by hand since, and names
    // a hostile record lists (outside the folder, or a file that was never placed).
    for (const char* name :
         {"PDF/old.pdf", "PDF/sub/x.pdf", "EDIT/stray.bak", "EDIT/Refs/r.dwg", "outside.pdf"}) {
        WriteFile(dir_ / name, "someone else's");
    }
    std::filesystem::create_directory(dir_ / "PDF/folder.pdf");
    WriteFile(dir_ / "EDIT/Plan.dwg", "edited by hand after publishing");
    std::string record = ReadFile(dir_ / "PDF/.docvane-published");
    record += (dir_ / "project.dv1") + "\t14\t0\t../outside.pdf\n";
    record += (dir_ / "project.dv1") + "\t14\t0\told.pdf\n";
    WriteFile(dir_ / "PDF/.docvane-published", record);

    CleanOutputFolders(project_);
    for (const char* kept : {"PDF/S1.pdf", "PDF/S2.pdf", "PDF/Text.pdf", "EDIT/S1.dwg", "EDIT/S2.dwg",
                             "EDIT/Text.docx", "EDIT/Refs/r.dwg", "PDF/old.pdf", "PDF/sub/x.pdf",
                             "PDF/folder.pdf", "EDIT/stray.bak", "EDIT/Plan.dwg", "outside.pdf"}) {
        EXPECT_TRUE(Exists(dir_ / kept)) << kept;
    }
    for (const char* removed : {"PDF/Plan.pdf", "PDF/Gone.pdf", "EDIT/Gone.docx"}) {
        EXPECT_FALSE(Exists(dir_ / removed)) << removed;
    }
    EXPECT_EQ(ReadFile(dir_ / "EDIT/Plan.dwg"), "edited by hand after publishing");
    EXPECT_EQ(channel_.Texts(),
              (std::vector<std::string>{
                  "[?] Очистка временных и лишних файлов в PDF папке: " + (dir_ / "PDF"),
                  "[?] Очистка временных и лишних файлов в папке с ред. форматом: " + (dir_ / "EDIT"),
              }));
    // The record keeps exactly what is still ours: a second cleaning finds nothing more to remove.
    WriteFile(dir_ / "PDF/Plan.pdf", "a file of the user's under an old name");
    CleanOutputFolders(project_);
    EXPECT_EQ(ReadFile(dir_ / "PDF/Plan.pdf"), "a file of the user's under an old name");
    EXPECT_EQ(ReadFile(dir_ / "PDF/.docvane-published").find("Gone.pdf"), std::string::npos);
}

TEST_F(FileOperationsTest, CleaningWarnsForEntriesItCannotRemoveAndSkipsMissingFolders) {
    UseFolders(dir_ / "PDF", dir_ / "NeverCreated");
    FileDoc& locked = project_.AppendFile(dir_ / "locked.pdf");
    WriteFile(dir_ / "locked.pdf", "x", 1000);
    ASSERT_EQ(PlaceOutput(locked, dir_ / "locked.pdf", dir_ / "PDF/locked.pdf"), 0);
    project_.RemoveFile(0);
    test::FileLock lock(dir_ / "PDF/locked.pdf");
    CleanOutputFolders(project_);
    const auto texts = channel_.Texts();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[1], "[!] Не могу удалить файл: " + (dir_ / "PDF/locked.pdf"));
}

TEST_F(FileOperationsTest, OutputFoldersThatAreTheProjectFolderLoseNothingOfTheUser) {
    UseFolders(dir_.Path(), dir_.Path());
    FileDoc& plan = project_.AppendFile(dir_ / "Plan.dwg");
    FileDoc& ready = project_.AppendFile(dir_ / "Ready.pdf");
    WriteFile(dir_ / "Plan.dwg", "source drawing", 1000);
    WriteFile(dir_ / "Ready.pdf", "ready pdf", 1000);
    WriteFile(dir_ / "refs/Base.dwg", "reference", 1000);
    plan.xrefsBefore.emplace_back(dir_ / "refs/Base.dwg", &project_, &plan);
    WriteFile(dir_ / "tmp/Plan.pdf", "published", 1000);
    ASSERT_EQ(PlaceOutput(plan, dir_ / "tmp/Plan.pdf", PdfOutputPath(plan, -1)), 0);
    WriteFile(dir_ / "stray.txt", "stray", 1000);

    CleanOutputFolders(project_);
    EXPECT_EQ(ReadFile(dir_ / "project.dv1"), "<docvane/>");
    EXPECT_EQ(ReadFile(dir_ / "Plan.dwg"), "source drawing");
    EXPECT_EQ(ReadFile(dir_ / "Ready.pdf"), "ready pdf");
    EXPECT_EQ(ReadFile(dir_ / "refs/Base.dwg"), "reference");
    EXPECT_EQ(ReadFile(dir_ / "Plan.pdf"), "published");  // the PDF kind survives the editable pass
    EXPECT_EQ(ReadFile(dir_ / "stray.txt"), "stray");     // not ours: the folder is the user's

    // The editable copy of a drawing saved into its own folder is the source: never replaced.
    WriteFile(dir_ / "tmp/Plan.dwg", "saved copy", 2000);
    EXPECT_EQ(PlaceOutput(plan, dir_ / "tmp/Plan.dwg", EditableOutputPath(plan, -1)), 0);
    EXPECT_EQ(ReadFile(dir_ / "Plan.dwg"), "source drawing");
    // A result that would land on another file of the user is refused.
    WriteFile(dir_ / "tmp/project.dv1", "x", 2000);
    EXPECT_EQ(PlaceOutput(plan, dir_ / "tmp/project.dv1", dir_ / "project.dv1"), -5);
    EXPECT_EQ(ReadFile(dir_ / "project.dv1"), "<docvane/>");

    // "Clear published" leaves a ready PDF that is its own published copy.
    RemovePublishedFiles(ready);
    RemovePublishedFiles(plan);
    EXPECT_TRUE(Exists(dir_ / "Ready.pdf"));
    EXPECT_TRUE(Exists(dir_ / "Plan.dwg"));
    EXPECT_FALSE(Exists(dir_ / "Plan.pdf"));
}

TEST_F(FileOperationsTest, ReferenceCopiesNeverReplaceTheUsersOwnReferences) {
    UseFolders(dir_ / "PDF", dir_.Path());
    FileDoc& a = project_.AppendFile(dir_ / "A.dwg");
    FileDoc& b = project_.AppendFile(dir_ / "B.dwg");
    WriteFile(dir_ / "Refs/Base.dwg", "user's reference", 1000);
    WriteFile(dir_ / "other/Base.dwg", "newer namesake", 2000);
    a.xrefsAfter.emplace_back(dir_ / "Refs/Base.dwg", &project_, &a);
    b.xrefsAfter.emplace_back(dir_ / "other/Base.dwg", &project_, &b);
    CopyReferences(project_);
    EXPECT_EQ(ReadFile(dir_ / "Refs/Base.dwg"), "user's reference");
    // The user's own reference is already in place (no line); the namesake is refused with a warning.
    const auto lines = channel_.Texts();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[3].rfind("[!] ", 0), 0u);
    EXPECT_NE(lines[3].find(dir_ / "Refs/Base.dwg"), std::string::npos);

    // During a run the protected set is built once and handed to each step; references found on the
    // way are added to it.
    ProtectedPaths run(project_);
    FileDoc& c = project_.AppendFile(dir_ / "C.dwg");
    WriteFile(dir_ / "late/Late.dwg", "late reference", 1000);
    WriteFile(dir_ / "tmp/Late.dwg", "result", 2000);
    c.xrefsBefore.emplace_back(dir_ / "late/Late.dwg", &project_, &c);
    EXPECT_FALSE(ProtectedPathsOf(project_, &run)->Protects(dir_ / "late/Late.dwg"));
    run.Add(c);
    EXPECT_TRUE(ProtectedPathsOf(project_, &run)->Protects(dir_ / "late"));
    EXPECT_EQ(
        PlaceOutput(a, dir_ / "tmp/Late.dwg", dir_ / "late/../late/Late.dwg", PlaceWhen::TargetOlder, &run),
        -5);
    EXPECT_EQ(ReadFile(dir_ / "late/Late.dwg"), "late reference");
    // Another project never sees this run's set.
    CDocvaneDoc other;
    EXPECT_FALSE(ProtectedPathsOf(other)->Protects(dir_ / "A.dwg"));
}

TEST_F(FileOperationsTest, RemovePublishedFilesRemovesEveryKindAndSheetThatWePlaced) {
    UseFolders(dir_ / "PDF", dir_ / "EDIT");
    FileDoc& plan = project_.AppendFile(dir_ / "Plan.dwg");
    plan.sheetNames = {"S1", "S2"};
    for (const char* name : {"tmp/Plan.pdf", "tmp/Plan.dwg", "tmp/S1.pdf", "tmp/S1.dwg"}) {
        WriteFile(dir_ / name, "x", 1000);
    }
    for (int sheet : {-1, 0}) {
        ASSERT_EQ(PlaceOutput(plan, PdfTempPath(plan, sheet), PdfOutputPath(plan, sheet)), 0);
        ASSERT_EQ(PlaceOutput(plan, EditableTempPath(plan, sheet), EditableOutputPath(plan, sheet)), 0);
    }
    // Same names, never placed by us: the user's own files stay.
    WriteFile(dir_ / "PDF/S2.pdf", "the user's");
    WriteFile(dir_ / "PDF/Other.pdf", "x");
    RemovePublishedFiles(plan);  // sheets too, whatever the split setting says
    for (const char* name : {"PDF/Plan.pdf", "EDIT/Plan.dwg", "tmp/Plan.pdf", "tmp/Plan.dwg", "PDF/S1.pdf",
                             "EDIT/S1.dwg", "tmp/S1.pdf", "tmp/S1.dwg"}) {
        EXPECT_FALSE(Exists(dir_ / name)) << name;
    }
    EXPECT_TRUE(Exists(dir_ / "PDF/Other.pdf"));
    EXPECT_EQ(ReadFile(dir_ / "PDF/S2.pdf"), "the user's");
    EXPECT_FALSE(Exists(dir_ / "PDF/.docvane-published"));  // nothing of ours is left to record
}

}  // namespace
}  // namespace docvane
