#include "desktop/ApplicationLooks.h"

namespace docvane {

namespace {

bool IsOffice2007(int look) {
    return look >= 215 && look <= 218;
}

LookStyle Office2007(int look) {
    switch (look) {
        case 216:  // black
            return {RibbonArt::Classic, 0x3A3A3A, 0x7C8490, 0x9AA5B4, false, false};
        case 217:  // silver
            return {RibbonArt::Classic, 0xC4C8CF, 0xD8DCE3, 0x8894A8, false, false};
        case 218:  // aqua
            return {RibbonArt::Classic, 0x8FC6C8, 0xB4E0DF, 0x5A9EA4, false, false};
        default:  // blue
            return {RibbonArt::Classic, 0xC2D8F2, 0xD9E8F8, 0x6F98C8, false, false};
    }
}

}  // namespace

LookStyle StyleOfLook(int look, int previousOffice2007Look) {
    switch (look) {
        case 205:  // the framework's basic look
            return {RibbonArt::Flat, 0xD4D0C8, 0xE4E2DC, 0x808080, false, false};
        case 206:  // Office XP
            return {RibbonArt::Flat, 0xC8D4E8, 0xEEF2F8, 0x4A6EAA, false, false};
        case 207:  // Windows XP
            return {RibbonArt::Classic, 0xECE9D8, 0xF6F5EE, 0x3169C6, false, false};
        case 208:  // Office 2003
            return {RibbonArt::Classic, 0xA8C8F0, 0xDCE8FA, 0x3C64B4, false, false};
        case 209:  // Visual Studio 2005
            return {RibbonArt::Flat, 0xE6E2D6, 0xF4F2EC, 0x9C9278, false, false};
        case 210:  // Visual Studio 2008
            return {RibbonArt::Flat, 0xBCC7D8, 0xDDE3EC, 0x2B3C59, false, false};
        case 219:  // Windows 7
            return {RibbonArt::Classic, 0xDAE6F4, 0xF4F8FC, 0x5C88BA, false, false};
        case 32818:  // the system's own flat look
            return {RibbonArt::Flat, 0, 0, 0, true, true};
        default:
            break;
    }
    if (IsOffice2007(look)) {
        return Office2007(look);
    }
    return Office2007(IsOffice2007(previousOffice2007Look) ? previousOffice2007Look
                                                           : kDefaultApplicationLook);
}

const std::vector<LookMenuItem>& LookMenuItems() {
    static const std::vector<LookMenuItem> items{
        {207, "Windows XP", ""},
        {210, "Visual Studio", ""},
        {215, "Office 2007 (голубой стиль)", "1"},
        {216, "Office 2007 (черный стиль)", "2"},
        {217, "Office 2007 (серебристый стиль)", "3"},
        {218, "Office 2007 (зеленовато-голубой стиль)", "4"},
        {219, "Windows 7", "5"},
        {32818, "Windows 10", ""},
    };
    return items;
}

bool IsLookCommand(int id) {
    return (id >= 205 && id <= 219) || id == 32818;
}

std::uint32_t DisabledLabelRgb(std::uint32_t label, std::uint32_t background) {
    std::uint32_t mixed = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const std::uint32_t from = (label >> shift) & 0xFF;
        const std::uint32_t to = (background >> shift) & 0xFF;
        mixed |= ((from * 2 + to * 3 + 2) / 5) << shift;
    }
    return mixed;
}

}  // namespace docvane
