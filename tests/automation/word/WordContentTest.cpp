#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <string>
#include <vector>

#include "automation/word/WordContent.h"
#include "automation/word/WordTestFixture.h"
#include "support/ManualClock.h"

namespace docvane {
namespace {

using test::Describe;
using test::FakeDocument;
using test::FakeHeaderFooter;
using test::FakeRow;
using test::FakeShape;
using test::FakeTable;
using Strings = std::vector<std::string>;

class WordContentTest : public test::WordTestFixture {
  protected:
    FakeDocument* doc_ = nullptr;
    FileDoc* file_ = nullptr;

    void SetUp() override {
        WordTestFixture::SetUp();
        file_ = &AddSource("Записка.docx");
        doc_ = &Model(*file_);
    }

    // Opens the prepared document; call after filling doc_.
    void Open() { OpenInWord(*file_); }

    int PutsOf(const std::string& member) const {
        int count = 0;
        for (const auto& call : *server_.log) {
            count += call.object == "CustomDocumentProperty" && call.member == member &&
                     call.kind == InvokeKind::PropertyPut;
        }
        return count;
    }
};

// ---- properties ----

TEST_F(WordContentTest, MatchingPropertyIsUpdatedAsTextNewFieldIsAddedOtherPropertyIsKept) {
    doc_->properties = {{"Шифр", "old", 3}, {"Unrelated", "kept", 3}};
    Open();

    WriteDocumentProperties(session_, {{"Шифр", "АБВ-01"}, {"Заказчик", "ООО \"Север\""}});

    ASSERT_EQ(doc_->properties.size(), 3u);
    EXPECT_EQ(doc_->properties[0].value, "АБВ-01");
    EXPECT_EQ(doc_->properties[0].type, 4);
    EXPECT_EQ(doc_->properties[1].value, "kept");
    EXPECT_EQ(doc_->properties[1].type, 3);
    EXPECT_EQ(doc_->properties[2].name, "Заказчик");
    EXPECT_EQ(doc_->properties[2].value, "ООО \"Север\"");
    EXPECT_EQ(doc_->properties[2].type, 4);

    EXPECT_EQ(
        server_.Sequence({"CustomDocumentProperty"}),
        (Strings{"CustomDocumentProperty.Name", "CustomDocumentProperty.Type", "CustomDocumentProperty.Value",
                 "CustomDocumentProperty.Value", "CustomDocumentProperty.Name"}));
    EXPECT_EQ(Describe(server_.Calls("CustomDocumentProperty", "Type").at(0).args), Strings{"I:4"});
    EXPECT_EQ(Describe(server_.Calls("CustomDocumentProperty", "Value").at(0).args), Strings{"T:АБВ-01"});

    // The items are fetched by index from the document, the adds go through the collection, one per
    // field in list order; Word refuses the existing name.
    const auto items = server_.Calls("Document", "CustomDocumentProperties");
    EXPECT_EQ(Describe(items.at(1).args), Strings{"I:1"});
    EXPECT_EQ(Describe(items.at(2).args), Strings{"I:2"});
    const auto adds = server_.Calls("CustomDocumentProperties", "Add");
    ASSERT_EQ(adds.size(), 2u);
    EXPECT_EQ(Describe(adds[0].args), (Strings{"T:Шифр", "I:0", "I:4", "T:АБВ-01"}));
    EXPECT_EQ(Describe(adds[1].args), (Strings{"T:Заказчик", "I:0", "I:4", "T:ООО \"Север\""}));
}

TEST_F(WordContentTest, PropertyNamesMatchExactlyAndTheFirstMatchingFieldWins) {
    doc_->properties = {{"шифр", "a"}, {"Шифр", "b"}};
    Open();

    WriteDocumentProperties(session_, {{"Шифр", "first"}, {"Шифр", "second"}});

    EXPECT_EQ(doc_->properties[0].value, "a");
    EXPECT_EQ(doc_->properties[1].value, "first");
}

TEST_F(WordContentTest, ValueWordNeverReportsBackIsWrittenABoundedNumberOfTimes) {
    doc_->properties = {{"Long", ""}};
    doc_->maxValueLength = 4;
    Open();

    WriteDocumentProperties(session_, {{"Long", "longer than kept"}});

    EXPECT_EQ(PutsOf("Value"), 1 + kPropertyWriteRetries);
    EXPECT_EQ(doc_->properties[0].value, "long");
    EXPECT_EQ(server_.Calls("CustomDocumentProperties", "Add").size(), 1u);
}

TEST_F(WordContentTest, ValueWithoutTextFormNeitherThrowsNorLoopsForever) {
    doc_->properties = {{"Odd", ""}, {"Next", ""}};
    doc_->valuesWithoutText = true;
    Open();

    test::ScopedManualClock clock(true);
    const auto start = clock->Now();
    EXPECT_NO_THROW(WriteDocumentProperties(session_, {{"Odd", "x"}, {"Next", "y"}}));

    EXPECT_EQ(PutsOf("Value"), 2 * (1 + kPropertyWriteRetries));
    // Each value is given its bounded pauses for Word to report it back, and no more.
    EXPECT_EQ(clock->Now() - start,
              2 * kPropertyWriteRetries * std::chrono::milliseconds(kPropertyRetryPauseMs));
    EXPECT_EQ(doc_->properties[1].value, "y");
}

// ---- user script ----

TEST_F(WordContentTest, ScriptIsInsertedInLowerCaseAndItsFirstProcedureRun) {
    Open();
    RunVbaScript(session_, "Sub Fill()\r\n    MsgBox \"OK Готово\"\r\nEnd Sub\r\nSub Other()\r\nEnd Sub");

    ASSERT_EQ(doc_->modules.size(), 1u);
    EXPECT_EQ(doc_->modules[0],
              "sub fill()\r\n    msgbox \"ok готово\"\r\nend sub\r\nsub other()\r\nend sub");
    EXPECT_EQ(server_.macrosRun, Strings{"fill"});
    EXPECT_EQ(server_.Sequence(),
              (Strings{"Document.VBProject", "VBProject.VBComponents", "VBComponents.Add",
                       "VBComponent.CodeModule", "CodeModule.AddFromString", "Application.Run"}));
    EXPECT_EQ(Describe(server_.Calls("VBComponents", "Add").at(0).args), Strings{"I:1"});
    EXPECT_EQ(Describe(server_.Calls("Application", "Run").at(0).args), Strings{"T:fill"});
}

struct MacroCase {
    const char* script;
    const char* macro;
};

class WordMacroNameTest : public WordContentTest, public ::testing::WithParamInterface<MacroCase> {};

TEST_P(WordMacroNameTest, RunsTheDeclaredProcedure) {
    Open();
    RunVbaScript(session_, GetParam().script);
    EXPECT_EQ(server_.macrosRun, Strings{GetParam().macro});
    ASSERT_EQ(doc_->modules.size(), 1u);
    EXPECT_EQ(doc_->modules[0].find("start_"), std::string::npos) << "no wrapper expected";
}

INSTANTIATE_TEST_SUITE_P(
    Declarations, WordMacroNameTest,
    ::testing::Values(MacroCase{"sub fill()\r\nend sub", "fill"},
                      MacroCase{"Public Sub  Fill ( )\r\nEnd Sub", "fill"},
                      MacroCase{"Private Sub My_Macro(x As Long)\r\nEnd Sub", "my_macro"},
                      MacroCase{"Option Explicit\r\nSub Fill()\r\nEnd Sub", "fill"},
                      MacroCase{"' comment\nsub fill()\nend sub", "fill"},
                      MacroCase{"Sub Fill\r\n    Selection.TypeText(\"x\")\r\nEnd Sub", "fill"}));

TEST_F(WordContentTest, ScriptWithoutProcedureIsWrappedInAGeneratedOne) {
    Open();
    RunVbaScript(session_, "ActiveDocument.Range.InsertAfter \"Готово, Ёлка\"");

    ASSERT_EQ(server_.macrosRun.size(), 1u);
    const std::string macro = server_.macrosRun[0];
    std::smatch number;
    ASSERT_TRUE(std::regex_match(macro, number, std::regex("Start_([0-9]+)_DV1Macro")));
    EXPECT_LE(std::stoi(number[1].str()), 32767);
    ASSERT_EQ(doc_->modules.size(), 1u);
    EXPECT_EQ(doc_->modules[0],
              "public sub " + macro + "()\r\nactivedocument.range.insertafter \"готово, ёлка\"\r\nend sub");
}

TEST_F(WordContentTest, DeclarationWithoutAnyNameFallsBackToTheGeneratedProcedure) {
    Open();
    for (const char* script : {"sub ", "sub ()", "x = 1 sub \r\n", "End Sub"}) {
        server_.macrosRun.clear();
        doc_->modules.clear();
        RunVbaScript(session_, script);
        ASSERT_EQ(server_.macrosRun.size(), 1u) << script;
        EXPECT_THAT(server_.macrosRun[0], ::testing::StartsWith("Start_")) << script;
        EXPECT_THAT(doc_->modules.at(0), ::testing::StartsWith("public sub Start_")) << script;
    }
}

TEST_F(WordContentTest, NothingIsRunWithoutAccessToTheMacroProject) {
    doc_->macroProjectAccess = false;
    Open();
    RunVbaScript(session_, "Sub Fill()\r\nEnd Sub");
    EXPECT_TRUE(doc_->modules.empty());
    EXPECT_TRUE(server_.macrosRun.empty());
}

// ---- fields ----

TEST_F(WordContentTest, FieldsAreUpdatedInBodyTextBoxesAndExistingHeadersAndFootersOnly) {
    doc_->shapes = {FakeShape{true, 0}, FakeShape{false, 0}, FakeShape{true, 0}};
    doc_->sections.resize(2);
    doc_->sections[0].headers = {FakeHeaderFooter{true, 0}, FakeHeaderFooter{false, 0}};
    doc_->sections[0].footers = {FakeHeaderFooter{false, 0}, FakeHeaderFooter{true, 0}};
    doc_->sections[1].headers = {FakeHeaderFooter{true, 0}};
    Open();

    UpdateWordFields(session_);

    EXPECT_EQ(doc_->bodyFieldUpdates, 1);
    EXPECT_EQ(doc_->shapes[0].fieldUpdates, 1);
    EXPECT_EQ(doc_->shapes[1].fieldUpdates, 0);
    EXPECT_EQ(doc_->shapes[2].fieldUpdates, 1);
    EXPECT_EQ(doc_->sections[0].headers[0].fieldUpdates, 1);
    EXPECT_EQ(doc_->sections[0].headers[1].fieldUpdates, 0);
    EXPECT_EQ(doc_->sections[0].footers[0].fieldUpdates, 0);
    EXPECT_EQ(doc_->sections[0].footers[1].fieldUpdates, 1);
    EXPECT_EQ(doc_->sections[1].headers[0].fieldUpdates, 1);

    // Shapes are counted by a method and fetched by an indexed property, as Word offers them.
    EXPECT_EQ(server_.Calls("Shapes", "Count").at(0).kind, InvokeKind::Method);
    const auto items = server_.Calls("Shapes", "Item");
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[2].kind, InvokeKind::PropertyGet);
    EXPECT_EQ(Describe(items[2].args), Strings{"I:3"});
}

// ---- contents tables ----

FakeRow Row(std::vector<std::string> cells, int page = 2, float top = 100) {
    FakeRow row;
    row.cells = std::move(cells);
    row.widths = std::vector<float>(row.cells.size(), 60);
    row.page = page;
    row.top = top;
    return row;
}

FakeTable ContentsTable(std::vector<FakeRow> body) {
    FakeTable table;
    FakeRow header = Row({"Обозначение", "Наименование", "Примечание"});
    header.widths = {50, 100.5f, 30};
    table.rows.push_back(header);
    table.rows.insert(table.rows.end(), body.begin(), body.end());
    return table;
}

std::vector<int> PagesTo(const std::vector<WordRef>& refs) {
    std::vector<int> pages;
    for (const auto& ref : refs) {
        pages.push_back(ref.pageTo);
    }
    return pages;
}

TEST_F(WordContentTest, ContentsRowsNamingAPageBecomeReferences) {
    doc_->tables = {
        ContentsTable({Row({"01", "Общие данные", "5"}, 2), Row({"02", "Планы", "стр. 12"}, 2),
                       Row({"03", "Разрезы", "12-14"}, 3), Row({"04", "Пусто", ""}, 3),
                       Row({"05", "Без номера", "см. выше"}, 3), Row({"07", "Лист 7", "нет"}, 3)})};
    Open();
    std::vector<WordRef> refs(4);  // a previous scan's list is replaced

    ScanContentsTables(session_, refs);

    EXPECT_EQ(PagesTo(refs), (std::vector<int>{5, 12, 12}));
    EXPECT_EQ(refs[0].pageFrom, 2);
    EXPECT_EQ(refs[2].pageFrom, 3);
    EXPECT_FLOAT_EQ(refs[0].point2X, static_cast<float>(180.5 / 2.835));
    EXPECT_FLOAT_EQ(refs[0].point2Y, static_cast<float>(20 / 2.835));
    EXPECT_FLOAT_EQ(refs[0].point1X, static_cast<float>(56.7f / 2.835));

    const auto info = server_.Calls("RowRange", "Information");
    ASSERT_GE(info.size(), 3u);
    EXPECT_EQ(Describe(info[0].args), Strings{"I:5"});
    EXPECT_EQ(Describe(info[1].args), Strings{"I:6"});
    EXPECT_EQ(Describe(info[2].args), Strings{"I:3"});
    EXPECT_EQ(info[0].kind, InvokeKind::PropertyGet);
    // Rows without a page number are not measured; the page setup is asked once per page.
    EXPECT_EQ(info.size(), 9u);
    EXPECT_EQ(server_.Calls("RowRange", "PageSetup").size(), 2u);
}

TEST_F(WordContentTest, RowThirtyPointsBelowTheTopOfAnA4Page) {
    doc_->pageHeight = 841.9f;
    doc_->tables = {ContentsTable({Row({"01", "Общие данные", "3"}, 2, 30)})};
    Open();
    std::vector<WordRef> refs;

    ScanContentsTables(session_, refs);

    ASSERT_EQ(refs.size(), 1u);
    EXPECT_NEAR(refs[0].point1Y, 286.4, 0.05);
    EXPECT_FLOAT_EQ(refs[0].point1Y, static_cast<float>((841.9f - 30.0f) / 2.835));
}

TEST_F(WordContentTest, TablesWithoutAllThreeHeaderWordsAreNotScanned) {
    FakeTable plain;
    plain.rows = {Row({"Обозначение", "Наименование", "Кол."}), Row({"01", "Деталь", "5"})};
    FakeTable lowerCase = ContentsTable({Row({"01", "Деталь", "6"})});
    lowerCase.rows[0].cells[2] = "примечание";
    doc_->tables = {plain, lowerCase, ContentsTable({Row({"01", "Деталь", "9"})})};
    Open();
    std::vector<WordRef> refs;

    ScanContentsTables(session_, refs);

    EXPECT_EQ(PagesTo(refs), std::vector<int>{9});
    // Only the header row of each rejected table is read.
    const auto rowItems = server_.Calls("Rows", "Item");
    ASSERT_EQ(rowItems.size(), 4u);
    EXPECT_EQ(Describe(rowItems[0].args), Strings{"I:1"});
    EXPECT_EQ(Describe(rowItems[1].args), Strings{"I:1"});
    EXPECT_EQ(Describe(rowItems[2].args), Strings{"I:1"});
    EXPECT_EQ(Describe(rowItems[3].args), Strings{"I:2"});
}

TEST_F(WordContentTest, PageNumbersBeyondAnyPossiblePageAndOddRowTextsGiveNoReference) {
    doc_->tables = {ContentsTable({Row({"01", "Огромный", "99999999999"}), Row({"02", "Ровно", "2147483647"}),
                                   Row({"\a\a", "x", "\a7"}), Row({})})};
    Open();
    std::vector<WordRef> refs;

    ScanContentsTables(session_, refs);

    EXPECT_EQ(PagesTo(refs), (std::vector<int>{2147483647, 7}));
}

}  // namespace
}  // namespace docvane
