#pragma once
// How the output pane files and paints a log line.
#include <cstdint>

namespace docvane {

// The three lists of the output pane, in tab order.
inline constexpr unsigned kInfoList = 1u << 0;
inline constexpr unsigned kWarningList = 1u << 1;
inline constexpr unsigned kErrorList = 1u << 2;

struct OutputLineTarget {
    unsigned lists = 0;        // which lists receive the line; 0 for an unknown kind
    std::uint32_t colour = 0;  // item data: 0x00BBGGRR, 0 for none
};

// Lists and colour of a line of the given kind (0 info, 1 success, 2 warning, 3 error).
OutputLineTarget TargetOfLine(int kind);

// The background of a line (0x00BBGGRR): item data 0 is white; a selected line is darker by 50 in
// each byte (not below 0), a selected line without colour light blue.
std::uint32_t LineBackground(std::uint32_t itemData, bool selected);

}  // namespace docvane
