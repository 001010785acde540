#include "desktop/VbaColouring.h"

#include <string>

namespace docvane {
namespace {

// Each keyword stands between two bars; lower case only.
constexpr std::string_view kKeywords =
    "|addhandler|addressof|alias|and|andalso|as|boolean|byref|byte|byval|call|case|catch|cbool|cbyte|"
    "cchar|cdate|cdbl|cdec|char|cint|class|class|clng|cobj|const|continue|csbyte|cshort|csng|cstr|ctype|"
    "cuint|culng|cushort|date|decimal|declare|default|delegate|dim|directcast|do|double|each|else|elseif|"
    "end|endif|enum|erase|error|event|exit|false|finally|for|friend|function|get|gettype|getxmlnamespace|"
    "global|gosub|goto|handles|if|implements|imports|imports|in|in|inherits|integer|interface|is|isnot|"
    "let|lib|like|long|loop|me|mod|module|module|mustinherit|mustoverride|mybase|myclass|nameof|namespace|"
    "narrowing|new|next|next|not|nothing|notinheritable|notoverridable|object|of|on|operator|option|"
    "optional|or|orelse|out|overloads|overridable|overrides|paramarray|partial|private|property|protected|"
    "public|raiseevent|readonly|redim|rem|removehandler|resume|return|sbyte|select|set|shadows|shared|"
    "short|single|static|step|stop|string|structure|structure|sub|synclock|then|throw|to|true|try|trycast|"
    "typeof|uinteger|ulong|ushort|using|variant|wend|when|while|widening|with|withevents|writeonly|xor|"
    "#const|#else|#elseif|#end|#if|";

bool EndsWord(char c) {
    return c == '\t' || c == '\n' || c == '\r' || c == ' ' || c == '(' || c == '"' || c == '\'';
}

std::size_t LineEnd(std::string_view text, std::size_t from) {
    const std::size_t end = text.find('\n', from);
    return end == std::string_view::npos ? text.size() : end;
}

}  // namespace

bool IsVbaKeyword(std::string_view word) {
    if (word.empty() || word.find('|') != std::string_view::npos) {
        return false;
    }
    std::string barred;
    barred.reserve(word.size() + 2);
    barred += '|';
    barred += word;
    barred += '|';
    return kKeywords.find(barred) != std::string_view::npos;
}

std::vector<ColourRun> ColourVba(std::string_view text) {
    ColourRuns runs;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '"') {
            const std::size_t close = text.find('"', i + 1);
            const std::size_t end = close == std::string_view::npos ? text.size() : close + 1;
            runs.Add(i, end, ScriptColour::String);
            i = end;
            continue;
        }
        if (c == '\'') {
            const std::size_t end = LineEnd(text, i);
            runs.Add(i, end, ScriptColour::Comment);
            i = end;
            continue;
        }
        if (EndsWord(c)) {
            runs.Add(i, i + 1, ScriptColour::Plain);
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && !EndsWord(text[end])) {
            ++end;
        }
        const std::string_view word = text.substr(i, end - i);
        if (end < text.size() && text[end] == '(') {
            runs.Add(i, end, ScriptColour::Bracket);
        } else if (word == "rem") {
            end = LineEnd(text, i);
            runs.Add(i, end, ScriptColour::Comment);
        } else if (IsVbaKeyword(word)) {
            runs.Add(i, end, ScriptColour::Name);
        } else {
            runs.Add(i, end, ScriptColour::Plain);
        }
        i = end;
    }
    return runs.Take();
}

}  // namespace docvane
