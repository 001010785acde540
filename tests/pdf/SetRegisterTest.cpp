#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "output/OutputPaths.h"
#include "pdf/CombinedPdf.h"
#include "pdf/CombinedPdfSummary.h"
#include "pdf/PageGeometry.h"
#include "pdf/PageLabels.h"
#include "pdf/SetRegister.h"
#include "support/ExternalTool.h"
#include "support/PdfFixtures.h"
#include "support/PdfInspection.h"
#include "support/StageProject.h"

namespace docvane {
namespace {

using test::StageProject;

std::string Roman(long n) {
    static const std::pair<long, const char*> kDigits[] = {
        {1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"}, {90, "xc"}, {50, "l"},
        {40, "xl"},  {10, "x"},   {9, "ix"},  {5, "v"},    {4, "iv"},  {1, "i"}};
    std::string text;
    for (const auto& [value, digits] : kDigits) {
        for (; n >= value; n -= value) {
            text += digits;
        }
    }
    return text;
}

// The label every page gets as qpdf reads the label tree (what a viewer shows in its page box).
std::vector<std::string> LabelTexts(const std::string& path, int pageCount) {
    const test::ToolResult result = test::RunTool({"qpdf", "--json=2", "--json-key=pagelabels", path});
    const auto json = nlohmann::json::parse(result.output, nullptr, false);
    std::vector<std::string> labels(static_cast<std::size_t>(pageCount));
    if (json.is_discarded() || !json.contains("pagelabels")) {
        return {};
    }
    const auto& ranges = json["pagelabels"];
    for (std::size_t r = 0; r < ranges.size(); ++r) {
        const int first = ranges[r]["index"].get<int>();
        const int end = r + 1 < ranges.size() ? ranges[r + 1]["index"].get<int>() : pageCount;
        const auto& label = ranges[r]["label"];
        const std::string style = label.value("/S", "");
        const std::string prefix = label.contains("/P") ? label["/P"].get<std::string>().substr(2) : "";
        const long start = label.value("/St", 1L);
        for (int page = first; page < end && page < pageCount; ++page) {
            const long n = start + page - first;
            labels[static_cast<std::size_t>(page)] = prefix + (style == "/D"   ? std::to_string(n)
                                                               : style == "/r" ? Roman(n)
                                                                               : "");
        }
    }
    return labels;
}

// The number drawn near the top-right corner of each page, as poppler reads it ("" when none).
std::vector<std::string> PrintedNumbers(const std::string& path) {
    std::vector<std::string> numbers;
    for (const test::PageWords& page : test::WordBoxes(path)) {
        std::string number;
        for (const test::WordBox& word : page.words) {
            if (word.yMin < page.height * 0.1 && word.xMin > page.width * 0.8) {
                number = word.text;
            }
        }
        numbers.push_back(number);
    }
    return numbers;
}

TEST(PageLabelsTest, EveryNumberedPageIsLabelledWithItsPrintedNumber) {
    struct Case {
        int startPage;
        int pageFrom;
        int pages;
        std::vector<std::string> front;  // labels of the pages before the first numbered one
    };
    const Case cases[] = {
        {2, 3, 5, {"i", "ii"}},  // the defaults: title and contents unnumbered
        {1, 1, 3, {}},
        {-1, 1, 4, {}},  // printed 0 and below: the number is the label's prefix
        {7, 2, 3, {"i"}},
    };
    for (const Case& c : cases) {
        StageProject stage;
        stage.Settings().isNumbering = true;
        stage.Settings().startPage = c.startPage;
        stage.Settings().pageFrom = c.pageFrom;
        stage.AddPublishedPdf("A.pdf", c.pages, "page ");
        ASSERT_TRUE(BuildCombinedPdf(stage.Project()));
        const auto labels = LabelTexts(stage.CombinedPath(), c.pages);
        const auto printed = PrintedNumbers(stage.CombinedPath());
        ASSERT_EQ(labels.size(), static_cast<std::size_t>(c.pages)) << c.startPage;
        ASSERT_EQ(printed.size(), labels.size());
        for (std::size_t i = 0; i < labels.size(); ++i) {
            if (i < c.front.size()) {
                EXPECT_EQ(printed[i], "") << "page " << i + 1;
                EXPECT_EQ(labels[i], c.front[i]) << "page " << i + 1;
            } else {
                EXPECT_EQ(labels[i], printed[i]) << "start " << c.startPage << " page " << i + 1;
                EXPECT_FALSE(printed[i].empty());
            }
        }
        EXPECT_TRUE(test::QpdfCheckClean(stage.CombinedPath()));
    }
}

TEST(PageLabelsTest, NoLabelsWithoutNumberingOrWithoutANumberedPage) {
    PropertyDoc settings;
    settings.isNumbering = false;
    EXPECT_TRUE(PageLabelRanges(10, settings).empty());
    settings.isNumbering = true;
    settings.pageFrom = 11;
    EXPECT_TRUE(PageLabelRanges(10, settings).empty());
    settings.pageFrom = 10;
    settings.startPage = 1;
    EXPECT_EQ(PageLabelRanges(10, settings), (std::vector<PageLabelRange>{{0, 'r', "", 1}, {9, 'D', "", 1}}));
}

TEST(SetRegisterTest, NamesFormatsAndTheRegistersPath) {
    const double mm = kMmToPt;
    EXPECT_EQ(FormatName(210 * mm, 297 * mm), "А4");
    EXPECT_EQ(FormatName(842, 595), "А4");  // landscape, whole points
    EXPECT_EQ(FormatName(841 * mm, 594 * mm), "А1");
    EXPECT_EQ(FormatName(1189 * mm, 841 * mm), "А0");
    EXPECT_EQ(FormatName(297 * mm, 630 * mm), "297×630 мм");
    EXPECT_EQ(FormatName(612, 792), "216×279 мм");  // US Letter
    EXPECT_EQ(FormatList({"А1", "А4", "А1"}), "А1×2, А4");
    EXPECT_EQ(FormatList({}), "");
    EXPECT_EQ(RegisterPath("/p.d/set"), "/p.d/set.csv");
}

// Splits one CSV line of the register (fields may be quoted).
std::vector<std::string> CsvFields(const std::string& line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
            fields.back() += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ';' && !quoted) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

TEST(SetRegisterTest, OneRowPerPublishedPdfSummingToTheLoggedCountAndKeptWithTheCombinedPdf) {
    StageProject stage;
    stage.Settings().isNumbering = true;
    stage.Settings().startPage = 2;
    stage.Settings().pageFrom = 3;
    stage.Settings().autocad.splitIntoLayouts = true;
    stage.AddPublishedPdf("Титул.pdf", 2, "title ");
    FileDoc& drawing = stage.AddSource("План; \"первый\".dxf");  // quoted in the register
    drawing.sheetNames = {"Лист А1", "Лист А3"};
    const double mm = kMmToPt;
    test::WriteFixturePdf(
        PdfTempPath(drawing, 0),
        {{841 * mm, 594 * mm, "a1"}, {841 * mm, 594 * mm, "a1"}, {210 * mm, 297 * mm, "a4"}});
    test::WriteFixturePdf(PdfTempPath(drawing, 1), {{420 * mm, 297 * mm, "a3"}});

    std::vector<CombinedPdfSummary> summaries;
    SetCombinedPdfObserver([&summaries](const CombinedPdfSummary& s) { summaries.push_back(s); });
    ASSERT_TRUE(BuildCombinedPdf(stage.Project()));
    SetCombinedPdfObserver({});

    const std::string csvPath = stage.Folder() + "/out/combined.csv";
    const std::string csv = test::ReadFile(csvPath);
    ASSERT_EQ(csv.rfind("\xEF\xBB\xBF", 0), 0u);
    std::vector<std::vector<std::string>> rows;
    std::size_t start = 3;
    for (std::size_t end; (end = csv.find("\r\n", start)) != std::string::npos; start = end + 2) {
        rows.push_back(CsvFields(csv.substr(start, end - start)));
    }
    ASSERT_EQ(start, csv.size());
    const std::vector<std::vector<std::string>> expected = {
        {"№", "Файл", "Лист", "Страницы", "Форматы", "Форматов А4"},
        {"1", "Титул.pdf", "", "", "А4×2", "2"},
        {"2", "План; \"первый\".dxf", "Лист А1", "2–4", "А1×2, А4", "17"},
        {"3", "План; \"первый\".dxf", "Лист А3", "5", "А3", "2"},
    };
    EXPECT_EQ(rows, expected);
    long sum = 0;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        sum += std::stol(rows[i][5]);
    }
    EXPECT_TRUE(stage.LogHas("[?] Количество форматов А4: " + std::to_string(sum)));
    ASSERT_EQ(summaries.size(), 1u);
    EXPECT_TRUE(summaries[0].written);
    EXPECT_EQ(summaries[0].a4, sum);
    EXPECT_EQ(summaries[0].registerPath, csvPath);

    // A run that does not get to write the combined PDF keeps the older one, and its register with it.
    const std::string register_ = test::ReadFile(csvPath);
    stage.AddSource("Отсутствует.docx");
    EXPECT_FALSE(BuildCombinedPdf(stage.Project()));
    EXPECT_EQ(test::ReadFile(csvPath), register_);
}

TEST(SetRegisterTest, AUsersOwnTableWithTheRegistersNameIsNeverTouched) {
    StageProject stage;
    stage.AddPublishedPdf("A.pdf", 1, "a");
    const std::string csvPath = stage.Folder() + "/out/combined.csv";
    test::WriteFile(csvPath, "my own;table\n");
    ASSERT_TRUE(BuildCombinedPdf(stage.Project()));
    EXPECT_EQ(test::ReadFile(csvPath), "my own;table\n");
    EXPECT_TRUE(stage.LogHas("[!] Реестр комплекта не записан, файл с этим именем не реестр: " + csvPath));
}

}  // namespace
}  // namespace docvane
