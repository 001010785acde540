#include "worker/PublishWorker.h"

#include <atomic>
#include <mutex>
#include <thread>

#include "app/ApplicationSettings.h"
#include "app/ParallelJobs.h"
#include "worker/PublishRun.h"

namespace docvane {

namespace {

std::atomic<bool> g_workerActive = false;

std::mutex g_openMutex;
std::function<void(const std::string&)>& OpenAction() {
    static std::function<void(const std::string&)> action;
    return action;
}

// The action in force when the combined PDF is ready, not when the run started.
void OpenWithCurrentAction(const std::string& path) {
    std::function<void(const std::string&)> open;
    {
        std::lock_guard<std::mutex> lock(g_openMutex);
        open = OpenAction();
    }
    if (open) {
        open(path);
    }
}

}  // namespace

void PublishWorker(CDocvaneDoc* document, bool fast) {
    PublishWorkerWithJobs(document, fast, 0);
}

void PublishWorkerWithJobs(CDocvaneDoc* document, bool fast, int jobs) {
    if (document == nullptr) {
        return;
    }
    PublishRun run(*document, fast ? PublishMode::Fast : PublishMode::Full);
    run.SetJobs(jobs >= 1 ? jobs : ParallelJobsFor(AppSettings().parallelJobs));
    run.SetOpenCombinedPdf(OpenWithCurrentAction);
    run.Execute();
}

bool StartPublishJob(PublishJob job) {
    if (job.document == nullptr || !job.worker) {
        return false;
    }
    bool expected = false;
    if (!g_workerActive.compare_exchange_strong(expected, true)) {
        return false;
    }
    std::thread([job = std::move(job)]() {
        job.worker(job.document, job.fast);
        g_workerActive = false;
        if (job.finished) {
            job.finished();
        }
    }).detach();
    return true;
}

bool IsWorkerActive() {
    return g_workerActive;
}

void SetOpenCombinedPdfAction(std::function<void(const std::string& path)> action) {
    std::lock_guard<std::mutex> lock(g_openMutex);
    OpenAction() = std::move(action);
}

}  // namespace docvane
