#include <gtest/gtest.h>
#include <podofo/podofo.h>

#include "output/OutputPaths.h"
#include "pdf/CombinedPdf.h"
#include "support/PdfFixtures.h"
#include "support/PdfInspection.h"
#include "support/StageProject.h"

namespace docvane {
namespace {

using test::StageProject;

WordRef Row(int pageFrom, int pageTo) {
    WordRef ref;
    ref.point1X = 20;
    ref.point1Y = 250;
    ref.point2X = 185;
    ref.point2Y = 8;
    ref.pageFrom = pageFrom;
    ref.pageTo = pageTo;
    return ref;
}

TEST(ContentsLinksTest, RowsLinkToThePagesCarryingTheirPrintedNumbers) {
    StageProject stage;  // startPage 2, pageFrom 3
    stage.Settings().autocad.splitIntoLayouts = true;
    FileDoc& drawing = stage.AddSource("Plan.dwg");
    drawing.sheetNames = {"S1", "S2", "S3"};
    for (int i = 0; i < 3; ++i) {
        test::WriteFixturePdf(PdfTempPath(drawing, i), 1, "sheet");
    }
    stage.AddPublishedPdf("Five.pdf", 5, "five ");
    FileDoc& report = stage.AddSource("Report.docx");
    test::WriteFixturePdf(PdfTempPath(report, -1), 4, "report ");
    report.wordRefs = {Row(2, 5), Row(2, 57), Row(1, 3)};
    // The first entry's /Annots is null: PoDoFo itself would crash adding a link there.
    test::EditPdf(PdfTempPath(report, -1), [](PoDoFo::PdfMemDocument& doc) {
        doc.GetPage(1)->GetObject()->GetDictionary().AddKey("Annots", PoDoFo::PdfVariant());
    });

    ASSERT_TRUE(BuildCombinedPdf(stage.Project()));
    EXPECT_TRUE(test::QpdfCheckClean(stage.CombinedPath()));
    EXPECT_TRUE(stage.LogHas("[!] В содержании ссылка на несуществующую страницу: Report.docx стр. 57"));

    const auto links = test::QpdfLinks(stage.CombinedPath());
    ASSERT_EQ(links.size(), 2u);  // in page order
    EXPECT_EQ(links[0].page, 9);
    EXPECT_EQ(links[0].targetPage, 4);
    // Row on the report's page 2 = combined page 3 + 5 + 2 = 10, naming printed page 5 = index 5.
    EXPECT_EQ(links[1].page, 10);
    EXPECT_EQ(links[1].targetPage, 6);
    EXPECT_EQ(links[1].fit, "/Fit");
    EXPECT_EQ(links[1].border, "[0,0,0]");
    EXPECT_NEAR(links[1].rect[0], 56.69, 0.01);
    EXPECT_NEAR(links[1].rect[1], 685.98, 0.01);
    EXPECT_NEAR(links[1].rect[2] - links[1].rect[0], 524.41, 0.01);
    EXPECT_NEAR(links[1].rect[3] - links[1].rect[1], 22.68, 0.01);
}

TEST(ContentsLinksTest, RowOnAPageBeyondTheCombinedPdfEndsTheStage) {
    StageProject stage;
    FileDoc& report = stage.AddPublishedPdf("Report.pdf", 2, "report ");
    report.wordRefs = {Row(9, 1)};  // the target exists, the row's own page does not
    EXPECT_FALSE(BuildCombinedPdf(stage.Project()));
    ASSERT_EQ(stage.Errors().size(), 1u);
    EXPECT_EQ(stage.Errors()[0].rfind("[X] Не могу создать меню в общем pdf файле: ", 0), 0u);
    EXPECT_FALSE(test::Exists(stage.CombinedPath()));
}

TEST(CommentsTest, NotesGoWhileLinksAttachmentsAndDrawnAnnotationsStay) {
    StageProject stage;
    FileDoc& file = stage.AddSource("Noted.pdf");
    test::WriteFixturePdf(file.fullPath, 2, "noted ");
    test::EditPdf(file.fullPath, [](PoDoFo::PdfMemDocument& doc) {
        using namespace PoDoFo;
        PdfPage* page = doc.GetPage(0);
        auto add = [&](EPdfAnnotation type, double y) {
            return page->CreateAnnotation(type, PdfRect(50, y, 40, 20));
        };
        add(ePdfAnnotation_Text, 100)->SetContents(PdfString("a note"));
        add(ePdfAnnotation_Link, 150)->SetDestination(PdfDestination(doc.GetPage(1)));
        PdfAnnotation* web = add(ePdfAnnotation_Link, 200);
        PdfDictionary uri;
        uri.AddKey("S", PoDoFo::PdfName("URI"));
        uri.AddKey("URI", PdfString("https://example.org"));
        web->GetObject()->GetDictionary().AddKey("A", uri);
        PdfAnnotation* stamp = add(ePdfAnnotation_Stamp, 250);
        PdfObject* appearance = doc.GetObjects().CreateObject(PdfVariant(PdfDictionary()));
        appearance->GetStream()->Set("0 0 1 rg 0 0 40 20 re f");
        PdfDictionary ap;
        ap.AddKey("N", appearance->Reference());
        stamp->GetObject()->GetDictionary().AddKey("AP", ap);
        PdfAnnotation* attachment = add(ePdfAnnotation_FileAttachement, 300);
        PdfDictionary fileSpec;
        fileSpec.AddKey("Type", PoDoFo::PdfName("Filespec"));
        fileSpec.AddKey("F", PdfString("a.txt"));
        attachment->GetObject()->GetDictionary().AddKey("FS", fileSpec);
        add(ePdfAnnotation_Highlight, 350);
    });
    auto subtypes = [&] {
        PoDoFo::PdfMemDocument result(stage.CombinedPath().c_str());
        std::vector<std::string> names;
        const PoDoFo::PdfObject* annots = result.GetPage(0)->GetObject()->GetIndirectKey("Annots");
        for (const auto& element : annots->GetArray()) {
            names.push_back(result.GetObjects()
                                .GetObject(element.GetReference())
                                ->GetIndirectKey("Subtype")
                                ->GetName()
                                .GetName());
        }
        return names;
    };
    ASSERT_TRUE(BuildCombinedPdf(stage.Project()));
    EXPECT_EQ(subtypes(), (std::vector<std::string>{"Link", "Link", "Stamp", "FileAttachment"}));
    EXPECT_TRUE(test::QpdfCheckClean(stage.CombinedPath()));
    const auto links = test::QpdfLinks(stage.CombinedPath());
    ASSERT_FALSE(links.empty());
    EXPECT_EQ(links[0].targetPage, 2);  // the link still leads to its own document's second page

    stage.Settings().autocad.clearComments = false;
    ASSERT_TRUE(BuildCombinedPdf(stage.Project()));
    EXPECT_EQ(subtypes().size(), 6u);
}

}  // namespace
}  // namespace docvane
