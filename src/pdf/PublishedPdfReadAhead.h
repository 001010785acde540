#pragma once
// Reads published PDFs on other threads ahead of their use, so that parsing the next files overlaps
// with merging the current one and with each other. Results come out in the order of the paths, each
// exactly as a load on the caller's thread would have ended (the loaded file, or the error it raised).
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "pdf/PublishedPdf.h"

namespace docvane {

class PublishedPdfReadAhead {
  public:
    // Starts reading at once with `readers` threads (0: as many as the processor has, at most four);
    // at most `window` files, and beyond the next one no more than `byteBudget` bytes of files, wait
    // loaded but not taken. An empty path is skipped (Take gives null for it). Without a thread to
    // spare every file is read in Take.
    explicit PublishedPdfReadAhead(std::vector<std::string> paths, std::size_t readers = 0,
                                   std::size_t window = 8, std::uintmax_t byteBudget = 256u << 20);
    // Stops reading after the files in hand; files not taken are dropped.
    ~PublishedPdfReadAhead();
    PublishedPdfReadAhead(const PublishedPdfReadAhead&) = delete;
    PublishedPdfReadAhead& operator=(const PublishedPdfReadAhead&) = delete;

    // The file at that index, loaded; rethrows what loading it threw. Indexes are taken in increasing
    // order, each once.
    std::unique_ptr<PublishedPdf> Take(std::size_t index);

  private:
    struct Slot {
        bool ready = false;
        std::unique_ptr<PublishedPdf> pdf;
        std::exception_ptr error;
    };

    void Read();
    static Slot LoadSlot(const std::string& path);

    const std::vector<std::string> paths_;
    const std::size_t window_;
    const std::uintmax_t byteBudget_;
    std::vector<Slot> slots_;
    std::vector<std::uintmax_t> claimedBytes_;  // a file's size from when a reader claims it until taken
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t next_ = 0;             // the next file a reader starts on
    std::size_t taken_ = 0;            // files before this one were handed out
    std::uintmax_t pendingBytes_ = 0;  // of files claimed by a reader and not yet taken
    bool stop_ = false;
    std::vector<std::thread> readers_;
};

}  // namespace docvane
