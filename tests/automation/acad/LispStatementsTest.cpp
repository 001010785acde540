#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "automation/acad/LispStatements.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace docvane {
namespace {

TEST(LispStatementsTest, ExpressionsAreCutAtDepthZeroWithBlanksCollapsed) {
    EXPECT_THAT(SplitLispStatements("(setq a 1) ; set a\r\n(princ\r\n\t  a)\r"),
                ElementsAre("(setq a 1)", "(princ a)"));
    EXPECT_THAT(SplitLispStatements("(defun f (x)\n  (if (> x 0)\n    x\n    (- x)))\n(f -2)"),
                ElementsAre("(defun f (x) (if (> x 0) x (- x)))", "(f -2)"));
    // A lone CR is a line end like any other; blanks between statements are not sent.
    EXPECT_THAT(SplitLispStatements("(a 1)\r(b 2)"), ElementsAre("(a 1)", "(b 2)"));
}

TEST(LispStatementsTest, ShortTopLevelTokensAreDropped) {
    EXPECT_THAT(SplitLispStatements("'(1 2) x ab ()"), ElementsAre("(1 2)"));
    EXPECT_THAT(SplitLispStatements("(a)"), ElementsAre("(a)"));
    EXPECT_THAT(SplitLispStatements("аб"), IsEmpty());
    EXPECT_THAT(SplitLispStatements(""), IsEmpty());
}

TEST(LispStatementsTest, StringsKeepTheirContentAndTheirEscapedQuotes) {
    EXPECT_THAT(SplitLispStatements("(princ \"a  ;not a comment\n (x\")"),
                ElementsAre("(princ \"a  ;not a comment\n (x\")"));
    EXPECT_THAT(SplitLispStatements("(princ \"say \\\"hi\\\" )\") (b 1)"),
                ElementsAre("(princ \"say \\\"hi\\\" )\")", "(b 1)"));
    // Two backslashes before a quote: the quote closes the string.
    EXPECT_THAT(SplitLispStatements("(princ \"c:\\\\\") (b 1)"), ElementsAre("(princ \"c:\\\\\")", "(b 1)"));
}

TEST(LispStatementsTest, CommentsAreLeftOut) {
    EXPECT_THAT(SplitLispStatements("(a 1) ;| block\n (b 2) |; (c 3)"), ElementsAre("(a 1)", "(c 3)"));
    // A block comment that never closes hides everything after it.
    EXPECT_THAT(SplitLispStatements("(a 1) ;| open\n(b 2)"), ElementsAre("(a 1)"));
    // A line comment without a line end ends the scan; an unfinished statement is still sent.
    EXPECT_THAT(SplitLispStatements("(a 1) ; tail"), ElementsAre("(a 1)"));
    EXPECT_THAT(SplitLispStatements("(a (b 2) ;"), ElementsAre("(a (b 2) "));
    EXPECT_THAT(SplitLispStatements("(a;x\n 1)"), ElementsAre("(a 1)"));
}

TEST(LispStatementsTest, StringContentEscapesQuoteAndBackslash) {
    EXPECT_EQ(LispStringContent("План \"А\"\\1"), "План \\\"А\\\"\\\\1");
    EXPECT_EQ(LispStringContent("plain"), "plain");
}

// Reads a LISP string literal that starts at text[at] (the opening quote) as the drawing program
// does; at ends after the closing quote. Empty optional when the literal never closes.
std::optional<std::string> ReadLispString(const std::string& text, std::size_t& at) {
    std::string value;
    for (std::size_t i = at + 1; i < text.size(); ++i) {
        if (text[i] == '"') {
            at = i + 1;
            return value;
        }
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char next = text[++i];
            value.push_back(next == 'n' ? '\n' : next == 'r' ? '\r' : next == 't' ? '\t' : next);
        } else {
            value.push_back(text[i]);
        }
    }
    return std::nullopt;
}

TEST(LispStatementsTest, EveryNameStaysInsideOneCommandAndComesBackExactly) {
    const std::string names[] = {"a\\\"b",       "a\\\";(princ)", "x\\",    "x\\\\",          "\";(c 1)",
                                 "a\"b;c",       ";| (x) |;",     "( ) (",  "\\\\\"\\",       "Лист 1",
                                 "two\r\nlines", "tab\there",     "\\\\\\", "end \\\"\\\\ ;", ""};
    for (const std::string& name : names) {
        const std::string command = "(command \"_.LAYOUT\" \"_S\" \"" + LispStringContent(name) + "\")";
        const auto statements = SplitLispStatements(command + "\n" + command);
        ASSERT_EQ(statements.size(), 2u) << name;
        EXPECT_EQ(statements[0], command) << name;
        EXPECT_EQ(statements[1], command) << name;
        std::size_t at = command.find('"', command.find("\"_S\"") + 4);
        const auto value = ReadLispString(command, at);
        ASSERT_TRUE(value.has_value()) << name;
        EXPECT_EQ(*value, name);
        EXPECT_EQ(command.substr(at), ")") << name;
    }
}

}  // namespace
}  // namespace docvane
