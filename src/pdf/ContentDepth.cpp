#include "pdf/ContentDepth.h"

#include <algorithm>
#include <cstring>

namespace docvane {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0';
}

bool IsDelimiter(char c) {
    return IsBlank(c) || std::strchr("()<>[]{}/%", c) != nullptr;
}

// The end of the literal string starting at begin (its opening parenthesis): nested parentheses
// balance, a backslash escapes the next character.
std::size_t LiteralEnd(std::string_view content, std::size_t begin) {
    int nesting = 0;
    for (std::size_t i = begin; i < content.size(); ++i) {
        const char c = content[i];
        if (c == '\\') {
            ++i;
        } else if (c == '(') {
            ++nesting;
        } else if (c == ')' && --nesting == 0) {
            return i + 1;
        }
    }
    return content.size();
}

// Where the data of an inline image that starts after "ID" ends: after the "EI" that stands alone.
std::size_t InlineImageEnd(std::string_view content, std::size_t from) {
    for (std::size_t at = content.find("EI", from); at != std::string_view::npos;
         at = content.find("EI", at + 2)) {
        const bool before = at > 0 && IsBlank(content[at - 1]);
        const bool after = at + 2 >= content.size() || IsDelimiter(content[at + 2]);
        if (before && after) {
            return at + 2;
        }
    }
    return content.size();
}

}  // namespace

void FollowStateDepth(std::string_view content, StateDepth& depth) {
    int current = depth.end;
    std::size_t i = 0;
    while (i < content.size()) {
        const char c = content[i];
        if (IsBlank(c)) {
            ++i;
        } else if (c == '%') {
            const std::size_t end = content.find_first_of("\r\n", i);
            i = end == std::string_view::npos ? content.size() : end;
        } else if (c == '(') {
            i = LiteralEnd(content, i);
        } else if (c == '<' && i + 1 < content.size() && content[i + 1] == '<') {
            i += 2;  // a dictionary opens
        } else if (c == '<') {
            const std::size_t end = content.find('>', i);
            i = end == std::string_view::npos ? content.size() : end + 1;
        } else if (IsDelimiter(c)) {
            ++i;
            if (c == '/') {  // a name: skip its characters
                while (i < content.size() && !IsDelimiter(content[i])) {
                    ++i;
                }
            }
        } else {
            std::size_t end = i;
            while (end < content.size() && !IsDelimiter(content[end])) {
                ++end;
            }
            const std::string_view token = content.substr(i, end - i);
            if (token == "q") {
                ++current;
            } else if (token == "Q") {
                --current;
                depth.lowest = std::min(depth.lowest, current);
            } else if (token == "ID") {
                end = InlineImageEnd(content, end);
            }
            i = end;
        }
    }
    depth.end = current;
}

}  // namespace docvane
