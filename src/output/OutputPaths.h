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
// Temporary results live in the file's temporary folder (TempFolderOf).
std::string PdfTempPath(const FileDoc& file, int sheet);
std::string EditableTempPath(const FileDoc& file, int sheet);
std::string ReferenceTargetPath(const XrefFile& ref);
// The folder references are copied into: editDir joined with xrefDir.
std::string ReferenceFolder(const CDocvaneDoc& project);

// The folder of the file's temporary results: the project's temporary folder, or the folder of the
// calling thread's ScopedTempFolder; empty when the project has no temporary folder.
std::string TempFolderOf(const FileDoc& file);

// While it lives, the calling thread's temporary results go into folder instead of the project's
// temporary folder: files published at the same time, even two sources of the same name, each keep
// their results apart until the run takes them over in list order.
class ScopedTempFolder {
  public:
    explicit ScopedTempFolder(std::string folder);
    ~ScopedTempFolder();
    ScopedTempFolder(const ScopedTempFolder&) = delete;
    ScopedTempFolder& operator=(const ScopedTempFolder&) = delete;

  private:
    std::string folder_;
    const std::string* outer_;
};

// The sheet indexes of a file: 0..k-1 for a drawing while splitIntoLayouts is on, otherwise just -1.
std::vector<int> SheetIndexes(const FileDoc& file);

}  // namespace docvane
