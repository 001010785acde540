#pragma once
// How many files a run works on at once: the user's setting, or an automatic number that fits the
// machine (its processor cores, within a quarter of its memory for the automation servers).
#include <cstdint>
#include <functional>

namespace docvane {

// What the machine offers; a zero member is unknown.
struct MachineFacts {
    int cores = 0;
    std::uint64_t memoryBytes = 0;
};

// Memory of the servers one file being published at a time may keep running, as measured (peak resident
// size, rounded up; see the README): a word-processor server with its office and a drawing-program
// server with a typical drawing.
inline constexpr std::uint64_t kWordInstanceBytes = 250ULL * 1024 * 1024;
inline constexpr std::uint64_t kDrawingInstanceBytes = 120ULL * 1024 * 1024;
inline constexpr std::uint64_t kInstanceMemoryBytes = kWordInstanceBytes + kDrawingInstanceBytes;
// The share of the machine's memory all servers of a run may take together: one part in this many.
inline constexpr std::uint64_t kMemoryShare = 4;
// Bounds of a stored or given number.
inline constexpr int kMaxParallelJobs = 64;

// Where the machine facts come from: the program's main installs the platform's reader; without one
// only the standard library's count of hardware threads is known.
void SetMachineFactsSource(std::function<MachineFacts()> source);
MachineFacts CurrentMachineFacts();

// The automatic number for these facts: the cores (1 when unknown), lowered so that that many files'
// servers take at most a quarter of a known memory; never below 1.
int AutomaticParallelJobs(const MachineFacts& facts);
// The number for a setting: a setting from 1 up is taken as it is (bounded by kMaxParallelJobs); 0 or
// less means automatic for the current machine.
int ParallelJobsFor(int setting);

}  // namespace docvane
