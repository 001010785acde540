#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <map>
#include <optional>
#include <set>

#include "app/SettingsStore.h"
#include "desktop/ApplicationLooks.h"
#include "desktop/FileIcons.h"
#include "desktop/PropertiesRows.h"
#include "desktop/SettingsPages.h"
#include "project/DocvaneDoc.h"

namespace docvane {
namespace {

std::vector<std::string> Titles(const std::vector<PropertyGroup>& groups) {
    std::vector<std::string> titles;
    for (const auto& group : groups) {
        titles.push_back(group.title);
    }
    return titles;
}

TEST(PropertiesRowsTest, DrawingShowsReferencesAndSheets) {
    CDocvaneDoc project;
    project.propertyDoc.projectDir = "/p";
    FileDoc& plan = project.AppendFile("/p/Схемы/План.DWG");
    plan.statusText = "Файл не опубликован: /p/PDF/План.pdf";
    plan.xrefsBefore = {XrefFile("/p/refs/Рамка.dwg", &project, &plan),
                        XrefFile("/p/refs/grid.dwg", &project, &plan)};
    plan.sheetNames = {"Model", "Лист1", "Лист2"};

    const auto groups = PropertyGroupsFor(&project.pdfFile, &plan);
    ASSERT_EQ(Titles(groups),
              (std::vector<std::string>{"Свойства файла", "Внешние ссылки", "Листы", "Информация"}));
    EXPECT_EQ(groups[0].rows[0].name, "Имя файла");
    EXPECT_EQ(groups[0].rows[0].value, "План.DWG");
    EXPECT_EQ(groups[0].rows[1].name, "Расширение файла");
    EXPECT_EQ(groups[0].rows[1].value, ".dwg");
    ASSERT_EQ(groups[1].rows.size(), 2u);
    EXPECT_EQ(groups[1].rows[0].name, "Рамка.dwg");
    EXPECT_EQ(groups[1].rows[0].value, "/p/refs/Рамка.dwg");
    ASSERT_EQ(groups[2].rows.size(), 3u);
    EXPECT_EQ(groups[2].rows[2].name, "3");
    EXPECT_EQ(groups[2].rows[2].value, "Лист2");
    EXPECT_EQ(groups[3].rows[0].name, "Сообщение");
    EXPECT_EQ(groups[3].rows[0].value, plan.statusText);
}

TEST(PropertiesRowsTest, OtherFilesAndTheCombinedPdf) {
    CDocvaneDoc project;
    FileDoc& ready = project.AppendFile("/p/Ready.PDF");
    ready.sheetNames = {"ignored"};
    ready.xrefsBefore = {XrefFile("/p/x.dwg", &project, &ready)};
    EXPECT_EQ(Titles(PropertyGroupsFor(&project.pdfFile, &ready)),
              (std::vector<std::string>{"Свойства файла", "Информация"}));
    FileDoc& bare = project.AppendFile("/p/bare.dxf");
    EXPECT_EQ(Titles(PropertyGroupsFor(nullptr, &bare)),
              (std::vector<std::string>{"Свойства файла", "Информация"}));

    project.pdfFile.fullPath = "/p/Общий.pdf";
    project.pdfFile.statusText = "Общий файл";
    const auto combined = PropertyGroupsFor(&project.pdfFile, nullptr);
    EXPECT_EQ(combined[0].rows[0].value, "Общий.pdf");
    EXPECT_EQ(combined[0].rows[1].value, ".pdf");
    EXPECT_EQ(combined.back().rows[0].value, "Общий файл");

    const auto none = PropertyGroupsFor(nullptr, nullptr);
    ASSERT_EQ(Titles(none), (std::vector<std::string>{"Свойства файла", "Информация"}));
    EXPECT_EQ(none[0].rows[0].value, "");
    EXPECT_EQ(none[1].rows[0].value, "");
}

// Remembers what SaveSettings writes.
class MapStore : public SettingsStore {
  public:
    std::optional<std::string> GetText(const std::string&, const std::string&) const override { return {}; }
    std::optional<std::int32_t> GetNumber(const std::string&, const std::string&) const override {
        return {};
    }
    void SetText(const std::string& s, const std::string& n, const std::string& v) override {
        values[s + "/" + n] = v;
    }
    void SetNumber(const std::string& s, const std::string& n, std::int32_t v) override {
        values[s + "/" + n] = std::to_string(v);
    }
    bool DeleteValue(const std::string&, const std::string&) override { return false; }
    std::vector<std::string> ValueNames(const std::string&) const override { return {}; }
    bool Save() override { return true; }
    std::map<std::string, std::string> values;
};

// The stored values that differ between two settings records.
std::set<std::string> ChangedKeys(const ApplicationSettings& a, const ApplicationSettings& b) {
    MapStore before;
    MapStore after;
    SaveSettings(a, before);
    SaveSettings(b, after);
    std::set<std::string> changed;
    for (const auto& [key, value] : after.values) {
        if (before.values[key] != value) {
            changed.insert(key);
        }
    }
    return changed;
}

TEST(SettingsPagesTest, EveryPropertyEditsItsOwnSetting) {
    const auto& pages = SettingsPages();
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(pages[0].title, "Общее");
    EXPECT_EQ(pages[1].title, "AutoCAD");
    EXPECT_EQ(pages[2].title, "Word");

    std::set<std::string> edited;
    int properties = 0;
    for (const auto& page : pages) {
        for (const auto& group : page.groups) {
            for (const auto& property : group.properties) {
                ++properties;
                const ApplicationSettings defaults;
                ApplicationSettings changed;
                std::visit(
                    [&](auto member) {
                        using M = decltype(member);
                        if constexpr (std::is_same_v<M, TextSetting>) {
                            member(changed) += "x";
                        } else if constexpr (std::is_same_v<M, FlagSetting>) {
                            member(changed) = !member(changed);
                        } else if constexpr (std::is_same_v<M, NumberSetting>) {
                            member(changed) += 7;
                        }
                    },
                    property.setting);
                const auto keys = ChangedKeys(defaults, changed);
                if (property.kind == SettingKind::Font) {
                    EXPECT_TRUE(keys.empty());
                    continue;
                }
                EXPECT_FALSE(property.description.empty()) << property.label;
                ASSERT_EQ(keys.size(), 1u) << property.label;
                EXPECT_TRUE(edited.insert(*keys.begin()).second)
                    << property.label << " edits " << *keys.begin();
            }
        }
    }
    EXPECT_EQ(properties, 26);
    EXPECT_EQ(edited.size(), 25u);
    EXPECT_EQ(edited.count("CombinePdf/pdfA"), 1u);
    EXPECT_EQ(edited.count("Publication/parallelJobs"), 1u);
    for (const char* hidden :
         {"Directories/xref", "Autocad_Path/copyXrefs", "Autocad_General/splitIntoLayouts"}) {
        EXPECT_EQ(edited.count(hidden), 0u) << hidden;
    }
    EXPECT_EQ(pages[1].groups[1].properties[0].choices,
              (std::vector<std::string>{"2000", "2004", "2007", "2010", "2013", "2018"}));
    EXPECT_EQ(pages[1].groups[0].properties[0].kind, SettingKind::FilePath);
}

TEST(FileIcons, EachTypeTriesItsOwnIconThenTheDatabasesGenericOneThenItsMediaTypes) {
    const std::string generic = "application/msword:x-office-document\napplication/pdf:x-office-document\n";
    EXPECT_EQ(MimeIconNames("application/pdf", generic),
              (std::vector<std::string>{"application-pdf", "x-office-document", "application-x-generic"}));
    EXPECT_EQ(MimeIconNames("image/vnd.dxf", generic),
              (std::vector<std::string>{"image-vnd.dxf", "image-x-generic"}));
    // A type that only begins like a listed one takes nothing from its line.
    EXPECT_EQ(MimeIconNames("application/ms", generic),
              (std::vector<std::string>{"application-ms", "application-x-generic"}));
    EXPECT_TRUE(MimeIconNames("", generic).empty());
    EXPECT_TRUE(MimeIconNames("nonsense", generic).empty());
}

TEST(FileIcons, ThePublishedTypesGetBadgesOfTheirOwnWhereTheThemeSharesOneIcon) {
    // Adwaita gives .pdf, .doc and .docx the one x-office-document icon.
    const std::string generic =
        "application/msword:x-office-document\napplication/pdf:x-office-document\n"
        "application/vnd.openxmlformats-officedocument.wordprocessingml.document:"
        "x-office-document\n";
    const struct {
        const char* extension;
        const char* mime;
        const char* letters;
    } cases[] = {
        {".pdf", "application/pdf", "PDF"},
        {".DXF", "image/vnd.dxf", "DXF"},
        {".dwg", "image/vnd.dwg", "DWG"},
        {".doc", "application/msword", "DOC"},
        {".Docx", "application/vnd.openxmlformats-officedocument.wordprocessingml.document", "DOCX"},
    };
    std::set<std::uint32_t> colours;
    for (const auto& entry : cases) {
        const std::optional<FileBadge> badge = FileBadgeFor(entry.extension);
        ASSERT_TRUE(badge.has_value()) << entry.extension;
        EXPECT_EQ(badge->letters, entry.letters);
        colours.insert(badge->rgb);
        // Only the type's very own icon may stand in for the badge; the shared ones may not.
        std::string own = entry.mime;
        own[own.find('/')] = '-';
        EXPECT_EQ(ThemeIconNamesFor(entry.extension, entry.mime, generic), std::vector<std::string>{own})
            << entry.extension;
    }
    EXPECT_EQ(colours.size(), std::size(cases)) << "two types share a colour";
    // Other types keep the theme's whole chain and get no badge.
    EXPECT_FALSE(FileBadgeFor(".txt").has_value());
    EXPECT_FALSE(FileBadgeFor("").has_value());
    EXPECT_FALSE(FileBadgeFor(".pdfx").has_value());
    EXPECT_EQ(ThemeIconNamesFor(".txt", "text/plain", generic),
              (std::vector<std::string>{"text-plain", "text-x-generic"}));
}

TEST(SettingsPages, TheFontPropertysChoicesHaveRussianTextsInTheirOwnRows) {
    EXPECT_EQ(FontChoiceText("Style", "Italic"), "Курсив");
    EXPECT_EQ(FontChoiceText("Weight", "Bold"), "Жирный");
    EXPECT_EQ(FontChoiceText("Family", "Swiss"), "Без засечек");
    // "Normal" is in two rows; a text belongs to its row only.
    EXPECT_EQ(FontChoiceText("Style", "Normal"), "Обычный");
    EXPECT_EQ(FontChoiceText("Weight", "Normal"), "Обычный");
    EXPECT_EQ(FontChoiceText("Family", "Bold"), "");
    EXPECT_EQ(FontChoiceText("Face Name", "DejaVu Sans"), "");  // face names stay as the system names them
}

TEST(ApplicationLooks, ADisabledLabelLiesBetweenTheLabelAndTheBackgroundNearerTheBackground) {
    EXPECT_EQ(DisabledLabelRgb(0x000000, 0xFFFFFF), 0x999999u);
    EXPECT_EQ(DisabledLabelRgb(0x1E395B, 0x1E395B), 0x1E395Bu);
    // Channels are mixed each on its own: no carry into the neighbour.
    EXPECT_EQ(DisabledLabelRgb(0xFF0000, 0x00FF00), 0x669900u);
    EXPECT_EQ(DisabledLabelRgb(0xFFFFFF, 0x000000), 0x666666u);
}

}  // namespace
}  // namespace docvane
