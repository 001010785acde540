#include "automation/RunningObjectTable.h"

#include <atomic>

#include "automation/Automation.h"

namespace docvane {

namespace {
std::atomic<RunningObjectTable*> installedTable{nullptr};

class NoRunningObjects : public RunningObjectTable {
  public:
    std::vector<RunningEntry> EnumRunning() override { return {}; }
    AutomationObject GetObject(const RunningEntry&) override { return {}; }
};
}  // namespace

RunningObjectTable& GetRunningObjectTable() {
    if (RunningObjectTable* table = installedTable.load()) {
        return *table;
    }
    static NoRunningObjects none;
    return none;
}

void SetRunningObjectTable(RunningObjectTable* table) {
    installedTable.store(table);
}

AutomationObject FindRunningObject(const std::string& expectedName, const std::string& propertyName,
                                   const std::function<bool(const RunningEntry&)>& skip) {
    RunningObjectTable& table = GetRunningObjectTable();
    for (const RunningEntry& entry : table.EnumRunning()) {
        if (!entry.displayName || (skip && skip(entry))) {
            continue;
        }
        const AutomationObject object = table.GetObject(entry);
        if (!object) {
            continue;
        }
        const AutomationValue name = GetProperty(object, "Name");
        if (name.Tag() != ValueTag::Text || name.AsText().empty() || name.AsText() != expectedName) {
            continue;
        }
        AutomationValue value;
        if (InvokeByName(object, propertyName, InvokeKind::PropertyGet, {}, &value)) {
            return value.AsObject();
        }
    }
    return {};
}

AutomationObject FindRunningObjectOfProcess(int processId, const std::string& expectedName,
                                            const std::string& propertyName) {
    if (processId <= 0 || !GetRunningObjectTable().KnowsProcesses()) {
        return {};
    }
    return FindRunningObject(expectedName, propertyName,
                             [processId](const RunningEntry& entry) { return entry.processId != processId; });
}

}  // namespace docvane
