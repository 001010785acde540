#pragma once
// Small helpers over TinyXML-2 shared by the project reader and the legacy importer.
#include <tinyxml2.h>

#include <string>

namespace docvane {

// The element's text with comments inside it skipped; empty when there is none.
std::string ElementText(const tinyxml2::XMLElement* element);

// The leading decimal integer of text (optional sign); 0 when there are no digits.
int LeadingInteger(const std::string& text);

// The leading decimal floating-point number of text; 0 when there is none.
float LeadingFloat(const std::string& text);

}  // namespace docvane
