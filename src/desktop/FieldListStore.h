#pragma once
// Named field lists kept in the settings store, shared by every project.
#include <optional>
#include <string>
#include <vector>

#include "project/FieldDoc.h"

namespace docvane {

class SettingsStore;

inline constexpr const char* kFieldListSection = "ListFields";

// The stored text of a list: one top-level <f><n>name</n><v>value</v>\n</f>\n per field, no root.
std::string FieldListText(const std::vector<FieldDoc>& fields);

// The fields of a stored text, in order; <f> elements without <n> are skipped and a missing <v> reads
// as an empty value. Nothing when the text is not well-formed.
std::optional<std::vector<FieldDoc>> ParseFieldListText(const std::string& text);

// Stored list names, sorted.
std::vector<std::string> StoredFieldListNames(const SettingsStore& store);

// Stores fields under name (cut to 255 characters), replacing a list of that name, and saves the
// store. False for an empty name or when the store could not be saved.
bool StoreFieldList(SettingsStore& store, const std::string& name, const std::vector<FieldDoc>& fields);

// The stored list of that name; nothing when there is none, it is empty or it is not well-formed.
std::optional<std::vector<FieldDoc>> LoadFieldList(const SettingsStore& store, const std::string& name);

// Removes the stored list and saves the store. False when there was none or saving failed.
bool DeleteFieldList(SettingsStore& store, const std::string& name);

}  // namespace docvane
