#include <random>
#include <string>

#include "automation/Automation.h"
#include "automation/word/WordContent.h"
#include "automation/word/WordSession.h"
#include "automation/word/WordValues.h"

namespace docvane {

namespace {
// Lower case for Latin and Cyrillic letters of UTF-8 text; every other byte is kept as it is.
std::string ToLowerText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 'A' && c <= 'Z') {
            out.push_back(static_cast<char>(c + ('a' - 'A')));
            continue;
        }
        if (c == 0xD0 && i + 1 < text.size()) {
            const auto next = static_cast<unsigned char>(text[i + 1]);
            if (next >= 0x90 && next <= 0x9F) {  // А..П -> а..п
                out.push_back(static_cast<char>(0xD0));
                out.push_back(static_cast<char>(next + 0x20));
                ++i;
                continue;
            }
            if (next >= 0xA0 && next <= 0xAF) {  // Р..Я -> р..я
                out.push_back(static_cast<char>(0xD1));
                out.push_back(static_cast<char>(next - 0x20));
                ++i;
                continue;
            }
            if (next >= 0x80 && next <= 0x8F) {  // Ѐ..Џ (Ё included) -> ѐ..џ
                out.push_back(static_cast<char>(0xD1));
                out.push_back(static_cast<char>(next + 0x10));
                ++i;
                continue;
            }
        }
        out.push_back(static_cast<char>(c));
    }
    return out;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Where the word "sub" of the first procedure declaration begins: at the very start of the script or
// after a blank (a space, a tab or a line break, so a procedure after an "option explicit" line is
// found too). npos when there is none.
std::size_t FindProcedure(const std::string& text) {
    if (text.rfind("sub ", 0) == 0) {
        return 0;
    }
    for (std::size_t at = text.find("sub ", 1); at != std::string::npos; at = text.find("sub ", at + 1)) {
        if (IsBlank(text[at - 1])) {
            return at;
        }
    }
    return std::string::npos;
}

void RemoveAll(std::string& text, const std::string& what) {
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at)) {
        text.erase(at, what.size());
    }
}

// The name of the procedure declared at "sub" position at: what stands between "sub" and the first
// "(" after it; a declaration without parentheses ends with its line, so the name never takes in
// text of the lines below.
std::string ProcedureName(const std::string& text, std::size_t at) {
    const std::size_t begin = at + 3;
    std::size_t end = text.find_first_of("(\r\n", begin);
    if (end == std::string::npos) {
        end = text.size();
    }
    std::string name = text.substr(begin, end - begin);
    RemoveAll(name, " ");
    RemoveAll(name, "\r");
    RemoveAll(name, "\t");
    RemoveAll(name, "\n_");
    RemoveAll(name, "\n");
    return name;
}

std::string GeneratedMacroName() {
    static std::minstd_rand generator{std::random_device{}()};
    std::uniform_int_distribution<int> number(0, 32767);
    return "Start_" + std::to_string(number(generator)) + "_DV1Macro";
}
}  // namespace

void RunVbaScript(const WordSession& session, const std::string& script) {
    std::string code = ToLowerText(script);
    const std::size_t at = FindProcedure(code);
    std::string macro = at == std::string::npos ? std::string() : ProcedureName(code, at);
    if (macro.empty()) {
        macro = GeneratedMacroName();
        code = "public sub " + macro + "()\r\n" + code + "\r\nend sub";
    }

    const AutomationObject project = ObjectProperty(session.document, "VBProject");
    const AutomationObject components = ObjectProperty(project, "VBComponents");
    const AutomationObject component =
        ObjectOf(CallMethod(components, "Add", {AutomationValue::Int(kWordStandardModule)}));
    const AutomationObject module = ObjectProperty(component, "CodeModule");
    // Without access to the document's macro project nothing is inserted, so nothing is run either.
    if (!CallMethodChecked(module, "AddFromString", {TextArgument(code)})) {
        return;
    }
    CallMethodChecked(session.application, "Run", {TextArgument(macro)});
}

}  // namespace docvane
