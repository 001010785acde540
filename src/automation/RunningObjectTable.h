#pragma once
// The table in which running automation servers register their objects, and the search in it.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "automation/AutomationObject.h"

namespace docvane {

// One registered entry: its display name (absent when it cannot be read) and where the object lives.
struct RunningEntry {
    std::optional<std::string> displayName;
    std::string address;
    // The process that registered the entry; 0 when the table does not know it.
    int processId = 0;
};

class RunningObjectTable {
  public:
    virtual ~RunningObjectTable() = default;
    // The registered entries, in a stable order.
    virtual std::vector<RunningEntry> EnumRunning() = 0;
    // The registered object of an entry; null when it cannot be reached.
    virtual AutomationObject GetObject(const RunningEntry& entry) = 0;
    // Why the table cannot be used (a line for the log), empty when it can.
    virtual std::string Refusal() const { return {}; }
    // Whether entries name the process that registered them (RunningEntry::processId).
    virtual bool KnowsProcesses() const { return false; }
};

// The installed table (the program's main installs the per-user running-object directory); with none
// installed nothing is running.
RunningObjectTable& GetRunningObjectTable();
// Installs a table (nullptr uninstalls it). It must outlive every call made through it.
void SetRunningObjectTable(RunningObjectTable* table);

// Walks the registered entries; the first object whose property Name is text equal to expectedName
// (exact, case-sensitive; empty text never matches) and whose property propertyName can be read gives
// the object held by that value. Null when no entry matches.
// skip: entries it answers true for are passed over (the servers this program started itself, which
// are no program the user has open).
AutomationObject FindRunningObject(const std::string& expectedName, const std::string& propertyName,
                                   const std::function<bool(const RunningEntry&)>& skip = {});
// The same among the entries of one process only: the server a session started itself, found even
// while other servers of the same name run beside it. Null when the table does not know processes.
AutomationObject FindRunningObjectOfProcess(int processId, const std::string& expectedName,
                                            const std::string& propertyName);

}  // namespace docvane
