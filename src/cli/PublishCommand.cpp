#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>

#include "app/ParallelJobs.h"
#include "base/AtomicFile.h"
#include "base/PathUtils.h"
#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "cli/ConsoleChannel.h"
#include "cli/RunReport.h"
#include "output/FileOperations.h"
#include "output/OutputSafety.h"
#include "output/ProjectDocument.h"
#include "pdf/CombinedPdfSummary.h"
#include "project/DocvaneDoc.h"
#include "run/Clock.h"
#include "run/MainWindowChannel.h"
#include "run/PublishState.h"
#include "worker/PublishWorker.h"
#include "worker/StopControl.h"

namespace docvane::cli {

namespace {

// Sent by the worker to the waiting thread when the run is over.
constexpr int kRunEndedSignal = SIGUSR1;

// The command line's run sink: the console channel plus what the main window does when a run ends
// (the stop timer stops). It also keeps the run's outcome as it stood when the run ended, so that lines
// printed later (a late Ctrl+C) cannot change the exit status.
class PublishConsole : public ConsoleChannel {
  public:
    explicit PublishConsole(StopControl& stop, RunReport* report = nullptr) : stop_(stop), report_(report) {}
    void LogLine(LogKind kind, const std::string& line) override {
        ConsoleChannel::LogLine(kind, line);
        if (report_ != nullptr) {
            report_->OnLine(static_cast<int>(kind), line);
        }
    }
    void RefreshViews(CDocvaneDoc*) override {
        if (report_ != nullptr) {
            report_->OnViewsRefreshed();
        }
    }
    void FileWorkedAside(std::size_t index, std::chrono::steady_clock::duration worked) override {
        if (report_ != nullptr) {
            report_->OnFileWorkedAside(index, worked);
        }
    }
    void ElapsedTime(bool show) override {
        if (!show) {
            stop_.RunEnded();
        }
    }
    void PublishStateChanged(RunState state) override {
        if (state == kRunEnded) {
            endSeverity_ = GetPublishState().severity.load();
        }
    }
    // The severity of the run when it ended; -1 when no run started or it never ended.
    int EndSeverity() const { return endSeverity_.load(); }

  private:
    StopControl& stop_;
    RunReport* report_;
    std::atomic<int> endSeverity_ = -1;
};

// A run that never started (no files) or never ended is an error; otherwise the worst line decides.
int ExitStatusOf(int endSeverity) {
    switch (endSeverity) {
        case 0:
            return kExitOk;
        case 2:
            return kExitNeedsPublishing;  // 3: finished with warnings
        default:
            return kExitError;
    }
}

struct Options {
    std::string project;
    std::string combinedPdf;
    std::string report;
    bool full = false;
    bool save = true;
    bool pdfA = false;
    int jobs = 0;  // 0: the application setting
};

// A whole number from 1 up, in decimal digits only; 0 when text is anything else.
int JobsOf(const std::string& text) {
    if (text.empty() || text.size() > 4 || text.find_first_not_of("0123456789") != std::string::npos) {
        return 0;
    }
    return std::stoi(text);
}

void PrintPublishUsage(std::FILE* out) {
    std::fputs(
        "Usage: docvane-cli publish PROJECT.dv1 [--full] [--combined-pdf PATH] [--no-save] [--pdfa]\n"
        "                       [--report FILE.json] [--jobs N]\n"
        "  --full               republish every file (default: only files that changed)\n"
        "  --combined-pdf PATH  where to write the combined PDF (required when the project has none)\n"
        "  --no-save            do not save the project after the run\n"
        "  --pdfa               make the combined PDF conform to PDF/A-1b for this run\n"
        "  --report FILE.json   write a report of the run: every file's status, pages, formats,\n"
        "                       A4 count, warnings, errors and time; the result and totals\n"
        "  --jobs N             publish up to N files at once for this run (N >= 1; default: the\n"
        "                       application setting, automatic by the machine's cores and memory)\n"
        "Ctrl+C asks the run to stop; a second Ctrl+C two seconds later abandons the servers.\n"
        "Exit status: 0 success, 3 finished with warnings, 2 errors or the run could not start.\n",
        out);
}

bool ParseOptions(const std::vector<std::string>& args, Options& options) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--full") {
            options.full = true;
        } else if (a == "--no-save") {
            options.save = false;
        } else if (a == "--pdfa") {
            options.pdfA = true;
        } else if (a == "--report") {
            if (i + 1 >= args.size()) {
                std::fputs("docvane-cli publish: --report needs a file\n", stderr);
                return false;
            }
            options.report = args[++i];
        } else if (a == "--jobs") {
            if (i + 1 >= args.size()) {
                std::fputs("docvane-cli publish: --jobs needs a number\n", stderr);
                return false;
            }
            options.jobs = JobsOf(args[++i]);
            if (options.jobs < 1 || options.jobs > kMaxParallelJobs) {
                std::fprintf(stderr,
                             "docvane-cli publish: --jobs needs a whole number from 1 to %d, not \"%s\"\n",
                             kMaxParallelJobs, args[i].c_str());
                return false;
            }
        } else if (a == "--combined-pdf") {
            if (i + 1 >= args.size()) {
                std::fputs("docvane-cli publish: --combined-pdf needs a path\n", stderr);
                return false;
            }
            options.combinedPdf = args[++i];
        } else if (!a.empty() && a[0] == '-') {
            std::fprintf(stderr, "docvane-cli publish: unknown option \"%s\"\n", a.c_str());
            return false;
        } else if (options.project.empty()) {
            options.project = a;
        } else {
            std::fputs("docvane-cli publish: expected one project file\n", stderr);
            return false;
        }
    }
    if (options.project.empty()) {
        std::fputs("docvane-cli publish: expected a project file (see docvane-cli publish --help)\n", stderr);
        return false;
    }
    return true;
}

}  // namespace

int RunPublish(const std::vector<std::string>& args) {
    if (WantsHelp(args)) {
        PrintPublishUsage(stdout);
        return kExitOk;
    }
    Options options;
    if (!ParseOptions(args, options)) {
        return kExitError;
    }
    const std::string path = AbsolutePath(options.project);
    const std::string reportPath = options.report.empty() ? std::string() : AbsolutePath(options.report);
    // A run that cannot start still leaves its report, saying why.
    const auto notStarted = [&reportPath, &path](const std::string& reason) {
        if (!reportPath.empty()) {
            WriteNotStartedReport(reportPath, path, reason);
        }
        return kExitError;
    };
    CDocvaneDoc project;
    std::string error;
    if (!OpenProjectDocument(project, path, &error)) {
        std::fprintf(stderr, "docvane-cli publish: cannot read the project %s (%s)\n", path.c_str(),
                     error.c_str());
        return notStarted("cannot read the project (" + error + ")");
    }
    // Asked for this run only: the project keeps its own setting.
    const bool projectPdfA = project.propertyDoc.pdfA;
    if (options.pdfA) {
        project.propertyDoc.pdfA = true;
    }
    if (!options.combinedPdf.empty()) {
        const std::string combined = AbsolutePath(options.combinedPdf);
        if (combined != project.pdfFile.fullPath) {
            SetPath(project.pdfFile, combined);
            project.SetModifiedFlag(true);  // as choosing the path in the window does
        }
    }
    if (project.pdfFile.fullPath.empty()) {
        std::fputs(
            "docvane-cli publish: the project names no combined PDF; give one with --combined-pdf PATH\n",
            stderr);
        return notStarted("the project names no combined PDF");
    }
    // A path given on the command line may name a folder that does not exist yet.
    // A folder the run will refuse (a system folder) is not made here either: the run says why.
    const std::string combinedFolder = ParentPath(project.pdfFile.fullPath);
    const FolderRefusal refusal = RefusedOutputFolder(combinedFolder);
    if ((refusal == FolderRefusal::None || refusal == FolderRefusal::Home) &&
        EnsureDirectory(combinedFolder) < 0) {
        std::fprintf(stderr, "docvane-cli publish: cannot create the folder of the combined PDF %s\n",
                     combinedFolder.c_str());
        return notStarted("cannot create the folder of the combined PDF");
    }

    std::optional<RunReport> report;
    if (!reportPath.empty()) {
        report.emplace(project, !options.full);
        SetCombinedPdfObserver(
            [&report](const CombinedPdfSummary& summary) { report->OnCombinedPdf(summary); });
    }
    StopControl stop;
    PublishConsole console(stop, report ? &*report : nullptr);
    SetMainWindowChannel(&console);
    SetOpenCombinedPdfAction({});  // a console run never opens a viewer

    // Ctrl+C and termination are taken by this thread only; the worker inherits the blocked mask.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    // The worker's last act wakes this thread at once, so the command ends with the run instead of
    // at the next tick of the wait.
    sigset_t awaited = signals;
    sigaddset(&awaited, kRunEndedSignal);
    pthread_sigmask(SIG_BLOCK, &awaited, nullptr);

    const auto started = GetClock().Now();
    std::atomic<bool> done = false;
    const pthread_t waiting = pthread_self();
    // Started as the window starts its runs; the worker's last act wakes this thread.
    const int jobs = options.jobs;
    const auto worker = [jobs](CDocvaneDoc* document, bool fast) {
        PublishWorkerWithJobs(document, fast, jobs);
    };
    PublishJob job{!options.full, &project, worker, [&done, waiting] {
                       done = true;
                       pthread_kill(waiting, kRunEndedSignal);
                   }};
    if (!StartPublishJob(std::move(job))) {
        SetMainWindowChannel(nullptr);
        SetCombinedPdfObserver({});
        pthread_sigmask(SIG_UNBLOCK, &awaited, nullptr);
        std::fputs("docvane-cli publish: another publication is in progress\n", stderr);
        return notStarted("another publication is in progress");
    }
    const struct timespec tick { 0, 100 * 1000 * 1000 };
    while (!done) {
        const int taken = sigtimedwait(&awaited, nullptr, &tick);
        if (taken < 0 || taken == kRunEndedSignal) {
            continue;
        }
        if (!GetPublishState().running && !stop.StopRequested()) {
            continue;  // the run has not started or already ended
        }
        if (!stop.OnUpdateStopPublish(true)) {
            std::fputs("docvane-cli: stopping; press Ctrl+C again after two seconds to abandon the servers\n",
                       stderr);
            continue;
        }
        stop.OnStopPublish([](const std::string&, const std::string&) { return true; });
    }
    SetMainWindowChannel(nullptr);
    SetCombinedPdfObserver({});
    project.propertyDoc.pdfA = projectPdfA;
    // A wake-up still pending (the loop saw the run end first) is taken here, so that no later wait
    // finds it.
    sigset_t wake;
    sigemptyset(&wake);
    sigaddset(&wake, kRunEndedSignal);
    const struct timespec now { 0, 0 };
    sigtimedwait(&wake, nullptr, &now);
    pthread_sigmask(SIG_UNBLOCK, &signals, nullptr);

    const auto elapsed = std::chrono::duration_cast<std::chrono::nanoseconds>(GetClock().Now() - started);
    std::printf("%s\n", FormatElapsed(static_cast<unsigned long long>(elapsed.count() / 100)).c_str());

    int status = ExitStatusOf(console.EndSeverity());
    if (options.save && project.IsModified()) {
        if (!SaveProjectDocument(project, project.PathName(), &error)) {
            std::fprintf(stderr, "docvane-cli publish: cannot save the project %s (%s)\n",
                         project.PathName().c_str(), error.c_str());
            status = kExitError;
        }
    }
    if (report && !report->Finish(status, GetClock().Now() - started, reportPath, error)) {
        std::fprintf(stderr, "docvane-cli publish: cannot write the report %s (%s)\n", reportPath.c_str(),
                     error.c_str());
        return kExitError;
    }
    return status;
}

}  // namespace docvane::cli
