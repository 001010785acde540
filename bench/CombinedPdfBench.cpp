// Times the whole combined-PDF stage (numbering, menu and links on) against qpdf's bare merge of the
// same inputs, and prints both times, their ratio and the peak memory of each.
//
//   CombinedPdfBench [work-folder [A|B|C]]
#include <podofo/podofo.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "pdf/CombinedPdf.h"
#include "project/DocvaneDoc.h"
#include "run/PublishState.h"

extern char** environ;

namespace fs = std::filesystem;
using namespace PoDoFo;

namespace {

struct Measure {
    double seconds = 0;
    long peakKb = 0;
    bool ok = false;
};

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// One input PDF: A4 pages with lines of text and a vector drawing; with a two-level outline when asked.
void WriteInput(const std::string& path, int pages, bool outline) {
    PdfMemDocument doc;
    PdfFont* font =
        doc.CreateFont("Helvetica", false, false, false, PdfEncodingFactory::GlobalWinAnsiEncodingInstance(),
                       PdfFontCache::eFontCreationFlags_AutoSelectBase14, false);
    for (int p = 0; p < pages; ++p) {
        PdfPage* page = doc.CreatePage(PdfPage::CreateStandardPageSize(ePdfPageSize_A4));
        PdfPainter painter;
        painter.SetPage(page);
        painter.SetStrokeWidth(0.8);
        for (int r = 0; r < 12; ++r) {
            painter.Rectangle(40 + r * 10, 600 - r * 15, 200 - r * 8, 40 + r * 3);
            painter.Stroke();
            painter.DrawLine(40, 100 + r * 20, 555, 120 + r * 18);
            painter.Stroke();
        }
        font->SetFontSize(10);
        painter.SetFont(font);
        for (int line = 0; line < 40; ++line) {
            const std::string text = "Page " + std::to_string(p + 1) + ", line " + std::to_string(line + 1) +
                                     ": the quick brown fox jumps over the lazy dog 0123456789";
            painter.DrawText(50, 780 - line * 16, PdfString(text.c_str()));
        }
        painter.FinishPage();
    }
    if (outline) {
        PdfOutlineItem* root = doc.GetOutlines()->CreateRoot(PdfString("Contents"));
        PdfOutlineItem* chapter = nullptr;
        for (int p = 0; p < pages; ++p) {
            const std::string title = "Section " + std::to_string(p + 1);
            if (p % 5 == 0) {
                chapter = root->CreateChild(PdfString(("Chapter " + std::to_string(p / 5 + 1)).c_str()),
                                            PdfDestination(doc.GetPage(p)));
            }
            chapter->CreateChild(PdfString(title.c_str()), PdfDestination(doc.GetPage(p)));
        }
    }
    doc.Write(path.c_str());
}

// Runs work in a child process so that its peak memory is its own.
template <typename Work>
Measure InChild(Work work) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        return {};
    }
    const pid_t pid = fork();
    if (pid == 0) {
        close(pipeEnds[0]);
        const double start = Now();
        const bool ok = work();
        const double seconds = Now() - start;
        const char flag = ok ? 1 : 0;
        (void)!write(pipeEnds[1], &seconds, sizeof seconds);
        (void)!write(pipeEnds[1], &flag, 1);
        _exit(0);
    }
    close(pipeEnds[1]);
    Measure measure;
    char flag = 0;
    if (read(pipeEnds[0], &measure.seconds, sizeof measure.seconds) == sizeof measure.seconds &&
        read(pipeEnds[0], &flag, 1) == 1) {
        measure.ok = flag != 0;
    }
    close(pipeEnds[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    measure.peakKb = usage.ru_maxrss;
    return measure;
}

Measure RunQpdf(const std::vector<std::string>& inputs, const std::string& out) {
    std::vector<std::string> args = {"qpdf", "--empty", "--pages"};
    args.insert(args.end(), inputs.begin(), inputs.end());
    args.insert(args.end(), {"--", out});
    std::vector<char*> argv;
    for (auto& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    Measure measure;
    const double start = Now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, "qpdf", nullptr, nullptr, argv.data(), environ) != 0) {
        return measure;
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    measure.seconds = Now() - start;
    measure.peakKb = usage.ru_maxrss;
    measure.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return measure;
}

void RunSet(const std::string& root, const char* name, int files, int pages) {
    const std::string folder = root + "/" + name;
    fs::create_directories(folder + "/in");
    fs::create_directories(folder + "/tmp");
    const std::string plain = folder + "/plain.pdf", outlined = folder + "/outlined.pdf";
    if (!fs::exists(plain) || !fs::exists(outlined)) {
        WriteInput(plain, pages, false);
        WriteInput(outlined, pages, true);
    }
    std::vector<std::string> inputs;
    docvane::CDocvaneDoc project;
    project.propertyDoc.projectDir = folder;
    project.propertyDoc.tempDir = folder + "/tmp";
    project.propertyDoc.isNumbering = true;
    project.propertyDoc.hasMenu = true;
    project.pdfFile = docvane::PathDoc(folder + "/combined.pdf", &project);
    for (int i = 0; i < files; ++i) {
        char fileName[64];
        std::snprintf(fileName, sizeof fileName, "/in/File%03d.pdf", i);
        const std::string path = folder + fileName;
        if (!fs::exists(path)) {
            fs::copy_file(i % 2 == 0 ? plain : outlined, path);
        }
        inputs.push_back(path);
        docvane::FileDoc& file = project.AppendFile(path);
        docvane::WordRef ref;
        ref.point1X = 20, ref.point1Y = 250, ref.point2X = 185, ref.point2Y = 8, ref.pageFrom = 1,
        ref.pageTo = 3;
        file.wordRefs.push_back(ref);
    }
    const Measure qpdf = RunQpdf(inputs, folder + "/qpdf.pdf");
    const Measure ours = InChild([&] {
        docvane::GetPublishState().running = true;
        return docvane::BuildCombinedPdf(project);
    });
    std::printf("%-28s %5d pages  stage %6.2f s %6.0f MB %s  qpdf %6.2f s %6.0f MB %s  ratio %.2f\n", name,
                files * pages, ours.seconds, ours.peakKb / 1024.0, ours.ok ? "ok " : "BAD", qpdf.seconds,
                qpdf.peakKb / 1024.0, qpdf.ok ? "ok " : "BAD",
                qpdf.seconds > 0 ? ours.seconds / qpdf.seconds : 0.0);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    PdfError::EnableLogging(false);
    const std::string root = argc > 1 ? argv[1] : (fs::temp_directory_path() / "docvane-bench").string();
    std::printf("inputs under %s\n", root.c_str());
    const std::string only = argc > 2 ? argv[2] : "";  // run one set only: A, B or C
    if (only.empty() || only == "A") {
        RunSet(root, "A-200x5", 200, 5);
    }
    if (only.empty() || only == "B") {
        RunSet(root, "B-20x200", 20, 200);
    }
    if (only.empty() || only == "C") {
        RunSet(root, "C-40x200", 40, 200);
    }
    return 0;
}
