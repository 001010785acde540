#include "desktop/CommandIds.h"

#include <iterator>

namespace docvane {

namespace {

// Every command above the limit, in one list; its item is kFirstItem plus its place here. The items
// sit just past wxWidgets' own reserved identifiers (4999 to 5999) and below the project views' menus.
constexpr int kFirstItem = 6000;
constexpr int kLargeCommands[] = {
    ID_FILE_NEW,
    ID_FILE_OPEN,
    ID_FILE_CLOSE,
    ID_FILE_SAVE,
    ID_FILE_SAVE_AS,
    ID_WINDOW_NEW,
    ID_APP_ABOUT,
    ID_APP_EXIT,
    ID_VIEW_STATUS_BAR,
    ID_EDIT_COPY,
    ID_EDIT_CLEAR,
    ID_PROPERTY,
    ID_REFRESH,
    ID_STOP_PUBLIC,
    ID_FIELDS,
    ID_PUBLIC_FAST,
    ID_PUBLIC_LONG,
    ID_PATH_COMBINE_PDF,
    ID_PATH_PDF_DIR,
    ID_PATH_EDIT_DIR,
    ID_CHECK_PDF_MENU,
    ID_CHECK_PDF_NUMBERING,
    ID_SPIN_START_PAGE,
    ID_SPIN_PAGE_FROM,
    ID_SPIN_FONT_HEIGHT,
    ID_SPIN_POS_X,
    ID_SPIN_POS_Y,
    ID_LISP,
    ID_CHECK_CLEAR_DIR,
    ID_AUTOCAD_INCLUDE_XREF,
    ID_AUTOCAD_XREF_DIR,
    ID_AUTOCAD_COPY_XREF,
    ID_AUTOCAD_FORMAT,
    ID_VBA,
    ID_VIEW_OUTPUT_WND,
    ID_CHECK_AUTOCAD_CLEAR_COMMENTS,
    ID_UPDATE,
    ID_OPEN_COMPILE_PDF,
    ID_CHECK_SPLIT_INTO_LAYOUTS,
    ID_OPEN_EXIT_PDF_DIR,
    ID_OPEN_EXIT_EDIT_DIR,
    ID_VIEW_APPLOOK_WINDOWS_10,
    ID_CHECK_PDF_A,
};
constexpr int kLargeCount = static_cast<int>(std::size(kLargeCommands));
static_assert(kFirstItem + kLargeCount < 6700, "the project views' menu items start at 6700");

}  // namespace

int MenuItemOf(int command) {
    if (command < kMenuItemLimit) {
        return command;
    }
    for (int i = 0; i < kLargeCount; ++i) {
        if (kLargeCommands[i] == command) {
            return kFirstItem + i;
        }
    }
    return command;
}

int CommandOfMenuItem(int item) {
    if (item >= kFirstItem && item < kFirstItem + kLargeCount) {
        return kLargeCommands[item - kFirstItem];
    }
    return item;
}

}  // namespace docvane
