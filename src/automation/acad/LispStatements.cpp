#include "automation/acad/LispStatements.h"

#include "project/FieldDoc.h"

namespace docvane {

namespace {
std::string NormaliseLineEnds(const std::string& script) {
    std::string text;
    text.reserve(script.size());
    for (std::size_t i = 0; i < script.size(); ++i) {
        if (script[i] == '\r') {
            text.push_back('\n');
            if (i + 1 < script.size() && script[i + 1] == '\n') {
                ++i;
            }
        } else {
            text.push_back(script[i]);
        }
    }
    return text;
}

constexpr std::size_t kShortest = 2;  // statements of this many characters or less are stray tokens

}  // namespace

std::vector<std::string> SplitLispStatements(const std::string& script) {
    const std::string text = NormaliseLineEnds(script);
    std::vector<std::string> statements;
    std::string buffer;
    bool inString = false;
    bool blank = false;
    int depth = 0;

    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (inString) {
            buffer.push_back(c);
            if (c == '\\' && i + 1 < text.size()) {
                // A backslash takes the next character with it, whatever it is: an escaped quote or
                // backslash never ends the string, however many backslashes precede it.
                buffer.push_back(text[i + 1]);
                i += 2;
                continue;
            }
            if (c == '"') {
                inString = false;
            }
            ++i;
            continue;
        }
        if (c == '"') {
            buffer.push_back(c);
            inString = true;
            blank = false;
            ++i;
            continue;
        }
        if (c == ';') {
            if (i + 1 >= text.size()) {
                break;
            }
            std::size_t next = std::string::npos;
            if (text[i + 1] == '|') {
                const auto end = text.find("|;", i + 2);
                next = end == std::string::npos ? std::string::npos : end + 2;
            } else {
                const auto end = text.find('\n', i + 1);
                next = end == std::string::npos ? std::string::npos : end + 1;
            }
            if (next == std::string::npos) {
                break;
            }
            i = next;
            continue;
        }
        if (c == ' ' || c == '\n' || c == '\t') {
            if (!blank) {
                buffer.push_back(' ');
            }
            blank = true;
        } else {
            blank = false;
            buffer.push_back(c);
        }
        if (c == '(') {
            ++depth;
        } else if (c == ')') {
            --depth;
        }
        if (depth == 0) {
            if (CharacterCount(buffer) > kShortest) {
                statements.push_back(buffer);
            }
            buffer.clear();
        }
        ++i;
    }
    if (CharacterCount(buffer) > kShortest) {
        statements.push_back(buffer);
    }
    return statements;
}

std::string LispStringContent(const std::string& text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        // Line breaks and tabs are written as escapes: the splitter would otherwise turn a CR into a
        // LF, and a name must reach the drawing program exactly.
        switch (c) {
            case '\\':
                escaped += "\\\\";
                break;
            case '"':
                escaped += "\\\"";
                break;
            case '\n':
                escaped += "\\n";
                break;
            case '\r':
                escaped += "\\r";
                break;
            case '\t':
                escaped += "\\t";
                break;
            default:
                escaped.push_back(c);
        }
    }
    return escaped;
}

}  // namespace docvane
