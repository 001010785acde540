#include "pdf/ContentDepth.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace docvane {
namespace {

TEST(ContentDepthTest, OnlySaveAndRestoreOperatorsMoveTheStack) {
    struct Case {
        std::string content;
        int lowest;
        int end;
    };
    const Case cases[] = {
        {"q 1 0 0 1 5 5 cm Q", 0, 0},
        {"Q Q q", -2, -1},
        {"q q Q", 0, 1},
        {"qQ Qq q/Q", 0, 1},                                  // names and run-together words are no operators
        {"(Q Q \\) Q) Tj q", 0, 1},                           // strings, with an escaped parenthesis
        {"((Q) (Q)) Tj Q", -1, -1},                           // nested parentheses
        {"<51> Tj << /Q 1 >> BDC Q", -1, -1},                 // hex strings and dictionaries
        {"% Q Q Q\nq", 0, 1},                                 // comments
        {"BI /W 2 /H 1 /BPC 8 /CS /G ID Q Q\nEI Q", -1, -1},  // inline image data
        {"", 0, 0},
    };
    for (const Case& c : cases) {
        StateDepth depth;
        FollowStateDepth(c.content, depth);
        EXPECT_EQ(depth.lowest, c.lowest) << c.content;
        EXPECT_EQ(depth.end, c.end) << c.content;
    }
    // The streams of a page are one sequence.
    StateDepth depth;
    FollowStateDepth("q q", depth);
    FollowStateDepth("Q Q Q", depth);
    EXPECT_EQ(depth.lowest, -1);
    EXPECT_EQ(depth.end, -1);
    EXPECT_FALSE(depth.Balanced());
}

}  // namespace
}  // namespace docvane
