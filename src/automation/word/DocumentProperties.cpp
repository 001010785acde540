#include <chrono>
#include <cstdint>
#include <optional>

#include "automation/Automation.h"
#include "automation/word/WordContent.h"
#include "automation/word/WordSession.h"
#include "automation/word/WordValues.h"
#include "run/Clock.h"

namespace docvane {

namespace {
const FieldDoc* FindField(const std::vector<FieldDoc>& fields, const std::string& name) {
    for (const FieldDoc& field : fields) {
        if (field.name == name) {
            return &field;
        }
    }
    return nullptr;
}

bool ReadsBackAs(const AutomationObject& property, const std::string& expected) {
    const std::optional<std::string> text = TextOf(GetProperty(property, "Value"));
    return text.has_value() && *text == expected;
}

// Word sometimes reports a fresh value only after a moment; a value it never reports back (longer
// than it stores, or not text at all) is given up after a bounded number of attempts, keeping what
// Word holds.
void SetTextValue(const AutomationObject& property, const std::string& value) {
    PutProperty(property, "Type", AutomationValue::Int(kWordPropertyTypeText));
    PutProperty(property, "Value", TextArgument(value));
    bool stored = ReadsBackAs(property, value);
    for (int attempt = 0; !stored && attempt < kPropertyWriteRetries; ++attempt) {
        GetClock().SleepFor(std::chrono::milliseconds(kPropertyRetryPauseMs));
        PutProperty(property, "Value", TextArgument(value));
        stored = ReadsBackAs(property, value);
    }
}
}  // namespace

void WriteDocumentProperties(const WordSession& session, const std::vector<FieldDoc>& fields) {
    const AutomationObject& document = session.document;
    {
        const AutomationObject properties = ObjectProperty(document, "CustomDocumentProperties");
        const std::int64_t count = CountProperty(properties);
        for (std::int64_t k = 1; k <= count; ++k) {
            const AutomationObject property =
                ObjectOf(GetPropertyAt(document, "CustomDocumentProperties", static_cast<std::int32_t>(k)));
            const std::optional<std::string> name = TextOf(GetProperty(property, "Name"));
            const FieldDoc* field = name ? FindField(fields, *name) : nullptr;
            if (field != nullptr) {
                SetTextValue(property, field->value);
            }
        }
    }
    for (const FieldDoc& field : fields) {
        const AutomationObject properties = ObjectProperty(document, "CustomDocumentProperties");
        CallMethod(properties, "Add",
                   {TextArgument(field.name), AutomationValue::Int(0),
                    AutomationValue::Int(kWordPropertyTypeText), TextArgument(field.value)});
    }
}

}  // namespace docvane
