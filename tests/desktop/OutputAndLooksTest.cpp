// How output lines are filed and painted, and how application looks are drawn.
#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "desktop/ApplicationLooks.h"
#include "desktop/OutputLines.h"

namespace docvane {
namespace {

TEST(OutputLines, EachKindReachesItsListsWithItsColour) {
    EXPECT_EQ(TargetOfLine(0).lists, kInfoList);
    EXPECT_EQ(TargetOfLine(0).colour, 0u);
    EXPECT_EQ(TargetOfLine(1).lists, kInfoList);
    EXPECT_EQ(TargetOfLine(1).colour, 0x0099FF33u);
    EXPECT_EQ(TargetOfLine(2).lists, kInfoList | kWarningList);
    EXPECT_EQ(TargetOfLine(2).colour, 0x0099FFFFu);
    EXPECT_EQ(TargetOfLine(3).lists, kInfoList | kWarningList | kErrorList);
    EXPECT_EQ(TargetOfLine(3).colour, 0x003366FFu);
    EXPECT_EQ(TargetOfLine(4).lists, 0u);
    EXPECT_EQ(TargetOfLine(-1).lists, 0u);
}

TEST(OutputLines, SelectedLinesAreDarkerByFiftyPerByte) {
    EXPECT_EQ(LineBackground(0, false), 0x00FFFFFFu);
    EXPECT_EQ(LineBackground(0, true), 0x00FFCC33u);
    EXPECT_EQ(LineBackground(0x003366FF, false), 0x003366FFu);
    EXPECT_EQ(LineBackground(0x003366FF, true), 0x000134CDu);
    EXPECT_EQ(LineBackground(0x0099FF33, true), 0x0067CD01u);
    EXPECT_EQ(LineBackground(0x00313232, true), 0x00000000u);  // 49 drops to 0, 50 to 0
    EXPECT_EQ(LineBackground(0x00010203, true), 0u);
}

TEST(ApplicationLooks, EveryMenuLookIsDrawnDifferently) {
    std::set<std::tuple<int, std::uint32_t, std::uint32_t, std::uint32_t, bool>> seen;
    for (const LookMenuItem& item : LookMenuItems()) {
        EXPECT_TRUE(IsLookCommand(item.look)) << item.look;
        const LookStyle s = StyleOfLook(item.look);
        EXPECT_TRUE(
            seen.insert({static_cast<int>(s.art), s.primary, s.secondary, s.tertiary, s.systemColours})
                .second)
            << item.look << " looks like another item";
    }
    EXPECT_EQ(seen.size(), 8u);
}

TEST(ApplicationLooks, UnknownNumbersKeepTheLastOffice2007Style) {
    const LookStyle blue = StyleOfLook(kDefaultApplicationLook);
    const LookStyle black = StyleOfLook(216);
    EXPECT_NE(blue.primary, black.primary);
    EXPECT_EQ(StyleOfLook(12345).primary, blue.primary);
    EXPECT_EQ(StyleOfLook(12345, 216).primary, black.primary);
    EXPECT_EQ(StyleOfLook(12345, 207).primary, blue.primary);  // not an Office 2007 style
    // Looks without a menu item still draw when stored.
    EXPECT_NE(StyleOfLook(205).primary, blue.primary);
    EXPECT_FALSE(IsLookCommand(204));
    EXPECT_FALSE(IsLookCommand(220));
    const LookStyle flat = StyleOfLook(32818);
    EXPECT_TRUE(flat.systemColours);
    EXPECT_TRUE(flat.mainCategoryNamed);
    EXPECT_EQ(flat.art, RibbonArt::Flat);
}

}  // namespace
}  // namespace docvane
