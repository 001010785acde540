#pragma once
// The machine-readable report of one publish command (--report FILE.json): every file's status before
// and after the run, what happened to it, its pages, formats and A4-format count, its warning and error
// lines and the time spent on it; the run's result and totals. The schema is in the README.
#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "pdf/CombinedPdfSummary.h"

namespace docvane {
class CDocvaneDoc;
}

namespace docvane::cli {

class RunReport {
  public:
    // Takes every file's status before the run.
    RunReport(CDocvaneDoc& project, bool fast);

    // What the main-window channel hears during the run (on the worker thread).
    void OnLine(int kind, const std::string& line);
    void OnViewsRefreshed();
    // A lane's work on the file, before its turn: counted into the file's time with its placing.
    void OnFileWorkedAside(std::size_t index, std::chrono::steady_clock::duration worked);
    void OnCombinedPdf(const CombinedPdfSummary& summary);

    // After the run: takes every file's status after it and writes the report atomically. False with
    // the reason when it cannot be written.
    bool Finish(int exitStatus, std::chrono::steady_clock::duration elapsed, const std::string& path,
                std::string& error);

  private:
    struct Status {
        int code = 0;
        std::string text;
    };
    struct FileEntry {
        Status before;
        Status after;
        bool reached = false;
        bool started = false;
        bool finished = false;
        double seconds = 0;
        std::vector<std::string> warnings;
        std::vector<std::string> errors;
    };
    void CloseCurrent(bool finished);

    CDocvaneDoc& project_;
    bool fast_;
    bool pdfA_;
    std::mutex mutex_;
    std::vector<FileEntry> files_;
    int current_ = -1;
    std::chrono::steady_clock::time_point currentStarted_;
    bool inCombinedStage_ = false;
    std::vector<std::string> combinedWarnings_;
    std::vector<std::string> combinedErrors_;
    std::vector<std::string> otherWarnings_;
    std::vector<std::string> otherErrors_;
    std::optional<CombinedPdfSummary> combined_;
};

// The report of a run that could not start: result "errors" and the reason.
bool WriteNotStartedReport(const std::string& path, const std::string& project, const std::string& reason);

}  // namespace docvane::cli
