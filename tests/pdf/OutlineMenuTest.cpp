#include <gtest/gtest.h>
#include <podofo/podofo.h>

#include "output/OutputPaths.h"
#include "pdf/CombinedPdf.h"
#include "support/PdfFixtures.h"
#include "support/PdfInspection.h"
#include "support/StageProject.h"

namespace docvane {
namespace {

using test::FixtureOutline;
using test::StageProject;

std::vector<FixtureOutline> TwoChaptersOfThreeSections() {
    std::vector<FixtureOutline> outline;
    for (int c = 0; c < 2; ++c) {
        FixtureOutline chapter{"Chapter " + std::to_string(c + 1), c * 3, {}};
        for (int s = 0; s < 3; ++s) {
            chapter.children.push_back(
                {"Section " + std::to_string(c + 1) + "." + std::to_string(s + 1), c * 3 + s, {}});
        }
        outline.push_back(chapter);
    }
    return outline;
}

std::vector<test::FixturePage> Pages(int count) {
    std::vector<test::FixturePage> pages(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        pages[static_cast<std::size_t>(i)].text = "page " + std::to_string(i + 1);
    }
    return pages;
}

TEST(OutlineMenuTest, EachPdfBecomesOneItemWithItsOwnOutlineBelow) {
    StageProject stage;
    stage.AddPublishedPdf("Cover.pdf", 2, "cover ");
    FileDoc& book = stage.AddSource("Книга.pdf");
    test::WriteFixturePdf(book.fullPath, Pages(6), TwoChaptersOfThreeSections());
    ASSERT_TRUE(BuildCombinedPdf(stage.Project()));

    const std::string out = stage.CombinedPath();
    EXPECT_TRUE(test::QpdfCheckClean(out));
    EXPECT_EQ(test::QpdfOutlineProblems(out), "");
    const auto outline = test::QpdfOutline(out);
    ASSERT_EQ(outline.size(), 2u);
    EXPECT_EQ(outline[0].title, "Cover");
    EXPECT_EQ(outline[0].page, 1);
    EXPECT_TRUE(outline[0].kids.empty());
    EXPECT_EQ(outline[1].title, "Книга");
    EXPECT_EQ(outline[1].page, 3);
    ASSERT_EQ(outline[1].kids.size(), 2u);
    for (int c = 0; c < 2; ++c) {
        const auto& chapter = outline[1].kids[static_cast<std::size_t>(c)];
        EXPECT_EQ(chapter.title, "Chapter " + std::to_string(c + 1));
        EXPECT_EQ(chapter.page, 3 + c * 3);
        ASSERT_EQ(chapter.kids.size(), 3u);
        for (int s = 0; s < 3; ++s) {
            EXPECT_EQ(chapter.kids[static_cast<std::size_t>(s)].title,
                      "Section " + std::to_string(c + 1) + "." + std::to_string(s + 1));
            EXPECT_EQ(chapter.kids[static_cast<std::size_t>(s)].page, 3 + c * 3 + s);
        }
    }
}

TEST(OutlineMenuTest, ItemsWithoutDestinationLeadToTheirParentsPageAndGoToActionsAreFollowed) {
    StageProject stage;
    FileDoc& file = stage.AddSource("Doc.pdf");
    test::WriteFixturePdf(file.fullPath, Pages(6), TwoChaptersOfThreeSections());
    test::EditPdf(file.fullPath, [](PoDoFo::PdfMemDocument& doc) {
        using namespace PoDoFo;
        PdfObject* root = doc.GetCatalog()->GetIndirectKey("Outlines");
        PdfObject* chapter2 = root->GetIndirectKey("First")->GetIndirectKey("Next");
        PdfObject* section1 = chapter2->GetIndirectKey("First");
        PdfObject* section2 = section1->GetIndirectKey("Next");
        PdfObject* section3 = section2->GetIndirectKey("Next");
        // Section 2.1: only a web link, so no page of its own.
        section1->GetDictionary().RemoveKey("Dest");
        section1->GetDictionary().RemoveKey("A");
        PdfDictionary uri;
        uri.AddKey("S", PoDoFo::PdfName("URI"));
        uri.AddKey("URI", PdfString("https://example.org"));
        section1->GetDictionary().AddKey("A", uri);
        // Section 2.2: a go-to action to the last page instead of a destination.
        section2->GetDictionary().RemoveKey("Dest");
        PdfArray target;
        target.push_back(doc.GetPage(5)->GetObject()->Reference());
        target.push_back(PoDoFo::PdfName("Fit"));
        PdfDictionary goTo;
        goTo.AddKey("S", PoDoFo::PdfName("GoTo"));
        goTo.AddKey("D", target);
        section2->GetDictionary().AddKey("A", goTo);
        // Section 2.3: a destination to an object that is no page.
        section3->GetDictionary().RemoveKey("A");
        PdfArray broken;
        broken.push_back(root->Reference());
        broken.push_back(PoDoFo::PdfName("Fit"));
        section3->GetDictionary().AddKey("Dest", broken);
    });
    ASSERT_TRUE(BuildCombinedPdf(stage.Project())) << ::testing::PrintToString(stage.Log());
    const auto outline = test::QpdfOutline(stage.CombinedPath());
    ASSERT_EQ(outline.size(), 1u);
    const auto& chapter2 = outline[0].kids.at(1);
    ASSERT_EQ(chapter2.kids.size(), 3u);
    EXPECT_EQ(chapter2.kids[0].page, 4);  // the chapter's page
    EXPECT_EQ(chapter2.kids[1].page, 6);  // where the action went
    EXPECT_EQ(chapter2.kids[2].page, 4);
}

TEST(OutlineMenuTest, MenuOffLeavesNoOutlineAndNoLinks) {
    StageProject stage;
    stage.Settings().hasMenu = false;
    FileDoc& file = stage.AddSource("Doc.pdf");
    test::WriteFixturePdf(file.fullPath, Pages(6), TwoChaptersOfThreeSections());
    WordRef ref;
    ref.point1X = 20, ref.point1Y = 250, ref.point2X = 185, ref.point2Y = 8, ref.pageFrom = 1, ref.pageTo = 3;
    file.wordRefs.push_back(ref);
    ASSERT_TRUE(BuildCombinedPdf(stage.Project()));
    EXPECT_TRUE(test::QpdfOutline(stage.CombinedPath()).empty());
    EXPECT_TRUE(test::QpdfLinks(stage.CombinedPath()).empty());
    for (const auto& line : stage.Log()) {
        EXPECT_EQ(line.find("Создаю меню"), std::string::npos);
    }
}

// PoDoFo's own outline reader gives up on a level of more than 256 items; ours must not.
TEST(OutlineMenuTest, ThreeHundredFilesAndALongLevelKeepEveryItem) {
    StageProject stage;
    stage.Settings().isNumbering = false;
    const std::string shared = stage.Folder() + "/one.pdf";
    test::WriteFixturePdf(shared, 1, "one");
    const std::string oneFile = test::ReadFile(shared);
    for (int i = 0; i < 310; ++i) {
        FileDoc& file = stage.AddSource("File" + std::to_string(i) + ".docx");
        test::WriteFile(PdfTempPath(file, -1), oneFile);
    }
    FileDoc& big = stage.AddSource("Big.pdf");
    std::vector<FixtureOutline> flat;
    for (int i = 0; i < 300; ++i) {
        flat.push_back({"Item " + std::to_string(i), i % 4, {}});
    }
    test::WriteFixturePdf(big.fullPath, Pages(4), flat);

    ASSERT_TRUE(BuildCombinedPdf(stage.Project())) << ::testing::PrintToString(stage.Errors());
    const auto outline = test::QpdfOutline(stage.CombinedPath());
    ASSERT_EQ(outline.size(), 311u);
    EXPECT_EQ(outline[0].title, "File0");
    EXPECT_EQ(outline[309].title, "File309");
    EXPECT_EQ(outline[309].page, 310);
    ASSERT_EQ(outline[310].kids.size(), 300u);
    EXPECT_EQ(outline[310].kids[299].title, "Item 299");
    EXPECT_EQ(outline[310].kids[299].page, 311 + 3);
    EXPECT_EQ(test::QpdfOutlineProblems(stage.CombinedPath()), "");
}

TEST(OutlineMenuTest, PdfWithoutPagesCannotTakeItsMenuItem) {
    StageProject stage;
    FileDoc& file = stage.AddSource("Empty.pdf");
    {
        PoDoFo::PdfMemDocument empty;
        empty.Write(file.fullPath.c_str());
    }
    EXPECT_FALSE(BuildCombinedPdf(stage.Project()));
    ASSERT_EQ(stage.Errors().size(), 1u);
    EXPECT_EQ(stage.Errors()[0].rfind("[X] Не удалось добавить файл (", 0), 0u);

    stage.Settings().hasMenu = false;  // without a menu the empty PDF merges as nothing
    EXPECT_TRUE(BuildCombinedPdf(stage.Project()));
}

}  // namespace
}  // namespace docvane
