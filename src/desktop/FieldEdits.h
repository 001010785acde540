#pragma once
// Edits of the fields dialog's working copy and its hand-over to the project.
#include <cstddef>
#include <string>
#include <vector>

#include "project/FieldDoc.h"

namespace docvane {

class CDocvaneDoc;

// What an in-place editor shows after the user typed text into it, and the field text it stands for.
struct EditorText {
    std::string shown;       // the editor's text after the rule (line feeds for line breaks)
    std::string fieldText;   // the name or value the field takes
    bool corrected = false;  // shown differs from what was typed: put it back into the editor
};

// The name rule applied to typed text: forbidden characters vanish, at most 255 characters.
EditorText NameEditorText(const std::string& typed);

// The value rule applied to typed text: the field holds CR LF line breaks, the editor keeps its own
// line feeds; at most 255 characters counted in the field's form.
EditorText ValueEditorText(const std::string& typed);

// A value as one row of the field list shows it: each line break (CR LF, LF or CR) becomes " ¶ ".
std::string FieldValueRowText(const std::string& value);

// Moves the entry at from to the drop position to (counted before the move: the entry is inserted
// before the entry that was at to). Returns the entry's new index; out-of-range indices move nothing.
template <typename T>
std::size_t MoveEntry(std::vector<T>& entries, std::size_t from, std::size_t to) {
    if (from >= entries.size()) {
        return from;
    }
    to = to > entries.size() ? entries.size() : to;
    T moved = std::move(entries[from]);
    entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(from));
    const std::size_t at = to > from ? to - 1 : to;
    entries.insert(entries.begin() + static_cast<std::ptrdiff_t>(at), std::move(moved));
    return at;
}

// The working copy as "ОК" hands it over: nameless fields removed.
std::vector<FieldDoc> WithoutNamelessFields(std::vector<FieldDoc> fields);

// Replaces the project's fields by edited when they differ (count, then names and values position by
// position) and marks the project modified. True when the project changed.
bool ApplyEditedFields(CDocvaneDoc& project, const std::vector<FieldDoc>& edited);

}  // namespace docvane
