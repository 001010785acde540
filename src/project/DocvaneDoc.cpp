#include "project/DocvaneDoc.h"

#include "app/ApplicationSettings.h"

namespace docvane {

CDocvaneDoc::CDocvaneDoc() : CDocvaneDoc(AppSettings()) {}

CDocvaneDoc::CDocvaneDoc(const ApplicationSettings& settings) {
    static_cast<PublicationOptions&>(propertyDoc) = settings;  // a new project takes the options in force
    propertyDoc.tempDir = tempFolder_.Path();
    pdfDir.owner = this;
    editDir.owner = this;
    pdfFile.owner = this;
}

FileDoc& CDocvaneDoc::AppendFile(const std::string& pathText) {
    fileDocs.push_back(std::make_unique<FileDoc>(pathText, this));
    return *fileDocs.back();
}

FileDoc& CDocvaneDoc::InsertFile(std::size_t index, const std::string& pathText) {
    if (index >= fileDocs.size()) {
        return AppendFile(pathText);
    }
    auto it = fileDocs.insert(fileDocs.begin() + static_cast<std::ptrdiff_t>(index),
                              std::make_unique<FileDoc>(pathText, this));
    return **it;
}

void CDocvaneDoc::RemoveFile(std::size_t index) {
    if (index < fileDocs.size()) {
        fileDocs.erase(fileDocs.begin() + static_cast<std::ptrdiff_t>(index));
    }
}

void CDocvaneDoc::AddField(const std::string& name, const std::string& value) {
    fieldDocs.push_back(MakeField(name, value));
}

}  // namespace docvane
