#include "app/ParallelJobs.h"

#include <algorithm>
#include <mutex>
#include <thread>
#include <utility>

namespace docvane {

namespace {
std::mutex g_factsMutex;
std::function<MachineFacts()>& Source() {
    static std::function<MachineFacts()> source;
    return source;
}
}  // namespace

void SetMachineFactsSource(std::function<MachineFacts()> source) {
    std::lock_guard<std::mutex> lock(g_factsMutex);
    Source() = std::move(source);
}

MachineFacts CurrentMachineFacts() {
    std::function<MachineFacts()> source;
    {
        std::lock_guard<std::mutex> lock(g_factsMutex);
        source = Source();
    }
    if (source) {
        return source();
    }
    MachineFacts facts;
    facts.cores = static_cast<int>(std::thread::hardware_concurrency());
    return facts;
}

int AutomaticParallelJobs(const MachineFacts& facts) {
    int jobs = std::clamp(facts.cores, 1, kMaxParallelJobs);
    if (facts.memoryBytes > 0) {
        const std::uint64_t fitting = facts.memoryBytes / kMemoryShare / kInstanceMemoryBytes;
        jobs = std::min<std::uint64_t>(static_cast<std::uint64_t>(jobs), std::max<std::uint64_t>(fitting, 1));
    }
    return jobs;
}

int ParallelJobsFor(int setting) {
    if (setting >= 1) {
        return std::min(setting, kMaxParallelJobs);
    }
    return AutomaticParallelJobs(CurrentMachineFacts());
}

}  // namespace docvane
