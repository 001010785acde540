#pragma once
// A project set up for the combined-PDF stage: folders in a temporary directory, isolated settings,
// a recording log channel and the publication marked as running.
#include <string>
#include <vector>

#include "project/DocvaneDoc.h"
#include "support/TestSupport.h"

namespace docvane::test {

class StageProject {
  public:
    StageProject();
    ~StageProject();
    StageProject(const StageProject&) = delete;
    StageProject& operator=(const StageProject&) = delete;

    CDocvaneDoc& Project() { return project_; }
    PropertyDoc& Settings() { return project_.propertyDoc; }
    const std::string& Folder() const { return dir_.Path(); }
    std::string TempFolder() const { return dir_ / "tmp"; }
    std::string PdfFolder() const { return dir_ / "pdf"; }
    std::string SourceFolder() const { return dir_ / "src"; }
    const std::string& CombinedPath() const { return project_.pdfFile.fullPath; }

    // A source file entry (name with extension, in the source folder); no file is written.
    FileDoc& AddSource(const std::string& name);
    // A ready-PDF source whose published copy is in the temporary folder with n pages "prefix k".
    FileDoc& AddPublishedPdf(const std::string& name, int pages, const std::string& prefix);

    std::vector<std::string> Log() const { return channel_.Texts(); }
    // The recorded lines that carry the error prefix.
    std::vector<std::string> Errors() const;
    bool LogHas(const std::string& line) const;

  private:
    IsolatedSettings settings_;
    TempDir dir_;
    RecordingChannel channel_;
    CDocvaneDoc project_;
};

}  // namespace docvane::test
