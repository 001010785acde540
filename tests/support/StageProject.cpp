#include "support/StageProject.h"

#include <algorithm>
#include <filesystem>

#include "output/OutputPaths.h"
#include "run/PublishState.h"
#include "support/PdfFixtures.h"

namespace docvane::test {

StageProject::StageProject() {
    std::filesystem::create_directories(TempFolder());
    std::filesystem::create_directories(PdfFolder());
    std::filesystem::create_directories(SourceFolder());
    std::filesystem::create_directories(dir_ / "out");
    project_.propertyDoc.projectDir = dir_.Path();
    project_.propertyDoc.tempDir = TempFolder();
    project_.SetPathName(dir_ / "project.dv1");
    project_.pdfDir = DirDoc(PdfFolder(), &project_);
    project_.pdfFile = PathDoc(dir_ / "out/combined.pdf", &project_);
    GetPublishState().running = true;
    GetPublishState().severity = 0;
}

StageProject::~StageProject() {
    GetPublishState().running = false;
}

FileDoc& StageProject::AddSource(const std::string& name) {
    return project_.AppendFile(SourceFolder() + "/" + name);
}

FileDoc& StageProject::AddPublishedPdf(const std::string& name, int pages, const std::string& prefix) {
    FileDoc& file = AddSource(name);
    WriteFixturePdf(PdfTempPath(file, -1), pages, prefix);
    return file;
}

std::vector<std::string> StageProject::Errors() const {
    std::vector<std::string> errors;
    for (const std::string& line : channel_.Texts()) {
        if (line.rfind("[X] ", 0) == 0) {
            errors.push_back(line);
        }
    }
    return errors;
}

bool StageProject::LogHas(const std::string& line) const {
    const auto lines = channel_.Texts();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

}  // namespace docvane::test
