#include "pdf/PublishedPdfReadAhead.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

namespace docvane {

PublishedPdfReadAhead::PublishedPdfReadAhead(std::vector<std::string> paths, std::size_t readers,
                                             std::size_t window, std::uintmax_t byteBudget)
    : paths_(std::move(paths)),
      window_(std::max<std::size_t>(window, 1)),
      byteBudget_(byteBudget),
      slots_(paths_.size()),
      claimedBytes_(paths_.size(), 0) {
    if (readers == 0) {
        readers = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 4);
    }
    readers = std::min(readers, paths_.size());
    try {
        for (std::size_t i = 0; i < readers; ++i) {
            readers_.emplace_back([this] { Read(); });
        }
    } catch (const std::system_error&) {
        // Fewer threads than asked for; with none, Take reads each file itself.
    }
}

PublishedPdfReadAhead::~PublishedPdfReadAhead() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    for (std::thread& reader : readers_) {
        reader.join();
    }
}

PublishedPdfReadAhead::Slot PublishedPdfReadAhead::LoadSlot(const std::string& path) {
    Slot slot;
    slot.ready = true;
    if (path.empty()) {
        return slot;
    }
    try {
        auto pdf = std::make_unique<PublishedPdf>();
        pdf->Load(path);
        slot.pdf = std::move(pdf);
    } catch (...) {
        slot.error = std::current_exception();
    }
    return slot;
}

void PublishedPdfReadAhead::Read() {
    for (;;) {
        std::size_t index = 0;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            // The file the merge waits for is always read; others only within the window and the
            // budget, so large drawings cannot pile up in memory.
            changed_.wait(lock, [&] {
                return stop_ || next_ >= paths_.size() ||
                       (next_ < taken_ + window_ && (next_ <= taken_ || pendingBytes_ < byteBudget_));
            });
            if (stop_ || next_ >= paths_.size()) {
                return;
            }
            next_ = std::max(next_, taken_);  // files the caller skipped are not read any more
            index = next_++;
            std::error_code error;
            const std::uintmax_t bytes =
                paths_[index].empty() ? 0 : std::filesystem::file_size(paths_[index], error);
            claimedBytes_[index] = error ? 0 : bytes;
            pendingBytes_ += claimedBytes_[index];
        }
        Slot slot = LoadSlot(paths_[index]);
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            slots_[index] = std::move(slot);
        }
        changed_.notify_all();
    }
}

std::unique_ptr<PublishedPdf> PublishedPdfReadAhead::Take(std::size_t index) {
    Slot slot;
    if (readers_.empty()) {
        slot = LoadSlot(index < paths_.size() ? paths_[index] : std::string());
    } else if (index < paths_.size()) {
        std::unique_lock<std::mutex> lock(mutex_);
        // Files skipped by the caller no longer hold the window shut.
        if (taken_ < index) {
            for (std::size_t skipped = taken_; skipped < index; ++skipped) {
                pendingBytes_ -= claimedBytes_[skipped];
                claimedBytes_[skipped] = 0;
            }
            taken_ = index;
            changed_.notify_all();
        }
        changed_.wait(lock, [&] { return slots_[index].ready; });
        slot = std::move(slots_[index]);
        slots_[index] = Slot{};
        pendingBytes_ -= claimedBytes_[index];
        claimedBytes_[index] = 0;
        taken_ = index + 1;
        lock.unlock();
        changed_.notify_all();
    }
    if (slot.error) {
        std::rethrow_exception(slot.error);
    }
    return std::move(slot.pdf);
}

}  // namespace docvane
