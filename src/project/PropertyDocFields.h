#pragma once
// The project settings as the project file holds them: one description of every field, read by the
// project reader and written by the writer.
#include <span>
#include <string>
#include <variant>

#include "project/PropertyDoc.h"

namespace docvane {

struct PropertyDocField {
    // The element path below "propertyDoc" ("general/numberingPdf") and the field's element name.
    const char* parent;
    const char* name;
    // The field inside the project settings. Every flag and number is a publication option, whose
    // application setting stands in for a text that does not read as one.
    std::variant<bool& (*)(PropertyDoc&), int& (*)(PropertyDoc&), std::string& (*)(PropertyDoc&)> field;
    // Line ends are CR LF in memory (the scripts are sent as typed).
    bool crLf = false;
    // Written only when true, so that files of projects that never set it stay as they were.
    bool onlyWhenTrue = false;
};

// Every field in the order the writer writes them.
std::span<const PropertyDocField> PropertyDocFields();

}  // namespace docvane
