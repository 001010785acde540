// Times the whole command `docvane-cli publish --full` of a project of N one-page ready PDFs against
// qpdf's bare merge of the same files, and prints both times (medians of three), their ratio and the
// time per file.
//
//   PublishRunBench [work-folder [N ...]]     (default N: 200 1000 2000)
#include <fcntl.h>
#include <podofo/podofo.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;
using namespace PoDoFo;

namespace {

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// One A4 page with a few lines of text and a frame, as a small exported sheet looks.
void WriteOnePage(const std::string& path) {
    PdfMemDocument doc;
    PdfFont* font =
        doc.CreateFont("Helvetica", false, false, false, PdfEncodingFactory::GlobalWinAnsiEncodingInstance(),
                       PdfFontCache::eFontCreationFlags_AutoSelectBase14, false);
    PdfPage* page = doc.CreatePage(PdfPage::CreateStandardPageSize(ePdfPageSize_A4));
    PdfPainter painter;
    painter.SetPage(page);
    painter.Rectangle(20, 20, 555, 802);
    painter.Stroke();
    font->SetFontSize(10);
    painter.SetFont(font);
    for (int line = 0; line < 20; ++line) {
        painter.DrawText(50, 780 - line * 16, PdfString("Sheet text, line of a title block 0123456789"));
    }
    painter.FinishPage();
    doc.Write(path.c_str());
}

// Runs the program with standard output and error thrown away; seconds, or -1 when it failed.
double Run(std::vector<std::string> args, int* exitStatus = nullptr) {
    std::vector<char*> argv;
    for (auto& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const double start = Now();
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        return -1;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    const double seconds = Now() - start;
    if (exitStatus != nullptr) {
        *exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
}

void RunSize(const std::string& root, int files) {
    const std::string folder = root + "/run-" + std::to_string(files);
    fs::create_directories(folder + "/in");
    const std::string sample = root + "/one-page.pdf";
    if (!fs::exists(sample)) {
        WriteOnePage(sample);
    }
    std::vector<std::string> inputs;
    std::string project =
        "<docvane><pdfFile><fileRelativePath>.\\All.pdf</fileRelativePath></pdfFile>"
        "<pdfDir><dirRelativePath>.\\PDF</dirRelativePath></pdfDir><fileDocs>";
    for (int i = 0; i < files; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "Sheet%04d.pdf", i);
        const std::string path = folder + "/in/" + name;
        if (!fs::exists(path)) {
            fs::copy_file(sample, path);
        }
        inputs.push_back(path);
        project += std::string("<fileDoc><fileRelativePath>.\\in\\") + name + "</fileRelativePath></fileDoc>";
    }
    project += "</fileDocs></docvane>";
    std::ofstream(folder + "/p.dv1", std::ios::binary) << project;

    std::vector<std::string> qpdf = {"qpdf", "--empty", "--pages"};
    qpdf.insert(qpdf.end(), inputs.begin(), inputs.end());
    qpdf.insert(qpdf.end(), {"--", folder + "/qpdf.pdf"});
    // The machine is shared: each side runs three times, alternating, and the median counts.
    std::vector<double> bareTimes;
    std::vector<double> ourTimes;
    int exitStatus = 0;
    for (int round = 0; round < 3; ++round) {
        bareTimes.push_back(Run(qpdf));
        ourTimes.push_back(
            Run({DOCVANE_CLI, "publish", folder + "/p.dv1", "--full", "--no-save"}, &exitStatus));
    }
    std::sort(bareTimes.begin(), bareTimes.end());
    std::sort(ourTimes.begin(), ourTimes.end());
    const double bare = bareTimes[1];
    const double ours = ourTimes[0] < 0 ? -1 : ourTimes[1];
    if (ours < 0) {
        std::printf("%5d files  publish FAILED (exit %d)\n", files, exitStatus);
        return;
    }
    std::printf(
        "%5d files  publish --full %6.2f s (%5.2f ms/file)  qpdf --empty --pages %6.2f s (%5.2f ms/file)"
        "  ratio %.2f\n",
        files, ours, 1000.0 * ours / files, bare, 1000.0 * bare / files, bare > 0 ? ours / bare : 0.0);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    PdfError::EnableLogging(false);
    const std::string root = argc > 1 ? argv[1] : (fs::temp_directory_path() / "docvane-run-bench").string();
    std::printf("inputs under %s\n", root.c_str());
    std::vector<int> sizes;
    for (int i = 2; i < argc; ++i) {
        sizes.push_back(std::atoi(argv[i]));
    }
    if (sizes.empty()) {
        sizes = {200, 1000, 2000};
    }
    for (const int files : sizes) {
        if (files > 0) {
            RunSize(root, files);
        }
    }
    return 0;
}
