#pragma once
// The built-in defaults of every setting: the application settings start from them, and so does a
// project made before any settings were loaded (the project's own copy of the publishing options).
namespace docvane::defaults {

// Directories
inline constexpr const char* kEditDirName = "EDIT";
inline constexpr const char* kPdfDirName = "PDF";
inline constexpr const char* kXref = "Ссылки";
inline constexpr bool kClearExitDir = true;
// CombinePdf
inline constexpr bool kIsCombine = true;
inline constexpr bool kHasMenu = true;
inline constexpr bool kOpenAfterPublic = true;
inline constexpr bool kPdfA = false;  // the combined PDF as PDF/A-1b
// NumberingPdf
inline constexpr bool kIsNumbering = true;
inline constexpr int kStartPage = 2;
inline constexpr int kPageFrom = 3;
inline constexpr int kPosX = 10;
inline constexpr int kPosY = 8;
inline constexpr int kFontHeight = 12;
inline constexpr const char* kFontName = "Times New Roman";
// Autocad_Path (exePath has no fixed default: it is looked up when the settings are loaded)
inline constexpr const char* kXrefDir = "Refs";
inline constexpr bool kInsertXrefs = true;
inline constexpr bool kCopyXrefs = true;
// Autocad_General
inline constexpr const char* kFileFormat = "2010";
inline constexpr bool kClearComments = true;
inline constexpr bool kSplitIntoLayouts = false;
// Word_General
inline constexpr bool kLockComments = false;
inline constexpr bool kReadOnlyRecommended = false;
inline constexpr bool kEmbedTrueTypeFonts = false;
inline constexpr bool kSaveNativePictureFormat = true;
inline constexpr bool kRefreshFields = true;
inline constexpr bool kToggleFormsDesign = true;
inline constexpr bool kTrustProjectFolder = false;

}  // namespace docvane::defaults
