#include "desktop/FieldEdits.h"

#include <algorithm>

#include "project/DocvaneDoc.h"

namespace docvane {
namespace {

std::string WithLineFeeds(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            continue;
        }
        out += text[i];
    }
    return out;
}

}  // namespace

EditorText NameEditorText(const std::string& typed) {
    EditorText result;
    result.fieldText = SanitizeFieldName(typed);
    result.shown = result.fieldText;
    result.corrected = result.shown != typed;
    return result;
}

EditorText ValueEditorText(const std::string& typed) {
    EditorText result;
    result.fieldText = SanitizeFieldValue(typed);
    // The cut may fall between CR and LF: half a line break is none.
    if (!result.fieldText.empty() && result.fieldText.back() == '\r') {
        result.fieldText.pop_back();
    }
    // The editor's own line breaks are no correction; only cut or changed characters are.
    result.shown = WithLineFeeds(result.fieldText);
    result.corrected = result.shown != WithLineFeeds(ToCrLf(typed));
    if (!result.corrected) {
        result.shown = typed;
    }
    return result;
}

std::vector<FieldDoc> WithoutNamelessFields(std::vector<FieldDoc> fields) {
    fields.erase(
        std::remove_if(fields.begin(), fields.end(), [](const FieldDoc& f) { return f.name.empty(); }),
        fields.end());
    return fields;
}

bool ApplyEditedFields(CDocvaneDoc& project, const std::vector<FieldDoc>& edited) {
    const bool same = std::equal(
        project.fieldDocs.begin(), project.fieldDocs.end(), edited.begin(), edited.end(),
        [](const FieldDoc& a, const FieldDoc& b) { return a.name == b.name && a.value == b.value; });
    if (same) {
        return false;
    }
    project.fieldDocs = edited;
    project.SetModifiedFlag();
    return true;
}

std::string FieldValueRowText(const std::string& value) {
    std::string row;
    row.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\r' || value[i] == '\n') {
            if (value[i] == '\r' && i + 1 < value.size() && value[i + 1] == '\n') {
                ++i;
            }
            row.append(" \xC2\xB6 ");
        } else {
            row.push_back(value[i]);
        }
    }
    return row;
}

}  // namespace docvane
