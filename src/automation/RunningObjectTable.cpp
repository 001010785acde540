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

AutomationObject FindRunningObject(const std::string& expectedName, const std::string& propertyName) {
    RunningObjectTable& table = GetRunningObjectTable();
    for (const RunningEntry& entry : table.EnumRunning()) {
        if (!entry.displayName) {
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

}  // namespace docvane
