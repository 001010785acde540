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
