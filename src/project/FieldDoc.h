#pragma once
#include <cstddef>
#include <string>

namespace docvane {

// One custom field written into every published document. The name holds none of the characters a
// property name may not contain; the value has CR LF line breaks; both are at most 255 characters.
struct FieldDoc {
    std::string name;
    std::string value;
};

// The two rules applied to every field however it is created.
std::string SanitizeFieldName(const std::string& raw);
std::string SanitizeFieldValue(const std::string& raw);
FieldDoc MakeField(const std::string& name, const std::string& value);

// Every line break of text as CR LF (a lone CR, a lone LF and LF CR each count as one break).
std::string ToCrLf(const std::string& text);

// The number of characters (not bytes) of UTF-8 text.
std::size_t CharacterCount(const std::string& text);

// Cuts UTF-8 text to at most count characters without splitting a character.
std::string CutToCharacters(const std::string& text, std::size_t count);

}  // namespace docvane
