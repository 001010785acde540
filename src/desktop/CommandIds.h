#pragma once
// Command identifiers of the main window.

namespace docvane {

enum CommandId : int {
    ID_FILE_NEW = 57600,
    ID_FILE_OPEN = 57601,
    ID_FILE_CLOSE = 57602,
    ID_FILE_SAVE = 57603,
    ID_FILE_SAVE_AS = 57604,
    ID_WINDOW_NEW = 57648,
    ID_APP_ABOUT = 57664,
    ID_APP_EXIT = 57665,
    ID_VIEW_STATUS_BAR = 59393,
    ID_EDIT_COPY = 57634,
    ID_EDIT_CLEAR = 57632,
    ID_OUTPUT_HIDE = 149,
    ID_WINDOW_MANAGER = 131,
    ID_VIEW_PROPERTY_WND = 221,
    ID_PROPERTY = 32771,
    ID_REFRESH = 32772,
    ID_STOP_PUBLIC = 32774,
    ID_FIELDS = 32775,
    ID_PUBLIC_FAST = 32777,
    ID_PUBLIC_LONG = 32778,
    ID_PATH_COMBINE_PDF = 32779,
    ID_PATH_PDF_DIR = 32780,
    ID_PATH_EDIT_DIR = 32781,
    ID_CHECK_PDF_MENU = 32782,
    ID_CHECK_PDF_NUMBERING = 32783,
    ID_SPIN_START_PAGE = 32784,
    ID_SPIN_PAGE_FROM = 32785,
    ID_SPIN_FONT_HEIGHT = 32786,
    ID_SPIN_POS_X = 32787,
    ID_SPIN_POS_Y = 32788,
    ID_LISP = 32793,
    ID_CHECK_CLEAR_DIR = 32794,
    ID_AUTOCAD_INCLUDE_XREF = 32795,
    ID_AUTOCAD_XREF_DIR = 32796,
    ID_AUTOCAD_COPY_XREF = 32797,
    ID_AUTOCAD_FORMAT = 32798,
    ID_VBA = 32800,
    ID_VIEW_OUTPUT_WND = 32801,
    ID_CHECK_AUTOCAD_CLEAR_COMMENTS = 32802,
    ID_UPDATE = 32811,
    ID_OPEN_COMPILE_PDF = 32812,
    ID_CHECK_SPLIT_INTO_LAYOUTS = 32814,
    ID_OPEN_EXIT_PDF_DIR = 32815,
    ID_OPEN_EXIT_EDIT_DIR = 32816,
    ID_VIEW_APPLOOK_WINDOWS_10 = 32818,
    ID_CHECK_PDF_A = 32819,
};

// wxWidgets takes menu, tool and accelerator items only below 0x7fff, and most commands are numbered
// above it. Those items carry MenuItemOf(command); whatever a menu event brings back goes through
// CommandOfMenuItem before it is dispatched. Both leave numbers outside the mapping unchanged, so
// commands below the limit (and the ribbon, which has no such limit) keep their own numbers.
inline constexpr int kMenuItemLimit = 0x7fff;
int MenuItemOf(int command);
int CommandOfMenuItem(int item);

// Status bar panes.
inline constexpr int ID_STATUSBAR_PANE1 = 120;
inline constexpr int ID_STATUSBAR_PANE2 = 121;

}  // namespace docvane
