#include "worker/StopControl.h"

#include "automation/ObjectTransport.h"
#include "automation/acad/AcadSession.h"
#include "run/Cancel.h"
#include "run/PublishState.h"

namespace docvane {

namespace {
constexpr std::uint64_t kTwoSeconds = 2ULL * 10000000ULL;  // in 100 ns units
}

void StopControl::OnStopPublish(const EmergencyPrompt& prompt) {
    if (stopTimer_.IsRunning()) {
        // The question runs a modal loop in which the run may end; what it answers then concerns
        // a run that is gone.
        const unsigned run = endedRuns_;
        const bool confirmed =
            prompt &&
            prompt("Прервать публикацию", "Публикация уже завершается.\nХотите аварийно завершить процесс?");
        if (run != endedRuns_) {
            return;
        }
        if (confirmed) {
            EmergencyStop();
        }
    }
    stopTimer_.Start([] {}, 1000);  // a running timer keeps counting from the first press
    RequestCancel();
}

bool StopControl::OnUpdateStopPublish(bool activeProjectIsPublished) const {
    if (!activeProjectIsPublished) {
        return false;
    }
    // Whole seconds as the elapsed time reads them.
    return !stopTimer_.IsRunning() || stopTimer_.Elapsed() >= kTwoSeconds;
}

void EmergencyStop() {
    GetPublishState().running = false;
    GetAcadSession().TerminateStartedProcess();
    if (ObjectTransport* transport = GetObjectTransport()) {
        transport->TerminateStartedServers();
    }
}

}  // namespace docvane
