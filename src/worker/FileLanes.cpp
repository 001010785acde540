#include "worker/FileLanes.h"

#include "automation/acad/AcadSession.h"
#include "automation/word/WordSession.h"

namespace docvane {

FileLane::FileLane(AcadSession* acad, WordSession* word, const AcadSession& model) {
    if (acad == nullptr) {
        ownAcad_ = std::make_unique<AcadSession>(model.Starter());
        ownAcad_->SetPrompt(model.Prompt());
        ownAcad_->SetLimits(model.Limits());
        acad = ownAcad_.get();
    }
    if (word == nullptr) {
        ownWord_ = std::make_unique<WordSession>();
        word = ownWord_.get();
    }
    acad_ = acad;
    word_ = word;
    thread_ = std::thread([this] { Loop(); });
}

FileLane::~FileLane() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void FileLane::Post(std::function<void()> job) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        job_ = std::move(job);
    }
    wake_.notify_all();
}

void FileLane::Loop() {
    while (true) {
        std::function<void()> job;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return quit_ || job_; });
            if (!job_) {
                return;  // quit with nothing left to do
            }
            job = std::move(job_);
            job_ = nullptr;
        }
        job();
    }
}

}  // namespace docvane
