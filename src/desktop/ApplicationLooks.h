#pragma once
// The application looks: the stored number ApplicationLook (default 215) and how each number is drawn
// by a ribbon that offers two art styles and free colour schemes.
#include <cstdint>
#include <string>
#include <vector>

namespace docvane {

inline constexpr int kDefaultApplicationLook = 215;

enum class RibbonArt { Classic, Flat };

struct LookStyle {
    RibbonArt art = RibbonArt::Classic;
    // Colour scheme of the ribbon as 0x00RRGGBB (primary, secondary, tertiary); all 0: the art's own.
    std::uint32_t primary = 0;
    std::uint32_t secondary = 0;
    std::uint32_t tertiary = 0;
    bool systemColours = false;      // the flat look drawn with the system's colours
    bool mainCategoryNamed = false;  // the application category shows "Файл"
};

// The style of a look number; an unknown number keeps the Office 2007 style it was last drawn in
// (blue when there was none).
LookStyle StyleOfLook(int look, int previousOffice2007Look = kDefaultApplicationLook);

// The items of the "Стиль" menu: id (= look number), label, key tip (empty when none).
struct LookMenuItem {
    int look;
    const char* label;
    const char* keyTip;
};
const std::vector<LookMenuItem>& LookMenuItems();

// Whether a number is one of the look commands (205..219, 32818).
bool IsLookCommand(int id);

// The label colour of a disabled ribbon button (0xRRGGBB): the enabled label's colour moved most of the
// way towards the panel's background, so that it reads as greyed out like the button's faint icon.
std::uint32_t DisabledLabelRgb(std::uint32_t label, std::uint32_t background);

}  // namespace docvane
