#include "support/WorkerTestBed.h"

#include <filesystem>

#include "app/ApplicationSettings.h"
#include "automation/ServerProcess.h"
#include "automation/word/WordSession.h"
#include "run/PublishState.h"
#include "support/PdfFixtures.h"
#include "worker/PublishWorker.h"

namespace docvane::test {

WorkerTest::WorkerTest() {
    AcadSession& acad = GetAcadSession();
    acad.SetProcessStarter(bed.starter);
    acad.SetLimits(bed.session.Limits());
    acad.SetPrompt([](const std::string&, const std::string&) { return PromptAnswer::Cancel; });
    bed.configureStarted = [this](FakeAcadServer& server) {
        for (const auto& [path, drawing] : drawings) {
            server.AddDrawing(path, drawing);
        }
    };
    SetOpenCombinedPdfAction([this](const std::string& path) { opened.push_back(path); });
    GetPublishState().running = false;
    project.SetPathName(bed.dir / "project.dv1");
    WriteFile(bed.dir / "project.dv1", "<docvane/>");
    project.propertyDoc.projectDir = bed.dir.Path();
    project.propertyDoc.tempDir = bed.dir / "tmp";
    SetPath(project.pdfDir, Out("PDF"));
    SetPath(project.editDir, Out("EDIT"));
    SetPath(project.pdfFile, Out("All.pdf"));
}

WorkerTest::~WorkerTest() {
    AcadSession& acad = GetAcadSession();
    acad.QuitAcad(false);
    acad.SetProcessStarter(nullptr);
    acad.SetLimits(AcadLimits{});
    acad.SetPrompt(AnswerCancel);
    GetWordSession().Release();
    SetOpenCombinedPdfAction({});
}

FileDoc& WorkerTest::AddPdf(const std::string& name, std::int64_t mtime) {
    std::filesystem::create_directories(std::filesystem::path(Src(name)).parent_path());
    WriteFixturePdf(Src(name), 1, name);
    SetModificationTime(Src(name), mtime);
    return project.AppendFile(Src(name));
}

FileDoc& WorkerTest::AddDrawing(const std::string& name, const std::vector<std::string>& sheets,
                                std::int64_t mtime) {
    WriteFile(Src(name), "drawing " + name, mtime);
    drawings[Src(name)] = DrawingWithSheets(sheets);
    return project.AppendFile(Src(name));
}

FileDoc& WorkerTest::AddWordDocument(const std::string& name, std::int64_t mtime) {
    WriteFile(Src(name), "document " + name, mtime);
    word.AddDocument(Src(name));
    return project.AppendFile(Src(name));
}

std::vector<std::string> WorkerTest::Publish(bool fast) {
    bed.channel.Clear();
    PublishWorker(&project, fast);
    return bed.channel.Texts();
}

}  // namespace docvane::test
