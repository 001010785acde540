#pragma once
// The facts of this machine a run sizes itself by.
#include "app/ParallelJobs.h"

namespace docvane {

// The processors this process may run on and the machine's physical memory; zero where unknown.
MachineFacts ReadMachineFacts();

}  // namespace docvane
