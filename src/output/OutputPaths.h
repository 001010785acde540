#pragma once
// Where the published files of a source live. Sheet index -1 stands for the whole file.
#include <string>
#include <vector>

namespace docvane {

class CDocvaneDoc;
struct FileDoc;
struct XrefFile;

std::string PdfName(const FileDoc& file, int sheet);
std::string EditableName(const FileDoc& file, int sheet);

std::string PdfOutputPath(const FileDoc& file, int sheet);       // empty without pdfDir
std::string EditableOutputPath(const FileDoc& file, int sheet);  // empty without editDir
std::string PdfTempPath(const FileDoc& file, int sheet);
std::string EditableTempPath(const FileDoc& file, int sheet);
std::string ReferenceTargetPath(const XrefFile& ref);
// The folder references are copied into: editDir joined with xrefDir.
std::string ReferenceFolder(const CDocvaneDoc& project);

// The sheet indexes of a file: 0..k-1 for a drawing while splitIntoLayouts is on, otherwise just -1.
std::vector<int> SheetIndexes(const FileDoc& file);

}  // namespace docvane
