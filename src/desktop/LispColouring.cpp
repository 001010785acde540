#include "desktop/LispColouring.h"

#include <algorithm>

namespace docvane {
namespace {

bool IsNameEnd(char c) {
    return c == '\t' || c == '\n' || c == '\r' || c == ' ';
}

// Bytes of the UTF-8 character that starts at pos (1 for a stray continuation byte).
std::size_t CharacterLength(std::string_view text, std::size_t pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    std::size_t length = 1;
    if (lead >= 0xF0) {
        length = 4;
    } else if (lead >= 0xE0) {
        length = 3;
    } else if (lead >= 0xC0) {
        length = 2;
    }
    return std::min(length, text.size() - pos);
}

// The end (one past the closing quote) of the string opening at start. A quote after an odd number
// of backslashes is escaped.
std::size_t StringEnd(std::string_view text, std::size_t start) {
    std::size_t backslashes = 0;
    for (std::size_t i = start + 1; i < text.size(); ++i) {
        if (text[i] == '\\') {
            ++backslashes;
            continue;
        }
        if (text[i] == '"' && backslashes % 2 == 0) {
            return i + 1;
        }
        backslashes = 0;
    }
    return text.size();
}

std::size_t CommentEnd(std::string_view text, std::size_t start) {
    if (start + 1 < text.size() && text[start + 1] == '|') {
        const std::size_t close = text.find("|;", start + 2);
        return close == std::string_view::npos ? text.size() : close + 2;
    }
    const std::size_t lineEnd = text.find('\n', start);
    return lineEnd == std::string_view::npos ? text.size() : lineEnd;
}

}  // namespace

std::vector<ColourRun> ColourLisp(std::string_view text) {
    ColourRuns runs;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '"') {
            const std::size_t end = StringEnd(text, i);
            runs.Add(i, end, ScriptColour::String);
            i = end;
        } else if (c == ';') {
            const std::size_t end = CommentEnd(text, i);
            runs.Add(i, end, ScriptColour::Comment);
            i = end;
        } else if (c == '(') {
            runs.Add(i, i + 1, ScriptColour::Bracket);
            ++i;
            if (i < text.size()) {
                // The name takes at least one character, whatever it is.
                std::size_t end = i + CharacterLength(text, i);
                while (end < text.size() && !IsNameEnd(text[end])) {
                    ++end;
                }
                runs.Add(i, end, ScriptColour::Name);
                i = end;
            }
        } else if (c == ')') {
            runs.Add(i, i + 1, ScriptColour::Bracket);
            ++i;
        } else {
            runs.Add(i, i + 1, ScriptColour::Plain);
            ++i;
        }
    }
    return runs.Take();
}

}  // namespace docvane
