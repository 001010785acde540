#include "desktop/ColourRun.h"

namespace docvane {

void ColourRuns::Add(std::size_t start, std::size_t end, ScriptColour colour) {
    if (end <= start) {
        return;
    }
    if (!runs_.empty() && runs_.back().colour == colour &&
        runs_.back().start + runs_.back().length == start) {
        runs_.back().length += end - start;
        return;
    }
    runs_.push_back(ColourRun{start, end - start, colour});
}

}  // namespace docvane
