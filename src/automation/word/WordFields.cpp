#include <cstdint>

#include "automation/Automation.h"
#include "automation/word/WordContent.h"
#include "automation/word/WordSession.h"
#include "automation/word/WordValues.h"

namespace docvane {

namespace {
void UpdateFieldsOf(const AutomationObject& owner) {
    CallMethodChecked(ObjectProperty(owner, "Fields"), "Update");
}

// Every existing header (or footer) of one collection of a section.
void UpdateHeadersFooters(const AutomationObject& collection) {
    const std::int64_t count = CountProperty(collection);
    for (std::int64_t h = 1; h <= count; ++h) {
        const AutomationObject entry = ItemOf(collection, static_cast<std::int32_t>(h));
        if (GetProperty(entry, "Exists").AsFlag()) {
            UpdateFieldsOf(ObjectProperty(entry, "Range"));
        }
    }
}
}  // namespace

void UpdateWordFields(const WordSession& session) {
    const AutomationObject& document = session.document;
    UpdateFieldsOf(document);

    const AutomationObject shapes = ObjectProperty(document, "Shapes");
    const std::int64_t shapeCount = IntegerOf(CallMethod(shapes, "Count"));
    for (std::int64_t i = 1; i <= shapeCount; ++i) {
        const AutomationObject shape = ObjectOf(GetPropertyAt(shapes, "Item", static_cast<std::int32_t>(i)));
        const AutomationObject frame = ObjectProperty(shape, "TextFrame");
        const AutomationObject range = ObjectProperty(frame, "TextRange");
        if (!range.IsNull()) {
            UpdateFieldsOf(range);
        }
    }

    const AutomationObject sections = ObjectProperty(document, "Sections");
    const std::int64_t sectionCount = CountProperty(sections);
    for (std::int64_t s = 1; s <= sectionCount; ++s) {
        const AutomationObject section = ItemOf(sections, static_cast<std::int32_t>(s));
        UpdateHeadersFooters(ObjectProperty(section, "Headers"));
        UpdateHeadersFooters(ObjectProperty(section, "Footers"));
    }
}

}  // namespace docvane
