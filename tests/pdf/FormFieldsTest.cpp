#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "output/OutputPaths.h"
#include "pdf/CombinedPdf.h"
#include "support/ExternalTool.h"
#include "support/HandWrittenPdf.h"
#include "support/PdfInspection.h"
#include "support/StageProject.h"
#include "support/TestSupport.h"

namespace docvane {
namespace {

using test::ObjectText;

// Two pages; the first carries the text field "Name" holding value. With appearance, the widget brings
// the look of its value; without, the form asks the viewer to make it.
std::string FormPdf(const std::string& value, bool appearance) {
    auto objects = test::TwoPageObjects();
    objects[0].body =
        "<< /Type /Catalog /Pages 2 0 R /AcroForm << /Fields [10 0 R] /DR << /Font << /Helv 9 0 R >> >> "
        "/DA (/Helv 12 Tf 0 g)" +
        std::string(appearance ? "" : " /NeedAppearances true") + " >> >>";
    objects[2].body =
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 5 0 R /Resources << /Font "
        "<< /F1 9 0 R >> >> /Annots [10 0 R] >>";
    objects.push_back({10, "<< /Type /Annot /Subtype /Widget /FT /Tx /T (Name) /V (" + value +
                               ") /Rect [100 500 300 530] /P 3 0 R /F 4" +
                               (appearance ? " /AP << /N 11 0 R >>" : "") + " >>"});
    objects.push_back({11, test::StreamBody("/Tx BMC BT /Helv 12 Tf 2 10 Td (" + value + ") Tj ET EMC", -1,
                                            "/Type /XObject /Subtype /Form /BBox [0 0 200 30] /Resources << "
                                            "/Font << /Helv 9 0 R >> >>")});
    return test::HandWrittenPdf(objects);
}

struct Field {
    std::string name;
    std::string value;
    int page = 0;
};

// The form's fields as qpdf reads them.
std::vector<Field> QpdfFields(const std::string& path, bool& needAppearances) {
    const test::ToolResult result = test::RunTool({"qpdf", "--json=2", "--json-key=acroform", path});
    const auto json = nlohmann::json::parse(result.output, nullptr, false);
    std::vector<Field> fields;
    needAppearances = false;
    if (json.is_discarded() || !json.contains("acroform")) {
        return fields;
    }
    needAppearances = json["acroform"].value("needappearances", false);
    for (const auto& field : json["acroform"]["fields"]) {
        fields.push_back({field.value("fullname", ""),
                          field["value"].is_string() ? field["value"].get<std::string>() : "",
                          field.value("pageposfrom1", 0)});
    }
    return fields;
}

TEST(FormFieldsTest, FieldsOfEveryPartAreCarriedOverAndStayApart) {
    test::StageProject stage;
    stage.Settings().isNumbering = false;
    for (const auto& [name, value] : {std::pair{"A.pdf", "Ivanov"}, std::pair{"B.pdf", "Petrov"}}) {
        FileDoc& file = stage.AddSource(name);
        test::WriteFile(PdfTempPath(file, -1), FormPdf(value, true));
    }
    ASSERT_TRUE(BuildCombinedPdf(stage.Project()));
    bool needAppearances = true;
    const auto fields = QpdfFields(stage.CombinedPath(), needAppearances);
    ASSERT_EQ(fields.size(), 2u);
    // The same field name in two files: two fields, each with its own value, on its own page.
    EXPECT_EQ(fields[0].name, "1.Name");
    EXPECT_EQ(fields[0].value, "u:Ivanov");
    EXPECT_EQ(fields[0].page, 1);
    EXPECT_EQ(fields[1].name, "2.Name");
    EXPECT_EQ(fields[1].value, "u:Petrov");
    EXPECT_EQ(fields[1].page, 3);
    EXPECT_FALSE(needAppearances);
    EXPECT_TRUE(test::QpdfCheckClean(stage.CombinedPath()));
    const auto texts = test::PageTexts(stage.CombinedPath());
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_NE(texts[0].find("Ivanov"), std::string::npos);
    EXPECT_NE(texts[2].find("Petrov"), std::string::npos);
}

TEST(FormFieldsTest, AFormWithItsLooksConformsToPdfAAndOneWithoutIsNamedAndBothSurviveCommentRemoval) {
    for (const bool appearance : {true, false}) {
        SCOPED_TRACE(appearance);
        test::StageProject stage;
        stage.Settings().pdfA = true;
        stage.Settings().autocad.clearComments = true;  // a form's widgets are no comments
        FileDoc& file = stage.AddSource("Форма.pdf");
        test::WriteFile(PdfTempPath(file, -1), FormPdf("Ivanov", appearance));
        ASSERT_TRUE(BuildCombinedPdf(stage.Project()));
        const std::string plain =
            "[!] Общий pdf будет записан без PDF/A-1b (поле формы без внешнего вида): Форма.pdf";
        EXPECT_EQ(stage.LogHas(plain), !appearance);
        bool needAppearances = false;
        const auto fields = QpdfFields(stage.CombinedPath(), needAppearances);
        ASSERT_EQ(fields.size(), 1u);
        EXPECT_EQ(fields[0].value, "u:Ivanov");
        EXPECT_EQ(fields[0].page, 1);
        EXPECT_EQ(needAppearances, !appearance);  // written as plain PDF, the viewer still makes the look
        EXPECT_EQ(test::ConformsToPdfA1b(stage.CombinedPath()), appearance)
            << test::PdfA1bPreflight(stage.CombinedPath());
    }
}

}  // namespace
}  // namespace docvane
