#pragma once
// A project: its settings, output locations, source files and custom fields.
#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "base/TempFolders.h"
#include "project/FieldDoc.h"
#include "project/FileDoc.h"
#include "project/PathDoc.h"
#include "project/PropertyDoc.h"
#include "project/PublishedDigest.h"

namespace docvane {

struct ApplicationSettings;

class CDocvaneDoc {
  public:
    // A new empty project with the application settings in force (the process-wide record).
    CDocvaneDoc();
    explicit CDocvaneDoc(const ApplicationSettings& settings);
    // Entries point at their project, so a project never moves.
    CDocvaneDoc(const CDocvaneDoc&) = delete;
    CDocvaneDoc& operator=(const CDocvaneDoc&) = delete;

    PropertyDoc propertyDoc;
    DirDoc pdfDir;
    DirDoc editDir;
    PathDoc pdfFile;
    // What the combined PDF was made from, recorded by the run that built it.
    PublishedDigest pdfFilePublishedFrom;
    // Files are held by pointer so that references keep pointing at their owning file while the
    // list grows, shrinks and is reordered.
    std::vector<std::unique_ptr<FileDoc>> fileDocs;
    std::vector<FieldDoc> fieldDocs;

    std::size_t FileCount() const { return fileDocs.size(); }
    FileDoc& File(std::size_t index) { return *fileDocs.at(index); }
    const FileDoc& File(std::size_t index) const { return *fileDocs.at(index); }
    FileDoc& AppendFile(const std::string& pathText);
    // Later files move down; an index past the end appends.
    FileDoc& InsertFile(std::size_t index, const std::string& pathText);
    void RemoveFile(std::size_t index);

    void AddField(const std::string& name, const std::string& value);

    // The framework's part: where the project is stored and whether it has unsaved changes.
    const std::string& PathName() const { return pathName_; }
    void SetPathName(const std::string& path) { pathName_ = path; }
    bool IsModified() const { return modified_; }
    void SetModifiedFlag(bool modified = true) { modified_ = modified; }

    // The project's own temporary folder (propertyDoc.tempDir unless changed): made when the project
    // is, removed with it.
    const ProjectTempFolder& TempFolder() const { return tempFolder_; }

  private:
    ProjectTempFolder tempFolder_;
    std::string pathName_;
    std::atomic<bool> modified_ = false;
};

}  // namespace docvane
