#include "desktop/KeyTips.h"

#include "desktop/CommandIds.h"

namespace docvane {

namespace {

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

std::optional<RibbonCategory> CategoryOfKeyTip(char letter) {
    switch (Upper(letter)) {
        case 'F':
            return RibbonCategory::ApplicationMenu;
        case 'H':
            return RibbonCategory::Home;
        case 'V':
            return RibbonCategory::View;
        case 'P':
            return RibbonCategory::Pdf;
        case 'A':
            return RibbonCategory::Autocad;
        case 'W':
            return RibbonCategory::Word;
        case 'S':
            return RibbonCategory::Style;
        default:
            return std::nullopt;
    }
}

int CommandOfKeyTip(RibbonCategory category, char letter) {
    const char key = Upper(letter);
    switch (category) {
        case RibbonCategory::ApplicationMenu:
            switch (key) {
                case 'N':
                    return ID_FILE_NEW;
                case 'O':
                    return ID_FILE_OPEN;
                case 'S':
                    return ID_FILE_SAVE;
                case 'A':
                    return ID_FILE_SAVE_AS;
                case 'P':
                    return ID_PROPERTY;
                case 'U':
                    return ID_UPDATE;
                case 'C':
                    return ID_FILE_CLOSE;
                case 'E':
                    return ID_APP_EXIT;
                default:
                    return 0;
            }
        case RibbonCategory::Home:
            switch (key) {
                case 'P':
                    return ID_PUBLIC_FAST;
                case 'R':
                    return ID_REFRESH;
                case 'S':
                    return ID_STOP_PUBLIC;
                case 'F':
                    return ID_FIELDS;
                default:
                    return 0;
            }
        case RibbonCategory::View:
            return key == 'W' ? ID_WINDOW_MANAGER : 0;
        case RibbonCategory::Style:
            return (key >= '1' && key <= '5') ? 215 + (key - '1') : 0;
        case RibbonCategory::Pdf:
        case RibbonCategory::Autocad:
        case RibbonCategory::Word:
            return 0;
    }
    return 0;
}

}  // namespace docvane
