#include "desktop/RibbonRules.h"

#include <climits>
#include <cstddef>

namespace docvane {

bool IsEditingEnabled(const CDocvaneDoc* active, const CDocvaneDoc* published) {
    return active != published;
}

int ParseNumberBox(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r' ||
                               text[i] == '\v' || text[i] == '\f')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) {
            value = static_cast<long long>(INT_MAX) + 1;
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > INT_MAX) {
        return INT_MAX;
    }
    if (value < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(value);
}

int FitPathBoxWidth(int categoryWidth, int otherPanelsWidth) {
    const int free = categoryWidth - otherPanelsWidth;
    return free >= 450 ? free - 200 : kPathBoxInitialWidth;
}

}  // namespace docvane
