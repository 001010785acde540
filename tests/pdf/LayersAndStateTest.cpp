#include <gtest/gtest.h>
#include <podofo/podofo.h>

#include <cmath>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "output/OutputPaths.h"
#include "pdf/CombinedPdf.h"
#include "support/HandWrittenPdf.h"
#include "support/PdfInspection.h"
#include "support/StageProject.h"
#include "support/TestSupport.h"

namespace docvane {
namespace {

using test::HandWrittenPdf;
using test::ObjectText;
using test::StreamBody;

// One page with three lines, each in its own layer: groups 10, 11 and 12 named prefix + " 1..3".
// configuration is the /D dictionary of the file.
std::string LayeredPdf(const std::string& prefix, const std::string& configuration) {
    std::string content;
    for (int i = 1; i <= 3; ++i) {
        content += "/OC /oc" + std::to_string(i) + " BDC BT /F1 20 Tf 100 " + std::to_string(800 - 100 * i) +
                   " Td (" + prefix + "text" + std::to_string(i) + ") Tj ET EMC\n";
    }
    return HandWrittenPdf({
        {1, "<< /Type /Catalog /Pages 2 0 R /OCProperties << /OCGs [10 0 R 11 0 R 12 0 R] /D " +
                configuration + " >> >>"},
        {2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>"},
        {3,
         "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 5 0 R /Resources << /Font << /F1 9 "
         "0 "
         "R >> /Properties << /oc1 10 0 R /oc2 11 0 R /oc3 12 0 R >> >> >>"},
        {5, StreamBody(content)},
        {9, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"},
        {10, "<< /Type /OCG /Name (" + prefix + " 1) >>"},
        {11, "<< /Type /OCG /Name (" + prefix + " 2) >>"},
        {12, "<< /Type /OCG /Name (" + prefix + " 3) >>"},
    });
}

std::string GroupName(const PoDoFo::PdfMemDocument& document, const PoDoFo::PdfObject& reference) {
    const PoDoFo::PdfObject* group = document.GetObjects().GetObject(reference.GetReference());
    return group->GetIndirectKey(PoDoFo::PdfName("Name"))->GetString().GetStringUtf8();
}

std::vector<std::string> Names(const PoDoFo::PdfMemDocument& document, const PoDoFo::PdfArray& list) {
    std::vector<std::string> names;
    for (const PoDoFo::PdfObject& item : list) {
        names.push_back(item.IsReference() ? GroupName(document, item)
                                           : "[" + std::to_string(item.GetArray().size()) + "]");
    }
    return names;
}

TEST(LayersAndStateTest, LayersKeepEachFilesOwnVisibilityGroupedByFile) {
    test::StageProject stage;
    stage.Settings().isNumbering = false;
    test::WriteFile(PdfTempPath(stage.AddSource("Plan.pdf"), -1),
                    LayeredPdf("plan", "<< /OFF [11 0 R] /Order [12 0 R 10 0 R 11 0 R] >>"));
    test::WriteFile(PdfTempPath(stage.AddSource("Site.pdf"), -1),
                    LayeredPdf("site", "<< /BaseState /OFF /ON [12 0 R] >>"));
    ASSERT_TRUE(BuildCombinedPdf(stage.Project()));

    // What a viewer draws: every layer as its own file showed it.
    const auto texts = test::PageTexts(stage.CombinedPath());
    ASSERT_EQ(texts.size(), 2u);
    for (const char* shown : {"plantext1", "plantext3"}) {
        EXPECT_NE(texts[0].find(shown), std::string::npos) << shown;
    }
    EXPECT_EQ(texts[0].find("plantext2"), std::string::npos);
    EXPECT_NE(texts[1].find("sitetext3"), std::string::npos);
    EXPECT_EQ(texts[1].find("sitetext1"), std::string::npos);
    EXPECT_EQ(texts[1].find("sitetext2"), std::string::npos);
    EXPECT_TRUE(test::QpdfCheckClean(stage.CombinedPath()));

    // The layer list: one labelled entry per file, in the file's own order.
    PoDoFo::PdfMemDocument combined;
    combined.Load(stage.CombinedPath().c_str());
    const PoDoFo::PdfObject* properties =
        combined.GetCatalog()->GetIndirectKey(PoDoFo::PdfName("OCProperties"));
    ASSERT_NE(properties, nullptr);
    EXPECT_EQ(properties->GetIndirectKey(PoDoFo::PdfName("OCGs"))->GetArray().size(), 6u);
    const PoDoFo::PdfObject* config = properties->GetIndirectKey(PoDoFo::PdfName("D"));
    const auto& order = config->GetIndirectKey(PoDoFo::PdfName("Order"))->GetArray();
    ASSERT_EQ(order.size(), 2u);
    EXPECT_EQ(order[0].GetArray()[0].GetString().GetStringUtf8(), "Plan");
    EXPECT_EQ(order[1].GetArray()[0].GetString().GetStringUtf8(), "Site");
    PoDoFo::PdfArray planOrder(order[0].GetArray());
    planOrder.erase(planOrder.begin());
    EXPECT_EQ(Names(combined, planOrder), (std::vector<std::string>{"plan 3", "plan 1", "plan 2"}));
    EXPECT_EQ(Names(combined, config->GetIndirectKey(PoDoFo::PdfName("OFF"))->GetArray()),
              (std::vector<std::string>{"plan 2", "site 1", "site 2"}));
}

// The page's decoded content streams, in order.
std::vector<std::string> ContentStreams(const PoDoFo::PdfMemDocument& document, int page) {
    std::vector<std::string> streams;
    const PoDoFo::PdfObject* object = document.GetPage(page)->GetObject();
    const PoDoFo::PdfObject* contents = object->GetIndirectKey(PoDoFo::PdfName("Contents"));
    for (const PoDoFo::PdfObject& item : contents->GetArray()) {
        const PoDoFo::PdfObject* stream = document.GetObjects().GetObject(item.GetReference());
        char* data = nullptr;
        PoDoFo::pdf_long size = 0;
        stream->GetStream()->GetFilteredCopy(&data, &size);
        streams.emplace_back(data, static_cast<std::size_t>(size));
        PoDoFo::podofo_free(data);
    }
    return streams;
}

TEST(LayersAndStateTest, ThePageNumberIsDrawnInTheDefaultStateWhateverTheContentLeaves) {
    test::StageProject stage;
    stage.Settings().isNumbering = true;
    stage.Settings().pageFrom = 1;
    stage.Settings().startPage = 1;
    const std::string pages[] = {
        "BT /F1 24 Tf 100 700 Td (balanced) Tj ET",
        "Q Q BT /F1 24 Tf 100 700 Td (restores) Tj ET",
        "q q 3 0 0 3 0 0 cm BT /F1 24 Tf 10 10 Td (saves) Tj ET",
        "Q q 0.5 0 0 0.5 0 0 cm BT /F1 24 Tf 100 700 Td (both) Tj ET",
    };
    for (std::size_t i = 0; i < std::size(pages); ++i) {
        auto objects = test::TwoPageObjects();
        objects[4].body = StreamBody(pages[i]);
        test::WriteFile(PdfTempPath(stage.AddSource("F" + std::to_string(i) + ".pdf"), -1),
                        HandWrittenPdf(objects));
    }
    ASSERT_TRUE(BuildCombinedPdf(stage.Project()));

    PoDoFo::PdfMemDocument combined;
    combined.Load(stage.CombinedPath().c_str());
    const auto words = test::WordBoxes(stage.CombinedPath());
    ASSERT_EQ(words.size(), 8u);
    const test::WordBox* reference = test::FindWord(words[0], "1");
    ASSERT_NE(reference, nullptr);
    for (int page = 0; page < 8; page += 2) {
        SCOPED_TRACE(page);
        // Saves and restores, stream after stream: the stack never goes below the start and is back at
        // the start before the last stream, the page number's.
        const auto streams = ContentStreams(combined, page);
        ASSERT_GE(streams.size(), 2u);
        int depth = 0;
        for (std::size_t s = 0; s < streams.size(); ++s) {
            if (s + 1 == streams.size()) {
                EXPECT_EQ(depth, 0);
            }
            std::istringstream tokens(streams[s]);
            for (std::string token; tokens >> token;) {
                depth += token == "q" ? 1 : token == "Q" ? -1 : 0;
                EXPECT_GE(depth, 0);
            }
        }
        EXPECT_EQ(depth, 0);
        // And poppler finds the number where it stands on a balanced page.
        const test::WordBox* number =
            test::FindWord(words[static_cast<std::size_t>(page)], std::to_string(page + 1));
        ASSERT_NE(number, nullptr);
        EXPECT_NEAR(number->xMax, reference->xMax, 0.5);
        EXPECT_NEAR(number->yMax, reference->yMax, 0.5);
        EXPECT_NEAR(number->yMax - number->yMin, reference->yMax - reference->yMin, 0.5);
    }
}

}  // namespace
}  // namespace docvane
