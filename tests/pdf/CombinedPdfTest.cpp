#include <gtest/gtest.h>
#include <podofo/podofo.h>

#include <filesystem>
#include <fstream>

#include "output/OutputPaths.h"
#include "pdf/CombinedPdf.h"
#include "run/PublishState.h"
#include "support/ExternalTool.h"
#include "support/PdfFixtures.h"
#include "support/PdfInspection.h"
#include "support/StageProject.h"

namespace docvane {
namespace {

using test::StageProject;
namespace fs = std::filesystem;

const std::string kMerging = "[?] Объединяю файлы в общий pdf: ";

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.rfind(prefix, 0) == 0;
}

TEST(CombinedPdfTest, MergesPublishedPdfsInProjectOrderAndReportsCounts) {
    StageProject stage;
    stage.Settings().isNumbering = false;
    stage.AddPublishedPdf("First.pdf", 2, "alpha ");
    stage.AddPublishedPdf("Second.pdf", 3, "beta ");
    FileDoc& third = stage.AddSource("Third.docx");  // a word document published into the PDF folder
    test::WriteFixturePdf(PdfOutputPath(third, -1), 1, "gamma ");

    ASSERT_TRUE(BuildCombinedPdf(stage.Project()));

    const std::string out = stage.CombinedPath();
    EXPECT_TRUE(test::QpdfCheckClean(out));
    const auto texts = test::PageTexts(out);
    ASSERT_EQ(texts.size(), 6u);
    const char* expected[] = {"alpha 1", "alpha 2", "beta 1", "beta 2", "beta 3", "gamma 1"};
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_NE(texts[i].find(expected[i]), std::string::npos) << "page " << i + 1;
    }
    const std::vector<std::string> log = {
        kMerging + out,
        "[?] Считаю количество форматов А4 в общем pdf:combined.pdf",
        "[?] Создаю меню в общем pdf: combined.pdf",
        "[?] Сохраняю общий pdf: " + out,
        "[?] Общее количество листов: 6",
        "[?] Количество форматов А4: 6",
    };
    EXPECT_EQ(stage.Log(), log);
}

TEST(CombinedPdfTest, ResolvesAReadyPdfToItsSourceAndOthersToTemporaryCopyThenPdfFolder) {
    StageProject stage;
    FileDoc& ready = stage.AddSource("Ready.pdf");
    FileDoc& word = stage.AddSource("Report.docx");
    EXPECT_EQ(ResolvePublishedPdf(ready, -1), "");
    test::WriteFixturePdf(ready.fullPath, 1, "source");
    EXPECT_EQ(ResolvePublishedPdf(ready, -1), ready.fullPath);
    // A temporary file of the same name is another file's (a drawing "Ready.dxf"): never the ready PDF.
    test::WriteFixturePdf(PdfTempPath(ready, -1), 1, "temp");
    EXPECT_EQ(ResolvePublishedPdf(ready, -1), ready.fullPath);

    EXPECT_EQ(ResolvePublishedPdf(word, -1), "");
    test::WriteFixturePdf(PdfOutputPath(word, -1), 1, "folder");
    EXPECT_EQ(ResolvePublishedPdf(word, -1), PdfOutputPath(word, -1));
    stage.Project().pdfDir = DirDoc();  // no PDF folder: nothing to fall back on
    EXPECT_EQ(ResolvePublishedPdf(word, -1), "");
}

TEST(CombinedPdfTest, SplitDrawingContributesOnePdfPerSheetTitledBySheet) {
    StageProject stage;
    stage.Settings().autocad.splitIntoLayouts = true;
    FileDoc& drawing = stage.AddSource("Plan.dwg");
    drawing.sheetNames = {"Sheet B", "Sheet A", "Sheet C"};
    for (int i = 0; i < 3; ++i) {
        test::WriteFixturePdf(PdfTempPath(drawing, i), 1, "sheet " + std::to_string(i));
    }
    FileDoc& empty = stage.AddSource("Empty.dxf");  // no sheets: contributes nothing
    (void)empty;
    ASSERT_TRUE(BuildCombinedPdf(stage.Project()));
    const auto outline = test::QpdfOutline(stage.CombinedPath());
    ASSERT_EQ(outline.size(), 3u);
    EXPECT_EQ(outline[0].title, "Sheet B");
    EXPECT_EQ(outline[1].title, "Sheet A");
    EXPECT_EQ(outline[2].title, "Sheet C");
    EXPECT_EQ(outline[2].page, 3);
    const auto texts = test::PageTexts(stage.CombinedPath());
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_NE(texts[1].find("sheet 1"), std::string::npos);
}

TEST(CombinedPdfTest, MissingPublishedPdfEndsTheStageAndKeepsTheOldCombinedPdf) {
    StageProject stage;
    test::WriteFixturePdf(stage.CombinedPath(), 2, "the last good run");
    const std::string old = test::ReadFile(stage.CombinedPath());
    for (int i = 1; i <= 5; ++i) {
        const std::string name = "F" + std::to_string(i);
        if (i == 3) {
            stage.AddSource(name + ".docx");
        } else {
            stage.AddPublishedPdf(name + ".pdf", 1, name);
        }
    }
    EXPECT_FALSE(BuildCombinedPdf(stage.Project()));
    EXPECT_EQ(stage.Log().back(), "[X] Опубликованный файл отсутствует: F3.pdf");
    EXPECT_EQ(stage.Errors().size(), 1u);
    EXPECT_EQ(test::ReadFile(stage.CombinedPath()), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(stage.Folder() + "/out"),
                            std::filesystem::directory_iterator()),
              1);  // no part file is left beside it
}

TEST(CombinedPdfTest, CombinedPdfThatCannotBeDeletedStopsEverything) {
    StageProject stage;
    stage.AddPublishedPdf("A.pdf", 1, "a");
    test::WriteFixturePdf(stage.CombinedPath(), 1, "old");
    const std::string old = test::ReadFile(stage.CombinedPath());
    {
        test::FileLock lock(stage.CombinedPath());
        ASSERT_TRUE(lock.Held());
        EXPECT_FALSE(BuildCombinedPdf(stage.Project()));
    }
    EXPECT_EQ(stage.Log(),
              (std::vector<std::string>{kMerging + stage.CombinedPath(),
                                        "[X] Не могу удалить общий pdf: " + stage.CombinedPath()}));
    EXPECT_EQ(test::ReadFile(stage.CombinedPath()), old);
}

TEST(CombinedPdfTest, NeverDeletesAFolderOrASourceAtTheCombinedPath) {
    StageProject stage;
    FileDoc& source = stage.AddPublishedPdf("A.pdf", 1, "a");
    test::WriteFixturePdf(source.fullPath, 1, "the source");

    SetPath(stage.Project().pdfFile, stage.Folder() + "/folder");
    test::WriteFile(stage.Folder() + "/folder/keep.txt", "keep");
    EXPECT_FALSE(BuildCombinedPdf(stage.Project()));
    EXPECT_TRUE(test::Exists(stage.Folder() + "/folder/keep.txt"));

    SetPath(stage.Project().pdfFile, source.fullPath);
    EXPECT_FALSE(BuildCombinedPdf(stage.Project()));
    EXPECT_EQ(stage.Errors().back(), "[X] Не могу удалить общий pdf: " + source.fullPath);
    EXPECT_NE(test::PageTexts(source.fullPath).at(0).find("the source"), std::string::npos);
}

TEST(CombinedPdfTest, UnwritableCombinedPathEndsWithTheSaveError) {
    StageProject stage;
    stage.AddPublishedPdf("A.pdf", 1, "a");
    SetPath(stage.Project().pdfFile, stage.Folder() + "/no/such/folder/out.pdf");
    EXPECT_FALSE(BuildCombinedPdf(stage.Project()));
    ASSERT_EQ(stage.Errors().size(), 1u);
    EXPECT_TRUE(StartsWith(stage.Errors()[0], "[X] Не могу сохранить общий pdf файл: "));
}

TEST(CombinedPdfTest, KeepsTheHighestPdfVersion) {
    StageProject stage;
    stage.AddPublishedPdf("Old.pdf", 1, "old");
    FileDoc& newer = stage.AddPublishedPdf("New.pdf", 1, "new");
    test::EditPdf(PdfTempPath(newer, -1),
                  [](PoDoFo::PdfMemDocument& doc) { doc.SetPdfVersion(PoDoFo::ePdfVersion_1_7); });
    ASSERT_TRUE(BuildCombinedPdf(stage.Project()));
    EXPECT_EQ(test::ReadFile(stage.CombinedPath()).substr(0, 8), "%PDF-1.7");
}

TEST(CombinedPdfTest, CancellingEndsTheStageWithoutALine) {
    StageProject stage;
    stage.AddPublishedPdf("A.pdf", 1, "a");
    GetPublishState().running = false;
    EXPECT_FALSE(BuildCombinedPdf(stage.Project()));
    EXPECT_EQ(stage.Log(), std::vector<std::string>{kMerging + stage.CombinedPath()});
    EXPECT_FALSE(test::Exists(stage.CombinedPath()));  // nothing half-made at the combined path
}

TEST(CombinedPdfTest, TotalPagesAndA4CountCoverEveryFormat) {
    StageProject stage;
    stage.Settings().isNumbering = false;
    FileDoc& file = stage.AddSource("Mixed.pdf");
    std::vector<test::FixturePage> pages(12);
    for (int i : {2, 5, 9}) {
        pages[static_cast<std::size_t>(i)].width = 841.8898;  // A3
        pages[static_cast<std::size_t>(i)].height = 1190.5512;
    }
    test::WriteFixturePdf(file.fullPath, pages);
    ASSERT_TRUE(BuildCombinedPdf(stage.Project()));
    const auto log = stage.Log();
    EXPECT_EQ(log[log.size() - 2], "[?] Общее количество листов: 12");
    EXPECT_EQ(log.back(), "[?] Количество форматов А4: 15");
}

// Inputs are untrusted: whatever they hold, the stage ends with its error line, never a crash.
class UntrustedInputTest : public ::testing::TestWithParam<std::string> {};

std::string Broken(const std::string& kind, const std::string& valid) {
    if (kind == "empty") {
        return "";
    }
    if (kind == "garbage") {
        return std::string(4096, 'x');
    }
    if (kind == "header only") {
        return "%PDF-1.4\n%%EOF\n";
    }
    if (kind == "truncated") {
        return valid.substr(0, valid.size() / 2);
    }
    return valid;
}

TEST_P(UntrustedInputTest, BrokenFileEndsTheStageWithTheAddError) {
    StageProject stage;
    FileDoc& good = stage.AddPublishedPdf("Good.pdf", 2, "good");
    FileDoc& bad = stage.AddSource("Bad.pdf");
    test::WriteFixturePdf(bad.fullPath, 3, "bad");
    test::WriteFile(bad.fullPath, Broken(GetParam(), test::ReadFile(bad.fullPath)));
    (void)good;
    EXPECT_FALSE(BuildCombinedPdf(stage.Project()));
    ASSERT_EQ(stage.Errors().size(), 1u);
    const std::string error = stage.Errors()[0];
    EXPECT_TRUE(StartsWith(error, "[X] Не удалось добавить файл (") ||
                error == "[X] Не удалось добавить файл: Bad.pdf")
        << error;
    EXPECT_TRUE(error.size() > 8 && error.substr(error.size() - 8) == " Bad.pdf") << error;
    EXPECT_EQ(error.find("()"), std::string::npos) << error;  // always a reason
    EXPECT_FALSE(test::Exists(stage.CombinedPath()));
}

INSTANTIATE_TEST_SUITE_P(Kinds, UntrustedInputTest,
                         ::testing::Values("empty", "garbage", "header only", "truncated"));

TEST(UntrustedInputTest, PasswordProtectedFileIsReportedNotMerged) {
    StageProject stage;
    FileDoc& file = stage.AddSource("Locked.pdf");
    const std::string plain = stage.Folder() + "/plain.pdf";
    test::WriteFixturePdf(plain, 1, "secret");
    ASSERT_EQ(
        test::RunTool({"qpdf", "--encrypt", "user", "owner", "256", "--", plain, file.fullPath}).exitCode, 0);
    EXPECT_FALSE(BuildCombinedPdf(stage.Project()));
    ASSERT_EQ(stage.Errors().size(), 1u);
    EXPECT_TRUE(StartsWith(stage.Errors()[0], "[X] Не удалось добавить файл (")) << stage.Errors()[0];
}

TEST(UntrustedInputTest, CyclicPageTreeAndOddPagesAreHandled) {
    StageProject stage;
    stage.Settings().autocad.clearComments = true;
    FileDoc& file = stage.AddSource("Odd.pdf");
    test::WriteFixturePdf(file.fullPath, 3, "odd ");
    test::EditPdf(file.fullPath, [](PoDoFo::PdfMemDocument& doc) {
        using namespace PoDoFo;
        PdfObject* pages = doc.GetCatalog()->GetIndirectKey("Pages");
        // The tree lists itself as a kid: a loop a naive walk never leaves.
        pages->GetIndirectKey("Kids")->GetArray().push_back(pages->Reference());
        PdfObject* first = doc.GetPage(0)->GetObject();
        first->GetDictionary().AddKey("Annots", PdfVariant());
        first->GetDictionary().RemoveKey("Contents");
    });
    ASSERT_TRUE(BuildCombinedPdf(stage.Project())) << ::testing::PrintToString(stage.Log());
    EXPECT_EQ(test::QpdfPageCount(stage.CombinedPath()), 3);
    EXPECT_TRUE(test::QpdfCheckClean(stage.CombinedPath()));
}

// Protected with an empty user password: the file opens without asking, so it merges.
class EmptyPasswordTest : public ::testing::TestWithParam<std::string> {};

TEST_P(EmptyPasswordTest, MergesAndReadsInPlainText) {
    StageProject stage;
    stage.AddPublishedPdf("Plain.pdf", 1, "plain");
    FileDoc& file = stage.AddSource("Protected.pdf");
    const std::string plain = stage.Folder() + "/plain.pdf";
    test::WriteFixturePdf(plain, 2, "protected ");
    std::vector<std::string> args = {"qpdf", "--allow-weak-crypto", "--encrypt", "", "owner", GetParam()};
    if (GetParam() == "128") {
        args.push_back("--use-aes=y");
    }
    args.insert(args.end(), {"--", plain, file.fullPath});
    ASSERT_EQ(test::RunTool(args).exitCode, 0);
    ASSERT_TRUE(BuildCombinedPdf(stage.Project())) << ::testing::PrintToString(stage.Log());
    EXPECT_TRUE(test::QpdfCheckClean(stage.CombinedPath()));
    const auto texts = test::PageTexts(stage.CombinedPath());
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_NE(texts[2].find("protected 2"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Ciphers, EmptyPasswordTest, ::testing::Values("40", "128", "256"));

}  // namespace
}  // namespace docvane
