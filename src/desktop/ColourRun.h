#pragma once
// Colour classes of the script editor and the runs a scanner assigns them to.
#include <cstddef>
#include <utility>
#include <vector>

namespace docvane {

// The script editor's five text colours, by class.
enum class ScriptColour { Plain = 0, Bracket = 1, Name = 2, Comment = 3, String = 4 };

// Bytes [start, start + length) of the scanned UTF-8 text share one colour.
struct ColourRun {
    std::size_t start = 0;
    std::size_t length = 0;
    ScriptColour colour = ScriptColour::Plain;

    bool operator==(const ColourRun&) const = default;
};

// Collects runs in text order, joining neighbours of the same colour.
class ColourRuns {
  public:
    void Add(std::size_t start, std::size_t end, ScriptColour colour);
    std::vector<ColourRun> Take() { return std::move(runs_); }

  private:
    std::vector<ColourRun> runs_;
};

}  // namespace docvane
