#include <gtest/gtest.h>

#include <string>

#include "desktop/LispColouring.h"
#include "desktop/VbaColouring.h"

namespace docvane {
namespace {

// One digit per byte of text: the colour class the runs give that byte; '?' for a byte no run covers,
// '!' for a byte covered twice.
std::string ByteClasses(const std::string& text, const std::vector<ColourRun>& runs) {
    std::string classes(text.size(), '?');
    for (const ColourRun& run : runs) {
        for (std::size_t i = run.start; i < run.start + run.length; ++i) {
            if (i >= classes.size()) {
                return "run past the end";
            }
            classes[i] = classes[i] == '?' ? static_cast<char>('0' + static_cast<int>(run.colour)) : '!';
        }
    }
    return classes;
}

// Expected classes written per character, widened to the character's UTF-8 bytes.
std::string PerByte(const std::string& text, const std::string& perCharacter) {
    std::string out;
    std::size_t c = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const bool continuation = (byte & 0xC0) == 0x80;
        if (continuation) {
            out += out.back();
        } else {
            out += c < perCharacter.size() ? perCharacter[c++] : '#';
        }
    }
    return out;
}

struct Case {
    const char* text;
    const char* classes;  // one digit per character
};

class LispColouringTest : public ::testing::TestWithParam<Case> {};

TEST_P(LispColouringTest, ColoursEveryByte) {
    const std::string text = GetParam().text;
    EXPECT_EQ(ByteClasses(text, ColourLisp(text)), PerByte(text, GetParam().classes)) << text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LispColouringTest,
    ::testing::Values(
        // A call with two string arguments.
        Case{"(command \"a\" \"bc\")", "122222220444044441"},
        // One backslash escapes the quote; two do not.
        Case{"\"a\\\"b\" x", "44444400"}, Case{"\"a\\\\\" x \"y", "4444400044"},
        // A block comment runs over lines to the closing pair; a line comment stops at the line feed.
        Case{";| a\nb |; x", "33333333300"}, Case{"; c\n(x)", "3330122"}, Case{";|\n|;", "33333"},
        Case{";|| (x)", "3333333"},
        // Cyrillic text: positions are bytes.
        Case{"(princ \"Привет\") ; всё", "1222220444444441033333"}, Case{"(Ф x)", "12001"},
        // The name after a bracket takes at least one character; a bracket at the very end has none.
        Case{"( a", "122"}, Case{"((", "12"}, Case{"x (", "001"}, Case{"", ""}));

class VbaColouringTest : public ::testing::TestWithParam<Case> {};

TEST_P(VbaColouringTest, ColoursEveryByte) {
    const std::string text = GetParam().text;
    EXPECT_EQ(ByteClasses(text, ColourVba(text)), PerByte(text, GetParam().classes)) << text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VbaColouringTest,
    ::testing::Values(
        // Keywords match in lower case only.
        Case{"dim x as integer", "2220002202222222"}, Case{"Dim X As Integer", "0000000000000000"},
        // rem starts a comment of its line only, also alone on its line; "remark" is a plain word.
        Case{"rem hi\nx = 1", "333333000000"}, Case{"rem\nx", "33300"}, Case{"remark x", "00000000"},
        Case{"x rem y\nend", "00333330222"},
        // Calls and strings; a doubled quote closes one string and opens the next.
        Case{"MsgBox(\"Привет\")", "1111110444444440"}, Case{"s = \"a\"\"b\"", "0000444444"},
        Case{"\"open", "44444"},
        // An apostrophe comments out the rest of the line, also inside a word.
        Case{"x = 1 ' note\ny", "000000333333000"}, Case{"a'b\nc", "03300"}, Case{"#if x then", "2220002222"},
        Case{"", ""}));

TEST(VbaKeywordsTest, MatchWholeWordsBetweenBars) {
    EXPECT_TRUE(IsVbaKeyword("withevents"));
    EXPECT_TRUE(IsVbaKeyword("#elseif"));
    EXPECT_FALSE(IsVbaKeyword("With"));
    EXPECT_FALSE(IsVbaKeyword("ith"));  // part of a keyword
    EXPECT_FALSE(IsVbaKeyword("as|boolean"));
    EXPECT_FALSE(IsVbaKeyword(""));
}

}  // namespace
}  // namespace docvane
