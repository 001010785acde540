#include "cli/RunReport.h"

#include <nlohmann/json.hpp>

#include "base/AtomicFile.h"
#include "output/DocumentStatus.h"
#include "project/DocvaneDoc.h"
#include "run/MainWindowChannel.h"

namespace docvane::cli {

namespace {

constexpr const char* kMergingPrefix = "[?] Объединяю файлы в общий pdf: ";
constexpr const char* kFinalLine = "Публикация окончена.";

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.rfind(prefix, 0) == 0;
}

// A log line without its "[!] " or "[X] " prefix.
std::string Text(const std::string& line) {
    return line.size() >= 4 && line[0] == '[' && line[2] == ']' && line[3] == ' ' ? line.substr(4) : line;
}

double Seconds(std::chrono::steady_clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

const char* ResultOf(int exitStatus) {
    switch (exitStatus) {
        case 0:
            return "success";
        case 3:
            return "warnings";
        default:
            return "errors";
    }
}

}  // namespace

RunReport::RunReport(CDocvaneDoc& project, bool fast)
    : project_(project), fast_(fast), pdfA_(project.propertyDoc.pdfA) {
    for (std::size_t i = 0; i < project.FileCount(); ++i) {
        FileDoc& file = project.File(i);
        FileEntry entry;
        entry.before.code = ComputeStatus(file);
        entry.before.text = file.statusText;
        files_.push_back(std::move(entry));
    }
}

void RunReport::CloseCurrent(bool finished) {
    if (current_ < 0) {
        return;
    }
    FileEntry& entry = files_[static_cast<std::size_t>(current_)];
    entry.seconds += Seconds(std::chrono::steady_clock::now() - currentStarted_);
    entry.finished = finished;
    current_ = -1;
}

void RunReport::OnLine(int kind, const std::string& line) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (StartsWith(line, kMergingPrefix)) {
        CloseCurrent(false);
        inCombinedStage_ = true;
    }
    // The worker names each file's status before it decides what to do with it.
    FileEntry* named = nullptr;
    if (current_ < 0 && !inCombinedStage_) {
        for (FileEntry& entry : files_) {
            if (!entry.reached && !entry.before.text.empty() && Text(line) == entry.before.text) {
                entry.reached = true;
                named = &entry;  // a status that ends the run is that file's error
                break;
            }
        }
    }
    if (kind != static_cast<int>(LogKind::Warning) && kind != static_cast<int>(LogKind::Error)) {
        return;
    }
    // The last line takes the kind of the worst line before it: it is the result, not another fault.
    if (Text(line) == kFinalLine) {
        return;
    }
    const bool error = kind == static_cast<int>(LogKind::Error);
    std::vector<std::string>* list = nullptr;
    if (current_ >= 0 || named != nullptr) {
        FileEntry& entry = named != nullptr ? *named : files_[static_cast<std::size_t>(current_)];
        list = error ? &entry.errors : &entry.warnings;
    } else if (inCombinedStage_) {
        list = error ? &combinedErrors_ : &combinedWarnings_;
    } else {
        list = error ? &otherErrors_ : &otherWarnings_;
    }
    list->push_back(Text(line));
}

void RunReport::OnViewsRefreshed() {
    std::lock_guard<std::mutex> lock(mutex_);
    // The file being published is the one shown in the publishing colour.
    int publishing = -1;
    for (std::size_t i = 0; i < project_.FileCount(); ++i) {
        if (project_.File(i).statusColor == kColourPublishing) {
            publishing = static_cast<int>(i);
            break;
        }
    }
    if (publishing == current_) {
        return;
    }
    CloseCurrent(current_ >= 0 && publishing < 0);
    if (publishing >= 0) {
        current_ = publishing;
        currentStarted_ = std::chrono::steady_clock::now();
        files_[static_cast<std::size_t>(publishing)].reached = true;
        files_[static_cast<std::size_t>(publishing)].started = true;
    }
}

void RunReport::OnFileWorkedAside(std::size_t index, std::chrono::steady_clock::duration worked) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (index < files_.size()) {
        files_[index].seconds += Seconds(worked);
    }
}

void RunReport::OnCombinedPdf(const CombinedPdfSummary& summary) {
    std::lock_guard<std::mutex> lock(mutex_);
    combined_ = summary;
}

bool RunReport::Finish(int exitStatus, std::chrono::steady_clock::duration elapsed, const std::string& path,
                       std::string& error) {
    using nlohmann::json;
    std::lock_guard<std::mutex> lock(mutex_);
    CloseCurrent(false);
    json files = json::array();
    long published = 0, skipped = 0, failed = 0, warnings = 0, errors = 0;
    for (std::size_t i = 0; i < files_.size() && i < project_.FileCount(); ++i) {
        FileEntry& entry = files_[i];
        FileDoc& file = project_.File(i);
        entry.after.code = ComputeStatus(file);
        entry.after.text = file.statusText;
        const char* outcome = entry.finished  ? "published"
                              : entry.started ? "failed"
                              : entry.reached ? "skipped"
                                              : "not reached";
        published += entry.finished ? 1 : 0;
        failed += entry.started && !entry.finished ? 1 : 0;
        skipped += entry.reached && !entry.started ? 1 : 0;
        json item = {{"path", file.fullPath},
                     {"statusBefore", {{"code", entry.before.code}, {"text", entry.before.text}}},
                     {"statusAfter", {{"code", entry.after.code}, {"text", entry.after.text}}},
                     {"outcome", outcome},
                     {"seconds", entry.seconds},
                     {"pages", nullptr},
                     {"formats", nullptr},
                     {"a4", nullptr},
                     {"parts", json::array()}};
        std::vector<std::string> fileWarnings = entry.warnings;
        if (combined_ && combined_->written) {
            long long pages = 0;
            long a4 = 0;
            std::vector<std::string> names;
            for (const RegisterRow& row : combined_->rows) {
                if (row.fileIndex != i) {
                    continue;
                }
                pages += row.pageCount;
                a4 += row.a4;
                item["parts"].push_back({{"sheet", row.sheet},
                                         {"pages", row.pageCount},
                                         {"printedPages", row.pages},
                                         {"formats", row.formats},
                                         {"a4", row.a4}});
                fileWarnings.insert(fileWarnings.end(), row.warnings.begin(), row.warnings.end());
                names.insert(names.end(), row.pageFormats.begin(), row.pageFormats.end());
            }
            item["pages"] = pages;
            item["a4"] = a4;
            item["formats"] = FormatList(names);
        }
        item["warnings"] = fileWarnings;
        item["errors"] = entry.errors;
        warnings += static_cast<long>(entry.warnings.size());
        errors += static_cast<long>(entry.errors.size());
        files.push_back(std::move(item));
    }
    warnings += static_cast<long>(combinedWarnings_.size() + otherWarnings_.size());
    errors += static_cast<long>(combinedErrors_.size() + otherErrors_.size());

    json combined = {{"path", project_.pdfFile.fullPath},
                     {"written", combined_ && combined_->written},
                     {"pdfA", combined_ && combined_->pdfA},
                     {"pages", nullptr},
                     {"a4", nullptr},
                     {"register", nullptr},
                     {"warnings", combinedWarnings_},
                     {"errors", combinedErrors_}};
    if (combined_ && combined_->written) {
        combined["pages"] = combined_->pages;
        combined["a4"] = combined_->a4;
        if (!combined_->registerPath.empty()) {
            combined["register"] = combined_->registerPath;
        }
    }
    const json report = {
        {"schema", "docvane-publish-report"},
        {"version", 1},
        {"started", true},
        {"project", project_.PathName()},
        {"mode", fast_ ? "fast" : "full"},
        {"pdfA", pdfA_},
        {"result", ResultOf(exitStatus)},
        {"exitStatus", exitStatus},
        {"seconds", Seconds(elapsed)},
        {"totals",
         {{"files", files_.size()},
          {"published", published},
          {"skipped", skipped},
          {"failed", failed},
          {"pages", combined_ && combined_->written ? json(combined_->pages) : json(nullptr)},
          {"a4", combined_ && combined_->written ? json(combined_->a4) : json(nullptr)},
          {"warnings", warnings},
          {"errors", errors}}},
        {"files", files},
        {"combined", combined},
        {"run", {{"warnings", otherWarnings_}, {"errors", otherErrors_}}},
    };
    // Texts from files and servers need not be valid UTF-8: replaced rather than failing the report.
    const std::string text = report.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
    return WriteFileAtomically(path, text, &error);
}

bool WriteNotStartedReport(const std::string& path, const std::string& project, const std::string& reason) {
    const nlohmann::json report = {{"schema", "docvane-publish-report"},
                                   {"version", 1},
                                   {"project", project},
                                   {"result", "errors"},
                                   {"exitStatus", 2},
                                   {"started", false},
                                   {"reason", reason}};
    return WriteFileAtomically(path,
                               report.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n");
}

}  // namespace docvane::cli
