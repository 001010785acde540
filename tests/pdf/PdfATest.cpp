#include <gtest/gtest.h>
#include <podofo/podofo.h>

#include <filesystem>
#include <functional>

#include "output/OutputPaths.h"
#include "pdf/CombinedPdf.h"
#include "pdf/CombinedPdfSummary.h"
#include "pdf/PdfA.h"
#include "support/ExternalTool.h"
#include "support/HandWrittenPdf.h"
#include "support/PdfFixtures.h"
#include "support/PdfInspection.h"
#include "support/StageProject.h"

namespace docvane {
namespace {

using namespace PoDoFo;
using test::ConformsToPdfA1b;
using test::StageProject;

// Builds the combined PDF and returns what the stage reported.
CombinedPdfSummary Build(StageProject& stage) {
    CombinedPdfSummary result;
    SetCombinedPdfObserver([&result](const CombinedPdfSummary& summary) { result = summary; });
    EXPECT_TRUE(BuildCombinedPdf(stage.Project()));
    SetCombinedPdfObserver({});
    return result;
}

std::vector<std::string> Warnings(const StageProject& stage) {
    std::vector<std::string> warnings;
    for (const std::string& line : stage.Log()) {
        if (line.rfind("[!] ", 0) == 0) {
            warnings.push_back(line);
        }
    }
    return warnings;
}

TEST(PdfATest, PreflightIsInstalled) {
    ASSERT_TRUE(std::filesystem::exists("/usr/share/java/preflight.jar")) << "bash scripts/setup installs it";
    ASSERT_FALSE(FindSrgbProfile().empty()) << "bash scripts/setup installs icc-profiles-free";
}

TEST(PdfATest, CombinedPdfConformsWithOutlineNumbersLabelsAndLinks) {
    StageProject stage;
    stage.Settings().pdfA = true;
    stage.Settings().isNumbering = true;
    FileDoc& first = stage.AddSource("Пояснительная записка.pdf");
    test::WriteFixturePdf(PdfTempPath(first, -1), {{}, {}, {}},
                          {{"Раздел 1", 0, {{"1.1", 1, {}}}}, {"Раздел 2", 2, {}}});
    stage.AddPublishedPdf("План.pdf", 2, "plan ");
    // A standard font that is not embedded is embedded from the system.
    FileDoc& helvetica = stage.AddSource("Helvetica.pdf");
    test::WriteFile(PdfTempPath(helvetica, -1), test::HandWrittenPdf(test::TwoPageObjects()));
    // A link annotation such as the contents links are.
    test::EditPdf(PdfTempPath(first, -1), [](PdfMemDocument& document) {
        PdfPage* page = document.GetPage(0);
        PdfAnnotation* link = page->CreateAnnotation(ePdfAnnotation_Link, PdfRect(50, 50, 100, 20));
        link->SetDestination(PdfDestination(document.GetPage(2)));
    });

    const CombinedPdfSummary summary = Build(stage);
    EXPECT_TRUE(summary.pdfA);
    EXPECT_TRUE(Warnings(stage).empty());
    EXPECT_TRUE(ConformsToPdfA1b(stage.CombinedPath())) << test::PdfA1bPreflight(stage.CombinedPath());
    EXPECT_EQ(test::ReadFile(stage.CombinedPath()).substr(0, 9), "%PDF-1.4\n");
    EXPECT_TRUE(test::QpdfCheckClean(stage.CombinedPath()));
    const auto outline = test::QpdfOutline(stage.CombinedPath());
    ASSERT_EQ(outline.size(), 3u);  // one item per file
    EXPECT_EQ(outline[0].kids.size(), 2u);
    EXPECT_EQ(test::QpdfLinks(stage.CombinedPath()).size(), 1u);
    const auto texts = test::PageTexts(stage.CombinedPath());
    ASSERT_EQ(texts.size(), 7u);
    EXPECT_NE(texts[4].find("4"), std::string::npos);  // numbered: the fifth page shows 4
    EXPECT_NE(texts[5].find("Alpha one"), std::string::npos);
    EXPECT_NE(texts[6].find("Beta two"), std::string::npos);
    EXPECT_NE(test::FontTable(stage.CombinedPath()).find("NimbusSans-Regular"), std::string::npos);
}

// Puts one more stream after the page's content.
void AppendContent(PdfMemDocument& document, int page, const std::string& content) {
    PdfObject* pageObject = document.GetPage(page)->GetObject();
    PdfObject* stream = document.GetObjects().CreateObject(PdfVariant(PdfDictionary()));
    stream->GetStream()->Set(content.data(), static_cast<pdf_long>(content.size()));
    PdfObject* contents = pageObject->GetIndirectKey(PoDoFo::PdfName("Contents"));
    PdfArray list;
    if (contents->IsArray()) {
        list = contents->GetArray();
    } else {
        list.push_back(contents->Reference());
    }
    list.push_back(stream->Reference());
    pageObject->GetDictionary().AddKey(PoDoFo::PdfName("Contents"), list);
}

PdfDictionary& PageResources(PdfMemDocument& document, int page) {
    return document.GetPage(page)->GetResources()->GetDictionary();
}

TEST(PdfATest, APartThatCannotConformIsNamedWithTheReasonAndTheCombinedPdfIsPlain) {
    struct Case {
        const char* name;
        std::function<void(const std::string& path)> make;
        const char* reason;
    };
    const Case cases[] = {
        {"Прозрачность.pdf",
         [](const std::string& path) {
             test::WriteFixturePdf(path, 1, "glass ");
             test::EditPdf(path, [](PdfMemDocument& document) {
                 PdfDictionary half;
                 half.AddKey(PoDoFo::PdfName("ca"), 0.5);
                 PdfDictionary states;
                 states.AddKey(PoDoFo::PdfName("Half"), half);
                 PageResources(document, 0).AddKey(PoDoFo::PdfName("ExtGState"), states);
                 AppendContent(document, 0, "q /Half gs 0 0 1 rg 10 10 100 100 re f Q");
             });
         },
         "прозрачность"},
        {"Шрифт.pdf",
         [](const std::string& path) {
             auto objects = test::TwoPageObjects();
             objects.back().body =
                 "<< /Type /Font /Subtype /TrueType /BaseFont /ArialMT /Encoding /WinAnsiEncoding >>";
             test::WriteFile(path, test::HandWrittenPdf(objects));  // not embedded, and no such font here
         },
         "шрифт не встроен: ArialMT"},
        {"Краски.pdf",
         [](const std::string& path) {
             test::WriteFixturePdf(path, 1, "ink ");
             test::EditPdf(path, [](PdfMemDocument& document) {
                 AppendContent(document, 0, "0 0 0 1 k 10 10 100 100 re f");
             });
         },
         "цвета CMYK без профиля"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StageProject stage;
        stage.Settings().pdfA = true;
        stage.AddPublishedPdf("Титул.pdf", 1, "title ");
        FileDoc& part = stage.AddSource(c.name);
        std::filesystem::create_directories(std::filesystem::path(PdfTempPath(part, -1)).parent_path());
        c.make(PdfTempPath(part, -1));

        const CombinedPdfSummary summary = Build(stage);
        EXPECT_FALSE(summary.pdfA);
        EXPECT_EQ(Warnings(stage), (std::vector<std::string>{"[!] Общий pdf будет записан без PDF/A-1b (" +
                                                             std::string(c.reason) + "): " + c.name}));
        EXPECT_FALSE(ConformsToPdfA1b(stage.CombinedPath()));
        EXPECT_TRUE(test::QpdfCheckClean(stage.CombinedPath()));
        EXPECT_EQ(test::QpdfPageCount(stage.CombinedPath()), 1 + test::QpdfPageCount(PdfTempPath(part, -1)));
        ASSERT_EQ(summary.rows.size(), 2u);
        EXPECT_EQ(summary.rows[1].warnings.size(), 1u);  // the report finds it under the file
    }
}

TEST(PdfATest, LayersAreFlattenedHiddenContentRemovedAndTheFileNamed) {
    StageProject stage;
    stage.Settings().pdfA = true;
    stage.Settings().isNumbering = false;
    FileDoc& layered = stage.AddSource("Слои.pdf");
    std::filesystem::create_directories(stage.TempFolder());
    const std::string path = PdfTempPath(layered, -1);
    test::WriteFixturePdf(path, 2, "layer ");
    test::EditPdf(path, [](PdfMemDocument& document) {
        const auto layer = [&document](const char* name) {
            PdfObject* group = document.GetObjects().CreateObject(PdfVariant(PdfDictionary()));
            group->GetDictionary().AddKey(PoDoFo::PdfName("Type"), PoDoFo::PdfName("OCG"));
            group->GetDictionary().AddKey(PoDoFo::PdfName("Name"), PdfString(name));
            return group;
        };
        PdfObject* hidden = layer("Скрытый");
        PdfObject* shown = layer("Видимый");
        PdfArray groups;
        groups.push_back(hidden->Reference());
        groups.push_back(shown->Reference());
        PdfArray off;
        off.push_back(hidden->Reference());
        PdfDictionary config;
        config.AddKey(PoDoFo::PdfName("OFF"), off);
        PdfDictionary properties;
        properties.AddKey(PoDoFo::PdfName("OCGs"), groups);
        properties.AddKey(PoDoFo::PdfName("D"), config);
        document.GetCatalog()->GetDictionary().AddKey(PoDoFo::PdfName("OCProperties"), properties);
        // The first page's text lies in the hidden layer, the second's in the visible one; each marked
        // section begins in a stream before the page's own and ends in one after it.
        for (int page = 0; page < 2; ++page) {
            PdfDictionary names;
            names.AddKey(PoDoFo::PdfName("L"), (page == 0 ? hidden : shown)->Reference());
            PageResources(document, page).AddKey(PoDoFo::PdfName("Properties"), names);
            PdfObject* pageObject = document.GetPage(page)->GetObject();
            PdfObject* open = document.GetObjects().CreateObject(PdfVariant(PdfDictionary()));
            open->GetStream()->Set("/OC /L BDC");
            PdfObject* close = document.GetObjects().CreateObject(PdfVariant(PdfDictionary()));
            close->GetStream()->Set("EMC 0 0 1 rg 5 5 10 10 re f");
            PdfArray contents;
            contents.push_back(open->Reference());
            contents.push_back(pageObject->GetIndirectKey(PoDoFo::PdfName("Contents"))->Reference());
            contents.push_back(close->Reference());
            pageObject->GetDictionary().AddKey(PoDoFo::PdfName("Contents"), contents);
        }
    });
    // poppler hides the hidden layer; once the layers are gone from the catalog only the removal of
    // its content keeps it hidden.
    const auto before = test::PageTexts(path);
    ASSERT_EQ(before.size(), 2u);
    ASSERT_EQ(before[0].find("layer"), std::string::npos);
    ASSERT_NE(before[1].find("layer 2"), std::string::npos);

    const CombinedPdfSummary summary = Build(stage);
    EXPECT_TRUE(summary.pdfA);
    EXPECT_EQ(Warnings(stage),
              (std::vector<std::string>{
                  "[!] Слои убраны для PDF/A-1b (скрытые удалены, видимые оставлены без слоёв): "
                  "Слои.pdf"}));
    EXPECT_TRUE(ConformsToPdfA1b(stage.CombinedPath())) << test::PdfA1bPreflight(stage.CombinedPath());
    const auto texts = test::PageTexts(stage.CombinedPath());
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].find("layer"), std::string::npos) << texts[0];
    EXPECT_NE(texts[1].find("layer 2"), std::string::npos);
    EXPECT_TRUE(test::QpdfCheckClean(stage.CombinedPath()));
}

TEST(PdfATest, MetadataMirrorsTheInformationDictionary) {
    const std::string xmp = PdfAMetadata("План & <фасад>", "Docvane", "Docvane", "D:20261210063549+00'00'");
    EXPECT_NE(xmp.find("<pdfaid:part>1</pdfaid:part>"), std::string::npos);
    EXPECT_NE(xmp.find("<pdfaid:conformance>B</pdfaid:conformance>"), std::string::npos);
    EXPECT_NE(xmp.find(">План &amp; &lt;фасад&gt;</rdf:li>"), std::string::npos);
    EXPECT_NE(xmp.find("<xmp:CreateDate>2026-12-10T06:35:49+00:00</xmp:CreateDate>"), std::string::npos);
    EXPECT_EQ(xmp.rfind("<?xpacket end=\"w\"?>"), xmp.size() - 19);
}

}  // namespace
}  // namespace docvane
