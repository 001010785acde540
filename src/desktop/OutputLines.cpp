#include "desktop/OutputLines.h"

#include "output/DocumentStatus.h"

namespace docvane {

OutputLineTarget TargetOfLine(int kind) {
    switch (kind) {
        case 0:
            return {kInfoList, 0};
        case 1:
            return {kInfoList, kColourUpToDate};
        case 2:
            return {kInfoList | kWarningList, kColourNeedsPublishing};
        case 3:
            return {kInfoList | kWarningList | kErrorList, kColourError};
        default:
            return {};
    }
}

std::uint32_t LineBackground(std::uint32_t itemData, bool selected) {
    if (!selected) {
        return itemData == 0 ? 0x00FFFFFFu : itemData;
    }
    if (itemData == 0) {
        return 0x00FFCC33u;
    }
    std::uint32_t result = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const std::uint32_t byte = (itemData >> shift) & 0xFFu;
        result |= (byte < 50 ? 0u : byte - 50) << shift;
    }
    return result;
}

}  // namespace docvane
