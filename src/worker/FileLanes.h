#pragma once
// The lanes of a run that works on several files at once: each lane is a thread with its own sessions
// of the two programs (each starting its own server process, and only when a file of its kind reaches
// the lane). The first lane drives the run's own sessions; the others own theirs.
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace docvane {

class AcadSession;
class WordSession;

class FileLane {
  public:
    // acad and word: the sessions of the lane, kept by the caller (the run's own); null: the lane makes
    // its own, the drawing session like model (its process starter, prompt and limits).
    FileLane(AcadSession* acad, WordSession* word, const AcadSession& model);
    ~FileLane();
    FileLane(const FileLane&) = delete;
    FileLane& operator=(const FileLane&) = delete;

    AcadSession& Acad() { return *acad_; }
    WordSession& Word() { return *word_; }

    // Runs job on the lane's thread; the lane must be idle (its previous job has returned).
    void Post(std::function<void()> job);

  private:
    void Loop();

    std::unique_ptr<AcadSession> ownAcad_;
    std::unique_ptr<WordSession> ownWord_;
    AcadSession* acad_;
    WordSession* word_;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::function<void()> job_;
    bool quit_ = false;
    std::thread thread_;
};

}  // namespace docvane
