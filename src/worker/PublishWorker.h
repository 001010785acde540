#pragma once
// The publication run: a worker thread walks the project's files in order, publishes those that need
// it (all of them in a full run), then copies references, cleans the output folders and builds the
// combined PDF.
#include <functional>
#include <string>

namespace docvane {

class CDocvaneDoc;

// The job handed to the worker thread.
struct PublishJob {
    bool fast = true;
    CDocvaneDoc* document = nullptr;
    std::function<void(CDocvaneDoc*, bool)> worker;
};

// The thread function of a run. Ends every run that started through EndPublication; a project without
// files only stops the timers and writes its warning.
void PublishWorker(CDocvaneDoc* document, bool fast);

// Starts the job on a new detached thread. Refused (false) while a run is in progress: the engine holds
// the state of one run only.
bool StartPublishJob(PublishJob job);

// True from StartPublishJob until its worker has returned.
bool IsWorkerActive();

// How the combined PDF is opened when a run built it and openAfterPublic is on: the program's main
// installs the desktop's open action; an empty action (the command line's) opens nothing.
void SetOpenCombinedPdfAction(std::function<void(const std::string& path)> action);

}  // namespace docvane
