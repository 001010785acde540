#pragma once
// The two clipboard forms of a project field: a drawing-text field code and a word-processor field.
#include <string>

#include "project/FieldDoc.h"

namespace docvane {

// Clipboard format names the two forms are registered under.
inline constexpr const char* kAcadFieldFormat = "AutoCAD Unicode DText Clipboard Data";
inline constexpr const char* kHtmlFormat = "HTML Format";

// "%<\AcVar CustomDP.name>%": pasted into drawing text, a field showing the custom property.
std::string AcadFieldCode(const FieldDoc& field);

// The same as NUL-terminated UTF-16 (host byte order), as the clipboard carries it.
std::u16string AcadFieldClipboardData(const FieldDoc& field);

// The HTML clipboard text of a DOCPROPERTY field showing field.value, with the header's byte
// positions filled in (ten digits each). Name and value go in as UTF-8, unchanged.
std::string WordFieldHtml(const FieldDoc& field);

}  // namespace docvane
