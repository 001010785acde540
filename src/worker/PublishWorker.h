#pragma once
// Starting a publication: the window and the command line both hand a PublishJob to StartPublishJob,
// which runs it on a thread of its own.
#include <functional>
#include <string>
#include <utility>

namespace docvane {

class CDocvaneDoc;

// The job handed to the worker thread.
struct PublishJob {
    PublishJob() = default;
    PublishJob(bool fastRun, CDocvaneDoc* project, std::function<void(CDocvaneDoc*, bool)> thread,
               std::function<void()> whenFinished = {})
        : fast(fastRun), document(project), worker(std::move(thread)), finished(std::move(whenFinished)) {}

    bool fast = true;
    CDocvaneDoc* document = nullptr;
    // The thread function: PublishWorker, or a stand-in of the window tests.
    std::function<void(CDocvaneDoc*, bool)> worker;
    // Called on the worker thread as its last act, once the next job may start; may be empty.
    std::function<void()> finished;
};

// The thread function of a run: a PublishRun of the process's sessions, channel and state, whose
// combined PDF opens with the action of SetOpenCombinedPdfAction.
void PublishWorker(CDocvaneDoc* document, bool fast);
// The same working on jobs files at once; 0: as many as the application setting parallelJobs says
// (automatic for this machine when it is 0). PublishWorker is this with 0.
void PublishWorkerWithJobs(CDocvaneDoc* document, bool fast, int jobs);

// Starts the job on a new detached thread. Refused (false) while a run is in progress: the engine holds
// the state of one run only.
bool StartPublishJob(PublishJob job);

// True from StartPublishJob until its worker has returned.
bool IsWorkerActive();

// How the combined PDF is opened when a run built it and openAfterPublic is on: the program's main
// installs the desktop's open action; an empty action (the command line's) opens nothing.
void SetOpenCombinedPdfAction(std::function<void(const std::string& path)> action);

}  // namespace docvane
