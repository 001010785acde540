#pragma once
// Whether each source needs publishing, and the status texts and colours the file list shows.
#include "project/PathDoc.h"

namespace docvane {

class CDocvaneDoc;
struct FileDoc;

// File status codes.
inline constexpr int kStatusSourceMissing = -1;
inline constexpr int kStatusPdfLocked = -2;
inline constexpr int kStatusEditableLocked = -22;
inline constexpr int kStatusUpToDate = 0;
inline constexpr int kStatusPdfOlder = 1;
inline constexpr int kStatusPdfMissing = 2;
inline constexpr int kStatusNoSheets = 4;
inline constexpr int kStatusEditableOlder = 11;
inline constexpr int kStatusEditableMissing = 12;
inline constexpr int kStatusReferenceNewer = 32;
// The results exist and are newer than the source, but were made from other inputs than those in force
// (the digests recorded by their publication differ).
inline constexpr int kStatusSettingsChanged = 5;
inline constexpr int kStatusFieldsChanged = 6;
inline constexpr int kStatusScriptChanged = 7;
inline constexpr int kStatusSourceReplaced = 8;  // another size or time, not a later one
inline constexpr int kStatusReferencesReplaced = 33;

// Combined status codes besides the files' (the combined PDF exists and every file is up to date).
inline constexpr int kStatusCombinedMissing = 2;
inline constexpr int kStatusCombinedSettingsChanged = 9;
inline constexpr int kStatusFileListChanged = 10;

// Status colours (0x00BBGGRR).
inline constexpr Colour kColourMissing = 0x00CCCCCC;
inline constexpr Colour kColourError = 0x003366FF;
inline constexpr Colour kColourUpToDate = 0x0099FF33;
inline constexpr Colour kColourNeedsPublishing = 0x0099FFFF;
inline constexpr Colour kColourPublishing = 0x00FFCC33;

// Computes the file's status code and sets its status text and colour.
int ComputeStatus(FileDoc& file);

// Computes every file's status, then the combined PDF's (its text and colour go to pdfFile).
int ComputeProjectStatus(CDocvaneDoc& project);

}  // namespace docvane
