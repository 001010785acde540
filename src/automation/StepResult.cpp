#include "automation/StepResult.h"

#include "automation/Automation.h"
#include "base/PathUtils.h"
#include "output/FileOperations.h"
#include "run/Log.h"

namespace docvane {

bool PlaceServerResult(const FileDoc& file, const std::string& tempPath, const std::string& target,
                       const std::string& cause, const ProtectedPaths* guard) {
    if (target.empty()) {
        return true;
    }
    if (!cause.empty() && !FileExists(tempPath)) {
        LogError(WithCause("Временный файл не найден: " + tempPath, cause));
        return false;
    }
    return PlacePublishedFile(file, tempPath, target, PlaceWhen::TargetOlder, guard);
}

}  // namespace docvane
