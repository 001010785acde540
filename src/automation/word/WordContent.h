#pragma once
// What the publish worker does to an open word-processor document between opening and exporting it,
// in this order: properties, user script, fields, contents tables. None of these logs anything; a
// failing call skips what depends on it.
#include <string>
#include <vector>

#include "project/FieldDoc.h"
#include "project/FileDoc.h"

namespace docvane {

class WordSession;

// Word's published constants as the content operations send them.
inline constexpr int kWordPropertyTypeText = 4;
inline constexpr int kWordStandardModule = 1;
inline constexpr int kWordInfoPageNumber = 3;
inline constexpr int kWordInfoHorizontalPosition = 5;
inline constexpr int kWordInfoVerticalPosition = 6;
// Word lengths are points; the contents links are kept in millimetres.
inline constexpr double kWordPointsPerMillimetre = 2.835;

// How often a property value that Word reports back differently is written again before the
// property is left as Word keeps it, and the pause before each new attempt.
inline constexpr int kPropertyWriteRetries = 10;
inline constexpr int kPropertyRetryPauseMs = 50;

// Writes the fields as custom text properties: existing properties of the same name are updated,
// then every field is added (Word refuses names that already exist).
void WriteDocumentProperties(const WordSession& session, const std::vector<FieldDoc>& fields);

// Inserts the script, in lower case, as a new standard module of the document and runs its first
// procedure; a script without one is wrapped in a generated procedure first.
void RunVbaScript(const WordSession& session, const std::string& script);

// Updates the fields of the body, of text boxes and of the existing headers and footers.
void UpdateWordFields(const WordSession& session);

// Rebuilds refs from the rows of the document's contents tables that name a page.
void ScanContentsTables(const WordSession& session, std::vector<WordRef>& refs);

}  // namespace docvane
