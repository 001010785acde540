#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "app/SettingsStore.h"
#include "desktop/FieldClipboard.h"
#include "desktop/FieldListStore.h"
#include "platform/SettingsFile.h"
#include "support/TestSupport.h"

namespace docvane {
namespace {

// The ten-digit number after "key:" in the header of an HTML clipboard text.
std::size_t HeaderNumber(const std::string& html, const std::string& key) {
    const std::size_t at = html.find(key + ":");
    if (at == std::string::npos) {
        ADD_FAILURE() << key << " missing";
        return 0;
    }
    const std::string digits = html.substr(at + key.size() + 1, 10);
    EXPECT_EQ(digits.find_first_not_of("0123456789"), std::string::npos) << digits;
    EXPECT_EQ(html.substr(at + key.size() + 11, 2), "\r\n");
    return std::strtoul(digits.c_str(), nullptr, 10);
}

TEST(FieldClipboardTest, AcadCodeIsNulTerminatedUtf16) {
    const FieldDoc field{"Объект", "Дом"};
    EXPECT_EQ(AcadFieldCode(field), "%<\\AcVar CustomDP.Объект>%");
    const std::u16string data = AcadFieldClipboardData(field);
    EXPECT_EQ(data, std::u16string(u"%<\\AcVar CustomDP.Объект>%") + u'\0');
}

TEST(FieldClipboardTest, HtmlOffsetsCountBytesOfCyrillicText) {
    const FieldDoc field{"Шифр проекта", "АБ-12 <основной>"};
    const std::string html = WordFieldHtml(field);

    const std::size_t startHtml = HeaderNumber(html, "StartHTML");
    const std::size_t endHtml = HeaderNumber(html, "EndHTML");
    const std::size_t startFragment = HeaderNumber(html, "StartFragment");
    const std::size_t endFragment = HeaderNumber(html, "EndFragment");
    EXPECT_EQ(html.rfind("Version:1.0\r\n", 0), 0u);
    EXPECT_EQ(html.substr(startHtml, 6), "<html ");
    EXPECT_EQ(endHtml, html.size());
    EXPECT_EQ(html.substr(startFragment - 20, 20), "<!--StartFragment-->");
    EXPECT_EQ(html.substr(endFragment, 18), "<!--EndFragment-->");
    EXPECT_EQ(html.substr(html.size() - 14), "</body></html>");

    // Name and value go in as UTF-8, unchanged, inside the fragment.
    const std::string fragment = html.substr(startFragment, endFragment - startFragment);
    EXPECT_NE(fragment.find("DOCPROPERTY \"Шифр проекта\"<span style='mso-element:field-separator'>"),
              std::string::npos);
    EXPECT_NE(fragment.find("<span>АБ-12 <основной></span>"), std::string::npos);
    EXPECT_EQ(fragment.rfind("<!--[if supportFields]><span><span style='mso-element:field-begin'>", 0), 0u);

    // The namespaces in their order, and the head before the body.
    const std::string htmlTag = html.substr(startHtml, html.find('>', startHtml) - startHtml + 1);
    EXPECT_EQ(htmlTag,
              "<html xmlns:o=\"urn:schemas-microsoft-com:office:office\" "
              "xmlns:w=\"urn:schemas-microsoft-com:office:word\" "
              "xmlns:m=\"http://schemas.openxmlformats.org/officeDocument/2006/math\" "
              "xmlns=\"http://www.w3.org/TR/REC-html40\">");
    EXPECT_NE(html.find("<meta name=ProgId content=Word.Document></head><body lang=RU><!--StartFragment-->"),
              std::string::npos);
}

TEST(FieldListTextTest, PrintsOneElementPerFieldWithoutRoot) {
    const std::vector<FieldDoc> fields{MakeField("Объект", "Дом & сад"), MakeField("Стадия", "П\r\nР")};
    EXPECT_EQ(FieldListText(fields),
              "<f><n>Объект</n><v>Дом &amp; сад</v>\n</f>\n"
              "<f><n>Стадия</n><v>П\r\nР</v>\n</f>\n");
    EXPECT_EQ(FieldListText({}), "");
}

TEST(FieldListTextTest, ParsingSkipsNamelessEntriesAndRejectsBrokenText) {
    const auto fields = ParseFieldListText("<f><n>a</n></f><f><v>lost</v></f><f><v>2</v><n>b</n></f>");
    ASSERT_TRUE(fields.has_value());
    ASSERT_EQ(fields->size(), 2u);
    EXPECT_EQ((*fields)[0].name, "a");
    EXPECT_EQ((*fields)[0].value, "");
    EXPECT_EQ((*fields)[1].name, "b");
    EXPECT_EQ((*fields)[1].value, "2");
    EXPECT_FALSE(ParseFieldListText("<f><n>a</n>").has_value());
    // The name rule applies to whatever was stored.
    const auto cleaned = ParseFieldListText("<f><n>a/b</n><v>x\ny</v></f>");
    ASSERT_TRUE(cleaned.has_value());
    ASSERT_EQ(cleaned->size(), 1u);
    EXPECT_EQ((*cleaned)[0].name, SanitizeFieldName("a/b"));
    EXPECT_EQ((*cleaned)[0].value, "x\r\ny");
}

TEST(FieldListStoreTest, StoredListsSurviveTheSettingsFile) {
    test::TempDir dir;
    const std::string path = dir / "settings.xml";
    const std::vector<FieldDoc> fields{MakeField("Объект", "Дом"),
                                       MakeField("Примечание", "строка 1\r\nстрока 2")};
    {
        SettingsFile store(path);
        EXPECT_FALSE(StoreFieldList(store, "", fields));
        EXPECT_TRUE(StoreFieldList(store, "Шаблон", fields));
        EXPECT_TRUE(StoreFieldList(store, "Альфа", {MakeField("x", "1")}));
        EXPECT_TRUE(StoreFieldList(store, std::string(300, 'z'), {}));
    }
    SettingsFile store(path);
    EXPECT_EQ(store.GetText(kFieldListSection, "Альфа"), FieldListText({MakeField("x", "1")}));
    EXPECT_EQ(StoredFieldListNames(store),
              (std::vector<std::string>{std::string(255, 'z'), "Альфа", "Шаблон"}));

    const auto loaded = LoadFieldList(store, "Шаблон");
    ASSERT_TRUE(loaded.has_value());
    ASSERT_EQ(loaded->size(), 2u);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        EXPECT_EQ((*loaded)[i].name, fields[i].name);
        EXPECT_EQ((*loaded)[i].value, fields[i].value);
    }
    EXPECT_FALSE(LoadFieldList(store, "Нет такого").has_value());
    EXPECT_FALSE(LoadFieldList(store, std::string(255, 'z')).has_value());  // stored empty

    store.SetText(kFieldListSection, "Битый", "<f><n>a</n>");
    EXPECT_FALSE(LoadFieldList(store, "Битый").has_value());

    EXPECT_TRUE(DeleteFieldList(store, "Альфа"));
    EXPECT_FALSE(DeleteFieldList(store, "Альфа"));
    SettingsFile reread(path);
    EXPECT_FALSE(reread.GetText(kFieldListSection, "Альфа").has_value());
    EXPECT_TRUE(reread.GetText(kFieldListSection, "Шаблон").has_value());
}

}  // namespace
}  // namespace docvane

#include "desktop/FieldEdits.h"
#include "project/DocvaneDoc.h"

namespace docvane {
namespace {

TEST(FieldEditsTest, EditorsApplyTheRulesAsTheUserTypes) {
    const EditorText slash = NameEditorText("Шифр/");
    EXPECT_TRUE(slash.corrected);
    EXPECT_EQ(slash.shown, "Шифр");
    EXPECT_EQ(slash.fieldText, "Шифр");
    EXPECT_FALSE(NameEditorText("Шифр").corrected);

    // The editor's own line feeds are no correction, the field holds CR LF.
    const EditorText lines = ValueEditorText("строка 1\nстрока 2");
    EXPECT_FALSE(lines.corrected);
    EXPECT_EQ(lines.shown, "строка 1\nстрока 2");
    EXPECT_EQ(lines.fieldText, "строка 1\r\nстрока 2");
    const EditorText tooLong = ValueEditorText(std::string(254, 'a') + "\nбв");
    EXPECT_TRUE(tooLong.corrected);
    EXPECT_EQ(tooLong.fieldText, std::string(254, 'a'));
    EXPECT_EQ(tooLong.shown, std::string(254, 'a'));
}

TEST(FieldEditsTest, AValueShowsOnOneRowWhateverItsLineBreaks) {
    EXPECT_EQ(FieldValueRowText("a\r\nb\nc\rd"), "a ¶ b ¶ c ¶ d");
    EXPECT_EQ(FieldValueRowText("\r\n"), " ¶ ");
    EXPECT_EQ(FieldValueRowText("Один"), "Один");
    EXPECT_EQ(FieldValueRowText(""), "");
}

TEST(FieldEditsTest, MoveEntryInsertsBeforeTheTarget) {
    std::vector<std::string> fields{"first", "second", "third"};
    EXPECT_EQ(MoveEntry(fields, 2, 0), 0u);
    EXPECT_EQ(fields, (std::vector<std::string>{"third", "first", "second"}));
    EXPECT_EQ(MoveEntry(fields, 0, 3), 2u);
    EXPECT_EQ(fields, (std::vector<std::string>{"first", "second", "third"}));
    EXPECT_EQ(MoveEntry(fields, 0, 1), 0u);
    EXPECT_EQ(MoveEntry(fields, 5, 0), 5u);
    EXPECT_EQ(fields, (std::vector<std::string>{"first", "second", "third"}));
}

TEST(FieldEditsTest, OkKeepsNamedFieldsAndTheProjectChangesOnlyWhenTheyDiffer) {
    CDocvaneDoc project;
    project.AddField("Объект", "Дом");
    auto edited = project.fieldDocs;
    edited.push_back(MakeField("", "безымянное"));
    edited = WithoutNamelessFields(edited);
    EXPECT_FALSE(ApplyEditedFields(project, edited));
    EXPECT_FALSE(project.IsModified());

    edited[0].value = "Сад";
    EXPECT_TRUE(ApplyEditedFields(project, edited));
    EXPECT_TRUE(project.IsModified());
    EXPECT_EQ(project.fieldDocs[0].value, "Сад");
    project.SetModifiedFlag(false);
    EXPECT_TRUE(ApplyEditedFields(project, {}));
    EXPECT_TRUE(project.fieldDocs.empty());
    EXPECT_TRUE(project.IsModified());
}

}  // namespace
}  // namespace docvane
