#include "platform/MachineFacts.h"

#include <sched.h>
#include <unistd.h>

namespace docvane {

MachineFacts ReadMachineFacts() {
    MachineFacts facts;
    // The processors the process may use (a container or taskset narrows them), else the online ones.
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof(set), &set) == 0) {
        facts.cores = CPU_COUNT(&set);
    }
    if (facts.cores <= 0) {
        const long online = sysconf(_SC_NPROCESSORS_ONLN);
        facts.cores = online > 0 ? static_cast<int>(online) : 0;
    }
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0) {
        facts.memoryBytes = static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
    }
    return facts;
}

}  // namespace docvane
