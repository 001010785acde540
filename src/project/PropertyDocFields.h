#pragma once
// The project settings as the project file holds them: one description of every field, read by the
// project reader, written by the writer and copied from the application settings into a new project.
#include <cstddef>
#include <span>
#include <string>
#include <variant>

#include "app/ApplicationSettings.h"
#include "project/PropertyDoc.h"

namespace docvane {

struct PropertyDocField {
    // The element path below "propertyDoc" ("general/numberingPdf") and the field's element name.
    const char* parent;
    const char* name;
    // The field inside the project settings.
    std::variant<bool& (*)(PropertyDoc&), int& (*)(PropertyDoc&), std::string& (*)(PropertyDoc&)> field;
    // The application setting a new project starts from, which also stands in for an unreadable flag or
    // number; null for the scripts, which are the project's own.
    std::variant<std::nullptr_t, bool ApplicationSettings::*, int ApplicationSettings::*,
                 std::string ApplicationSettings::*>
        setting;
    // Line ends are CR LF in memory (the scripts are sent as typed).
    bool crLf = false;
    // Written only when true, so that files of projects that never set it stay as they were.
    bool onlyWhenTrue = false;
};

// Every field in the order the writer writes them.
std::span<const PropertyDocField> PropertyDocFields();

}  // namespace docvane
