// Times the whole command `docvane-cli publish --full` of a project of N one-page ready PDFs against
// qpdf's bare merge of the same files, and prints both times (medians, with their ranges),
// their ratio and the time per file, as wall-clock and as processor time.
//
//   PublishRunBench [work-folder [N ...]]     (default N: 200 1000 2000)
#include <fcntl.h>
#include <podofo/podofo.h>
#include <spawn.h>
#include <sys/resource.h>
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

// Wall-clock and processor seconds (user and system) of one run; both -1 when it failed.
struct Timing {
    double wall = -1;
    double cpu = -1;
};

// Runs the program with standard output and error thrown away.
Timing Run(std::vector<std::string> args, int* exitStatus = nullptr) {
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
        return {};
    }
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    const double seconds = Now() - start;
    if (exitStatus != nullptr) {
        *exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return {};
    }
    const auto toSeconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return {seconds, toSeconds(usage.ru_utime) + toSeconds(usage.ru_stime)};
}

// The middle value and the range of three or more.
struct Spread {
    double median = -1;
    double low = -1;
    double high = -1;
};

Spread SpreadOf(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return {values[values.size() / 2], values.front(), values.back()};
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
    // The machine is shared: each side runs several times, alternating, and the median counts (short
    // runs more often: a tenth of a second is easily disturbed). Processor time is printed too: unlike
    // the wall clock it hardly moves with other load.
    std::vector<double> bareWall, bareCpu, ourWall, ourCpu;
    int exitStatus = 0;
    const int rounds = files <= 500 ? 11 : 3;
    for (int round = 0; round < rounds; ++round) {
        const Timing bare = Run(qpdf);
        const Timing ours =
            Run({DOCVANE_CLI, "publish", folder + "/p.dv1", "--full", "--no-save"}, &exitStatus);
        if (ours.wall < 0) {
            std::printf("%5d files  publish FAILED (exit %d)\n", files, exitStatus);
            return;
        }
        bareWall.push_back(bare.wall);
        bareCpu.push_back(bare.cpu);
        ourWall.push_back(ours.wall);
        ourCpu.push_back(ours.cpu);
    }
    const Spread ours = SpreadOf(ourWall);
    const Spread bare = SpreadOf(bareWall);
    const Spread ourProcessor = SpreadOf(ourCpu);
    const Spread bareProcessor = SpreadOf(bareCpu);
    std::printf(
        "%5d files  publish --full %6.2f s (%5.2f ms/file, %.2f-%.2f)  qpdf --empty --pages %6.2f s"
        " (%5.2f ms/file, %.2f-%.2f)  ratio %.2f\n"
        "             processor    %6.2f s (%5.2f ms/file, %.2f-%.2f)                       %6.2f s"
        " (%5.2f ms/file, %.2f-%.2f)  ratio %.2f\n",
        files, ours.median, 1000.0 * ours.median / files, ours.low, ours.high, bare.median,
        1000.0 * bare.median / files, bare.low, bare.high, bare.median > 0 ? ours.median / bare.median : 0.0,
        ourProcessor.median, 1000.0 * ourProcessor.median / files, ourProcessor.low, ourProcessor.high,
        bareProcessor.median, 1000.0 * bareProcessor.median / files, bareProcessor.low, bareProcessor.high,
        bareProcessor.median > 0 ? ourProcessor.median / bareProcessor.median : 0.0);
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
