// The ribbon's window-free decisions: editing rule, number boxes, path box width, flag bindings.
#include <gtest/gtest.h>

#include <climits>

#include "desktop/CommandIds.h"
#include "desktop/KeyTips.h"
#include "desktop/ProjectBindings.h"
#include "desktop/RibbonRules.h"
#include "project/DocvaneDoc.h"

namespace docvane {
namespace {

TEST(EditingRule, EnabledExactlyWhenTheActiveProjectIsNotThePublishedOne) {
    CDocvaneDoc a;
    CDocvaneDoc b;
    EXPECT_FALSE(IsEditingEnabled(nullptr, nullptr));  // nothing open, nothing running
    EXPECT_TRUE(IsEditingEnabled(&a, nullptr));        // no run
    EXPECT_FALSE(IsEditingEnabled(&a, &a));            // its own run
    EXPECT_TRUE(IsEditingEnabled(&b, &a));             // another project's run
    EXPECT_TRUE(IsEditingEnabled(nullptr, &a));        // no tab during a run
}

TEST(NumberBox, ReadsLeadingDigitsAndSaturates) {
    const struct {
        const char* text;
        int value;
    } cases[] = {
        {"12abc", 12},
        {"abc", 0},
        {"150", 150},
        {"", 0},
        {"  42", 42},
        {"-7", -7},
        {"+5", 5},
        {"-", 0},
        {" 3 4", 3},
        {"0012", 12},
        {"99999999999", INT_MAX},
        {"-99999999999", INT_MIN},
        {"2147483647", INT_MAX},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseNumberBox(c.text), c.value) << '"' << c.text << '"';
    }
}

TEST(PathBoxWidth, FreeWidthMinus200FromFourHundredFiftyPixels) {
    EXPECT_EQ(FitPathBoxWidth(1000, 551), kPathBoxInitialWidth);  // 449 free
    EXPECT_EQ(FitPathBoxWidth(1000, 550), 250);                   // 450 free
    EXPECT_EQ(FitPathBoxWidth(1400, 300), 900);
    EXPECT_EQ(FitPathBoxWidth(100, 300), kPathBoxInitialWidth);
}

TEST(ProjectBindings, EachCheckBoxTogglesItsOwnFlagAndMarksModified) {
    const int ids[] = {ID_CHECK_PDF_MENU,           ID_CHECK_PDF_NUMBERING, ID_CHECK_CLEAR_DIR,
                       ID_AUTOCAD_INCLUDE_XREF,     ID_AUTOCAD_COPY_XREF,   ID_CHECK_AUTOCAD_CLEAR_COMMENTS,
                       ID_CHECK_SPLIT_INTO_LAYOUTS, ID_CHECK_PDF_A};
    for (int id : ids) {
        CDocvaneDoc project;
        CDocvaneDoc untouched;
        bool* flag = ProjectFlag(project, id);
        ASSERT_NE(flag, nullptr) << id;
        const bool before = *flag;
        ASSERT_TRUE(ToggleProjectFlag(project, id));
        EXPECT_EQ(*flag, !before) << id;
        EXPECT_TRUE(project.IsModified());
        // Exactly one flag changed: every other binding still reads as in an untouched project.
        for (int other : ids) {
            if (other != id) {
                EXPECT_EQ(*ProjectFlag(project, other), *ProjectFlag(untouched, other))
                    << id << " moved " << other;
            }
        }
    }
}

TEST(ProjectBindings, NumbersAndTextsStoreWhatTheBoxHolds) {
    CDocvaneDoc project;
    ASSERT_TRUE(StoreProjectNumber(project, ID_SPIN_PAGE_FROM, "12abc"));
    EXPECT_EQ(project.propertyDoc.pageFrom, 12);
    EXPECT_TRUE(project.IsModified());
    ASSERT_TRUE(StoreProjectNumber(project, ID_SPIN_POS_Y, "150"));  // no range check
    EXPECT_EQ(project.propertyDoc.posY, 150);
    ASSERT_TRUE(StoreProjectNumber(project, ID_SPIN_FONT_HEIGHT, "abc"));
    EXPECT_EQ(project.propertyDoc.fontHeight, 0);
    ASSERT_TRUE(StoreProjectNumber(project, ID_SPIN_START_PAGE, "7"));
    EXPECT_EQ(project.propertyDoc.startPage, 7);
    EXPECT_EQ(project.propertyDoc.posX, CDocvaneDoc().propertyDoc.posX);

    ASSERT_TRUE(StoreProjectText(project, ID_AUTOCAD_FORMAT, "2018"));
    ASSERT_TRUE(StoreProjectText(project, ID_AUTOCAD_XREF_DIR, "Ссылки"));
    EXPECT_EQ(project.propertyDoc.autocad.fileFormat, "2018");
    EXPECT_EQ(project.propertyDoc.autocad.xrefDir, "Ссылки");

    CDocvaneDoc other;
    EXPECT_FALSE(ToggleProjectFlag(other, ID_REFRESH));
    EXPECT_FALSE(StoreProjectNumber(other, ID_CHECK_PDF_MENU, "1"));
    EXPECT_FALSE(StoreProjectText(other, ID_SPIN_POS_X, "1"));
    EXPECT_FALSE(other.IsModified());
}

}  // namespace
}  // namespace docvane

namespace docvane {
namespace {

TEST(KeyTips, AltLetterOpensACategoryAndTheNextLetterRunsItsCommand) {
    EXPECT_EQ(CategoryOfKeyTip('h'), RibbonCategory::Home);
    EXPECT_EQ(CategoryOfKeyTip('V'), RibbonCategory::View);
    EXPECT_EQ(CategoryOfKeyTip('p'), RibbonCategory::Pdf);
    EXPECT_EQ(CategoryOfKeyTip('A'), RibbonCategory::Autocad);
    EXPECT_EQ(CategoryOfKeyTip('w'), RibbonCategory::Word);
    EXPECT_EQ(CategoryOfKeyTip('F'), RibbonCategory::ApplicationMenu);
    EXPECT_EQ(CategoryOfKeyTip('s'), RibbonCategory::Style);
    EXPECT_FALSE(CategoryOfKeyTip('x').has_value());
    EXPECT_FALSE(CategoryOfKeyTip('1').has_value());

    EXPECT_EQ(CommandOfKeyTip(RibbonCategory::Home, 'p'), ID_PUBLIC_FAST);
    EXPECT_EQ(CommandOfKeyTip(RibbonCategory::Home, 'S'), ID_STOP_PUBLIC);
    EXPECT_EQ(CommandOfKeyTip(RibbonCategory::Home, 'r'), ID_REFRESH);
    EXPECT_EQ(CommandOfKeyTip(RibbonCategory::Home, 'f'), ID_FIELDS);
    EXPECT_EQ(CommandOfKeyTip(RibbonCategory::Home, 'x'), 0);
    EXPECT_EQ(CommandOfKeyTip(RibbonCategory::ApplicationMenu, 'a'), ID_FILE_SAVE_AS);
    EXPECT_EQ(CommandOfKeyTip(RibbonCategory::ApplicationMenu, 'E'), ID_APP_EXIT);
    EXPECT_EQ(CommandOfKeyTip(RibbonCategory::View, 'w'), ID_WINDOW_MANAGER);
    EXPECT_EQ(CommandOfKeyTip(RibbonCategory::Style, '1'), 215);
    EXPECT_EQ(CommandOfKeyTip(RibbonCategory::Style, '5'), 219);
    EXPECT_EQ(CommandOfKeyTip(RibbonCategory::Style, '6'), 0);
    EXPECT_EQ(CommandOfKeyTip(RibbonCategory::Pdf, 'p'), 0);
}

}  // namespace
}  // namespace docvane
